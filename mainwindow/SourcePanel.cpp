#include "mainwindow/SourcePanel.h"

#include "core/CDataStrings.h"
#include "core/Globals.h"
#include "core/ModuleExcel.h"
#include "platform/excel/Excel.h"
#include "platform/vb/Err.h"
#include "records/CDataTypeInfo.h"
#include "records/CDataTypeInfos.h"
#include "scrub/TextFileScrub.h"

#include <QFileInfo>

void SourcePanel::Choose(const QString& type)
{
    m_type = type;
    vb::ResumeNext([&] {
        const QString key = QStringLiteral(":") + type;
        std::shared_ptr<CDataTypeInfo> profile = gDataTypeInfos ? gDataTypeInfos->Item(key) : nullptr;
        if (!profile) {
            profile = std::make_shared<CDataTypeInfo>();
            profile->SetDataType(type);
            if (gDataTypeInfos) gDataTypeInfos->AddExisting(profile, key);
        }
        gCurDataTypeInfo = profile;
    });
}

std::shared_ptr<CDataTypeInfo> SourcePanel::Profile() const
{
    return gCurDataTypeInfo;
}

QString SourcePanel::Path() const
{
    const auto profile = Profile();
    if (!profile) return {};
    return Kind() == SourceKind::Odbc ? profile->DataDSN() : profile->DataDBName();
}

void SourcePanel::SetPath(const QString& path)
{
    const auto profile = Profile();
    if (!profile) return;
    // For ODBC the box shows the data source; the database name is the one
    // given in the connection dialog and stays as it is.
    if (Kind() == SourceKind::Odbc)
        profile->SetDataDSN(path);
    else
        profile->SetDataDBName(path);
}

void SourcePanel::SetTable(const QString& name)
{
    if (const auto profile = Profile()) profile->SetDataTableName(name);
}

QString SourcePanel::SourceFile(const CDataTypeInfo& profile) const
{
    const QString path = Path();
    switch (Kind()) {
    case SourceKind::TextFile:
    case SourceKind::FoxPro:
        if (path.isEmpty() || profile.DataTableName().isEmpty()) return {};
        return scrub::FolderWithSeparator(path) + profile.DataTableName();
    case SourceKind::Excel:
    case SourceKind::Access:
        return path;
    default:
        return {};
    }
}

// A list file must be in the folder, a workbook or database file where the
// path names it; a server source is only asked when it is read.
bool SourcePanel::SourceThere(const CDataTypeInfo& profile) const
{
    switch (Kind()) {
    case SourceKind::TextFile:
    case SourceKind::FoxPro:
    case SourceKind::Excel:
    case SourceKind::Access: {
        const QString file = SourceFile(profile);
        return !file.isEmpty() && QFileInfo(file).isFile();
    }
    default:
        return !Path().isEmpty();
    }
}

void SourcePanel::Clear(CDataTypeInfo* profile)
{
    m_present = false;
    m_count = 0;
    m_excelTable.clear();
    m_connection.clear();
    if (!profile) return;
    // The lists of another file do not belong to this one: field types
    // decide what a mark field takes.
    profile->TableNameData()->Clear();
    profile->TableFieldData()->Clear();
    profile->TableFieldType()->Clear();
}

void SourcePanel::Read(bool keepLists)
{
    const std::shared_ptr<CDataTypeInfo> profile = Profile();
    const SourceKind kind = Kind();
    m_readPath = Path();
    m_readTable = profile ? profile->DataTableName() : QString();
    if (!profile || kind == SourceKind::Unknown || kind == SourceKind::OneNumber) return Clear(nullptr);
    bool there = false;
    vb::ResumeNext([&] { there = SourceThere(*profile); });
    m_connection.clear();
    if (there) vb::ResumeNext([&] { m_connection = BuildConnectionString(*profile, m_type); });
    if (!there || m_connection.isEmpty()) return Clear(profile.get());
    m_present = true;
    if (!keepLists) profile->TableNameData()->Clear();
    vb::ResumeNext([&] {
        if (!HasTableList(kind) || profile->TableNameData()->Count() != 0) return;
        if (kind != SourceKind::Excel) {
            profile->GetTables(QString());
        } else if (const auto book = OpenExcelWorkbook(profile->DataDBName(), false)) {
            // The workbook is opened only to list its sheets.
            profile->GetExcelSheet(book.get());
            book->Close(false);
        }
    });
    RefreshTableFields(*profile, keepLists);
}

void SourcePanel::ReadPicked()
{
    const std::shared_ptr<CDataTypeInfo> profile = Profile();
    if (!profile) return;
    m_readPath = Path();
    vb::ResumeNext([&] { m_connection = BuildConnectionString(*profile, m_type); });
    m_present = !m_connection.isEmpty();
    RefreshTableFields(*profile, false);
}

void SourcePanel::RefreshTableFields(CDataTypeInfo& profile, bool keepFields)
{
    m_readTable = profile.DataTableName();
    m_count = 0;
    m_excelTable.clear();
    if (!m_present) return;
    const SourceKind kind = Kind();
    const QString table = ShownTable();
    if (HasTableList(kind) && table.isEmpty()) {
        // No table is chosen: nothing of another one is shown.
        profile.TableFieldData()->Clear();
        profile.TableFieldType()->Clear();
        return;
    }
    QString readFrom = HasTableList(kind) ? table : QString();
    if (kind == SourceKind::Excel)
        vb::ResumeNext([&] { readFrom = m_excelTable = profile.GetExcelAdoTable(table); });
    vb::ResumeNext([&] { m_count = profile.GetRecordCount(readFrom); });
    vb::ResumeNext([&] {
        // A field list read once is kept when the type is chosen again.
        if (!keepFields || profile.TableFieldData()->Count() == 0) profile.GetFields(readFrom);
    });
    if (m_type != QLatin1String("ACT!")) return;
    // An ACT! table keeps its numbers in "phone".
    if (profile.DataFieldName().isEmpty()) {
        profile.SetDataFieldName(QStringLiteral("phone"));
        profile.SetDataAreaName(QString());
    }
    if (profile.DataMarkName().isEmpty()) profile.SetDataMarkName(QStringLiteral("phone"));
}

bool SourcePanel::Commit()
{
    const std::shared_ptr<CDataTypeInfo> profile = Profile();
    const SourceKind kind = Kind();
    if (!profile || kind == SourceKind::Unknown || kind == SourceKind::OneNumber) return false;
    // A file missing when the panel was read may be there now.
    const QString file = SourceFile(*profile);
    if (Path() != m_readPath || (!m_present && !file.isEmpty() && QFileInfo(file).isFile())) {
        Read(false);
        return true;
    }
    if (profile->DataTableName() == m_readTable) return false;
    RefreshTableFields(*profile, false);
    return true;
}

QStringList SourcePanel::Tables() const
{
    const auto profile = Profile();
    if (!m_present || !profile) return {};
    if (!HasTableList(Kind())) return {profile->DataTableName()};
    QStringList tables;
    for (const auto& entry : *profile->TableNameData())
        if (entry) tables << entry->ItemValue();
    return tables;
}

QString SourcePanel::ShownTable() const
{
    const auto profile = Profile();
    if (!profile) return {};
    const QString name = profile->DataTableName();
    const QStringList tables = Tables();
    if (tables.contains(name)) return name;
    for (const QString& table : tables)
        if (table.compare(name, Qt::CaseInsensitive) == 0) return table;
    // A name typed that no entry has is read as typed (and refused when it
    // names nothing); a source that is not there has no table.
    return HasTableList(Kind()) && m_present ? name : QString();
}

QString SourcePanel::Missing() const
{
    const auto profile = Profile();
    if (m_present || !profile) return {};
    const QString file = SourceFile(*profile);
    if (file.isEmpty() || QFileInfo(file).isFile()) return {};
    return QStringLiteral("File ") + file + QStringLiteral(" does not exist!");
}

QStringList SourcePanel::Fields() const
{
    const auto profile = Profile();
    QStringList fields;
    if (m_present && profile)
        for (const auto& entry : *profile->TableFieldData())
            fields << (entry ? entry->ItemValue() : QString());
    return fields;
}
