#pragma once
// The program-wide objects a test of the import code needs, pointed at a
// database of the test's own the way start-up points them at the program's,
// and released again afterwards.

#include "core/CDataAccess.h"
#include "core/CDataStrings.h"
#include "core/CDefProperty.h"
#include "core/CDefPropertys.h"
#include "core/COption.h"
#include "core/DataAccessModule.h"
#include "core/Globals.h"
#include "platform/ado/Recordset.h"

#include <QString>
#include <memory>

namespace testsupport {

// Opens the data access, the settings store (seeded) and the shared objects
// on the database the connection string names.
inline void OpenProgramObjects(const QString& connectionString)
{
    gOption = std::make_shared<COption>();
    gOption->SetConnectionString(connectionString);
    gConnectionString = connectionString;
    InitDataAccess();
    gDataAccess->SetDefaultConnectionString(connectionString);
    gPhoneTables = std::make_shared<CDataStrings>();
    gRecordset = ado::Recordset::Create();
    gDefPropertys = std::make_shared<CDefPropertys>();
    gDefPropertys->CheckKeys();
    gDefPropertys->LoadRelated();
}

// Sets a setting of the store, adding its row (a text) when the store has
// none, as a settings file of an older version would leave it.
inline void PutSetting(const QString& key, const QString& value)
{
    auto row = gDefPropertys->Item(key);
    if (!row) {
        row = std::make_shared<CDefProperty>();
        row->SetPropertyKeys(key);
        row->SetPropertyName(key);
        row->SetDataType(CDefProperty::KindText);
        gDefPropertys->AddExisting(row, key);
    }
    row->SetPropertyValue(value);
}

inline void CloseProgramObjects()
{
    CloseDataAccess();
    gDefPropertys.reset();
    gRecordset.reset();
    gPhoneTables.reset();
    gOption.reset();
    gConnectionString.clear();
}

} // namespace testsupport
