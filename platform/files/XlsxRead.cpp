// Reading the xlsx package behind files::Workbook.
//
// Reading streams each part from the zip through QXmlStreamReader, so a
// large sheet is never held as XML text.

#include "platform/files/XlsxParts.h"
#include "platform/fso/FileReplace.h"
#include "platform/vb/Err.h"
#include "platform/vb/Waiting.h"

#include <QFileInfo>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipfileinfo.h>
#include <unordered_map>

namespace files::detail {

using namespace xlsx;

namespace {

bool truthy(QStringView v)
{
    return v == u"1" || v.compare(u"true", Qt::CaseInsensitive) == 0;
}

// The text of an <si> or <is> element: its <t> pieces, without phonetic runs.
QString readRichText(QXmlStreamReader& x, const BookData& book)
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
                // An escaped character takes seven ("_x000D_").
                if (text.size() > 7 * kMaxCellText) checkCellText(book, text.size());
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
    QString decoded = DecodeXString(text);
    checkCellText(book, decoded.size());
    return decoded;
}

void ensureSharedStrings(BookData& book)
{
    if (book.sharedLoaded) return;
    book.sharedLoaded = true;
    if (book.sharedStringsPart.isEmpty() || !selectEntry(*book.zip, book.sharedStringsPart)) return;
    LimitedEntry f(*book.zip, false);
    if (!f.openEntry()) return;
    QXmlStreamReader x(&f);
    try {
        while (moreXml(x)) {
            if (x.readNext() == QXmlStreamReader::StartElement && x.name() == u"si")
                book.sharedStrings.push_back(readRichText(x, book));
        }
    } catch (...) {
        book.sharedLoaded = false;
        book.sharedStrings.clear();
        throw;
    }
    const QString error = readError(x, f);
    if (!error.isEmpty()) {
        book.sharedLoaded = false;
        book.sharedStrings.clear();
        notAWorkbook(book, QStringLiteral("its shared strings cannot be read: %1").arg(error));
    }
}

// An attribute of the xsd:boolean type that says false.
bool IsFalse(QStringView value)
{
    return value == u"0" || value == u"false";
}

// The sheet's protection, when the reader stands on it: on when its "sheet"
// says so; deleting rows stays forbidden unless "deleteRows" says false.
void readProtection(const QXmlStreamReader& x, SheetData& s)
{
    if (x.name() != u"sheetProtection") return;
    const auto a = x.attributes();
    const QStringView on = a.value(QLatin1String("sheet"));
    s.protectedSheet = on == u"1" || on == u"true";
    s.rowDeletesAllowed = IsFalse(a.value(QLatin1String("deleteRows")));
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
                book.xfUnlocked.push_back(false);
            } else if (inCellXfs && x.name() == u"protection" && !book.xfUnlocked.empty()) {
                book.xfUnlocked.back() = IsFalse(x.attributes().value(QLatin1String("locked")));
            }
        } else if (tok == QXmlStreamReader::EndElement && x.name() == u"cellXfs") {
            inCellXfs = false;
        }
    }
}

// The attributes of a <c> element: its column, style and type; the rest
// is kept as it stands.
int readCellAttributes(QXmlStreamReader& x, BookData& book, SheetData& s, Cell& c, QString& type,
                       int lastColumn)
{
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
    return column;
}

// The children of a <c> element: the value text, the formula and an inline
// string (which sets the cell's kind at once).
void readCellChildren(QXmlStreamReader& x, const BookData& book, SheetData& s, Cell& c, QString& v,
                      bool& hasV)
{
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
            c.index = s.addText(readRichText(r, book));
            if (rich) s.addText(raw);
        } else {
            x.skipCurrentElement();
        }
    }
}

// The kind and value of a cell from its type attribute and value text.
void setCellValue(const BookData& book, SheetData& s, Cell& c, std::uint32_t origRow, const QString& type,
                  const QString& v)
{
    if (v.size() > kMaxCellText && type != u"s" && type != u"b") checkCellText(book, DecodeXString(v).size());
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
            // A cell the run leaves alone is saved with the text it was read with.
            if (v != NumberText(d)) s.numberTexts.insert(NumberKey(origRow, c.column), v);
        } else {
            c.kind = CellKind::FormulaString; // not a number: keep it as text
            c.index = s.addText(v);
        }
    }
}

void readCell(QXmlStreamReader& x, BookData& book, SheetData& s, RowSlot& slot, int& lastColumn)
{
    Cell c;
    QString type;
    const int column = readCellAttributes(x, book, s, c, type, lastColumn);
    QString v;
    bool hasV = false;
    readCellChildren(x, book, s, c, v, hasV);
    if (c.kind == CellKind::Blank && hasV) setCellValue(book, s, c, slot.origRow, type, v);

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

} // namespace

void XlsxOpen(BookData& book)
{
    // Taken before anything is read (and after a group commit a kill cut
    // short in its folder is settled): a save refuses to replace a file
    // another program has written since.
    fso::SettleGroupsNaming({book.path});
    book.stamp = fso::StampOf(book.path);
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
    LimitedEntry f(*book.zip, false);
    if (!f.openEntry())
        notAWorkbook(book, QStringLiteral("the part of sheet '%1' cannot be read").arg(s.name));
    QXmlStreamReader x(&f);
    bool cellsRead = false;
    vb::LongWork reading(QStringLiteral("Reading the workbook ..."));
    try {
        while (moreXml(x)) {
            if (x.readNext() != QXmlStreamReader::StartElement) continue;
            if (x.name() == u"col") {
                const auto a = x.attributes();
                s.columnStyles.push_back({a.value(QLatin1String("min")).toUInt(),
                                          a.value(QLatin1String("max")).toUInt(),
                                          a.value(QLatin1String("style")).toUInt()});
            }
            readProtection(x, s);
            if (x.name() != u"sheetData") continue;
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
                reading.Step();
            }
            // Nothing after the cell data is needed to read the sheet, but it
            // is read through, so that a part nested too deep or inflating
            // too far is refused now, before anything changes. Other damage
            // there is the save's to refuse.
            cellsRead = !x.hasError();
            while (moreXml(x))
                if (x.readNext() == QXmlStreamReader::StartElement) readProtection(x, s);
        }
    } catch (...) {
        s.unload();
        throw;
    }
    const QString error = readError(x, f);
    if (!error.isEmpty() && (!cellsRead || f.refused())) {
        s.unload();
        notAWorkbook(book, QStringLiteral("sheet '%1' cannot be read: %2").arg(s.name, error));
    }
}

} // namespace files::detail
