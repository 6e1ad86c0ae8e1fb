#pragma once
// What reading and saving the xlsx package behind files::Workbook share: the
// package's part names and relationships, the error texts, and copying XML
// elements from a reader into a writer.

#include "platform/files/WorkbookData.h"

#include <QIODevice>
#include <QString>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <vector>

class QuaZipFile;

namespace files::detail::xlsx {

extern const QString kSource;

[[noreturn]] void notAWorkbook(const BookData& book, const QString& why);
[[noreturn]] void cannotSave(const BookData& book, const QString& why);

// Part names in a package compare without regard to case.
bool selectEntry(QuaZip& zip, const QString& name);

// Reading from a zip entry whose compressed data is damaged, the XML reader
// reports a premature end while atEnd() stays false (the entry is not at its
// end), so every read loop also stops at the first error.
inline bool moreXml(const QXmlStreamReader& x)
{
    return !x.atEnd() && !x.hasError();
}

// What a part may inflate to. A real sheet's XML deflates about ten to
// one, so a part may grow to a hundred times its compressed size (and to
// at least 64 MiB, for small parts of plain repeated markup); a part held
// whole in memory stops at 256 MiB, a part read as a stream at 4 GiB.
constexpr qint64 kInflateRatio = 100;
constexpr qint64 kInflateGrace = qint64(64) << 20;
constexpr qint64 kMaxWholePart = qint64(256) << 20;
constexpr qint64 kMaxStreamedPart = qint64(4) << 30;

// How deep elements may nest in a part. Real parts stay within a few dozen
// levels (grouped shapes in a drawing nest deepest); the trees that hold a
// part whole are walked by recursion, so a deeper part is not readable.
constexpr int kMaxXmlDepth = 256;

// Follows the nesting of XML elements through bytes fed in pieces: tags,
// end tags, empty-element tags, quoted attribute values, comments, CDATA,
// instructions and declarations. It only counts; the XML reader judges
// whether the bytes are well formed.
class XmlDepthScan {
public:
    // False once elements nest deeper than kMaxXmlDepth. The part's first
    // bytes tell its encoding (a byte-order mark, or "<?" of its declaration
    // in UTF-16); UTF-16 is scanned a character at a time.
    bool feed(const char* data, qint64 size);

private:
    bool feedBody(const char* data, qint64 size);
    bool scan(const char* data, qint64 size); // ASCII-compatible bytes
    enum class Encoding { Unknown, Bytes, Utf16Le, Utf16Be };
    Encoding m_encoding = Encoding::Unknown;
    QByteArray m_head;  // the first bytes, until the encoding is known
    int m_oddByte = -1; // a UTF-16 unit's first byte, when a feed split it
    enum State {
        Text,
        Open,
        InTag,
        Quoted,
        EndTag,
        Bang,
        BangDash,
        Comment,
        CData,
        Instruction,
        Declaration
    };
    State m_state = Text;
    char m_quote = 0;
    char m_prev = 0, m_prev2 = 0; // the last bytes of the construct being read
    int m_brackets = 0;           // of a declaration's internal subset
    int m_depth = 0;
};

// The entry the package stands on, read through the limit on what it may
// inflate to: past it a read fails, so an XML reader stops with an error.
class LimitedEntry : public QIODevice {
public:
    // whole: the part is to be held whole in memory.
    LimitedEntry(QuaZip& zip, bool whole);
    ~LimitedEntry() override;
    bool openEntry(); // false when the entry cannot be opened
    bool isSequential() const override { return true; }
    // It inflates past its limit, or nests past kMaxXmlDepth.
    bool refused() const { return m_over || m_deep; }
    // Why reading the entry, or the XML in it, failed; "" when it did not.
    QString failure(const QXmlStreamReader* x = nullptr) const;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QuaZipFile* m_file;
    qint64 m_limit = 0;
    qint64 m_read = 0;
    bool m_over = false;
    bool m_deep = false;
    XmlDepthScan m_depth;
};

// Why an entry read through `entry` cannot be used, or "".
QString readError(const QXmlStreamReader& x, const LimitedEntry& entry);

// A part held whole; raises wberr::NotAWorkbook for one that inflates past
// its limit or nests too deep.
QByteArray readEntry(QuaZip& zip, const QString& name, bool* found = nullptr);

// The value text of a number cell: a whole number as plain digits (other
// readers take "1e+05" for a fraction), anything else in the shortest form
// that reads back as the same number.
QString NumberText(double d);

// Refuses a cell text longer than a cell may hold.
void checkCellText(const BookData& book, qsizetype length);

QString partDir(const QString& part);
QString relsPartOf(const QString& part);
QString resolveTarget(const QString& sourcePart, const QString& target);

struct Rel {
    QString id, type, target;
    bool external = false;
};
std::vector<Rel> readRels(QuaZip& zip, const QString& relsPart, const QString& sourcePart);
bool relIs(const Rel& r, const char* kind);

// Writes the start tag the reader stands on: its name as written, its
// namespace declarations and its attributes (attributes a DTD would add are
// not in the source text and are left out). With replaceAttr, that attribute
// gets newValue.
void writeStartCopy(QXmlStreamWriter& w, const QXmlStreamReader& x, const QString& replaceAttr = {},
                    const QString& newValue = {});

// Copies the element the reader stands on, with everything inside it, as
// XML text (prefixes as written; no namespace declarations are added).
// With replaceAttr, that attribute of the outer element gets newValue.
QString captureElement(QXmlStreamReader& x, const QString& replaceAttr = {}, const QString& newValue = {});

// Writes XML captured by captureElement into another document.
void replayXml(QXmlStreamWriter& w, const QString& xml);

// A small XML document held whole, for the parts whose content moves with
// rows (notes, drawings, tables, the workbook's names): read, changed and
// written back. Names are kept as written, namespace declarations are
// attributes like any other, and text keeps every blank.
struct XmlNode {
    enum Kind { Element, Text, CData, Comment, Instruction };
    Kind kind = Element;
    QString name;                                   // qualified, as written; an instruction's target
    std::vector<std::pair<QString, QString>> attrs; // in order, as written
    QString text;                                   // text, comment, instruction data
    std::vector<XmlNode> children;

    QString localName() const { return name.section(u':', -1); }
    bool is(const char* local) const { return kind == Element && localName() == QLatin1String(local); }
    QString attr(const QString& qualifiedName) const;
    bool hasAttr(const QString& qualifiedName) const;
    void setAttr(const QString& qualifiedName, const QString& value);
    XmlNode* child(const char* local);
    QString textContent() const;
    void setText(const QString& text);
};

struct XmlDoc {
    bool declaration = false;
    bool standalone = false;
    XmlNode root;
};

// False with the reason when the bytes are not well-formed XML or nest
// deeper than kMaxXmlDepth.
bool ParseXml(const QByteArray& xml, XmlDoc& doc, QString& error);
QByteArray WriteXml(const XmlDoc& doc);
// Writes one element with everything inside it.
void WriteXmlNode(QXmlStreamWriter& w, const XmlNode& node);

} // namespace files::detail::xlsx
