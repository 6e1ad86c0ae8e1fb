#include "screens/RecordBinder.h"

#include "core/VAVURDataSource.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Format.h"
#include "platform/widgets/FormKit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QWidget>
#include <cmath>

namespace {

QString textOf(const vb::Variant& v)
{
    return v.isNull() || v.isEmpty() ? QString() : vb::CStr(v);
}

void show(QWidget* control, const vb::Variant& value)
{
    if (qobject_cast<QLabel*>(control)) return;
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        const QString mask = edit->property("vbMask").toString();
        if (mask.isEmpty()) {
            edit->setText(textOf(value));
        } else if (mask == QLatin1String("##/##/####")) {
            const bool zero = value.isNull() || value.isEmpty() || vb::CDbl(value) == 0;
            edit->setText(zero ? QStringLiteral("__/__/____")
                               : vb::Format(value, QStringLiteral("mm/dd/yyyy")));
        } else {
            edit->setText(vb::Format(value, mask));
        }
        return;
    }
    if (auto* box = qobject_cast<QPlainTextEdit*>(control)) {
        box->setPlainText(textOf(value));
        return;
    }
    if (auto* check = qobject_cast<QCheckBox*>(control)) {
        const double n = value.isNull() || value.isEmpty() ? 0 : std::fabs(vb::CDbl(value));
        check->setChecked(n != 0);
        return;
    }
    if (auto* date = qobject_cast<QDateEdit*>(control)) {
        if (!value.isNull() && !value.isEmpty())
            date->setDate(QDate(1899, 12, 30).addDays(qint64(std::floor(vb::CDate(value)))));
        return;
    }
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (combo->isEditable())
            ui::showText(combo, textOf(value));
        else
            combo->setCurrentIndex(value.isNull() || value.isEmpty() ? -1 : vb::CLng(value));
    }
}

} // namespace

void ShowData(QWidget* form, VAVURDataSourceSingle& record)
{
    if (!form) return;
    for (std::int32_t i = 1; i <= record.GetFieldCount(); ++i) {
        const QString name = record.GetFieldName(i);
        if (name.isEmpty()) continue;
        auto* control = form->findChild<QWidget*>(name);
        if (control) show(control, record.GetData(i));
    }
}
