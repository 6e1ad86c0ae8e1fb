#pragma once
// CGridPropertys: the column settings of one grid list (ListName), keyed ":"
// and the column name. Only the shared rows (EmplID 0) are read.

#include "core/CollectionTemplate.h"
#include "records/CGridProperty.h"

class CGridPropertys : public CollectionTemplate<CGridPropertys, CGridProperty> {
public:
    static inline const QString ModuleName = QStringLiteral("CGridPropertys");

    // The columns a grid of the list shows.
    CGridPropertys();

    QString ListName() const { return m_listName; }
    void SetListName(const QString& value) { m_listName = value; }

    // Clears the list and loads the rows of the list named (empty: the held
    // ListName; a name given becomes ListName), in ID order. Of rows whose
    // column names differ only in letter case the lowest ID is held.
    bool LoadRelated(const QString& vListName = {});
    // The query LoadRelated runs for a list name.
    QString RelatedQuery(const QString& listName) const;

private:
    friend class CollectionTemplate<CGridPropertys, CGridProperty>;
    using CollectionTemplate::ListQuery;
    using CollectionTemplate::LoadList;
    using CollectionTemplate::LoadRecordset;
    using CollectionTemplate::Loadrs;
    QString OrderClause() const { return QStringLiteral(" order by ID"); }
    QString LoadKey(const CGridProperty& r) const { return QStringLiteral(":") + r.ColName(); }

    QString m_listName;
};
