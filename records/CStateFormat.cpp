#include "records/CStateFormat.h"
#include "core/SqlLiterals.h"

using namespace sqllit;

const RecordSpec<CStateFormat>& CStateFormat::Spec()
{
    using C = RecordColumn<CStateFormat>;
    static const RecordSpec<CStateFormat> spec{
        QStringLiteral("CStateFormat"),
        QStringLiteral("StateFormat"),
        QStringLiteral("ID"),
        {QStringLiteral("ID"), QStringLiteral("State"), QStringLiteral("FirstLine"),
         QStringLiteral("Delimited"), QStringLiteral("IncludeQuote"), QStringLiteral("SelectFields")},
        {C::Long(QStringLiteral("ID"), &CStateFormat::m_ID),
         C::Text(QStringLiteral("State"), &CStateFormat::m_State),
         C::Long(QStringLiteral("FirstLine"), &CStateFormat::m_FirstLine),
         C::Text(QStringLiteral("Delimited"), &CStateFormat::m_Delimited),
         C::Bool(QStringLiteral("IncludeQuote"), &CStateFormat::m_IncludeQuote),
         C::Text(QStringLiteral("SelectFields"), &CStateFormat::m_SelectFields)}};
    return spec;
}

QString CStateFormat::StrInsert() const
{
    return QStringLiteral("Insert Into ") + TableName() +
           QStringLiteral(" (State,FirstLine,Delimited,IncludeQuote,SelectFields) Values (") + S(m_State) +
           "," + N(m_FirstLine) + "," + S(m_Delimited) + "," + B(m_IncludeQuote) + "," + S(m_SelectFields) +
           ")";
}

QString CStateFormat::StrUpdate() const
{
    return QStringLiteral("Update ") + TableName() + QStringLiteral(" Set ") + "State =" + S(m_State) + "," +
           "FirstLine =" + N(m_FirstLine) + "," + "Delimited =" + S(m_Delimited) + "," +
           "IncludeQuote =" + B(m_IncludeQuote) + "," + "SelectFields =" + S(m_SelectFields) + " " +
           " Where ID = " + N(m_ID);
}

template class RecordTemplate<CStateFormat>;
