#pragma once
// Workbook scrubs against the text scrubs' small DNC store (phone201 holds
// 5551234 and 5559999, phone973 holds 1234567): a calling list written as an
// .xlsx workbook in the temporary folder, a job on its sheet "Calls" (opened
// as the window opens it before a run), and reading the saved workbook back.

#include "TextScrubFixture.h"
#include "support/SqliteFile.h"

#include "mainwindow/RunController.h"
#include "platform/excel/Excel.h"
#include "platform/files/Workbook.h"
#include "platform/files/XlsxWriter.h"
#include "platform/vb/Conversion.h"
#include "scrub/ExcelSheetScrub.h"

#include <QCryptographicHash>

class ExcelScrubTest : public TextScrubTest {
protected:
    using Rows = QList<QList<vb::Variant>>;

    void SetUp() override
    {
        TextScrubTest::SetUp();
        workbookPath = folder + QStringLiteral("calls.xlsx");
        xjob.titleFirstLine = true;
        xjob.phoneColumn = 2;
        xjob.markColumn = 3;
        xjob.settings = job.settings;
    }

    void writeBook(const Rows& rows)
    {
        files::XlsxWriter::write(workbookPath, {{"Calls", rows}, {"Notes", {{vb::Variant("kept")}}}});
    }

    // Rows 1 to the used range's last row of a sheet of the saved workbook,
    // each cell as text, "" for an empty cell.
    QList<QStringList> sheetText(const QString& sheet = QStringLiteral("Calls")) const
    {
        files::Workbook wb;
        wb.open(workbookPath);
        files::Worksheet* ws = wb.sheet(sheet);
        QList<QStringList> out;
        if (!ws) return out;
        const files::CellRange used = ws->usedRange();
        for (int r = 1; r <= used.lastRow; ++r) {
            QStringList row;
            for (int c = 1; c <= used.lastColumn; ++c) {
                const vb::Variant v = ws->value(r, c);
                row << (v.isEmpty() ? QString() : vb::CStr(v));
            }
            out << row;
        }
        return out;
    }

    QByteArray digest() const
    {
        return QCryptographicHash::hash(scrubtest::Read(workbookPath), QCryptographicHash::Sha256);
    }

    // Opens the sheet as the window does before a run; "" or why it cannot be.
    QString openSheet()
    {
        const ListSheet opened = OpenListSheet(workbookPath, sheetName);
        xjob.sheet = opened.sheet;
        return opened.refusal;
    }

    scrub::ExcelScrubResult runExcel()
    {
        EXPECT_EQ(openSheet(), QString());
        scrub::ExcelScrubResult r = scrub::ScrubExcelSheet(xjob, view, dnc);
        scrubtest::ExpectFinished(r);
        return r;
    }

    // Runs the scrub, expecting it to stop with a refusal that holds the text.
    scrub::ExcelScrubResult runRefused(const QString& refusalContains)
    {
        EXPECT_EQ(openSheet(), QString());
        scrub::ExcelScrubResult r = scrub::ScrubExcelSheet(xjob, view, dnc);
        EXPECT_TRUE(r.refusal.contains(refusalContains)) << r.refusal.toStdString();
        EXPECT_FALSE(r.completed);
        return r;
    }

    QString workbookPath;
    QString sheetName = QStringLiteral("Calls");
    scrub::ExcelScrubJob xjob;
};
