#pragma once
// CPhones: one page of the numbers of one DNC table. The list keys nothing:
// its records are reached by position, and each carries the list's
// TableName.

#include "core/CollectionTemplate.h"
#include "records/CPhone.h"

class CPhones : public CollectionTemplate<CPhones, CPhone> {
public:
    static inline const QString ModuleName = QStringLiteral("CPhones");

    CPhones();

    // The DNC table of the list ("phone" + area code); given to every record
    // the loaders read.
    QString TableName() const { return m_tableName; }
    void SetTableName(const QString& value) { m_tableName = value; }

    using CollectionTemplate::Save;
    // Save (True, True) on every record in order, without stopping at a
    // failure; the last record's result, False for an empty list.
    bool Save(const vb::Variant& unused = vb::Variant()) { return SaveEach(); }

private:
    friend class CollectionTemplate<CPhones, CPhone>;
    using CollectionTemplate::ListQuery;
    using CollectionTemplate::LoadList;
    using CollectionTemplate::Loadrs;
    QString SourceTable() const { return m_tableName; }
    QString LoadKey(const CPhone&) const { return {}; }
    QString PagedKey(const CPhone&) const { return {}; }
    void PrepareRecord(CPhone& rec) const { rec.SetTableName(m_tableName); }

    QString m_tableName;
};
