// The format transfer's State box as a user meets it after setting a layout
// up by hand: typing a state's name keeps that layout for Transfer and makes
// Default add a format; only picking the state from the list loads its
// stored layout.

#include "WizardFixture.h"
#include "support/UserDrive.h"

#include "dialogs/frmFormatTransfer.h"

#include <QComboBox>
#include <functional>

namespace ud = userdrive;

namespace {

struct StateBoxCase {
    const char* name;
    std::function<void(frmFormatTransfer&)> user; // with the focus in State
    QString delimiter;                            // shown afterwards
    QString fromRow;
    QString linesWritten; // by Transfer
    QString defaultAsks;  // Default's question
};

void PrintTo(const StateBoxCase& c, std::ostream* os)
{
    *os << c.name;
}

const QString kAdd = QStringLiteral("Are you sure to add this state to database?");
const QString kUpdate = QStringLiteral("Are you sure to update this state to database?");

} // namespace

class FormatTransferStateBox : public WizardTest, public ::testing::WithParamInterface<StateBoxCase> {};

TEST_P(FormatTransferStateBox, TypingKeepsTheLayoutOnScreenAndOnlyAPickLoadsTheStoredOne)
{
    {
        wiztest::Db db(dbPath);
        db.exec("insert into StateFormat (ID, State, FirstLine, Delimited, IncludeQuote, SelectFields) "
                "values (5, 'NJ', 3, 'Tab', 1, 'Field0::x')");
    }
    frmFormatTransfer form;
    ud::Activate(&form);

    // A comma layout set up by hand from the file's first line.
    form.txtTextPath->setText(
        writeFile(QStringLiteral("nj.txt"), "201,5551234\r\n973,5550000\r\n609,5551111\r\n732,5552222\r\n"));
    form.Delimited->setEditText(QStringLiteral("Comma"));
    form.cmdListFields->click();
    ASSERT_EQ(form.ListView4->topLevelItemCount(), 2);
    // Each field ticked with Space, after a click on its value and on its name.
    for (const int row : {0, 1}) {
        ud::ClickRow(form.ListView4, row, Qt::NoModifier, 1 - row);
        ud::Key(Qt::Key_Space);
    }
    ASSERT_EQ(form.ListView4->topLevelItem(0)->checkState(0), Qt::Checked);
    ASSERT_EQ(form.ListView4->topLevelItem(1)->checkState(0), Qt::Checked);
    const QString output = path(QStringLiteral("import.txt"));
    form.txtTextPathOutput->setText(output);

    ud::ClickInto(form.State);
    GetParam().user(form);
    EXPECT_EQ(form.Delimited->currentText(), GetParam().delimiter);
    EXPECT_EQ(form.rowNumber->currentText(), GetParam().fromRow);

    form.cmdTransfer->click();
    EXPECT_EQ(form.Label2->text(), GetParam().linesWritten);
    if (GetParam().delimiter == QStringLiteral("Comma"))
        EXPECT_EQ(wiztest::ReadFile(output), "201,5551234\r\n973,5550000\r\n609,5551111\r\n732,5552222\r\n");

    scripted.expectMsgBox(ui::vbNo, GetParam().defaultAsks, ui::vbYesNo | ui::vbQuestion);
    form.cmdDefault->click();
}

INSTANTIATE_TEST_SUITE_P(Wizard, FormatTransferStateBox,
                         ::testing::Values(StateBoxCase{"TheStoredNameTypedAndLeftWithTab",
                                                        [](frmFormatTransfer&) {
                                                            ud::Type("NJ");
                                                            ud::Tab();
                                                        },
                                                        "Comma", "1", "4", kAdd},
                                           StateBoxCase{"TheNameTypedInOtherCase",
                                                        [](frmFormatTransfer&) {
                                                            ud::Type("nj");
                                                            ud::Tab();
                                                        },
                                                        "Comma", "1", "4", kAdd},
                                           StateBoxCase{"TheNameTypedAndEntered",
                                                        [](frmFormatTransfer&) {
                                                            ud::Type("NJ");
                                                            ud::Enter();
                                                        },
                                                        "Comma", "1", "4", kAdd},
                                           StateBoxCase{"TheStatePickedFromTheList",
                                                        [](frmFormatTransfer& form) {
                                                            ASSERT_TRUE(ud::PickFromList(
                                                                form.State, QStringLiteral("NJ")));
                                                        },
                                                        "Tab", "3", "2", kUpdate}),
                         [](const auto& info) { return std::string(info.param.name); });
