#pragma once
// frmCityStateFind ("Search CityState"): up to three conditions, on
// AreaCode, City and State. With "Like", a text matches values beginning
// with it.

#include "screens/ConditionDialog.h"

class frmCityStateFind : public ConditionDialog {
    Q_OBJECT
public:
    explicit frmCityStateFind(QWidget* parent = nullptr);
};
