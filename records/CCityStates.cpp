#include "records/CCityStates.h"

CCityStates::CCityStates()
    : CollectionTemplate({QStringLiteral("CityStateID"), QStringLiteral("AreaCode"), QStringLiteral("City"),
                          QStringLiteral("State"), QStringLiteral("Note")})
{
}

template class CollectionTemplate<CCityStates, CCityState>;
