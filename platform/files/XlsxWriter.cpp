#include "platform/files/XlsxWriter.h"

#include "platform/files/WorkbookData.h"
#include "platform/vb/Err.h"

#include <QFile>
#include <QXmlStreamWriter>
#include <charconv>
#include <cmath>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

namespace files {

namespace {

const QString kSource = QStringLiteral("XlsxWriter");
const QString kMain = QStringLiteral("http://schemas.openxmlformats.org/spreadsheetml/2006/main");
const QString kRel = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
const QString kPkgRel = QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");

[[noreturn]] void fail(const QString& path, const QString& why)
{
    vb::Raise(75, kSource, QStringLiteral("The workbook '%1' could not be written: %2.").arg(path, why));
}

void writeEntry(QuaZip& zip, const QString& path, const QString& name, const QByteArray& data)
{
    QuaZipFile f(&zip);
    if (!f.open(QIODevice::WriteOnly, QuaZipNewInfo(name)) || f.write(data) != data.size()) fail(path, name);
    f.close();
    if (f.getZipError() != 0) fail(path, name);
}

QString number(double d)
{
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, d);
    return QString::fromLatin1(buf, res.ptr - buf);
}

QByteArray contentTypesXml(int sheets, bool sharedStrings)
{
    QByteArray types;
    QXmlStreamWriter w(&types);
    w.writeStartDocument(QStringLiteral("1.0"), true);
    w.writeStartElement(QStringLiteral("Types"));
    w.writeAttribute(QStringLiteral("xmlns"),
                     QStringLiteral("http://schemas.openxmlformats.org/package/2006/content-types"));
    auto def = [&](const char* ext, const char* type) {
        w.writeEmptyElement(QStringLiteral("Default"));
        w.writeAttribute(QStringLiteral("Extension"), QLatin1String(ext));
        w.writeAttribute(QStringLiteral("ContentType"), QLatin1String(type));
    };
    auto over = [&](const QString& part, const char* type) {
        w.writeEmptyElement(QStringLiteral("Override"));
        w.writeAttribute(QStringLiteral("PartName"), part);
        w.writeAttribute(QStringLiteral("ContentType"), QLatin1String(type));
    };
    def("rels", "application/vnd.openxmlformats-package.relationships+xml");
    def("xml", "application/xml");
    over(QStringLiteral("/xl/workbook.xml"),
         "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml");
    for (int i = 1; i <= sheets; ++i)
        over(QStringLiteral("/xl/worksheets/sheet%1.xml").arg(i),
             "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml");
    over(QStringLiteral("/xl/styles.xml"),
         "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml");
    if (sharedStrings)
        over(QStringLiteral("/xl/sharedStrings.xml"),
             "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml");
    w.writeEndDocument();
    return types;
}

QByteArray rootRelsXml()
{
    QByteArray rootRels;
    QXmlStreamWriter w(&rootRels);
    w.writeStartDocument(QStringLiteral("1.0"), true);
    w.writeStartElement(QStringLiteral("Relationships"));
    w.writeAttribute(QStringLiteral("xmlns"), kPkgRel);
    w.writeEmptyElement(QStringLiteral("Relationship"));
    w.writeAttribute(QStringLiteral("Id"), QStringLiteral("rId1"));
    w.writeAttribute(
        QStringLiteral("Type"),
        QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument"));
    w.writeAttribute(QStringLiteral("Target"), QStringLiteral("xl/workbook.xml"));
    w.writeEndDocument();
    return rootRels;
}

QByteArray workbookXml(const QStringList& sheets)
{
    QByteArray book;
    QXmlStreamWriter w(&book);
    w.writeStartDocument(QStringLiteral("1.0"), true);
    w.writeStartElement(QStringLiteral("workbook"));
    w.writeAttribute(QStringLiteral("xmlns"), kMain);
    w.writeAttribute(QStringLiteral("xmlns:r"), kRel);
    w.writeStartElement(QStringLiteral("sheets"));
    for (int i = 0; i < sheets.size(); ++i) {
        w.writeEmptyElement(QStringLiteral("sheet"));
        w.writeAttribute(QStringLiteral("name"), sheets[i]);
        w.writeAttribute(QStringLiteral("sheetId"), QString::number(i + 1));
        w.writeAttribute(QStringLiteral("r:id"), QStringLiteral("rId%1").arg(i + 1));
    }
    w.writeEndDocument();
    return book;
}

QByteArray workbookRelsXml(int sheets, bool sharedStrings)
{
    QByteArray bookRels;
    QXmlStreamWriter r(&bookRels);
    r.writeStartDocument(QStringLiteral("1.0"), true);
    r.writeStartElement(QStringLiteral("Relationships"));
    r.writeAttribute(QStringLiteral("xmlns"), kPkgRel);
    auto rel = [&](int id, const char* type, const QString& target) {
        r.writeEmptyElement(QStringLiteral("Relationship"));
        r.writeAttribute(QStringLiteral("Id"), QStringLiteral("rId%1").arg(id));
        r.writeAttribute(
            QStringLiteral("Type"),
            QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/") +
                QLatin1String(type));
        r.writeAttribute(QStringLiteral("Target"), target);
    };
    for (int i = 1; i <= sheets; ++i)
        rel(i, "worksheet", QStringLiteral("worksheets/sheet%1.xml").arg(i));
    rel(sheets + 1, "styles", QStringLiteral("styles.xml"));
    if (sharedStrings) rel(sheets + 2, "sharedStrings", QStringLiteral("sharedStrings.xml"));
    r.writeEndDocument();
    return bookRels;
}

// One font, the two fills Excel insists on, and the number formats the
// writer uses: general, date (14) and date with time (22).
const QByteArray kStyles =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
    "borderId=\"0\"/></cellStyleXfs>"
    "<cellXfs count=\"3\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
    "<xf numFmtId=\"14\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
    "<xf numFmtId=\"22\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
    "applyNumberFormat=\"1\"/></cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
    "</styleSheet>";

QByteArray sharedStringsXml(const std::vector<QString>& strings)
{
    QByteArray sst;
    QXmlStreamWriter w(&sst);
    w.writeStartDocument(QStringLiteral("1.0"), true);
    w.writeStartElement(QStringLiteral("sst"));
    w.writeAttribute(QStringLiteral("xmlns"), kMain);
    w.writeAttribute(QStringLiteral("uniqueCount"), QString::number(strings.size()));
    for (const QString& s : strings) {
        w.writeStartElement(QStringLiteral("si"));
        w.writeStartElement(QStringLiteral("t"));
        if (!s.isEmpty() && (s.front().isSpace() || s.back().isSpace()))
            w.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
        w.writeCharacters(detail::EncodeXString(s));
        w.writeEndElement();
        w.writeEndElement();
    }
    w.writeEndDocument();
    return sst;
}

} // namespace

XlsxWriter::XlsxWriter(const QString& path) : XlsxWriter(path, Options{}) {}

XlsxWriter::XlsxWriter(const QString& path, Options options) : m_path(path), m_options(options)
{
    m_zip = std::make_unique<QuaZip>(path);
    if (!m_zip->open(QuaZip::mdCreate)) fail(path, QStringLiteral("the file cannot be created"));
}

XlsxWriter::~XlsxWriter()
{
    if (m_finished) return;
    m_xml.reset();
    m_buffer.reset();
    if (m_entry) m_entry->close();
    m_entry.reset();
    m_zip->close();
    QFile::remove(m_path);
}

void XlsxWriter::addSheet(const QString& name)
{
    static const QString bad = QStringLiteral("[]:*?/\\");
    if (name.isEmpty() || name.size() > 31 ||
        std::any_of(name.begin(), name.end(), [](QChar c) { return bad.contains(c); }))
        vb::Raise(vb::errnum::InvalidProcedureCall, kSource,
                  QStringLiteral("'%1' is not a valid sheet name.").arg(name));
    endSheet();
    m_sheets << name;
    m_row = 0;
    m_entry = std::make_unique<QuaZipFile>(m_zip.get());
    if (!m_entry->open(QIODevice::WriteOnly,
                       QuaZipNewInfo(QStringLiteral("xl/worksheets/sheet%1.xml").arg(m_sheets.size()))))
        fail(m_path, QStringLiteral("a sheet cannot be added"));
    m_buffer = std::make_unique<detail::ChunkedOutput>(m_entry.get());
    m_xml = std::make_unique<QXmlStreamWriter>(m_buffer.get());
    m_xml->writeStartDocument(QStringLiteral("1.0"), true);
    m_xml->writeStartElement(QStringLiteral("worksheet"));
    m_xml->writeAttribute(QStringLiteral("xmlns"), kMain);
    m_xml->writeAttribute(QStringLiteral("xmlns:r"), kRel);
    m_xml->writeStartElement(QStringLiteral("sheetData"));
}

void XlsxWriter::addRow(const QList<vb::Variant>& values)
{
    if (!m_xml) addSheet(QStringLiteral("Sheet1"));
    ++m_row;
    if (m_row > kMaxRows)
        vb::Raise(vb::errnum::SubscriptOutOfRange, kSource,
                  QStringLiteral("A sheet holds at most %1 rows.").arg(kMaxRows));
    QXmlStreamWriter& w = *m_xml;
    w.writeStartElement(QStringLiteral("row"));
    w.writeAttribute(QStringLiteral("r"), QString::number(m_row));
    int column = 0;
    for (const vb::Variant& v : values) {
        ++column;
        if (v.isEmpty() || v.isNull()) continue;
        w.writeStartElement(QStringLiteral("c"));
        w.writeAttribute(QStringLiteral("r"), detail::ColumnName(column) + QString::number(m_row));
        switch (v.type()) {
        case vb::VarType::String: {
            const QString& s = v.rawString();
            if (m_options.sharedStrings) {
                auto it = m_sstIndex.constFind(s);
                int idx;
                if (it == m_sstIndex.constEnd()) {
                    idx = static_cast<int>(m_sst.size());
                    m_sst.push_back(s);
                    m_sstIndex.insert(s, idx);
                } else {
                    idx = *it;
                }
                w.writeAttribute(QStringLiteral("t"), QStringLiteral("s"));
                w.writeTextElement(QStringLiteral("v"), QString::number(idx));
            } else {
                w.writeAttribute(QStringLiteral("t"), QStringLiteral("inlineStr"));
                w.writeStartElement(QStringLiteral("is"));
                w.writeTextElement(QStringLiteral("t"), detail::EncodeXString(s));
                w.writeEndElement();
            }
            break;
        }
        case vb::VarType::Boolean:
            w.writeAttribute(QStringLiteral("t"), QStringLiteral("b"));
            w.writeTextElement(QStringLiteral("v"), v.rawInt() ? QStringLiteral("1") : QStringLiteral("0"));
            break;
        case vb::VarType::Date: {
            const double ole = v.rawDouble();
            // style 1: a date, style 2: a date with its time
            w.writeAttribute(QStringLiteral("s"),
                             ole == std::floor(ole) ? QStringLiteral("1") : QStringLiteral("2"));
            w.writeTextElement(QStringLiteral("v"), number(detail::OleToSerial(ole, false)));
            break;
        }
        default:
            w.writeTextElement(QStringLiteral("v"), number(v.toDouble()));
            break;
        }
        w.writeEndElement();
    }
    w.writeEndElement();
}

void XlsxWriter::endSheet()
{
    if (!m_xml) return;
    m_xml->writeEndElement(); // sheetData
    m_xml->writeEndElement(); // worksheet
    m_xml->writeEndDocument();
    const bool bad = m_xml->hasError() || !static_cast<detail::ChunkedOutput*>(m_buffer.get())->flushAll();
    m_xml.reset();
    m_buffer.reset();
    m_entry->close();
    if (bad || m_entry->getZipError() != 0) fail(m_path, QStringLiteral("a sheet cannot be written"));
    m_entry.reset();
}

void XlsxWriter::finish()
{
    if (m_sheets.isEmpty()) addSheet(QStringLiteral("Sheet1"));
    endSheet();
    const bool sst = !m_sst.empty();
    const int sheets = static_cast<int>(m_sheets.size());
    writeEntry(*m_zip, m_path, QStringLiteral("[Content_Types].xml"), contentTypesXml(sheets, sst));
    writeEntry(*m_zip, m_path, QStringLiteral("_rels/.rels"), rootRelsXml());
    writeEntry(*m_zip, m_path, QStringLiteral("xl/workbook.xml"), workbookXml(m_sheets));
    writeEntry(*m_zip, m_path, QStringLiteral("xl/_rels/workbook.xml.rels"), workbookRelsXml(sheets, sst));
    writeEntry(*m_zip, m_path, QStringLiteral("xl/styles.xml"), kStyles);
    if (sst) writeEntry(*m_zip, m_path, QStringLiteral("xl/sharedStrings.xml"), sharedStringsXml(m_sst));

    m_zip->close();
    if (m_zip->getZipError() != 0) fail(m_path, QStringLiteral("the file cannot be completed"));
    m_finished = true;
}

void XlsxWriter::write(const QString& path, const QList<Sheet>& sheets)
{
    write(path, sheets, Options{});
}

void XlsxWriter::write(const QString& path, const QList<Sheet>& sheets, Options options)
{
    XlsxWriter w(path, options);
    for (const Sheet& s : sheets) {
        w.addSheet(s.name);
        for (const auto& row : s.rows)
            w.addRow(row);
    }
    w.finish();
}

} // namespace files
