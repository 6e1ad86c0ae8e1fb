#pragma once
// Helpers for the workbook tests: hand-built xlsx packages (for the parts a
// writer would never produce: rich text, shared formulas, merged cells) and
// reading packages back entry by entry.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipfileinfo.h>
#include <quazip/quazipnewinfo.h>

namespace wbtest {

struct Part {
    QString name;
    QByteArray data;
};

inline void writeZip(const QString& path, const QList<Part>& parts)
{
    QuaZip zip(path);
    zip.open(QuaZip::mdCreate);
    for (const Part& p : parts) {
        QuaZipFile f(&zip);
        f.open(QIODevice::WriteOnly, QuaZipNewInfo(p.name));
        f.write(p.data);
        f.close();
    }
    zip.close();
}

inline QList<Part> readZip(const QString& path)
{
    QList<Part> parts;
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip)) return parts;
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        QuaZipFile f(&zip);
        f.open(QIODevice::ReadOnly);
        parts.append({zip.getCurrentFileName(), f.readAll()});
    }
    return parts;
}

inline QByteArray entry(const QString& path, const QString& name)
{
    for (const Part& p : readZip(path))
        if (p.name == name) return p.data;
    return {};
}

// The stored (compressed) bytes of an entry, as they sit in the file.
inline QByteArray rawEntry(const QString& path, const QString& name)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip) || !zip.setCurrentFile(name)) return {};
    QuaZipFile f(&zip);
    int method = 0, level = 0;
    f.open(QIODevice::ReadOnly, &method, &level, true);
    return f.readAll();
}

inline QStringList entryNames(const QString& path)
{
    QStringList names;
    for (const Part& p : readZip(path))
        names << p.name;
    return names;
}

inline QByteArray sheetXml(const QString& sheetData, const QString& before = {}, const QString& after = {})
{
    return (QStringLiteral(
                "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">") +
            before + QStringLiteral("<sheetData>") + sheetData + QStringLiteral("</sheetData>") + after +
            QStringLiteral("</worksheet>"))
        .toUtf8();
}

inline QByteArray stylesXml(const QString& numFmts, const QStringList& xfNumFmtIds)
{
    QString xfs;
    for (const QString& id : xfNumFmtIds)
        xfs += QStringLiteral("<xf numFmtId=\"%1\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>")
                   .arg(id);
    return (QStringLiteral(
                "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">") +
            (numFmts.isEmpty() ? QString()
                               : QStringLiteral("<numFmts>") + numFmts + QStringLiteral("</numFmts>")) +
            QStringLiteral("<fonts count=\"1\"><font><sz val=\"11\"/></font></fonts>"
                           "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\"/></cellStyleXfs><cellXfs>") +
            xfs + QStringLiteral("</cellXfs></styleSheet>"))
        .toUtf8();
}

inline QByteArray sstXml(const QStringList& items)
{
    QString s = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                               "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">");
    for (const QString& i : items)
        s += QStringLiteral("<si>") + i + QStringLiteral("</si>");
    return (s + QStringLiteral("</sst>")).toUtf8();
}

// A package like Excel's: workbook, its relationships, content types,
// the given sheets, and shared strings, styles and calcChain when given.
struct Package {
    QList<QPair<QString, QByteArray>> sheets; // name, sheet part
    QByteArray sharedStrings;
    QByteArray styles;
    QByteArray calcChain;
    QString workbookPr;     // e.g. "<workbookPr date1904=\"1\"/>"
    QList<Part> extraParts; // written as they are
};

inline void writePackage(const QString& path, const Package& p)
{
    QString types = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" "
        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>");
    QString book =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                       "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                       "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">") +
        p.workbookPr + QStringLiteral("<sheets>");
    QString rels = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">");
    const QString relBase =
        QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/");
    QList<Part> parts;
    for (int i = 0; i < p.sheets.size(); ++i) {
        const QString part = QStringLiteral("xl/worksheets/sheet%1.xml").arg(i + 1);
        types += QStringLiteral("<Override PartName=\"/%1\" ContentType=\"application/"
                                "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>")
                     .arg(part);
        book += QStringLiteral("<sheet name=\"%1\" sheetId=\"%2\" r:id=\"rId%2\"/>")
                    .arg(p.sheets[i].first)
                    .arg(i + 1);
        rels += QStringLiteral(
                    "<Relationship Id=\"rId%1\" Type=\"%2worksheet\" Target=\"worksheets/sheet%1.xml\"/>")
                    .arg(i + 1)
                    .arg(relBase);
        parts.append({part, p.sheets[i].second});
    }
    auto addPart = [&](const QByteArray& data, const char* type, const char* ct, const QString& name) {
        if (data.isEmpty()) return;
        types +=
            QStringLiteral("<Override PartName=\"/xl/%1\" ContentType=\"%2\"/>").arg(name, QLatin1String(ct));
        rels += QStringLiteral("<Relationship Id=\"rId%1\" Type=\"%2%3\" Target=\"%4\"/>")
                    .arg(100 + parts.size())
                    .arg(relBase, QLatin1String(type), name);
        parts.append({QStringLiteral("xl/") + name, data});
    };
    addPart(p.styles, "styles", "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml",
            QStringLiteral("styles.xml"));
    addPart(p.sharedStrings, "sharedStrings",
            "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml",
            QStringLiteral("sharedStrings.xml"));
    addPart(p.calcChain, "calcChain",
            "application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml",
            QStringLiteral("calcChain.xml"));
    types += QStringLiteral("</Types>");
    book += QStringLiteral("</sheets></workbook>");
    rels += QStringLiteral("</Relationships>");

    QList<Part> all;
    all.append({QStringLiteral("[Content_Types].xml"), types.toUtf8()});
    all.append(
        {QStringLiteral("_rels/.rels"),
         QByteArray(
             "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
             "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
             "<Relationship Id=\"rId1\" "
             "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
             "Target=\"xl/workbook.xml\"/></Relationships>")});
    all.append({QStringLiteral("xl/workbook.xml"), book.toUtf8()});
    all.append({QStringLiteral("xl/_rels/workbook.xml.rels"), rels.toUtf8()});
    all.append(parts);
    all.append(p.extraParts);
    writeZip(path, all);
}

} // namespace wbtest
