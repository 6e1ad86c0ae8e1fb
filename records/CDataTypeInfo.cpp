#include "records/CDataTypeInfo.h"
#include "core/SqlLiterals.h"

#include "core/CDataConnection.h"
#include "platform/ado/Connection.h"
#include "platform/ado/JetSql.h"
#include "platform/ado/Recordset.h"
#include "platform/excel/Excel.h"
#include "records/ModuleConnectString.h"

using namespace sqllit;

namespace {

// A value as it stands in a connection string.
QString V(const QString& value)
{
    return ConnectionStringValue(value);
}

const QString kQ = QStringLiteral("\"");

void closeQuietly(const std::shared_ptr<ado::Recordset>& rs, const std::shared_ptr<ado::Connection>& conn)
{
    try {
        if (rs && rs->State() == ado::adStateOpen) rs->Close();
    } catch (...) {
    }
    try {
        if (conn && conn->State() == ado::adStateOpen) conn->Close();
    } catch (...) {
    }
}

} // namespace

const RecordSpec<CDataTypeInfo>& CDataTypeInfo::Spec()
{
    using C = RecordColumn<CDataTypeInfo>;
    static const RecordSpec<CDataTypeInfo> spec{
        QStringLiteral("CDataTypeInfo"),
        QStringLiteral("DataTypeInfo"),
        QStringLiteral("ID"),
        {QStringLiteral("ID"), QStringLiteral("DataType"), QStringLiteral("DataProvider"),
         QStringLiteral("DataDSN"), QStringLiteral("DataServer"), QStringLiteral("DataUSERID"),
         QStringLiteral("DataPWD"), QStringLiteral("DataDriver"), QStringLiteral("DataDBName"),
         QStringLiteral("DataTableName"), QStringLiteral("DataAreaName"), QStringLiteral("DataFieldName"),
         QStringLiteral("DataMarkName"), QStringLiteral("IsTitleFirstLine"), QStringLiteral("Delimited"),
         QStringLiteral("Notes")},
        {C::Long(QStringLiteral("ID"), &CDataTypeInfo::m_ID),
         C::Text(QStringLiteral("DataType"), &CDataTypeInfo::m_DataType),
         C::Text(QStringLiteral("DataProvider"), &CDataTypeInfo::m_DataProvider),
         C::Text(QStringLiteral("DataDSN"), &CDataTypeInfo::m_DataDSN),
         C::Text(QStringLiteral("DataServer"), &CDataTypeInfo::m_DataServer),
         C::Text(QStringLiteral("DataUSERID"), &CDataTypeInfo::m_DataUSERID),
         C::Text(QStringLiteral("DataPWD"), &CDataTypeInfo::m_DataPWD),
         C::Text(QStringLiteral("DataDriver"), &CDataTypeInfo::m_DataDriver),
         C::Text(QStringLiteral("DataDBName"), &CDataTypeInfo::m_DataDBName),
         C::Text(QStringLiteral("DataTableName"), &CDataTypeInfo::m_DataTableName),
         C::Text(QStringLiteral("DataFieldName"), &CDataTypeInfo::m_DataFieldName),
         C::Text(QStringLiteral("DataAreaName"), &CDataTypeInfo::m_DataAreaName),
         C::Text(QStringLiteral("DataMarkName"), &CDataTypeInfo::m_DataMarkName),
         C::Bool(QStringLiteral("IsTitleFirstLine"), &CDataTypeInfo::m_IsTitleFirstLine),
         C::Long(QStringLiteral("Delimited"), &CDataTypeInfo::m_Delimited),
         C::Text(QStringLiteral("Notes"), &CDataTypeInfo::m_Notes)}};
    return spec;
}

CDataTypeInfo::CDataTypeInfo()
    : m_tableNameData(std::make_shared<CDataStrings>()), m_tableFieldData(std::make_shared<CDataStrings>()),
      m_tableFieldType(std::make_shared<CDataStrings>())
{
}

void CDataTypeInfo::SetDataAreaName(const QString& value)
{
    Assign(m_DataAreaName, value);
    m_areaNameUnknown = false;
}

QString CDataTypeInfo::StrInsert() const
{
    return QStringLiteral("Insert Into ") + TableName() +
           QStringLiteral(
               " (DataType,DataProvider,DataDSN,DataServer,DataUSERID,DataPWD,DataDriver,DataDBName,"
               "DataTableName,DataAreaName,DataFieldName,DataMarkName,IsTitleFirstLine,Delimited,") +
           QStringLiteral("Notes)") + QStringLiteral(" Values (") + S(m_DataType) + "," + S(m_DataProvider) +
           "," + S(m_DataDSN) + "," + S(m_DataServer) + "," + S(m_DataUSERID) + "," + S(m_DataPWD) + "," +
           S(m_DataDriver) + "," + S(m_DataDBName) + "," + S(m_DataTableName) + "," + S(m_DataAreaName) +
           "," + S(m_DataFieldName) + "," + S(m_DataMarkName) + "," + B(m_IsTitleFirstLine) + "," +
           N(m_Delimited) + "," + S(m_Notes) + ")";
}

QString CDataTypeInfo::StrUpdate() const
{
    // A profile read without its area-code field must not blank the stored one.
    const bool keepArea = m_areaNameUnknown && m_DataAreaName.isEmpty();
    return QStringLiteral("Update ") + TableName() + QStringLiteral(" Set ") + "DataType =" + S(m_DataType) +
           "," + "DataProvider =" + S(m_DataProvider) + "," + "DataDSN =" + S(m_DataDSN) + "," +
           "DataServer =" + S(m_DataServer) + "," + "DataUSERID =" + S(m_DataUSERID) + "," +
           "DataPWD =" + S(m_DataPWD) + "," + "DataDriver =" + S(m_DataDriver) + "," +
           "DataDBName =" + S(m_DataDBName) + "," + "DataTableName =" + S(m_DataTableName) + "," +
           "DataFieldName =" + S(m_DataFieldName) + "," +
           (keepArea ? QString() : QStringLiteral("DataAreaName =") + S(m_DataAreaName) + ",") +
           "DataMarkName =" + S(m_DataMarkName) + "," + "IsTitleFirstLine =" + B(m_IsTitleFirstLine) + "," +
           "Delimited =" + N(m_Delimited) + "," + "Notes =" + S(m_Notes) + " " + " Where ID = " + N(m_ID);
}

void CDataTypeInfo::ClearExtra()
{
    m_areaNameUnknown = false;
    m_tableNameData->Clear();
    m_tableFieldData->Clear();
    m_tableFieldType->Clear();
}

void CDataTypeInfo::CopyExtra(const CDataTypeInfo& source)
{
    m_areaNameUnknown = source.m_areaNameUnknown;
    m_tableNameData->CopyMe(*source.m_tableNameData);
    m_tableFieldData->CopyMe(*source.m_tableFieldData);
    m_tableFieldType->CopyMe(*source.m_tableFieldType);
}

bool CDataTypeInfo::ExtraProperty(const QString& name, vb::Variant& value) const
{
    if (name.compare(QLatin1String("GetConnectionString"), Qt::CaseInsensitive) != 0) return false;
    value = vb::Variant(m_connectionString);
    return true;
}

QString CDataTypeInfo::cache(const QString& connectionString)
{
    m_connectionString = connectionString;
    return m_connectionString;
}

// ---- connection strings

QString CDataTypeInfo::GetTextConnString()
{
    if (m_DataDBName.isEmpty()) return cache(QString());
    const QString hdr = m_IsTitleFirstLine ? QStringLiteral("Yes") : QStringLiteral("No");
    const QString tail = m_Delimited != 0 ? QStringLiteral(";FMT=") + QStringLiteral("Delimited") + kQ
                                          : QStringLiteral(";") + kQ;
    return cache(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;") + QStringLiteral("Data Source=") +
                 V(m_DataDBName) + QStringLiteral(";") + QStringLiteral("Extended Properties=") + kQ +
                 QStringLiteral("text;HDR=") + hdr + tail);
}

QString CDataTypeInfo::GetExcelConnString()
{
    if (m_DataDBName.isEmpty()) return cache(QString());
    const QString hdr = m_IsTitleFirstLine ? QStringLiteral("Yes") : QStringLiteral("No");
    return cache(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;") + QStringLiteral("Data Source=") +
                 V(m_DataDBName) + QStringLiteral(";") + QStringLiteral("Extended Properties=") + kQ +
                 QStringLiteral("Excel 8.0;HDR=") + hdr + kQ);
}

QString CDataTypeInfo::GetAccessConnString()
{
    if (m_DataDBName.isEmpty()) return cache(QString());
    QString cs = QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=") + V(m_DataDBName);
    if (!m_DataPWD.isEmpty()) cs += QStringLiteral(";Jet OLEDB:Database Password=") + V(m_DataPWD);
    return cache(cs);
}

QString CDataTypeInfo::GetMSSQLConnString()
{
    if (m_DataServer.isEmpty() || m_DataDBName.isEmpty()) return cache(QString());
    return cache(QStringLiteral("PROVIDER=SQLOLEDB;") + QStringLiteral("Data Source=") + V(m_DataServer) +
                 QStringLiteral(";") + QStringLiteral("Initial Catalog=") + V(m_DataDBName) +
                 QStringLiteral(";") +
                 QStringLiteral("Integrated Security=SSPI;Persist Security Info=False;") +
                 QStringLiteral("User Id=") + V(m_DataUSERID) + QStringLiteral(";") +
                 QStringLiteral("Password=") + V(m_DataPWD) + QStringLiteral(";"));
}

QString CDataTypeInfo::GetMySQLConnString()
{
    if (m_DataDriver.isEmpty() || m_DataServer.isEmpty() || m_DataDBName.isEmpty()) return cache(QString());
    return cache(QStringLiteral("PROVIDER=MSDASQL;") + QStringLiteral("Driver=") + V(m_DataDriver) +
                 QStringLiteral(";") + QStringLiteral("Server=") + V(m_DataServer) + QStringLiteral(";") +
                 QStringLiteral("UID=") + V(m_DataUSERID) + QStringLiteral(";") + QStringLiteral("PWD=") +
                 V(m_DataPWD) + QStringLiteral(";") + QStringLiteral("Database=") + V(m_DataDBName) +
                 QStringLiteral(";"));
}

QString CDataTypeInfo::GetFoxProConnString()
{
    if (m_DataDBName.isEmpty()) return cache(QString());
    return cache(QStringLiteral("Driver={Microsoft Visual FoxPro Driver};") +
                 QStringLiteral("SourceType=DBF;") + QStringLiteral("SourceDB=") + V(m_DataDBName) +
                 QStringLiteral(";") + QStringLiteral("Exclusive=No"));
}

QString CDataTypeInfo::GetODBCConnString()
{
    if (m_DataDSN.isEmpty() || m_DataDSN == QLatin1String("(None)")) return cache(QString());
    QString cs = QStringLiteral("PROVIDER=MSDASQL;") + QStringLiteral("DSN=") + V(m_DataDSN) +
                 QStringLiteral(";") + QStringLiteral("UID=") + V(m_DataUSERID) + QStringLiteral(";") +
                 QStringLiteral("PWD=") + V(m_DataPWD) + QStringLiteral(";");
    if (!m_DataDBName.isEmpty()) cs += QStringLiteral("Database=") + V(m_DataDBName) + QStringLiteral(";");
    return cache(cs);
}

// ---- counts, fields and tables of the source

QString CDataTypeInfo::sqlTable(const QString& mytable, const ado::Connection& conn) const
{
    const QString table = mytable.isEmpty() ? m_DataTableName : mytable;
    // Server sources take the server's own quoting, the rest Jet's brackets.
    if (m_DataType == QLatin1String("ODBC") || m_DataType == QLatin1String("MYSQL"))
        return conn.QuoteName(table);
    return ado::QuoteName(table);
}

std::int32_t CDataTypeInfo::GetRecordCount(const QString& mytable)
{
    std::int32_t result = -1;
    std::shared_ptr<ado::Connection> conn;
    std::shared_ptr<ado::Recordset> rs;
    try {
        conn = ado::Connection::Create();
        conn->Open(m_connectionString);
        rs = ado::Recordset::Create();
        rs->Open(QStringLiteral("select count(*) from ") + sqlTable(mytable, *conn), conn, ado::adOpenStatic,
                 ado::adLockReadOnly);
        result = vb::CLng(rs->Value(0));
    } catch (...) {
        // No message: the caller sees -1.
        vb::CatchError();
    }
    closeQuietly(rs, conn);
    return result;
}

std::int32_t CDataTypeInfo::GetFields(const QString& mytable)
{
    m_tableFieldData->Clear();
    m_tableFieldType->Clear();
    try {
        const bool excel = m_DataType == QLatin1String("EXCEL");
        const auto fields = ListSourceFields(m_connectionString, [&](const ado::Connection& conn) {
            return QStringLiteral("select  * from ") + sqlTable(mytable, conn);
        });
        std::int32_t i = 0;
        for (const SourceField& f : fields) {
            // The Excel scrub finds a column by its position in this list, so
            // every column is listed, in sheet order, with its letters.
            m_tableFieldData->Add(excel ? ExcelFieldLabel(f.name, i) : f.name);
            m_tableFieldType->Add(FieldTypeCode(f.type));
            ++i;
        }
        return i;
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, QString(), QStringLiteral("GetExcelFields"), false);
        return -1;
    }
}

bool CDataTypeInfo::GetExcelSheet(const excel::Workbook* MyBook)
{
    try {
        m_tableNameData->Clear();
        if (!MyBook) vb::Raise(vb::errnum::ObjectVariableNotSet);
        for (const QString& name : MyBook->WorksheetNames())
            m_tableNameData->Add(name, name);
        return true;
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, e.Source, QStringLiteral("GetTables"), false);
        return false;
    }
}

QString CDataTypeInfo::GetExcelAdoTable(const QString& sheetName)
{
    return ::GetExcelAdoTable(m_connectionString, sheetName);
}

bool CDataTypeInfo::GetTables(const QString& filterchar)
{
    try {
        m_tableNameData->Clear();
        const auto tables = ListSourceTables(m_connectionString);
        if (tables.empty()) return false;
        for (const SourceTable& t : tables) {
            if (t.type != QLatin1String("TABLE")) continue;
            if (!filterchar.isEmpty() && t.name.right(1) == filterchar) continue;
            m_tableNameData->Add(t.name, t.name);
        }
        return true;
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, e.Source, QStringLiteral("GetTables"), false);
        return false;
    }
}

void CDataTypeInfo::SetODBC(CDataConnection& myOdbc)
{
    SetDataDBName(myOdbc.Database());
    SetDataDriver(myOdbc.Driver());
    SetDataDSN(myOdbc.DSN());
    SetDataProvider(myOdbc.Provider());
    SetDataPWD(myOdbc.Pwd());
    SetDataServer(myOdbc.Server());
    SetDataUSERID(myOdbc.UserID());
}

void CDataTypeInfo::GetODBC(CDataConnection& myOdbc) const
{
    myOdbc.SetDatabase(m_DataDBName);
    myOdbc.SetDriver(m_DataDriver);
    myOdbc.SetDSN(m_DataDSN);
    myOdbc.SetProvider(m_DataProvider);
    myOdbc.SetPwd(m_DataPWD);
    myOdbc.SetServer(m_DataServer);
    myOdbc.SetUserID(m_DataUSERID);
}

template class RecordTemplate<CDataTypeInfo>;
