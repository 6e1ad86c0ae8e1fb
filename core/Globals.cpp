#include "core/Globals.h"

QString gAppPath;
frmMain* gMainForm = nullptr;
QString gConnectionString;

std::shared_ptr<COption> gOption;
std::shared_ptr<CDataAccess> gDataAccess;
std::shared_ptr<ado::Recordset> gRecordset;
std::shared_ptr<CDataStrings> gPhoneTables;
std::shared_ptr<CDefPropertys> gDefPropertys;
std::shared_ptr<CDataTypeInfos> gDataTypeInfos;
std::shared_ptr<CDataTypeInfo> gCurDataTypeInfo;
std::shared_ptr<CCityStates> gCityStates;
