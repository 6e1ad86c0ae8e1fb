#pragma once
// Single-byte code pages of old data files: the DOS, Windows and Macintosh
// code pages that DBF language drivers name, Windows-1252 the default. Every
// byte decodes to one character and back, so text read and written unchanged
// keeps its bytes.

#include <QByteArray>
#include <QString>

namespace files {

class CodePage {
public:
    // One of those code pages; any other number is taken as 1252.
    explicit CodePage(int codePage = 1252);

    int number() const { return m_codePage; }

    QString decode(const char* data, qsizetype size) const;
    QString decode(const QByteArray& bytes) const { return decode(bytes.constData(), bytes.size()); }

    // Characters the code page lacks become "?"; lossless (when given) says
    // whether that happened.
    QByteArray encode(const QString& text, bool* lossless = nullptr) const;
    bool canEncode(const QString& text) const;
    // Why text cannot be written in this code page into the table at path:
    // names the table and the first character the code page lacks. Empty
    // when it can.
    QString lacking(const QString& text, const QString& path) const;

    // The code page named by a DBF header's language-driver byte (0 and
    // unknown marks: 1252), and the mark written for a code page.
    static int fromLanguageDriver(unsigned char id);
    static unsigned char languageDriver(int codePage);

private:
    int m_codePage;
    const char16_t* m_upper = nullptr;
};

} // namespace files
