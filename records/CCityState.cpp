#include "records/CCityState.h"
#include "core/SqlLiterals.h"

using namespace sqllit;

const RecordSpec<CCityState>& CCityState::Spec()
{
    using C = RecordColumn<CCityState>;
    static const RecordSpec<CCityState> spec{
        QStringLiteral("CCityState"),
        QStringLiteral("CityState"),
        QStringLiteral("CityStateID"),
        {QStringLiteral("CityStateID"), QStringLiteral("AreaCode"), QStringLiteral("City"),
         QStringLiteral("State"), QStringLiteral("Note")},
        {C::Long(QStringLiteral("CityStateID"), &CCityState::m_CityStateID),
         C::Text(QStringLiteral("AreaCode"), &CCityState::m_AreaCode),
         C::Text(QStringLiteral("City"), &CCityState::m_City),
         C::Text(QStringLiteral("State"), &CCityState::m_State),
         C::Text(QStringLiteral("Note"), &CCityState::m_Note)}};
    return spec;
}

QString CCityState::StrInsert() const
{
    return QStringLiteral("Insert Into ") + TableName() +
           QStringLiteral(" (AreaCode,City,State,[Note]) Values (") + S(m_AreaCode) + "," + S(m_City) + "," +
           S(m_State) + "," + S(m_Note) + ")";
}

QString CCityState::StrUpdate() const
{
    return QStringLiteral("Update ") + TableName() + QStringLiteral(" Set ") + "AreaCode =" + S(m_AreaCode) +
           "," + "City =" + S(m_City) + "," + "State =" + S(m_State) + "," + "[Note] =" + S(m_Note) + " " +
           " Where CityStateID = " + N(m_CityStateID);
}

QString CCityState::CheckDuplicateSql(bool IncludeID) const
{
    // The area code is quoted like every other value, so a quote in it can
    // neither break the query nor change what it asks.
    QString sql = QStringLiteral("Select CityStateID from ") + TableName() + QStringLiteral(" where ") +
                  QStringLiteral("AreaCode=") + S(m_AreaCode) + QStringLiteral(" and City=") + S(m_City);
    if (m_CityStateID != 0 && IncludeID) sql += QStringLiteral(" And CityStateID <> ") + N(m_CityStateID);
    return sql;
}

std::int32_t CCityState::CheckDuplicate(bool IncludeID) const
{
    if (!gDataAccess) return 0;
    return gDataAccess->GetAutoNumberID(CheckDuplicateSql(IncludeID));
}

template class RecordTemplate<CCityState>;
