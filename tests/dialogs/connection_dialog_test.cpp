// The connection dialog as the user works it: loading, the fields each
// provider enables, Apply and Cancel, Enter and focus.

#include "ConnectionDialogFixture.h"

#include <QApplication>
#include <QKeyEvent>

namespace {

CDataConnection odbcProfile()
{
    CDataConnection c;
    c.SetProvider(QStringLiteral("MSDASQL"));
    c.SetDSN(QStringLiteral("Calls"));
    c.SetUserID(QStringLiteral("ann"));
    c.SetPwd(QStringLiteral("pw"));
    c.SetDriver(QStringLiteral("PostgreSQL Unicode"));
    c.SetServer(QStringLiteral("db.office"));
    c.SetDatabase(QStringLiteral("dnc"));
    c.MakeConnectionString();
    return c;
}

} // namespace

TEST_F(ConnectionDialogTest, LoadingShowsTheProfileAndTheFiveProviders)
{
    CDataConnection c = odbcProfile();
    frmMakeConnection form;
    form.SetComponent(&c);
    form.Form_Load();
    EXPECT_EQ(items(form.txtProvider),
              (QStringList{QStringLiteral("Microsoft.Jet.OLEDB.4.0"), QStringLiteral("MSDASQL"),
                           QStringLiteral("SQLOLEDB"), QStringLiteral("MSDAORA"),
                           QStringLiteral("Microsoft Visual FoxPro (DBF)")}));
    EXPECT_EQ(QStringList({form.txtProvider->currentText(), form.cboDSNList->currentText(),
                           form.txtUID->text(), form.txtPWD->text(), form.txtDatabase->text(),
                           form.cboDrivers->currentText(), form.txtServer->text()}),
              QStringList({QStringLiteral("MSDASQL"), QStringLiteral("Calls"), QStringLiteral("ann"),
                           QStringLiteral("pw"), QStringLiteral("dnc"), QStringLiteral("PostgreSQL Unicode"),
                           QStringLiteral("db.office")}));
    EXPECT_EQ(form.txtPWD->echoMode(), QLineEdit::Password);
    // Nothing is disabled until a provider is picked or left.
    EXPECT_TRUE(form.cboDSNList->isEnabled() && form.cboDrivers->isEnabled() && form.txtServer->isEnabled() &&
                form.cmdBroswer->isEnabled() && form.txtUID->isEnabled());
}

TEST_F(ConnectionDialogTest, EachProviderEnablesItsFields)
{
    // provider -> DSN list, driver list, server, browse, user
    const std::pair<const char*, QString> table[] = {
        {"SQLOLEDB", QStringLiteral("NNYNY")},
        {"MSDAORA", QStringLiteral("NNYNY")},
        {"MSDASQL", QStringLiteral("YYYNY")},
        {"Microsoft.Jet.OLEDB.4.0", QStringLiteral("NNNYN")},
        {"Microsoft Visual FoxPro (DBF)", QStringLiteral("NNNYN")},
    };
    CDataConnection c;
    frmMakeConnection form;
    form.SetComponent(&c);
    form.show();
    QApplication::setActiveWindow(&form);
    auto state = [&form] {
        QString s;
        for (QWidget* w : {static_cast<QWidget*>(form.cboDSNList), static_cast<QWidget*>(form.cboDrivers),
                           static_cast<QWidget*>(form.txtServer), static_cast<QWidget*>(form.cmdBroswer),
                           static_cast<QWidget*>(form.txtUID)})
            s += w->isEnabled() ? QLatin1Char('Y') : QLatin1Char('N');
        return s;
    };
    for (const auto& [provider, expected] : table) {
        pick(form.txtProvider, QString::fromUtf8(provider));
        EXPECT_EQ(state(), expected) << provider;
        EXPECT_TRUE(form.txtDatabase->isEnabled() && form.txtPWD->isEnabled());
    }

    // An unknown provider typed in enables everything once the box is left.
    form.txtProvider->setFocus(Qt::OtherFocusReason);
    form.txtProvider->setEditText(QStringLiteral("PostgresNative"));
    EXPECT_EQ(state(), QStringLiteral("NNNYN"));
    form.txtDatabase->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(state(), QStringLiteral("YYYYY"));
}

TEST_F(ConnectionDialogTest, ApplyCopiesTheFieldsAsTyped)
{
    CDataConnection c;
    scripted.expectModal(
        [](QDialog* dialog) {
            auto* form = static_cast<frmMakeConnection*>(dialog);
            form->txtProvider->setEditText(QStringLiteral("msdasql"));
            form->cboDSNList->setEditText(QStringLiteral("Calls"));
            form->txtUID->setText(QStringLiteral("ann"));
            form->txtPWD->setText(QStringLiteral("p w"));
            form->txtDatabase->setText(QStringLiteral("dnc"));
            form->cboDrivers->setEditText(QStringLiteral("drv"));
            form->txtServer->setText(QStringLiteral("srv"));
            form->cmdOK->click();
            EXPECT_FALSE(form->isVisible());
            return form->result();
        },
        QStringLiteral("frmMakeConnection"));
    c.ShowMe(1);
    EXPECT_EQ(QStringList({c.Provider(), c.DSN(), c.UserID(), c.Pwd(), c.Database(), c.Driver(), c.Server()}),
              QStringList({QStringLiteral("msdasql"), QStringLiteral("Calls"), QStringLiteral("ann"),
                           QStringLiteral("p w"), QStringLiteral("dnc"), QStringLiteral("drv"),
                           QStringLiteral("srv")}));
    // A provider in the wrong case gives the program no string to use.
    EXPECT_EQ(c.ConnectionString(), QString());
}

TEST_F(ConnectionDialogTest, CancelAndTheCloseBoxChangeNothing)
{
    CDataConnection c = odbcProfile();
    const QString before = c.ConnectionString();
    for (bool closeBox : {false, true}) {
        scripted.expectModal([closeBox](QDialog* dialog) {
            auto* form = static_cast<frmMakeConnection*>(dialog);
            form->txtServer->setText(QStringLiteral("changed"));
            closeBox ? (void)form->close() : form->cmdCancel->click();
            EXPECT_FALSE(form->isVisible());
            return form->result();
        });
        c.ShowMe(1);
        EXPECT_EQ(c.Server(), QStringLiteral("db.office"));
        EXPECT_FALSE(c.IsDirty());
        EXPECT_EQ(c.ConnectionString(), before);
    }
}

TEST_F(ConnectionDialogTest, EnterAndPickingMoveToTheNextFieldWhichSelectsAll)
{
    odbcFiles.writeUser("[Calls]\nDriver=PostgreSQL Unicode\n");
    CDataConnection c = odbcProfile();
    frmMakeConnection form;
    form.SetComponent(&c);
    form.show();
    QApplication::setActiveWindow(&form);
    pick(form.txtProvider, QStringLiteral("MSDASQL"));

    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    form.txtUID->setFocus(Qt::OtherFocusReason);
    QApplication::sendEvent(form.txtUID, &enter);
    EXPECT_TRUE(form.txtPWD->hasFocus());
    QApplication::processEvents();
    EXPECT_EQ(form.txtPWD->selectedText(), QStringLiteral("pw"));
    EXPECT_TRUE(form.isVisible()) << "Enter must not press a button";

    // In a list box Enter moves on too, without adding the typed text to the list.
    const int count = form.cboDSNList->count();
    form.cboDSNList->setFocus(Qt::OtherFocusReason);
    form.cboDSNList->setEditText(QStringLiteral("Typed"));
    QApplication::sendEvent(QApplication::focusWidget(), &enter);
    EXPECT_TRUE(form.txtUID->hasFocus());
    EXPECT_EQ(form.cboDSNList->count(), count);

    form.cboDSNList->setFocus(Qt::OtherFocusReason);
    pick(form.cboDSNList, QStringLiteral("Calls"));
    EXPECT_TRUE(form.txtUID->hasFocus());
}
