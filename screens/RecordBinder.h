#pragma once
// ShowData: fills an edit dialog's controls from a record. Every control
// named like one of the record's fields shows that field's value in the way
// of its kind; controls named otherwise, and labels, are left alone.

class QWidget;
class VAVURDataSourceSingle;

void ShowData(QWidget* form, VAVURDataSourceSingle& record);
