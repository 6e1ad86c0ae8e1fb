#pragma once
// Connection strings are kept, compared and stored as exact texts; this reads
// them: "key=value" pairs separated by ";", keys without regard to case,
// values optionally quoted with " or ' (a doubled quote inside stands for one),
// so that Extended Properties="text;HDR=Yes;FMT=Delimited" is one value, or in
// braces as ODBC writes them (a doubled "}" inside stands for one), so that
// PWD={a;b} is the password "a;b".

#include <QList>
#include <QPair>
#include <QString>

namespace ado {

class ConnectionString {
public:
    ConnectionString() = default;
    explicit ConnectionString(const QString& text);

    const QString& text() const { return m_text; }
    // The value of a key (case-blind, blanks around the key ignored); "" when absent.
    QString value(const QString& key) const;
    bool contains(const QString& key) const;
    // Pairs in order; a segment without "=" gives a key with an empty value
    // (the "text" of "text;HDR=Yes").
    const QList<QPair<QString, QString>>& items() const { return m_items; }

    // The data file or folder: "Data Source", else "DBQ", "SourceDB" or "Database".
    QString dataSource() const;

private:
    QString m_text;
    QList<QPair<QString, QString>> m_items;
};

// A value as it is put into a connection string, so that it reads back as
// given: unchanged, or in braces ("}" inside doubled) when it holds ";", a
// brace, starts with a quote or has blanks at either end. Without them a
// password "x;Database=other" would end its pair early and name another
// database. The same form serves ODBC connection strings.
QString QuoteConnectionValue(const QString& value);

// "key=value;" with the value quoted as above: the item every connection
// string the program builds is made of.
QString ConnectionItem(const QString& key, const QString& value);

// Which provider a connection string names. Kinds: "jet", "text", "excel",
// "foxpro", "odbc". The name is the provider as the string spells it, for
// messages. Throws vb::ErrObject for an empty string, an unknown provider
// (naming it) or an unknown Jet ISAM.
struct ProviderChoice {
    QString kind;
    QString name;
};
ProviderChoice ChooseProvider(const ConnectionString& cs);

} // namespace ado
