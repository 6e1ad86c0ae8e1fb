// The connection dialog's list boxes as a user works them with the keys: a
// data source typed and left moves on once, like a data source picked.

#include "ConnectionDialogFixture.h"
#include "support/UserDrive.h"

#include <QApplication>
#include <functional>

namespace ud = userdrive;

struct DsnCase {
    const char* name;
    std::function<void(frmMakeConnection&)> user; // with the focus in the DSN box
};

inline void PrintTo(const DsnCase& c, std::ostream* os)
{
    *os << c.name;
}

class ConnectionDsnBox : public ConnectionDialogTest, public ::testing::WithParamInterface<DsnCase> {};

TEST_P(ConnectionDsnBox, MovesOnToTheUserBoxWithItsTextSelected)
{
    odbcFiles.writeUser("[Calls]\nDriver=PostgreSQL Unicode\n[Sales]\nDriver=PostgreSQL Unicode\n");
    CDataConnection c;
    c.SetProvider(QStringLiteral("MSDASQL"));
    c.SetDSN(QStringLiteral("Calls"));
    c.SetUserID(QStringLiteral("ann"));
    c.SetPwd(QStringLiteral("pw"));
    c.MakeConnectionString();
    frmMakeConnection form;
    form.SetComponent(&c);
    ud::Activate(&form);
    ASSERT_GE(form.cboDSNList->findText(QStringLiteral("Sales")), 0);

    ud::ClickInto(form.cboDSNList);
    GetParam().user(form);
    EXPECT_EQ(form.cboDSNList->currentText(), QStringLiteral("Sales"));
    EXPECT_EQ(QApplication::focusWidget(), form.txtUID);
    EXPECT_EQ(form.txtUID->selectedText(), QStringLiteral("ann"));
    EXPECT_TRUE(form.isVisible());
}

INSTANTIATE_TEST_SUITE_P(Dialogs, ConnectionDsnBox,
                         ::testing::Values(DsnCase{"TypedAndLeftWithTab",
                                                   [](frmMakeConnection&) {
                                                       ud::Type("Sales");
                                                       ud::Tab();
                                                   }},
                                           DsnCase{"TypedAndEntered",
                                                   [](frmMakeConnection&) {
                                                       ud::Type("Sales");
                                                       ud::Enter();
                                                   }},
                                           DsnCase{"PickedFromTheList",
                                                   [](frmMakeConnection& form) {
                                                       ASSERT_TRUE(
                                                           ud::PickFromList(form.cboDSNList, "Sales"));
                                                   }}),
                         [](const auto& info) { return std::string(info.param.name); });
