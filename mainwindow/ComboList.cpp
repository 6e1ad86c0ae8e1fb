#include "mainwindow/ComboList.h"

#include "platform/vb/Variant.h"
#include "platform/widgets/ControlHelpers.h"

#include <QComboBox>
#include <QSignalBlocker>

void ComboClear(QComboBox* combo)
{
    const QSignalBlocker quiet(combo);
    combo->clear();
    combo->setCurrentIndex(-1);
    combo->setEditText(QString());
}

void ComboAddItem(QComboBox* combo, const QString& text)
{
    const QSignalBlocker quiet(combo);
    const int selected = combo->currentIndex();
    const QString shown = combo->currentText();
    combo->addItem(text);
    // Adding never selects: the combo keeps what it showed.
    combo->setCurrentIndex(selected);
    if (selected < 0) combo->setEditText(shown);
}

void SelectByText(QComboBox* combo, const QString& text)
{
    combo->setCurrentIndex(FindComboIndex(combo, vb::Variant(text), false));
}
