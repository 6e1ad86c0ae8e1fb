#include "screens/frmPhoneFind.h"

QString LikePattern(const QString& text)
{
    return text.size() == 7 ? QStringLiteral("%") + text : text + QStringLiteral("%");
}

frmPhoneFind::frmPhoneFind(QWidget* parent)
    : ConditionDialog(QStringLiteral("frmPhoneFind"), QStringLiteral("Search Phone"),
                      {{QStringLiteral("&Phone"), QStringLiteral("Phone ")}}, LikePattern, parent)
{
}
