#pragma once
// CPhone: one DNC number of one area-code table ("phone" + area code). The
// number is also the row's key; the record remembers the number of the row
// it stands for (as loaded or last saved), so that changing the number
// updates that row.

#include "core/RecordTemplate.h"

#include <optional>

class CPhone : public RecordTemplate<CPhone> {
public:
    static constexpr RecordTraits Traits{
        .newOnlyByFlag = true, .autoNumberKey = false, .raisesRecordsetSaved = true};
    static const RecordSpec<CPhone>& Spec();

    CPhone() = default;

    std::int32_t Phone() const { return m_Phone; }
    void SetPhone(std::int32_t value) { Assign(m_Phone, value); }

    // The number of the stored row this record stands for; none for a
    // record that was neither loaded nor saved.
    std::optional<std::int32_t> StoredPhone() const { return m_storedPhone; }

    QString StrInsert() const;
    // Sets the new number on the row that holds the stored one.
    QString StrUpdate() const;
    QString StrDelete() const;
    // The query of CheckDuplicate.
    QString CheckDuplicateSql() const;
    // How many rows of the table hold the number; 0 when the query fails.
    std::int32_t CheckDuplicate(bool IncludeID = false) const;

private:
    friend class RecordTemplate<CPhone>;
    // The row a delete or an update addresses.
    std::int32_t rowPhone() const { return m_storedPhone.value_or(m_Phone); }
    QString DeleteSql() const;
    vb::Variant SavedKey() const { return vb::Variant(QString::number(m_Phone)); }
    void AfterLoadrs() { m_storedPhone = m_Phone; }
    void AfterSaved();
    void ClearExtra() { m_storedPhone.reset(); }
    void CopyExtra(const CPhone& source) { m_storedPhone = source.m_storedPhone; }

    std::int32_t m_Phone = 0;
    std::optional<std::int32_t> m_storedPhone;
};
