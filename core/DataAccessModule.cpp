#include "core/DataAccessModule.h"

#include "core/CDataAccess.h"
#include "core/Globals.h"

#include <memory>

void InitDataAccess()
{
    gDataAccess = std::make_shared<CDataAccess>();
}

void CloseDataAccess()
{
    try {
        if (gDataAccess) gDataAccess->CloseConnection();
    } catch (...) {
    }
    gDataAccess.reset();
}
