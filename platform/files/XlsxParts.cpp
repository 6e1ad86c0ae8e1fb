// The parts of an xlsx package and the XML copying that reading and saving
// share.

#include "platform/files/XlsxParts.h"
#include "platform/fso/FileReplace.h"
#include "platform/vb/Err.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipfileinfo.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace files::detail::xlsx {

const QString kSource = QStringLiteral("Workbook");

void notAWorkbook(const BookData& book, const QString& why)
{
    vb::Raise(wberr::NotAWorkbook, kSource,
              QStringLiteral("'%1' is not a readable Excel workbook (%2).")
                  .arg(QFileInfo(book.path).fileName(), why));
}

void cannotSave(const BookData& book, const QString& why)
{
    vb::Raise(wberr::CannotSave, kSource,
              QStringLiteral("The workbook '%1' could not be saved: %2. The file was left as it was.")
                  .arg(QFileInfo(book.path).fileName(), why));
}

bool selectEntry(QuaZip& zip, const QString& name)
{
    return zip.setCurrentFile(name, QuaZip::csInsensitive);
}

LimitedEntry::LimitedEntry(QuaZip& zip, bool whole) : m_file(new QuaZipFile(&zip))
{
    QuaZipFileInfo64 info;
    const qint64 packed =
        zip.getCurrentFileInfo(&info) ? qint64(std::min<quint64>(info.compressedSize, 1u << 30)) : 0;
    m_limit =
        std::min(whole ? kMaxWholePart : kMaxStreamedPart, std::max(kInflateGrace, packed * kInflateRatio));
}

LimitedEntry::~LimitedEntry()
{
    delete m_file;
}

bool LimitedEntry::openEntry()
{
    return m_file->open(QIODevice::ReadOnly) && open(QIODevice::ReadOnly);
}

namespace {

QString DeepXmlFailure()
{
    return QStringLiteral("its elements nest more than %1 levels deep").arg(kMaxXmlDepth);
}

} // namespace

bool XmlDepthScan::feed(const char* data, qint64 size)
{
    if (m_encoding == Encoding::Unknown) {
        const qint64 take = std::min<qint64>(size, 4 - m_head.size());
        m_head.append(data, take);
        data += take;
        size -= take;
        if (m_head.size() < 4) return true; // a part this short nests nothing
        const auto at = [&](int i, int byte) { return quint8(m_head[i]) == byte; };
        if ((at(0, 0xFF) && at(1, 0xFE)) || (at(0, '<') && at(1, 0) && at(2, '?') && at(3, 0)))
            m_encoding = Encoding::Utf16Le;
        else if ((at(0, 0xFE) && at(1, 0xFF)) || (at(0, 0) && at(1, '<') && at(2, 0) && at(3, '?')))
            m_encoding = Encoding::Utf16Be;
        else
            m_encoding = Encoding::Bytes;
        const QByteArray head = std::exchange(m_head, {});
        if (!feedBody(head.constData(), head.size())) return false;
    }
    return feedBody(data, size);
}

bool XmlDepthScan::feedBody(const char* data, qint64 size)
{
    if (m_encoding == Encoding::Bytes) return scan(data, size);
    // Only ASCII characters mark up XML: every other one is text to the scan.
    QByteArray chars;
    chars.reserve(size / 2 + 1);
    for (qint64 i = 0; i < size; ++i) {
        const int byte = quint8(data[i]);
        if (m_oddByte < 0) {
            m_oddByte = byte;
            continue;
        }
        const int unit = m_encoding == Encoding::Utf16Le ? byte << 8 | m_oddByte : m_oddByte << 8 | byte;
        m_oddByte = -1;
        chars.append(unit < 0x80 ? char(unit) : 'x');
    }
    return scan(chars.constData(), chars.size());
}

bool XmlDepthScan::scan(const char* data, qint64 size)
{
    for (qint64 i = 0; i < size; ++i) {
        if (m_state == Text) { // most of a part: skipped to the next tag at once
            const void* tag = std::memchr(data + i, '<', std::size_t(size - i));
            if (!tag) break;
            i = static_cast<const char*>(tag) - data;
        }
        const char c = data[i];
        const bool closes = c == '>';
        const State before = m_state;
        switch (m_state) {
        case Text:
            if (c == '<') m_state = Open;
            break;
        case Open:
            if (c == '/') {
                m_state = EndTag;
            } else if (c == '!') {
                m_state = Bang;
            } else if (c == '?') {
                m_state = Instruction;
            } else {
                if (++m_depth > kMaxXmlDepth) return false;
                m_state = InTag;
            }
            break;
        case InTag:
            if (c == '"' || c == '\'') {
                m_quote = c;
                m_state = Quoted;
            } else if (closes) {
                if (m_prev == '/') --m_depth; // an empty-element tag
                m_state = Text;
            }
            break;
        case Quoted:
            if (c == m_quote) m_state = InTag;
            break;
        case EndTag:
            if (closes) {
                --m_depth;
                m_state = Text;
            }
            break;
        case Bang:
            m_state = c == '-' ? BangDash : c == '[' ? CData : Declaration;
            m_brackets = 0;
            if (m_state == Declaration && closes) m_state = Text;
            break;
        case BangDash:
            m_state = c == '-' ? Comment : Declaration;
            if (m_state == Declaration && closes) m_state = Text;
            break;
        case Comment:
            if (closes && m_prev == '-' && m_prev2 == '-') m_state = Text;
            break;
        case CData:
            if (closes && m_prev == ']' && m_prev2 == ']') m_state = Text;
            break;
        case Instruction:
            if (closes && m_prev == '?') m_state = Text;
            break;
        case Declaration:
            if (c == '[') ++m_brackets;
            if (c == ']') --m_brackets;
            if (closes && m_brackets <= 0) m_state = Text;
            break;
        }
        // A construct's end is looked for in its own bytes only: the "--"
        // of "<!--" does not end the comment it opens.
        if (m_state != before) {
            m_prev = m_prev2 = 0;
        } else {
            m_prev2 = m_prev;
            m_prev = c;
        }
    }
    return true;
}

qint64 LimitedEntry::readData(char* data, qint64 maxSize)
{
    if (m_over || m_deep) return -1;
    const qint64 n = m_file->read(data, maxSize);
    if (n > 0) m_read += n;
    if (m_read > m_limit) {
        m_over = true;
        return -1;
    }
    if (n > 0 && !m_depth.feed(data, n)) {
        m_deep = true;
        return -1;
    }
    return n;
}

QString LimitedEntry::failure(const QXmlStreamReader* x) const
{
    if (m_over)
        return QStringLiteral("it inflates to more than %1 MB, more than its compressed size allows")
            .arg(m_limit >> 20);
    if (m_deep) return DeepXmlFailure();
    if (m_file->getZipError() != UNZ_OK) return QStringLiteral("its compressed data is damaged");
    return x && x->hasError() ? x->errorString() : QString();
}

QString readError(const QXmlStreamReader& x, const LimitedEntry& entry)
{
    return entry.failure(&x);
}

QByteArray readEntry(QuaZip& zip, const QString& name, bool* found)
{
    if (found) *found = false;
    if (name.isEmpty() || !selectEntry(zip, name)) return {};
    LimitedEntry f(zip, true);
    if (!f.openEntry()) return {};
    if (found) *found = true;
    QByteArray data = f.readAll();
    if (f.refused())
        vb::Raise(wberr::NotAWorkbook, kSource,
                  QStringLiteral("'%1' is not a readable Excel workbook (its part '%2': %3).")
                      .arg(QFileInfo(zip.getZipName()).fileName(), name, f.failure()));
    return data;
}

QString NumberText(double d)
{
    char buf[400];
    // Below 2^53 every whole number is exact, and its digits are the number.
    const bool whole = std::trunc(d) == d && std::fabs(d) < 9007199254740992.0;
    const auto res = whole ? std::to_chars(buf, buf + sizeof buf, static_cast<long long>(d))
                           : std::to_chars(buf, buf + sizeof buf, d);
    return QString::fromLatin1(buf, res.ptr - buf);
}

void checkCellText(const BookData& book, qsizetype length)
{
    if (length > kMaxCellText)
        notAWorkbook(book, QStringLiteral("a cell holds more than %1 characters").arg(kMaxCellText));
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

void writeStartCopy(QXmlStreamWriter& w, const QXmlStreamReader& x, const QString& replaceAttr,
                    const QString& newValue)
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

QString captureElement(QXmlStreamReader& x, const QString& replaceAttr, const QString& newValue)
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

QString XmlNode::attr(const QString& qualifiedName) const
{
    for (const auto& a : attrs)
        if (a.first == qualifiedName) return a.second;
    return {};
}

bool XmlNode::hasAttr(const QString& qualifiedName) const
{
    return std::any_of(attrs.begin(), attrs.end(), [&](const auto& a) { return a.first == qualifiedName; });
}

void XmlNode::setAttr(const QString& qualifiedName, const QString& value)
{
    for (auto& a : attrs)
        if (a.first == qualifiedName) {
            a.second = value;
            return;
        }
    attrs.emplace_back(qualifiedName, value);
}

XmlNode* XmlNode::child(const char* local)
{
    for (XmlNode& c : children)
        if (c.is(local)) return &c;
    return nullptr;
}

QString XmlNode::textContent() const
{
    QString out;
    for (const XmlNode& c : children)
        if (c.kind == Text || c.kind == CData)
            out += c.text;
        else if (c.kind == Element)
            out += c.textContent();
    return out;
}

void XmlNode::setText(const QString& text)
{
    children.clear();
    XmlNode t;
    t.kind = Text;
    t.text = text;
    children.push_back(std::move(t));
}

bool ParseXml(const QByteArray& xml, XmlDoc& doc, QString& error)
{
    QXmlStreamReader x(xml);
    x.setNamespaceProcessing(false);
    std::vector<XmlNode*> open;
    bool haveRoot = false;
    auto add = [&](XmlNode&& n) -> XmlNode* {
        if (open.empty()) return nullptr; // outside the root: comments and blanks go
        open.back()->children.push_back(std::move(n));
        return &open.back()->children.back();
    };
    while (moreXml(x)) {
        switch (x.readNext()) {
        case QXmlStreamReader::StartDocument:
            doc.declaration = !x.documentVersion().isEmpty();
            doc.standalone = x.isStandaloneDocument();
            break;
        case QXmlStreamReader::StartElement: {
            XmlNode n;
            n.name = x.qualifiedName().toString();
            for (const auto& a : x.attributes())
                n.attrs.emplace_back(a.qualifiedName().toString(), a.value().toString());
            if (open.size() >= std::size_t(kMaxXmlDepth)) {
                error = DeepXmlFailure();
                return false;
            }
            if (open.empty()) {
                doc.root = std::move(n);
                haveRoot = true;
                open.push_back(&doc.root);
            } else {
                open.push_back(add(std::move(n)));
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            open.pop_back();
            break;
        case QXmlStreamReader::Characters: {
            XmlNode n;
            n.kind = x.isCDATA() ? XmlNode::CData : XmlNode::Text;
            n.text = x.text().toString();
            add(std::move(n));
            break;
        }
        case QXmlStreamReader::Comment: {
            XmlNode n;
            n.kind = XmlNode::Comment;
            n.text = x.text().toString();
            add(std::move(n));
            break;
        }
        case QXmlStreamReader::ProcessingInstruction: {
            XmlNode n;
            n.kind = XmlNode::Instruction;
            n.name = x.processingInstructionTarget().toString();
            n.text = x.processingInstructionData().toString();
            add(std::move(n));
            break;
        }
        default:
            break;
        }
    }
    if (x.hasError()) {
        error = x.errorString();
        return false;
    }
    if (!haveRoot) {
        error = QStringLiteral("it holds no element");
        return false;
    }
    return true;
}

void WriteXmlNode(QXmlStreamWriter& w, const XmlNode& n)
{
    switch (n.kind) {
    case XmlNode::Element:
        w.writeStartElement(n.name);
        for (const auto& a : n.attrs)
            w.writeAttribute(a.first, a.second);
        for (const XmlNode& c : n.children)
            WriteXmlNode(w, c);
        w.writeEndElement();
        break;
    case XmlNode::Text:
        w.writeCharacters(n.text);
        break;
    case XmlNode::CData:
        w.writeCDATA(n.text);
        break;
    case XmlNode::Comment:
        w.writeComment(n.text);
        break;
    case XmlNode::Instruction:
        w.writeProcessingInstruction(n.name, n.text);
        break;
    }
}

QByteArray WriteXml(const XmlDoc& doc)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    if (doc.declaration) w.writeStartDocument(QStringLiteral("1.0"), doc.standalone);
    WriteXmlNode(w, doc.root);
    w.writeEndDocument();
    return out;
}

} // namespace files::detail::xlsx
