#pragma once
// How the main window treats each source type, and the type's
// connection-string builder; shared by the source panel and source browsing.

#include "records/CDataTypeInfo.h"

#include <QString>

enum class SourceKind { Unknown, OneNumber, TextFile, FoxPro, Excel, Database, Odbc };

inline SourceKind KindOf(const QString& type)
{
    if (type == QLatin1String("ONE NUMBER")) return SourceKind::OneNumber;
    if (type == QLatin1String("TEXT FILE") || type == QLatin1String("CSV")) return SourceKind::TextFile;
    if (type == QLatin1String("FOXPRO") || type == QLatin1String("ACT!")) return SourceKind::FoxPro;
    if (type == QLatin1String("EXCEL")) return SourceKind::Excel;
    if (type == QLatin1String("ACCESS") || type == QLatin1String("MS SQL") || type == QLatin1String("MYSQL"))
        return SourceKind::Database;
    if (type == QLatin1String("ODBC")) return SourceKind::Odbc;
    return SourceKind::Unknown;
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
    case SourceKind::Database:
        if (type == QLatin1String("MS SQL")) return profile.GetMSSQLConnString();
        if (type == QLatin1String("MYSQL")) return profile.GetMySQLConnString();
        return profile.GetAccessConnString();
    case SourceKind::Odbc:
        return profile.GetODBCConnString();
    default:
        return {};
    }
}
