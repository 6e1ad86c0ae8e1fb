#include "records/CStateFormats.h"

CStateFormats::CStateFormats()
    : CollectionTemplate({QStringLiteral("ID"), QStringLiteral("State"), QStringLiteral("FirstLine"),
                          QStringLiteral("Delimited"), QStringLiteral("IncludeQuote"),
                          QStringLiteral("SelectFields")})
{
}

QString CStateFormats::RelatedQuery(const QString& SQLWhereClause) const
{
    return CollectionTemplate::RelatedQuery(SQLWhereClause, QString());
}

bool CStateFormats::LoadRelated(const QString& SQLWhereClause)
{
    return CollectionTemplate::LoadRelated(SQLWhereClause, QString());
}

template class CollectionTemplate<CStateFormats, CStateFormat>;
