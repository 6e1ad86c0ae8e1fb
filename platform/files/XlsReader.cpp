// Excel 97-2003 (.xls) workbooks, read through FreeXL. FreeXL decodes the
// cells of every sheet when it opens the file; a sheet is copied into our
// grid only when it is first used. FreeXL sees a file only after XlsCheck
// has found its lengths and counts true.

#include "platform/files/WorkbookData.h"
#include "platform/files/XlsCheck.h"
#include "platform/vb/Err.h"
#include "platform/vb/Waiting.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QTime>
#include <freexl.h>

namespace files::detail {

namespace {

const QString kSource = QStringLiteral("Workbook");

double oleFromDate(const QDate& d, const QTime& t)
{
    const double days = static_cast<double>(QDate(1899, 12, 30).daysTo(d));
    const double frac = t.isValid() ? t.msecsSinceStartOfDay() / 86400000.0 : 0.0;
    return days >= 0 ? days + frac : days - frac;
}

void raiseProtected(const QString& file)
{
    vb::Raise(wberr::PasswordProtected, kSource,
              QStringLiteral("'%1' is protected by a password and cannot be opened.").arg(file));
}

void checkBeforeFreeXL(const QString& path, const QString& file)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        vb::Raise(vb::errnum::FileNotFound, kSource,
                  QStringLiteral("The file '%1' cannot be read.").arg(path));
    const qint64 size = f.size();
    const uchar* bytes = size > 0 ? f.map(0, size) : nullptr;
    QByteArray copy;
    if (!bytes && size > 0) { // a file system that cannot map: read it instead
        copy = f.readAll();
        bytes = reinterpret_cast<const uchar*>(copy.constData());
    }
    const XlsVerdict v = XlsCheck(QByteArrayView(bytes, bytes ? size : 0));
    if (v.kind == XlsVerdict::Encrypted) raiseProtected(file);
    if (v.kind == XlsVerdict::Damaged)
        vb::Raise(wberr::NotAWorkbook, kSource,
                  QStringLiteral("'%1' is not a readable Excel workbook (%2).").arg(file, v.damage));
}

} // namespace

void XlsOpen(BookData& book)
{
    const QString file = QFileInfo(book.path).fileName();
    checkBeforeFreeXL(book.path, file);
    const void* h = nullptr;
    const int rc = freexl_open(QFile::encodeName(book.path).constData(), &h);
    // FreeXL can report success and still hand back no workbook when the
    // records do not add up.
    if (rc != FREEXL_OK || !h) {
        if (h) freexl_close(h);
        vb::Raise(
            wberr::NotAWorkbook, kSource,
            QStringLiteral("'%1' is not a readable Excel workbook (FreeXL error %2).").arg(file).arg(rc));
    }
    unsigned int info = 0;
    if (freexl_get_info(h, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED) {
        freexl_close(h);
        raiseProtected(file);
    }
    unsigned int count = 0, version = 0;
    freexl_get_info(h, FREEXL_BIFF_SHEET_COUNT, &count);
    freexl_get_info(h, FREEXL_BIFF_VERSION, &version);
    // Every workbook Excel writes has a sheet; a stream without one is not
    // a workbook, whatever its container says.
    if (count == 0 || version == FREEXL_UNKNOWN) {
        freexl_close(h);
        vb::Raise(wberr::NotAWorkbook, kSource,
                  QStringLiteral("'%1' is not a readable Excel workbook (it holds no worksheet).").arg(file));
    }
    for (unsigned int i = 0; i < count; ++i) {
        const char* name = nullptr;
        if (freexl_get_worksheet_name(h, static_cast<unsigned short>(i), &name) != FREEXL_OK) {
            freexl_close(h);
            vb::Raise(wberr::NotAWorkbook, kSource,
                      QStringLiteral("'%1' is not a readable Excel workbook (a sheet name cannot be read).")
                          .arg(file));
        }
        SheetData s;
        s.name = QString::fromUtf8(name ? name : "");
        book.sheets.push_back(std::move(s));
    }
    book.xls = h;
}

void XlsClose(BookData& book)
{
    if (book.xls) {
        freexl_close(book.xls);
        book.xls = nullptr;
    }
}

void XlsLoadSheet(BookData& book, SheetData& s, int index)
{
    s.unload();
    const void* h = book.xls;
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(h, static_cast<unsigned short>(index)) != FREEXL_OK ||
        freexl_worksheet_dimensions(h, &rows, &columns) != FREEXL_OK)
        vb::Raise(wberr::NotAWorkbook, kSource,
                  QStringLiteral("Sheet '%1' of '%2' cannot be read.")
                      .arg(s.name, QFileInfo(book.path).fileName()));
    rows = std::min<unsigned int>(rows, kMaxRows);
    vb::LongWork reading(QStringLiteral("Reading the workbook ..."));
    for (unsigned int r = 0; r < rows; ++r, reading.Step()) {
        RowSlot slot;
        slot.origRow = r + 1;
        for (unsigned short c = 0; c < columns && c < kMaxColumns; ++c) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(h, r, c, &v) != FREEXL_OK || v.type == FREEXL_CELL_NULL) continue;
            Cell cell;
            cell.column = static_cast<std::uint16_t>(c + 1);
            switch (v.type) {
            case FREEXL_CELL_INT:
                cell.kind = CellKind::Number;
                cell.number = v.value.int_value;
                break;
            case FREEXL_CELL_DOUBLE:
                cell.kind = CellKind::Number;
                cell.number = v.value.double_value;
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
                cell.kind = CellKind::InlineString;
                cell.index = s.addText(QString::fromUtf8(v.value.text_value ? v.value.text_value : ""));
                break;
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME: {
                const QString t = QString::fromLatin1(v.value.text_value ? v.value.text_value : "");
                QDate d(1899, 12, 30);
                QTime tm(0, 0);
                if (v.type == FREEXL_CELL_DATE) {
                    d = QDate::fromString(t, QStringLiteral("yyyy-MM-dd"));
                } else if (v.type == FREEXL_CELL_DATETIME) {
                    d = QDate::fromString(t.left(10), QStringLiteral("yyyy-MM-dd"));
                    tm = QTime::fromString(t.mid(11, 8), QStringLiteral("HH:mm:ss"));
                } else {
                    tm = QTime::fromString(t.left(8), QStringLiteral("HH:mm:ss"));
                }
                if (!d.isValid() || !tm.isValid()) {
                    cell.kind = CellKind::InlineString; // keep what FreeXL gave rather than lose it
                    cell.index = s.addText(t);
                } else {
                    cell.kind = CellKind::OleDate;
                    cell.number = oleFromDate(d, tm);
                }
                break;
            }
            default:
                continue;
            }
            slot.cells.push_back(cell);
        }
        s.rows.append(std::move(slot));
    }
}

} // namespace files::detail
