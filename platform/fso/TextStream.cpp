#include "platform/fso/TextStream.h"

#include "platform/fso/FileReplace.h"
#include "platform/vb/Err.h"

#include <QFileDevice>
#include <QStringDecoder>
#include <cerrno>

namespace fso {
namespace {

// Bytes 0x80-0x9F of Windows-1252; the rest of the upper half is Latin-1.
// The five unassigned bytes keep their Latin-1 control code, so every byte
// has a character and back.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr qsizetype kChunk = 64 * 1024;

char toCp1252(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return char(c);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == c) return char(0x80 + i);
    return '?';
}

} // namespace

QString DecodeBytes(const QByteArray& bytes, bool* wasWindows1252)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(bytes);
    const bool cp1252 = utf8.hasError();
    if (wasWindows1252) *wasWindows1252 = cp1252;
    if (!cp1252) return text;
    text.clear();
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text.append(b >= 0x80 && b < 0xA0 ? QChar(kCp1252High[b - 0x80]) : QChar(char16_t(b)));
    }
    return text;
}

QByteArray EncodeText(const QString& text, Encoding encoding)
{
    if (encoding == Encoding::Utf8) return text.toUtf8();
    QByteArray bytes;
    bytes.reserve(text.size());
    for (QChar c : text)
        bytes.append(toCp1252(c.unicode()));
    return bytes;
}

TextStream::TextStream(std::unique_ptr<QFileDevice> file, IOMode mode) : m_file(std::move(file)), m_mode(mode)
{
}

TextStream::TextStream(std::unique_ptr<ReplacementFile> out) : m_out(std::move(out)), m_mode(ForWriting) {}

TextStream::~TextStream()
{
    try {
        Close();
    } catch (...) {
        // A destructor cannot report; an uncommitted write leaves the old file as it was.
    }
}

void TextStream::requireMode(bool reading) const
{
    if ((!m_file && !m_out) || (reading != (m_mode == ForReading)))
        vb::Raise(54); // Bad file mode (also for a closed stream)
}

bool TextStream::fill()
{
    if (m_exhausted) return false;
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
    }
    const qsizetype before = m_buffer.size();
    m_buffer.resize(before + kChunk);
    const qint64 got = m_file->read(m_buffer.data() + before, kChunk);
    m_buffer.resize(before + (got > 0 ? got : 0));
    if (got <= 0) m_exhausted = true;
    return got > 0;
}

bool TextStream::ensure(qsizetype bytes)
{
    while (m_buffer.size() - m_pos < bytes)
        if (!fill()) return false;
    return true;
}

QString TextStream::decode(const QByteArray& bytes)
{
    bool cp1252 = false;
    QString text = DecodeBytes(bytes, &cp1252);
    if (cp1252) m_encoding = Encoding::Windows1252;
    return text;
}

bool TextStream::AtEndOfStream()
{
    requireMode(true);
    return !ensure(1);
}

QString TextStream::ReadLine()
{
    if (AtEndOfStream()) vb::Raise(62); // Input past end of file
    QByteArray line;
    for (;;) {
        const char* data = m_buffer.constData();
        const qsizetype size = m_buffer.size();
        qsizetype i = m_pos;
        while (i < size && data[i] != '\n' && data[i] != '\r')
            ++i;
        line.append(data + m_pos, i - m_pos);
        if (i < size) {
            const bool cr = data[i] == '\r';
            m_pos = i + 1;
            if (cr && ensure(1) && m_buffer[m_pos] == '\n') ++m_pos;
            break;
        }
        m_pos = size;
        if (!fill()) break;
    }
    return decode(line);
}

void TextStream::SkipLine()
{
    ReadLine();
}

QString TextStream::ReadAll()
{
    requireMode(true);
    while (fill()) {
    }
    const QByteArray rest = m_buffer.mid(m_pos);
    m_buffer.clear();
    m_pos = 0;
    return decode(rest);
}

void TextStream::Write(const QString& text)
{
    requireMode(false);
    const QByteArray bytes = EncodeText(text, m_encoding);
    if (m_out) {
        try {
            m_out->Write(bytes);
        } catch (...) {
            m_out.reset(); // dropped: nothing of it may replace the file later
            throw;
        }
        return;
    }
    // Appending, unbuffered: a write that cannot reach the file shows here,
    // and what it wrote of the text is cut off again.
    const qint64 size = m_file->size();
    if (m_file->write(bytes) != bytes.size()) {
        const int error = errno;
        m_file->resize(size);
        vb::Raise(vb::errnum::DeviceIOError, QStringLiteral("TextStream"),
                  WriteFailure(m_file->fileName(), error));
    }
}

void TextStream::WriteLine(const QString& text)
{
    Write(text + QStringLiteral("\r\n"));
}

void TextStream::WriteBlankLines(int lines)
{
    for (int i = 0; i < lines; ++i)
        Write(QStringLiteral("\r\n"));
}

void TextStream::Close()
{
    if (m_out) {
        const std::unique_ptr<ReplacementFile> out = std::move(m_out);
        out->Commit();
    }
    if (m_file) m_file->close();
    m_file.reset();
}

} // namespace fso
