#include "records/CGridProperty.h"
#include "core/SqlLiterals.h"

using namespace sqllit;

const RecordSpec<CGridProperty>& CGridProperty::Spec()
{
    using C = RecordColumn<CGridProperty>;
    static const RecordSpec<CGridProperty> spec{
        QStringLiteral("CGridProperty"),
        QStringLiteral("GridProperty"),
        QStringLiteral("ID"),
        {QStringLiteral("ID"), QStringLiteral("EmplID"), QStringLiteral("ColName"),
         QStringLiteral("ColCaption"), QStringLiteral("ColWidth"), QStringLiteral("Align"),
         QStringLiteral("ControlType"), QStringLiteral("ColFormat"), QStringLiteral("Hidden"),
         QStringLiteral("Editable"), QStringLiteral("ListName")},
        {C::Long(QStringLiteral("ID"), &CGridProperty::m_ID),
         C::Long(QStringLiteral("EmplID"), &CGridProperty::m_EmplID),
         C::Text(QStringLiteral("ColName"), &CGridProperty::m_ColName),
         C::Text(QStringLiteral("ColCaption"), &CGridProperty::m_ColCaption),
         C::Long(QStringLiteral("ColWidth"), &CGridProperty::m_ColWidth),
         C::Long(QStringLiteral("Align"), &CGridProperty::m_Align),
         C::Long(QStringLiteral("ControlType"), &CGridProperty::m_ControlType),
         C::Text(QStringLiteral("ColFormat"), &CGridProperty::m_ColFormat),
         // Known by name as AdditionalInfo; its property is AddtionalInfo.
         C::Text(QStringLiteral("AdditionalInfo"), &CGridProperty::m_AddtionalInfo,
                 QStringLiteral("AddtionalInfo")),
         C::Bool(QStringLiteral("Hidden"), &CGridProperty::m_Hidden),
         C::Bool(QStringLiteral("Editable"), &CGridProperty::m_Editable),
         C::Text(QStringLiteral("ListName"), &CGridProperty::m_ListName)}};
    return spec;
}

QString CGridProperty::StrInsert() const
{
    return QStringLiteral("Insert Into ") + TableName() +
           QStringLiteral(" (EmplID,ColName,ColCaption,ColWidth,Align,ControlType,ColFormat,Hidden,Editable,"
                          "ListName) Values (") +
           N(m_EmplID) + "," + S(m_ColName) + "," + S(m_ColCaption) + "," + N(m_ColWidth) + "," + N(m_Align) +
           "," + N(m_ControlType) + "," + S(m_ColFormat) + "," + B(m_Hidden) + "," + B(m_Editable) + "," +
           S(m_ListName) + ")";
}

QString CGridProperty::StrUpdate() const
{
    return QStringLiteral("Update ") + TableName() + QStringLiteral(" Set ") + "EmplID =" + N(m_EmplID) +
           "," + "ColName =" + S(m_ColName) + "," + "ColCaption =" + S(m_ColCaption) + "," +
           "ColWidth =" + N(m_ColWidth) + "," + "Align =" + N(m_Align) + "," +
           "ControlType =" + N(m_ControlType) + "," + "ColFormat =" + S(m_ColFormat) + "," +
           "Hidden =" + B(m_Hidden) + "," + "Editable =" + B(m_Editable) + "," +
           "ListName =" + S(m_ListName) + " " + " Where ID = " + N(m_ID);
}

template class RecordTemplate<CGridProperty>;
