#pragma once
// CDataTypeInfo: the profile of one kind of calling list that the user
// scrubs, one row of table DataTypeInfo per source type ("TEXT FILE",
// "EXCEL", "ACCESS", ...). Besides its columns it carries the source's table
// (or sheet) names, field names and field type codes, and the connection
// string that its builders made last.
//
// The builders turn the profile into the ADO connection string of its
// source; the count, field and table members open that cached string on a
// connection of their own (never the program database's shared one).

#include "core/CDataStrings.h"
#include "core/RecordTemplate.h"

#include <memory>

class CDataConnection;
namespace ado {
class Connection;
}
namespace excel {
class Workbook;
}

class CDataTypeInfo : public RecordTemplate<CDataTypeInfo> {
public:
    static constexpr RecordTraits Traits{
        .sqlInsertSetsIsNew = true, .updateClearsIsNew = true, .raisesRecordsetSaved = true};
    static const RecordSpec<CDataTypeInfo>& Spec();

    CDataTypeInfo();

    // The lists: set replaces the held list object, get gives the held one.
    std::shared_ptr<CDataStrings> TableFieldData() const { return m_tableFieldData; }
    void SetTableFieldData(const std::shared_ptr<CDataStrings>& value) { m_tableFieldData = value; }
    // One code per field, parallel to TableFieldData: "999" numeric, "DNC" other.
    std::shared_ptr<CDataStrings> TableFieldType() const { return m_tableFieldType; }
    void SetTableFieldType(const std::shared_ptr<CDataStrings>& value) { m_tableFieldType = value; }
    std::shared_ptr<CDataStrings> TableNameData() const { return m_tableNameData; }
    void SetTableNameData(const std::shared_ptr<CDataStrings>& value) { m_tableNameData = value; }

    // The connection string the last builder made ("" when none ran).
    QString GetConnectionString() const { return m_connectionString; }

    std::int32_t ID() const { return m_ID; }
    void SetID(std::int32_t value) { Assign(m_ID, value); }
    QString DataType() const { return m_DataType; }
    void SetDataType(const QString& value) { Assign(m_DataType, value); }
    QString DataProvider() const { return m_DataProvider; }
    void SetDataProvider(const QString& value) { Assign(m_DataProvider, value); }
    QString DataDSN() const { return m_DataDSN; }
    void SetDataDSN(const QString& value) { Assign(m_DataDSN, value); }
    QString DataServer() const { return m_DataServer; }
    void SetDataServer(const QString& value) { Assign(m_DataServer, value); }
    QString DataUSERID() const { return m_DataUSERID; }
    void SetDataUSERID(const QString& value) { Assign(m_DataUSERID, value); }
    QString DataPWD() const { return m_DataPWD; }
    void SetDataPWD(const QString& value) { Assign(m_DataPWD, value); }
    QString DataDriver() const { return m_DataDriver; }
    void SetDataDriver(const QString& value) { Assign(m_DataDriver, value); }
    QString DataDBName() const { return m_DataDBName; }
    void SetDataDBName(const QString& value) { Assign(m_DataDBName, value); }
    QString DataTableName() const { return m_DataTableName; }
    void SetDataTableName(const QString& value) { Assign(m_DataTableName, value); }
    QString DataFieldName() const { return m_DataFieldName; }
    void SetDataFieldName(const QString& value) { Assign(m_DataFieldName, value); }
    QString DataAreaName() const { return m_DataAreaName; }
    void SetDataAreaName(const QString& value);
    QString DataMarkName() const { return m_DataMarkName; }
    void SetDataMarkName(const QString& value) { Assign(m_DataMarkName, value); }
    bool IsTitleFirstLine() const { return m_IsTitleFirstLine; }
    void SetIsTitleFirstLine(bool value) { Assign(m_IsTitleFirstLine, value); }
    std::int32_t Delimited() const { return m_Delimited; }
    void SetDelimited(std::int32_t value) { Assign(m_Delimited, value); }
    QString Notes() const { return m_Notes; }
    void SetNotes(const QString& value) { Assign(m_Notes, value); }

    // True when the record was filled from a row that did not carry the
    // area-code field (the list's LoadList reads only its own columns). Its
    // update then leaves the stored DataAreaName alone, until a value is
    // given to DataAreaName.
    bool AreaNameUnknown() const { return m_areaNameUnknown; }
    void SetAreaNameUnknown(bool value) { m_areaNameUnknown = value; }

    QString StrInsert() const;
    QString StrUpdate() const;
    // Profiles have no duplicate rule: always 0.
    std::int32_t CheckDuplicate(bool IncludeID) const { return 0; }

    // ---- connection strings: each stores its result (also "") as the
    // cached string and returns it. A value holding ";" is quoted.
    QString GetTextConnString();
    QString GetExcelConnString();
    QString GetAccessConnString();
    QString GetMSSQLConnString();
    QString GetMySQLConnString();
    QString GetFoxProConnString();
    QString GetODBCConnString();

    // The row count of a table of the source (empty: DataTableName); -1 on
    // failure, without a message.
    std::int32_t GetRecordCount(const QString& mytable = {});
    // Fills TableFieldData and TableFieldType from the table's columns
    // (empty: DataTableName); the field count, or -1 after reporting.
    std::int32_t GetFields(const QString& mytable = {});
    // TableNameData becomes the workbook's sheet names in workbook order.
    bool GetExcelSheet(const excel::Workbook* MyBook);
    // The catalog table of a sheet on the cached string, "" when none.
    QString GetExcelAdoTable(const QString& sheetName);
    // TableNameData becomes the catalog's tables of type "TABLE" whose last
    // character is not filterchar; True when the catalog holds any table.
    bool GetTables(const QString& filterchar = {});
    // Copy the seven connection parameters from or to the connection object.
    void SetODBC(CDataConnection& myOdbc);
    void GetODBC(CDataConnection& myOdbc) const;

private:
    friend class RecordTemplate<CDataTypeInfo>;
    QString KeyReadBackSql() const { return QStringLiteral("SELECT @@IDENTITY AS 'Identity' "); }
    void AfterLoadrs() { m_areaNameUnknown = false; }
    void ClearExtra();
    void CopyExtra(const CDataTypeInfo& source);
    bool ExtraProperty(const QString& name, vb::Variant& value) const;
    QString cache(const QString& connectionString);
    // The table as the count and field queries name it: bare for ODBC and
    // MySQL sources, in brackets for every other.
    QString sqlTable(const QString& mytable, const ado::Connection& conn) const;

    std::int32_t m_ID = 0;
    QString m_DataType;
    QString m_DataProvider;
    QString m_DataDSN;
    QString m_DataServer;
    QString m_DataUSERID;
    QString m_DataPWD;
    QString m_DataDriver;
    QString m_DataDBName;
    QString m_DataTableName;
    QString m_DataFieldName;
    QString m_DataAreaName;
    QString m_DataMarkName;
    bool m_IsTitleFirstLine = false;
    std::int32_t m_Delimited = 0;
    QString m_Notes;
    QString m_connectionString;
    bool m_areaNameUnknown = false;
    std::shared_ptr<CDataStrings> m_tableNameData;
    std::shared_ptr<CDataStrings> m_tableFieldData;
    std::shared_ptr<CDataStrings> m_tableFieldType;
};
