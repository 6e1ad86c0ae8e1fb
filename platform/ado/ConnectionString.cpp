#include "platform/ado/ConnectionString.h"

#include "platform/ado/Ado.h"

namespace ado {

namespace {

// A value in braces ("}}" standing for "}"), from the "{" at text[i]. False,
// with i unchanged, when the braces do not hold the whole value (no closing
// one, or more text after it before the ";"): a string that wrote such a
// value as it stood, which then reads as it stands.
bool readBraced(const QString& text, int& i, QString& value)
{
    const int n = int(text.size());
    QString v;
    int j = i + 1;
    for (;;) {
        if (j >= n) return false;
        if (text[j] == u'}') {
            if (j + 1 < n && text[j + 1] == u'}') {
                v += u'}';
                j += 2;
                continue;
            }
            ++j;
            break;
        }
        v += text[j++];
    }
    while (j < n && text[j] == u' ')
        ++j;
    if (j < n && text[j] != u';') return false;
    value = v;
    i = j;
    return true;
}

// Splits "a=1; b = "x;y" ;c={p;q}" into pairs, honouring quoted and braced
// values.
QList<QPair<QString, QString>> parsePairs(const QString& text)
{
    QList<QPair<QString, QString>> out;
    const int n = int(text.size());
    int i = 0;
    while (i < n) {
        // key up to '=' or ';'
        QString key;
        while (i < n && text[i] != u'=' && text[i] != u';')
            key += text[i++];
        key = key.trimmed();
        QString value;
        if (i < n && text[i] == u'=') {
            ++i;
            while (i < n && text[i] == u' ')
                ++i;
            if (i < n && text[i] == u'{' && readBraced(text, i, value)) {
                // read whole, blanks and all
            } else if (i < n && (text[i] == u'"' || text[i] == u'\'')) {
                const QChar q = text[i++];
                while (i < n) {
                    if (text[i] == q) {
                        if (i + 1 < n && text[i + 1] == q) {
                            value += q;
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    value += text[i++];
                }
                while (i < n && text[i] != u';')
                    ++i; // anything after the closing quote up to ';' is ignored
            } else {
                while (i < n && text[i] != u';')
                    value += text[i++];
                value = value.trimmed();
            }
        }
        if (i < n && text[i] == u';') ++i;
        if (!key.isEmpty()) out.append({key, value});
    }
    return out;
}

} // namespace

QString QuoteConnectionValue(const QString& value)
{
    const bool quote = value.contains(u';') || value.contains(u'{') || value.contains(u'}') ||
                       value.startsWith(u'"') || value.startsWith(u'\'') ||
                       (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!quote) return value;
    return QLatin1Char('{') + QString(value).replace(QStringLiteral("}"), QStringLiteral("}}")) +
           QLatin1Char('}');
}

QString ConnectionItem(const QString& key, const QString& value)
{
    return key + QLatin1Char('=') + QuoteConnectionValue(value) + QLatin1Char(';');
}

ConnectionString::ConnectionString(const QString& text) : m_text(text), m_items(parsePairs(text)) {}

QString ConnectionString::value(const QString& key) const
{
    for (const auto& p : m_items)
        if (p.first.compare(key, Qt::CaseInsensitive) == 0) return p.second;
    return {};
}

bool ConnectionString::contains(const QString& key) const
{
    for (const auto& p : m_items)
        if (p.first.compare(key, Qt::CaseInsensitive) == 0) return true;
    return false;
}

QString ConnectionString::dataSource() const
{
    for (const char* k : {"Data Source", "DBQ", "SourceDB", "Database"})
        if (contains(QString::fromLatin1(k))) return value(QString::fromLatin1(k));
    return {};
}

ProviderChoice ChooseProvider(const ConnectionString& cs)
{
    if (cs.text().trimmed().isEmpty())
        Raise(errnum::JetFailure,
              QStringLiteral("[Microsoft][ODBC Driver Manager] Data source name not found and no default "
                             "driver specified"),
              QStringLiteral("Microsoft OLE DB Provider for ODBC Drivers"));

    QString provider = cs.value(QStringLiteral("Provider")).trimmed();
    if (provider.compare(QStringLiteral("MSDataShape"), Qt::CaseInsensitive) == 0)
        provider = cs.value(QStringLiteral("Data Provider")).trimmed();
    const QString p = provider.toLower();

    if (p.startsWith(QStringLiteral("microsoft.jet.oledb")) ||
        p.startsWith(QStringLiteral("microsoft.ace.oledb"))) {
        const ConnectionString ext(cs.value(QStringLiteral("Extended Properties")));
        const QString isam = ext.items().isEmpty() ? QString() : ext.items().first().first.toLower();
        if (isam.isEmpty() || isam.startsWith(QStringLiteral("jet oledb")))
            return {QStringLiteral("jet"), provider};
        if (isam == QStringLiteral("text")) return {QStringLiteral("text"), provider};
        if (isam.startsWith(QStringLiteral("excel"))) return {QStringLiteral("excel"), provider};
        if (isam.startsWith(QStringLiteral("dbase")) || isam.startsWith(QStringLiteral("foxpro")))
            return {QStringLiteral("foxpro"), provider};
        Raise(errnum::JetFailure, QStringLiteral("Could not find installable ISAM."), JetSource());
    }
    if (p == QStringLiteral("msdasql") || p.startsWith(QStringLiteral("msdasql.")) ||
        p == QStringLiteral("sqloledb") || p.startsWith(QStringLiteral("sqloledb.")))
        return {QStringLiteral("odbc"), provider};
    if (provider.isEmpty()) {
        // No provider clause: ADO's default is the ODBC bridge; the Visual
        // FoxPro driver over a folder of free tables is our foxpro provider.
        const QString driver = cs.value(QStringLiteral("Driver")).toLower();
        if (driver.contains(QStringLiteral("visual foxpro")) ||
            cs.value(QStringLiteral("SourceType")).compare(QStringLiteral("DBF"), Qt::CaseInsensitive) == 0)
            return {QStringLiteral("foxpro"), QStringLiteral("Microsoft Visual FoxPro Driver")};
        return {QStringLiteral("odbc"), QStringLiteral("MSDASQL")};
    }
    Raise(errnum::ProviderNotFound,
          QStringLiteral("Provider cannot be found. It may not be properly installed. (Provider: %1)")
              .arg(provider),
          ConnectionSource());
}

} // namespace ado
