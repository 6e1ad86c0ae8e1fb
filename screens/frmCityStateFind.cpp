#include "screens/frmCityStateFind.h"

frmCityStateFind::frmCityStateFind(QWidget* parent)
    : ConditionDialog(
          QStringLiteral("frmCityStateFind"), QStringLiteral("Search CityState"),
          {{QStringLiteral("&AreaCode"), QStringLiteral("AreaCode ")},
           {QStringLiteral("&City"), QStringLiteral("City ")},
           {QStringLiteral("&State"), QStringLiteral("State ")}},
          [](const QString& text) { return text + QStringLiteral("%"); }, parent)
{
}
