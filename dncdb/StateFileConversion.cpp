#include "dncdb/StateFileConversion.h"

#include "dncdb/WizardConversions.h"
#include "platform/fso/FileReplace.h"
#include "platform/fso/TextStream.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"

#include <QFile>
#include <cmath>
#include <cstring>
#include <string>

namespace stateformat {

namespace {

const QString kFieldSeparator = QStringLiteral(";;");
const QString kPartSeparator = QStringLiteral("::");

constexpr qsizetype kReadBlock = 1 << 20;
constexpr std::size_t kWriteBlock = 1 << 20;
constexpr std::int64_t kProgressEvery = 1000;

// Halves to the even neighbour, as VB rounds.
double RoundEven(double value)
{
    return std::nearbyint(value);
}

} // namespace

QStringList DelimiterWords()
{
    return {QStringLiteral("Tab"), QStringLiteral("Semicolon"), QStringLiteral("Comma"),
            QStringLiteral("Space")};
}

char DelimiterFor(const QString& word)
{
    if (word.compare(QLatin1String("Semicolon"), Qt::CaseInsensitive) == 0) return ';';
    if (word.compare(QLatin1String("Comma"), Qt::CaseInsensitive) == 0) return ',';
    if (word.compare(QLatin1String("Space"), Qt::CaseInsensitive) == 0) return ' ';
    return '\t';
}

QStringList SplitLine(const QString& line, QChar delimiter)
{
    if (line.isEmpty()) return {};
    return line.split(delimiter, Qt::KeepEmptyParts);
}

double LeadingNumber(const QString& text)
{
    return vb::Val(text);
}

std::int32_t FirstLineOf(const QString& text)
{
    return vb::CLng(vb::Variant(LeadingNumber(text)));
}

std::int64_t SkipCountOf(const QString& text)
{
    const double skip = RoundEven(LeadingNumber(text) - 1);
    if (!(skip > 0)) return 0;
    return skip >= 9.0e18 ? std::int64_t(9.0e18) : static_cast<std::int64_t>(skip);
}

QString EncodeSelectFields(const QStringList& names, const std::vector<bool>& checked,
                           const QStringList& values)
{
    QString chosen;
    QString all;
    for (qsizetype i = 0; i < names.size(); ++i) {
        all += kFieldSeparator + values.value(i);
        if (i < qsizetype(checked.size()) && checked[std::size_t(i)]) chosen += kFieldSeparator + names[i];
    }
    return chosen.mid(2) + kPartSeparator + all.mid(2);
}

SelectedFields DecodeSelectFields(const QString& text)
{
    SelectedFields fields;
    const qsizetype at = text.indexOf(kPartSeparator);
    if (at < 0) return fields;
    const QString names = text.left(at);
    const QString values = text.mid(at + kPartSeparator.size());
    if (!names.isEmpty()) fields.checkedNames = names.split(kFieldSeparator, Qt::KeepEmptyParts);
    if (!values.isEmpty()) fields.values = values.split(kFieldSeparator, Qt::KeepEmptyParts);
    return fields;
}

// --- the conversion --------------------------------------------------------

struct StateFileConversion::Files {
    QFile in;
    std::unique_ptr<fso::ReplacementFile> out;

    QByteArray buffer; // read-ahead of the input
    qsizetype pos = 0;
    qsizetype end = 0;
    bool atEnd = false;

    std::string unquoted; // the current line without its quotes
    std::string pending;  // output not yet written

    [[noreturn]] void RaiseRead() const
    {
        vb::Raise(57, {},
                  QStringLiteral("Cannot read ") + in.fileName() + QStringLiteral(": ") + in.errorString());
    }

    void Refill()
    {
        if (pos > 0) {
            std::memmove(buffer.data(), buffer.constData() + pos, std::size_t(end - pos));
            end -= pos;
            pos = 0;
        }
        if (end == buffer.size()) buffer.resize(std::max<qsizetype>(kReadBlock, buffer.size() * 2));
        const qint64 got = in.read(buffer.data() + end, buffer.size() - end);
        if (got < 0) RaiseRead();
        if (got == 0) atEnd = true;
        end += got;
    }

    // The next line without its line end; false at the end of the input.
    bool NextLine(const char*& line, qsizetype& length)
    {
        for (;;) {
            const char* s = buffer.constData() + pos;
            const qsizetype avail = end - pos;
            if (avail > 0) {
                const char* lf = static_cast<const char*>(std::memchr(s, '\n', std::size_t(avail)));
                const qsizetype upTo = lf ? lf - s : avail;
                const char* cr = static_cast<const char*>(std::memchr(s, '\r', std::size_t(upTo)));
                if (cr) {
                    const qsizetype at = cr - s;
                    // A CR closing the block may be the first half of a CRLF.
                    if (at + 1 < avail || atEnd) {
                        line = s;
                        length = at;
                        pos += at + 1 + (at + 1 < avail && s[at + 1] == '\n' ? 1 : 0);
                        return true;
                    }
                } else if (lf) {
                    line = s;
                    length = upTo;
                    pos += upTo + 1;
                    return true;
                } else if (atEnd) {
                    line = s;
                    length = avail;
                    pos = end;
                    return true;
                }
            } else if (atEnd) {
                return false;
            }
            Refill();
        }
    }

    void Flush()
    {
        if (pending.empty()) return;
        out->Write(pending.data(), qsizetype(pending.size())); // raises naming the cause (a full disk)
        pending.clear();
    }
};

StateFileConversion::StateFileConversion(StateConversionJob job)
    : m_job(std::move(job)), m_files(std::make_unique<Files>())
{
}

StateFileConversion::~StateFileConversion() = default;

bool StateFileConversion::OpenInput()
{
    m_files->in.setFileName(m_job.input);
    return m_files->in.open(QIODevice::ReadOnly);
}

bool StateFileConversion::OpenOutput()
{
    if (dncwizard::SameFile(m_job.input, m_job.output)) return false;
    m_files->out = std::make_unique<fso::ReplacementFile>(m_job.output);
    try {
        m_files->out->Open();
        return true;
    } catch (...) {
        vb::CatchError();
        m_files->out.reset();
        return false;
    }
}

namespace {

// The first three characters of a value, a comma and the rest. Three ASCII
// bytes are three characters; anything else is decoded to count them.
void AppendAreaCodeSplit(std::string& out, const char* value, qsizetype length)
{
    const qsizetype head = std::min<qsizetype>(3, length);
    bool ascii = true;
    for (qsizetype i = 0; i < head; ++i)
        ascii = ascii && static_cast<unsigned char>(value[i]) < 0x80;
    if (ascii) {
        out.append(value, std::size_t(head));
        out += ',';
        if (length > 3) out.append(value + 3, std::size_t(length - 3));
        return;
    }
    bool windows1252 = false;
    const QString text = fso::DecodeBytes(QByteArray(value, length), &windows1252);
    const fso::Encoding encoding = windows1252 ? fso::Encoding::Windows1252 : fso::Encoding::Utf8;
    const QByteArray left = fso::EncodeText(text.left(3), encoding);
    const QByteArray rest = fso::EncodeText(text.mid(3), encoding);
    out.append(left.constData(), std::size_t(left.size()));
    out += ',';
    out.append(rest.constData(), std::size_t(rest.size()));
}

} // namespace

std::int64_t StateFileConversion::Run(StateConversionView* view)
{
    Files& f = *m_files;
    if (!f.in.isOpen() || !f.out) vb::Raise(vb::errnum::BadFileNameOrNumber);
    std::int64_t lines = 0;
    try {
        const char delimiter = DelimiterFor(m_job.delimiterWord);
        int first = -1;
        int last = -1;
        int count = 0;
        for (std::size_t i = 0; i < m_job.checked.size(); ++i) {
            if (!m_job.checked[i]) continue;
            if (first < 0) first = int(i);
            last = int(i);
            ++count;
        }
        const bool single = count == 1;

        const char* line = nullptr;
        qsizetype length = 0;
        for (std::int64_t skipped = 0; skipped < m_job.skipLines && f.NextLine(line, length); ++skipped) {
        }

        f.pending.reserve(kWriteBlock + 4096);
        while (f.NextLine(line, length)) {
            if (m_job.removeQuotes && length > 0 && std::memchr(line, '"', std::size_t(length))) {
                f.unquoted.clear();
                for (qsizetype i = 0; i < length; ++i)
                    if (line[i] != '"') f.unquoted += line[i];
                line = f.unquoted.data();
                length = qsizetype(f.unquoted.size());
            }
            // An empty line has no fields; a field the line lacks adds nothing.
            if (length > 0 && count > 0) {
                qsizetype start = 0;
                bool wrote = false;
                for (int index = 0; index <= last; ++index) {
                    const char* cut = static_cast<const char*>(
                        std::memchr(line + start, delimiter, std::size_t(length - start)));
                    const qsizetype fieldEnd = cut ? cut - line : length;
                    if (index >= first && m_job.checked[std::size_t(index)]) {
                        if (single) {
                            AppendAreaCodeSplit(f.pending, line + start, fieldEnd - start);
                        } else {
                            if (wrote) f.pending += ',';
                            f.pending.append(line + start, std::size_t(fieldEnd - start));
                            wrote = true;
                        }
                    }
                    if (!cut) break;
                    start = fieldEnd + 1;
                }
            }
            f.pending += "\r\n";
            if (f.pending.size() >= kWriteBlock) f.Flush();
            if (++lines % kProgressEvery == 0 && view) view->LinesWritten(lines);
        }
        f.Flush();
        f.in.close();
        f.out->Commit(); // raises 57 naming the cause, or 70
        f.out.reset();
    } catch (...) {
        // Whatever was written stays beside the target and is removed.
        f.out.reset();
        f.in.close();
        if (view) view->LinesWritten(lines);
        throw;
    }
    if (view) view->LinesWritten(lines);
    return lines;
}

std::int64_t ConvertStateFile(const StateConversionJob& job, StateConversionView* view)
{
    StateFileConversion run(job);
    if (!run.OpenInput()) vb::Raise(vb::errnum::FileNotFound, {}, QStringLiteral("Cannot open ") + job.input);
    if (!run.OpenOutput())
        vb::Raise(vb::errnum::PermissionDenied, {}, QStringLiteral("Cannot create ") + job.output);
    return run.Run(view);
}

} // namespace stateformat
