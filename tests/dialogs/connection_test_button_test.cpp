// "Test Connection" succeeds only when the connection the program will use
// opens; it never creates a file nor changes the profile. And browsing.

#include "ConnectionDialogFixture.h"

#include <QFile>
#include <QTemporaryDir>
#include <sqlite3.h>

namespace {

class ConnectionTestButton : public ConnectionDialogTest {
protected:
    void SetUp() override
    {
        ConnectionDialogTest::SetUp();
        profile.SetDatabase(kept());
        profile.MakeConnectionString();
        form.SetComponent(&profile);
        form.Form_Load();
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(good()).constData(), &db);
        sqlite3_exec(db, "CREATE TABLE DefProperty (ID INTEGER PRIMARY KEY)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    void TearDown() override
    {
        EXPECT_EQ(profile.Database(), kept());
        EXPECT_FALSE(profile.IsDirty());
        ConnectionDialogTest::TearDown();
    }

    QString kept() const { return dir.filePath(QStringLiteral("Kept.mdb")); }
    QString good() const { return dir.filePath(QStringLiteral("Tervala.mdb")); }
    void expectFailure(const QString& contains)
    {
        scripted.expectMsgBox(ui::vbOK, contains, ui::vbCritical);
        form.cmdConnection->click();
        EXPECT_TRUE(
            scripted.calls().back().text.startsWith(QStringLiteral("Test Connection is failed!\r\nError:")));
        EXPECT_TRUE(scripted.calls().back().text.endsWith(QLatin1Char(')')));
    }

    QTemporaryDir dir;
    CDataConnection profile;
    frmMakeConnection form;
};

} // namespace

TEST_F(ConnectionTestButton, GoodJetFileSucceeds)
{
    form.txtDatabase->setText(good());
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Test Connection is succeeded"), ui::vbInformation);
    form.cmdConnection->click();
}

TEST_F(ConnectionTestButton, MissingOrEmptyJetFileFailsAndNothingIsCreated)
{
    const QString missing = dir.filePath(QStringLiteral("Missing.mdb"));
    form.txtDatabase->setText(missing);
    expectFailure(QStringLiteral("Missing.mdb"));
    EXPECT_FALSE(QFile::exists(missing));

    form.txtDatabase->clear();
    expectFailure(QStringLiteral("Test Connection is failed!"));
}

TEST_F(ConnectionTestButton, DatabasePasswordFailsClearly)
{
    form.txtDatabase->setText(good());
    form.txtPWD->setText(QStringLiteral("secret"));
    expectFailure(QStringLiteral("password"));
}

TEST_F(ConnectionTestButton, OracleFailsSayingThereIsNoDriver)
{
    form.txtProvider->setEditText(QStringLiteral("MSDAORA"));
    form.txtServer->setText(QStringLiteral("orcl"));
    expectFailure(QStringLiteral("no Oracle driver"));
}

TEST_F(ConnectionTestButton, ProvidersTheProgramCannotUseFailEvenOnAGoodFile)
{
    form.txtDatabase->setText(good());
    // The dialog's own string for these opens the file, but the program
    // would get no string at all.
    for (const QString& provider :
         {QStringLiteral("microsoft.jet.oledb.4.0"), QStringLiteral("Microsoft Visual FoxPro (DBF)")}) {
        form.txtProvider->setEditText(provider);
        EXPECT_FALSE(form.MakeConnectionString().isEmpty());
        expectFailure(provider);
    }
}

TEST_F(ConnectionTestButton, BrowsePutsTheChosenFileIntoDatabase)
{
    scripted.expectOpenFile(QStringLiteral("/data/Other.mdb"),
                            QStringLiteral("Open Microsoft Access Database"));
    form.cmdBroswer->click();
    EXPECT_EQ(form.txtDatabase->text(), QStringLiteral("/data/Other.mdb"));
    const ui::FileDialogRequest request = scripted.calls()[0].request;
    EXPECT_EQ(request.filter, QStringLiteral("Microsoft Access MDBs (*.mdb)|*.mdb|All Files (*.*)|*.*"));
    EXPECT_EQ(request.fileName, kept());
    EXPECT_TRUE(request.flags & ui::cdlOFNFileMustExist);

    scripted.expectOpenFile(std::nullopt);
    form.cmdBroswer->click();
    EXPECT_EQ(form.txtDatabase->text(), QStringLiteral("/data/Other.mdb"));
}
