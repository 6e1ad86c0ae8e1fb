#include "scrub/ListCopy.h"

#include "platform/ado/ConnectionString.h"
#include "platform/fso/FileReplace.h"
#include "platform/vb/Err.h"
#include "scrub/ScrubRun.h"

#include <QFileInfo>
#include <algorithm>
#include <unistd.h>

namespace scrub {

files::TextOptions ReaderOptions(const QString& connectionString, bool titleFirstLine)
{
    files::TextOptions options;
    if (!connectionString.isEmpty()) {
        const ado::ConnectionString cs(connectionString);
        options = files::TextOptions::fromExtendedProperties(cs.value(QStringLiteral("Extended Properties")));
    }
    options.header = titleFirstLine;
    return options;
}

int RequiredColumn(const files::TextTable& table, const QString& name)
{
    const int index = table.columnIndex(name);
    if (index < 0)
        vb::Raise(vb::errnum::ItemNotFound, QStringLiteral("ADODB.Fields"),
                  QStringLiteral("Item cannot be found in the collection corresponding to the requested name "
                                 "or ordinal. (%1)")
                      .arg(name));
    return index;
}

void AppendFieldText(const files::TextTable& table, const files::TextRecord& record, int column, QString& out)
{
    if (column < 0 || column >= record.fieldCount()) return;
    const files::TextField& f = record.fields[column];
    if (!f.quoted) {
        const char* p = record.raw.constData() + f.start;
        qsizetype n = f.length;
        while (n > 0 && (*p == ' ' || *p == '\t')) {
            ++p;
            --n;
        }
        while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\t'))
            --n;
        bool ascii = true;
        for (qsizetype i = 0; i < n; ++i) {
            const auto c = static_cast<unsigned char>(p[i]);
            if (c >= 0x80 || c < 0x20) {
                ascii = false;
                break;
            }
        }
        if (ascii) {
            const qsizetype at = out.size();
            out.resize(at + n);
            QChar* d = out.data() + at;
            for (qsizetype i = 0; i < n; ++i)
                d[i] = QLatin1Char(p[i]);
            return;
        }
    }
    out += table.text(record, column);
}

// ---------------------------------------------------------------- RecordCopy

RecordCopy::RecordCopy(const QString& source, qint64 dataOffset, LineFile& out) : m_source(source), m_out(out)
{
    copyTo(dataOffset);
}

void RequireWritableList(const QString& target, const QString& source, const QString& action)
{
    if (!QFileInfo::exists(target)) return; // reported as a missing file by the reader
    if (fso::IsReadOnlyFile(target))
        vb::Raise(vb::errnum::PathFileAccessError, QStringLiteral("ScrubTextFile"),
                  QStringLiteral("The calling list '%1' is read-only: it cannot be %2.").arg(source, action));
    const QString folder = QFileInfo(target).path();
    if (::access(QFile::encodeName(folder).constData(), W_OK) != 0)
        vb::Raise(vb::errnum::PathFileAccessError, QStringLiteral("ScrubTextFile"),
                  QStringLiteral("The folder '%1' of the calling list takes no new files: the list cannot be "
                                 "%2.")
                      .arg(folder, action));
}

void StopTextRun(engine::Result& result, const vb::ErrObject& error)
{
    if (error.Number == vb::errnum::PathFileAccessError)
        result.refusal = error.Description;
    else
        result.failure = engine::FailureOf(error, QString(), QStringLiteral("GetExcelFields"));
}

QByteArray FileBytes(QFile& file, qint64 from, qint64 to)
{
    if (to <= from) return {};
    if (!file.isOpen() && !file.open(QIODevice::ReadOnly)) vb::Raise(vb::errnum::PermissionDenied);
    file.seek(from);
    return file.read(to - from);
}

void RecordCopy::copyTo(qint64 offset)
{
    // The records kept are the file's own bytes, so they are copied from
    // the file in stretches, read ahead in large blocks, rather than one
    // by one from the records.
    constexpr qint64 kBlock = 1 << 20;
    while (m_copied < offset) {
        if (m_copied < m_blockOffset || m_copied >= m_blockOffset + m_block.size()) {
            if (!m_source.isOpen() && !m_source.open(QIODevice::ReadOnly))
                vb::Raise(vb::errnum::PermissionDenied, QStringLiteral("RecordCopy"),
                          QStringLiteral("Cannot read the file '%1'.").arg(m_source.fileName()));
            m_block.resize(kBlock);
            qint64 n = -1;
            if (m_source.seek(m_copied)) n = m_source.read(m_block.data(), kBlock);
            if (n <= 0)
                vb::Raise(vb::errnum::PathFileAccessError, QStringLiteral("RecordCopy"),
                          QStringLiteral("The file '%1' ended or changed while it was copied.")
                              .arg(m_source.fileName()));
            m_block.resize(n);
            m_blockOffset = m_copied;
        }
        const qint64 at = m_copied - m_blockOffset;
        const qint64 n = std::min<qint64>(offset - m_copied, m_block.size() - at);
        m_out.Write(m_block.constData() + at, n);
        m_copied += n;
    }
}

void RecordCopy::Keep(const files::TextRecord&)
{
    // The record, and the empty lines before it, stand as they are: they
    // are copied with the stretch they belong to.
}

void RecordCopy::Write(const files::TextRecord& record, const QByteArray& bytes)
{
    Write(record.offset, record.nextOffset(), bytes);
}

void RecordCopy::Drop(const files::TextRecord& record)
{
    Drop(record.offset, record.nextOffset());
}

void RecordCopy::Write(qint64 offset, qint64 end, const QByteArray& bytes)
{
    copyTo(offset);
    m_out.Write(bytes);
    m_copied = end;
}

void RecordCopy::Drop(qint64 offset, qint64 end)
{
    copyTo(offset); // the empty lines before it stay
    m_copied = end;
}

void RecordCopy::Finish()
{
    const qint64 size = QFileInfo(m_source.fileName()).size();
    if (size < m_copied) // records were read that the file no longer holds
        vb::Raise(
            vb::errnum::PathFileAccessError, QStringLiteral("RecordCopy"),
            QStringLiteral("The file '%1' ended or changed while it was copied.").arg(m_source.fileName()));
    copyTo(size);
    m_source.close();
}

} // namespace scrub
