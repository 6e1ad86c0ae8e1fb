#include "dncdb/WizardConversions.h"

#include "core/WriteGuard.h"
#include "platform/files/TextTable.h"
#include "platform/fso/FileReplace.h"
#include "platform/fso/FileSystemObject.h"
#include "platform/vb/Err.h"

#include <QFile>
#include <QFileInfo>

namespace dncwizard {

namespace {

const QString kModule = QStringLiteral("frmDNCWizard");
const QString kBrowser = QStringLiteral("cmdBrowser_Click");
const QString kSplit = QStringLiteral("CmdSplit");
const QString kLineBreak = QStringLiteral("\r\n");

// Position of the last dot of the file's own name (never one in a folder
// name), or -1.
qsizetype LastDotOfName(const QString& path)
{
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot > slash ? dot : -1;
}

bool AllDigits(const QString& text)
{
    if (text.isEmpty()) return false;
    for (const QChar c : text)
        if (c < u'0' || c > u'9') return false;
    return true;
}

// The error being handled, as a failure of the wizard's function.
engine::Failure Caught(const QString& function)
{
    return engine::FailureOf(vb::CatchError(), kModule, function);
}

// Why the outputs may not be written: one is a file the program keeps or
// the source. Empty when they may.
QString OutputClash(const QString& source, const QStringList& outputs)
{
    for (const QString& output : outputs) {
        const QString clash =
            writeguard::WriteClash(QStringLiteral("file to save"), output,
                                   {writeguard::RunFile(source, QStringLiteral("the file being converted"))});
        if (!clash.isEmpty()) return clash;
    }
    return {};
}

} // namespace

QString UnreadableText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {}; // the conversion's own open says why
    // UTF-16 is refused in the words every other reader of the program uses.
    const QString utf16 = files::Utf16Refusal(path);
    if (!utf16.isEmpty()) return utf16;
    if (!file.read(8192).contains('\0')) return {};
    return QStringLiteral(
               "The file '%1' holds NUL bytes in its first lines, which is not a text this program "
               "can read! Please save it as plain text first.")
        .arg(path);
}

QStringList SplitFields(const QString& line)
{
    QStringList fields;
    QString field;
    bool quoted = false;    // inside quotes
    bool wasQuoted = false; // the current field began with a quote
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < line.size() && line[i + 1] == u'"') {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == u'"' && field.trimmed().isEmpty()) {
            quoted = true;
            wasQuoted = true;
            field.clear();
        } else if (c == u',') {
            fields.append(wasQuoted ? field : field.trimmed());
            field.clear();
            wasQuoted = false;
        } else {
            field += c;
        }
    }
    fields.append(wasQuoted ? field : field.trimmed());
    return fields;
}

bool SameFile(const QString& a, const QString& b)
{
    // One file under two names: another spelling, a symbolic or a hard link.
    return a.isEmpty() || b.isEmpty() ? a == b : fso::IsSameFile(a, b);
}

// --- National TEXT -------------------------------------------------------

namespace {

QString TextStem(const QString& path)
{
    const qsizetype dot = LastDotOfName(path);
    return dot >= 0 ? path.left(dot) : path;
}

bool HasImportExtension(const QString& path)
{
    const qsizetype dot = LastDotOfName(path);
    if (dot < 0) return false;
    const QString ext = path.mid(dot + 1).toUpper();
    return ext == QStringLiteral("TXT") || ext == QStringLiteral("CSV");
}

} // namespace

QString ProposeTextName(const QString& path)
{
    if (HasImportExtension(path)) return path;
    const fso::FileSystemObject fs;
    const QString stem = TextStem(path);
    QString name = stem + QStringLiteral(".txt");
    for (std::int64_t n = 0; fs.FileExists(name); ++n)
        name = stem + QString::number(n) + QStringLiteral(".txt");
    return name;
}

QString RenameQuestion(const QString& path)
{
    return QStringLiteral("File type should be *.txt or *.csv!, Would you like to change it to ") +
           kLineBreak + TextStem(path) + QStringLiteral(".txt?");
}

bool NeedsTextName(const QString& path)
{
    return !HasImportExtension(path);
}

ConversionResult RenameNationalText(const QString& path)
{
    ConversionResult result;
    try {
        // A move takes the file away from whoever keeps it.
        const QString clash = writeguard::WriteClash(QStringLiteral("file to rename"), path);
        if (!clash.isEmpty()) {
            result.refusal = clash;
            return result;
        }
        const QString target = ProposeTextName(path);
        fso::FileSystemObject().MoveFile(path, target);
        result.file = target;
    } catch (...) {
        result.failure = Caught(kBrowser);
    }
    return result;
}

// --- National HTML ---------------------------------------------------------

QString HtmlOutputName(const QString& source)
{
    const qsizetype dot = LastDotOfName(source);
    return dot >= 0 ? source.left(dot + 1) + QStringLiteral("txt") : source + QStringLiteral(".txt");
}

ConversionResult ConvertNationalHtml(const QString& source, const QString& output)
{
    ConversionResult result;
    if (SameFile(source, output)) {
        result.refusal = QStringLiteral("The text file to save must not be the HTML file itself!");
        return result;
    }
    result.refusal = OutputClash(source, {output});
    if (result.refusal.isEmpty()) result.refusal = UnreadableText(source);
    if (!result.refusal.isEmpty()) return result;
    try {
        const fso::FileSystemObject fs;
        const fso::TextStreamPtr in = fs.OpenTextFile(source, fso::ForReading);
        const fso::TextStreamPtr out = fs.CreateTextFile(output, true);
        const QString open = QStringLiteral("<PRE>");
        const QString close = QStringLiteral("</PRE>");
        bool inside = false;
        while (!in->AtEndOfStream()) {
            const QString line = in->ReadLine();
            if (!inside) {
                const qsizetype at = line.indexOf(open);
                if (at < 0) continue;
                inside = true;
                QString rest = line.mid(at + open.size());
                const qsizetype end = rest.indexOf(close);
                if (end >= 0) rest.truncate(end);
                if (!rest.trimmed().isEmpty()) out->WriteLine(rest);
                if (end >= 0) break;
                continue;
            }
            if (line.contains(close)) break;
            if (!line.trimmed().isEmpty()) out->WriteLine(line);
        }
        in->Close();
        out->Close();
        result.file = output;
    } catch (...) {
        result.failure = Caught(kBrowser);
    }
    return result;
}

// --- National Update -------------------------------------------------------

QString UpdateOutputNameA(const QString& source)
{
    return TextStem(source) + QStringLiteral("A.txt");
}

QString UpdateOutputNameD(const QString& source)
{
    return TextStem(source) + QStringLiteral("D.txt");
}

ConversionResult ConvertNationalUpdate(const QString& source, const QString& aFile, const QString& dFile)
{
    ConversionResult result;
    if (SameFile(source, aFile) || SameFile(source, dFile)) {
        result.refusal = QStringLiteral("The files to save must not be the update file itself!");
        return result;
    }
    if (SameFile(aFile, dFile)) {
        result.refusal = QStringLiteral("The file with 'A' and the file with 'D' must be different files!");
        return result;
    }
    result.refusal = OutputClash(source, {aFile, dFile});
    if (result.refusal.isEmpty()) result.refusal = UnreadableText(source);
    if (!result.refusal.isEmpty()) return result;
    try {
        const fso::FileSystemObject fs;
        const fso::TextStreamPtr in = fs.OpenTextFile(source, fso::ForReading);
        const fso::TextStreamPtr outA = fs.CreateTextFile(aFile, true);
        const fso::TextStreamPtr outD = fs.CreateTextFile(dFile, true);
        bool first = true;
        while (!in->AtEndOfStream()) {
            const QString line = in->ReadLine();
            if (line.trimmed().isEmpty()) continue;
            const QStringList fields = SplitFields(line);
            const QString phone = fields.value(0);
            if (first) {
                first = false;
                if (!AllDigits(phone)) continue; // a header line
            }
            const QString text = phone.left(3) + u',' + phone.mid(3);
            (fields.value(2) == QStringLiteral("A") ? outA : outD)->WriteLine(text);
        }
        in->Close();
        outA->Close();
        outD->Close();
        result.file = aFile;
    } catch (...) {
        result.failure = Caught(kBrowser);
    }
    return result;
}

// --- Split ---------------------------------------------------------------

QString SplitBaseName(const QString& path)
{
    return TextStem(path);
}

QString SplitExtension(const QString& path)
{
    const qsizetype dot = LastDotOfName(path);
    return dot >= 0 ? path.mid(dot) : QString();
}

QString SplitFileName(const QString& path, int number)
{
    return SplitBaseName(path) + QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0')) +
           SplitExtension(path);
}

std::int64_t LinesPerFile(const QString& text, QString& problem)
{
    if (text.isEmpty()) {
        problem = QStringLiteral("Lines Per File can not be empty!");
        return 0;
    }
    const QString digits = text.trimmed();
    bool ok = false;
    const std::int64_t lines = AllDigits(digits) ? digits.toLongLong(&ok) : 0;
    if (!ok || lines < 1) {
        problem = QStringLiteral("Lines Per File must be digits!");
        return 0;
    }
    problem.clear();
    return lines;
}

QString SplitFileProblem(const QString& path)
{
    if (path.trimmed().isEmpty()) return QStringLiteral("Text File Name Is Empty!");
    if (!fso::FileSystemObject().FileExists(path)) return QStringLiteral("Text File Does Not Exist!");
    return {};
}

QString SplitQuestion(const QString& path)
{
    const QString base = SplitBaseName(path);
    const QString ext = SplitExtension(path);
    return QStringLiteral("Splitted Text File Names will be from ") + base + QStringLiteral("01") + ext +
           QStringLiteral(" to ") + base + QStringLiteral("xx") + ext + kLineBreak +
           QStringLiteral("Warning: These files will be overwritten. Are you sure to continue?");
}

SplitResult SplitTextFile(const SplitJob& job, engine::EngineProgress& progress)
{
    SplitResult result;
    const fso::FileSystemObject fs;
    fso::TextStreamPtr in;
    try {
        in = fs.OpenTextFile(job.path, fso::ForReading);
    } catch (...) {
        vb::CatchError();
        result.refusal = QStringLiteral("Error:Read File!");
        return result;
    }

    fso::TextStreamPtr out;
    try {
        // The layout comes from the first line: the header, or the first record.
        int fieldCount = 0;
        QString header;
        std::int64_t written = 0;
        while (!in->AtEndOfStream()) {
            const QString line = in->ReadLine();
            if (line.trimmed().isEmpty()) continue;
            const QStringList fields = SplitFields(line);
            if (fieldCount == 0) {
                fieldCount = static_cast<int>(fields.size());
                if (job.hasHeader) {
                    header = fieldCount == 2 ? fields[0] + u',' + fields[1] : fields[0];
                    continue;
                }
            }
            if (!out) {
                ++result.files;
                result.lastFile = SplitFileName(job.path, result.files);
                // Checked as each is begun: the earlier ones are whole files
                // the question warned of.
                const QString clash = OutputClash(job.path, {result.lastFile});
                if (!clash.isEmpty()) {
                    in->Close();
                    result.refusal = clash;
                    return result;
                }
                out = fs.CreateTextFile(result.lastFile, true);
                progress.Status(QStringLiteral("Output File:") + result.lastFile, 1);
                progress.Yield(false);
                if (job.hasHeader) out->WriteLine(header);
                written = 0;
            }
            out->WriteLine(fieldCount == 2 ? fields.value(0) + u',' + fields.value(1) : fields.value(0));
            if (++written >= job.linesPerFile) {
                out->Close();
                out.reset();
            }
        }
        if (out) out->Close();
        in->Close();
    } catch (...) {
        out.reset();
        result.failure = Caught(kSplit);
        return result;
    }
    result.done = true;
    result.summary = QStringLiteral("Text File has been splitted into files from ") +
                     SplitBaseName(job.path) + QStringLiteral("01") + SplitExtension(job.path) +
                     QStringLiteral(" to ") + SplitFileName(job.path, result.files);
    return result;
}

} // namespace dncwizard
