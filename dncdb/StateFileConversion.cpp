#include "dncdb/StateFileConversion.h"

#include "core/WriteGuard.h"
#include "dncdb/WizardConversions.h"
#include "platform/files/TextTable.h"
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

// The lines written, beside the bar; the window may then serve its events.
void LinesWritten(engine::EngineProgress& progress, std::int64_t lines)
{
    progress.Show(double(lines), QString::number(lines));
    progress.Yield(true);
}

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

namespace {

struct Files {
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

bool OpenInput(Files& f, const QString& input)
{
    f.in.setFileName(input);
    return f.in.open(QIODevice::ReadOnly);
}

bool OpenOutput(Files& f, const StateConversionJob& job)
{
    if (dncwizard::SameFile(job.input, job.output)) return false;
    f.out = std::make_unique<fso::ReplacementFile>(job.output);
    try {
        f.out->Open();
        return true;
    } catch (...) {
        vb::CatchError();
        f.out.reset();
        return false;
    }
}

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

// Writes the output line by line and puts it in place; raises on a read,
// write or commit error, and nothing is put in place then.
void Convert(Files& f, const StateConversionJob& job, engine::EngineProgress& progress, std::int64_t& lines)
{
    try {
        const char delimiter = DelimiterFor(job.delimiterWord);
        int first = -1;
        int last = -1;
        int count = 0;
        for (std::size_t i = 0; i < job.checked.size(); ++i) {
            if (!job.checked[i]) continue;
            if (first < 0) first = int(i);
            last = int(i);
            ++count;
        }
        const bool single = count == 1;

        const char* line = nullptr;
        qsizetype length = 0;
        for (std::int64_t skipped = 0; skipped < job.skipLines && f.NextLine(line, length); ++skipped) {
        }

        f.pending.reserve(kWriteBlock + 4096);
        while (f.NextLine(line, length)) {
            if (job.removeQuotes && length > 0 && std::memchr(line, '"', std::size_t(length))) {
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
                    if (index >= first && job.checked[std::size_t(index)]) {
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
            if (++lines % kProgressEvery == 0) LinesWritten(progress, lines);
        }
        f.Flush();
        f.in.close();
        f.out->Commit(); // raises 57 naming the cause, or 70
        f.out.reset();
    } catch (...) {
        // Whatever was written stays beside the target and is removed.
        f.out.reset();
        f.in.close();
        throw;
    }
}

} // namespace

StateConversionResult ConvertStateFile(const StateConversionJob& job, engine::EngineProgress& progress)
{
    StateConversionResult result;
    result.refusal = writeguard::WriteClash(QStringLiteral("text file to convert it to"), job.output);
    if (!result.refusal.isEmpty()) return result;
    result.refusal = files::Utf16Refusal(job.input);
    if (!result.refusal.isEmpty()) return result;
    Files files;
    if (!OpenInput(files, job.input) || !OpenOutput(files, job)) {
        result.refusal = QStringLiteral("Error:Open Import file");
        return result;
    }
    try {
        Convert(files, job, progress, result.lines);
    } catch (...) {
        result.failure = engine::FailureOf(vb::CatchError(), QString(), QString());
    }
    LinesWritten(progress, result.lines);
    return result;
}

} // namespace stateformat
