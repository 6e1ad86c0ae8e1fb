#include "records/CPhone.h"

namespace {

QString N(std::int32_t value)
{
    return FormatSQLNumber(vb::Variant(value));
}

} // namespace

const RecordSpec<CPhone>& CPhone::Spec()
{
    using C = RecordColumn<CPhone>;
    static const RecordSpec<CPhone> spec{QStringLiteral("CPhone"),
                                         QStringLiteral("Phone"),
                                         QStringLiteral("Phone"),
                                         {QStringLiteral("Phone")},
                                         {C::Long(QStringLiteral("Phone"), &CPhone::m_Phone)}};
    return spec;
}

QString CPhone::StrInsert() const
{
    return QStringLiteral("Insert Into ") + TableName() + QStringLiteral(" (Phone) Values (") + N(m_Phone) +
           QStringLiteral(")");
}

QString CPhone::StrUpdate() const
{
    return QStringLiteral("Update ") + TableName() + QStringLiteral(" Set ") + QStringLiteral("Phone =") +
           N(m_Phone) + QStringLiteral(" ") + QStringLiteral(" Where Phone = ") + N(rowPhone());
}

QString CPhone::StrDelete() const
{
    return QStringLiteral("Delete From ") + TableName() + QStringLiteral(" Where Phone = ") + N(rowPhone());
}

QString CPhone::DeleteSql() const
{
    return QStringLiteral("delete from ") + TableName() + QStringLiteral(" Where Phone = ") + N(rowPhone());
}

QString CPhone::CheckDuplicateSql() const
{
    return QStringLiteral("Select count(*) from ") + TableName() + QStringLiteral(" where ") +
           QStringLiteral("phone=") + QString::number(m_Phone);
}

std::int32_t CPhone::CheckDuplicate(bool) const
{
    if (!gDataAccess) return 0;
    return gDataAccess->GetAutoNumberID(CheckDuplicateSql());
}

void CPhone::AfterSaved()
{
    // A deleted row is gone; any other write leaves the row holding the
    // current number.
    if (IsDeleted())
        m_storedPhone.reset();
    else
        m_storedPhone = m_Phone;
}

template class RecordTemplate<CPhone>;
