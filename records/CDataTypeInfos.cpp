#include "records/CDataTypeInfos.h"

namespace {

bool hasField(ado::Recordset& rs, const QString& name)
{
    for (long i = 0; i < rs.Fields().Count(); ++i)
        if (rs.Fields().Item(int(i)).Name().compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}

} // namespace

CDataTypeInfos::CDataTypeInfos()
    : CollectionTemplate(
          {QStringLiteral("ID"), QStringLiteral("DataType"), QStringLiteral("DataProvider"),
           QStringLiteral("DataDSN"), QStringLiteral("DataServer"), QStringLiteral("DataUSERID"),
           QStringLiteral("DataPWD"), QStringLiteral("DataDriver"), QStringLiteral("DataDBName"),
           QStringLiteral("DataTableName"), QStringLiteral("DataFieldName"), QStringLiteral("DataMarkName"),
           QStringLiteral("IsTitleFirstLine"), QStringLiteral("Delimited"), QStringLiteral("Notes")})
{
}

bool CDataTypeInfos::Loadrs(const std::shared_ptr<ado::Recordset>& rs, CDataTypeInfo& rec)
{
    if (!CollectionTemplate::Loadrs(rs, rec)) return false;
    try {
        const QString area = QStringLiteral("DataAreaName");
        if (hasField(*rs, area)) {
            const vb::Variant v = rs->Value(area);
            if (!v.isNull()) rec.SetByName(area, v);
        } else {
            rec.SetAreaNameUnknown(true);
        }
        return true;
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, ModuleName, QStringLiteral("LoadRs"), false);
        return false;
    }
}

bool CDataTypeInfos::Loadrs(const std::shared_ptr<ado::Recordset>& rs, const RecordPtr& rec)
{
    if (!rec) return CollectionTemplate::Loadrs(rs, rec);
    return Loadrs(rs, *rec);
}

bool CDataTypeInfos::LoadList(const QString& SQLWhereClause)
{
    std::shared_ptr<ado::Recordset> rs;
    try {
        Clear();
        if (!gDataAccess) vb::Raise(vb::errnum::ObjectVariableNotSet);
        if (!gDataAccess->GetRecordset(ListQuery(SQLWhereClause), rs)) return false;
        while (!rs->Eof()) {
            auto rec = newRecord();
            if (!Loadrs(rs, *rec)) {
                rs->Close();
                return false;
            }
            AddExisting(rec, LoadKey(*rec));
            rs->MoveNext();
        }
        rs->Close();
        return true;
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        try {
            if (rs && rs->State() == ado::adStateOpen) rs->Close();
        } catch (...) {
        }
        HandleError(e.Number, e.Description, ModuleName, QStringLiteral("LoadList"), false);
        return false;
    }
}

template class CollectionTemplate<CDataTypeInfos, CDataTypeInfo>;
