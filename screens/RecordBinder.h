#pragma once
// ShowData: fills an edit dialog's controls from a record. Every control
// named like one of the record's fields shows that field's value in the way
// of its kind; controls named otherwise, and labels, are left alone. An
// editable combo box shows the value as the user's own text would stand,
// so leaving it unchanged changes nothing.

class QWidget;
class VAVURDataSourceSingle;

void ShowData(QWidget* form, VAVURDataSourceSingle& record);
