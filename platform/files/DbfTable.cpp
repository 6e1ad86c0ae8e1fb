#include "platform/files/DbfTable.h"

#include "platform/fso/FileReplace.h"
#include "platform/fso/FolderNames.h"
#include "platform/vb/Clock.h"
#include "platform/vb/Err.h"

#include <QFileInfo>
#include <QSet>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

namespace {

const QString kSource = QStringLiteral("files::DbfTable");
const QDate kOleEpoch(1899, 12, 30);
constexpr qint64 kJulianOfOleEpoch = 2415019; // Julian day number of 12/30/1899
constexpr qint64 kMsPerDay = 86400000;
constexpr char kEof = 0x1A;

bool isVisualFoxPro(unsigned char v)
{
    return v == 0x30 || v == 0x31 || v == 0x32;
}

bool isKnownVersion(unsigned char v)
{
    switch (v) {
    case 0x02: // FoxBASE
    case 0x03: // dBase III, FoxPro 2 without memo
    case 0x83: // dBase III with memo
    case 0x8B: // dBase IV with memo
    case 0xF5: // FoxPro 2 with memo
    case 0xFB: // FoxBASE with memo
    case 0x30: // Visual FoxPro
    case 0x31: // Visual FoxPro with autoincrement
    case 0x32: // Visual FoxPro with varchar
        return true;
    default:
        return false;
    }
}

// The date written to a header: years since 1900 (some writers wrote
// two-digit years, which read as 19xx before 1980 are taken as 20xx).
QDate headerDate(const unsigned char* p)
{
    int year = 1900 + p[0];
    if (year < 1980) year += 100;
    return QDate(year, p[1], p[2]);
}

std::int32_t readLe32(const char* p)
{
    return qFromLittleEndian<std::int32_t>(p);
}

QString describe(const DbfField& f)
{
    if (f.type == 'N' || f.type == 'F')
        return QStringLiteral("%1 (%2 %3,%4)")
            .arg(f.name)
            .arg(QLatin1Char(f.type))
            .arg(f.width)
            .arg(f.decimals);
    return QStringLiteral("%1 (%2 %3)").arg(f.name).arg(QLatin1Char(f.type)).arg(f.width);
}

int fixedWidth(char type, bool vfp)
{
    switch (type) {
    case 'D':
    case 'B':
    case 'T':
    case 'Y':
        return 8;
    case 'L':
        return 1;
    case 'I':
        return 4;
    case 'M':
        return vfp ? 4 : 10;
    default:
        return 0;
    }
}

bool isBinaryType(char type)
{
    return type == 'I' || type == 'B' || type == 'T' || type == 'Y';
}

void blankField(QByteArray& rec, const DbfField& f)
{
    const bool binary = isBinaryType(f.type) || (f.type == 'M' && f.width == 4);
    std::memset(rec.data() + f.offset, binary ? 0 : ' ', static_cast<size_t>(f.width));
}

QString memoPath(const QString& dbfPath, bool fpt)
{
    const QFileInfo fi(dbfPath);
    const QString base = fi.path() + QLatin1Char('/') + fi.completeBaseName();
    const QString lower = fpt ? QStringLiteral(".fpt") : QStringLiteral(".dbt");
    const bool upperCase = fi.suffix() == fi.suffix().toUpper() && !fi.suffix().isEmpty();
    const QString preferred = base + (upperCase ? lower.toUpper() : lower);
    if (QFileInfo::exists(preferred)) return preferred;
    const QString other = base + (upperCase ? lower : lower.toUpper());
    if (QFileInfo::exists(other)) return other;
    return preferred;
}

// The undo journal: a header (kJournalMagic, the table's length when the
// transaction began, then the length and bytes of the table's header as it
// was) and one entry per write (offset, the lengths of the bytes the write
// covered and of the bytes it wrote, then both), all little-endian. An
// entry is complete in the journal before its write reaches the table, so
// a journal cut short ends in an entry whose write never happened.
//
// The journal is played back only onto the table its transaction left:
// every byte a write covered holds what it held before or what one of the
// writes put there, every byte past the old length is one the writes
// added, and the header holds what it held. A kill or a power cut at any
// moment leaves such a table; a backup copied back, a new export or
// records another program added afterwards do not, and are left as they
// are.
const QByteArray kJournalMagic = QByteArrayLiteral("TVDBFUN2");
constexpr int kJournalHeader = 20;
constexpr int kEntryHeader = 16;

struct JournalEntry {
    qint64 offset = 0;
    QByteArray before;
    QByteArray after;
};

struct UndoJournal {
    qint64 size = 0;                   // the table's length when the transaction began
    std::vector<JournalEntry> entries; // the first: the header as it was, never written
};

enum class JournalRead { Whole, CutBeforeWrites, Unknown };

JournalRead ReadJournal(const QByteArray& bytes, UndoJournal& journal)
{
    // A journal without a whole header was cut short before the first write.
    if (bytes.size() < kJournalHeader) {
        const qsizetype n = std::min<qsizetype>(bytes.size(), kJournalMagic.size());
        return bytes.left(n) == kJournalMagic.left(n) ? JournalRead::CutBeforeWrites : JournalRead::Unknown;
    }
    if (!bytes.startsWith(kJournalMagic)) return JournalRead::Unknown;
    journal.size = qFromLittleEndian<qint64>(bytes.constData() + 8);
    const qint32 identity = qFromLittleEndian<qint32>(bytes.constData() + 16);
    if (journal.size < 0 || identity < 0) return JournalRead::Unknown;
    if (kJournalHeader + qint64(identity) > bytes.size()) return JournalRead::CutBeforeWrites;
    journal.entries.push_back({0, bytes.mid(kJournalHeader, identity), {}});
    qsizetype at = kJournalHeader + identity;
    while (at + kEntryHeader <= bytes.size()) {
        const qint64 offset = qFromLittleEndian<qint64>(bytes.constData() + at);
        const qint32 before = qFromLittleEndian<qint32>(bytes.constData() + at + 8);
        const qint32 after = qFromLittleEndian<qint32>(bytes.constData() + at + 12);
        if (offset < 0 || before < 0 || after < 0 ||
            at + kEntryHeader + qint64(before) + after > bytes.size())
            break;
        journal.entries.push_back(
            {offset, bytes.mid(at + kEntryHeader, before), bytes.mid(at + kEntryHeader + before, after)});
        at += kEntryHeader + before + after;
    }
    return JournalRead::Whole;
}

// True when the table (its descriptor fd) is in a state the journal's
// transaction could have left it in.
bool TableFitsJournal(int fd, const UndoJournal& journal)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size < journal.size) return false;
    const qint64 size = st.st_size;
    // Entries over overlapping ranges are judged together, a cluster at a time.
    const auto reach = [](const JournalEntry& e) {
        return e.offset + std::max(e.before.size(), e.after.size());
    };
    std::vector<std::size_t> order(journal.entries.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return journal.entries[a].offset < journal.entries[b].offset;
    });
    qint64 checkedTo = 0; // every byte before it belongs to a cluster that fits, or lies below the old length
    std::vector<std::size_t> cluster;
    for (std::size_t k = 0; k < order.size();) {
        const qint64 from = journal.entries[order[k]].offset;
        qint64 to = reach(journal.entries[order[k]]);
        cluster.assign(1, order[k]);
        for (++k; k < order.size() && journal.entries[order[k]].offset < to; ++k) {
            to = std::max(to, reach(journal.entries[order[k]]));
            cluster.push_back(order[k]);
        }
        const qint64 covered = std::max(checkedTo, journal.size);
        if (from > covered && covered < size) return false; // bytes past the old length nobody wrote
        std::sort(cluster.begin(), cluster.end());          // journal order: the earliest holds the old bytes
        const qint64 present = std::clamp(size - from, qint64(0), to - from);
        QByteArray now(present, '\0');
        if (present > 0 && ::pread(fd, now.data(), size_t(present), from) != present) return false;
        std::vector<char> known(size_t(present), 0);
        std::vector<char> fits(size_t(present), 0);
        for (const std::size_t i : cluster) {
            const JournalEntry& e = journal.entries[i];
            const qint64 at = e.offset - from;
            for (qint64 p = 0; p < e.before.size() && at + p < present; ++p)
                if (!known[size_t(at + p)]) {
                    known[size_t(at + p)] = 1;
                    fits[size_t(at + p)] = now[at + p] == e.before[p];
                }
            for (qint64 p = 0; p < e.after.size() && at + p < present; ++p)
                if (now[at + p] == e.after[p]) fits[size_t(at + p)] = 1;
        }
        if (std::find(fits.begin(), fits.end(), 0) != fits.end()) return false;
        checkedTo = std::max(checkedTo, to);
    }
    return size <= std::max(checkedTo, journal.size);
}

// Moves a journal that is not played back out of the way under a name of
// its own (never over another file); gives that name, empty when it cannot.
QString SetJournalAside(const QString& journalPath)
{
    const QByteArray from = QFile::encodeName(journalPath);
    for (int n = 1; n < 100; ++n) {
        const QString aside =
            journalPath + (n == 1 ? QStringLiteral("-set-aside") : QStringLiteral("-set-aside-%1").arg(n));
        const QByteArray to = QFile::encodeName(aside);
        int done = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
        // A file system without the no-replace rename: the name is looked at first.
        if (done != 0 && errno == EINVAL) {
            struct stat st {};
            if (::lstat(to.constData(), &st) == 0)
                errno = EEXIST;
            else
                done = ::rename(from.constData(), to.constData());
        }
        if (done == 0) return aside;
        if (errno != EEXIST) return {};
    }
    return {};
}

// Puts a table back from the journal a killed transaction left, and removes
// the journal. A journal whose transaction still runs is locked: it is left
// alone. A journal that does not fit the table as it is now is set aside
// and the open refused once, naming it: the table stays as it is.
void recoverFromJournal(const QString& path)
{
    const QString journalPath = DbfTable::undoJournalPath(path);
    // Only a journal this user or the table's owner made is played back: a
    // link, a second name of another file (a hard link), a pipe or another
    // user's file at its name is not the table's, and no transaction of this
    // table starts over it. It is judged on what was opened, without
    // following a link and without waiting for a pipe's writer.
    struct stat table {};
    if (::stat(QFile::encodeName(path).constData(), &table) != 0) return;
    const int fd =
        ::open(QFile::encodeName(journalPath).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    QFile journal;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1 ||
        (st.st_uid != ::geteuid() && st.st_uid != table.st_uid) ||
        !journal.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return;
    UndoJournal undo;
    const JournalRead read = ReadJournal(journal.readAll(), undo);
    QFile file(path);
    const auto cannotWrite = [&] {
        vb::Raise(vb::errnum::PermissionDenied, kSource,
                  QStringLiteral("Cannot write to '%1' to undo an unfinished change.").arg(path));
    };
    // The user is told once: the journal no longer lies at its name.
    const auto setAside = [&](const QString& why) {
        file.close();
        const QString aside = SetJournalAside(journalPath);
        fso::SyncFolderOf(path);
        vb::Raise(
            vb::errnum::PathFileAccessError, kSource,
            QStringLiteral("An unfinished change to '%1' was not undone: %2, so the table was left as "
                           "it is and may still hold part of the change. %3")
                .arg(path, why,
                     aside.isEmpty()
                         ? QStringLiteral("Its undo journal '%1' could not be set aside.").arg(journalPath)
                         : QStringLiteral("Its undo journal was set aside as '%1'.").arg(aside)));
    };
    if (read == JournalRead::Whole) {
        if (!file.open(QIODevice::ReadOnly)) cannotWrite();
        if (!TableFitsJournal(file.handle(), undo))
            setAside(QStringLiteral("the table is no longer as that change left it (it was put back, "
                                    "replaced or added to since)"));
        file.close();
        if (!file.open(QIODevice::ReadWrite)) cannotWrite();
        // Latest write first, so a range written twice ends as it was before both.
        for (auto it = undo.entries.rbegin(); it + 1 != undo.entries.rend(); ++it)
            if (!it->before.isEmpty() &&
                (!file.seek(it->offset) || file.write(it->before) != it->before.size()))
                cannotWrite();
        if ((file.size() != undo.size && !file.resize(undo.size)) || !file.flush() ||
            ::fsync(file.handle()) != 0)
            cannotWrite();
    } else if (read == JournalRead::Unknown) {
        setAside(QStringLiteral("its undo journal is of a kind that cannot be matched to the table"));
    }
    QFile::remove(journalPath);
    fso::SyncFolderOf(path);
}

} // namespace

struct DbfTable::Memo {
    QFile file;
    bool fpt = true;
    int blockSize = 512;
    bool dBase4 = false;
};

// ---------------------------------------------------------------- opening

DbfTable::DbfTable(const QString& path, Mode mode)
    : m_path(path), m_mode(mode), m_file(std::make_unique<QFile>(path))
{
    if (!QFileInfo::exists(path))
        vb::Raise(vb::errnum::FileNotFound, kSource, QStringLiteral("File '%1' does not exist.").arg(path));
    recoverFromJournal(path);
    if (!m_file->open(mode == Mode::ReadOnly ? QIODevice::ReadOnly : QIODevice::ReadWrite))
        vb::Raise(vb::errnum::PermissionDenied, kSource, QStringLiteral("Cannot open file '%1'.").arg(path));
    readHeader();
}

DbfTable::~DbfTable() = default;

void DbfTable::readHeader()
{
    const auto bad = [this](const QString& why) {
        vb::Raise(dbferr::BadTable, kSource, QStringLiteral("'%1' is not a table: %2.").arg(m_path, why));
    };
    m_file->seek(0);
    const QByteArray head = m_file->read(32);
    if (head.size() < 32) bad(QStringLiteral("the header is cut short"));
    const auto* h = reinterpret_cast<const unsigned char*>(head.constData());
    m_version = h[0];
    if (!isKnownVersion(m_version))
        bad(QStringLiteral("unknown version byte 0x%1").arg(m_version, 2, 16, QLatin1Char('0')));
    m_lastUpdate = headerDate(h + 1);
    m_count = static_cast<quint32>(qFromLittleEndian<quint32>(h + 4));
    m_headerLength = qFromLittleEndian<quint16>(h + 8);
    m_recordLength = qFromLittleEndian<quint16>(h + 10);
    m_codePage = CodePage(CodePage::fromLanguageDriver(h[29]));
    if (m_headerLength < 33 || m_recordLength < 1) bad(QStringLiteral("the header lengths are wrong"));

    m_file->seek(0);
    const QByteArray header = m_file->read(m_headerLength);
    if (header.size() < m_headerLength) bad(QStringLiteral("the header is cut short"));

    const bool vfp = isVisualFoxPro(m_version);
    int offset = 1;
    int bit = 0;
    QVector<DbfField> fields;
    QVector<int> nullBits;
    for (int pos = 32; pos + 32 <= m_headerLength && header[pos] != '\r'; pos += 32) {
        const char* d = header.constData() + pos;
        DbfField f;
        f.name = QString::fromLatin1(d, static_cast<qsizetype>(strnlen(d, 11))).trimmed();
        f.type = static_cast<char>(QChar::toUpper(static_cast<char32_t>(static_cast<unsigned char>(d[11]))));
        f.width = static_cast<unsigned char>(d[16]);
        f.decimals = static_cast<unsigned char>(d[17]);
        const unsigned char flags = static_cast<unsigned char>(d[18]);
        f.offset = offset;
        offset += f.width;
        if (f.type == '0' || (vfp && (flags & 0x01))) {
            if (f.type == '0') {
                m_nullFlagsOffset = f.offset;
                m_nullFlagsWidth = f.width;
            }
            continue;
        }
        f.nullable = vfp && (flags & 0x02);
        int nb = -1;
        if (f.nullable) nb = bit++;
        if (f.type == 'V' || f.type == 'Q') ++bit; // their length flag shares the bits
        fields << f;
        nullBits << nb;
    }
    if (offset > m_recordLength) bad(QStringLiteral("the fields do not fit the record"));
    if (bit > 0 && (m_nullFlagsOffset < 0 || bit > m_nullFlagsWidth * 8)) {
        for (int& nb : nullBits)
            nb = -1;
        for (DbfField& f : fields)
            f.nullable = false;
    }
    m_fields = fields;
    m_nullBits = nullBits;

    // A header may claim more records than the file holds (a copy cut short):
    // only whole records count.
    const qint64 available = std::max<qint64>(0, (m_file->size() - m_headerLength) / m_recordLength);
    m_count = std::min(m_count, available);
}

int DbfTable::fieldIndex(const QString& name) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

// ---------------------------------------------------------------- reading

void DbfTable::checkRecord(qint64 record) const
{
    if (record < 0 || record >= m_count)
        vb::Raise(vb::errnum::SubscriptOutOfRange, kSource,
                  QStringLiteral("Record %1 is outside the table (%2 records).").arg(record).arg(m_count));
}

void DbfTable::checkWritable() const
{
    if (m_mode == Mode::ReadOnly)
        vb::Raise(dbferr::ReadOnly, kSource, QStringLiteral("Table '%1' is open read-only.").arg(m_path));
}

const QByteArray& DbfTable::recordBytes(qint64 record)
{
    checkRecord(record);
    if (record != m_cachedRecord) {
        m_cachedRecord = -1;
        const auto pending = m_pending.find(record);
        if (pending != m_pending.end()) {
            m_cache = pending->second;
        } else {
            m_file->seek(recordOffset(record));
            m_cache = m_file->read(m_recordLength);
        }
        if (m_cache.size() != m_recordLength)
            vb::Raise(dbferr::BadTable, kSource, QStringLiteral("Record %1 cannot be read.").arg(record));
        m_cachedRecord = record;
    }
    return m_cache;
}

bool DbfTable::isDeleted(qint64 record)
{
    return recordBytes(record).at(0) == '*';
}

QVector<vb::Variant> DbfTable::values(qint64 record)
{
    QVector<vb::Variant> out;
    out.reserve(m_fields.size());
    for (int i = 0; i < m_fields.size(); ++i)
        out << value(record, i);
    return out;
}

vb::Variant DbfTable::value(qint64 record, int field)
{
    if (field < 0 || field >= m_fields.size())
        vb::Raise(vb::errnum::SubscriptOutOfRange, kSource, QStringLiteral("No field %1.").arg(field));
    const QByteArray rec = recordBytes(record);
    return decode(rec, field);
}

bool DbfTable::nullBit(const QByteArray& rec, int bit) const
{
    const auto byte = static_cast<unsigned char>(rec[m_nullFlagsOffset + bit / 8]);
    return (byte >> (bit % 8)) & 1;
}

void DbfTable::setNullBit(QByteArray& rec, int bit, bool on) const
{
    char& byte = rec[m_nullFlagsOffset + bit / 8];
    const char mask = static_cast<char>(1 << (bit % 8));
    byte = on ? static_cast<char>(byte | mask) : static_cast<char>(byte & ~mask);
}

vb::Variant DbfTable::decode(const QByteArray& rec, int field)
{
    const DbfField& f = m_fields[field];
    if (m_nullBits[field] >= 0 && nullBit(rec, m_nullBits[field])) return vb::Variant::Null();
    const char* p = rec.constData() + f.offset;
    const QByteArray raw(p, f.width);
    switch (f.type) {
    case 'C': {
        qsizetype n = raw.size();
        while (n > 0 && (raw[n - 1] == ' ' || raw[n - 1] == '\0'))
            --n;
        return vb::Variant(m_codePage.decode(raw.constData(), n));
    }
    case 'N':
    case 'F': {
        const QByteArray t = raw.trimmed();
        if (t.isEmpty()) return vb::Variant::Null();
        bool ok = false;
        if (!t.contains('.')) {
            const qint64 n = t.toLongLong(&ok);
            if (ok) return vb::Variant(static_cast<long long>(n));
        }
        const double d = t.toDouble(&ok);
        return ok ? vb::Variant(d) : vb::Variant::Null(); // a field of asterisks holds no number
    }
    case 'D': {
        const QByteArray t = raw.trimmed();
        const QDate d = QDate::fromString(QString::fromLatin1(t), QStringLiteral("yyyyMMdd"));
        if (!d.isValid()) return vb::Variant::Null();
        return vb::Variant::fromDate(static_cast<double>(kOleEpoch.daysTo(d)));
    }
    case 'L':
        if (f.width < 1) return vb::Variant::Null();
        switch (p[0]) {
        case 'T':
        case 't':
        case 'Y':
        case 'y':
            return vb::Variant(true);
        case 'F':
        case 'f':
        case 'N':
        case 'n':
            return vb::Variant(false);
        default:
            return vb::Variant::Null();
        }
    case 'I':
        if (f.width == 4) return vb::Variant(static_cast<int>(readLe32(p)));
        return vb::Variant::Null(); // declared too narrow: no value of its type fits
    case 'B':
        if (f.width == 8) {
            const quint64 bits = qFromLittleEndian<quint64>(p);
            double d;
            std::memcpy(&d, &bits, sizeof d);
            return vb::Variant(d);
        }
        return vb::Variant::Null(); // a dBase binary memo
    case 'T': {
        if (f.width != 8) return vb::Variant::Null();
        if (raw == QByteArray(8, '\0') || raw == QByteArray(8, ' ')) return vb::Variant::Null();
        const qint64 julian = readLe32(p);
        const qint64 ms = readLe32(p + 4);
        const qint64 days = julian - kJulianOfOleEpoch;
        const double frac = static_cast<double>(ms) / static_cast<double>(kMsPerDay);
        return vb::Variant::fromDate(days < 0 ? static_cast<double>(days) - frac
                                              : static_cast<double>(days) + frac);
    }
    case 'Y':
        if (f.width == 8) return vb::Variant::fromCurrency(qFromLittleEndian<qint64>(p));
        return vb::Variant::Null();
    case 'M': {
        qint64 block = 0;
        if (f.width == 4) {
            block = static_cast<quint32>(readLe32(p));
        } else {
            bool ok = false;
            block = raw.trimmed().toLongLong(&ok);
            if (!ok) block = 0;
        }
        if (block <= 0) return vb::Variant::Null();
        return readMemo(block);
    }
    case 'G':
    case 'P':
        return vb::Variant::Null();
    default:
        break;
    }
    return vb::Variant(m_codePage.decode(raw).trimmed());
}

// A memo whose block lies outside the memo file reads as Null: the number
// in the record is damaged, and no text belongs to it.
vb::Variant DbfTable::readMemo(qint64 block)
{
    if (!m_memo) {
        auto memo = std::make_unique<Memo>();
        const bool fpt = !(m_version == 0x83 || m_version == 0x8B);
        memo->fpt = fpt;
        memo->file.setFileName(memoPath(m_path, fpt));
        if (!memo->file.open(QIODevice::ReadOnly))
            vb::Raise(
                vb::errnum::FileNotFound, kSource,
                QStringLiteral("Memo file '%1' is missing or cannot be read.").arg(memo->file.fileName()));
        const QByteArray head = memo->file.read(512);
        if (head.size() < 24)
            vb::Raise(dbferr::BadTable, kSource,
                      QStringLiteral("Memo file '%1' is damaged.").arg(memo->file.fileName()));
        if (fpt) {
            memo->blockSize = qFromBigEndian<quint16>(head.constData() + 6);
        } else if (m_version == 0x8B) {
            memo->dBase4 = true;
            memo->blockSize = qFromLittleEndian<quint16>(head.constData() + 20);
        }
        if (memo->blockSize <= 0) memo->blockSize = 512;
        m_memo = std::move(memo);
    }
    QFile& file = m_memo->file;
    if (block > file.size() / m_memo->blockSize) return vb::Variant::Null();
    if (!file.seek(block * m_memo->blockSize)) return vb::Variant::Null();
    constexpr qint64 kMaxMemo = 64 << 20;
    if (m_memo->fpt || m_memo->dBase4) {
        const QByteArray head = file.read(8);
        if (head.size() < 8) return vb::Variant::Null();
        const qint64 stored = m_memo->fpt ? qFromBigEndian<quint32>(head.constData() + 4)
                                          : qFromLittleEndian<quint32>(head.constData() + 4);
        const qint64 length = std::clamp<qint64>(m_memo->fpt ? stored : stored - 8, 0, kMaxMemo);
        if (m_memo->dBase4 && head.left(4) != QByteArray("\xFF\xFF\x08\x00", 4)) return vb::Variant::Null();
        return vb::Variant(m_codePage.decode(file.read(length)));
    }
    // dBase III: the text runs to an end-of-file mark.
    QByteArray text;
    while (text.size() < kMaxMemo) {
        const QByteArray chunk = file.read(512);
        if (chunk.isEmpty()) break;
        const qsizetype end = chunk.indexOf(kEof);
        if (end >= 0) {
            text += chunk.left(end);
            break;
        }
        text += chunk;
    }
    return vb::Variant(m_codePage.decode(text));
}

// ---------------------------------------------------------------- writing

void DbfTable::encodeInto(QByteArray& rec, int field, const vb::Variant& v) const
{
    const DbfField& f = m_fields[field];
    char* p = rec.data() + f.offset;
    const int nb = m_nullBits[field];

    if (f.type == 'M' || f.type == 'G' || f.type == 'P')
        vb::Raise(dbferr::ReadOnly, kSource, QStringLiteral("Memo field %1 cannot be written.").arg(f.name));
    if (!QByteArrayLiteral("CNFDLIBTY").contains(f.type) ||
        (isBinaryType(f.type) && f.width != fixedWidth(f.type, true)))
        vb::Raise(
            dbferr::ReadOnly, kSource,
            QStringLiteral("Field %1 of type %2 cannot be written.").arg(f.name).arg(QLatin1Char(f.type)));

    // A header may declare a date or logical field narrower than its
    // value; writing it anyway would run into the next field.
    if ((f.type == 'D' || f.type == 'L') && f.width < fixedWidth(f.type, true))
        vb::Raise(
            dbferr::FieldTooSmall, kSource,
            QStringLiteral("Field %1 is too narrow to hold a %2.")
                .arg(describe(f), f.type == 'D' ? QStringLiteral("date") : QStringLiteral("logical value")));

    if (v.isNull() || v.isEmpty()) {
        blankField(rec, f);
        if (nb >= 0) setNullBit(rec, nb, v.isNull());
        return;
    }
    if (nb >= 0) setNullBit(rec, nb, false);

    const auto numericOverflow = [&f](const QString& value) {
        vb::Raise(dbferr::NumericOverflow, kSource,
                  QStringLiteral("The number %1 does not fit field %2.").arg(value, describe(f)));
    };

    switch (f.type) {
    case 'C': {
        QString s = v.toString();
        qsizetype n = s.size();
        while (n > 0 && s[n - 1] == QLatin1Char(' '))
            --n;
        s.truncate(n);
        // A character the table's code page lacks fails the write, never a "?".
        bool lossless = true;
        const QByteArray b = m_codePage.encode(s, &lossless);
        if (!lossless) vb::Raise(dbferr::NotInCodePage, kSource, m_codePage.lacking(s, m_path));
        if (b.size() > f.width)
            vb::Raise(dbferr::FieldTooSmall, kSource,
                      QStringLiteral("The text \"%1\" is longer than field %2.").arg(s, describe(f)));
        std::memcpy(p, b.constData(), static_cast<size_t>(b.size()));
        std::memset(p + b.size(), ' ', static_cast<size_t>(f.width - b.size()));
        return;
    }
    case 'N':
    case 'F': {
        QByteArray t;
        const vb::VarType vt = v.type();
        if (vt == vb::VarType::Long || vt == vb::VarType::LongLong || vt == vb::VarType::Integer ||
            vt == vb::VarType::Byte || vt == vb::VarType::Boolean) {
            t = QByteArray::number(static_cast<qlonglong>(v.toLongLong()));
            if (f.decimals > 0) t += '.' + QByteArray(f.decimals, '0');
        } else {
            const double d = v.toDouble();
            if (!std::isfinite(d)) numericOverflow(v.text());
            t = QByteArray::number(d, 'f', f.decimals);
            if (t.startsWith('-') && t.count('0') + (f.decimals > 0 ? 2 : 1) == t.size())
                t.remove(0, 1); // no "-0"
        }
        if (t.size() > f.width) numericOverflow(QString::fromLatin1(t));
        std::memset(p, ' ', static_cast<size_t>(f.width - t.size()));
        std::memcpy(p + f.width - t.size(), t.constData(), static_cast<size_t>(t.size()));
        return;
    }
    case 'D': {
        const double ole = v.toDate();
        const QDate d = kOleEpoch.addDays(static_cast<qint64>(std::trunc(ole)));
        const QByteArray t = d.toString(QStringLiteral("yyyyMMdd")).toLatin1();
        if (t.size() != 8)
            vb::Raise(vb::errnum::TypeMismatch, kSource,
                      QStringLiteral("Field %1 cannot hold that date.").arg(f.name));
        std::memcpy(p, t.constData(), 8);
        std::memset(p + 8, ' ', static_cast<size_t>(f.width - 8));
        return;
    }
    case 'L':
        p[0] = v.toBool() ? 'T' : 'F';
        std::memset(p + 1, ' ', static_cast<size_t>(f.width - 1));
        return;
    case 'I': {
        std::int32_t n = 0;
        try {
            n = v.toLong();
        } catch (const vb::ErrObject& e) {
            if (e.Number != vb::errnum::Overflow) throw;
            numericOverflow(v.text());
        }
        qToLittleEndian<std::int32_t>(n, p);
        return;
    }
    case 'B': {
        const double d = v.toDouble();
        quint64 bits;
        std::memcpy(&bits, &d, sizeof bits);
        qToLittleEndian<quint64>(bits, p);
        return;
    }
    case 'T': {
        const double ole = v.toDate();
        qint64 days = static_cast<qint64>(std::trunc(ole));
        qint64 ms = std::llround(std::fabs(ole - static_cast<double>(days)) * 86400.0) * 1000;
        if (ms >= kMsPerDay) {
            ms -= kMsPerDay;
            ++days;
        }
        qToLittleEndian<std::int32_t>(static_cast<std::int32_t>(days + kJulianOfOleEpoch), p);
        qToLittleEndian<std::int32_t>(static_cast<std::int32_t>(ms), p + 4);
        return;
    }
    case 'Y': {
        qint64 scaled = 0;
        if (v.type() == vb::VarType::Currency) {
            scaled = v.rawInt();
        } else {
            const double s = std::round(v.toDouble() * 10000.0);
            if (!std::isfinite(s) || std::fabs(s) >= 9.2e18) numericOverflow(v.text());
            scaled = static_cast<qint64>(s);
        }
        qToLittleEndian<qint64>(scaled, p);
        return;
    }
    default:
        break;
    }
}

QString DbfTable::undoJournalPath(const QString& dbfPath)
{
    return dbfPath + QStringLiteral("-undo");
}

QStringList DbfTable::companionPaths(const QString& dbfPath)
{
    const QFileInfo fi(dbfPath);
    const QString folder = fi.path() + u'/';
    // A case-blind folder holds one file under both spellings: it is named
    // once, as the folder holds it.
    const bool caseBlind = fso::IsCaseBlindFolder(fi.path());
    QStringList paths;
    for (const char* suffix : {".fpt", ".dbt", ".cdx", ".mdx"}) {
        const QString name = fi.completeBaseName() + QLatin1String(suffix);
        if (!caseBlind) {
            paths << folder + name << folder + fi.completeBaseName() + QString::fromLatin1(suffix).toUpper();
            continue;
        }
        const QString held = fso::HeldName(fi.path(), name);
        paths << folder + (held.isEmpty() ? name : held);
    }
    return paths;
}

void DbfTable::journal(qint64 offset, const QByteArray& before, const QByteArray& after)
{
    QByteArray entry(kEntryHeader, '\0');
    qToLittleEndian<qint64>(offset, entry.data());
    qToLittleEndian<qint32>(static_cast<qint32>(before.size()), entry.data() + 8);
    qToLittleEndian<qint32>(static_cast<qint32>(after.size()), entry.data() + 12);
    entry += before;
    entry += after;
    if (m_journal->write(entry) != entry.size() || !m_journal->flush())
        vb::Raise(vb::errnum::DeviceIOError, kSource, fso::WriteFailure(m_path, errno));
    m_journalSynced = false;
}

void DbfTable::syncTable()
{
    if (::fsync(m_file->handle()) != 0 && errno != EINVAL)
        vb::Raise(vb::errnum::DeviceIOError, kSource, fso::WriteFailure(m_path, errno));
}

void DbfTable::dropJournal()
{
    if (!m_journal) return;
    m_journal->close();
    QFile::remove(undoJournalPath(m_path));
    m_journal.reset();
    fso::SyncFolderOf(m_path);
}

void DbfTable::syncJournal()
{
    if (m_journalSynced) return;
    if (::fdatasync(m_journal->handle()) != 0 && errno != EINVAL)
        vb::Raise(vb::errnum::DeviceIOError, kSource, fso::WriteFailure(m_path, errno));
    m_journalSynced = true;
}

qint64 DbfTable::pendingRecord(qint64 offset, qint64 length) const
{
    if (offset < m_headerLength || m_recordLength <= 0) return -1;
    const qint64 record = (offset - m_headerLength) / m_recordLength;
    if (record >= m_count || offset + length > recordOffset(record) + m_recordLength) return -1;
    return record;
}

void DbfTable::writePending()
{
    if (m_pending.empty()) return;
    syncJournal();
    // Each is in the journal: a failure part way is rolled back with the rest.
    m_written = true;
    const std::map<qint64, QByteArray> pending = std::move(m_pending);
    m_pending.clear();
    for (const auto& [record, bytes] : pending)
        writeOut(recordOffset(record), bytes, m_file->size(), {});
}

void DbfTable::writeAt(qint64 offset, const QByteArray& bytes)
{
    // A change inside a record of a transaction waits beside the table, its
    // undo in the journal: the journal is synced once for many of them
    // before they go to the table together, rather than once for each.
    const qint64 deferred = m_undoing ? pendingRecord(offset, bytes.size()) : -1;
    if (deferred >= 0) {
        auto it = m_pending.find(deferred);
        if (it == m_pending.end()) {
            QByteArray record;
            if (m_file->seek(recordOffset(deferred))) record = m_file->read(m_recordLength);
            if (record.size() != m_recordLength)
                vb::Raise(dbferr::BadTable, kSource,
                          QStringLiteral("Record %1 cannot be read.").arg(deferred));
            it = m_pending.emplace(deferred, std::move(record)).first;
        }
        const qsizetype at = qsizetype(offset - recordOffset(deferred));
        QByteArray before = it->second.mid(at, bytes.size());
        journal(offset, before, bytes);
        m_undo.push_back({offset, std::move(before)});
        it->second.replace(at, bytes.size(), bytes);
        if (m_pending.size() >= kPendingRecords) writePending();
        return;
    }
    const qint64 size = m_file->size();
    // A write that grows the table (an append) is the one a full disk stops:
    // the bytes it covers before the old end are kept to put back.
    QByteArray covered;
    if (offset < size && offset + bytes.size() > size && m_file->seek(offset))
        covered = m_file->read(size - offset);
    if (m_undoing) {
        QByteArray before = covered;
        if (before.isEmpty() && offset < size && m_file->seek(offset)) before = m_file->read(bytes.size());
        // Bytes past the table's end need no undo (the length is put
        // back), but are kept as written: they tell the table's growth from
        // another program's.
        journal(offset, before, bytes);
        m_undo.push_back({offset, std::move(before)});
        // Undo before the change: the entry (and the journal's header, with
        // the table's length) must be on the disk before the write is.
        syncJournal();
        m_written = true;
    }
    writeOut(offset, bytes, size, covered);
}

void DbfTable::writeOut(qint64 offset, const QByteArray& bytes, qint64 size, const QByteArray& covered)
{
    if (!m_file->seek(offset) || m_file->write(bytes) != bytes.size() || !m_file->flush()) {
        const int error = errno;
        // The bytes that did not reach the disk (a full disk, a size limit)
        // must not stay in the file's buffer: every later seek would try them
        // again and fail, and a rollback could not put the table back. What
        // did reach it is taken back: the table keeps its length and bytes.
        m_cachedRecord = -1;
        m_file->close();
        m_file->open(QIODevice::ReadWrite);
        if (!covered.isEmpty() && m_file->seek(offset)) m_file->write(covered);
        m_file->flush();
        if (m_file->size() > size) m_file->resize(size);
        vb::Raise(vb::errnum::DeviceIOError, kSource, fso::WriteFailure(m_path, error));
    }
}

void DbfTable::beginUndo()
{
    checkWritable();
    // A rollback that could not put everything back keeps its journal for
    // the table's next open: no new transaction starts over it.
    if (m_journal)
        vb::Raise(
            vb::errnum::PermissionDenied, kSource,
            QStringLiteral("Cannot write to '%1': an unfinished change is still to be undone.").arg(m_path));
    m_undo.clear();
    m_undoSize = m_file->size();
    const QString journalPath = undoJournalPath(m_path);
    // The header as it is now, which no other table shares with this one.
    QByteArray identity;
    if (m_file->seek(0)) identity = m_file->read(m_headerLength);
    QByteArray header = kJournalMagic;
    header.resize(kJournalHeader);
    qToLittleEndian<qint64>(m_undoSize, header.data() + 8);
    qToLittleEndian<qint32>(static_cast<qint32>(identity.size()), header.data() + 16);
    header += identity;
    // The journal is the table's own file: never reached through a link (a
    // dangling one included) and never a file of another user, whose bytes
    // would be written or whose content would later be played back.
    struct stat table {};
    ::fstat(m_file->handle(), &table);
    // Nor a pipe, whose open would wait for a reader, nor a second name of
    // another file, which the truncation below would empty.
    const int fd = ::open(QFile::encodeName(journalPath).constData(),
                          O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, table.st_mode & 0666);
    struct stat st {};
    const bool own = fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 &&
                     st.st_uid == ::geteuid();
    m_journal = std::make_unique<QFile>(journalPath);
    if (!own || !m_journal->open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle) ||
        ::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ftruncate(fd, 0) != 0) {
        if (fd >= 0 && !m_journal->isOpen()) ::close(fd);
        m_journal->close();
        m_journal.reset();
        vb::Raise(vb::errnum::PermissionDenied, kSource,
                  QStringLiteral("Cannot write to '%1': its undo journal '%2' cannot be made there.")
                      .arg(m_path, journalPath));
    }
    if (m_journal->write(header) != header.size() || !m_journal->flush()) {
        const int error = errno;
        dropJournal();
        vb::Raise(vb::errnum::DeviceIOError, kSource, fso::WriteFailure(m_path, error));
    }
    m_journalSynced = false;
    m_written = false;
    m_undoing = true;
    m_undoCount = m_count;
    m_undoLastUpdate = m_lastUpdate;
    m_undoStamped = m_stamped;
}

void DbfTable::syncUndo()
{
    if (!m_undoing) return;
    writePending();
    if (m_written) syncTable();
    m_written = false;
}

void DbfTable::commitUndo()
{
    // The journal may go only once every write it undoes is on the disk.
    syncUndo();
    m_undoing = false;
    m_undo.clear();
    dropJournal();
}

void DbfTable::rollbackUndo()
{
    if (!m_undoing) return;
    m_undoing = false;
    m_cachedRecord = -1;
    m_pending.clear(); // never reached the table
    // Latest write first, so a range written twice ends as it was before both.
    // The latest is often the write that failed (a full disk) and cannot be
    // put back either: every other range is still restored before the first
    // failure is raised.
    bool restored = true;
    for (auto it = m_undo.rbegin(); it != m_undo.rend(); ++it) {
        if (it->before.isEmpty()) continue;
        try {
            writeAt(it->offset, it->before);
        } catch (...) {
            vb::CatchError();
            restored = false;
        }
    }
    m_undo.clear();
    if (m_file->size() != m_undoSize && !m_file->resize(m_undoSize)) restored = false;
    if (!restored || ::fsync(m_file->handle()) != 0)
        vb::Raise(vb::errnum::PermissionDenied, kSource, QStringLiteral("Cannot write to '%1'.").arg(m_path));
    // Put back: the journal has done its part.
    dropJournal();
    m_count = m_undoCount;
    m_lastUpdate = m_undoLastUpdate;
    m_stamped = m_undoStamped;
}

void DbfTable::writeHeaderState()
{
    const QDate today = vb::CurrentClock().now().date();
    QByteArray state(7, '\0');
    state[0] = static_cast<char>(std::clamp(today.year() - 1900, 0, 255));
    state[1] = static_cast<char>(today.month());
    state[2] = static_cast<char>(today.day());
    qToLittleEndian<quint32>(static_cast<quint32>(m_count), state.data() + 3);
    writeAt(1, state);
    m_lastUpdate = today;
    m_stamped = true;
}

void DbfTable::setValue(qint64 record, int field, const vb::Variant& value)
{
    checkWritable();
    if (field < 0 || field >= m_fields.size())
        vb::Raise(vb::errnum::SubscriptOutOfRange, kSource, QStringLiteral("No field %1.").arg(field));
    QByteArray rec = recordBytes(record);
    encodeInto(rec, field, value);
    m_cachedRecord = -1;
    writeAt(recordOffset(record), rec);
    m_cache = rec;
    m_cachedRecord = record;
    if (!m_stamped) writeHeaderState();
}

void DbfTable::setValues(qint64 record, const QVector<vb::Variant>& values)
{
    checkWritable();
    QByteArray rec = recordBytes(record);
    const int n = std::min(static_cast<int>(values.size()), fieldCount());
    for (int i = 0; i < n; ++i)
        encodeInto(rec, i, values[i]);
    m_cachedRecord = -1;
    writeAt(recordOffset(record), rec);
    m_cache = rec;
    m_cachedRecord = record;
    if (!m_stamped) writeHeaderState();
}

void DbfTable::setDeleted(qint64 record, bool deleted)
{
    checkWritable();
    QByteArray rec = recordBytes(record);
    rec[0] = deleted ? '*' : ' ';
    m_cachedRecord = -1;
    writeAt(recordOffset(record), QByteArray(1, rec[0]));
    m_cache = rec;
    m_cachedRecord = record;
    if (!m_stamped) writeHeaderState();
}

qint64 DbfTable::appendRecord(const QVector<vb::Variant>& values)
{
    checkWritable();
    QByteArray rec(m_recordLength, ' ');
    if (m_nullFlagsOffset >= 0)
        std::memset(rec.data() + m_nullFlagsOffset, 0, static_cast<size_t>(m_nullFlagsWidth));
    for (int i = 0; i < m_fields.size(); ++i) {
        blankField(rec, m_fields[i]);
        if (m_nullBits[i] >= 0) setNullBit(rec, m_nullBits[i], true);
    }
    const int n = std::min(static_cast<int>(values.size()), fieldCount());
    for (int i = 0; i < n; ++i)
        encodeInto(rec, i, values[i]);

    // The record first, then the count that makes it part of the table.
    const qint64 index = m_count;
    writeAt(recordOffset(index), rec + kEof);
    ++m_count;
    writeHeaderState();
    m_cache = rec;
    m_cachedRecord = index;
    return index;
}

// ---------------------------------------------------------------- creating

void DbfTable::create(const QString& path, const QVector<DbfField>& fieldsIn, unsigned char version,
                      int codePage)
{
    const auto invalid = [](const QString& why) {
        vb::Raise(vb::errnum::InvalidProcedureCall, kSource, why);
    };
    if (!(version == 0x03 || version == 0x83 || version == 0xF5 || isVisualFoxPro(version)))
        invalid(QStringLiteral("Tables of version 0x%1 cannot be created.")
                    .arg(version, 2, 16, QLatin1Char('0')));
    const bool vfp = isVisualFoxPro(version);
    if (fieldsIn.isEmpty() || fieldsIn.size() > 254)
        invalid(QStringLiteral("A table needs 1 to 254 fields."));

    QVector<DbfField> fields = fieldsIn;
    QSet<QString> names;
    bool memo = false;
    int nullable = 0;
    for (DbfField& f : fields) {
        f.name = f.name.trimmed().toUpper();
        f.type = static_cast<char>(QChar::toUpper(static_cast<char32_t>(static_cast<unsigned char>(f.type))));
        const QString& n = f.name;
        bool nameOk = !n.isEmpty() && n.size() <= 10 && n[0].isLetter();
        for (const QChar c : n)
            nameOk = nameOk && c.unicode() < 0x80 && (c.isLetterOrNumber() || c == QLatin1Char('_'));
        if (!nameOk || names.contains(n))
            invalid(QStringLiteral("Field name \"%1\" is not valid or used twice.").arg(n));
        names.insert(n);
        const QByteArray allowed = vfp ? QByteArrayLiteral("CNFDLMIBTY") : QByteArrayLiteral("CNFDLM");
        if (!allowed.contains(f.type))
            invalid(QStringLiteral("Field %1: type %2 is not available in this version.")
                        .arg(n)
                        .arg(QLatin1Char(f.type)));
        const int fixed = fixedWidth(f.type, vfp);
        if (fixed > 0) {
            if (f.width != 0 && f.width != fixed)
                invalid(QStringLiteral("Field %1: type %2 is %3 wide.")
                            .arg(n)
                            .arg(QLatin1Char(f.type))
                            .arg(fixed));
            f.width = fixed;
            f.decimals = 0;
        } else if (f.type == 'C') {
            if (f.width < 1 || f.width > 254)
                invalid(QStringLiteral("Field %1: a character field is 1 to 254 wide.").arg(n));
            f.decimals = 0;
        } else { // N, F
            if (f.width < 1 || f.width > 20 || f.decimals < 0 || (f.decimals > 0 && f.decimals > f.width - 2))
                invalid(QStringLiteral("Field %1: width %2 with %3 decimals is not valid.")
                            .arg(n)
                            .arg(f.width)
                            .arg(f.decimals));
        }
        if (f.nullable && !vfp)
            invalid(QStringLiteral("Field %1: only Visual FoxPro fields can hold Null.").arg(n));
        memo = memo || f.type == 'M';
        nullable += f.nullable ? 1 : 0;
    }
    if (memo && version == 0x03)
        invalid(QStringLiteral("A table with memo fields is version 0x83, 0xF5 or 0x30."));

    struct Descriptor {
        QByteArray name;
        char type;
        int width;
        int decimals;
        unsigned char flags;
    };
    QVector<Descriptor> descriptors;
    for (const DbfField& f : fields) {
        unsigned char flags = f.nullable ? 0x02 : 0x00;
        if (vfp && (isBinaryType(f.type) || f.type == 'M')) flags |= 0x04;
        descriptors.push_back({f.name.toLatin1(), f.type, f.width, f.decimals, flags});
    }
    if (nullable > 0)
        descriptors.push_back({QByteArrayLiteral("_NullFlags"), '0', (nullable + 7) / 8, 0, 0x05});

    int recordLength = 1;
    for (const Descriptor& d : descriptors)
        recordLength += d.width;
    const int headerLength = 32 + 32 * static_cast<int>(descriptors.size()) + 1 + (vfp ? 263 : 0);
    if (recordLength > 65535) invalid(QStringLiteral("The record is too long."));

    QByteArray bytes(headerLength, '\0');
    const QDate today = vb::CurrentClock().now().date();
    bytes[0] = static_cast<char>(version);
    bytes[1] = static_cast<char>(std::clamp(today.year() - 1900, 0, 255));
    bytes[2] = static_cast<char>(today.month());
    bytes[3] = static_cast<char>(today.day());
    qToLittleEndian<quint16>(static_cast<quint16>(headerLength), bytes.data() + 8);
    qToLittleEndian<quint16>(static_cast<quint16>(recordLength), bytes.data() + 10);
    bytes[28] = static_cast<char>(vfp && memo ? 0x02 : 0x00);
    bytes[29] = static_cast<char>(CodePage::languageDriver(codePage));
    int pos = 32;
    int offset = 1;
    for (const Descriptor& d : descriptors) {
        std::memcpy(bytes.data() + pos, d.name.constData(),
                    static_cast<size_t>(std::min<qsizetype>(d.name.size(), 10)));
        bytes[pos + 11] = d.type;
        if (vfp) qToLittleEndian<quint32>(static_cast<quint32>(offset), bytes.data() + pos + 12);
        bytes[pos + 16] = static_cast<char>(d.width);
        bytes[pos + 17] = static_cast<char>(d.decimals);
        bytes[pos + 18] = static_cast<char>(d.flags);
        offset += d.width;
        pos += 32;
    }
    bytes[pos] = '\r';
    bytes += kEof;

    const auto save = [](const QString& file, const QByteArray& data) { fso::WriteWholeFile(file, data); };
    if (memo) {
        QByteArray memoHeader(512, '\0');
        if (version == 0x83) {
            qToLittleEndian<quint32>(1, memoHeader.data());
        } else {
            constexpr int kBlock = 64;
            qToBigEndian<quint32>(512 / kBlock, memoHeader.data());
            qToBigEndian<quint16>(kBlock, memoHeader.data() + 6);
        }
        save(memoPath(path, version != 0x83), memoHeader);
    }
    save(path, bytes);
}

} // namespace files
