#include "scrub/ListCopy.h"

#include "platform/ado/ConnectionString.h"
#include "platform/fso/FileReplace.h"
#include "platform/vb/Err.h"
#include "scrub/ScrubRun.h"

#include <QFileInfo>
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
    m_out.Write(FileBytes(m_source, 0, dataOffset));
    m_expected = dataOffset;
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

QByteArray FileBytes(QFile& file, qint64 from, qint64 to)
{
    if (to <= from) return {};
    if (!file.isOpen() && !file.open(QIODevice::ReadOnly)) vb::Raise(vb::errnum::PermissionDenied);
    file.seek(from);
    return file.read(to - from);
}

void RecordCopy::gapBefore(const files::TextRecord& record)
{
    if (record.offset > m_expected) m_out.Write(FileBytes(m_source, m_expected, record.offset));
    m_expected = record.nextOffset();
}

void RecordCopy::Keep(const files::TextRecord& record)
{
    gapBefore(record);
    m_out.Write(record.raw);
}

void RecordCopy::Write(const files::TextRecord& record, const QByteArray& bytes)
{
    gapBefore(record);
    m_out.Write(bytes);
}

void RecordCopy::Drop(const files::TextRecord& record)
{
    gapBefore(record);
}

void RecordCopy::Finish()
{
    m_out.Write(FileBytes(m_source, m_expected, QFileInfo(m_source.fileName()).size()));
    m_source.close();
}

} // namespace scrub
