// The workbook reader on arbitrary bytes: the xlsx package (zip, parts,
// shared strings, styles, sheets) or, built as fuzz_xls, the .xls path.
// Every sheet is read whole; an xlsx sheet is also changed and saved, so
// the rewrite of what was read is exercised too.

#include "FuzzSupport.h"
#include "platform/files/Workbook.h"

#ifndef FUZZ_WORKBOOK_NAME
#define FUZZ_WORKBOOK_NAME "book.xlsx"
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzz::WriteInput(QStringLiteral(FUZZ_WORKBOOK_NAME), data, size);
    fuzz::Answered([&] {
        files::Workbook wb;
        wb.open(path);
        for (int s = 0; s < wb.sheetCount() && s < 8; ++s) {
            files::Worksheet& sheet = wb.sheet(s);
            const files::CellRange r = sheet.usedRange();
            const int lastRow = std::min(r.lastRow, r.firstRow + 200);
            const int lastColumn = std::min(r.lastColumn, r.firstColumn + 50);
            for (int row = r.firstRow; row >= 1 && row <= lastRow; ++row)
                for (int col = r.firstColumn; col >= 1 && col <= lastColumn; ++col) {
                    sheet.value(row, col);
                    sheet.formula(row, col);
                }
            if (!wb.isReadOnly() && !r.isEmpty()) {
                sheet.setValue(r.firstRow, r.firstColumn, vb::Variant(QStringLiteral("x")));
                if (r.lastRow > r.firstRow) sheet.deleteRows(r.firstRow + 1);
            }
        }
        if (!wb.isReadOnly()) wb.save();
    });
    return 0;
}
