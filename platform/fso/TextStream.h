#pragma once
// The TextStream of the file system object: a text file opened for reading,
// writing or appending, read by lines and written by text.
//
// Reading is byte-transparent: a line end is CRLF, LF or a lone CR; each line
// is decoded as UTF-8, or as Windows-1252 when its bytes are not valid UTF-8
// (every byte then maps to one character, so nothing is lost). A stream that
// met such a line reports Encoding::Windows1252, and a writer set to that
// encoding writes those characters back as the same bytes.
//
// Writing (ForWriting) is atomic: the text goes to a file beside the target,
// which replaces the target when the stream is closed; until then, and when
// any write fails (a full disk), the old content stays in place. Appending
// writes to the file itself; an append that fails is taken back whole.

#include <QByteArray>
#include <QString>
#include <memory>

class QFileDevice;

namespace fso {

class ReplacementFile;

enum IOMode : int { ForReading = 1, ForWriting = 2, ForAppending = 8 };

enum class Encoding { Utf8, Windows1252 };

class TextStream {
public:
    ~TextStream(); // closes the stream; a write that cannot be committed is lost silently here

    TextStream(const TextStream&) = delete;
    TextStream& operator=(const TextStream&) = delete;

    // Reading. Each throws vb::ErrObject: 54 on a stream not open for
    // reading, 62 when reading past the end.
    QString ReadLine();
    QString ReadAll();
    void SkipLine();
    bool AtEndOfStream();

    // Writing. Each throws 54 on a stream not open for writing, 57 when the
    // bytes cannot be written (a full disk: a stream ForWriting is then
    // dropped, and closing it leaves the file as it was).
    void Write(const QString& text);
    void WriteLine(const QString& text = {}); // text followed by CRLF
    void WriteBlankLines(int lines);

    // Closes the stream; for a stream opened ForWriting this is the moment
    // the new content replaces the file (throws 57 when it cannot reach the
    // disk, 70 when the file cannot be replaced). Closing twice does nothing.
    void Close();

    // The encoding used for writing, and for reading the encoding met so far.
    Encoding encoding() const { return m_encoding; }
    void setEncoding(Encoding encoding) { m_encoding = encoding; }

private:
    friend class FileSystemObject;
    TextStream(std::unique_ptr<QFileDevice> file, IOMode mode);
    explicit TextStream(std::unique_ptr<ReplacementFile> out);

    bool fill();
    bool ensure(qsizetype bytes);
    QString decode(const QByteArray& bytes);
    void requireMode(bool reading) const;

    std::unique_ptr<QFileDevice> m_file;    // reading, appending
    std::unique_ptr<ReplacementFile> m_out; // writing
    IOMode m_mode;
    Encoding m_encoding = Encoding::Utf8;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    bool m_exhausted = false;
};

using TextStreamPtr = std::shared_ptr<TextStream>;

// Text conversions used by the stream, for other readers of the same files.
QString DecodeBytes(const QByteArray& bytes, bool* wasWindows1252 = nullptr);
QByteArray EncodeText(const QString& text, Encoding encoding);

} // namespace fso
