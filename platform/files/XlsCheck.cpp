#include "platform/files/XlsCheck.h"

#include <QtEndian>
#include <cstdint>
#include <set>
#include <vector>

namespace files::detail {

namespace {

constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kNoStream = 0xFFFFFFFF;
constexpr quint32 kLastRegularSector = 0xFFFFFFF9;
constexpr quint32 kMiniStreamCutoff = 4096;
constexpr quint32 kMiniSector = 64;
constexpr quint64 kMostDeclaredCells = 4ull * 65536 * 256;

// Raised inside the checks; XlsCheck turns it into a verdict.
struct Damage {
    QString what;
};
struct Encrypted {};

[[noreturn]] void fail(const char* what)
{
    throw Damage{QString::fromLatin1(what)};
}

quint16 u16(const uchar* p)
{
    return qFromLittleEndian<quint16>(p);
}
quint32 u32(const uchar* p)
{
    return qFromLittleEndian<quint32>(p);
}

// ------------------------------------------------------------ compound file

struct DirEntry {
    QString name;
    quint8 type = 0; // 0 unused, 1 storage, 2 stream, 5 root
    quint32 start = 0;
    quint32 size = 0;
};

class CompoundFile {
public:
    explicit CompoundFile(QByteArrayView file) : m_file(file)
    {
        readHeader();
        readFat();
        readDirectory();
    }

    const std::vector<DirEntry>& entries() const { return m_entries; }

    // The bytes of a stream, gathered along its chain in the sector table
    // or, for a small stream, in the mini stream.
    QByteArray stream(const DirEntry& e)
    {
        if (e.size < kMiniStreamCutoff) return miniStream(e);
        const std::vector<quint32> sectors = chain(m_fat, e.start, m_sectorCount, "a stream's sector chain");
        if (quint64(sectors.size()) != (quint64(e.size) + m_sector - 1) / m_sector)
            fail("a stream's sector chain does not match its size");
        QByteArray out;
        out.reserve(e.size);
        for (quint32 s : sectors)
            out.append(sector(s), m_sector);
        out.truncate(e.size);
        return out;
    }

private:
    const char* sector(quint32 index) const { return m_file.data() + (qint64(index) + 1) * m_sector; }
    const uchar* usector(quint32 index) const { return reinterpret_cast<const uchar*>(sector(index)); }

    void readHeader()
    {
        if (m_file.size() < 512) fail("it is too short");
        const uchar* h = reinterpret_cast<const uchar*>(m_file.data());
        const quint16 major = u16(h + 26), shift = u16(h + 30);
        if (u16(h + 28) != 0xFFFE || !((major == 3 && shift == 9) || (major == 4 && shift == 12)) ||
            u16(h + 32) != 6 || u32(h + 56) != kMiniStreamCutoff)
            fail("its file header is damaged");
        m_sector = 1u << shift;
        if (m_file.size() < m_sector) fail("it is too short");
        // Only whole sectors count: FreeXL reads a sector whole.
        m_sectorCount = quint32(std::min<qint64>((m_file.size() - m_sector) / m_sector, kLastRegularSector));
    }

    void readFat()
    {
        const uchar* h = reinterpret_cast<const uchar*>(m_file.data());
        const quint32 fatSectors = u32(h + 44);
        if (fatSectors == 0 || fatSectors > m_sectorCount) fail("its sector table is damaged");
        std::vector<quint32> where;
        for (quint32 i = 0; i < fatSectors && i < 109; ++i)
            where.push_back(u32(h + 76 + 4 * i));
        // Beyond 109 sector-table sectors the rest are listed in a chain of
        // extension sectors, each ending with the next one's number.
        quint32 next = u32(h + 68), left = u32(h + 72);
        const quint32 perSector = m_sector / 4 - 1;
        while (where.size() < fatSectors) {
            if (left-- == 0 || next >= m_sectorCount) fail("its sector table is damaged");
            const uchar* p = usector(next);
            for (quint32 i = 0; i < perSector && where.size() < fatSectors; ++i)
                where.push_back(u32(p + 4 * i));
            next = u32(p + 4 * perSector);
        }
        std::vector<bool> seen(m_sectorCount);
        for (quint32 s : where) {
            if (s >= m_sectorCount || seen[s]) fail("its sector table is damaged");
            seen[s] = true;
            const uchar* p = usector(s);
            for (quint32 i = 0; i < m_sector / 4; ++i)
                m_fat.push_back(u32(p + 4 * i));
        }
    }

    // Follows a chain of sectors: every link within the table and the file,
    // no sector twice (a loop would never end).
    static std::vector<quint32> chain(const std::vector<quint32>& table, quint32 start, quint32 limit,
                                      const char* what)
    {
        std::vector<quint32> out;
        std::vector<bool> seen(std::min<std::size_t>(table.size(), limit));
        for (quint32 s = start; s != kEndOfChain; s = table[s]) {
            if (s >= seen.size() || seen[s]) throw Damage{QStringLiteral("%1 is broken").arg(what)};
            seen[s] = true;
            out.push_back(s);
        }
        return out;
    }

    void readDirectory()
    {
        const uchar* h = reinterpret_cast<const uchar*>(m_file.data());
        const std::vector<quint32> sectors =
            chain(m_fat, u32(h + 48), m_sectorCount, "the directory's sector chain");
        const quint32 perSector = m_sector / 128;
        const quint32 count = quint32(sectors.size()) * perSector;
        for (quint32 s : sectors)
            for (quint32 i = 0; i < perSector; ++i) {
                const uchar* e = usector(s) + 128 * i;
                const quint16 nameBytes = u16(e + 64);
                // FreeXL converts every entry's name, used or not, trusting
                // this length; a name holds at most 32 UTF-16 units.
                if (nameBytes > 64 || nameBytes % 2) fail("its directory is damaged");
                DirEntry d;
                d.type = e[66];
                if (d.type != 0 && d.type != 1 && d.type != 2 && d.type != 5)
                    fail("its directory is damaged");
                for (int link : {68, 72, 76})
                    if (d.type != 0 && u32(e + link) != kNoStream && u32(e + link) >= count)
                        fail("its directory is damaged");
                if (nameBytes >= 2)
                    d.name = QString::fromUtf16(reinterpret_cast<const char16_t*>(e), nameBytes / 2 - 1);
                d.start = u32(e + 116);
                d.size = u32(e + 120);
                if ((d.type == 2 || d.type == 5) && u32(e + 124) != 0) fail("its directory is damaged");
                m_entries.push_back(d);
            }
        if (m_entries.empty() || m_entries.front().type != 5) fail("its directory is damaged");
    }

    QByteArray miniStream(const DirEntry& e)
    {
        if (!m_miniRead) readMini();
        const std::vector<quint32> pieces =
            chain(m_miniFat, e.size ? e.start : kEndOfChain, quint32(m_mini.size() / kMiniSector),
                  "a small stream's chain");
        if (pieces.size() != (e.size + kMiniSector - 1) / kMiniSector)
            fail("a small stream's chain does not match its size");
        QByteArray out;
        for (quint32 p : pieces)
            out.append(m_mini.constData() + qsizetype(p) * kMiniSector, kMiniSector);
        out.truncate(e.size);
        return out;
    }

    // The mini stream (the root entry's stream) and its own sector table.
    void readMini()
    {
        m_miniRead = true;
        const uchar* h = reinterpret_cast<const uchar*>(m_file.data());
        const DirEntry& root = m_entries.front();
        const std::vector<quint32> sectors = chain(m_fat, root.size ? root.start : kEndOfChain, m_sectorCount,
                                                   "the small streams' sector chain");
        if (quint64(sectors.size()) != (quint64(root.size) + m_sector - 1) / m_sector)
            fail("the small streams' sector chain does not match its size");
        for (quint32 s : sectors)
            m_mini.append(sector(s), m_sector);
        m_mini.truncate(root.size);
        const quint32 miniFatSectors = u32(h + 64);
        const std::vector<quint32> table = chain(m_fat, miniFatSectors ? u32(h + 60) : kEndOfChain,
                                                 m_sectorCount, "the small streams' sector table");
        if (table.size() != miniFatSectors) fail("the small streams' sector table is damaged");
        for (quint32 s : table)
            for (quint32 i = 0; i < m_sector / 4; ++i)
                m_miniFat.push_back(u32(usector(s) + 4 * i));
    }

    QByteArrayView m_file;
    quint32 m_sector = 512;
    quint32 m_sectorCount = 0;
    std::vector<quint32> m_fat;
    std::vector<DirEntry> m_entries;
    bool m_miniRead = false;
    QByteArray m_mini;
    std::vector<quint32> m_miniFat;
};

// ------------------------------------------------------------ BIFF records

namespace rt {
constexpr quint16 Formula = 0x0006, FilePass = 0x002F, DateMode = 0x0022, Continue = 0x003C,
                  CodePage = 0x0042, BoundSheet = 0x0085, MulRk = 0x00BD, MulBlank = 0x00BE, RString = 0x00D6,
                  Xf = 0x00E0, Sst = 0x00FC, LabelSst = 0x00FD, Dimensions = 0x0200, Blank = 0x0201,
                  Number = 0x0203, Label = 0x0204, BoolErr = 0x0205, String = 0x0207, Rk = 0x027E,
                  Format = 0x041E, Bof = 0x0809, Eof = 0x000A;
}

struct Record {
    quint16 type;
    quint16 size;
    const uchar* data;
    qsizetype offset; // of the record's header in the stream
};

// The bytes of a record and of the CONTINUE records after it, read as one
// piece the way a long string is split over them: where a string's
// characters cross into the next record, that record starts with a byte
// saying whether the rest is stored one or two bytes a character.
class Continued {
public:
    Continued(const std::vector<Record>& records, std::size_t first, qsizetype at)
        : m_records(records), m_record(first), m_at(at)
    {
    }
    // A fixed part (a string's header) lies whole within one record; a
    // part that starts exactly at a record's end starts the next record.
    const uchar* take(qsizetype n, const char* what)
    {
        if (m_at == current().size) nextRecord(what);
        if (current().size - m_at < n) fail(what);
        const uchar* p = current().data + m_at;
        m_at += n;
        return p;
    }
    void characters(quint32 count, bool wide, const char* what)
    {
        while (count > 0) {
            if (m_at == current().size) {
                nextRecord(what);
                const quint8 flags = *take(1, what);
                if (flags & 0xFE) fail(what);
                wide = flags & 1;
            }
            const quint32 width = wide ? 2 : 1;
            const quint32 fit = quint32(std::min<qsizetype>((current().size - m_at) / width, count));
            if (fit == 0) fail(what);
            count -= fit;
            m_at += fit * width;
        }
    }
    // Formatting runs and phonetic data may cross records anywhere.
    void skip(quint64 n, const char* what)
    {
        while (n > 0) {
            if (m_at == current().size) nextRecord(what);
            const quint64 step = std::min<quint64>(n, quint64(current().size - m_at));
            m_at += qsizetype(step);
            n -= step;
        }
    }
    // How many bytes are left in this record and the CONTINUE records after it.
    quint64 remaining() const
    {
        quint64 n = quint64(current().size - m_at);
        for (std::size_t i = m_record + 1; i < m_records.size() && m_records[i].type == rt::Continue; ++i)
            n += m_records[i].size;
        return n;
    }

    std::size_t record() const { return m_record; }

private:
    const Record& current() const { return m_records[m_record]; }
    void nextRecord(const char* what)
    {
        if (m_record + 1 >= m_records.size() || m_records[m_record + 1].type != rt::Continue) fail(what);
        ++m_record;
        m_at = 0;
    }
    const std::vector<Record>& m_records;
    std::size_t m_record;
    qsizetype m_at;
};

class BiffCheck {
public:
    explicit BiffCheck(const QByteArray& stream) : m_stream(stream) { split(); }

    void run()
    {
        if (m_records.empty() || m_records.front().type != rt::Bof || m_records.front().size < 8)
            fail("its workbook stream does not start with a workbook");
        const quint16 version = u16(m_records.front().data);
        if (version != 0x0600 && version != 0x0500) fail("it is not an Excel 97-2003 workbook");
        m_biff8 = version == 0x0600;
        // FreeXL takes an empty record of type 0 for the stream's end and
        // reads nothing after it.
        for (std::size_t i = 0; i < m_records.size() && (m_records[i].type || m_records[i].size); ++i)
            record(i);
        for (const Sheet& s : m_sheets)
            if (!m_bofOffsets.count(s.start)) fail("a sheet's position in the workbook stream is wrong");
        // FreeXL makes room for a sheet that declared no size only once the
        // whole stream is read, and makes it in the sheet it read last
        // instead: that sheet's cells would be dropped (and leaked). Only
        // the last sheet may go without a size.
        for (std::size_t s = 0; s < m_sheets.size(); ++s)
            if (!m_sheets[s].sized && int(s) != m_active)
                fail("a sheet before the last does not declare its size");
    }

private:
    // Every record lies whole within the stream; zero bytes after the last
    // one are padding.
    void split()
    {
        const auto* p = reinterpret_cast<const uchar*>(m_stream.constData());
        const qsizetype n = m_stream.size();
        qsizetype at = 0;
        while (n - at >= 4) {
            const quint16 size = u16(p + at + 2);
            if (size > 8224 || n - at - 4 < size) fail("a record runs past the end of the workbook stream");
            m_records.push_back({u16(p + at), size, p + at + 4, at});
            at += 4 + size;
        }
        for (; at < n; ++at)
            if (p[at]) fail("a record runs past the end of the workbook stream");
    }

    void need(const Record& r, qsizetype size) const
    {
        if (r.size < size) fail("a record is shorter than its kind");
    }

    // A cell record: row, column, format, then the value; `size` is the
    // least its kind holds.
    void cell(const Record& r, qsizetype size)
    {
        need(r, size);
        place(u16(r.data), u16(r.data + 2), u16(r.data + 2));
    }

    // Cells lie within the size their sheet declared (FreeXL keeps a
    // sheet's cells in a table of that size), and one record a cell: a
    // second value for a cell makes FreeXL lose the first one's text
    // without freeing it.
    void place(quint32 row, quint16 firstColumn, quint16 lastColumn)
    {
        // FreeXL puts a section's cells in the sheet listed at its start;
        // in a section no sheet lists (the workbook's own, or one whose
        // entry is lost) a cell has nowhere to go and FreeXL leaks its text.
        if (m_active < 0) fail("a cell lies outside every sheet");
        if (!m_hasDimensions) fail("a sheet holds cells before its size");
        if (row >= m_rows || lastColumn >= m_columns) fail("a cell lies outside its sheet");
        for (quint32 c = firstColumn; c <= lastColumn; ++c) {
            const quint64 at = quint64(row) * m_columns + c;
            if (m_taken[at]) fail("two records give the same cell");
            m_taken[at] = true;
        }
    }

    // A string whose character count is in `countBytes` bytes at `at`: in
    // BIFF8 a flags byte follows, saying one or two bytes a character.
    qsizetype string(const Record& r, qsizetype at, int countBytes, const char* what) const
    {
        if (r.size - at < countBytes) fail(what);
        const quint32 count = countBytes == 1 ? r.data[at] : u16(r.data + at);
        at += countBytes;
        quint32 width = 1;
        if (m_biff8) {
            if (r.size - at < 1 || (r.data[at] & 0xFE)) fail(what);
            width = (r.data[at] & 1) ? 2 : 1;
            ++at;
        }
        if (quint64(r.size - at) < quint64(count) * width) fail(what);
        return at + qsizetype(count) * width;
    }

    void record(std::size_t i)
    {
        const Record& r = m_records[i];
        switch (r.type) {
        case rt::Bof:
            need(r, m_biff8 ? 16 : 8);
            // A BOF inside a section (an embedded chart's, or one whose
            // section lost its EOF) leaves FreeXL in the sheet it is in.
            if (m_inSection) break;
            m_inSection = true;
            m_bofOffsets.insert(quint32(r.offset));
            m_hasDimensions = false;
            // The section belongs to the first sheet listed so far that
            // starts here, as FreeXL picks it.
            m_active = -1;
            for (std::size_t s = 0; s < m_sheets.size(); ++s)
                if (m_sheets[s].start == quint32(r.offset)) {
                    m_active = int(s);
                    break;
                }
            break;
        case rt::Eof:
            m_inSection = false;
            break;
        case rt::FilePass:
            // What follows is encrypted; FreeXL reports such a workbook as
            // protected and reads no further.
            throw Encrypted{};
        case rt::CodePage:
        case rt::DateMode:
            need(r, 2);
            break;
        case rt::Xf:
            need(r, m_biff8 ? 20 : 16);
            break;
        case rt::BoundSheet:
            need(r, 6);
            m_sheets.push_back({u32(r.data), false});
            string(r, 6, 1, "a sheet name does not fit its record");
            break;
        case rt::Format:
            string(r, 2, m_biff8 ? 2 : 1, "a number format does not fit its record");
            break;
        case rt::Sst:
            sharedStrings(i);
            break;
        case rt::String:
            if (m_biff8) {
                Continued c(m_records, i, 0);
                const uchar* h = c.take(3, "a formula's text does not fit its record");
                if (h[2] & 0xFE) fail("a formula's text does not fit its record");
                c.characters(u16(h), h[2] & 1, "a formula's text does not fit its record");
            } else {
                string(r, 0, 2, "a formula's text does not fit its record");
            }
            break;
        case rt::Dimensions: {
            need(r, m_biff8 ? 14 : 10);
            if (m_hasDimensions) fail("a sheet declares its size twice");
            const quint32 firstRow = m_biff8 ? u32(r.data) : u16(r.data);
            m_rows = m_biff8 ? u32(r.data + 4) : u16(r.data + 2);
            const quint16 firstColumn = u16(r.data + (m_biff8 ? 8 : 4));
            m_columns = u16(r.data + (m_biff8 ? 10 : 6));
            if (m_rows > 65536 || m_columns > 256 || firstRow > m_rows || firstColumn > m_columns)
                fail("a sheet's size is impossible");
            // FreeXL sets aside room for every cell a sheet declares, about
            // sixteen bytes each, however few the file holds: a few damaged
            // sizes would ask for gigabytes. Four full sheets are allowed.
            m_declaredCells += quint64(m_rows) * m_columns;
            if (m_declaredCells > kMostDeclaredCells) fail("its sheets declare more cells than can be read");
            m_hasDimensions = true;
            if (m_active >= 0) m_sheets[std::size_t(m_active)].sized = true;
            m_taken.assign(quint64(m_rows) * m_columns, false);
            break;
        }
        case rt::Blank:
            cell(r, 6);
            break;
        case rt::BoolErr:
            cell(r, 8);
            break;
        case rt::Rk:
            cell(r, 10);
            break;
        case rt::Number:
            cell(r, 14);
            break;
        case rt::Formula:
            cell(r, 20);
            break;
        case rt::LabelSst:
            cell(r, 10);
            if (u32(r.data + 6) >= m_sharedStrings)
                fail("a cell refers to a shared string that is not there");
            break;
        case rt::Label:
            cell(r, 6);
            string(r, 6, 2, "a cell's text does not fit its record");
            break;
        case rt::RString: {
            cell(r, 6);
            const qsizetype at = string(r, 6, 2, "a cell's text does not fit its record");
            // The formatting runs after the text.
            const int countBytes = m_biff8 ? 2 : 1;
            if (r.size - at < countBytes) fail("a cell's text does not fit its record");
            const quint32 runs = m_biff8 ? u16(r.data + at) : r.data[at];
            if (quint64(r.size - at - countBytes) < quint64(runs) * (m_biff8 ? 4 : 2))
                fail("a cell's text does not fit its record");
            break;
        }
        case rt::MulRk:
        case rt::MulBlank: {
            // First column, one entry per column, last column.
            const qsizetype each = r.type == rt::MulRk ? 6 : 2;
            need(r, 6 + each);
            const quint16 first = u16(r.data + 2), last = u16(r.data + r.size - 2);
            if (last < first || (r.size - 6) != (last - first + 1) * each)
                fail("a row of cells does not fit its record");
            place(u16(r.data), first, last);
            break;
        }
        default:
            break;
        }
    }

    // The shared strings: a count, then that many strings running on into
    // the CONTINUE records that follow.
    void sharedStrings(std::size_t i)
    {
        const char* what = "the shared strings are damaged";
        if (m_sstSeen) fail(what);
        m_sstSeen = true;
        Continued c(m_records, i, 0);
        const quint32 count = u32(c.take(8, what) + 4);
        // Every string takes at least three bytes; a count beyond that is a lie
        // FreeXL would allocate for.
        if (quint64(count) * 3 > c.remaining()) fail(what);
        for (quint32 n = 0; n < count; ++n) {
            const uchar* h = c.take(3, what);
            const std::size_t first = c.record();
            const quint32 characters = u16(h);
            const quint8 flags = h[2];
            if (flags & 0xF2) fail(what);
            quint64 runs = 0, phonetic = 0;
            if (flags & 0x08) runs = quint64(u16(c.take(2, what))) * 4;
            if (flags & 0x04) phonetic = u32(c.take(4, what));
            // FreeXL reads a string's header in one piece and follows a
            // string over one record's end only: the rest of a longer one
            // it would read from beyond the record.
            if (c.record() != first) fail(what);
            c.characters(characters, flags & 1, what);
            c.skip(runs + phonetic, what);
            if (c.record() > first + 1) fail("a shared string runs over more than two records");
        }
        m_sharedStrings = count;
    }

    const QByteArray& m_stream;
    std::vector<Record> m_records;
    bool m_biff8 = true;
    bool m_sstSeen = false;
    quint32 m_sharedStrings = 0;
    bool m_hasDimensions = false;
    quint32 m_rows = 0;
    quint16 m_columns = 0;
    quint64 m_declaredCells = 0;
    std::vector<bool> m_taken; // cells of the current sheet given so far, row by row
    std::set<quint32> m_bofOffsets;
    struct Sheet {
        quint32 start; // of its BOF record in the stream
        bool sized;    // its section declared its size
    };
    std::vector<Sheet> m_sheets;
    int m_active = -1;        // the sheet whose section is being read, or -1
    bool m_inSection = false; // between a section's BOF and its EOF
};

} // namespace

XlsVerdict XlsCheck(QByteArrayView file)
{
    try {
        CompoundFile cf(file);
        bool found = false;
        // FreeXL picks the workbook stream by name; every stream it could
        // pick is checked.
        for (const DirEntry& e : cf.entries()) {
            if (e.type != 2) continue;
            if (e.name.compare(QLatin1String("Workbook"), Qt::CaseInsensitive) != 0 &&
                e.name.compare(QLatin1String("Book"), Qt::CaseInsensitive) != 0)
                continue;
            found = true;
            const QByteArray stream = cf.stream(e);
            BiffCheck(stream).run();
        }
        if (!found) return {XlsVerdict::Damaged, QStringLiteral("it holds no workbook stream")};
    } catch (const Damage& d) {
        return {XlsVerdict::Damaged, d.what};
    } catch (const Encrypted&) {
        return {XlsVerdict::Encrypted, {}};
    }
    return {};
}

} // namespace files::detail
