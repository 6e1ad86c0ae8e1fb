#include "core/Settings.h"

#include "core/CDefProperty.h"
#include "core/CDefPropertys.h"
#include "core/Globals.h"
#include "platform/vb/Err.h"

std::shared_ptr<CDefProperty> Setting(const QString& key)
{
    return gDefPropertys ? gDefPropertys->Item(key) : nullptr;
}

QString SettingValue(const QString& key)
{
    const auto row = Setting(key);
    if (!row) vb::Raise(vb::errnum::ObjectVariableNotSet);
    return row->PropertyValue();
}

QString SettingText(const QString& key)
{
    const auto row = Setting(key);
    return row ? row->PropertyValue() : QString();
}

void SetSetting(const QString& key, const QString& value)
{
    if (const auto row = Setting(key)) row->SetPropertyValue(value);
}

void SaveSettingNow(CDefProperty& row, const QString& value)
{
    row.SetPropertyValue(value);
    row.Save(true, true);
    row.SetIsDirty(false);
}

void TakeStoredSetting(CDefProperty& row, const QString& value)
{
    row.SetPropertyValue(value);
    row.SetIsDirty(false);
}
