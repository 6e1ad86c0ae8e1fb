#include "platform/files/Workbook.h"

#include "platform/files/WorkbookData.h"
#include "platform/vb/Err.h"

#include <QFile>
#include <QFileInfo>
#include <cctype>
#include <cmath>
#include <optional>
#include <utility>

namespace files {

using namespace detail;

namespace {

const QString kSource = QStringLiteral("Workbook");

void checkCell(int row, int column)
{
    if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns)
        vb::Raise(vb::errnum::SubscriptOutOfRange, kSource,
                  QStringLiteral("Cell (%1, %2) is outside the sheet.").arg(row).arg(column));
}

const Cell* findCell(const SheetData& s, int row, int column)
{
    if (static_cast<std::size_t>(row) > s.rows.size()) return nullptr;
    return const_cast<RowSlot&>(s.rows.at(row - 1)).find(column);
}

bool styleIsDate(BookData& book, std::uint32_t style)
{
    return style < book.xfIsDate.size() && book.xfIsDate[style];
}

enum class FileKind { Missing, Zip, Cfb, Other };

FileKind sniff(const QString& path, QByteArray& head)
{
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly)) return FileKind::Missing;
    head = f.read(8);
    if (head.startsWith(QByteArray("PK\x03\x04", 4))) return FileKind::Zip;
    if (head == QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) return FileKind::Cfb;
    return FileKind::Other;
}

// An encrypted xlsx is a compound file holding an "EncryptedPackage" stream;
// its directory entries name the streams in UTF-16.
bool cfbHoldsEncryptedPackage(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QString name = QStringLiteral("EncryptedPackage");
    const QByteArray needle(reinterpret_cast<const char*>(name.utf16()), name.size() * 2);
    QByteArray carry;
    while (!f.atEnd()) {
        QByteArray chunk = carry + f.read(1 << 20);
        if (chunk.contains(needle)) return true;
        carry = chunk.right(needle.size());
    }
    return false;
}

} // namespace

// ---------------------------------------------------------------- Worksheet

Worksheet::Worksheet(Workbook* book, int index) : m_book(book), m_index(index) {}
Worksheet::~Worksheet() = default;

SheetData& Worksheet::data() const
{
    return m_book->loadSheet(m_index);
}

QString Worksheet::name() const
{
    return m_book->d->sheets[m_index].name;
}
int Worksheet::index() const
{
    return m_index;
}
bool Worksheet::isModified() const
{
    return m_book->d->sheets[m_index].modified;
}

vb::Variant Worksheet::value(int row, int column) const
{
    checkCell(row, column);
    const SheetData& s = data();
    const Cell* c = findCell(s, row, column);
    if (!c) return {};
    BookData& book = *m_book->d;
    switch (c->kind) {
    case CellKind::Blank:
        return {};
    case CellKind::Number:
        if (styleIsDate(book, c->style)) return vb::Variant::fromDate(SerialToOle(c->number, book.date1904));
        return vb::Variant(c->number);
    case CellKind::OleDate:
        return vb::Variant::fromDate(c->number);
    case CellKind::SharedString:
        return c->index < book.sharedStrings.size() ? vb::Variant(book.sharedStrings[c->index])
                                                    : vb::Variant(QString());
    case CellKind::InlineString:
    case CellKind::RichInline:
    case CellKind::FormulaString:
    case CellKind::Error:
        return vb::Variant(s.texts[c->index]);
    case CellKind::Boolean:
        return vb::Variant(c->number != 0.0);
    case CellKind::IsoDate: {
        const QString& t = s.texts[c->index];
        QDateTime dt = QDateTime::fromString(t, Qt::ISODateWithMs);
        if (!dt.isValid()) dt = QDateTime::fromString(t, Qt::ISODate);
        if (!dt.isValid()) {
            const QDate d = QDate::fromString(t, Qt::ISODate);
            if (d.isValid()) dt = QDateTime(d, QTime(0, 0));
        }
        if (!dt.isValid()) return vb::Variant(t);
        const double days = QDate(1899, 12, 30).daysTo(dt.date());
        const double frac = dt.time().msecsSinceStartOfDay() / 86400000.0;
        return vb::Variant::fromDate(days >= 0 ? days + frac : days - frac);
    }
    }
    return {};
}

bool Worksheet::hasFormula(int row, int column) const
{
    checkCell(row, column);
    const Cell* c = findCell(data(), row, column);
    return c && c->formula != 0;
}

QString Worksheet::formula(int row, int column) const
{
    checkCell(row, column);
    const SheetData& s = data();
    const Cell* c = findCell(s, row, column);
    if (!c || c->formula == 0) return {};
    const QString& text = s.formulas[c->formula - 1].text;
    return text.isEmpty() ? QString() : QLatin1Char('=') + text;
}

CellRange Worksheet::usedRange() const
{
    const SheetData& s = data();
    if (!s.rangeValid) {
        s.range = ComputeUsedRange(s);
        s.rangeValid = true;
    }
    return s.range;
}

std::vector<Worksheet::CellRef> Worksheet::formulaCells() const
{
    const SheetData& s = data();
    std::vector<CellRef> out;
    if (s.formulas.empty()) return out;
    for (std::size_t i = 0; i < s.rows.size(); ++i)
        for (const Cell& c : s.rows.at(i).cells)
            if (c.formula != 0) out.push_back({static_cast<int>(i + 1), c.column});
    return out;
}

CellRange detail::ComputeUsedRange(const SheetData& s)
{
    CellRange r;
    for (std::size_t i = 0; i < s.rows.size(); ++i) {
        const RowSlot& slot = s.rows.at(i);
        int first = 0, last = 0;
        for (const Cell& c : slot.cells) {
            if (!c.hasContent()) continue;
            if (!first) first = c.column;
            last = c.column;
        }
        if (!first) continue;
        const int row = static_cast<int>(i + 1);
        if (r.isEmpty()) {
            r.firstRow = row;
            r.firstColumn = first;
            r.lastColumn = last;
        }
        r.lastRow = row;
        r.firstColumn = std::min(r.firstColumn, first);
        r.lastColumn = std::max(r.lastColumn, last);
    }
    return r;
}

void Worksheet::setValue(int row, int column, const vb::Variant& v)
{
    m_book->requireWritable();
    checkCell(row, column);
    SheetData& s = data();
    BookData& book = *m_book->d;

    // Work out the new content before touching the cell, so a value that
    // cannot be stored leaves everything as it was.
    Cell fresh;
    fresh.column = static_cast<std::uint16_t>(column);
    bool clear = false;
    switch (v.type()) {
    case vb::VarType::Empty:
    case vb::VarType::Null:
        clear = true;
        break;
    case vb::VarType::Boolean:
        fresh.kind = CellKind::Boolean;
        fresh.number = v.rawInt() != 0 ? 1.0 : 0.0;
        break;
    case vb::VarType::String:
        if (v.rawString().size() > kMaxCellText)
            vb::Raise(
                vb::errnum::InvalidProcedureCall, kSource,
                QStringLiteral("A text of %1 characters cannot be stored in a cell, which holds at most "
                               "%2 characters.")
                    .arg(v.rawString().size())
                    .arg(kMaxCellText));
        if (v.rawString().isEmpty()) {
            clear = true;
        } else {
            fresh.kind = CellKind::InlineString;
        }
        break;
    case vb::VarType::Date:
        fresh.kind = CellKind::Number;
        fresh.number = OleToSerial(v.rawDouble(), book.date1904);
        break;
    default: {
        const double d = v.toDouble();
        if (!std::isfinite(d))
            vb::Raise(vb::errnum::InvalidProcedureCall, kSource,
                      QStringLiteral("A number that is not finite cannot be stored in a cell."));
        fresh.kind = CellKind::Number;
        fresh.number = d;
        break;
    }
    }

    Cell* c = const_cast<Cell*>(findCell(s, row, column));
    if (!c && clear) return;
    if (c && c->formula) s.formulasDisturbed = true;
    s.modified = true;
    s.rangeValid = false;
    if (fresh.kind == CellKind::InlineString) fresh.index = s.addText(v.rawString());

    if (c) {
        fresh.style = c->style;
        fresh.extra = c->extra;
        if (clear) {
            if (c->style != 0 || c->extra != 0) {
                fresh.kind = CellKind::Blank;
                *c = fresh;
            } else {
                RowSlot& slot = s.rows.at(row - 1);
                slot.cells.erase(slot.cells.begin() + (c - slot.cells.data()));
            }
        } else {
            *c = fresh;
        }
        return;
    }
    s.ensureRows(row);
    RowSlot& slot = s.rows.at(row - 1);
    auto it = std::lower_bound(slot.cells.begin(), slot.cells.end(), column,
                               [](const Cell& x, int col) { return x.column < col; });
    slot.cells.insert(it, fresh);
}

bool Worksheet::protectsCells(int firstRow, int column) const
{
    const SheetData& s = data();
    const BookData& book = *m_book->d;
    if (!s.protectedSheet) return false;
    if (column == 0 && !s.rowDeletesAllowed) return true;
    const auto locked = [&](std::uint32_t style) {
        return style >= book.xfUnlocked.size() || !book.xfUnlocked[style];
    };
    const auto columnStyle = [&](int col) -> std::uint32_t {
        for (const auto& c : s.columnStyles)
            if (std::uint32_t(col) >= c[0] && std::uint32_t(col) <= c[1]) return c[2];
        return 0;
    };
    for (std::size_t i = std::size_t(std::max(firstRow, 1)) - 1; i < s.rows.size(); ++i) {
        const RowSlot& slot = s.rows.at(i);
        // The row's own format, when it has one, stands for its cells not written.
        std::optional<std::uint32_t> rowStyle;
        if (slot.attrs != 0) {
            QString style, custom;
            for (const auto& a : s.attrs.get(slot.attrs))
                if (a.first == u"s")
                    style = a.second;
                else if (a.first == u"customFormat")
                    custom = a.second;
            if (custom == u"1" || custom == u"true") rowStyle = style.toUInt();
        }
        if (column == 0) {
            if (rowStyle && locked(*rowStyle)) return true;
            for (const Cell& c : slot.cells)
                if (locked(c.style)) return true;
            continue;
        }
        const Cell* c = const_cast<RowSlot&>(slot).find(column);
        if (locked(c ? c->style : rowStyle ? *rowStyle : columnStyle(column))) return true;
    }
    return false;
}

QString Worksheet::rowsHeld(int firstRow, int count) const
{
    SheetData& s = data();
    BookData& book = *m_book->d;
    const std::size_t first = static_cast<std::size_t>(std::max(firstRow, 1)) - 1;
    if (book.format != WorkbookFormat::Xlsx || count < 1 || first >= s.rows.size()) return {};
    const std::size_t end = std::min<std::size_t>(s.rows.size(), first + static_cast<std::size_t>(count));
    // The rows to go, in the numbering of the file the holds were read from.
    const auto origAt = [&](std::size_t i) { return static_cast<int>(s.rows.at(i).origRow); };
    QStringList what;
    for (const RowHold& h : XlsxRowHolds(book, s)) {
        bool hit = origAt(first) <= h.last;
        if (h.cutOnly && hit) {
            // The first row to go at or below the hold's first row.
            std::size_t lo = first, hi = end;
            while (lo < hi) {
                const std::size_t mid = lo + (hi - lo) / 2;
                if (origAt(mid) < h.first)
                    lo = mid + 1;
                else
                    hi = mid;
            }
            hit = lo < end && origAt(lo) <= h.last;
        }
        if (hit && !what.contains(h.what)) what << h.what;
    }
    return what.join(QStringLiteral("; "));
}

void Worksheet::deleteRows(int firstRow, int count)
{
    m_book->requireWritable();
    if (count < 1 || firstRow < 1 || firstRow > kMaxRows || count > kMaxRows - firstRow + 1)
        vb::Raise(
            vb::errnum::SubscriptOutOfRange, kSource,
            QStringLiteral("Rows %1 to %2 are outside the sheet.").arg(firstRow).arg(firstRow + count - 1));
    const QString held = rowsHeld(firstRow, count);
    if (!held.isEmpty())
        vb::Raise(wberr::RowsHeld, kSource,
                  QStringLiteral("Rows cannot be deleted from the sheet '%1': %2 would not follow them. No "
                                 "row was deleted.")
                      .arg(name(), held));
    SheetData& s = data();
    const std::size_t first = static_cast<std::size_t>(firstRow) - 1;
    if (first >= s.rows.size()) return; // nothing below the last row: no cell moves
    const std::size_t n = std::min<std::size_t>(count, s.rows.size() - first);
    for (std::size_t k = 0; k < n; ++k)
        s.deletedOrig.push_back(s.rows.at(first + k).origRow);
    s.deletedCount += static_cast<std::uint32_t>(n);
    s.rows.erase(first, n);
    // Formula cells may have moved; their references are not rewritten, so
    // what Excel recorded about the calculation order no longer holds. (A
    // look for formulas below the deleted rows would cost a pass over the
    // sheet per deletion.)
    if (!s.formulas.empty()) s.formulasDisturbed = true;
    s.rowsDeleted = true;
    s.modified = true;
    s.rangeValid = false;
}

// ----------------------------------------------------------------- Workbook

Workbook::Workbook() : d(std::make_unique<BookData>()) {}
Workbook::~Workbook()
{
    close();
}

void Workbook::open(const QString& path)
{
    close();
    QByteArray head;
    const FileKind kind = sniff(path, head);
    const QString file = QFileInfo(path).fileName();
    if (kind == FileKind::Missing)
        vb::Raise(vb::errnum::FileNotFound, kSource,
                  QStringLiteral("The file '%1' was not found.").arg(path));
    if (kind == FileKind::Other)
        vb::Raise(
            wberr::NotAWorkbook, kSource,
            QStringLiteral("'%1' is not an Excel workbook: External table is not in the expected format.")
                .arg(file));
    if (kind == FileKind::Cfb && cfbHoldsEncryptedPackage(path))
        vb::Raise(wberr::PasswordProtected, kSource,
                  QStringLiteral("'%1' is protected by a password and cannot be opened.").arg(file));

    auto fresh = std::make_unique<BookData>();
    fresh->path = path;
    fresh->format = kind == FileKind::Zip ? WorkbookFormat::Xlsx : WorkbookFormat::Xls;
    if (fresh->format == WorkbookFormat::Xlsx)
        XlsxOpen(*fresh); // raises and cleans up after itself
    else
        XlsOpen(*fresh);
    d = std::move(fresh);
    for (std::size_t i = 0; i < d->sheets.size(); ++i)
        m_sheets.emplace_back(new Worksheet(this, static_cast<int>(i)));
}

void Workbook::close()
{
    m_sheets.clear();
    if (d->format == WorkbookFormat::Xlsx)
        XlsxClose(*d);
    else if (d->format == WorkbookFormat::Xls)
        XlsClose(*d);
    d = std::make_unique<BookData>();
}

bool Workbook::isOpen() const
{
    return d->format != WorkbookFormat::None;
}
QString Workbook::path() const
{
    return d->path;
}
WorkbookFormat Workbook::format() const
{
    return d->format;
}
WorkbookFormat Workbook::formatOnDisk(const QString& path)
{
    QByteArray head;
    switch (sniff(path, head)) {
    case FileKind::Zip:
        return WorkbookFormat::Xlsx;
    case FileKind::Cfb:
        return cfbHoldsEncryptedPackage(path) ? WorkbookFormat::None : WorkbookFormat::Xls;
    default:
        return WorkbookFormat::None;
    }
}
bool Workbook::isReadOnly() const
{
    return d->format == WorkbookFormat::Xls;
}
int Workbook::sheetCount() const
{
    return static_cast<int>(d->sheets.size());
}

QStringList Workbook::sheetNames() const
{
    QStringList names;
    for (const SheetData& s : d->sheets)
        names << s.name;
    return names;
}

int Workbook::sheetIndex(const QString& name) const
{
    for (std::size_t i = 0; i < d->sheets.size(); ++i)
        if (d->sheets[i].name.compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    return -1;
}

Worksheet& Workbook::sheet(int index)
{
    if (index < 0 || index >= sheetCount())
        vb::Raise(vb::errnum::SubscriptOutOfRange, kSource,
                  QStringLiteral("There is no sheet %1.").arg(index + 1));
    return *m_sheets[index];
}

Worksheet* Workbook::sheet(const QString& name)
{
    const int i = sheetIndex(name);
    return i < 0 ? nullptr : m_sheets[i].get();
}

void Workbook::unloadSheet(int index)
{
    if (index < 0 || index >= sheetCount()) return;
    SheetData& s = d->sheets[index];
    if (!s.modified) s.unload();
}

bool Workbook::isModified() const
{
    for (const SheetData& s : d->sheets)
        if (s.modified) return true;
    return false;
}

void Workbook::requireWritable() const
{
    if (d->format == WorkbookFormat::Xls)
        vb::Raise(wberr::ReadOnly, kSource,
                  QStringLiteral("'%1' cannot be written: it is an Excel 97-2003 (.xls) workbook, which can "
                                 "only be read. Save it as an .xlsx workbook in Excel first.")
                      .arg(QFileInfo(d->path).fileName()));
    if (d->format == WorkbookFormat::None)
        vb::Raise(vb::errnum::ObjectVariableNotSet, kSource, QStringLiteral("No workbook is open."));
}

void Workbook::save(const SaveCommit& commit)
{
    requireWritable();
    if (!isModified()) {
        if (commit) commit(nullptr);
        return;
    }
    XlsxSave(*d, commit);
}

namespace {
std::function<void(const QString&)>& SheetLoadHook()
{
    static std::function<void(const QString&)> hook;
    return hook;
}
} // namespace

void SetSheetLoadHook(std::function<void(const QString& sheet)> hook)
{
    SheetLoadHook() = std::move(hook);
}

SheetData& Workbook::loadSheet(int index)
{
    SheetData& s = d->sheets[index];
    if (!s.loaded) {
        if (const auto& hook = SheetLoadHook()) hook(s.name);
        if (d->format == WorkbookFormat::Xlsx)
            XlsxLoadSheet(*d, s);
        else
            XlsLoadSheet(*d, s, index);
        s.loaded = true;
    }
    return s;
}

// ------------------------------------------------------------------ helpers

namespace detail {

std::uint32_t AttrPool::intern(const AttrList& attrs)
{
    QString key;
    for (const auto& a : attrs) {
        key += a.first;
        key += QChar(1);
        key += a.second;
        key += QChar(2);
    }
    auto it = m_index.constFind(key);
    if (it != m_index.constEnd()) return *it;
    m_lists.push_back(attrs);
    const auto id = static_cast<std::uint32_t>(m_lists.size());
    m_index.insert(key, id);
    return id;
}

QString ColumnName(int column)
{
    QString s;
    while (column > 0) {
        const int rem = (column - 1) % 26;
        s.prepend(QChar('A' + rem));
        column = (column - 1) / 26;
    }
    return s;
}

bool ParseCellRef(QStringView ref, int& row, int& column)
{
    row = column = 0;
    qsizetype i = 0;
    const qsizetype n = ref.size();
    if (i < n && ref[i] == u'$') ++i;
    qint64 col = 0;
    while (i < n && ref[i].isLetter() && ref[i].unicode() < 128) {
        col = col * 26 + (ref[i].toUpper().unicode() - 'A' + 1);
        if (col > kMaxColumns) return false;
        ++i;
    }
    if (i < n && ref[i] == u'$') ++i;
    qint64 r = 0;
    while (i < n && ref[i].isDigit()) {
        r = r * 10 + (ref[i].unicode() - '0');
        if (r > kMaxRows) return false;
        ++i;
    }
    if (i != n || (col == 0 && r == 0)) return false;
    row = static_cast<int>(r);
    column = static_cast<int>(col);
    return true;
}

bool IsDateFormatId(int id)
{
    return (id >= 14 && id <= 22) || (id >= 45 && id <= 47);
}

bool IsDateFormatCode(const QString& code)
{
    // Only the first section decides: "0;[Red]-0" is a number, "d/m/y;@" a date.
    bool inQuote = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar ch = code[i];
        if (inQuote) {
            if (ch == u'"') inQuote = false;
            continue;
        }
        switch (ch.unicode()) {
        case '"':
            inQuote = true;
            break;
        case '\\':
        case '_':
        case '*':
            ++i; // the next character is literal (or a fill width)
            break;
        case '[': {
            const qsizetype end = code.indexOf(u']', i);
            if (end < 0) return false;
            // [h], [mm], [ss]: elapsed time
            const QString inner = code.mid(i + 1, end - i - 1).toLower();
            if (!inner.isEmpty() && (inner[0] == u'h' || inner[0] == u'm' || inner[0] == u's') &&
                inner.count(inner[0]) == inner.size())
                return true;
            i = end;
            break;
        }
        case ';':
            return false;
        default: {
            const char16_t lc = ch.toLower().unicode();
            if (lc == u'd' || lc == u'm' || lc == u'y' || lc == u'h' || lc == u's') return true;
            break;
        }
        }
    }
    return false;
}

namespace {
bool isHex4(const QString& s, qsizetype at)
{
    if (at + 7 > s.size() || s[at] != u'_' || s[at + 1] != u'x' || s[at + 6] != u'_') return false;
    for (int k = 2; k < 6; ++k)
        if (!isxdigit(s[at + k].unicode() < 128 ? s[at + k].toLatin1() : 'g')) return false;
    return true;
}
} // namespace

QString DecodeXString(const QString& s)
{
    if (!s.contains(QLatin1String("_x"))) return s;
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size();) {
        if (isHex4(s, i)) {
            out += QChar(static_cast<char16_t>(s.mid(i + 2, 4).toUInt(nullptr, 16)));
            i += 7;
        } else {
            out += s[i++];
        }
    }
    return out;
}

QString EncodeXString(const QString& s)
{
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < s.size() && QChar::isLowSurrogate(s[i + 1].unicode())) {
            out += s[i];
            out += s[++i];
            continue;
        }
        if (QChar::isSurrogate(c)) {
            out += QChar(QChar::ReplacementCharacter);
            continue;
        }
        // A carriage return would read back as a line feed (XML normalises line
        // ends), so it is escaped too, as Excel does.
        const bool allowed = c == 0x9 || c == 0xA || (c >= 0x20 && c != 0xFFFE && c != 0xFFFF);
        if (!allowed) {
            out += QStringLiteral("_x%1_")
                       .arg(static_cast<uint>(c), 4, 16, QLatin1Char('0'))
                       .toUpper()
                       .replace(QLatin1String("_X"), QLatin1String("_x"));
        } else if (c == u'_' && isHex4(s, i)) {
            out += QLatin1String("_x005F_"); // a literal "_x0041_" must not read back as "A"
        } else {
            out += s[i];
        }
    }
    return out;
}

// Excel's 1900 date system counts a 29 February 1900 that never was; OLE
// dates do not, so serials before 1 March 1900 are one day apart.
double SerialToOle(double serial, bool date1904)
{
    if (date1904) return serial + 1462.0;
    if (serial >= 1.0 && serial < 61.0) return serial + 1.0;
    return serial;
}

double OleToSerial(double ole, bool date1904)
{
    if (date1904) return ole - 1462.0;
    if (ole >= 2.0 && ole < 61.0) return ole - 1.0;
    return ole;
}

} // namespace detail
} // namespace files
