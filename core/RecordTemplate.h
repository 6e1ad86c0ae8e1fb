#pragma once
// RecordTemplate<R>: what every record class (one row of one table) shares.
//
// A record class derives from RecordTemplate<itself>, keeps one typed member
// per column and states only what is its own:
//
//   class CThing : public RecordTemplate<CThing> {
//   public:
//       static constexpr RecordTraits Traits{};        // behaviour switches (below)
//       static const RecordSpec<CThing>& Spec();        // module, table, key, FieldNames, columns
//       std::int32_t ID() const { return m_ID; }
//       void SetID(std::int32_t v) { Assign(m_ID, v); } // the dirty rule
//       QString StrInsert() const;                      // its own SQL texts
//       QString StrUpdate() const;
//   private:
//       friend class RecordTemplate<CThing>;
//       std::int32_t m_ID = 0;
//       QString m_Name;
//   };
//
//   const RecordSpec<CThing>& CThing::Spec() {
//       static const RecordSpec<CThing> spec{
//           "CThing", "Thing", "ID", {"ID", "Name"},
//           {RecordColumn<CThing>::Long("ID", &CThing::m_ID),
//            RecordColumn<CThing>::Text("Name", &CThing::m_Name)}};
//       return spec;
//   }
//
// From that the template gives the flags (IsDirty, IsDeleted, IsNew, Cancel,
// TableName), Clear, CopyMe, SetByName/GetByName (column names compared
// without regard to case), SetByIndex/GetByIndex/GetFieldName over FieldNames,
// StrDelete, Loadrs, Load, Save (with the recordset insert) and the whole of
// VAVURDataSourceSingle.
//
// Optional hooks a record class may declare (the template's own are used
// otherwise): KeyReadBackSql() (the class's own query for the newest key),
// AfterLoadrs() (after a row was read, before the flags are cleared),
// ClearExtra(), CopyExtra(const R&), FillNewRow(ado::Recordset&) (the fields
// of the recordset insert), ExtraProperty(name, value&) (more properties for
// GetDataByName), ActionsHook(n), SavedKey() (the key RecordsetSaved
// carries), AfterSaved() (after a successful write, before the flags are
// cleared), StrDelete(), DeleteSql(), LoadKeyCondition().

#include "core/CDataAccess.h"
#include "core/ErrorReport.h"
#include "core/Globals.h"
#include "core/SqlLiterals.h"
#include "core/VAVURDataSource.h"
#include "platform/ado/Ado.h"
#include "platform/ado/Recordset.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"
#include "platform/vb/Variant.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

enum class ColumnKind { Long, Text, Bool };

// One value a record holds: the name SetByName/GetByName know it by, the
// name of its public property (what GetDataByName answers to; the same
// unless given), its kind and the member that holds it.
template <class R> struct RecordColumn {
    QString name;
    QString property;
    ColumnKind kind = ColumnKind::Text;
    std::int32_t R::*longField = nullptr;
    QString R::*textField = nullptr;
    bool R::*boolField = nullptr;

    static RecordColumn Long(const QString& name, std::int32_t R::*field, const QString& property = {})
    {
        return {name, property.isEmpty() ? name : property, ColumnKind::Long, field, nullptr, nullptr};
    }
    static RecordColumn Text(const QString& name, QString R::*field, const QString& property = {})
    {
        return {name, property.isEmpty() ? name : property, ColumnKind::Text, nullptr, field, nullptr};
    }
    static RecordColumn Bool(const QString& name, bool R::*field, const QString& property = {})
    {
        return {name, property.isEmpty() ? name : property, ColumnKind::Bool, nullptr, nullptr, field};
    }
};

template <class R> struct RecordSpec {
    QString moduleName;                   // the class name in error reports
    QString tableName;                    // TableName from construction
    QString keyField;                     // the key column as the SQL texts name it; also a column name
    QStringList fieldNames;               // FieldNames: the table's columns in table order
    std::vector<RecordColumn<R>> columns; // every value the record holds
    QString insertFunction = QStringLiteral("InsertByRecordset"); // the recordset insert's name in reports
};

// Behaviour switches; the defaults are those of most record classes.
struct RecordTraits {
    bool deletedMarksDirty = true;     // the IsDeleted setter marks the record dirty when the flag changes
    bool dirtyAloneDecides = true;     // Save writes only a dirty record (else dirty or deleted)
    bool newOnlyByFlag = false;        // only IsNew makes a record new (else also a key of 0)
    bool autoNumberKey = true;         // the database assigns the key on insert; it is read back
    bool sqlInsertSetsIsNew = false;   // an insert by SQL text sets IsNew just before it runs
    bool updateClearsIsNew = false;    // an update sets IsNew False
    bool insertByBatch = false;        // the recordset insert commits with UpdateBatch (else Update)
    bool insertReportsErrors = false;  // the recordset insert reports its own run-time errors
    bool raisesRecordsetSaved = false; // the class declares RecordsetSaved
};

// The actions RecordsetSaved reports.
enum RecordsetSavedAction : std::int32_t { RecordInserted = 0, RecordUpdated = 1, RecordDeleted = 2 };

// Error reported when a stored row's new key cannot be read back.
inline constexpr std::int32_t KeyReadBackFailed = ado::errnum::JetFailure;

template <class R> class RecordTemplate : public VAVURDataSourceSingle {
public:
    // RecordsetSaved (key, action): after a successful write of a class that
    // declares it; action 0 inserted, 1 updated, 2 deleted.
    using RecordsetSavedHandler = std::function<void(const vb::Variant& key, std::int32_t action)>;

    // ---- flags and table name
    void SetIsDirty(bool value) { m_isDirty = value; }
    bool IsDirty() const { return m_isDirty; }
    void SetTableName(const QString& value) { m_tableName = value; }
    QString TableName() const { return m_tableName; }
    void SetIsDeleted(bool value) override
    {
        if (R::Traits.deletedMarksDirty && value != m_isDeleted) m_isDirty = true;
        m_isDeleted = value;
    }
    bool IsDeleted() override { return m_isDeleted; }
    bool IsDeleted() const { return m_isDeleted; }
    void SetIsNew(bool value) { m_isNew = value; }
    bool IsNew() const { return m_isNew; }
    void SetCancel(bool value) override { m_cancel = value; }
    bool Cancel() override { return m_cancel; }
    bool Cancel() const { return m_cancel; }

    void OnRecordsetSaved(RecordsetSavedHandler handler) requires(R::Traits.raisesRecordsetSaved)
    {
        m_recordsetSaved = std::move(handler);
    }

    // The key column's value (ID, CityStateID, Phone, ...).
    std::int32_t KeyValue() const { return self().*keyColumn().longField; }

    // ---- the template's operations
    // Every value empty, the three flags False; Cancel and TableName stay.
    void Clear()
    {
        for (const auto& c : R::Spec().columns)
            resetColumn(c);
        m_isDirty = m_isDeleted = m_isNew = false;
        self().ClearExtra();
    }

    // Every value, TableName and the three flags, without the dirty rule;
    // Cancel is not copied.
    void CopyMe(const R& source)
    {
        if (&source == &self()) return;
        for (const auto& c : R::Spec().columns) {
            switch (c.kind) {
            case ColumnKind::Long:
                self().*c.longField = source.*c.longField;
                break;
            case ColumnKind::Text:
                self().*c.textField = source.*c.textField;
                break;
            case ColumnKind::Bool:
                self().*c.boolField = source.*c.boolField;
                break;
            }
        }
        m_tableName = source.m_tableName;
        m_isDeleted = source.m_isDeleted;
        m_isNew = source.m_isNew;
        m_isDirty = source.m_isDirty;
        self().CopyExtra(source);
    }
    void CopyMe(const std::shared_ptr<VAVURDataSourceSingle>& other) override
    {
        const auto source = std::dynamic_pointer_cast<R>(other);
        if (!source) vb::Raise(vb::errnum::TypeMismatch);
        CopyMe(*source);
    }

    // Sets the named value through the dirty rule; an unknown name does
    // nothing. A value that cannot be converted raises to the caller.
    void SetByName(const QString& fName, const vb::Variant& vData)
    {
        const RecordColumn<R>* c = columnNamed(fName);
        if (!c) return;
        switch (c->kind) {
        case ColumnKind::Long:
            Assign(self().*c->longField, vb::CLng(vData));
            break;
        case ColumnKind::Text:
            Assign(self().*c->textField, vb::CStr(vData));
            break;
        case ColumnKind::Bool:
            Assign(self().*c->boolField, vb::CBool(vData));
            break;
        }
    }
    // The named value; an empty String for an unknown name.
    vb::Variant GetByName(const QString& fName) const
    {
        const RecordColumn<R>* c = columnNamed(fName);
        return c ? valueOf(*c) : vb::Variant(QString());
    }
    void SetByIndex(std::int32_t position, const vb::Variant& vData)
    {
        if (position >= 1 && position <= fieldCount())
            SetByName(R::Spec().fieldNames.at(position - 1), vData);
    }
    vb::Variant GetByIndex(std::int32_t position) const
    {
        if (position < 1 || position > fieldCount()) return vb::Variant(QString());
        try {
            return GetByName(R::Spec().fieldNames.at(position - 1));
        } catch (...) {
            return vb::Variant();
        }
    }
    QString GetFieldName(std::int32_t position) override
    {
        return position >= 1 && position <= fieldCount() ? R::Spec().fieldNames.at(position - 1) : QString();
    }

    QString StrDelete() const
    {
        return QStringLiteral("Delete From ") + m_tableName + QStringLiteral(" Where ") + R::Spec().keyField +
               QStringLiteral(" = ") + FormatSQLNumber(vb::Variant(KeyValue()));
    }

    // Fills the record from the current row of an open recordset, without the
    // dirty rule; False at the end of the rows. The recordset is not moved.
    bool Loadrs(const std::shared_ptr<ado::Recordset>& rs)
    {
        try {
            if (!rs) vb::Raise(vb::errnum::ObjectVariableNotSet);
            if (rs->Eof()) return false;
            for (const QString& name : R::Spec().fieldNames) {
                const RecordColumn<R>* c = columnNamed(name);
                if (!c) continue;
                storeLoaded(*c, rs->Value(name));
            }
            self().AfterLoadrs();
            m_isDeleted = m_isNew = m_isDirty = false;
            return true;
        } catch (...) {
            const vb::ErrObject& e = vb::CatchError();
            HandleError(e.Number, e.Description, R::Spec().moduleName, QStringLiteral("LoadRs"), false);
            return false;
        }
    }

    // Reads one row: the record's own key with an empty clause, else the rows
    // the clause selects (the first one is taken). True when a row was found.
    bool Load(const QString& vWhereClause = {})
    {
        std::shared_ptr<ado::Recordset> rs;
        try {
            if (!gDataAccess) vb::Raise(vb::errnum::ObjectVariableNotSet);
            const QString sql = QStringLiteral("Select * from ") + m_tableName +
                                (vWhereClause.isEmpty() ? self().LoadKeyCondition()
                                                        : QStringLiteral(" Where ") + vWhereClause);
            if (!gDataAccess->GetRecordset(sql, rs)) return false;
            const bool found = Loadrs(rs);
            rs->Close();
            return found;
        } catch (...) {
            const vb::ErrObject& e = vb::CatchError();
            try {
                if (rs && rs->State() == ado::adStateOpen) rs->Close();
            } catch (...) {
            }
            HandleError(e.Number, e.Description, R::Spec().moduleName, QStringLiteral("Load"), false);
            return false;
        }
    }

    // Writes the record: delete, insert or update, on the shared connection of
    // gDataAccess (opened for the call when it is closed, and closed again),
    // inside a transaction of its own with bolStartTran. A new row's key is
    // read back on the same connection right after the insert. On failure
    // the transaction is rolled back, a connection this call opened is closed
    // and the record keeps its key and flags.
    bool Save(bool bolStartTran, bool UseSQLInsert) override
    {
        const bool writes = m_isDirty || (!R::Traits.dirtyAloneDecides && m_isDeleted);
        if (!writes) return true;

        const std::int32_t oldKey = KeyValue();
        const bool oldIsNew = m_isNew;
        bool opened = false;
        bool began = false;
        std::int32_t savedAction = -1;
        CDataAccess* da = gDataAccess.get();
        try {
            if (!da) vb::Raise(vb::errnum::ObjectVariableNotSet);
            bool ok = true;
            if (!da->IsConnected()) {
                ok = da->OpenConnection();
                opened = ok;
            }
            if (ok && bolStartTran) {
                began = da->BeginTrans();
                ok = began;
            }
            bool inserted = false;
            if (ok) {
                if (m_isDeleted) {
                    ok = da->ExecQuery(self().DeleteSql());
                } else if (isNewRecord()) {
                    inserted = true;
                    if (UseSQLInsert) {
                        if (R::Traits.sqlInsertSetsIsNew) m_isNew = true;
                        ok = da->ExecQuery(self().StrInsert());
                    } else {
                        ok = SaveRs();
                    }
                } else {
                    if (R::Traits.updateClearsIsNew) m_isNew = false;
                    ok = da->ExecQuery(self().StrUpdate());
                }
            }
            // The key the database gave the new row, read before anything else
            // can insert into the table; with a transaction of its own a row
            // whose key cannot be read is not kept.
            if (ok && inserted && R::Traits.autoNumberKey && (UseSQLInsert || KeyValue() == 0)) {
                std::int32_t key = da->LastInsertID();
                if (key == 0) key = da->GetAutoNumberID(self().KeyReadBackSql());
                if (key == 0) {
                    HandleError(KeyReadBackFailed,
                                QStringLiteral("The key of the new row of table ") + m_tableName +
                                    QStringLiteral(" could not be read."),
                                R::Spec().moduleName, QStringLiteral("Save"), false);
                    ok = false;
                } else {
                    self().*keyColumn().longField = key;
                }
            }
            if (ok && began) {
                ok = da->CommitTrans();
                if (ok) began = false;
            }
            if (ok) {
                const std::int32_t action =
                    m_isDeleted ? RecordDeleted : (m_isNew ? RecordInserted : RecordUpdated);
                self().AfterSaved();
                m_isDeleted = m_isNew = m_isDirty = false;
                if (opened) da->CloseConnection();
                // Outside the write's error trap and after the flags are
                // cleared: the handler sees a stored, clean record (a copy it
                // makes is not written again), and nothing it does can turn
                // the stored row into a failed Save.
                if (R::Traits.raisesRecordsetSaved && m_recordsetSaved)
                    savedAction = action;
                else
                    return true;
            }
        } catch (...) {
            const vb::ErrObject& e = vb::CatchError();
            HandleError(e.Number, e.Description, R::Spec().moduleName, QStringLiteral("Save"), false);
        }
        if (savedAction >= 0) {
            m_recordsetSaved(self().SavedKey(), savedAction);
            return true;
        }
        if (da) {
            if (began) da->RollbackTrans();
            if (opened) da->CloseConnection();
        }
        self().*keyColumn().longField = oldKey;
        m_isNew = oldIsNew;
        return false;
    }

    // ---- VAVURDataSourceSingle
    vb::Variant Actions(std::int32_t action) override { return self().ActionsHook(action); }
    void SetData(std::int32_t column, const vb::Variant& value) override { SetByIndex(column, value); }
    void SetDataByName(const QString& columnName, const vb::Variant& value) override
    {
        SetByName(columnName, value);
    }
    vb::Variant GetData(std::int32_t column) override
    {
        if (column < 1 || column > fieldCount()) return vb::Variant(QString());
        return GetDataByName(R::Spec().fieldNames.at(column - 1));
    }
    // Any public property by name (columns, flags, TableName); Empty for a
    // name the class does not have.
    vb::Variant GetDataByName(const QString& name) override
    {
        try {
            for (const auto& c : R::Spec().columns)
                if (c.property.compare(name, Qt::CaseInsensitive) == 0) return valueOf(c);
            if (name.compare(QLatin1String("IsDirty"), Qt::CaseInsensitive) == 0)
                return vb::Variant(m_isDirty);
            if (name.compare(QLatin1String("IsDeleted"), Qt::CaseInsensitive) == 0)
                return vb::Variant(m_isDeleted);
            if (name.compare(QLatin1String("IsNew"), Qt::CaseInsensitive) == 0) return vb::Variant(m_isNew);
            if (name.compare(QLatin1String("Cancel"), Qt::CaseInsensitive) == 0) return vb::Variant(m_cancel);
            if (name.compare(QLatin1String("TableName"), Qt::CaseInsensitive) == 0)
                return vb::Variant(m_tableName);
            vb::Variant extra;
            if (self().ExtraProperty(name, extra)) return extra;
        } catch (...) {
        }
        return vb::Variant();
    }
    std::int32_t GetFieldCount() override { return fieldCount(); }

    static std::int32_t fieldCount() { return std::int32_t(R::Spec().fieldNames.size()); }

protected:
    RecordTemplate() : m_tableName(R::Spec().tableName) {}
    RecordTemplate(const RecordTemplate&) = default;
    RecordTemplate& operator=(const RecordTemplate&) = default;

    // The dirty rule of the column setters: a value that differs (texts
    // exactly, letter case included) is stored and marks the record dirty.
    template <class T, class U> void Assign(T& field, const U& value)
    {
        if (!(field == value)) {
            field = value;
            m_isDirty = true;
        }
    }

    // ---- the template's own hooks
    QString KeyReadBackSql() const { return QStringLiteral("Select Max(ID) as MaxID from ") + m_tableName; }
    QString DeleteSql() const
    {
        return QStringLiteral("delete from ") + m_tableName + QStringLiteral(" Where ") + R::Spec().keyField +
               QStringLiteral(" = ") + FormatSQLNumber(vb::Variant(KeyValue()));
    }
    QString LoadKeyCondition() const
    {
        return QStringLiteral(" Where ") + R::Spec().keyField + QStringLiteral(" = ") +
               FormatSQLNumber(vb::Variant(KeyValue()));
    }
    void AfterLoadrs() {}
    void ClearExtra() {}
    void CopyExtra(const R&) {}
    bool ExtraProperty(const QString&, vb::Variant&) const { return false; }
    vb::Variant ActionsHook(std::int32_t) { return vb::Variant(); }
    vb::Variant SavedKey() const { return vb::Variant(KeyValue()); }
    void AfterSaved() {}
    // Every column of FieldNames except a database-assigned key.
    void FillNewRow(ado::Recordset& rs) const
    {
        for (const QString& name : R::Spec().fieldNames) {
            if (R::Traits.autoNumberKey && name.compare(R::Spec().keyField, Qt::CaseInsensitive) == 0)
                continue;
            if (const RecordColumn<R>* c = columnNamed(name)) rs.Fields().Item(name).SetValue(valueOf(*c));
        }
    }

    bool isNewRecord() const { return m_isNew || (!R::Traits.newOnlyByFlag && KeyValue() == 0); }

    static const RecordColumn<R>* columnNamed(const QString& name)
    {
        for (const auto& c : R::Spec().columns)
            if (c.name.compare(name, Qt::CaseInsensitive) == 0) return &c;
        return nullptr;
    }
    static const RecordColumn<R>& keyColumn()
    {
        static const RecordColumn<R>* key = columnNamed(R::Spec().keyField);
        return *key;
    }

    vb::Variant valueOf(const RecordColumn<R>& c) const
    {
        switch (c.kind) {
        case ColumnKind::Long:
            return vb::Variant(self().*c.longField);
        case ColumnKind::Bool:
            return vb::Variant(self().*c.boolField);
        case ColumnKind::Text:
            break;
        }
        return vb::Variant(self().*c.textField);
    }

private:
    R& self() { return static_cast<R&>(*this); }
    const R& self() const { return static_cast<const R&>(*this); }

    void resetColumn(const RecordColumn<R>& c)
    {
        switch (c.kind) {
        case ColumnKind::Long:
            self().*c.longField = 0;
            break;
        case ColumnKind::Text:
            (self().*c.textField).clear();
            break;
        case ColumnKind::Bool:
            self().*c.boolField = false;
            break;
        }
    }

    // A loaded value goes straight into the field; Null gives 0, "" or False.
    void storeLoaded(const RecordColumn<R>& c, const vb::Variant& v)
    {
        const bool none = v.isNull() || v.isEmpty();
        switch (c.kind) {
        case ColumnKind::Long:
            self().*c.longField = none ? 0 : vb::CLng(v);
            break;
        case ColumnKind::Text:
            self().*c.textField = none ? QString() : vb::CStr(v);
            break;
        case ColumnKind::Bool:
            self().*c.boolField = none ? false : vb::CBool(v);
            break;
        }
    }

    // The insert through a recordset on the shared connection; the new row's
    // key is read from it.
    bool SaveRs()
    {
        std::shared_ptr<ado::Recordset> rs;
        try {
            rs = ado::Recordset::Create();
            rs->SetCursorLocation(ado::adUseServer);
            auto conn = gDataAccess->GetConnection();
            if (!conn) return false;
            rs->Open(QStringLiteral("Select * from ") + m_tableName, conn, ado::adOpenDynamic,
                     ado::adLockOptimistic, ado::adCmdUnspecified);
            rs->AddNew();
            self().FillNewRow(*rs);
            if (R::Traits.insertByBatch)
                rs->UpdateBatch(ado::adAffectAll);
            else
                rs->Update();
            if (R::Traits.autoNumberKey) {
                const vb::Variant key = rs->Value(R::Spec().keyField);
                self().*keyColumn().longField = (key.isNull() || key.isEmpty()) ? 0 : vb::CLng(key);
            }
            rs->Close();
            return true;
        } catch (...) {
            const vb::ErrObject& e = vb::CatchError();
            try {
                if (rs && rs->State() == ado::adStateOpen) rs->Close();
            } catch (...) {
            }
            if (R::Traits.insertReportsErrors)
                HandleError(e.Number, e.Description, R::Spec().moduleName, R::Spec().insertFunction, false);
            return false;
        }
    }

    QString m_tableName;
    bool m_cancel = false;
    bool m_isDirty = false;
    bool m_isDeleted = false;
    bool m_isNew = false;
    RecordsetSavedHandler m_recordsetSaved;
};
