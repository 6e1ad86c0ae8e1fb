// A FoxPro table whose file name holds a blank (first too) or a closing bracket:
// the table made by an independent tool is counted, viewed and scrubbed.

#include "MainWindowFixture.h"

#include "records/CDataTypeInfo.h"
#include "screens/frmViewData.h"
#include "support/UserDrive.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

class FoxProTableNames : public MainWindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(FoxProTableNames, OpenInTheViewer)
{
    const QString folder = home.filePath(QStringLiteral("lists")) + QLatin1Char('/');
    QDir().mkpath(folder);
    const QString table = QString::fromUtf8(GetParam());
    ASSERT_TRUE(mwtest::MakeDbf(folder + table, QStringLiteral("NAME C(10); PHONE C(12)"),
                                {QStringLiteral("Ann|2015551234"), QStringLiteral("Bo|9735550000"),
                                 QStringLiteral("Cy|2125550000")}));
    {
        mwtest::Db d(databasePath());
        d.exec(
            QStringLiteral("insert into DataTypeInfo (DataType, DataDSN, DataDBName, DataTableName, "
                           "DataFieldName, DataAreaName, DataMarkName, IsTitleFirstLine, Delimited) values "
                           "('FOXPRO', '(None)', '%1', '%2', 'PHONE', '', 'PHONE', 1, 1)")
                .arg(folder, QString(table).replace(QLatin1Char('\''), QStringLiteral("''"))));
    }
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    mwtest::ctl(form).OptPhoneType(2)->click();
    ASSERT_EQ(mwtest::ctl(form).DataTableName->currentText(), table);
    EXPECT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QStringLiteral("3"));

    QString records;
    scripted.expectModal(
        [&records](QDialog* dialog) {
            auto* viewer = qobject_cast<frmViewData*>(dialog);
            if (viewer) records = viewer->lblRecords->text();
            dialog->close();
            return 0;
        },
        QStringLiteral("frmViewData"));
    userdrive::ClickInto(mwtest::ctl(form).cmdViewData);
    EXPECT_EQ(records, QStringLiteral("Records:1 - 3 of 3"));

    scripted.expectMsgBox(ui::vbYes, QStringLiteral("Are you sure want to start?"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("3 Not in DNC List"));
    userdrive::ClickInto(mwtest::ctl(form).cmdStart);
}

INSTANTIATE_TEST_SUITE_P(MainWindow, FoxProTableNames,
                         ::testing::Values("calls.dbf", "my calls.dbf", "calls]2.dbf", "my [calls].dbf",
                                           " calls.dbf"),
                         [](const auto& info) { return "Name" + std::to_string(info.index); });
