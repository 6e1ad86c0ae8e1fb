#pragma once
// dBase III, FoxPro 2 and Visual FoxPro tables (.dbf), read and written in
// place. Values are vb::Variant; text goes through the table's code page.
// A write never changes more than the record it is for, and the header's
// record count is written only after the record itself, so a write cut
// short leaves a table that still opens with its old contents.

#include "platform/files/CodePage.h"
#include "platform/vb/Variant.h"

#include <QByteArray>
#include <QDate>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QVector>
#include <map>
#include <memory>
#include <vector>

namespace files {

// Error numbers raised by the DBF layer besides the usual VB ones.
namespace dbferr {
constexpr std::int32_t ReadOnly = 3027;        // table opened read-only, or a memo field written
constexpr std::int32_t FieldTooSmall = 3163;   // text longer than the field
constexpr std::int32_t NumericOverflow = 3349; // number wider than the field
constexpr std::int32_t BadTable = 3051;        // not a table this layer can open
constexpr std::int32_t NotInCodePage = 3421;   // text the table's code page cannot hold
} // namespace dbferr

struct DbfField {
    QString name;          // up to 10 characters, stored in upper case
    char type = 'C';       // C N F D L I B T Y M (others are read as text, never written)
    int width = 0;         // bytes in the record; 0 in create() means the type's usual width
    int decimals = 0;      // N and F
    bool nullable = false; // Visual FoxPro: the field can hold Null
    int offset = 0;        // set by the table: position in the record (the deleted flag is byte 0)
};

class DbfTable {
public:
    enum class Mode { ReadOnly, ReadWrite };

    // Opens a table. Raises 53 when the file does not exist, 70 when it
    // cannot be opened as asked, 3051 when it is no DBF table.
    explicit DbfTable(const QString& path, Mode mode = Mode::ReadWrite);
    ~DbfTable();
    DbfTable(const DbfTable&) = delete;
    DbfTable& operator=(const DbfTable&) = delete;

    // Creates a new table with no records, replacing any file of that name
    // (and an empty memo file when a field is M). Version 0x30 (Visual
    // FoxPro) takes every type; 0x03/0x83 (dBase III) and 0xF5 (FoxPro 2)
    // take C N F D L M. Raises 5 for fields the version cannot hold.
    static void create(const QString& path, const QVector<DbfField>& fields, unsigned char version = 0x30,
                       int codePage = 1252);

    const QString& path() const { return m_path; }
    bool isReadOnly() const { return m_mode == Mode::ReadOnly; }
    unsigned char version() const { return m_version; }
    int codePage() const { return m_codePage.number(); }
    QDate lastUpdate() const { return m_lastUpdate; }
    qint64 recordCount() const { return m_count; }

    const QVector<DbfField>& fields() const { return m_fields; }
    int fieldCount() const { return static_cast<int>(m_fields.size()); }
    // Index of a field by name, without regard to case; -1 when none.
    int fieldIndex(const QString& name) const;

    // Records are numbered from 0. Reading a number out of range raises 9.
    bool isDeleted(qint64 record);
    vb::Variant value(qint64 record, int field);
    QVector<vb::Variant> values(qint64 record);

    // In-place writes. A value is checked against its field before anything
    // is written: text longer than the field raises 3163, a number wider
    // than the field 3349, a value of the wrong kind 13, a memo field 3027.
    void setValue(qint64 record, int field, const vb::Variant& value);
    // Writes a whole record's fields (fewer values leave the rest as they are).
    void setValues(qint64 record, const QVector<vb::Variant>& values);
    void setDeleted(qint64 record, bool deleted);
    // Adds a record (missing values are blank) and returns its number.
    qint64 appendRecord(const QVector<vb::Variant>& values = {});

    // A transaction over the table's writes: after beginUndo every write
    // keeps the bytes it covers, so rollbackUndo can put the file back as it
    // was (records, header and length); commitUndo keeps the writes. The
    // writes go to the file in place: changes inside records a few thousand
    // at a time and at the commit, the others at once.
    //
    // The bytes kept also go to an undo journal beside the table (its path
    // and "-undo") before each write, and the journal goes when the
    // transaction ends. A process killed in between leaves the journal: the
    // next open of the table puts the file back from it, so a transaction
    // is never left half done. An open journal is locked, so an open while
    // its transaction runs leaves it alone. The journal reaches the disk
    // before a write it covers, and the table before the journal goes, so a
    // power cut is undone like a kill; commitUndo raises 57 when the table
    // cannot be synced, and the transaction can then still be rolled back.
    void beginUndo();
    // The first half of commitUndo: every change written and synced. It
    // raises 57 when they cannot be, and the transaction can then still be
    // rolled back; commitUndo after it only lets the journal go.
    void syncUndo();
    void commitUndo();
    void rollbackUndo();

    // The undo journal of a table.
    static QString undoJournalPath(const QString& dbfPath);
    // The memo and index files a table may keep beside it (.fpt, .dbt, .cdx,
    // .mdx, in either case), found by its base name: nothing in the table
    // names them, so a copy of the table needs copies of them named as it.
    // On a case-blind folder each is named once, spelled as the folder
    // holds it.
    static QStringList companionPaths(const QString& dbfPath);

private:
    struct Memo;

    void readHeader();
    void checkRecord(qint64 record) const;
    void checkWritable() const;
    const QByteArray& recordBytes(qint64 record);
    qint64 recordOffset(qint64 record) const { return m_headerLength + record * m_recordLength; }
    void encodeInto(QByteArray& rec, int field, const vb::Variant& value) const;
    vb::Variant decode(const QByteArray& rec, int field);
    bool nullBit(const QByteArray& rec, int bit) const;
    void setNullBit(QByteArray& rec, int bit, bool on) const;
    void writeAt(qint64 offset, const QByteArray& bytes);
    // The write itself; a failure takes back what reached the file (the
    // table keeps its length size and, where an append began, the bytes
    // covered) and raises 57.
    void writeOut(qint64 offset, const QByteArray& bytes, qint64 size, const QByteArray& covered);
    void journal(qint64 offset, const QByteArray& before, const QByteArray& after);
    void dropJournal();
    void syncJournal();
    void syncTable();
    // The record a write falls inside, when it may wait in m_pending; -1.
    qint64 pendingRecord(qint64 offset, qint64 length) const;
    void writePending();
    void writeHeaderState();
    vb::Variant readMemo(qint64 block);

    QString m_path;
    Mode m_mode;
    std::unique_ptr<QFile> m_file;
    std::unique_ptr<Memo> m_memo;
    unsigned char m_version = 0;
    CodePage m_codePage;
    QDate m_lastUpdate;
    qint64 m_count = 0;
    int m_headerLength = 0;
    int m_recordLength = 0;
    QVector<DbfField> m_fields; // the visible fields
    QVector<int> m_nullBits;    // per visible field: its bit in _NullFlags, or -1
    int m_nullFlagsOffset = -1; // the hidden _NullFlags field of Visual FoxPro
    int m_nullFlagsWidth = 0;
    bool m_stamped = false; // the last-update date was written in this session
    qint64 m_cachedRecord = -1;
    QByteArray m_cache;

    struct Undo {
        qint64 offset;
        QByteArray before;
    };
    bool m_undoing = false;
    std::unique_ptr<QFile> m_journal;
    bool m_journalSynced = true; // every entry written has reached the disk
    bool m_written = false;      // the transaction wrote to the table
    // Records a transaction changed, not yet written: their undo is in the
    // journal, which is synced once before they go to the table.
    static constexpr std::size_t kPendingRecords = 4096;
    std::map<qint64, QByteArray> m_pending;
    std::vector<Undo> m_undo;
    qint64 m_undoSize = 0;
    qint64 m_undoCount = 0;
    QDate m_undoLastUpdate;
    bool m_undoStamped = false;
};

} // namespace files
