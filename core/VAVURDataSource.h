#pragma once
// The two record interfaces through which generic screens work with any
// table's records: VAVURDataSource, a list addressed by column and row, and
// VAVURDataSourceSingle, one record addressed by column number or name.
// Columns are numbered from 1 in the record class's field order, rows from 1
// in list order; row count + 1 stands for a new record at the end. Values
// travel as vb::Variant, Null included.

#include "platform/vb/Variant.h"

#include <QString>
#include <cstdint>
#include <memory>

// One record.
class VAVURDataSourceSingle {
public:
    virtual ~VAVURDataSourceSingle() = default;

    // A record-specific action; Empty from a class without actions.
    virtual vb::Variant Actions(std::int32_t action) = 0;
    virtual void SetData(std::int32_t column, const vb::Variant& value) = 0;
    // Raises to the caller when the record cannot take the value.
    virtual void SetDataByName(const QString& columnName, const vb::Variant& value) = 0;
    // "" outside 1..GetFieldCount.
    virtual QString GetFieldName(std::int32_t column) = 0;
    // "" outside 1..GetFieldCount.
    virtual vb::Variant GetData(std::int32_t column) = 0;
    virtual vb::Variant GetDataByName(const QString& columnName) = 0;
    virtual std::int32_t GetFieldCount() = 0;
    // The record's own Save: bolStartTran wraps the write in a transaction,
    // UseSQLInsert writes a new row with an SQL insert.
    virtual bool Save(bool bolStartTran, bool UseSQLInsert) = 0;
    // Copies every field and flag from another record of the same class.
    virtual void CopyMe(const std::shared_ptr<VAVURDataSourceSingle>& other) = 0;
    virtual void SetIsDeleted(bool value) = 0;
    virtual bool IsDeleted() = 0;
    virtual void SetCancel(bool value) = 0;
    virtual bool Cancel() = 0;
};

// A list of records.
class VAVURDataSource {
public:
    virtual ~VAVURDataSource() = default;

    // Copies record into the list's item with that key; when there is none,
    // a new record made from the copy is added.
    virtual void SetItem(const vb::Variant& key, const std::shared_ptr<VAVURDataSourceSingle>& record) = 0;
    // The item with that key (or position); nullptr when there is none.
    virtual std::shared_ptr<VAVURDataSourceSingle> GetItem(const vb::Variant& key) = 0;
    // "" outside 1..GetFieldCount.
    virtual QString GetFieldName(std::int32_t column) = 0;
    // Null when row is outside 1..GetRecordCount.
    virtual vb::Variant GetData(std::int32_t column, std::int32_t row) = 0;
    // Row GetRecordCount + 1 first appends a new record (without a key);
    // other rows outside the list are ignored.
    virtual void SetData(std::int32_t column, std::int32_t row, const vb::Variant& value) = 0;
    virtual std::int32_t GetRecordCount() = 0;
    virtual std::int32_t GetFieldCount() = 0;
    // Saves every record in list order (see SaveRecordList).
    virtual bool Save(bool bolStartTran, bool UseSQLInsert) = 0;
    // Rows outside the list are ignored (set) or give False (get).
    virtual void SetIsDeleted(std::int32_t row, bool value) = 0;
    virtual bool IsDeleted(std::int32_t row) = 0;
};

// The list side of VAVURDataSource::Save, shared by the collection classes.
// Walks the records from position 1: a record both new and deleted was never
// written, so it is only taken out of the list (the next record moves into
// its position); every other record is saved with the same two arguments.
// The first record whose Save fails ends the walk with false, leaving the
// later records unsaved; reaching the end gives true.
//
// List: Count(), Item(position) giving a pointer-like record, Remove(position).
// Record: IsNew(), IsDeleted(), Save(bool, bool).
template <class List> bool SaveRecordList(List& list, bool bolStartTran, bool UseSQLInsert)
{
    std::int32_t row = 1;
    while (row <= list.Count()) {
        const auto record = list.Item(row);
        if (!record) {
            ++row;
            continue;
        }
        if (record->IsNew() && record->IsDeleted()) {
            list.Remove(row);
            continue;
        }
        if (!record->Save(bolStartTran, UseSQLInsert)) return false;
        ++row;
    }
    return true;
}
