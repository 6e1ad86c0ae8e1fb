// Reading and writing the xlsx package behind files::Workbook.
//
// Reading streams each part from the zip through QXmlStreamReader, so a
// large sheet is never held as XML text. Saving copies every entry it does
// not change in raw (still compressed) form, and rewrites a changed sheet by
// streaming its original XML through, replacing only the cell data and the
// few elements whose references move with deleted rows.

#include "platform/files/WorkbookData.h"
#include "platform/vb/Err.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <charconv>
#include <cstdio>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipfileinfo.h>
#include <quazip/quazipnewinfo.h>
#include <unordered_map>

namespace files::detail {

namespace {

const QString kSource = QStringLiteral("Workbook");

[[noreturn]] void notAWorkbook(const BookData& book, const QString& why)
{
    vb::Raise(wberr::NotAWorkbook, kSource,
              QStringLiteral("'%1' is not a readable Excel workbook (%2).")
                  .arg(QFileInfo(book.path).fileName(), why));
}

[[noreturn]] void cannotSave(const BookData& book, const QString& why)
{
    vb::Raise(wberr::CannotSave, kSource,
              QStringLiteral("The workbook '%1' could not be saved: %2. The file was left as it was.")
                  .arg(QFileInfo(book.path).fileName(), why));
}

// Part names in a package compare without regard to case.
bool selectEntry(QuaZip& zip, const QString& name)
{
    return zip.setCurrentFile(name, QuaZip::csInsensitive);
}

// Reading from a zip entry whose compressed data is damaged, the XML reader
// reports a premature end while atEnd() stays false (the entry is not at its
// end), so every read loop also stops at the first error.
bool moreXml(const QXmlStreamReader& x)
{
    return !x.atEnd() && !x.hasError();
}

// The error of an entry read through QuaZipFile, or of the XML in it.
QString readError(const QXmlStreamReader& x, const QuaZipFile& f)
{
    if (f.getZipError() != UNZ_OK) return QStringLiteral("its compressed data is damaged");
    return x.hasError() ? x.errorString() : QString();
}

QByteArray readEntry(QuaZip& zip, const QString& name, bool* found = nullptr)
{
    if (found) *found = false;
    if (name.isEmpty() || !selectEntry(zip, name)) return {};
    QuaZipFile f(&zip);
    if (!f.open(QIODevice::ReadOnly)) return {};
    if (found) *found = true;
    return f.readAll();
}

QString partDir(const QString& part)
{
    const qsizetype slash = part.lastIndexOf(u'/');
    return slash < 0 ? QString() : part.left(slash + 1);
}

QString relsPartOf(const QString& part)
{
    const qsizetype slash = part.lastIndexOf(u'/');
    return partDir(part) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

QString resolveTarget(const QString& sourcePart, const QString& target)
{
    QString t = target;
    t.replace(u'\\', u'/');
    if (t.startsWith(u'/')) return QDir::cleanPath(t.mid(1));
    return QDir::cleanPath(partDir(sourcePart) + t);
}

struct Rel {
    QString id, type, target;
    bool external = false;
};

std::vector<Rel> readRels(QuaZip& zip, const QString& relsPart, const QString& sourcePart)
{
    std::vector<Rel> rels;
    const QByteArray xml = readEntry(zip, relsPart);
    QXmlStreamReader x(xml);
    while (moreXml(x)) {
        if (x.readNext() == QXmlStreamReader::StartElement && x.name() == u"Relationship") {
            const auto a = x.attributes();
            Rel r;
            r.id = a.value(QLatin1String("Id")).toString();
            r.type = a.value(QLatin1String("Type")).toString();
            r.external = a.value(QLatin1String("TargetMode")).compare(u"External", Qt::CaseInsensitive) == 0;
            r.target = r.external ? a.value(QLatin1String("Target")).toString()
                                  : resolveTarget(sourcePart, a.value(QLatin1String("Target")).toString());
            rels.push_back(r);
        }
    }
    return rels;
}

bool relIs(const Rel& r, const char* kind)
{
    return r.type.endsWith(QLatin1Char('/') + QLatin1String(kind));
}

bool truthy(QStringView v)
{
    return v == u"1" || v.compare(u"true", Qt::CaseInsensitive) == 0;
}

// The text of an <si> or <is> element: its <t> pieces, without phonetic runs.
QString readRichText(QXmlStreamReader& x)
{
    QString text;
    int phonetic = 0;
    int depth = 1;
    while (depth > 0 && moreXml(x)) {
        switch (x.readNext()) {
        case QXmlStreamReader::StartElement: {
            const QString local = x.name().toString().section(u':', -1);
            if (local == u"rPh") {
                ++phonetic;
                ++depth;
            } else if (local == u"t" && phonetic == 0) {
                text += x.readElementText(QXmlStreamReader::IncludeChildElements);
            } else {
                ++depth;
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            if (x.name().toString().section(u':', -1) == u"rPh") --phonetic;
            --depth;
            break;
        default:
            break;
        }
    }
    return DecodeXString(text);
}

void ensureSharedStrings(BookData& book)
{
    if (book.sharedLoaded) return;
    book.sharedLoaded = true;
    if (book.sharedStringsPart.isEmpty() || !selectEntry(*book.zip, book.sharedStringsPart)) return;
    QuaZipFile f(book.zip);
    if (!f.open(QIODevice::ReadOnly)) return;
    QXmlStreamReader x(&f);
    while (moreXml(x)) {
        if (x.readNext() == QXmlStreamReader::StartElement && x.name() == u"si")
            book.sharedStrings.push_back(readRichText(x));
    }
    const QString error = readError(x, f);
    if (!error.isEmpty()) {
        book.sharedLoaded = false;
        book.sharedStrings.clear();
        notAWorkbook(book, QStringLiteral("its shared strings cannot be read: %1").arg(error));
    }
}

void ensureStyles(BookData& book)
{
    if (book.stylesLoaded) return;
    book.stylesLoaded = true;
    const QByteArray xml = readEntry(*book.zip, book.stylesPart);
    QXmlStreamReader x(xml);
    std::unordered_map<int, bool> customIsDate;
    bool inCellXfs = false;
    while (moreXml(x)) {
        const auto tok = x.readNext();
        if (tok == QXmlStreamReader::StartElement) {
            if (x.name() == u"numFmt") {
                const auto a = x.attributes();
                customIsDate[a.value(QLatin1String("numFmtId")).toInt()] =
                    IsDateFormatCode(a.value(QLatin1String("formatCode")).toString());
            } else if (x.name() == u"cellXfs") {
                inCellXfs = true;
            } else if (inCellXfs && x.name() == u"xf") {
                const int id = x.attributes().value(QLatin1String("numFmtId")).toInt();
                auto it = customIsDate.find(id);
                book.xfIsDate.push_back(it != customIsDate.end() ? it->second : IsDateFormatId(id));
            }
        } else if (tok == QXmlStreamReader::EndElement && x.name() == u"cellXfs") {
            inCellXfs = false;
        }
    }
}

// Writes the start tag the reader stands on: its name as written, its
// namespace declarations and its attributes (attributes a DTD would add are
// not in the source text and are left out). With replaceAttr, that attribute
// gets newValue.
void writeStartCopy(QXmlStreamWriter& w, const QXmlStreamReader& x, const QString& replaceAttr = {},
                    const QString& newValue = {})
{
    w.writeStartElement(x.qualifiedName().toString());
    for (const auto& ns : x.namespaceDeclarations())
        w.writeAttribute(ns.prefix().isEmpty() ? QStringLiteral("xmlns")
                                               : QStringLiteral("xmlns:") + ns.prefix().toString(),
                         ns.namespaceUri().toString());
    for (const auto& a : x.attributes()) {
        if (a.isDefault()) continue;
        const QString qn = a.qualifiedName().toString();
        w.writeAttribute(qn, (!replaceAttr.isEmpty() && qn == replaceAttr) ? newValue : a.value().toString());
    }
}

// Copies the element the reader stands on, with everything inside it, as
// XML text (prefixes as written; no namespace declarations are added).
// With replaceAttr, that attribute of the outer element gets newValue.
QString captureElement(QXmlStreamReader& x, const QString& replaceAttr = {}, const QString& newValue = {})
{
    QString out;
    QXmlStreamWriter w(&out);
    int depth = 0;
    do {
        switch (x.tokenType()) {
        case QXmlStreamReader::StartElement:
            if (depth == 0)
                writeStartCopy(w, x, replaceAttr, newValue);
            else
                writeStartCopy(w, x);
            ++depth;
            break;
        case QXmlStreamReader::EndElement:
            w.writeEndElement();
            --depth;
            break;
        case QXmlStreamReader::Characters:
            w.writeCharacters(x.text().toString());
            break;
        default:
            break;
        }
        if (depth > 0) x.readNext();
    } while (depth > 0 && moreXml(x));
    return out;
}

// Writes XML captured by captureElement into another document.
void replayXml(QXmlStreamWriter& w, const QString& xml)
{
    QXmlStreamReader r(xml);
    r.setNamespaceProcessing(false);
    while (moreXml(r)) {
        const auto tok = r.readNext();
        if (tok == QXmlStreamReader::StartElement) {
            w.writeStartElement(r.qualifiedName().toString());
            for (const auto& a : r.attributes())
                w.writeAttribute(a.qualifiedName().toString(), a.value().toString());
        } else if (tok == QXmlStreamReader::EndElement) {
            w.writeEndElement();
        } else if (tok == QXmlStreamReader::Characters) {
            w.writeCharacters(r.text().toString());
        }
    }
}

void readCell(QXmlStreamReader& x, BookData& book, SheetData& s, RowSlot& slot, int& lastColumn)
{
    Cell c;
    QString type;
    AttrList extra;
    int column = lastColumn + 1;
    for (const auto& a : x.attributes()) {
        const auto qn = a.qualifiedName();
        if (qn == u"r") {
            int r = 0, col = 0;
            if (!ParseCellRef(a.value(), r, col) || col == 0)
                notAWorkbook(book, QStringLiteral("sheet '%1' holds a bad cell reference").arg(s.name));
            column = col;
        } else if (qn == u"s") {
            c.style = a.value().toUInt();
        } else if (qn == u"t") {
            type = a.value().toString();
        } else {
            extra.emplace_back(qn.toString(), a.value().toString());
        }
    }
    if (column > kMaxColumns)
        notAWorkbook(book, QStringLiteral("sheet '%1' has a cell beyond the last column").arg(s.name));
    c.column = static_cast<std::uint16_t>(column);
    if (!extra.empty()) c.extra = s.attrs.intern(extra);

    QString v;
    bool hasV = false;
    while (x.readNextStartElement()) {
        const auto local = x.name();
        if (local == u"v") {
            v = x.readElementText(QXmlStreamReader::IncludeChildElements);
            hasV = true;
        } else if (local == u"f") {
            Formula f;
            for (const auto& a : x.attributes())
                f.attrs.emplace_back(a.qualifiedName().toString(), a.value().toString());
            f.text = x.readElementText(QXmlStreamReader::IncludeChildElements);
            s.formulas.push_back(std::move(f));
            c.formula = static_cast<std::uint32_t>(s.formulas.size());
        } else if (local == u"is") {
            const QString raw = captureElement(x);
            QXmlStreamReader r(raw);
            r.setNamespaceProcessing(false);
            r.readNextStartElement();
            const bool rich = raw.contains(QLatin1String("<r>")) || raw.contains(QLatin1String(":r>")) ||
                              raw.contains(QLatin1String("rPh"));
            c.kind = rich ? CellKind::RichInline : CellKind::InlineString;
            c.index = s.addText(readRichText(r));
            if (rich) s.addText(raw);
        } else {
            x.skipCurrentElement();
        }
    }

    if (c.kind == CellKind::Blank && hasV) {
        if (type == u"s") {
            bool ok = false;
            const uint idx = v.trimmed().toUInt(&ok);
            if (ok) {
                c.kind = CellKind::SharedString;
                c.index = idx;
            }
        } else if (type == u"str") {
            c.kind = CellKind::FormulaString;
            c.index = s.addText(DecodeXString(v));
        } else if (type == u"b") {
            c.kind = CellKind::Boolean;
            c.number = truthy(QStringView(v).trimmed()) ? 1.0 : 0.0;
        } else if (type == u"e") {
            c.kind = CellKind::Error;
            c.index = s.addText(v);
        } else if (type == u"d") {
            c.kind = CellKind::IsoDate;
            c.index = s.addText(v.trimmed());
        } else if (type == u"inlineStr") {
            c.kind = CellKind::InlineString; // a value where <is> belongs
            c.index = s.addText(DecodeXString(v));
        } else {
            bool ok = false;
            const double d = v.trimmed().toDouble(&ok);
            if (ok) {
                c.kind = CellKind::Number;
                c.number = d;
            } else {
                c.kind = CellKind::FormulaString; // not a number: keep it as text
                c.index = s.addText(v);
            }
        }
    }

    if (!slot.cells.empty() && slot.cells.back().column >= c.column) {
        // Cells out of order: keep them sorted, the later one wins.
        auto it = std::lower_bound(slot.cells.begin(), slot.cells.end(), int(c.column),
                                   [](const Cell& a, int col) { return a.column < col; });
        if (it != slot.cells.end() && it->column == c.column)
            *it = c;
        else
            slot.cells.insert(it, c);
    } else {
        slot.cells.push_back(c);
    }
    lastColumn = column;
}

// ----------------------------------------------------------------- writing

// Rows deleted since the sheet was read, in the numbering of that file.
class RowMap {
public:
    explicit RowMap(std::vector<std::uint32_t> deleted) : m_del(std::move(deleted))
    {
        std::sort(m_del.begin(), m_del.end());
    }
    // Maps rows top..bottom to the rows they occupy now; false when every
    // one of them was deleted.
    bool mapRows(int top, int bottom, int& newTop, int& newBottom) const
    {
        const auto below = std::lower_bound(m_del.begin(), m_del.end(), std::uint32_t(top)) - m_del.begin();
        const auto upTo = std::upper_bound(m_del.begin(), m_del.end(), std::uint32_t(bottom)) - m_del.begin();
        newTop = top - static_cast<int>(below);
        newBottom = bottom - static_cast<int>(upTo);
        return newBottom >= newTop;
    }

private:
    std::vector<std::uint32_t> m_del;
};

struct RefPart {
    QString colPart; // "$A", "B", or "" for a whole-row reference
    bool rowAbs = false;
    int row = 0; // 0 for a whole-column reference
};

bool splitRefPart(const QString& s, RefPart& p)
{
    qsizetype i = 0;
    if (i < s.size() && s[i] == u'$') ++i;
    while (i < s.size() && s[i].isLetter())
        ++i;
    p.colPart = s.left(i);
    if (p.colPart == u"$") return false;
    if (i < s.size() && s[i] == u'$') {
        p.rowAbs = true;
        ++i;
    }
    bool ok = true;
    const QString digits = s.mid(i);
    p.row = digits.isEmpty() ? 0 : digits.toInt(&ok);
    return ok && (p.row > 0 || digits.isEmpty()) && (!p.colPart.isEmpty() || p.row > 0);
}

QString joinRefPart(const RefPart& p)
{
    return p.colPart +
           (p.row > 0 ? (p.rowAbs ? QStringLiteral("$") : QString()) + QString::number(p.row) : QString());
}

// One reference ("B3", "A1:C9", "2:5", "A:C"); an empty result when all of
// its rows were deleted. A reference it cannot read is kept as it is.
QString mapRef(const QString& ref, const RowMap& map, bool dropSingleCell = false)
{
    const QStringList parts = ref.split(u':');
    if (parts.size() > 2) return ref;
    RefPart a, b;
    if (!splitRefPart(parts[0], a) || (parts.size() == 2 && !splitRefPart(parts[1], b))) return ref;
    if (parts.size() == 1) b = a;
    if (a.row == 0 || b.row == 0) return ref; // whole columns
    int top = 0, bottom = 0;
    if (!map.mapRows(a.row, b.row, top, bottom)) return {};
    a.row = top;
    b.row = bottom;
    if (parts.size() == 1) return joinRefPart(a);
    if (dropSingleCell && top == bottom && a.colPart.remove(u'$') == b.colPart.remove(u'$')) return {};
    return joinRefPart(a) + u':' + joinRefPart(b);
}

QString mapSqref(const QString& sqref, const RowMap& map)
{
    QStringList out;
    for (const QString& r : sqref.split(u' ', Qt::SkipEmptyParts)) {
        const QString m = mapRef(r, map);
        if (!m.isEmpty()) out << m;
    }
    return out.join(u' ');
}

QString formatNumber(double d)
{
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, d);
    return QString::fromLatin1(buf, res.ptr - buf);
}

class SheetWriter {
public:
    SheetWriter(BookData& book, SheetData& s, QXmlStreamWriter& w)
        : m_book(book), m_s(s), m_w(w), m_map(s.deletedOrig)
    {
    }

    void transform(QXmlStreamReader& x);

private:
    QString el(const char* local) const
    {
        return m_prefix.isEmpty() ? QString::fromLatin1(local) : m_prefix + u':' + QLatin1String(local);
    }
    void copyStart(QXmlStreamReader& x, const QString& replaceAttr = {}, const QString& newValue = {});
    void copyToken(QXmlStreamReader& x);
    void writeSheetData();
    void writeCell(const Cell& c, int row);
    void writeRichInline(const QString& raw);
    void filterContainer(QXmlStreamReader& x, const QString& refAttr);
    void fixFormulas();

    BookData& m_book;
    SheetData& m_s;
    QXmlStreamWriter& m_w;
    RowMap m_map;
    QString m_prefix;
    QString m_ns;
};

void SheetWriter::copyStart(QXmlStreamReader& x, const QString& replaceAttr, const QString& newValue)
{
    writeStartCopy(m_w, x, replaceAttr, newValue);
}

void SheetWriter::copyToken(QXmlStreamReader& x)
{
    switch (x.tokenType()) {
    case QXmlStreamReader::StartElement:
        copyStart(x);
        break;
    case QXmlStreamReader::EndElement:
        m_w.writeEndElement();
        break;
    case QXmlStreamReader::Characters:
        if (x.isCDATA())
            m_w.writeCDATA(x.text().toString());
        else
            m_w.writeCharacters(x.text().toString());
        break;
    case QXmlStreamReader::Comment:
        m_w.writeComment(x.text().toString());
        break;
    case QXmlStreamReader::ProcessingInstruction:
        m_w.writeProcessingInstruction(x.processingInstructionTarget().toString(),
                                       x.processingInstructionData().toString());
        break;
    case QXmlStreamReader::EntityReference:
        m_w.writeEntityReference(x.name().toString());
        break;
    default:
        break;
    }
}

void SheetWriter::transform(QXmlStreamReader& x)
{
    fixFormulas();
    m_w.setAutoFormatting(false);
    m_w.writeStartDocument(QStringLiteral("1.0"), true);
    int depth = 0;
    bool wroteSheetData = false;
    while (moreXml(x)) {
        const auto tok = x.readNext();
        if (tok == QXmlStreamReader::StartDocument || tok == QXmlStreamReader::DTD) continue;
        if (tok == QXmlStreamReader::EndDocument) {
            m_w.writeEndDocument();
            break;
        }
        if (tok == QXmlStreamReader::StartElement) {
            if (depth == 0) {
                m_ns = x.namespaceUri().toString();
                m_prefix = x.prefix().toString();
            }
            if (depth == 1 && x.namespaceUri() == m_ns) {
                const auto name = x.name();
                if (name == u"sheetData") {
                    x.skipCurrentElement();
                    writeSheetData();
                    wroteSheetData = true;
                    continue;
                }
                if (name == u"dimension") {
                    const CellRange r = ComputeUsedRange(m_s);
                    QString ref = QStringLiteral("A1");
                    if (!r.isEmpty()) {
                        ref = ColumnName(r.firstColumn) + QString::number(r.firstRow);
                        if (r.lastRow != r.firstRow || r.lastColumn != r.firstColumn)
                            ref += u':' + ColumnName(r.lastColumn) + QString::number(r.lastRow);
                    }
                    copyStart(x, QStringLiteral("ref"), ref);
                    ++depth;
                    continue;
                }
                if (m_s.rowsDeleted) {
                    if (name == u"mergeCells" || name == u"hyperlinks" || name == u"dataValidations") {
                        filterContainer(x, name == u"dataValidations" ? QStringLiteral("sqref")
                                                                      : QStringLiteral("ref"));
                        continue;
                    }
                    if (name == u"conditionalFormatting" || name == u"autoFilter") {
                        const QString attr =
                            name == u"autoFilter" ? QStringLiteral("ref") : QStringLiteral("sqref");
                        const QString mapped = attr == u"ref"
                                                   ? mapRef(x.attributes().value(attr).toString(), m_map)
                                                   : mapSqref(x.attributes().value(attr).toString(), m_map);
                        if (mapped.isEmpty()) {
                            x.skipCurrentElement();
                            continue;
                        }
                        copyStart(x, attr, mapped);
                        ++depth;
                        continue;
                    }
                }
            }
            copyStart(x);
            ++depth;
            continue;
        }
        if (tok == QXmlStreamReader::EndElement) {
            --depth;
            if (depth == 0 && !wroteSheetData) {
                // A sheet part without cell data: add it, the schema wants it.
                writeSheetData();
                wroteSheetData = true;
            }
        }
        copyToken(x);
    }
    if (x.hasError()) throw x.errorString();
}

void SheetWriter::filterContainer(QXmlStreamReader& x, const QString& refAttr)
{
    // Children whose rows were all deleted go; an empty container would
    // break the schema, so it goes too; "count" follows the children.
    const QString containerName = x.qualifiedName().toString();
    AttrList containerAttrs;
    for (const auto& a : x.attributes())
        containerAttrs.emplace_back(a.qualifiedName().toString(), a.value().toString());
    std::vector<QString> kept;
    while (x.readNextStartElement()) {
        const QString ref = x.attributes().value(refAttr).toString();
        const QString mapped =
            refAttr == u"sqref" ? mapSqref(ref, m_map) : mapRef(ref, m_map, x.name() == u"mergeCell");
        if (mapped.isEmpty())
            x.skipCurrentElement();
        else
            kept.push_back(captureElement(x, refAttr, mapped));
    }
    if (kept.empty()) return;
    m_w.writeStartElement(containerName);
    for (const auto& a : containerAttrs)
        m_w.writeAttribute(a.first, a.first == u"count" ? QString::number(kept.size()) : a.second);
    for (const QString& xml : kept)
        replayXml(m_w, xml);
    m_w.writeEndElement();
}

void SheetWriter::fixFormulas()
{
    if (!m_s.formulasDisturbed && !m_s.rowsDeleted) return;
    // Shared formulas: the text lives in the first cell of the group only.
    // A group that lost that cell cannot be rebuilt without a formula
    // translator, so its other cells keep their last values as constants;
    // a group that lost other cells gets a range that fits what is left.
    struct Group {
        Cell* master = nullptr;
        int top = 0, left = 0, bottom = 0, right = 0;
    };
    std::unordered_map<QString, Group> groups;
    auto isShared = [&](const Cell& c) {
        return c.formula && m_s.formulas[c.formula - 1].attr(QStringLiteral("t")) == u"shared";
    };
    for (std::size_t i = 0; i < m_s.rows.size(); ++i)
        for (Cell& c : m_s.rows.at(i).cells)
            if (isShared(c) && !m_s.formulas[c.formula - 1].text.isEmpty())
                groups[m_s.formulas[c.formula - 1].attr(QStringLiteral("si"))].master = &c;
    for (std::size_t i = 0; i < m_s.rows.size(); ++i) {
        const int row = static_cast<int>(i + 1);
        for (Cell& c : m_s.rows.at(i).cells) {
            if (!c.formula) continue;
            Formula& f = m_s.formulas[c.formula - 1];
            if (isShared(c)) {
                auto it = groups.find(f.attr(QStringLiteral("si")));
                if (it == groups.end() || !it->second.master) {
                    c.formula = 0;
                    continue;
                }
                Group& g = it->second;
                if (!g.top) {
                    g.top = g.bottom = row;
                    g.left = g.right = c.column;
                }
                g.top = std::min(g.top, row);
                g.bottom = std::max(g.bottom, row);
                g.left = std::min<int>(g.left, c.column);
                g.right = std::max<int>(g.right, c.column);
            } else if (m_s.rowsDeleted && !f.attr(QStringLiteral("ref")).isEmpty()) {
                const QString mapped = mapRef(f.attr(QStringLiteral("ref")), m_map);
                f.setAttr(QStringLiteral("ref"),
                          mapped.isEmpty() ? ColumnName(c.column) + QString::number(row) : mapped);
            }
        }
    }
    for (auto& [si, g] : groups) {
        if (!g.master || !g.top) continue;
        QString ref = ColumnName(g.left) + QString::number(g.top);
        if (g.bottom != g.top || g.right != g.left)
            ref += u':' + ColumnName(g.right) + QString::number(g.bottom);
        m_s.formulas[g.master->formula - 1].setAttr(QStringLiteral("ref"), ref);
    }
}

void SheetWriter::writeSheetData()
{
    m_w.writeStartElement(el("sheetData"));
    for (std::size_t i = 0; i < m_s.rows.size(); ++i) {
        const RowSlot& slot = m_s.rows.at(i);
        if (slot.cells.empty() && slot.attrs == 0) continue;
        const int row = static_cast<int>(i + 1);
        m_w.writeStartElement(el("row"));
        m_w.writeAttribute(QStringLiteral("r"), QString::number(row));
        if (slot.attrs) {
            for (const auto& a : m_s.attrs.get(slot.attrs)) {
                if (a.first == u"spans") {
                    // A hint of the columns in use; it must cover the cells.
                    if (!slot.cells.empty())
                        m_w.writeAttribute(a.first, QStringLiteral("%1:%2")
                                                        .arg(slot.cells.front().column)
                                                        .arg(slot.cells.back().column));
                } else {
                    m_w.writeAttribute(a.first, a.second);
                }
            }
        }
        for (const Cell& c : slot.cells)
            writeCell(c, row);
        m_w.writeEndElement();
    }
    m_w.writeEndElement();
}

void SheetWriter::writeCell(const Cell& c, int row)
{
    m_w.writeStartElement(el("c"));
    m_w.writeAttribute(QStringLiteral("r"), ColumnName(c.column) + QString::number(row));
    if (c.style) m_w.writeAttribute(QStringLiteral("s"), QString::number(c.style));
    switch (c.kind) {
    case CellKind::SharedString:
        m_w.writeAttribute(QStringLiteral("t"), QStringLiteral("s"));
        break;
    case CellKind::InlineString:
    case CellKind::RichInline:
        m_w.writeAttribute(QStringLiteral("t"), QStringLiteral("inlineStr"));
        break;
    case CellKind::FormulaString:
        m_w.writeAttribute(QStringLiteral("t"), QStringLiteral("str"));
        break;
    case CellKind::Boolean:
        m_w.writeAttribute(QStringLiteral("t"), QStringLiteral("b"));
        break;
    case CellKind::Error:
        m_w.writeAttribute(QStringLiteral("t"), QStringLiteral("e"));
        break;
    case CellKind::IsoDate:
        m_w.writeAttribute(QStringLiteral("t"), QStringLiteral("d"));
        break;
    default:
        break;
    }
    if (c.extra)
        for (const auto& a : m_s.attrs.get(c.extra))
            m_w.writeAttribute(a.first, a.second);
    if (c.formula) {
        const Formula& f = m_s.formulas[c.formula - 1];
        m_w.writeStartElement(el("f"));
        for (const auto& a : f.attrs)
            m_w.writeAttribute(a.first, a.second);
        if (!f.text.isEmpty()) m_w.writeCharacters(f.text);
        m_w.writeEndElement();
    }
    switch (c.kind) {
    case CellKind::Blank:
        break;
    case CellKind::Number:
    case CellKind::OleDate:
        m_w.writeTextElement(el("v"), formatNumber(c.number));
        break;
    case CellKind::SharedString:
        m_w.writeTextElement(el("v"), QString::number(c.index));
        break;
    case CellKind::Boolean:
        m_w.writeTextElement(el("v"), c.number != 0.0 ? QStringLiteral("1") : QStringLiteral("0"));
        break;
    case CellKind::FormulaString:
        m_w.writeTextElement(el("v"), EncodeXString(m_s.texts[c.index]));
        break;
    case CellKind::Error:
    case CellKind::IsoDate:
        m_w.writeTextElement(el("v"), m_s.texts[c.index]);
        break;
    case CellKind::RichInline:
        replayXml(m_w, m_s.texts[c.index + 1]);
        break;
    case CellKind::InlineString: {
        const QString& text = m_s.texts[c.index];
        m_w.writeStartElement(el("is"));
        m_w.writeStartElement(el("t"));
        if (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace() || text.contains(u'\n')))
            m_w.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
        m_w.writeCharacters(EncodeXString(text));
        m_w.writeEndElement();
        m_w.writeEndElement();
        break;
    }
    }
    m_w.writeEndElement();
}

// Copies an XML part, leaving out the elements one level below the root for
// which drop() says so.
template <typename Drop> QByteArray filterPart(const QByteArray& xml, Drop drop, QString& error)
{
    QByteArray out;
    QXmlStreamReader x(xml);
    QXmlStreamWriter w(&out);
    w.writeStartDocument(QStringLiteral("1.0"), true);
    int depth = 0;
    while (moreXml(x)) {
        const auto tok = x.readNext();
        switch (tok) {
        case QXmlStreamReader::StartElement:
            if (depth == 1 && drop(x.name(), x.attributes())) {
                x.skipCurrentElement();
                break;
            }
            writeStartCopy(w, x);
            ++depth;
            break;
        case QXmlStreamReader::EndElement:
            w.writeEndElement();
            --depth;
            break;
        case QXmlStreamReader::Characters:
            w.writeCharacters(x.text().toString());
            break;
        case QXmlStreamReader::EndDocument:
            w.writeEndDocument();
            break;
        default:
            break;
        }
    }
    if (x.hasError()) error = x.errorString();
    return out;
}

} // namespace

// ------------------------------------------------------------ entry points

void XlsxOpen(BookData& book)
{
    auto zip = std::make_unique<QuaZip>(book.path);
    if (!zip->open(QuaZip::mdUnzip)) notAWorkbook(book, QStringLiteral("the zip container cannot be read"));
    for (const QuaZipFileInfo64& info : zip->getFileInfoList64())
        if (info.flags & 1)
            vb::Raise(wberr::PasswordProtected, kSource,
                      QStringLiteral("'%1' is protected by a password and cannot be opened.")
                          .arg(QFileInfo(book.path).fileName()));

    QString workbookPart;
    for (const Rel& r : readRels(*zip, QStringLiteral("_rels/.rels"), QString()))
        if (relIs(r, "officeDocument") && !r.external) workbookPart = r.target;
    bool found = false;
    const QByteArray workbookXml = readEntry(*zip, workbookPart, &found);
    if (!found) notAWorkbook(book, QStringLiteral("it holds no workbook part"));
    book.workbookPart = workbookPart;

    std::vector<Rel> rels = readRels(*zip, relsPartOf(workbookPart), workbookPart);
    for (const Rel& r : rels) {
        if (r.external) continue;
        if (relIs(r, "sharedStrings"))
            book.sharedStringsPart = r.target;
        else if (relIs(r, "styles"))
            book.stylesPart = r.target;
        else if (relIs(r, "calcChain"))
            book.calcChainPart = r.target;
    }

    QXmlStreamReader x(workbookXml);
    while (moreXml(x)) {
        if (x.readNext() != QXmlStreamReader::StartElement) continue;
        if (x.name() == u"workbookPr") {
            book.date1904 = truthy(x.attributes().value(QLatin1String("date1904")));
        } else if (x.name() == u"sheet") {
            QString id;
            for (const auto& a : x.attributes())
                if (a.name() == u"id" && !a.namespaceUri().isEmpty()) id = a.value().toString();
            for (const Rel& r : rels) {
                if (r.id != id || r.external || !relIs(r, "worksheet"))
                    continue; // chart sheets and macro sheets hold no cells
                SheetData s;
                s.name = x.attributes().value(QLatin1String("name")).toString();
                s.part = r.target;
                book.sheets.push_back(std::move(s));
            }
        }
    }
    if (x.hasError())
        notAWorkbook(book, QStringLiteral("its workbook part cannot be read: %1").arg(x.errorString()));
    book.zip = zip.release();
}

void XlsxClose(BookData& book)
{
    if (book.zip) {
        book.zip->close();
        delete book.zip;
        book.zip = nullptr;
    }
}

void XlsxLoadSheet(BookData& book, SheetData& s)
{
    ensureSharedStrings(book);
    ensureStyles(book);
    s.unload();
    if (!selectEntry(*book.zip, s.part))
        notAWorkbook(book, QStringLiteral("the part of sheet '%1' is missing").arg(s.name));
    QuaZipFile f(book.zip);
    if (!f.open(QIODevice::ReadOnly))
        notAWorkbook(book, QStringLiteral("the part of sheet '%1' cannot be read").arg(s.name));
    QXmlStreamReader x(&f);
    try {
        while (moreXml(x)) {
            if (x.readNext() != QXmlStreamReader::StartElement || x.name() != u"sheetData") continue;
            int lastRow = 0;
            while (x.readNextStartElement()) {
                if (x.name() != u"row") {
                    x.skipCurrentElement();
                    continue;
                }
                int row = lastRow + 1;
                AttrList attrs;
                for (const auto& a : x.attributes()) {
                    if (a.qualifiedName() == u"r") {
                        bool ok = false;
                        row = a.value().toInt(&ok);
                        if (!ok)
                            notAWorkbook(book,
                                         QStringLiteral("sheet '%1' holds a bad row number").arg(s.name));
                    } else {
                        attrs.emplace_back(a.qualifiedName().toString(), a.value().toString());
                    }
                }
                if (row < 1 || row > kMaxRows)
                    notAWorkbook(book,
                                 QStringLiteral("sheet '%1' has a row beyond the last row").arg(s.name));
                s.ensureRows(row);
                RowSlot& slot = s.rows.at(row - 1);
                if (!attrs.empty()) slot.attrs = s.attrs.intern(attrs);
                int lastColumn = slot.cells.empty() ? 0 : slot.cells.back().column;
                while (x.readNextStartElement()) {
                    if (x.name() == u"c")
                        readCell(x, book, s, slot, lastColumn);
                    else
                        x.skipCurrentElement();
                }
                lastRow = row;
            }
            break; // nothing after the cell data is needed to read the sheet
        }
    } catch (...) {
        s.unload();
        throw;
    }
    const QString error = readError(x, f);
    if (!error.isEmpty()) {
        s.unload();
        notAWorkbook(book, QStringLiteral("sheet '%1' cannot be read: %2").arg(s.name, error));
    }
}

void XlsxSave(BookData& book)
{
    std::unordered_map<QString, SheetData*> changed;
    bool dropCalcChain = false;
    for (SheetData& s : book.sheets) {
        if (!s.modified) continue;
        changed[s.part.toLower()] = &s;
        if (s.formulasDisturbed && !book.calcChainPart.isEmpty()) dropCalcChain = true;
    }
    if (changed.empty()) return;
    const QString contentTypes = QStringLiteral("[Content_Types].xml");
    const QString workbookRels = relsPartOf(book.workbookPart).toLower();

    const QFileInfo fi(book.path);
    QString tmpName;
    {
        QTemporaryFile tmp(fi.absolutePath() + QStringLiteral("/.") + fi.fileName() +
                           QStringLiteral(".XXXXXX"));
        tmp.setAutoRemove(false);
        if (!tmp.open())
            cannotSave(book,
                       QStringLiteral("no file can be created in its folder (%1)").arg(tmp.errorString()));
        tmpName = tmp.fileName();
    }
    struct Cleanup {
        QString name;
        bool keep = false;
        ~Cleanup()
        {
            if (!keep) QFile::remove(name);
        }
    } cleanup{tmpName};

    QString failure;
    {
        QuaZip out(tmpName);
        if (!out.open(QuaZip::mdCreate)) cannotSave(book, QStringLiteral("the new file cannot be written"));
        QuaZip& in = *book.zip;
        for (bool more = in.goToFirstFile(); more && failure.isEmpty(); more = in.goToNextFile()) {
            QuaZipFileInfo64 info;
            if (!in.getCurrentFileInfo(&info)) {
                failure = QStringLiteral("an entry of the workbook cannot be read");
                break;
            }
            const QString key = info.name.toLower();
            if (dropCalcChain && key == book.calcChainPart.toLower())
                continue; // Excel rebuilds it; stale, it would make Excel repair the file

            auto it = changed.find(key);
            const bool filtered = dropCalcChain && (key == contentTypes.toLower() || key == workbookRels);
            if (it == changed.end() && !filtered) {
                // Untouched: copy the compressed bytes as they are.
                QuaZipFile src(&in);
                int method = 0, level = 0;
                if (!src.open(QIODevice::ReadOnly, &method, &level, true)) {
                    failure = QStringLiteral("the entry '%1' cannot be read").arg(info.name);
                    break;
                }
                QuaZipNewInfo ni(info);
                QuaZipFile dst(&out);
                if (!dst.open(QIODevice::WriteOnly, ni, nullptr, info.crc, method, level, true)) {
                    failure = QStringLiteral("the entry '%1' cannot be written").arg(info.name);
                    break;
                }
                char buf[1 << 16];
                qint64 n;
                while ((n = src.read(buf, sizeof buf)) > 0)
                    if (dst.write(buf, n) != n) {
                        failure = QStringLiteral("the entry '%1' cannot be written").arg(info.name);
                        break;
                    }
                if (n < 0) failure = QStringLiteral("the entry '%1' cannot be read").arg(info.name);
                dst.close();
                if (dst.getZipError() != 0 && failure.isEmpty())
                    failure = QStringLiteral("the entry '%1' cannot be written").arg(info.name);
                continue;
            }

            QuaZipFile src(&in);
            if (!src.open(QIODevice::ReadOnly)) {
                failure = QStringLiteral("the entry '%1' cannot be read").arg(info.name);
                break;
            }
            QuaZipNewInfo ni(info.name);
            ni.dateTime = info.dateTime;
            ni.externalAttr = info.externalAttr;
            QuaZipFile dst(&out);
            if (!dst.open(QIODevice::WriteOnly, ni)) {
                failure = QStringLiteral("the entry '%1' cannot be written").arg(info.name);
                break;
            }
            if (it != changed.end()) {
                QXmlStreamReader x(&src);
                ChunkedOutput buffered(&dst);
                QXmlStreamWriter w(&buffered);
                SheetWriter sw(book, *it->second, w);
                try {
                    sw.transform(x);
                } catch (const QString& e) {
                    failure = QStringLiteral("sheet '%1' is damaged (%2)").arg(it->second->name, e);
                }
                if (failure.isEmpty() && (w.hasError() || !buffered.flushAll()))
                    failure = QStringLiteral("sheet '%1' cannot be written").arg(it->second->name);
            } else {
                const QByteArray xml = src.readAll();
                QString error;
                QByteArray result;
                if (key == contentTypes.toLower()) {
                    const QString calc = u'/' + book.calcChainPart;
                    result = filterPart(
                        xml,
                        [&](QStringView name, const QXmlStreamAttributes& a) {
                            return name == u"Override" &&
                                   a.value(QLatin1String("PartName")).compare(calc, Qt::CaseInsensitive) == 0;
                        },
                        error);
                } else {
                    result = filterPart(
                        xml,
                        [&](QStringView name, const QXmlStreamAttributes& a) {
                            return name == u"Relationship" &&
                                   a.value(QLatin1String("Type")).endsWith(u"/calcChain");
                        },
                        error);
                }
                if (!error.isEmpty())
                    failure = QStringLiteral("the entry '%1' is damaged (%2)").arg(info.name, error);
                else if (dst.write(result) != result.size())
                    failure = QStringLiteral("the entry '%1' cannot be written").arg(info.name);
            }
            dst.close();
            if (failure.isEmpty() && dst.getZipError() != 0)
                failure = QStringLiteral("the entry '%1' cannot be written").arg(info.name);
        }
        if (failure.isEmpty() && in.getZipError() != 0)
            failure = QStringLiteral("the workbook cannot be read to the end");
        out.close();
        if (failure.isEmpty() && out.getZipError() != 0)
            failure = QStringLiteral("the new file cannot be completed (is the disk full?)");
    }
    if (!failure.isEmpty()) cannotSave(book, failure);

    QFile::setPermissions(tmpName, QFile::permissions(book.path));
    // Replace the file in one step: rename() swaps the directory entry, so
    // at every moment the path holds either the old or the new workbook.
    if (std::rename(QFile::encodeName(tmpName).constData(), QFile::encodeName(book.path).constData()) != 0)
        cannotSave(book, QStringLiteral("the new file cannot take the place of the old one"));
    cleanup.keep = true;

    // From now on the saved file is the one the model stands on.
    XlsxClose(book);
    auto zip = std::make_unique<QuaZip>(book.path);
    if (!zip->open(QuaZip::mdUnzip))
        notAWorkbook(book, QStringLiteral("the saved file cannot be read again"));
    book.zip = zip.release();
    if (dropCalcChain) book.calcChainPart.clear();
    for (SheetData& s : book.sheets) {
        if (!s.loaded) continue;
        for (std::size_t i = 0; i < s.rows.size(); ++i)
            s.rows.at(i).origRow = static_cast<std::uint32_t>(i + 1);
        s.deletedOrig.clear();
        s.deletedCount = 0;
        s.modified = s.rowsDeleted = s.formulasDisturbed = false;
    }
}

} // namespace files::detail
