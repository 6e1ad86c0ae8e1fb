#pragma once
// CStateFormats: the saved per-state layouts, keyed ":" and the ID when
// loaded; the format transfer reaches them by position.

#include "core/CollectionTemplate.h"
#include "records/CStateFormat.h"

class CStateFormats : public CollectionTemplate<CStateFormats, CStateFormat> {
public:
    static inline const QString ModuleName = QStringLiteral("CStateFormats");

    CStateFormats();

    // Clears the list and loads the rows the clause selects, ordered by State.
    bool LoadRelated(const QString& SQLWhereClause = {});
    QString RelatedQuery(const QString& SQLWhereClause = {}) const;

private:
    friend class CollectionTemplate<CStateFormats, CStateFormat>;
    using CollectionTemplate::LoadRecordset;
    QString OrderClause() const { return QStringLiteral(" Order By State"); }
};
