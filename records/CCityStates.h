#pragma once
// CCityStates: a list of area code/city/state rows, keyed ":" and the
// CityStateID.

#include "core/CollectionTemplate.h"
#include "records/CCityState.h"

class CCityStates : public CollectionTemplate<CCityStates, CCityState> {
public:
    static inline const QString ModuleName = QStringLiteral("CCityStates");

    CCityStates();

    using CollectionTemplate::Save;
    // Save (True, True) on every row in order, without stopping at a
    // failure; the last row's result, False for an empty list.
    bool Save(const vb::Variant& unused = vb::Variant()) { return SaveEach(); }

private:
    friend class CollectionTemplate<CCityStates, CCityState>;
};
