// The forms' combo box as a user meets it: what stays in the box after
// typing, leaving, Enter and picking, and which of these count as picking
// an entry of the list.

#include "ScreensFixture.h"
#include "support/UserDrive.h"

#include "platform/widgets/FormKit.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QVBoxLayout>

namespace ud = userdrive;

namespace {

// A dialog with the combo box (its entries, one of them shown as a stored
// value) and a text box to leave it for.
struct ComboDialog {
    explicit ComboDialog(bool offers = true)
    {
        auto* layout = new QVBoxLayout(&dialog);
        combo = ui::newCombo("cboTest", &dialog);
        combo->addItems({"201", "212", "NJ", "NY"});
        combo->setOffersEntries(offers);
        next = ui::newEdit("txtNext", &dialog);
        layout->addWidget(combo);
        layout->addWidget(next);
        ui::showText(combo, "212");
        QObject::connect(combo, &ui::EditCombo::picked, &dialog, [this](int index) { picks << index; });
        QObject::connect(combo, &QComboBox::editTextChanged, &dialog, [this] { ++changes; });
        ud::Activate(&dialog);
    }

    QDialog dialog;
    ui::EditCombo* combo = nullptr;
    QLineEdit* next = nullptr;
    QList<int> picks;
    int changes = 0;
};

} // namespace

struct ComboCase {
    const char* name;
    bool offers; // entries offered under the box, else completed in it
    std::function<void(ComboDialog&)> user;
    QString text;     // in the box afterwards
    QList<int> picks; // entries reported as picked
};

inline void PrintTo(const ComboCase& c, std::ostream* os)
{
    *os << c.name;
}

class ComboBox : public ScriptedUiTest, public ::testing::WithParamInterface<ComboCase> {};

TEST_P(ComboBox, KeepsTheTypedTextAndReportsOnlyPicks)
{
    ComboDialog d(GetParam().offers);
    ud::ClickInto(d.combo);
    d.combo->lineEdit()->selectAll();
    GetParam().user(d);
    EXPECT_EQ(d.combo->currentText(), GetParam().text);
    EXPECT_EQ(d.picks, GetParam().picks);
}

INSTANTIATE_TEST_SUITE_P(
    Kit, ComboBox,
    ::testing::Values(
        ComboCase{"AnEntryTypedInOtherCaseAndLeft",
                  true,
                  [](ComboDialog&) {
                      ud::Type("nj");
                      ud::Tab();
                  },
                  "nj",
                  {}},
        ComboCase{"TheStartOfAnEntryTypedAndLeft",
                  true,
                  [](ComboDialog&) {
                      ud::Type("2");
                      ud::Tab();
                  },
                  "2",
                  {}},
        ComboCase{"AnEntryTypedAsItReadsAndLeft",
                  true,
                  [](ComboDialog&) {
                      ud::Type("NY");
                      ud::Tab();
                  },
                  "NY",
                  {}},
        ComboCase{"AnEntryTypedInOtherCaseWithEnter",
                  true,
                  [](ComboDialog&) {
                      ud::Type("ny");
                      ud::Enter();
                  },
                  "ny",
                  {}},
        ComboCase{"ClickedInTheOpenList",
                  true,
                  [](ComboDialog& d) { EXPECT_TRUE(ud::PickFromList(d.combo, "NJ")); },
                  "NJ",
                  {2}},
        ComboCase{"ClickedAmongTheEntriesOfferedWhileTyping",
                  true,
                  [](ComboDialog&) {
                      ud::Type("n");
                      EXPECT_TRUE(ud::PickFromOpenList("NY"));
                  },
                  "NY",
                  {3}},
        ComboCase{"ConfirmedAmongTheEntriesOfferedWithEnter",
                  true,
                  [](ComboDialog& d) {
                      ud::Type("n");
                      ud::Key(Qt::Key_Down);
                      ud::Enter();
                      EXPECT_EQ(QApplication::focusWidget(), d.combo); // the first Enter picks
                  },
                  "NJ",
                  {2}},
        ComboCase{"SteppedToWithTheDownArrow", true, [](ComboDialog&) { ud::Key(Qt::Key_Down); }, "NJ", {2}},
        ComboCase{"CompletedOnlyInTheCaseTyped",
                  false,
                  [](ComboDialog&) {
                      ud::Type("n");
                      ud::Tab();
                  },
                  "n",
                  {}},
        ComboCase{"CompletedInTheBoxAndLeft",
                  false,
                  [](ComboDialog&) {
                      ud::Type("N");
                      ud::Tab();
                  },
                  "NJ",
                  {}},
        ComboCase{"AnEntryTypedInOtherCaseLeftWithoutOffers",
                  false,
                  [](ComboDialog&) {
                      ud::Type("nj");
                      ud::Tab();
                  },
                  "nj",
                  {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScriptedUiTest, ComboBoxLeftUnchangedKeepsAShownValueThatNoEntryReadsLike)
{
    ComboDialog d;
    d.changes = 0;
    ui::showText(d.combo, "nj");
    const int shown = d.changes;
    ud::ClickInto(d.combo);
    ud::Tab();
    ud::ClickInto(d.combo);
    ud::ClickInto(d.next);
    EXPECT_EQ(d.combo->currentText(), "nj");
    EXPECT_EQ(d.changes, shown);
    EXPECT_TRUE(d.picks.isEmpty());
}
