#include "core/Globals.h"
#include "core/MainWindowHost.h"
#include "platform/vb/Waiting.h"

#include <QCoreApplication>
#include <QThread>

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

namespace {

// A wait on another desktop or on the server, on the window's thread: the
// window says what it waits for and is drawn; when it is over, the status
// line it replaced comes back, unless the line was written anew meanwhile.
// What the user types or clicks meanwhile waits too: no handler of the
// window runs inside the statement that waits.
void ShowWait(const QString& what)
{
    const QCoreApplication* app = QCoreApplication::instance();
    MainWindowHost* window = MainWindow();
    if (!app || !window || QThread::currentThread() != app->thread()) return;
    static QString before, shown;
    const QString now = window->StatusBar(1);
    if (shown.isEmpty() || now != shown) before = now;
    if (what.isEmpty()) {
        if (!shown.isEmpty() && now == shown) window->SetStatusBar(before, 1);
        shown.clear();
    } else {
        window->SetStatusBar(what, 1);
        shown = what;
    }
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

void RegisterMainWindow(MainWindowHost* host)
{
    gMainWindowHost = host;
    vb::SetWaitHook(host ? vb::WaitHook(ShowWait) : vb::WaitHook());
}

void SetStatusBarText(const QString& text, std::int32_t panel)
{
    if (MainWindowHost* window = MainWindow()) window->SetStatusBar(text, panel);
}
