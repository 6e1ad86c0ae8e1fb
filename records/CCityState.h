#pragma once
// CCityState: one reference row of table CityState tying an area code to a
// city and a state, with a free note.

#include "core/RecordTemplate.h"

class CCityState : public RecordTemplate<CCityState> {
public:
    static constexpr RecordTraits Traits{
        .sqlInsertSetsIsNew = true, .updateClearsIsNew = true, .raisesRecordsetSaved = true};
    static const RecordSpec<CCityState>& Spec();

    CCityState() = default;

    std::int32_t CityStateID() const { return m_CityStateID; }
    void SetCityStateID(std::int32_t value) { Assign(m_CityStateID, value); }
    QString AreaCode() const { return m_AreaCode; }
    void SetAreaCode(const QString& value) { Assign(m_AreaCode, value); }
    QString City() const { return m_City; }
    void SetCity(const QString& value) { Assign(m_City, value); }
    QString State() const { return m_State; }
    void SetState(const QString& value) { Assign(m_State, value); }
    QString Note() const { return m_Note; }
    void SetNote(const QString& value) { Assign(m_Note, value); }

    QString StrInsert() const;
    QString StrUpdate() const;
    // The query of CheckDuplicate.
    QString CheckDuplicateSql(bool IncludeID) const;
    // The key of a stored row with the same area code and city (other than
    // this record's own row when IncludeID is set and the record is
    // stored); 0 when there is none or the query fails.
    std::int32_t CheckDuplicate(bool IncludeID) const;

private:
    friend class RecordTemplate<CCityState>;
    QString KeyReadBackSql() const { return QStringLiteral("SELECT @@IDENTITY AS 'Identity' "); }
    // Action 1 is the duplicate check the edit screen asks before it saves.
    vb::Variant ActionsHook(std::int32_t action) const
    {
        return action == 1 ? vb::Variant(CheckDuplicate(true)) : vb::Variant();
    }

    std::int32_t m_CityStateID = 0;
    QString m_AreaCode;
    QString m_City;
    QString m_State;
    QString m_Note;
};
