#include "records/CGridPropertys.h"

CGridPropertys::CGridPropertys()
    : CollectionTemplate({QStringLiteral("ID"), QStringLiteral("ColName"), QStringLiteral("ColCaption"),
                          QStringLiteral("ColWidth"), QStringLiteral("Align"), QStringLiteral("ColFormat"),
                          QStringLiteral("Hidden")})
{
}

QString CGridPropertys::RelatedQuery(const QString& listName) const
{
    return CollectionTemplate::RelatedQuery(QStringLiteral("EmplID=0 and ListName=") +
                                            FormatSQLString(vb::Variant(listName), 1, QStringLiteral("'")));
}

bool CGridPropertys::LoadRelated(const QString& vListName)
{
    if (!vListName.isEmpty()) m_listName = vListName;
    return LoadQuery(RelatedQuery(m_listName), false, QStringLiteral("LoadRelated"));
}

template class CollectionTemplate<CGridPropertys, CGridProperty>;
