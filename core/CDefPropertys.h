#pragma once
// CDefPropertys: the settings store, every row of table DefProperty keyed by
// its setting key (compared without regard to case). CheckKeys seeds the
// default rows; LoadRelated loads them ordered by display name.

#include "core/CDefProperty.h"
#include "core/CollectionTemplate.h"

#include <vector>

class CDefPropertys : public CollectionTemplate<CDefPropertys, CDefProperty> {
public:
    static inline const QString ModuleName = QStringLiteral("CDefPropertys");

    // One seeded setting.
    struct DefaultSetting {
        QString key;
        QString name;
        QString value;
        std::int32_t kind;
    };
    // Every seeded setting with its default, in seeding order.
    static std::vector<DefaultSetting> DefaultSettings();

    CDefPropertys();

    // Inserts every default row that table DefProperty lacks (each in a
    // transaction of its own); existing rows are never changed. The list is
    // left as the table was before: the caller loads it afterwards.
    // False when the settings could not be read or a missing one could not be
    // added (reported once, by the layer that met it); nothing more is tried.
    bool CheckKeys();
    // Clears the list and loads the rows the clause selects (WHERE rule),
    // ordered by display name. Of rows whose keys differ only in letter case
    // the first by display name is held.
    bool LoadRelated(const QString& SQLWhereClause = {});

    // The value of a setting, or fallback when the store has no row for it.
    QString ValueOf(const QString& key, const QString& fallback = {}) const;

private:
    friend class CollectionTemplate<CDefPropertys, CDefProperty>;
    QString OrderClause() const { return QStringLiteral(" order by PropertyName"); }
    QString LoadKey(const CDefProperty& r) const { return r.PropertyKeys(); }
};
