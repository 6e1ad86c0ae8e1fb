// The options dialog's buttons, and the connection settings it edits: the
// settings file is written only when the connection string changed.

#include "OptionsFixture.h"
#include "dialogs/frmMakeConnection.h"
#include "support/UserDrive.h"

#include <QAbstractButton>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

namespace {

class OptionsDialog : public OptionsTest {
protected:
    // The connection dialog, answered by `edit` and then Apply or Cancel.
    void expectConnectionDialog(std::function<void(frmMakeConnection*)> edit, bool apply = true)
    {
        scripted.expectModal(
            [edit, apply](QDialog* dialog) {
                auto* form = static_cast<frmMakeConnection*>(dialog);
                edit(form);
                (apply ? form->cmdOK : form->cmdCancel)->click();
                return form->result();
            },
            QStringLiteral("frmMakeConnection"));
        form.AdminCP.at(0)->click();
    }

    frmOptions form;
};

} // namespace

TEST_F(OptionsDialog, ThreeButtonsInOrderAndCloseCloses)
{
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Options Panel"));
    EXPECT_EQ(form.AdminCP.at(0)->text(), QStringLiteral("Database"));
    EXPECT_EQ(form.AdminCP.at(2)->text(), QStringLiteral("Close"));
    EXPECT_EQ(form.AdminCP.at(5)->text(), QStringLiteral("Compact Database"));
    EXPECT_EQ(form.AdminCP.at(0)->nextInFocusChain(), form.AdminCP.at(2));
    EXPECT_EQ(form.AdminCP.at(2)->nextInFocusChain(), form.AdminCP.at(5));
    userdrive::Activate(&form);
    // The focused button shows a mark (Enter presses it); the others none.
    form.AdminCP.at(0)->setFocus();
    const QImage unfocused = form.AdminCP.at(2)->grab().toImage();
    form.AdminCP.at(2)->setFocus();
    EXPECT_NE(form.AdminCP.at(2)->grab().toImage(), unfocused);
    form.AdminCP.at(2)->click();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(OptionsDialog, UnchangedStringWritesNothingEvenWhenAFieldChanged)
{
    const QString before = gConnectionString;
    expectConnectionDialog([](frmMakeConnection*) {});
    expectConnectionDialog([](frmMakeConnection* f) { f->txtServer->setText(QStringLiteral("unused")); });
    expectConnectionDialog([](frmMakeConnection* f) { f->txtDatabase->setText(QStringLiteral("/x.mdb")); },
                           false);
    EXPECT_EQ(gOption->ODBCServer(), QStringLiteral("unused"));
    EXPECT_EQ(gConnectionString, before);
    EXPECT_FALSE(QFile::exists(iniPath()));
}

TEST_F(OptionsDialog, ANewDatabaseIsUsedAndSaved)
{
    const QString other = home.filePath(QStringLiteral("Other.mdb"));
    expectConnectionDialog([other](frmMakeConnection* f) { f->txtDatabase->setText(other); });
    EXPECT_EQ(gConnectionString, QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=") + other);
    EXPECT_EQ(gDataAccess->DefaultConnectionString(), gConnectionString);
    const QByteArray ini = readFile(iniPath());
    EXPECT_TRUE(ini.contains("ODBCDatabase=" + other.toUtf8())) << ini.constData();
    EXPECT_TRUE(ini.contains("ODBCProvider=Microsoft.Jet.OLEDB.4.0"));
}
