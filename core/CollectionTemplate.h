#pragma once
// CollectionTemplate<C, R>: what every collection class shares. It holds the
// records of one table or query as an ordered list (positions from 1, keys
// unique and compared without regard to case, records without a key allowed)
// and offers them to the data grid through VAVURDataSource.
//
// A collection class derives from CollectionTemplate<itself, its record> and
// states its module name, its FieldNames and what differs:
//
//   class CThings : public CollectionTemplate<CThings, CThing> {
//   public:
//       static inline const QString ModuleName = QStringLiteral("CThings");
//       CThings() : CollectionTemplate({"ID", "Name"}) {}
//   private:
//       friend class CollectionTemplate<CThings, CThing>;
//       QString LoadKey(const CThing& r) const { return ":" + r.Name(); } // optional hook
//   };
//
// Optional hooks (the template's own are used otherwise):
//   SourceTable()       the table the loaders read (the record's table name)
//   OrderClause()       appended to the LoadRelated query ("" by default)
//   LoadKey(record)     key of a record loaded by LoadRelated/LoadList (":" + key column)
//   PagedKey(record)    key of a record loaded by LoadRecordset (":" + key column)
//   ItemKey(record)     key of a record appended by SetItem (":" + key column)
//   PrepareRecord(rec)  called on every record the collection creates, before it is filled
// An empty key adds the record without a key.
//
// Positions are 32-bit: lists of any length work.

#include "core/CDataAccess.h"
#include "core/ErrorReport.h"
#include "core/Globals.h"
#include "core/VAVURDataSource.h"
#include "platform/ado/Recordset.h"
#include "platform/vb/Collection.h"
#include "platform/vb/Err.h"
#include "platform/vb/Variant.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

// The WHERE rule of the loaders: a clause that is not empty and whose first
// five characters, trimmed and in upper case, are not "WHERE" gets " WHERE "
// put in front of it.
inline QString ApplyWhereRule(const QString& clause)
{
    if (clause.isEmpty()) return clause;
    if (clause.left(5).trimmed().toUpper() == QLatin1String("WHERE")) return clause;
    return QStringLiteral(" WHERE ") + clause;
}

template <class C, class R> class CollectionTemplate : public VAVURDataSource {
public:
    using Record = R;
    using RecordPtr = std::shared_ptr<R>;
    using Items = vb::Collection<RecordPtr>;

    // The FieldNames joined with ", ", built at construction.
    QString FieldList() const { return m_fieldList; }
    void SetFieldList(const QString& value) { m_fieldList = value; }
    const QStringList& FieldNames() const { return m_fieldNames; }

    // Sets IsDeleted of every record.
    void SetIsDeleted(bool value)
    {
        for (const RecordPtr& r : m_items)
            if (r) r->SetIsDeleted(value);
    }

    // Clear, then a copy of each record of the source, in order and without
    // keys.
    void CopyMe(const C& source)
    {
        if (&source == &self()) return;
        Clear();
        for (const RecordPtr& r : source.m_items)
            if (r) AddItem(r, QString());
    }

    // Adds the record itself, under sKey when it is not empty. A key already
    // held leaves the list unchanged, silently.
    void AddExisting(const RecordPtr& objNewMember, const QString& sKey = {})
    {
        try {
            if (!objNewMember) return;
            m_items.Add(objNewMember, sKey);
        } catch (...) {
        }
    }
    // As AddExisting, with a new record copied from objNewMember.
    void AddItem(const RecordPtr& objNewMember, const QString& sKey = {})
    {
        try {
            if (!objNewMember) return;
            auto copy = std::make_shared<R>();
            copy->CopyMe(*objNewMember);
            m_items.Add(copy, sKey);
        } catch (...) {
        }
    }

    void Clear() { m_items.Clear(); }

    // The record at a position (from 1) or under a key; nullptr when none.
    RecordPtr Item(std::int32_t index) const
    {
        return index >= 1 && index <= m_items.Count() ? m_items.Item(index) : RecordPtr();
    }
    RecordPtr Item(const QString& key) const
    {
        const RecordPtr* r = m_items.Find(key);
        return r ? *r : RecordPtr();
    }
    RecordPtr Item(const char* key) const { return Item(QString::fromUtf8(key)); }
    RecordPtr Item(const vb::Variant& indexOrKey) const
    {
        try {
            if (indexOrKey.isNumeric()) return Item(indexOrKey.toLong());
            return Item(indexOrKey.text());
        } catch (...) {
            return RecordPtr();
        }
    }

    std::int32_t Count() const { return m_items.Count(); }

    // Removes by position or key; a missing one is ignored.
    void Remove(std::int32_t index)
    {
        if (index >= 1 && index <= m_items.Count()) m_items.Remove(index);
    }
    void Remove(const QString& key)
    {
        if (m_items.Contains(key)) m_items.Remove(key);
    }
    void Remove(const char* key) { Remove(QString::fromUtf8(key)); }
    void Remove(const vb::Variant& indexOrKey)
    {
        try {
            if (indexOrKey.isNumeric())
                Remove(indexOrKey.toLong());
            else
                Remove(indexOrKey.text());
        } catch (...) {
        }
    }

    // NewEnum: the records in order.
    typename Items::const_iterator begin() const { return m_items.begin(); }
    typename Items::const_iterator end() const { return m_items.end(); }

    // ---- generic loaders
    // Clears the list and fills it from the query: SQLClause when it is not
    // empty, else "Select * From  " + the table; then one blank, the where
    // clause (WHERE rule) and the order clause. Each row goes through the
    // record's own Loadrs and is added under LoadKey; a key already held
    // drops the row.
    bool LoadRelated(const QString& SQLWhereClause = {}, const QString& SQLClause = {})
    {
        return LoadQuery(RelatedQuery(SQLWhereClause, SQLClause), false, QStringLiteral("LoadRelated"));
    }
    // The query LoadRelated runs.
    QString RelatedQuery(const QString& SQLWhereClause = {}, const QString& SQLClause = {}) const
    {
        const QString base =
            SQLClause.isEmpty() ? QStringLiteral("Select * From  ") + self().SourceTable() : SQLClause;
        return base + QLatin1Char(' ') + ApplyWhereRule(SQLWhereClause) + self().OrderClause();
    }
    // As LoadRelated on "Select " + FieldList + " From  " + the table, without
    // an order clause; each row goes through the collection's Loadrs.
    bool LoadList(const QString& SQLWhereClause = {})
    {
        return LoadQuery(ListQuery(SQLWhereClause), true, QStringLiteral("LoadList"));
    }
    // The query LoadList runs.
    QString ListQuery(const QString& SQLWhereClause = {}) const
    {
        return QStringLiteral("Select ") + m_fieldList + QStringLiteral(" From  ") + self().SourceTable() +
               QLatin1Char(' ') + ApplyWhereRule(SQLWhereClause);
    }
    // False at the end of rs; else rec is cleared and every column of
    // FieldNames that is not Null in the current row goes through the
    // record's SetByName (the record is left dirty).
    bool Loadrs(const std::shared_ptr<ado::Recordset>& rs, R& rec)
    {
        try {
            return fillFromRow(rs, rec);
        } catch (...) {
            const vb::ErrObject& e = vb::CatchError();
            HandleError(e.Number, e.Description, C::ModuleName, QStringLiteral("LoadRs"), false);
            return false;
        }
    }
    bool Loadrs(const std::shared_ptr<ado::Recordset>& rs, const RecordPtr& rec)
    {
        if (!rec) {
            HandleError(vb::errnum::ObjectVariableNotSet,
                        vb::DefaultDescription(vb::errnum::ObjectVariableNotSet), C::ModuleName,
                        QStringLiteral("LoadRs"), false);
            return false;
        }
        return Loadrs(rs, *rec);
    }
    // Clears the list and takes at most PageSize rows from the current
    // position of an open recordset, each through the record's Loadrs, added
    // under PagedKey. The recordset stays open after the last row read.
    bool LoadRecordset(const std::shared_ptr<ado::Recordset>& adoRS, std::int32_t PageSize)
    {
        try {
            Clear();
            if (!adoRS) vb::Raise(vb::errnum::ObjectVariableNotSet);
            std::int32_t added = 0;
            while (added < PageSize && !adoRS->Eof()) {
                auto rec = newRecord();
                if (!rec->Loadrs(adoRS)) return false;
                AddExisting(rec, self().PagedKey(*rec));
                ++added;
                adoRS->MoveNext();
            }
            return true;
        } catch (...) {
            const vb::ErrObject& e = vb::CatchError();
            HandleError(e.Number, e.Description, C::ModuleName, QStringLiteral("LoadRecordset"), false);
            return false;
        }
    }

    // ---- VAVURDataSource
    void SetItem(const vb::Variant& key, const std::shared_ptr<VAVURDataSourceSingle>& record) override
    {
        try {
            const auto source = std::dynamic_pointer_cast<R>(record);
            if (!source) return;
            if (RecordPtr held = Item(key)) {
                held->CopyMe(*source);
                return;
            }
            auto copy = newRecord();
            copy->CopyMe(*source);
            AddExisting(copy, self().ItemKey(*copy));
        } catch (...) {
        }
    }
    std::shared_ptr<VAVURDataSourceSingle> GetItem(const vb::Variant& key) override { return Item(key); }
    QString GetFieldName(std::int32_t column) override
    {
        return column >= 1 && column <= GetFieldCount() ? m_fieldNames.at(column - 1) : QString();
    }
    // Null for a row or a column outside the list.
    vb::Variant GetData(std::int32_t column, std::int32_t row) override
    {
        if (row < 1 || row > Count() || column < 1 || column > GetFieldCount()) return vb::Variant::Null();
        const RecordPtr r = Item(row);
        return r ? r->GetDataByName(m_fieldNames.at(column - 1)) : vb::Variant::Null();
    }
    void SetData(std::int32_t column, std::int32_t row, const vb::Variant& value) override
    {
        if (column < 1 || column > GetFieldCount()) return;
        const QString name = m_fieldNames.at(column - 1);
        if (row >= 1 && row <= Count()) {
            if (const RecordPtr r = Item(row)) r->SetDataByName(name, value);
        } else if (row == Count() + 1) {
            auto rec = newRecord();
            rec->SetDataByName(name, value);
            m_items.Add(rec);
        }
    }
    std::int32_t GetRecordCount() override { return Count(); }
    std::int32_t GetFieldCount() override { return std::int32_t(m_fieldNames.size()); }
    bool Save(bool bolStartTran, bool UseSQLInsert) override
    {
        return SaveRecordList(*this, bolStartTran, UseSQLInsert);
    }
    void SetIsDeleted(std::int32_t row, bool value) override
    {
        if (const RecordPtr r = Item(row)) r->SetIsDeleted(value);
    }
    bool IsDeleted(std::int32_t row) override
    {
        const RecordPtr r = Item(row);
        return r ? r->IsDeleted() : false;
    }

protected:
    explicit CollectionTemplate(QStringList fieldNames)
        : m_fieldNames(std::move(fieldNames)), m_fieldList(m_fieldNames.join(QStringLiteral(", ")))
    {
    }

    // Clears the list and loads the rows of a query through a detached
    // recordset of gDataAccess: byCollectionLoadrs chooses the collection's
    // Loadrs over the record's own. Run-time errors are reported under the
    // given function name.
    bool LoadQuery(const QString& sql, bool byCollectionLoadrs, const QString& functionName)
    {
        std::shared_ptr<ado::Recordset> rs;
        try {
            Clear();
            if (!gDataAccess) vb::Raise(vb::errnum::ObjectVariableNotSet);
            if (!gDataAccess->GetRecordset(sql, rs)) return false;
            while (!rs->Eof()) {
                auto rec = newRecord();
                // A row that cannot be read has been reported by its loader;
                // one report is enough, so the load stops there.
                if (!(byCollectionLoadrs ? Loadrs(rs, *rec) : rec->Loadrs(rs))) {
                    rs->Close();
                    return false;
                }
                AddExisting(rec, self().LoadKey(*rec));
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
            HandleError(e.Number, e.Description, C::ModuleName, functionName, false);
            return false;
        }
    }

    // Save (True, True) on every record in order, without stopping; the
    // result of the last one, False for an empty list.
    bool SaveEach()
    {
        bool result = false;
        for (std::int32_t i = 1; i <= Count(); ++i)
            if (const RecordPtr r = Item(i)) result = r->Save(true, true);
        return result;
    }

    RecordPtr newRecord() const
    {
        auto rec = std::make_shared<R>();
        self().PrepareRecord(*rec);
        return rec;
    }

    // ---- the template's own hooks
    QString SourceTable() const { return R::Spec().tableName; }
    QString OrderClause() const { return {}; }
    QString LoadKey(const R& r) const { return QStringLiteral(":") + QString::number(r.KeyValue()); }
    QString PagedKey(const R& r) const { return QStringLiteral(":") + QString::number(r.KeyValue()); }
    QString ItemKey(const R& r) const { return QStringLiteral(":") + QString::number(r.KeyValue()); }
    void PrepareRecord(R&) const {}

    Items m_items;

private:
    C& self() { return static_cast<C&>(*this); }
    const C& self() const { return static_cast<const C&>(*this); }

    bool fillFromRow(const std::shared_ptr<ado::Recordset>& rs, R& rec)
    {
        if (!rs) vb::Raise(vb::errnum::ObjectVariableNotSet);
        if (rs->Eof()) return false;
        rec.Clear();
        for (const QString& name : m_fieldNames) {
            const vb::Variant v = rs->Value(name);
            if (!v.isNull()) rec.SetByName(name, v);
        }
        return true;
    }

    QStringList m_fieldNames;
    QString m_fieldList;
};
