#include "core/CDefProperty.h"
#include "core/SqlLiterals.h"

#include "platform/vb/Conversion.h"

using namespace sqllit;

const RecordSpec<CDefProperty>& CDefProperty::Spec()
{
    using C = RecordColumn<CDefProperty>;
    static const RecordSpec<CDefProperty> spec{
        QStringLiteral("CDefProperty"),
        QStringLiteral("DefProperty"),
        QStringLiteral("ID"),
        {QStringLiteral("ID"), QStringLiteral("PropertyKeys"), QStringLiteral("PropertyName"),
         QStringLiteral("PropertyValue"), QStringLiteral("DataType")},
        {C::Long(QStringLiteral("ID"), &CDefProperty::m_ID),
         C::Text(QStringLiteral("PropertyKeys"), &CDefProperty::m_PropertyKeys),
         C::Text(QStringLiteral("PropertyName"), &CDefProperty::m_PropertyName),
         C::Text(QStringLiteral("PropertyValue"), &CDefProperty::m_PropertyValue),
         C::Long(QStringLiteral("DataType"), &CDefProperty::m_DataType)},
        QStringLiteral("SaveRs")};
    return spec;
}

QString CDefProperty::StrInsert() const
{
    return QStringLiteral("Insert Into ") + TableName() +
           QStringLiteral(" (PropertyKeys,PropertyName,PropertyValue,DataType) Values (") +
           S(m_PropertyKeys) + QStringLiteral(",") + S(m_PropertyName) + QStringLiteral(",") +
           S(m_PropertyValue) + QStringLiteral(",") + N(m_DataType) + QStringLiteral(")");
}

QString CDefProperty::StrUpdate() const
{
    return QStringLiteral("Update ") + TableName() + QStringLiteral(" Set ") +
           QStringLiteral("PropertyKeys =") + S(m_PropertyKeys) + QStringLiteral(",") +
           QStringLiteral("PropertyName =") + S(m_PropertyName) + QStringLiteral(",") +
           QStringLiteral("PropertyValue =") + S(m_PropertyValue) + QStringLiteral(",") +
           QStringLiteral("DataType =") + N(m_DataType) + QStringLiteral(" ") +
           QStringLiteral(" Where ID = ") + N(m_ID);
}

void CDefProperty::AfterLoadrs()
{
    const vb::Variant value(m_PropertyValue);
    switch (m_DataType) {
    case KindNumber:
        if (vb::IsNumeric(value)) m_PropertyValue = vb::CStr(vb::Variant(vb::CDbl(value)));
        break;
    case KindLeadingNumber:
        if (vb::IsNumeric(value)) m_PropertyValue = vb::CStr(vb::Variant(vb::Val(m_PropertyValue)));
        break;
    case KindDate:
        if (vb::IsDate(value)) m_PropertyValue = vb::CStr(vb::CVDate(value));
        break;
    default:
        break;
    }
}

template class RecordTemplate<CDefProperty>;
