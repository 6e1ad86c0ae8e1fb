#pragma once
// The storage behind files::Workbook. Cells are kept compact (24 bytes) so a
// sheet of a million rows fits in memory: text lives in pools and cells hold
// indexes into them.

#include "platform/files/Workbook.h"
#include "platform/fso/FileReplace.h"

#include <QHash>
#include <QIODevice>
#include <QString>
#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class QuaZip;

namespace files::detail {

using AttrList = std::vector<std::pair<QString, QString>>; // qualified name, value

enum class CellKind : std::uint8_t {
    Blank,         // a cell that only carries a format
    Number,        // number: Double, or Date when its format is a date format
    SharedString,  // index into the shared string table
    InlineString,  // index into the sheet's text pool
    RichInline,    // text pool: index = text, index + 1 = the original <is> element
    FormulaString, // text result of a formula (t="str")
    Boolean,       // number 0 or 1
    Error,         // text pool: "#N/A", "#DIV/0!", ...
    IsoDate,       // text pool: an ISO 8601 date (t="d")
    OleDate,       // number is already an OLE date (read from .xls)
};

struct Cell {
    std::uint16_t column = 0;
    CellKind kind = CellKind::Blank;
    std::uint8_t spare = 0;
    std::uint32_t style = 0;   // cellXfs index
    std::uint32_t formula = 0; // 0 = none, else 1 + index into SheetData::formulas
    std::uint32_t extra = 0;   // 0 = none, else 1 + index into the attribute pool
    union {
        double number;
        std::uint32_t index;
    };
    Cell() : number(0.0) {}
    bool hasContent() const { return kind != CellKind::Blank || formula != 0; }
};
static_assert(sizeof(Cell) == 24, "cells are kept compact");

struct RowSlot {
    std::vector<Cell> cells;   // sorted by column
    std::uint32_t origRow = 0; // row number in the file the sheet was read from
    std::uint32_t attrs = 0;   // 0 = none, else 1 + index into the attribute pool

    Cell* find(int column)
    {
        auto it = std::lower_bound(cells.begin(), cells.end(), column,
                                   [](const Cell& c, int col) { return c.column < col; });
        return (it != cells.end() && it->column == column) ? &*it : nullptr;
    }
};

// Rows in a gap buffer: a deletion moves the gap to the deleted row, so a
// walk from top to bottom that deletes as it goes moves every row once in
// total instead of once per deletion.
class RowStore {
public:
    std::size_t size() const { return m_v.size() - m_gapLen; }
    RowSlot& at(std::size_t i) { return m_v[i < m_gapStart ? i : i + m_gapLen]; }
    const RowSlot& at(std::size_t i) const { return m_v[i < m_gapStart ? i : i + m_gapLen]; }
    void clear()
    {
        m_v.clear();
        m_v.shrink_to_fit();
        m_gapStart = m_gapLen = 0;
    }
    void append(RowSlot&& slot)
    {
        if (m_gapLen > 0 && m_gapStart + m_gapLen == m_v.size()) {
            m_v[m_gapStart++] = std::move(slot);
            --m_gapLen;
        } else {
            moveGapTo(size());
            m_v.push_back(std::move(slot));
            m_gapStart = size();
        }
    }
    // Removes n rows from logical position pos (both within size()).
    void erase(std::size_t pos, std::size_t n)
    {
        moveGapTo(pos);
        for (std::size_t k = 0; k < n; ++k)
            m_v[m_gapStart + m_gapLen + k] = RowSlot{};
        m_gapLen += n;
    }

private:
    void moveGapTo(std::size_t pos)
    {
        if (m_gapLen == 0) {
            m_gapStart = pos;
            return;
        }
        if (pos < m_gapStart) {
            std::move_backward(m_v.begin() + pos, m_v.begin() + m_gapStart,
                               m_v.begin() + m_gapStart + m_gapLen);
        } else if (pos > m_gapStart) {
            std::move(m_v.begin() + m_gapStart + m_gapLen, m_v.begin() + pos + m_gapLen,
                      m_v.begin() + m_gapStart);
        }
        m_gapStart = pos;
    }

    std::vector<RowSlot> m_v;
    std::size_t m_gapStart = 0;
    std::size_t m_gapLen = 0;
};

// Attribute lists that repeat (row heights, cell metadata) are kept once.
class AttrPool {
public:
    std::uint32_t intern(const AttrList& attrs);
    const AttrList& get(std::uint32_t id) const { return m_lists[id - 1]; }
    void clear()
    {
        m_lists.clear();
        m_index.clear();
    }

private:
    std::vector<AttrList> m_lists;
    QHash<QString, std::uint32_t> m_index;
};

struct Formula {
    AttrList attrs; // t, ref, si, ca, ...
    QString text;   // without the leading "="
    QString attr(const QString& name) const
    {
        for (const auto& a : attrs)
            if (a.first == name) return a.second;
        return {};
    }
    void setAttr(const QString& name, const QString& value)
    {
        for (auto& a : attrs)
            if (a.first == name) {
                a.second = value;
                return;
            }
        attrs.emplace_back(name, value);
    }
};

// Something tied to rows of a sheet that a row deletion cannot move with
// them. A deletion at or above `last` would shift it; with cutOnly, only a
// deletion of one of the rows first..last disturbs it. Rows are numbered
// as in the file the sheet was read from.
struct RowHold {
    int first = 1;
    int last = kMaxRows;
    bool cutOnly = false;
    QString what; // "a chart whose data lies in these rows"
};

inline quint64 NumberKey(std::uint32_t origRow, int column)
{
    return (quint64(origRow) << 16) | quint64(column);
}

struct SheetData {
    QString name;
    QString part; // xlsx: zip entry name of the worksheet part
    bool loaded = false;
    bool modified = false;
    bool rowsDeleted = false;
    bool formulasDisturbed = false; // a formula was removed or moved
    RowStore rows;
    std::vector<QString> texts;
    std::vector<Formula> formulas;
    AttrPool attrs;
    std::vector<std::uint32_t> deletedOrig; // original row numbers of deleted rows
    std::uint32_t deletedCount = 0;
    // Number cells read as other text than the save would write ("1.50",
    // "1E+3"), by NumberKey of their row in the file and column.
    QHash<quint64, QString> numberTexts;
    std::vector<RowHold> holds; // read on first use, when holdsKnown
    bool holdsKnown = false;
    // The sheet's protection, when it is on; and the formats of its columns
    // (first, last, cellXfs index), for the cells not written.
    bool protectedSheet = false;
    bool rowDeletesAllowed = false;
    std::vector<std::array<std::uint32_t, 3>> columnStyles;
    mutable bool rangeValid = false;
    mutable CellRange range;

    void unload()
    {
        rows.clear();
        texts.clear();
        texts.shrink_to_fit();
        formulas.clear();
        formulas.shrink_to_fit();
        attrs.clear();
        deletedOrig.clear();
        deletedOrig.shrink_to_fit();
        deletedCount = 0;
        numberTexts.clear();
        holds.clear();
        holdsKnown = false;
        protectedSheet = rowDeletesAllowed = false;
        columnStyles.clear();
        loaded = modified = rowsDeleted = formulasDisturbed = false;
        rangeValid = false;
    }
    std::uint32_t addText(const QString& s)
    {
        texts.push_back(s);
        return static_cast<std::uint32_t>(texts.size() - 1);
    }
    // Makes sure logical rows 1..n exist.
    void ensureRows(std::size_t n)
    {
        while (rows.size() < n) {
            RowSlot slot;
            slot.origRow = static_cast<std::uint32_t>(rows.size() + 1 + deletedCount);
            rows.append(std::move(slot));
        }
    }
};

struct BookData {
    QString path;
    WorkbookFormat format = WorkbookFormat::None;
    std::vector<SheetData> sheets;

    // xlsx
    QuaZip* zip = nullptr; // the package, open while the workbook is
    fso::FileStamp stamp;  // the file as it was when the package was opened
    QString workbookPart;  // e.g. "xl/workbook.xml"
    QString sharedStringsPart;
    QString stylesPart;
    QString calcChainPart; // Excel's record of the calculation order
    bool date1904 = false;
    bool sharedLoaded = false;
    std::vector<QString> sharedStrings;
    bool stylesLoaded = false;
    std::vector<bool> xfIsDate;   // per cellXfs index
    std::vector<bool> xfUnlocked; // per cellXfs index: its protection leaves the cell unlocked

    // xls
    const void* xls = nullptr;
};

// Collects small writes into large ones before they reach the target: the
// XML writer writes a few bytes at a time, and each write into a zip entry
// is a call into the compressor.
class ChunkedOutput : public QIODevice {
public:
    explicit ChunkedOutput(QIODevice* target) : m_target(target) { open(QIODevice::WriteOnly); }
    ~ChunkedOutput() override { flushAll(); }
    bool flushAll()
    {
        if (m_buf.isEmpty()) return m_ok;
        if (m_target->write(m_buf) != m_buf.size()) m_ok = false;
        m_buf.clear();
        return m_ok;
    }
    bool ok() const { return m_ok; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 len) override
    {
        m_buf.append(data, len);
        if (m_buf.size() >= (1 << 20)) flushAll();
        return m_ok ? len : -1;
    }

private:
    QIODevice* m_target;
    QByteArray m_buf;
    bool m_ok = true;
};

// The rectangle of the cells with a value or a formula.
CellRange ComputeUsedRange(const SheetData& s);

// Column letters <-> numbers and "B7" style references.
QString ColumnName(int column);
bool ParseCellRef(QStringView ref, int& row, int& column); // row or column may come out 0 when absent

// Number formats: whether a format shows a date or a time.
bool IsDateFormatId(int id);
bool IsDateFormatCode(const QString& code);

// OOXML text escaping (_xHHHH_) for characters XML cannot carry.
QString DecodeXString(const QString& s);
QString EncodeXString(const QString& s);

// Excel serial number <-> OLE date.
double SerialToOle(double serial, bool date1904);
double OleToSerial(double ole, bool date1904);

// xlsx package (XlsxPackage.cpp)
void XlsxOpen(BookData& book);
void XlsxLoadSheet(BookData& book, SheetData& sheet);
void XlsxSave(BookData& book, const Workbook::SaveCommit& commit);
// The holds of the sheet, read from the parts beside it on first use.
const std::vector<RowHold>& XlsxRowHolds(BookData& book, SheetData& sheet);
void XlsxClose(BookData& book);

// xls through FreeXL (XlsReader.cpp)
void XlsOpen(BookData& book);
void XlsLoadSheet(BookData& book, SheetData& sheet, int index);
void XlsClose(BookData& book);

} // namespace files::detail
