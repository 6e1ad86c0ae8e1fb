#pragma once
// Helpers shared by the ado tests: scratch databases and error capture.

#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/adox/Catalog.h"
#include "platform/vb/Err.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace adotest {

inline QString JetCs(const QString& path)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path;
}

// A fresh, empty database in its own temporary folder, with an open connection.
struct ScratchDb {
    QTemporaryDir dir;
    QString path;
    std::shared_ptr<ado::Connection> conn;

    explicit ScratchDb(const QString& name = QStringLiteral("test.mdb"))
    {
        path = dir.filePath(name);
        adox::Catalog cat;
        conn = cat.Create(JetCs(path));
    }
    QString cs() const { return JetCs(path); }
    void exec(const QString& sql) { conn->Execute(sql); }
    vb::Variant scalar(const QString& sql)
    {
        auto rs = conn->Execute(sql);
        return rs->Eof() ? vb::Variant() : rs->Value(0);
    }
};

// Runs f and returns the vb::ErrObject it throws (a failure when it throws none).
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

} // namespace adotest
