#pragma once
// A text calling list rewritten into its replacement: its records read as
// the text driver reads them, and the records that stay written byte for
// byte (leading zeros, quoting, dates and line ends as they were, empty
// lines and the title line too). Committed, the replacement takes the list's
// place in one rename.

#include "core/EngineProgress.h"
#include "platform/files/TextTable.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace scrub {

class LineFile;

// The reader's options: the header flag of the profile, the separator of
// the connection string's format (",", when there is no string).
files::TextOptions ReaderOptions(const QString& connectionString, bool titleFirstLine);

// The column of that name, without regard to case; raises 3265 (item not
// found) naming it when the list has none.
int RequiredColumn(const files::TextTable& table, const QString& name);

// Appends a field's text, as the table gives it, to out. Plain ASCII fields
// (the common case of a phone number) are copied without the table's
// general decoding and without a text of their own.
void AppendFieldText(const files::TextTable& table, const files::TextRecord& record, int column,
                     QString& out);

// How a run over a text list that stopped says so; the list is as it was.
// Error 75 is a refusal of the run's own (the list or its folder takes no
// writes, a result file would take another file's place, the list changed
// meanwhile, a quote never closes): said in its own words, as a refusal.
// Any other error is a failure of the routine ("GetExcelFields").
void StopTextRun(engine::Result& result, const vb::ErrObject& error);

// Writes a list's copy record by record, in the list's order. What stands
// before the first record (a byte-order mark, the title line), between
// records (empty lines) and after the last is copied as it stands.
class RecordCopy {
public:
    // Writes what stands before the first record.
    RecordCopy(const QString& source, qint64 dataOffset, LineFile& out);
    // The record as it stands.
    void Keep(const files::TextRecord& record);
    // Other bytes in the record's place.
    void Write(const files::TextRecord& record, const QByteArray& bytes);
    // Nothing in the record's place; the empty lines before it stay.
    void Drop(const files::TextRecord& record);
    // The same for the record from offset up to end (its line end included).
    void Write(qint64 offset, qint64 end, const QByteArray& bytes);
    void Drop(qint64 offset, qint64 end);
    // Writes what stands after the last record.
    void Finish();

private:
    // Copies the source's bytes from where the copy stands up to offset.
    void copyTo(qint64 offset);

    QFile m_source;
    LineFile& m_out;
    // The source's bytes up to m_copied are dealt with. Those after stand
    // as they are until a record dropped or rewritten breaks the stretch.
    qint64 m_copied = 0;
    QByteArray m_block; // the source read ahead, from m_blockOffset
    qint64 m_blockOffset = 0;
};

// A list that may not be rewritten is refused before anything is written:
// a read-only file, or a folder that takes no new file beside it. target is
// the file really meant (fso::ResolvedFilePath), source the list as named;
// action completes "it cannot be ..." ("scrubbed"). Raises 75.
void RequireWritableList(const QString& target, const QString& source, const QString& action);

// Bytes of a file between two offsets; empty when to <= from. Opens the
// file when it is not open yet; raises 70 when it cannot.
QByteArray FileBytes(QFile& file, qint64 from, qint64 to);

} // namespace scrub
