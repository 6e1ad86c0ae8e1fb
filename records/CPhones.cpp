#include "records/CPhones.h"

CPhones::CPhones() : CollectionTemplate({QStringLiteral("Phone")}) {}

template class CollectionTemplate<CPhones, CPhone>;
