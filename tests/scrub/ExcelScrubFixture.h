#pragma once
// Workbook scrubs against the text scrubs' small DNC store (phone201 holds
// 5551234 and 5559999, phone973 holds 1234567): a calling list written as an
// .xlsx workbook in the temporary folder, a job on its sheet "Calls", and
// reading the saved workbook back.

#include "TextScrubFixture.h"

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
        xjob.workbookPath = folder + QStringLiteral("calls.xlsx");
        xjob.sheetName = QStringLiteral("Calls");
        xjob.titleFirstLine = true;
        xjob.phoneColumn = 2;
        xjob.markColumn = 3;
        xjob.settings = job.settings;
    }

    void writeBook(const Rows& rows)
    {
        files::XlsxWriter::write(xjob.workbookPath, {{"Calls", rows}, {"Notes", {{vb::Variant("kept")}}}});
    }

    // Rows 1 to the used range's last row of a sheet of the saved workbook,
    // each cell as text, "" for an empty cell.
    QList<QStringList> sheetText(const QString& sheet = QStringLiteral("Calls")) const
    {
        files::Workbook wb;
        wb.open(xjob.workbookPath);
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
        return QCryptographicHash::hash(scrubtest::Read(xjob.workbookPath), QCryptographicHash::Sha256);
    }

    scrub::ExcelScrubResult runExcel()
    {
        scripted.expectMsgBox(ui::vbOK, QStringLiteral("Action is finished!"), ui::vbInformation);
        return scrub::ScrubExcelSheet(xjob, view, dnc);
    }

    // Runs the scrub, expecting one message of the given style and text.
    scrub::ExcelScrubResult runStopped(const QString& messageContains, int style)
    {
        scripted.expectMsgBox(ui::vbOK, messageContains, style);
        return scrub::ScrubExcelSheet(xjob, view, dnc);
    }

    scrub::ExcelScrubJob xjob;
};
