#pragma once
// The main window's source panel apart from its widgets: the chosen type and
// its profile, which holds the path, the table or sheet and the field choices
// as the boxes show them, and what was read from the source they name (its
// tables or sheets, fields, record count, and the connection View and the
// runs open). The window stores each change of a box here at once; a path or
// table that is not the one last read is read again when the change is
// committed (the box left, a table picked, any action started), so that what
// the window shows and what a run takes are the same source.

#include "mainwindow/SourceKind.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

class CDataTypeInfo;

class SourcePanel {
public:
    // Makes the type's profile the current one (a new one when the type has
    // none yet).
    void Choose(const QString& type);
    QString Type() const { return m_type; }
    SourceKind Kind() const { return KindOf(m_type); }
    std::shared_ptr<CDataTypeInfo> Profile() const;

    // What the path box shows: the data source for ODBC, else the file,
    // folder or number; stored at once.
    QString Path() const;
    void SetPath(const QString& path);
    void SetTable(const QString& name);

    // Reads the source the profile names: whether it is there, its tables or
    // sheets, its record count and fields. `keepLists` takes the table and
    // field lists read before for this profile (a type chosen again); a
    // source that is not there clears what was read for it.
    void Read(bool keepLists);
    // After Browser: the tables just listed stay, the chosen one is read.
    void ReadPicked();
    // Reads again what no longer holds for the path or table the profile
    // names now (a file that was missing and is there now is read); true
    // when anything was read.
    bool Commit();

    // What was read. The table shown is the listed entry the profile's table
    // names (an entry in another case gives its own text), else the name as
    // typed where tables are chosen from a list.
    bool Present() const { return m_present; }
    // "File … does not exist!" for a list file, workbook or database the
    // path names that is not there; empty otherwise.
    QString Missing() const;
    QStringList Tables() const;
    QString ShownTable() const;
    QStringList Fields() const;
    std::int32_t RecordCount() const { return m_count; }
    void SetRecordCount(std::int32_t count) { m_count = count; }
    QString ExcelTable() const { return m_excelTable; }
    QString ConnectionString() const { return m_connection; }

private:
    // The file a list, workbook or database source is read from; empty for
    // other sources, or when the path or table is not given.
    QString SourceFile(const CDataTypeInfo& profile) const;
    bool SourceThere(const CDataTypeInfo& profile) const;
    // The chosen table's count and fields, read again (its name changed).
    void RefreshTableFields(CDataTypeInfo& profile, bool keepFields);
    void Clear(CDataTypeInfo* profile);

    QString m_type;
    QString m_readPath; // the path and table what is shown was read for
    QString m_readTable;
    bool m_present = false;
    std::int32_t m_count = 0;
    QString m_excelTable; // the table the Excel driver knows the sheet by
    QString m_connection;
};
