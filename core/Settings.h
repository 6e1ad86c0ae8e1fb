#pragma once
// Reading and changing single settings of the store the program holds
// (gDefPropertys) by key, for the forms that each need a few of them.

#include <QString>
#include <memory>

class CDefProperty;

// The setting's row, or null when there is no store or no such row.
std::shared_ptr<CDefProperty> Setting(const QString& key);

// The setting's value; error 91 when the store has no such row, so that a
// step reading it fails the way reading a missing row does.
QString SettingValue(const QString& key);

// The setting's value, or an empty text when there is no store or no such row.
QString SettingText(const QString& key);

// Changes a setting in memory; it is written with all settings when the main
// window closes.
void SetSetting(const QString& key, const QString& value);
