#pragma once
// Helpers for the provider tests: scratch folders with files written byte
// for byte, and short ways to run a query and read its rows.

#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/vb/Err.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace provtest {

struct Folder {
    QTemporaryDir dir;
    QString path() const { return dir.path() + QLatin1Char('/'); }
    QString file(const QString& name) const { return dir.filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const
    {
        QFile f(file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray read(const QString& name) const
    {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

inline std::shared_ptr<ado::Connection> Open(const QString& cs)
{
    auto c = ado::Connection::Create();
    c->Open(cs);
    return c;
}

inline vb::Variant Scalar(const std::shared_ptr<ado::Connection>& c, const QString& sql)
{
    auto rs = c->Execute(sql);
    return rs->Eof() ? vb::Variant() : rs->Value(0);
}

// Every row as its fields' texts joined by "|" (Null as "<null>").
inline QStringList Rows(const std::shared_ptr<ado::Connection>& c, const QString& sql)
{
    QStringList out;
    auto rs = c->Execute(sql);
    while (!rs->Eof()) {
        QStringList f;
        for (long i = 0; i < rs->Fields().Count(); ++i) {
            const vb::Variant v = rs->Value(int(i));
            f << (v.isNull() ? QStringLiteral("<null>") : v.text());
        }
        out << f.join(QLatin1Char('|'));
        rs->MoveNext();
    }
    return out;
}

// "name:type" for each field of a query.
inline QStringList Fields(const std::shared_ptr<ado::Connection>& c, const QString& sql)
{
    QStringList out;
    auto rs = c->Execute(sql);
    for (long i = 0; i < rs->Fields().Count(); ++i)
        out << QStringLiteral("%1:%2")
                   .arg(rs->Fields().Item(int(i)).Name())
                   .arg(rs->Fields().Item(int(i)).Type());
    return out;
}

template <typename F> vb::ErrObject ErrorOf(F&& f)
{
    try {
        f();
    } catch (const vb::ErrObject& e) {
        return e;
    }
    ADD_FAILURE() << "expected a vb::ErrObject";
    return {};
}

inline QString TextCs(const QString& folder, const QString& hdr = QStringLiteral("Yes"),
                      const QString& fmt = QStringLiteral("Delimited"))
{
    return QStringLiteral(
               "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Extended Properties=\"text;HDR=%2;FMT=%3\"")
        .arg(folder, hdr, fmt);
}

} // namespace provtest
