#pragma once
// frmPhoneFind ("Search Phone"): one condition on the phone column. With
// "Like", a text of exactly seven characters (a whole local number) matches
// numbers ending in it, any other text numbers beginning with it.

#include "screens/ConditionDialog.h"

class frmPhoneFind : public ConditionDialog {
    Q_OBJECT
public:
    explicit frmPhoneFind(QWidget* parent = nullptr);
};

QString LikePattern(const QString& text);
