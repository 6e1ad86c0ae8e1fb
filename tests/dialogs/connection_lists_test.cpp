// The data source and driver lists of the connection dialog.

#include "ConnectionDialogFixture.h"

TEST_F(ConnectionDialogTest, ListsFollowTheDriverManager)
{
    CDataConnection c;
    c.SetDriver(QStringLiteral("Hand Typed Driver"));
    scripted.expectModal([this](QDialog* dialog) {
        auto* form = static_cast<frmMakeConnection*>(dialog);
        EXPECT_EQ(items(form->cboDSNList), QStringList{QStringLiteral("(None)")});
        EXPECT_TRUE(items(form->cboDrivers).isEmpty());
        return 0;
    });
    c.ShowMe(1);

    // Every showing reads the lists afresh.
    odbcFiles.writeUser("[Stock]\nDriver=MariaDB Unicode\n\n[calls]\nDriver=PostgreSQL Unicode\n");
    odbcFiles.writeSystem("[Archive]\nDriver=PostgreSQL Unicode\n");
    odbcFiles.writeDrivers(
        "[PostgreSQL Unicode]\nDriver=/nowhere/psqlodbcw.so\n\n[FreeTDS]\nDriver=/x/tds.so\n");
    scripted.expectModal([this](QDialog* dialog) {
        auto* form = static_cast<frmMakeConnection*>(dialog);
        EXPECT_EQ(items(form->cboDSNList), (QStringList{QStringLiteral("(None)"), QStringLiteral("Archive"),
                                                        QStringLiteral("calls"), QStringLiteral("Stock")}));
        // The data sources' drivers and the installed ones, sorted, each once.
        EXPECT_EQ(items(form->cboDrivers),
                  (QStringList{QStringLiteral("FreeTDS"), QStringLiteral("MariaDB Unicode"),
                               QStringLiteral("PostgreSQL Unicode")}));
        EXPECT_EQ(form->cboDrivers->currentText(), QStringLiteral("Hand Typed Driver"));
        EXPECT_EQ(form->cboDSNList->currentText(), QStringLiteral("(None)"));
        return 0;
    });
    c.ShowMe(1);
}
