// A user's road with a workbook: start-up with a DNC store, the source panel
// on an .xlsx calling list, Start with the found rows deleted, and
// afterwards the saved workbook, the result files, the backup and the
// record count the panel shows.

#include "EndToEndFixture.h"

#include "files/WorkbookBiff.h"
#include "files/WorkbookSupport.h"

#include "platform/files/Workbook.h"
#include "platform/files/XlsxWriter.h"
#include "platform/vb/Conversion.h"
#include "platform/widgets/StatusBar.h"
#include "support/SheetLoadWatch.h"

namespace {

using e2e::choose;

TEST_F(EndToEndTest, ScrubAWorkbookDeletingTheRowsOfTheNumbersFound)
{
    storeScrubOptions();
    {
        mwtest::Db db(databasePath());
        db.exec(QStringLiteral("create table phone201 (phone INTEGER NOT NULL PRIMARY KEY)"));
        db.exec(QStringLiteral("insert into phone201 values (5551234), (5559999)"));
        // What the Excel wizard stored: the workbook, its sheet, a title row.
        db.exec(QStringLiteral("insert into DataTypeInfo (DataType, DataDSN, DataDBName, DataTableName, "
                               "IsTitleFirstLine, Delimited) values ('EXCEL', '(None)', '%1calls.xlsx', "
                               "'Calls', 1, 0)")
                    .arg(work));
    }
    using vb::Variant;
    files::XlsxWriter::write(work + QStringLiteral("calls.xlsx"), {{"Calls",
                                                                    {{"Name", "Phone", "Status"},
                                                                     {"Ann", 2015551234.0, "new"},
                                                                     {"Bob", "(201) 555-9999", "new"},
                                                                     {"Cy", "2015550000", "new"}}},
                                                                   {"Notes", {{"kept"}}}});
    const QByteArray original = mwtest::ReadFile(work + QStringLiteral("calls.xlsx"));

    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    mwtest::ctl(form).OptPhoneType(3)->click();
    ASSERT_EQ(mwtest::ctl(form).DataTableName->currentText(), QStringLiteral("Calls"));
    ASSERT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QStringLiteral("3"));
    choose(mwtest::ctl(form).cboPhoneDataField, QStringLiteral("Phone - (B)"));
    choose(mwtest::ctl(form).cboMarkField, QStringLiteral("Status - (C)"));
    mwtest::ctl(form).chkOptions->setChecked(true);

    testsupport::SheetLoadWatch loads(form);
    loads.mark();
    testsupport::DrawnTexts status(mwtest::ctl(form).sbStatusBar->Panel(1));
    testsupport::TickingClock ticking(0.2, clock);
    vb::SetClock(&ticking);
    scripted.expectMsgBox(ui::vbYes, QStringLiteral("Are you sure want to start?"),
                          ui::vbYesNo | ui::vbQuestion);
    scripted.expectMsgBox(
        ui::vbOK,
        QStringLiteral("Action is finished!\r\n1 Not in DNC List; 2(66.67%) in DNC List; 0 Null Numbers "),
        ui::vbInformation);
    mwtest::ctl(form).cmdStart->click();
    vb::SetClock(&clock);
    // The workbook was read with the window drawn disabled, under the
    // hourglass, and drawn again while it was read and saved.
    ASSERT_FALSE(loads.seen.empty());
    EXPECT_TRUE(loads.seen.front().hourglass);
    EXPECT_TRUE(loads.seen.front().drawnSinceMark);
    EXPECT_TRUE(status.drawn.contains("Reading the workbook ...") &&
                status.drawn.contains("Saving the workbook ..."))
        << status.drawn.join(" / ").toStdString();

    EXPECT_TRUE(mwtest::ctl(form).cmdStart->isEnabled());
    EXPECT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QStringLiteral("1"));
    files::Workbook wb;
    wb.open(work + QStringLiteral("calls.xlsx"));
    files::Worksheet& calls = *wb.sheet(QStringLiteral("Calls"));
    EXPECT_EQ(calls.usedRange().lastRow, 2);
    EXPECT_EQ(calls.value(1, 2).text(), QStringLiteral("Phone"));
    EXPECT_EQ(calls.value(2, 1).text(), QStringLiteral("Cy"));
    EXPECT_EQ(wb.sheet(QStringLiteral("Notes"))->value(1, 1).text(), QStringLiteral("kept"));
    wb.close();
    EXPECT_EQ(mwtest::ReadFile(work + QStringLiteral("B070302142530calls.xlsx")), original);
    EXPECT_EQ(mwtest::ReadFile(work + QStringLiteral("ok.txt")),
              QByteArray("Numbers Not In DNC List\r\n2015550000\r\n"));
    EXPECT_EQ(mwtest::ReadFile(work + QStringLiteral("dnc.txt")),
              QByteArray("Numbers In DNC List, Remove Time\r\n2015551234,3/2/2007 2:25:30 PM\r\n"
                         "2015559999,3/2/2007 2:25:30 PM\r\n"));
    EXPECT_EQ(mwtest::ctl(form).sbStatusBar->PanelText(1),
              QStringLiteral("1 Not in DNC List; 2(66.67%) in DNC List; 0 Null Numbers "));
    EXPECT_EQ(QDir(work).entryList(QDir::Files, QDir::Name),
              (QStringList{"B070302142530calls.xlsx", "calls.xlsx", "dnc.txt", "ok.txt"}));
    form->close();
}

// A workbook the scrub refuses gets no backup copy: an .xls one (read only),
// one whose formulas refer to the rows a delete would move, or a protected sheet.
struct RefusedBook {
    const char* name;
    const char* file;
    const char* message;
};

class RefusedWorkbookTest : public EndToEndTest, public ::testing::WithParamInterface<RefusedBook> {};

TEST_P(RefusedWorkbookTest, ARefusedWorkbookGetsNoBackupCopy)
{
    const RefusedBook& c = GetParam();
    const QString file = QString::fromLatin1(c.file);
    storeScrubOptions();
    {
        mwtest::Db db(databasePath());
        db.exec(QStringLiteral("create table phone201 (phone INTEGER NOT NULL PRIMARY KEY)"));
        db.exec(QStringLiteral("insert into DataTypeInfo (DataType, DataDSN, DataDBName, DataTableName, "
                               "IsTitleFirstLine, Delimited) values ('EXCEL', '(None)', '%1%2', "
                               "'Calls', 1, 0)")
                    .arg(work, file));
    }
    if (file.endsWith(QStringLiteral(".xls"))) {
        const QByteArray cells = wbtest::Biff::labelSst(0, 0, 0) + wbtest::Biff::labelSst(0, 1, 1) +
                                 wbtest::Biff::number(1, 1, 15, 2015551234.0);
        const QByteArray book = wbtest::biffWorkbook({QStringLiteral("Name"), QStringLiteral("Phone")},
                                                     {{QStringLiteral("Calls"), 2, 2, cells}});
        mwtest::WriteFile(work + file, wbtest::compoundFile(QStringLiteral("Workbook"), book));
    } else {
        const bool locked = file == u"protected.xlsx";
        wbtest::Package package;
        package.sheets = {
            {QStringLiteral("Calls"),
             wbtest::sheetXml(
                 QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Name</t></is></c>"
                                "<c r=\"B1\" t=\"inlineStr\"><is><t>Phone</t></is></c>%1</row>"
                                "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>Ann</t></is></c>"
                                "<c r=\"B2\"><v>2015551234</v></c></row>")
                     .arg(locked ? "" : "<c r=\"C1\"><f>COUNTA(B2:B9)</f><v>1</v></c>"),
                 {}, locked ? QStringLiteral("<sheetProtection sheet=\"1\"/>") : QString())}};
        wbtest::writePackage(work + file, package);
    }

    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    mwtest::ctl(form).OptPhoneType(3)->click();
    ASSERT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QStringLiteral("1"));
    choose(mwtest::ctl(form).cboPhoneDataField, QStringLiteral("Phone - (B)"));
    choose(mwtest::ctl(form).cboMarkField, QStringLiteral("Name - (A)"));
    mwtest::ctl(form).chkOptions->setChecked(true);

    scripted.expectMsgBox(ui::vbYes, QStringLiteral("Are you sure want to start?"),
                          ui::vbYesNo | ui::vbQuestion);
    scripted.expectMsgBox(ui::vbOK, QString::fromLatin1(c.message), ui::vbExclamation);
    mwtest::ctl(form).cmdStart->click();

    EXPECT_TRUE(mwtest::ctl(form).cmdStart->isEnabled());
    EXPECT_EQ(QDir(work).entryList(QDir::Files, QDir::Name), (QStringList{file}));
    form->close();
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, RefusedWorkbookTest,
    ::testing::Values(RefusedBook{"AnXlsWorkbook", "old.xls",
                                  "old.xls is an Excel 97-2003 (.xls) workbook, which can only be read."},
                      RefusedBook{"FormulasOverTheRowsADeleteMoves", "formula.xlsx",
                                  "The sheet Calls has formulas that refer to its data rows."},
                      RefusedBook{"AProtectedSheet", "protected.xlsx", "The sheet Calls is protected"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
