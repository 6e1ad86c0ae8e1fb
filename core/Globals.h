#pragma once
// The program-wide objects of start-up. CreateGlobalObjects and
// ReleaseGlobalObjects create and release them; code that may run without
// them (tests, early start-up, shut-down) checks for null.

#include <QString>
#include <memory>

class COption;
class CDataAccess;
class CDataStrings;
class CDefPropertys;
class CDataTypeInfos;
class CDataTypeInfo;
class CCityStates;
namespace ado {
class Recordset;
}

extern QString gAppPath;          // the program folder
extern QString gConnectionString; // the DNC database connection string the main window works with

extern std::shared_ptr<COption> gOption;                // the connection profile in "Tervala.ini"
extern std::shared_ptr<CDataAccess> gDataAccess;        // the one data access object
extern std::shared_ptr<ado::Recordset> gRecordset;      // the shared recordset
extern std::shared_ptr<CDataStrings> gPhoneTables;      // the names of the DNC tables
extern std::shared_ptr<CDefPropertys> gDefPropertys;    // the settings store
extern std::shared_ptr<CDataTypeInfos> gDataTypeInfos;  // the data-source profiles
extern std::shared_ptr<CDataTypeInfo> gCurDataTypeInfo; // the current data-source profile
extern std::shared_ptr<CCityStates> gCityStates;        // area code/city/state rows; never loaded
