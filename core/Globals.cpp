#include "core/Globals.h"
#include "core/MainWindowHost.h"

QString gAppPath;
QString gConnectionString;

std::shared_ptr<COption> gOption;
std::shared_ptr<CDataAccess> gDataAccess;
std::shared_ptr<ado::Recordset> gRecordset;
std::shared_ptr<CDataStrings> gPhoneTables;
std::shared_ptr<CDefPropertys> gDefPropertys;
std::shared_ptr<CDataTypeInfos> gDataTypeInfos;
std::shared_ptr<CDataTypeInfo> gCurDataTypeInfo;
std::shared_ptr<CCityStates> gCityStates;

namespace {
MainWindowHost* gMainWindowHost = nullptr;
}

MainWindowHost* MainWindow()
{
    return gMainWindowHost;
}

void RegisterMainWindow(MainWindowHost* host)
{
    gMainWindowHost = host;
}

void SetStatusBarText(const QString& text, std::int32_t panel)
{
    if (MainWindowHost* window = MainWindow()) window->SetStatusBar(text, panel);
}
