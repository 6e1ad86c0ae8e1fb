// The password typed is the password sent: a server role whose password
// holds ";", braces, "=", quotes or blanks at its edges logs in through the
// profile's connection string and through the dialog's test, and a password
// or user name that spells another pair of the string reaches nothing else.

#include "ServerProgram.h"

#include "core/CDataConnection.h"
#include "dialogs/frmMakeConnection.h"
#include "support/ScriptedUi.h"

namespace {

QString SqlText(const QString& s)
{
    return "'" + QString(s).replace("'", "''") + "'";
}

// The profile of the program's own database as the connection dialog
// leaves it: the data source, the user, the password, the database.
void Profile(CDataConnection& p, const QString& user, const QString& password, const QString& database)
{
    p.SetProvider(QStringLiteral("MSDASQL"));
    p.SetDSN(QStringLiteral("Tervala"));
    p.SetUserID(user);
    p.SetPwd(password);
    p.SetDatabase(database);
}

struct PasswordCase {
    const char* name;
    const char* password;
    friend void PrintTo(const PasswordCase& c, std::ostream* os) { *os << c.name; }
};

class TypedPassword : public PgDatabaseTest, public ::testing::WithParamInterface<PasswordCase> {
protected:
    // A role of its own with the case's password.
    QString MakeRole()
    {
        const QString role = "typed_" + db.name;
        Psql("CREATE ROLE " + role + " LOGIN PASSWORD " + SqlText(QString::fromUtf8(GetParam().password)));
        return role;
    }
};

TEST_P(TypedPassword, LogsInThroughTheProfilesConnectionString)
{
    const QString role = MakeRole();
    CDataConnection p;
    Profile(p, role, QString::fromUtf8(GetParam().password), db.name);
    auto c = ado::Connection::Create();
    const vb::ErrObject e = ErrorOf([&] { c->Open(p.MakeConnectionString()); });
    ASSERT_EQ(e.Number, 0) << e.Description.toStdString();
    EXPECT_EQ(Rows(c, "select current_user, current_database()"), QStringList{role + "|" + db.name});
}

TEST_P(TypedPassword, PassesTheDialogsConnectionTest)
{
    const QString role = MakeRole();
    ui_test::ScopedScriptedUi ui;
    CDataConnection p;
    Profile(p, role, QString::fromUtf8(GetParam().password), db.name);
    frmMakeConnection form;
    form.SetComponent(&p);
    form.Form_Load();
    ui.scripted.expectMsgBox(ui::vbOK, QStringLiteral("Test Connection is succeeded"), ui::vbInformation);
    form.cmdConnection->click();
}

INSTANTIATE_TEST_SUITE_P(Passwords, TypedPassword,
                         ::testing::Values(PasswordCase{"Semicolon", "pa;ss"},
                                           PasswordCase{"Braces", "}{x}}{"},
                                           PasswordCase{"LeadingBrace", "{braced}"},
                                           PasswordCase{"EqualsAndQuotes", "k=v\"q'r"},
                                           PasswordCase{"LeadingQuote", "\"quoted\""},
                                           PasswordCase{"EdgeBlanks", "  blank edges  "},
                                           PasswordCase{"AnotherDatabase", "x;Database=postgres"},
                                           PasswordCase{"Everything", " ;}{=\"' \xc3\xa4 "}),
                         [](const auto& info) { return std::string(info.param.name); });

class SpelledPairs : public PgDatabaseTest {};

TEST_F(SpelledPairs, APasswordOrUserNameNamingAnotherDatabaseReachesNoOtherDatabase)
{
    // The role's password is "x": a password typed as "x;Database=other"
    // would log it in to the other database if it ended its pair early.
    const QString plain = "plain_" + db.name;
    Psql("CREATE ROLE " + plain + " LOGIN PASSWORD 'x'");
    const QString other = db.name + "_other";
    ASSERT_TRUE(server->createDatabase(other));
    for (const auto& [user, password] : {std::pair<QString, QString>{plain, "x;Database=" + other},
                                         std::pair<QString, QString>{plain + ";Database=" + other, "x"}}) {
        CDataConnection p;
        Profile(p, user, password, QString());
        auto c = ado::Connection::Create();
        const vb::ErrObject e = ErrorOf([&] { c->Open(p.MakeConnectionString()); });
        EXPECT_TRUE(e.Description.contains(QStringLiteral("password authentication failed")))
            << user.toStdString() << " / " << password.toStdString() << ": " << e.Description.toStdString();
        if (c->State() == ado::adStateOpen)
            ADD_FAILURE() << "logged in to " << Rows(c, "select current_database()").join(' ').toStdString();
    }
}

// The program starts on a profile whose password holds what the settings
// file keeps as it stands.
class TypedPasswordProgram : public ServerProgramTest {};

TEST_F(TypedPasswordProgram, StartsOnAProfileWhosePasswordHoldsSemicolonsBracesAndQuotes)
{
    const QString password = QStringLiteral("a;b}c{d=e\"f'g");
    // A member of the owner's role works on its tables.
    const QString desk = "desk_" + db.name;
    db.Psql("CREATE ROLE " + desk + " LOGIN PASSWORD " + SqlText(password) + " IN ROLE " +
            testsupport::PgServer::kUser);
    mwtest::WriteFile(iniPath(), QStringLiteral("[ODBC]\nODBCProvider=MSDASQL\nODBCDSN=Tervala\n"
                                                "ODBCUserID=%1\nODBCPWD=%2\nODBCDatabase=%3\n")
                                     .arg(desk, password, db.name)
                                     .toUtf8());
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(db.Query("select count(*) > 10 from DefProperty"), QStringList{"t"});
}

} // namespace

// A login that never came about is no lost connection: a refused password
// shows the server's reason, a server that is not there says it could not
// be reached.
TEST_F(SpelledPairs, ALoginThatFailsIsNotCalledALostConnection)
{
    server->addDataSourceText("NoServer", "[NoServer]\nDriver=" + server->driver() +
                                              "\nServername=127.0.0.1\nPort=1\nDatabase=" + db.name);
    struct Case {
        QString dsn, password, says;
    };
    for (const Case& c :
         {Case{"Tervala", "wrong", "password authentication failed"}, Case{"NoServer", "x", "127.0.0.1"}}) {
        CDataConnection p;
        Profile(p, QStringLiteral("tervala"), c.password, db.name);
        p.SetDSN(c.dsn);
        auto conn = ado::Connection::Create();
        const vb::ErrObject e = ErrorOf([&] { conn->Open(p.MakeConnectionString()); });
        EXPECT_TRUE(e.Description.contains(c.says)) << e.Description.toStdString();
        EXPECT_FALSE(e.Description.contains(QStringLiteral("lost"))) << e.Description.toStdString();
    }
}
