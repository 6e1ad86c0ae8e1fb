#pragma once
// CStateFormat: the saved layout of one state's DNC file, one row of table
// StateFormat: the first data line, the delimiter, whether values stand in
// double quotes, and the fields that make up the phone number.

#include "core/RecordTemplate.h"

class CStateFormat : public RecordTemplate<CStateFormat> {
public:
    static constexpr RecordTraits Traits{};
    static const RecordSpec<CStateFormat>& Spec();

    CStateFormat() = default;

    std::int32_t ID() const { return m_ID; }
    void SetID(std::int32_t value) { Assign(m_ID, value); }
    QString State() const { return m_State; }
    void SetState(const QString& value) { Assign(m_State, value); }
    std::int32_t FirstLine() const { return m_FirstLine; }
    void SetFirstLine(std::int32_t value) { Assign(m_FirstLine, value); }
    QString Delimited() const { return m_Delimited; }
    void SetDelimited(const QString& value) { Assign(m_Delimited, value); }
    bool IncludeQuote() const { return m_IncludeQuote; }
    void SetIncludeQuote(bool value) { Assign(m_IncludeQuote, value); }
    QString SelectFields() const { return m_SelectFields; }
    void SetSelectFields(const QString& value) { Assign(m_SelectFields, value); }

    QString StrInsert() const;
    QString StrUpdate() const;

private:
    friend class RecordTemplate<CStateFormat>;

    std::int32_t m_ID = 0;
    QString m_State;
    std::int32_t m_FirstLine = 0;
    QString m_Delimited;
    bool m_IncludeQuote = false;
    QString m_SelectFields;
};
