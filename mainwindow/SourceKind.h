#pragma once
// How the main window treats each source type, and the type's
// connection-string builder; shared by the source panel, source browsing and
// the runs.

#include "records/CDataTypeInfo.h"

#include <QString>

// Access is an embedded database file; Database a server one ("MS SQL",
// "MYSQL"); Odbc a data source.
enum class SourceKind { Unknown, OneNumber, TextFile, FoxPro, Excel, Access, Database, Odbc };

inline SourceKind KindOf(const QString& type)
{
    if (type == QLatin1String("ONE NUMBER")) return SourceKind::OneNumber;
    if (type == QLatin1String("TEXT FILE") || type == QLatin1String("CSV")) return SourceKind::TextFile;
    if (type == QLatin1String("FOXPRO") || type == QLatin1String("ACT!")) return SourceKind::FoxPro;
    if (type == QLatin1String("EXCEL")) return SourceKind::Excel;
    if (type == QLatin1String("ACCESS")) return SourceKind::Access;
    if (type == QLatin1String("MS SQL") || type == QLatin1String("MYSQL")) return SourceKind::Database;
    if (type == QLatin1String("ODBC")) return SourceKind::Odbc;
    return SourceKind::Unknown;
}

// A calling list that Start scrubs and duplicate removal works on: a text
// file, a FoxPro or ACT! table, a workbook sheet, a table of an embedded
// database. The server sources are browsed and viewed only.
inline bool IsListSource(SourceKind kind)
{
    return kind == SourceKind::TextFile || kind == SourceKind::FoxPro || kind == SourceKind::Excel ||
           kind == SourceKind::Access;
}

// A source whose tables (or sheets) are chosen from a list.
inline bool HasTableList(SourceKind kind)
{
    return kind == SourceKind::Excel || kind == SourceKind::Access || kind == SourceKind::Database ||
           kind == SourceKind::Odbc;
}

// The type's connection-string builder; stores its result in the profile.
inline QString BuildConnectionString(CDataTypeInfo& profile, const QString& type)
{
    switch (KindOf(type)) {
    case SourceKind::TextFile:
        return profile.GetTextConnString();
    case SourceKind::FoxPro:
        return profile.GetFoxProConnString();
    case SourceKind::Excel:
        return profile.GetExcelConnString();
    case SourceKind::Access:
        return profile.GetAccessConnString();
    case SourceKind::Database:
        return type == QLatin1String("MS SQL") ? profile.GetMSSQLConnString() : profile.GetMySQLConnString();
    case SourceKind::Odbc:
        return profile.GetODBCConnString();
    default:
        return {};
    }
}
