#pragma once
// CDefProperty: one program setting, one row of table DefProperty (key,
// display name, value kept as text, kind of the value).

#include "core/RecordTemplate.h"

class CDefProperty : public RecordTemplate<CDefProperty> {
public:
    // Settings are not marked dirty by IsDeleted, are written when dirty or
    // deleted, and their recordset insert commits in one batch and reports
    // its own errors.
    static constexpr RecordTraits Traits{.deletedMarksDirty = false,
                                         .dirtyAloneDecides = false,
                                         .insertByBatch = true,
                                         .insertReportsErrors = true};
    static const RecordSpec<CDefProperty>& Spec();

    // Kinds of DataType.
    enum Kind : std::int32_t { KindNumber = 0, KindLeadingNumber = 1, KindDate = 2, KindText = 3 };

    CDefProperty() = default;

    std::int32_t ID() const { return m_ID; }
    void SetID(std::int32_t value) { Assign(m_ID, value); }
    QString PropertyKeys() const { return m_PropertyKeys; }
    void SetPropertyKeys(const QString& value) { Assign(m_PropertyKeys, value); }
    QString PropertyName() const { return m_PropertyName; }
    void SetPropertyName(const QString& value) { Assign(m_PropertyName, value); }
    QString PropertyValue() const { return m_PropertyValue; }
    void SetPropertyValue(const QString& value) { Assign(m_PropertyValue, value); }
    std::int32_t DataType() const { return m_DataType; }
    void SetDataType(std::int32_t value) { Assign(m_DataType, value); }

    QString StrInsert() const;
    QString StrUpdate() const;

private:
    friend class RecordTemplate<CDefProperty>;
    // A loaded value is brought to the system's form of its kind (010 of
    // kind 0 reads 10, 1.50 of kind 1 reads 1.5, a date of kind 2 its
    // general date text); a value that fails its kind's test stays as it is.
    void AfterLoadrs();

    std::int32_t m_ID = 0;
    QString m_PropertyKeys;
    QString m_PropertyName;
    QString m_PropertyValue;
    std::int32_t m_DataType = 0;
};
