#pragma once
// CDataTypeInfos: the data-source profiles, one per source type, keyed ":"
// and the type word (":" and the ID when loaded page by page).

#include "core/CollectionTemplate.h"
#include "records/CDataTypeInfo.h"

class CDataTypeInfos : public CollectionTemplate<CDataTypeInfos, CDataTypeInfo> {
public:
    static inline const QString ModuleName = QStringLiteral("CDataTypeInfos");

    // The profile's columns without DataAreaName.
    CDataTypeInfos();

    using CollectionTemplate::Save;
    // Save (True, True) on every profile in order, without stopping at a
    // failure; the last profile's result, False for an empty list.
    bool Save(const vb::Variant& unused = vb::Variant()) { return SaveEach(); }

    // As the template's LoadList, each row through this list's Loadrs.
    bool LoadList(const QString& SQLWhereClause = {});
    // The template's Loadrs over FieldNames; the area-code field is read
    // when the row has it, else the profile is marked as not knowing it, so
    // that saving it later keeps the stored value.
    bool Loadrs(const std::shared_ptr<ado::Recordset>& rs, CDataTypeInfo& rec);
    bool Loadrs(const std::shared_ptr<ado::Recordset>& rs, const RecordPtr& rec);

private:
    friend class CollectionTemplate<CDataTypeInfos, CDataTypeInfo>;
    QString LoadKey(const CDataTypeInfo& r) const { return QStringLiteral(":") + r.DataType(); }
};
