#include "records/ModuleConnectString.h"

#include "core/CDataStrings.h"
#include "core/ErrorReport.h"
#include "core/Globals.h"
#include "platform/ado/Connection.h"
#include "platform/ado/ConnectionString.h"
#include "platform/ado/ExcelProvider.h"
#include "platform/ado/JetSql.h"
#include "platform/ado/Recordset.h"
#include "platform/adox/Catalog.h"
#include "platform/vb/Err.h"
#include "records/CDataTypeInfo.h"

namespace {

const QString kQ = QStringLiteral("\"");

void closeQuietly(const std::shared_ptr<ado::Recordset>& rs, const std::shared_ptr<ado::Connection>& conn)
{
    try {
        if (rs && rs->State() == ado::adStateOpen) rs->Close();
    } catch (const vb::ErrObject&) {
    }
    try {
        if (conn && conn->State() == ado::adStateOpen) conn->Close();
    } catch (const vb::ErrObject&) {
    }
}

QString textProperties(const QString& hdr, const QString& fmt)
{
    return QStringLiteral("Extended Properties=") + kQ + QStringLiteral("text;HDR=") + hdr +
           (fmt.isEmpty() ? QStringLiteral(";") : QStringLiteral(";FMT=") + fmt) + kQ;
}

} // namespace

QString ConnectionStringValue(const QString& value)
{
    return ado::QuoteConnectionValue(value);
}

QString MakeTextConnectionString(const QString& folder, const QString& hdr, const QString& fmt)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;") + QStringLiteral("Data Source=") +
           ConnectionStringValue(folder) + QStringLiteral(";") + textProperties(hdr, fmt);
}

QString MakeTextLinkString(const QString& folder, const QString& hdr, const QString& fmt)
{
    return QStringLiteral("text;DATABASE=") + ConnectionStringValue(folder) + QStringLiteral(";") +
           textProperties(hdr, fmt);
}

QString MakeExcelConnectionString(const QString& file, const QString& hdr, const QString&)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;") + QStringLiteral("Data Source=") +
           ConnectionStringValue(file) + QStringLiteral(";") + QStringLiteral("Extended Properties=") + kQ +
           QStringLiteral("Excel 8.0;HDR=") + hdr + kQ;
}

QString SplitFilePath(const QString& path, QString& fileName)
{
    const QString p = path; // fileName may be the same variable
    if (p.isEmpty()) {
        fileName.clear();
        return {};
    }
    const qsizetype at = std::max(p.lastIndexOf(u'/'), p.lastIndexOf(u'\\'));
    if (at < 0) {
        fileName = p;
        return {};
    }
    const QString folder = p.left(at + 1);
    fileName = p.mid(at + 1);
    return folder;
}

namespace {

const CDataTypeInfo& CurrentProfile()
{
    if (!gCurDataTypeInfo) vb::Raise(vb::errnum::ObjectVariableNotSet);
    return *gCurDataTypeInfo;
}

} // namespace

std::int32_t GetTableNameCount()
{
    return CurrentProfile().TableNameData()->Count();
}

std::int32_t GetTableFieldCount()
{
    return CurrentProfile().TableFieldData()->Count();
}

std::int32_t GetTableRecordCount(const QString& connectionString, const QString& table)
{
    std::int32_t result = -1;
    std::shared_ptr<ado::Connection> conn;
    std::shared_ptr<ado::Recordset> rs;
    try {
        conn = ado::Connection::Create();
        conn->Open(connectionString);
        rs = ado::Recordset::Create();
        rs->Open(QStringLiteral("select count(*) from ") + conn->QuoteName(table), conn, ado::adOpenStatic,
                 ado::adLockReadOnly);
        if (!rs->Eof()) result = rs->Value(0).toLong();
    } catch (const vb::ErrObject&) {
        // no message: the caller sees -1
    }
    closeQuietly(rs, conn);
    return result;
}

void OpenTableRecordset(std::shared_ptr<ado::Recordset>& rs, const QString& connectionString,
                        const QString& table)
{
    if (!rs) rs = ado::Recordset::Create();
    try {
        rs->Open(QStringLiteral("select * from ") + ado::QuoteName(table), connectionString,
                 ado::adOpenForwardOnly, ado::adLockReadOnly, ado::adCmdUnspecified);
    } catch (const vb::ErrObject&) {
        // the caller finds out through the recordset's state
    }
}

std::int32_t GetTableFieldNames(const QString& connectionString, const QString& table,
                                std::vector<QString>& names)
{
    std::shared_ptr<ado::Connection> conn;
    try {
        conn = ado::Connection::Create();
        conn->Open(connectionString);
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, QString(), QStringLiteral("GetExcelFields"), false);
        closeQuietly(nullptr, conn);
        return -1;
    }
    const std::int32_t result = GetTableFieldNames(conn, table, names);
    closeQuietly(nullptr, conn);
    return result;
}

std::int32_t GetTableFieldNames(const std::shared_ptr<ado::Connection>& conn, const QString& table,
                                std::vector<QString>& names)
{
    std::int32_t result = -1;
    std::shared_ptr<ado::Recordset> rs;
    try {
        rs = ado::Recordset::Create();
        rs->SetCursorLocation(ado::adUseServer);
        rs->Open(QStringLiteral("select top 1 * from ") + conn->QuoteName(table), conn,
                 ado::adOpenForwardOnly, ado::adLockReadOnly);
        const long n = rs->Fields().Count();
        if (names.size() < size_t(n)) names.resize(size_t(n));
        for (long i = 0; i < n; ++i)
            names[size_t(i)] = rs->Fields().Item(int(i)).Name();
        result = std::int32_t(n);
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, QString(), QStringLiteral("GetExcelFields"), false);
        result = -1;
    }
    closeQuietly(rs, nullptr);
    return result;
}

std::vector<SourceTable> ListSourceTables(const QString& connectionString)
{
    auto conn = ado::Connection::Create();
    conn->Open(connectionString);
    std::vector<SourceTable> out;
    try {
        adox::Catalog cat;
        cat.SetActiveConnection(conn);
        auto& tables = cat.Tables();
        for (long i = 0; i < tables.Count(); ++i) {
            auto t = tables.Item(int(i));
            out.push_back({t->Name(), t->Type()});
        }
    } catch (...) {
        closeQuietly(nullptr, conn);
        throw;
    }
    closeQuietly(nullptr, conn);
    return out;
}

std::vector<SourceField> ListSourceFields(const QString& connectionString, const QString& query)
{
    return ListSourceFields(connectionString, [&](const ado::Connection&) { return query; });
}

std::vector<SourceField> ListSourceFields(const QString& connectionString,
                                          const std::function<QString(const ado::Connection&)>& query)
{
    auto conn = ado::Connection::Create();
    std::shared_ptr<ado::Recordset> rs;
    std::vector<SourceField> out;
    try {
        conn->Open(connectionString);
        rs = ado::Recordset::Create();
        rs->SetCursorLocation(ado::adUseServer);
        rs->Open(query(*conn), conn, ado::adOpenForwardOnly, ado::adLockReadOnly);
        for (long i = 0; i < rs->Fields().Count(); ++i) {
            auto& f = rs->Fields().Item(int(i));
            out.push_back({f.Name(), f.Type()});
        }
    } catch (...) {
        closeQuietly(rs, conn);
        throw;
    }
    closeQuietly(rs, conn);
    return out;
}

QString FieldTypeCode(int adoType)
{
    switch (adoType) {
    case ado::adSmallInt:
    case ado::adInteger:
    case ado::adSingle:
    case ado::adDouble:
    case ado::adDecimal:
    case ado::adUnsignedInt:
    case ado::adBigInt:
    case ado::adNumeric:
        return QStringLiteral("999");
    default:
        return QStringLiteral("DNC");
    }
}

QString ExcelFieldLabel(const QString& fieldName, int index)
{
    QString letters;
    for (int n = index + 1; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + (n - 1) % 26));
    return fieldName + QStringLiteral(" - (") + letters + QStringLiteral(")");
}

QString GetExcelAdoTable(const QString& connectionString, const QString& sheetName)
{
    QString found;
    try {
        const QString want = ado::ExcelTableName(sheetName);
        for (const auto& t : ListSourceTables(connectionString)) {
            if (t.type != u"TABLE") continue;
            if (t.name == want || t.name == sheetName + QLatin1Char('$')) {
                found = t.name;
                break;
            }
        }
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, e.Source, QStringLiteral("GetTables"), false);
    }
    return found;
}
