#include "platform/files/XlsxAnchors.h"

#include <QRegularExpression>
#include <memory>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

namespace files::detail {

using namespace xlsx;

namespace {

// The parts beside a sheet that hold things anchored to its rows.
struct SheetParts {
    std::vector<QString> comments, threaded, vml, drawings, tables, pivotTables;
};

SheetParts partsBeside(QuaZip& zip, const SheetData& s)
{
    SheetParts p;
    for (const Rel& r : readRels(zip, relsPartOf(s.part), s.part)) {
        if (r.external) continue;
        if (relIs(r, "comments"))
            p.comments.push_back(r.target);
        else if (relIs(r, "threadedComment"))
            p.threaded.push_back(r.target);
        else if (relIs(r, "vmlDrawing"))
            p.vml.push_back(r.target);
        else if (relIs(r, "drawing"))
            p.drawings.push_back(r.target);
        else if (relIs(r, "table"))
            p.tables.push_back(r.target);
        else if (relIs(r, "pivotTable"))
            p.pivotTables.push_back(r.target);
    }
    return p;
}

// A range "A1:C9" (or one cell) as its rows and the columns as written.
struct Area {
    QString left, right; // column letters
    int top = 0, bottom = 0;
};

bool parseArea(const QString& ref, Area& a)
{
    const QStringList halves = QString(ref).remove(u'$').split(u':');
    if (halves.isEmpty() || halves.size() > 2) return false;
    int row = 0, col = 0;
    if (!ParseCellRef(halves.front(), row, col) || row == 0 || col == 0) return false;
    a.top = a.bottom = row;
    a.left = a.right = ColumnName(col);
    if (halves.size() == 2) {
        if (!ParseCellRef(halves.back(), row, col) || row == 0 || col == 0) return false;
        a.bottom = row;
        a.right = ColumnName(col);
    }
    return a.bottom >= a.top;
}

QString areaRef(const QString& left, int top, const QString& right, int bottom)
{
    return left + QString::number(top) + u':' + right + QString::number(bottom);
}

// ------------------------------------------------------------ rewriting

// Parses a part, lets `change` work on it and writes it back; a part that
// did not change keeps its bytes.
template <typename Change> QString rewriteTree(QByteArray& part, Change change)
{
    XmlDoc doc;
    QString error;
    if (!ParseXml(part, doc, error)) return error;
    const QByteArray before = WriteXml(doc);
    change(doc);
    const QByteArray after = WriteXml(doc);
    if (after != before) part = after;
    return {};
}

// Children named `local` whose cell reference lost its row go; the others
// get the row their cell stands on now.
void shiftCellChildren(XmlNode& parent, const char* local, const RowMap& map)
{
    auto& kids = parent.children;
    for (auto it = kids.begin(); it != kids.end();) {
        if (!it->is(local)) {
            ++it;
            continue;
        }
        const QString mapped = mapRef(it->attr(QStringLiteral("ref")), map);
        if (mapped.isEmpty()) {
            it = kids.erase(it);
        } else {
            it->setAttr(QStringLiteral("ref"), mapped);
            ++it;
        }
    }
}

QString shiftComments(QByteArray& part, const RowMap& map)
{
    return rewriteTree(part, [&](XmlDoc& doc) {
        for (XmlNode& list : doc.root.children)
            if (list.is("commentList")) shiftCellChildren(list, "comment", map);
    });
}

QString shiftThreadedComments(QByteArray& part, const RowMap& map)
{
    return rewriteTree(part, [&](XmlDoc& doc) { shiftCellChildren(doc.root, "threadedComment", map); });
}

// A 0-based row of a drawing anchor and its offset into that row: a row
// that was deleted gives the top of the row that took its place.
void shiftZeroBasedRow(int& row, QString& offset, const RowMap& map)
{
    if (map.isDeleted(row + 1)) offset = QStringLiteral("0");
    row = map.landing(row + 1) - 1;
}

XmlNode* vmlClientData(XmlNode& shape)
{
    return shape.kind == XmlNode::Element ? shape.child("ClientData") : nullptr;
}

// A shape of a legacy drawing: a note goes with its cell's row; every
// shape's box keeps its place beside the rows it covered.
bool shiftVmlShape(XmlNode& shape, const RowMap& map)
{
    XmlNode* data = vmlClientData(shape);
    if (!data) return true;
    if (XmlNode* row = data->child("Row")) {
        bool ok = false;
        const int r = row->textContent().trimmed().toInt(&ok);
        if (ok && data->attr(QStringLiteral("ObjectType")) == u"Note" && map.isDeleted(r + 1)) return false;
        if (ok) row->setText(QString::number(map.landing(r + 1) - 1));
    }
    if (XmlNode* anchor = data->child("Anchor")) {
        QStringList v = anchor->textContent().split(u',');
        if (v.size() == 8) {
            for (int i : {2, 6}) {
                bool ok = false;
                int r = v[i].trimmed().toInt(&ok);
                if (!ok) continue;
                QString offset = v[i + 1].trimmed();
                shiftZeroBasedRow(r, offset, map);
                v[i] = QString::number(r);
                v[i + 1] = offset;
            }
            for (QString& s : v)
                s = s.trimmed();
            anchor->setText(v.join(QStringLiteral(", ")));
        }
    }
    return true;
}

QString shiftVml(QByteArray& part, const RowMap& map)
{
    return rewriteTree(part, [&](XmlDoc& doc) {
        auto& kids = doc.root.children;
        kids.erase(
            std::remove_if(kids.begin(), kids.end(), [&](XmlNode& s) { return !shiftVmlShape(s, map); }),
            kids.end());
    });
}

struct AnchorRow {
    XmlNode* row = nullptr;
    XmlNode* offset = nullptr;
    int value = 0;
};

bool anchorRow(XmlNode* corner, AnchorRow& r)
{
    if (!corner) return false;
    r.row = corner->child("row");
    r.offset = corner->child("rowOff");
    bool ok = false;
    if (r.row) r.value = r.row->textContent().trimmed().toInt(&ok);
    return ok;
}

void moveAnchorRow(AnchorRow& r, const RowMap& map)
{
    QString offset = r.offset ? r.offset->textContent() : QString();
    shiftZeroBasedRow(r.value, offset, map);
    r.row->setText(QString::number(r.value));
    if (r.offset) r.offset->setText(offset);
}

// A cell anchor of a picture, chart or shape: false when every row it
// covers was deleted (it goes with them).
bool shiftAnchor(XmlNode& anchor, const RowMap& map)
{
    AnchorRow from, to;
    if (!anchorRow(anchor.child("from"), from)) return true; // an absolute anchor stays
    const bool twoCell = anchorRow(anchor.child("to"), to);
    int bottom = from.value;
    if (twoCell) {
        // An object that ends at the top of a row does not cover it.
        const bool endsAtTop = to.offset && to.offset->textContent().trimmed() == u"0";
        bottom = std::max(from.value, endsAtTop ? to.value - 1 : to.value);
    }
    int top = 0, last = 0;
    if (!map.mapRows(from.value + 1, bottom + 1, top, last)) return false;
    moveAnchorRow(from, map);
    if (twoCell) moveAnchorRow(to, map);
    return true;
}

// A top-level element of a drawing: an anchor, or alternative contents
// that each hold one.
bool shiftDrawingElement(XmlNode& e, const RowMap& map)
{
    if (e.kind != XmlNode::Element) return true;
    if (e.is("twoCellAnchor") || e.is("oneCellAnchor")) return shiftAnchor(e, map);
    if (!e.is("AlternateContent")) return true;
    bool keep = true;
    for (XmlNode& branch : e.children)
        for (XmlNode& a : branch.children)
            if ((a.is("twoCellAnchor") || a.is("oneCellAnchor")) && !shiftAnchor(a, map)) keep = false;
    return keep;
}

QString shiftDrawing(QByteArray& part, const RowMap& map)
{
    return rewriteTree(part, [&](XmlDoc& doc) {
        auto& kids = doc.root.children;
        kids.erase(std::remove_if(kids.begin(), kids.end(),
                                  [&](XmlNode& e) { return !shiftDrawingElement(e, map); }),
                   kids.end());
    });
}

// A sort state whose rows all went goes; its conditions follow their rows.
void shiftSortState(XmlNode& parent, const RowMap& map)
{
    auto& kids = parent.children;
    for (auto it = kids.begin(); it != kids.end(); ++it) {
        if (!it->is("sortState")) continue;
        const QString mapped = mapRef(it->attr(QStringLiteral("ref")), map);
        if (mapped.isEmpty()) {
            kids.erase(it);
            return;
        }
        it->setAttr(QStringLiteral("ref"), mapped);
        shiftCellChildren(*it, "sortCondition", map);
        return;
    }
}

int countAttr(const XmlNode& n, const char* name, int fallback)
{
    bool ok = false;
    const int v = n.attr(QLatin1String(name)).toInt(&ok);
    return ok ? v : fallback;
}

// A table keeps its header and totals rows (a deletion of them is refused
// beforehand) and at least one data row, as Excel does.
QString shiftTable(QByteArray& part, const RowMap& map)
{
    QString failure;
    const QString error = rewriteTree(part, [&](XmlDoc& doc) {
        XmlNode& table = doc.root;
        Area a;
        if (!parseArea(table.attr(QStringLiteral("ref")), a)) {
            failure = QStringLiteral("its range cannot be read");
            return;
        }
        const int header = countAttr(table, "headerRowCount", 1);
        const int totals = countAttr(table, "totalsRowCount", 0);
        const int top = map.landing(a.top);
        int newTop = 0, bottom = 0;
        if (!map.mapRows(a.top, a.bottom, newTop, bottom)) bottom = top - 1;
        bottom = std::max(bottom, top + header + totals);
        table.setAttr(QStringLiteral("ref"), areaRef(a.left, top, a.right, bottom));
        if (XmlNode* filter = table.child("autoFilter"))
            filter->setAttr(QStringLiteral("ref"), areaRef(a.left, top, a.right, bottom - totals));
        shiftSortState(table, map);
        if (XmlNode* filter = table.child("autoFilter")) shiftSortState(*filter, map);
    });
    return error.isEmpty() ? failure : error;
}

// The workbook's defined names that are plain references (print areas,
// print titles, named ranges) follow the rows of the sheets they name.
QString shiftDefinedNames(QByteArray& part, const BookData& book)
{
    std::unordered_map<QString, RowMap> maps;
    for (const SheetData& s : book.sheets)
        if (s.rowsDeleted) maps.emplace(s.name.toLower(), RowMap(s.deletedOrig));
    const auto mapOf = [&](const QString& sheet) -> const RowMap* {
        auto it = maps.find(sheet.toLower());
        return it == maps.end() ? nullptr : &it->second;
    };
    XmlDoc doc;
    QString error;
    if (!ParseXml(part, doc, error)) return error;
    XmlNode* names = doc.root.child("definedNames");
    if (!names) return {};
    bool changed = false;
    for (XmlNode& n : names->children) {
        if (!n.is("definedName")) continue;
        const QString text = n.textContent();
        if (!IsReferenceList(text)) continue;
        const QString mapped = MapReferenceList(text, mapOf);
        if (mapped == text) continue;
        n.setText(mapped);
        changed = true;
    }
    if (changed) part = WriteXml(doc);
    return {};
}

// -------------------------------------------------------------- holding

class HoldFinder {
public:
    HoldFinder(BookData& book, const SheetData& s) : m_book(book), m_s(s) {}
    std::vector<RowHold> run();

private:
    void hold(int first, int last, bool cutOnly, const QString& what)
    {
        m_holds.push_back({first, last, cutOnly, what});
    }
    void wholeSheet(const QString& what) { hold(1, kMaxRows, false, what); }
    void formulaHold(const QString& formula, const QString& what, bool absoluteOnly);
    bool parsePart(const QString& name, XmlDoc& doc, const QString& what);
    void sheetPart(const SheetData& sheet);
    void sheetTailElement(const XmlNode& e, const SheetData& sheet);
    void vml(const QString& name);
    void tables(const QString& name);
    void pivotTable(const QString& name);
    void workbookWide();

    BookData& m_book;
    const SheetData& m_s;
    std::vector<RowHold> m_holds;
};

// absoluteOnly: the formula stands on this sheet and moves with its rows, so
// that only a reference fixed to a row holds it; a reference without a
// sheet then means this sheet. Elsewhere a reference names the sheet.
void HoldFinder::formulaHold(const QString& formula, const QString& what, bool absoluteOnly)
{
    int highest = 0;
    for (const FormulaRef& r : FindRefs(formula)) {
        const bool here =
            r.sheet.isEmpty() ? absoluteOnly : r.sheet.compare(m_s.name, Qt::CaseInsensitive) == 0;
        if (!here || (absoluteOnly && !r.absoluteRow)) continue;
        highest = std::max(highest, r.highestRow);
    }
    if (highest > 0) hold(1, highest, false, what);
}

bool HoldFinder::parsePart(const QString& name, XmlDoc& doc, const QString& what)
{
    bool found = false;
    const QByteArray xml = readEntry(*m_book.zip, name, &found);
    QString error;
    if (found && ParseXml(xml, doc, error)) return true;
    wholeSheet(what);
    return false;
}

// What follows the cell data in a sheet's part: this sheet's, or another's
// whose conditional formats and validations may name this sheet's rows.
void HoldFinder::sheetPart(const SheetData& sheet)
{
    if (!selectEntry(*m_book.zip, sheet.part)) return;
    LimitedEntry f(*m_book.zip, false);
    if (!f.openEntry()) return;
    QXmlStreamReader x(&f);
    int depth = 0;
    while (moreXml(x)) {
        const auto tok = x.readNext();
        if (tok == QXmlStreamReader::EndElement) --depth;
        if (tok != QXmlStreamReader::StartElement) continue;
        if (depth != 1) {
            ++depth;
            continue;
        }
        const auto name = x.name();
        if (name == u"sheetData") {
            x.skipCurrentElement();
            continue;
        }
        if (name == u"conditionalFormatting" || name == u"dataValidations" || name == u"controls" ||
            name == u"oleObjects" || name == u"extLst") {
            XmlDoc doc;
            QString error;
            if (ParseXml(captureElement(x).toUtf8(), doc, error)) sheetTailElement(doc.root, sheet);
            continue;
        }
        x.skipCurrentElement();
    }
    // Damage in this sheet's part holds nothing: the save, which streams the
    // whole part, refuses it before the file is touched. Another sheet's
    // part is not saved, so what it may say of these rows is unknown.
    if (sheet.part != m_s.part && !readError(x, f).isEmpty())
        wholeSheet(QStringLiteral("the sheet %1, which cannot be read").arg(sheet.name));
}

void HoldFinder::sheetTailElement(const XmlNode& e, const SheetData& sheet)
{
    const bool own = sheet.part == m_s.part;
    if (e.is("controls") || e.is("oleObjects")) {
        if (own) wholeSheet(QStringLiteral("form controls or embedded objects"));
        return;
    }
    for (const XmlNode& c : e.children) {
        if (c.kind != XmlNode::Element) continue;
        if (c.is("formula") || c.is("formula1") || c.is("formula2") || c.is("f"))
            formulaHold(
                c.textContent(),
                own ? QStringLiteral(
                          "conditional formats or data validations whose formulas refer to these rows")
                    : QStringLiteral("conditional formats or data validations of the sheet %1 whose "
                                     "formulas refer to these rows")
                          .arg(sheet.name),
                own);
        else
            sheetTailElement(c, sheet); // rules, validations, extension wrappers
    }
}

void HoldFinder::vml(const QString& name)
{
    XmlDoc doc;
    if (!parsePart(name, doc, QStringLiteral("notes whose drawing cannot be read"))) return;
    for (XmlNode& shape : doc.root.children) {
        XmlNode* data = vmlClientData(shape);
        if (!data || data->attr(QStringLiteral("ObjectType")) == u"Note") continue;
        int last = kMaxRows;
        if (XmlNode* anchor = data->child("Anchor")) {
            const QStringList v = anchor->textContent().split(u',');
            bool ok = false;
            const int bottom = v.size() == 8 ? v[6].trimmed().toInt(&ok) : 0;
            if (ok) last = bottom + 1;
        }
        hold(1, last, false, QStringLiteral("form controls"));
    }
}

void HoldFinder::tables(const QString& name)
{
    XmlDoc doc;
    if (!parsePart(name, doc, QStringLiteral("a table that cannot be read"))) return;
    Area a;
    const QString table = doc.root.attr(QStringLiteral("displayName"));
    if (!parseArea(doc.root.attr(QStringLiteral("ref")), a)) {
        wholeSheet(QStringLiteral("the table %1, whose range cannot be read").arg(table));
        return;
    }
    const int header = countAttr(doc.root, "headerRowCount", 1);
    const int totals = countAttr(doc.root, "totalsRowCount", 0);
    if (header > 0)
        hold(a.top, a.top + header - 1, true, QStringLiteral("the header row of the table %1").arg(table));
    if (totals > 0)
        hold(a.bottom - totals + 1, a.bottom, true,
             QStringLiteral("the totals row of the table %1").arg(table));
}

void HoldFinder::pivotTable(const QString& name)
{
    XmlDoc doc;
    if (!parsePart(name, doc, QStringLiteral("a pivot table that cannot be read"))) return;
    Area a;
    const XmlNode* location = doc.root.child("location");
    if (location && parseArea(location->attr(QStringLiteral("ref")), a))
        hold(1, a.bottom, false, QStringLiteral("a pivot table"));
    else
        wholeSheet(QStringLiteral("a pivot table"));
}

// Charts, pivot table sources and defined names anywhere in the workbook
// that refer to the sheet's rows.
void HoldFinder::workbookWide()
{
    QStringList charts, caches;
    for (const QString& entry : m_book.zip->getFileNameList()) {
        const QString lower = entry.toLower();
        if (!lower.endsWith(QLatin1String(".xml")) || lower.contains(QLatin1String("_rels/"))) continue;
        if (lower.contains(QLatin1String("charts/")))
            charts << entry;
        else if (lower.contains(QLatin1String("pivotcachedefinition")))
            caches << entry;
    }
    for (const QString& chart : charts) {
        XmlDoc doc;
        if (!parsePart(chart, doc, QStringLiteral("a chart that cannot be read"))) continue;
        std::function<void(const XmlNode&)> walk = [&](const XmlNode& n) {
            if (n.is("f"))
                formulaHold(n.textContent(), QStringLiteral("a chart whose data lies in these rows"), false);
            else
                for (const XmlNode& c : n.children)
                    walk(c);
        };
        walk(doc.root);
    }
    for (const QString& cache : caches) {
        XmlDoc doc;
        if (!parsePart(cache, doc, QStringLiteral("a pivot table source that cannot be read"))) continue;
        const XmlNode* source = doc.root.child("cacheSource");
        const XmlNode* ws = source ? const_cast<XmlNode*>(source)->child("worksheetSource") : nullptr;
        Area a;
        if (ws && ws->attr(QStringLiteral("sheet")).compare(m_s.name, Qt::CaseInsensitive) == 0 &&
            parseArea(ws->attr(QStringLiteral("ref")), a))
            hold(1, a.bottom, false, QStringLiteral("a pivot table whose source lies in these rows"));
    }
    XmlDoc book;
    if (!parsePart(m_book.workbookPart, book, QStringLiteral("a workbook part that cannot be read"))) return;
    if (XmlNode* names = book.root.child("definedNames"))
        for (const XmlNode& n : names->children)
            if (n.is("definedName") && !IsReferenceList(n.textContent()))
                formulaHold(n.textContent(),
                            QStringLiteral("the defined name %1, a formula on these rows")
                                .arg(n.attr(QStringLiteral("name"))),
                            false);
}

std::vector<RowHold> HoldFinder::run()
{
    for (const SheetData& sheet : m_book.sheets)
        sheetPart(sheet);
    const SheetParts p = partsBeside(*m_book.zip, m_s);
    for (const QString& name : p.comments) {
        XmlDoc doc;
        parsePart(name, doc, QStringLiteral("notes that cannot be read"));
    }
    for (const QString& name : p.threaded) {
        XmlDoc doc;
        parsePart(name, doc, QStringLiteral("threaded comments that cannot be read"));
    }
    for (const QString& name : p.drawings) {
        XmlDoc doc;
        parsePart(name, doc, QStringLiteral("pictures or charts whose drawing cannot be read"));
    }
    for (const QString& name : p.vml)
        vml(name);
    for (const QString& name : p.tables)
        tables(name);
    for (const QString& name : p.pivotTables)
        pivotTable(name);
    workbookWide();
    return std::move(m_holds);
}

} // namespace

void AddRowAnchorRewrites(BookData& book, std::unordered_map<QString, PartRewrite>& rewrites)
{
    bool any = false;
    for (const SheetData& s : book.sheets) {
        if (!s.rowsDeleted) continue;
        any = true;
        const auto map = std::make_shared<RowMap>(s.deletedOrig);
        const SheetParts p = partsBeside(*book.zip, s);
        auto add = [&](const std::vector<QString>& names, QString (*shift)(QByteArray&, const RowMap&)) {
            for (const QString& name : names)
                rewrites[name.toLower()] = [map, shift](QByteArray& part) { return shift(part, *map); };
        };
        add(p.comments, shiftComments);
        add(p.threaded, shiftThreadedComments);
        add(p.vml, shiftVml);
        add(p.drawings, shiftDrawing);
        add(p.tables, shiftTable);
    }
    if (any)
        rewrites[book.workbookPart.toLower()] = [&book](QByteArray& part) {
            return shiftDefinedNames(part, book);
        };
}

std::vector<RowHold> FindRowHolds(BookData& book, const SheetData& sheet)
{
    return HoldFinder(book, sheet).run();
}

const std::vector<RowHold>& XlsxRowHolds(BookData& book, SheetData& sheet)
{
    if (!sheet.holdsKnown) {
        sheet.holds = FindRowHolds(book, sheet);
        sheet.holdsKnown = true;
    }
    return sheet.holds;
}

} // namespace files::detail
