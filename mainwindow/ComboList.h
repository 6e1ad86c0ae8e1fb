#pragma once
// The source panel's lists with VB's combo behaviour: clearing and adding
// select nothing and raise no Click; selecting an entry raises it.

class QComboBox;
class QString;

void ComboClear(QComboBox* combo);
void ComboAddItem(QComboBox* combo, const QString& text);
// Selects the first entry with the text, or none.
void SelectByText(QComboBox* combo, const QString& text);
