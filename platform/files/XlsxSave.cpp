// Saving the xlsx package behind files::Workbook.
//
// Saving copies every entry it does not change in raw (still compressed)
// form, and rewrites a changed sheet by streaming its original XML through,
// replacing only the cell data and the few elements whose references move
// with deleted rows.

#include "platform/files/XlsxAnchors.h"
#include "platform/files/XlsxParts.h"
#include "platform/files/XlsxRows.h"
#include "platform/fso/FileReplace.h"
#include "platform/vb/Err.h"
#include "platform/vb/Waiting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipfileinfo.h>
#include <quazip/quazipnewinfo.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace files::detail {

using namespace xlsx;

namespace {

// Page breaks, protected ranges, ignored errors and the extensions (newer
// conditional formats and validations) follow their rows: every "sqref"
// attribute or element is mapped, and what loses all its cells goes, with
// a container that loses all its children. False when `e` itself goes.
bool shiftRowsInTree(XmlNode& e, const RowMap& map)
{
    if (e.is("brk")) {
        bool ok = false;
        const int row = e.attr(QStringLiteral("id")).toInt(&ok);
        if (!ok) return true;
        if (map.isDeleted(row)) return false;
        e.setAttr(QStringLiteral("id"), QString::number(map.landing(row)));
        return true;
    }
    if (e.hasAttr(QStringLiteral("sqref"))) {
        const QString mapped = mapSqref(e.attr(QStringLiteral("sqref")), map);
        if (mapped.isEmpty()) return false;
        e.setAttr(QStringLiteral("sqref"), mapped);
    }
    bool hadElements = false;
    bool lostAll = true;
    bool lostSome = false;
    auto& kids = e.children;
    for (auto it = kids.begin(); it != kids.end();) {
        if (it->kind != XmlNode::Element) {
            ++it;
            continue;
        }
        hadElements = true;
        bool keep = true;
        if (it->is("sqref")) {
            const QString mapped = mapSqref(it->textContent(), map);
            if (mapped.isEmpty()) return false; // the rule or validation it places goes
            it->setText(mapped);
        } else {
            keep = shiftRowsInTree(*it, map);
        }
        if (keep) {
            lostAll = false;
            ++it;
        } else {
            it = kids.erase(it);
            lostSome = true;
        }
    }
    if (hadElements && lostAll) return false;
    if (!lostSome) return true;
    const int left = static_cast<int>(
        std::count_if(kids.begin(), kids.end(), [](const XmlNode& c) { return c.kind == XmlNode::Element; }));
    for (const char* counter : {"count", "manualBreakCount"})
        if (e.hasAttr(QLatin1String(counter))) e.setAttr(QLatin1String(counter), QString::number(left));
    return true;
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
    // The new cell data, after reading past the old (`old` at its start).
    void writeSheetData(QXmlStreamReader* old = nullptr);
    void writeCell(const Cell& c, int row, std::uint32_t origRow);
    void writeRichInline(const QString& raw);
    void filterContainer(QXmlStreamReader& x, const QString& refAttr);
    void shiftTail(QXmlStreamReader& x);
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

// Writes the token the reader stands on.
void copyXmlToken(QXmlStreamWriter& w, QXmlStreamReader& x)
{
    switch (x.tokenType()) {
    case QXmlStreamReader::StartElement:
        writeStartCopy(w, x);
        break;
    case QXmlStreamReader::EndElement:
        w.writeEndElement();
        break;
    case QXmlStreamReader::Characters:
        if (x.isCDATA())
            w.writeCDATA(x.text().toString());
        else
            w.writeCharacters(x.text().toString());
        break;
    case QXmlStreamReader::Comment:
        w.writeComment(x.text().toString());
        break;
    case QXmlStreamReader::ProcessingInstruction:
        w.writeProcessingInstruction(x.processingInstructionTarget().toString(),
                                     x.processingInstructionData().toString());
        break;
    case QXmlStreamReader::EntityReference:
        w.writeEntityReference(x.name().toString());
        break;
    default:
        break;
    }
}

void SheetWriter::copyToken(QXmlStreamReader& x)
{
    copyXmlToken(m_w, x);
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
                    writeSheetData(&x);
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
                    if (name == u"rowBreaks" || name == u"protectedRanges" || name == u"ignoredErrors" ||
                        name == u"extLst") {
                        shiftTail(x);
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

void SheetWriter::shiftTail(QXmlStreamReader& x)
{
    XmlDoc doc;
    QString error;
    if (!ParseXml(captureElement(x).toUtf8(), doc, error)) throw error;
    if (shiftRowsInTree(doc.root, m_map)) WriteXmlNode(m_w, doc.root);
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

void SheetWriter::writeSheetData(QXmlStreamReader* old)
{
    // The drawn wait starts with the sheet's data: reading past the old cell
    // data of a large sheet takes a while of its own.
    vb::LongWork saving(QStringLiteral("Saving the workbook ..."));
    for (int depth = 1, read = 0; old && depth > 0 && moreXml(*old); ++read) {
        const auto token = old->readNext();
        depth += token == QXmlStreamReader::StartElement ? 1 : token == QXmlStreamReader::EndElement ? -1 : 0;
        if (read % 1024 == 0) saving.Step();
    }
    m_w.writeStartElement(el("sheetData"));
    for (std::size_t i = 0; i < m_s.rows.size(); ++i, saving.Step()) {
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
            writeCell(c, row, slot.origRow);
        m_w.writeEndElement();
    }
    m_w.writeEndElement();
}

void SheetWriter::writeCell(const Cell& c, int row, std::uint32_t origRow)
{
    m_w.writeStartElement(el("c"));
    m_w.writeAttribute(QStringLiteral("r"), ColumnName(c.column) + QString::number(row));
    if (c.style) m_w.writeAttribute(QStringLiteral("s"), QString::number(c.style));
    // A formula goes without its stored result (nor the result's type): the
    // result may stand on cells this save changed, and a reader that does
    // not calculate on opening would show it as it stands.
    switch (c.formula ? CellKind::Blank : c.kind) {
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
    switch (c.formula ? CellKind::Blank : c.kind) {
    case CellKind::Blank:
        break;
    case CellKind::Number:
    case CellKind::OleDate: {
        // A number read as other text than NumberText gives keeps it while
        // its value is the same.
        const auto kept = m_s.numberTexts.constFind(NumberKey(origRow, c.column));
        m_w.writeTextElement(el("v"), kept != m_s.numberTexts.cend() && kept->trimmed().toDouble() == c.number
                                          ? *kept
                                          : NumberText(c.number));
        break;
    }
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

// What a save changes, keyed by part name in lower case: the sheets to
// rewrite, and the other parts that change with them (those anchored to
// deleted rows; the content types and workbook relationships when Excel's
// calculation chain goes).
struct SavePlan {
    std::unordered_map<QString, SheetData*> changed;
    // The other sheets: those that hold formulas are copied without their
    // results, which may stand on the changed cells.
    std::unordered_map<QString, SheetData*> unchanged;
    std::unordered_map<QString, PartRewrite> parts;
    bool dropCalcChain = false;
};

QString entryFailure(const char* what, const QString& entry)
{
    return QStringLiteral("the entry '%1' cannot be %2").arg(entry, QLatin1String(what));
}

// An untouched entry: its compressed bytes go over as they are.
QString copyRawEntry(QuaZip& in, QuaZip& out, const QuaZipFileInfo64& info)
{
    QuaZipFile src(&in);
    int method = 0, level = 0;
    if (!src.open(QIODevice::ReadOnly, &method, &level, true)) return entryFailure("read", info.name);
    QuaZipNewInfo ni(info);
    QuaZipFile dst(&out);
    if (!dst.open(QIODevice::WriteOnly, ni, nullptr, info.crc, method, level, true))
        return entryFailure("written", info.name);
    QString failure;
    char buf[1 << 16];
    qint64 n;
    while ((n = src.read(buf, sizeof buf)) > 0)
        if (dst.write(buf, n) != n) {
            failure = entryFailure("written", info.name);
            break;
        }
    if (n < 0) failure = entryFailure("read", info.name);
    dst.close();
    if (dst.getZipError() != 0 && failure.isEmpty()) failure = entryFailure("written", info.name);
    return failure;
}

// A changed sheet, streamed through the sheet writer.
QString writeSheetEntry(BookData& book, SheetData& sheet, QIODevice& src, QIODevice& dst)
{
    QXmlStreamReader x(&src);
    ChunkedOutput buffered(&dst);
    QXmlStreamWriter w(&buffered);
    SheetWriter sw(book, sheet, w);
    try {
        sw.transform(x);
    } catch (const QString& e) {
        return QStringLiteral("sheet '%1' is damaged (%2)").arg(sheet.name, e);
    }
    if (w.hasError() || !buffered.flushAll())
        return QStringLiteral("sheet '%1' cannot be written").arg(sheet.name);
    return {};
}

// Whether the entry the package stands on holds a formula element ("<f>",
// "<f ", "<x:f/"...), found in its bytes as they inflate: a sheet without
// one goes over as it is. An entry that cannot be read is left to that too.
bool holdsFormula(QuaZip& in)
{
    LimitedEntry src(in, false);
    if (!src.openEntry()) return false;
    QByteArray data(2, ' '); // the last two bytes of the chunk before, then the chunk
    for (;;) {
        data.resize(2 + (1 << 16));
        const qint64 n = src.read(data.data() + 2, 1 << 16);
        if (n <= 0) return false;
        data.resize(2 + n);
        for (qsizetype i = 1; i + 1 < data.size(); ++i)
            if (data[i] == 'f' && (data[i - 1] == '<' || data[i - 1] == ':') &&
                (data[i + 1] == ' ' || data[i + 1] == '>' || data[i + 1] == '/'))
                return true;
        data.remove(0, data.size() - 2);
    }
}

// A sheet the save does not change, streamed through with every formula's
// stored result (and the result's type) left out.
QString writeWithoutResults(const SheetData& sheet, QIODevice& src, QIODevice& dst)
{
    QXmlStreamReader x(&src);
    ChunkedOutput buffered(&dst);
    QXmlStreamWriter w(&buffered);
    w.setAutoFormatting(false);
    w.writeStartDocument(QStringLiteral("1.0"), true);
    QString ns;
    QString cellName;
    AttrList cellAttrs; // a cell's start tag, held until its first child shows a formula or none
    bool held = false;
    bool formula = false;
    int depth = 0;
    while (moreXml(x)) {
        const auto tok = x.readNext();
        if (tok == QXmlStreamReader::StartDocument || tok == QXmlStreamReader::DTD) continue;
        if (tok == QXmlStreamReader::EndDocument) {
            w.writeEndDocument();
            break;
        }
        if (held) {
            if (tok == QXmlStreamReader::Characters || tok == QXmlStreamReader::Comment) continue;
            formula = tok == QXmlStreamReader::StartElement && x.name() == u"f" && x.namespaceUri() == ns;
            w.writeStartElement(cellName);
            for (const auto& a : cellAttrs)
                if (!formula || a.first != u"t") w.writeAttribute(a.first, a.second);
            held = false;
        }
        if (tok == QXmlStreamReader::StartElement) {
            if (depth++ == 0) ns = x.namespaceUri().toString();
            if (x.namespaceUri() == ns && x.name() == u"c") {
                cellName = x.qualifiedName().toString();
                cellAttrs.clear();
                for (const auto& d : x.namespaceDeclarations())
                    cellAttrs.emplace_back(d.prefix().isEmpty()
                                               ? QStringLiteral("xmlns")
                                               : QStringLiteral("xmlns:") + d.prefix().toString(),
                                           d.namespaceUri().toString());
                for (const auto& a : x.attributes())
                    if (!a.isDefault())
                        cellAttrs.emplace_back(a.qualifiedName().toString(), a.value().toString());
                held = true;
                continue;
            }
            if (formula && x.namespaceUri() == ns && x.name() == u"v") {
                --depth;
                x.skipCurrentElement();
                continue;
            }
        } else if (tok == QXmlStreamReader::EndElement) {
            --depth;
            if (x.namespaceUri() == ns && x.name() == u"c") formula = false;
        }
        copyXmlToken(w, x);
    }
    if (x.hasError()) return QStringLiteral("sheet '%1' is damaged (%2)").arg(sheet.name, x.errorString());
    if (w.hasError() || !buffered.flushAll())
        return QStringLiteral("sheet '%1' cannot be written").arg(sheet.name);
    return {};
}

// The content types or the workbook's relationships without the
// calculation chain.
PartRewrite withoutCalcChain(const BookData& book, bool contentTypes)
{
    const QString calc = u'/' + book.calcChainPart;
    return [calc, contentTypes](QByteArray& xml) {
        QString error;
        if (contentTypes)
            xml = filterPart(
                xml,
                [&](QStringView name, const QXmlStreamAttributes& a) {
                    return name == u"Override" &&
                           a.value(QLatin1String("PartName")).compare(calc, Qt::CaseInsensitive) == 0;
                },
                error);
        else
            xml = filterPart(
                xml,
                [&](QStringView name, const QXmlStreamAttributes& a) {
                    return name == u"Relationship" && a.value(QLatin1String("Type")).endsWith(u"/calcChain");
                },
                error);
        return error;
    };
}

// A part other than a sheet, rewritten whole.
QString writeRewrittenPart(const PartRewrite& rewrite, const QuaZipFileInfo64& info, LimitedEntry& src,
                           QIODevice& dst)
{
    QByteArray xml = src.readAll();
    const QString error = src.refused() ? src.failure() : rewrite(xml);
    if (!error.isEmpty()) return QStringLiteral("the entry '%1' is damaged (%2)").arg(info.name, error);
    if (dst.write(xml) != xml.size()) return entryFailure("written", info.name);
    return {};
}

// An entry whose content changes: decompressed, rewritten, compressed again.
QString rewriteEntry(BookData& book, QuaZip& in, QuaZip& out, const QuaZipFileInfo64& info, SheetData* sheet,
                     const PartRewrite* rewrite)
{
    LimitedEntry src(in, sheet == nullptr);
    if (!src.openEntry()) return entryFailure("read", info.name);
    QuaZipNewInfo ni(info.name);
    ni.dateTime = info.dateTime;
    ni.externalAttr = info.externalAttr;
    QuaZipFile dst(&out);
    if (!dst.open(QIODevice::WriteOnly, ni)) return entryFailure("written", info.name);
    QString failure = !sheet            ? writeRewrittenPart(*rewrite, info, src, dst)
                      : sheet->modified ? writeSheetEntry(book, *sheet, src, dst)
                                        : writeWithoutResults(*sheet, src, dst);
    dst.close();
    if (failure.isEmpty() && dst.getZipError() != 0) failure = entryFailure("written", info.name);
    return failure;
}

bool isNoRoom(int error)
{
    return error == ENOSPC || error == EDQUOT || error == EFBIG;
}

// The new package's file, unnamed, so that a kill leaves nothing of it: in
// the temporary folder, or beside the workbook where that folder cannot
// hold it, from the start or once it runs out of room part way. It keeps
// the system's reason for the first write that failed, so that a full disk
// can be told from other failures.
class ScratchFile : public QIODevice {
public:
    explicit ScratchFile(QString workbookFolder) : m_workbookFolder(std::move(workbookFolder)) {}
    ~ScratchFile() override
    {
        if (m_fd >= 0) ::close(m_fd);
    }

    // False with errno set when neither folder can hold one.
    bool create()
    {
        m_fd = make(QDir::tempPath());
        if (m_fd < 0) {
            m_fd = make(m_workbookFolder);
            m_beside = true;
        }
        return m_fd >= 0;
    }
    int writeError() const { return m_error; }
    bool isSequential() const override { return false; }
    qint64 size() const override
    {
        struct stat st {};
        return ::fstat(m_fd, &st) == 0 ? qint64(st.st_size) : 0;
    }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        ssize_t n;
        do
            n = ::pread(m_fd, data, size_t(maxSize), off_t(pos()));
        while (n < 0 && errno == EINTR);
        return n;
    }
    qint64 writeData(const char* data, qint64 size) override
    {
        qint64 done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(m_fd, data + done, size_t(size - done), off_t(pos() + done));
            if (n > 0) {
                done += n;
                continue;
            }
            const int error = n < 0 ? errno : ENOSPC;
            if (error == EINTR) continue;
            // A file-size limit holds in every folder; a full one need not.
            if ((error == ENOSPC || error == EDQUOT) && moveBesideWorkbook()) continue;
            if (m_error == 0) m_error = error;
            return done > 0 ? done : -1;
        }
        return done;
    }

private:
    static bool writeAll(int fd, const char* data, ssize_t size, off_t at)
    {
        while (size > 0) {
            const ssize_t n = ::pwrite(fd, data, size_t(size), at);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            data += n;
            size -= n;
            at += n;
        }
        return true;
    }
    static int make(const QString& folder)
    {
        return ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    }
    // What was written so far goes over into a new file beside the workbook.
    bool moveBesideWorkbook()
    {
        if (m_beside) return false;
        m_beside = true;
        const int fd = make(m_workbookFolder);
        if (fd < 0) return false;
        std::vector<char> buf(1 << 20);
        for (off_t at = 0;;) {
            const ssize_t n = ::pread(m_fd, buf.data(), buf.size(), at);
            if (n == 0) break;
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 || !writeAll(fd, buf.data(), n, at)) {
                ::close(fd);
                return false;
            }
            at += n;
        }
        ::close(m_fd);
        m_fd = fd;
        return true;
    }

    const QString m_workbookFolder;
    int m_fd = -1;
    bool m_beside = false; // the file lies beside the workbook: there is nowhere else to go
    int m_error = 0;
};

// Writes the new package into `file`, open for writing; the failure, or ""
// when it is whole.
QString writePackage(BookData& book, const SavePlan& plan, ScratchFile& file)
{
    QuaZip out(&file);
    out.setAutoClose(false);
    if (!out.open(QuaZip::mdCreate)) return QStringLiteral("the new file cannot be written");
    QuaZip& in = *book.zip;
    QString failure;
    for (bool more = in.goToFirstFile(); more && failure.isEmpty(); more = in.goToNextFile()) {
        QuaZipFileInfo64 info;
        if (!in.getCurrentFileInfo(&info)) {
            failure = QStringLiteral("an entry of the workbook cannot be read");
            break;
        }
        const QString key = info.name.toLower();
        if (plan.dropCalcChain && key == book.calcChainPart.toLower())
            continue; // Excel rebuilds it; stale, it would make Excel repair the file
        const auto sheet = plan.changed.find(key);
        const auto other = plan.unchanged.find(key);
        const auto part = plan.parts.find(key);
        if (sheet != plan.changed.end())
            failure = rewriteEntry(book, in, out, info, sheet->second, nullptr);
        else if (other != plan.unchanged.end() && holdsFormula(in))
            failure = rewriteEntry(book, in, out, info, other->second, nullptr);
        else if (part != plan.parts.end())
            failure = rewriteEntry(book, in, out, info, nullptr, &part->second);
        else
            failure = copyRawEntry(in, out, info);
    }
    if (failure.isEmpty() && in.getZipError() != 0)
        failure = QStringLiteral("the workbook cannot be read to the end");
    out.close();
    if (failure.isEmpty() && out.getZipError() != 0)
        failure = QStringLiteral("the new file cannot be completed");
    return failure;
}

// After the rename the saved file is the one the model stands on: the
// package is opened again and the sheets forget what they changed.
void standOnSavedFile(BookData& book, bool dropCalcChain)
{
    XlsxClose(book);
    book.stamp = fso::StampOf(book.path);
    auto zip = std::make_unique<QuaZip>(book.path);
    if (!zip->open(QuaZip::mdUnzip))
        notAWorkbook(book, QStringLiteral("the saved file cannot be read again"));
    book.zip = zip.release();
    if (dropCalcChain) book.calcChainPart.clear();
    for (SheetData& s : book.sheets) {
        if (!s.loaded) continue;
        QHash<quint64, QString> numberTexts;
        for (std::size_t i = 0; i < s.rows.size(); ++i) {
            RowSlot& slot = s.rows.at(i);
            const auto newRow = static_cast<std::uint32_t>(i + 1);
            if (!s.numberTexts.isEmpty())
                for (const Cell& c : slot.cells) {
                    const auto kept = s.numberTexts.constFind(NumberKey(slot.origRow, c.column));
                    if (kept != s.numberTexts.cend()) numberTexts.insert(NumberKey(newRow, c.column), *kept);
                }
            slot.origRow = newRow;
        }
        s.numberTexts = std::move(numberTexts);
        s.deletedOrig.clear();
        s.deletedCount = 0;
        s.modified = s.rowsDeleted = s.formulasDisturbed = false;
        s.holds.clear(); // they were in the numbering of the old file
        s.holdsKnown = false;
    }
}

[[noreturn]] void noRoom(const BookData& book, int error)
{
    vb::Raise(vb::errnum::DeviceIOError, kSource,
              fso::WriteFailure(book.path, error) + QStringLiteral(" The file was left as it was."));
}

// Runs the replacement's steps; what they raise about the workbook itself is
// said as a save that failed. An error of another file committed with it
// goes on as it is.
template <class Steps> void asSaveFailure(const BookData& book, Steps&& steps)
{
    try {
        steps();
    } catch (const vb::ErrObject& e) {
        if (e.Number == wberr::CannotSave || !e.Description.contains(u'\'' + book.path + u'\'')) throw;
        if (e.Number == vb::errnum::DeviceIOError)
            vb::Raise(e.Number, kSource, e.Description + QStringLiteral(" The file was left as it was."));
        const QString named = u'\'' + book.path + QStringLiteral("': ");
        QString why = e.Description.mid(std::max<qsizetype>(0, e.Description.indexOf(named) + named.size()));
        why.remove(QStringLiteral(" The file was left as it was."));
        if (why.endsWith(u'.')) why.chop(1);
        cannotSave(book, why);
    }
}

// The workbook part asking its reader to calculate every formula anew on
// load: the stored results of formulas over changed cells are stale, and a
// reader shows them as they stand unless asked. The calculation properties
// are made where the schema places them when the part has none.
QString askFullCalculation(QByteArray& xml)
{
    XmlDoc doc;
    QString error;
    if (!ParseXml(xml, doc, error)) return error;
    XmlNode* calc = doc.root.child("calcPr");
    if (!calc) {
        static const char* const kAfter[] = {"oleSize",        "customWorkbookViews", "pivotCaches",
                                             "smartTagPr",     "smartTagTypes",       "webPublishing",
                                             "fileRecoveryPr", "webPublishObjects",   "extLst"};
        auto& kids = doc.root.children;
        auto at = std::find_if(kids.begin(), kids.end(), [](const XmlNode& n) {
            return std::any_of(std::begin(kAfter), std::end(kAfter), [&](const char* e) { return n.is(e); });
        });
        XmlNode made;
        const qsizetype colon = doc.root.name.indexOf(u':');
        made.name = (colon < 0 ? QString() : doc.root.name.left(colon + 1)) + QStringLiteral("calcPr");
        calc = &*kids.insert(at, std::move(made));
    }
    calc->setAttr(QStringLiteral("fullCalcOnLoad"), QStringLiteral("1"));
    xml = WriteXml(doc);
    return {};
}

} // namespace

// ------------------------------------------------------------ entry points

void XlsxSave(BookData& book, const Workbook::SaveCommit& commit)
{
    SavePlan plan;
    for (SheetData& s : book.sheets) {
        if (!s.modified) {
            plan.unchanged[s.part.toLower()] = &s;
            continue;
        }
        plan.changed[s.part.toLower()] = &s;
        if (s.formulasDisturbed && !book.calcChainPart.isEmpty()) plan.dropCalcChain = true;
    }
    if (plan.changed.empty()) {
        if (commit) commit(nullptr);
        return;
    }
    AddRowAnchorRewrites(book, plan.parts);
    PartRewrite& workbookPart = plan.parts[book.workbookPart.toLower()];
    workbookPart = [earlier = std::move(workbookPart)](QByteArray& xml) {
        const QString error = earlier ? earlier(xml) : QString();
        return error.isEmpty() ? askFullCalculation(xml) : error;
    };
    if (plan.dropCalcChain) {
        plan.parts[QStringLiteral("[content_types].xml")] = withoutCalcChain(book, true);
        plan.parts[relsPartOf(book.workbookPart).toLower()] = withoutCalcChain(book, false);
    }

    // The zip writer goes back over what it wrote, which the replacement
    // cannot: the package is written to a file nobody sees first and copied
    // into the workbook's replacement from there.
    ScratchFile file(QFileInfo(fso::ResolvedFilePath(book.path)).path());
    if (!file.create())
        cannotSave(book, QStringLiteral("no file can be created for it (%1)")
                             .arg(QString::fromLocal8Bit(std::strerror(errno))));
    // Unbuffered, so that each write reaches writeData and its failure is seen there.
    file.open(QIODevice::ReadWrite | QIODevice::Unbuffered);
    const QString failure = writePackage(book, plan, file);
    const int error = file.writeError();
    // A disk without room is named as every other writer names it.
    if (isNoRoom(error)) noRoom(book, error);
    if (!failure.isEmpty()) cannotSave(book, failure);
    if (error != 0) cannotSave(book, QString::fromLocal8Bit(std::strerror(error)));

    fso::ReplacementFile replacement(book.path);
    asSaveFailure(book, [&] {
        replacement.Open();
        replacement.RequireUnchanged(book.stamp);
        if (!file.seek(0)) cannotSave(book, QStringLiteral("the new file cannot be read back"));
        QByteArray chunk;
        while (!file.atEnd()) {
            chunk = file.read(1 << 20);
            if (chunk.isEmpty()) cannotSave(book, QStringLiteral("the new file cannot be read back"));
            replacement.Write(chunk);
        }
        file.close();
        if (commit)
            commit(&replacement);
        else
            replacement.Commit();
    });
    standOnSavedFile(book, plan.dropCalcChain);
}

} // namespace files::detail
