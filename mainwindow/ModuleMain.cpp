#include "mainwindow/ModuleMain.h"

#include "core/CDataAccess.h"
#include "core/CDataStrings.h"
#include "core/CDefPropertys.h"
#include "core/CIniFile.h"
#include "core/COption.h"
#include "core/DataAccessModule.h"
#include "core/ErrorReport.h"
#include "core/Globals.h"
#include "dialogs/RegisterDialogs.h"
#include "mainwindow/frmMain.h"
#include "platform/ado/Ado.h"
#include "platform/ado/Connection.h"
#include "platform/ado/ConnectionString.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/SqliteProvider.h"
#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/vb/Err.h"
#include "records/CCityStates.h"
#include "records/CDataTypeInfos.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

frmMain* gMainForm = nullptr;

namespace {

// What the program leaves behind when it ends during start-up.
void EndStartUp()
{
    CloseDataAccess();
    gOption.reset();
    gRecordset.reset();
    gCityStates.reset();
    gDefPropertys.reset();
    gDataTypeInfos.reset();
    gPhoneTables.reset();
    gCurDataTypeInfo.reset();
    delete gMainForm; // never shown; clears gMainForm
    gMainForm = nullptr;
}

// A database file on a network file system is said to be one once: the
// locks that let several desktops share it are not to be trusted there.
void WarnOfNetworkDatabase(const QString& connectionString)
{
    QString file;
    try {
        const ado::ConnectionString cs(connectionString);
        if (ado::ChooseProvider(cs).kind != u"jet") return;
        file = cs.dataSource();
    } catch (...) {
        vb::CatchError();
        return;
    }
    if (!ado::OnNetworkFileSystem(file)) return;
    ui::MsgBox(QStringLiteral("The database file %1 lies in a network folder. Locking is unreliable on "
                              "network file systems: a database file there shared by several desktops "
                              "can be damaged or lose numbers. Keep it on this computer's own disk, or "
                              "use a database server for several desktops.")
                   .arg(file),
               ui::vbExclamation);
}

// A logout (SIGHUP, SIGTERM) ends the program as a close of its window
// does. The handler only notes the signal; the window's thread takes it up.
int g_endPipe[2] = {-1, -1};

extern "C" void NoteEndSignal(int signal)
{
    const char note = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_endPipe[1], &note, 1);
}

void EndOnLogout()
{
    if (g_endPipe[0] >= 0 || !QCoreApplication::instance()) return;
    if (::pipe2(g_endPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(g_endPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char note = 0;
        while (::read(g_endPipe[0], &note, 1) == 1) {
        }
        if (gMainForm) {
            gMainForm->EndSession();
            return;
        }
        // Before the window is there, or after it is gone, the signal ends
        // the program as it would without a handler.
        std::signal(note, SIG_DFL);
        std::raise(note);
    });
    struct sigaction action = {};
    action.sa_handler = NoteEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

} // namespace

void Main()
{
    // A file-size limit (ulimit -f) would otherwise end the program without a
    // word on the write that reaches it; ignored, the write fails and the
    // checked writers report it (57) with the file left as it was.
    std::signal(SIGXFSZ, SIG_IGN);
    EndOnLogout();
    RegisterDialogs();
    if (!vb::App::AcquireInstanceLock()) {
        ui::MsgBox(
            QStringLiteral("Cannot run more than one instance of this application. Please use the currently "
                           "running one."),
            ui::vbOKOnly);
        return;
    }

    gAppPath = vb::App::Path();
    gMainForm = new frmMain();

    gOption = std::make_shared<COption>();
    gOption->Inifile()->SetFullPath(gAppPath + QStringLiteral("/Tervala.ini"));
    gOption->ReadProperty();

    if (gOption->ConnectionString().isEmpty()) {
        ui::MsgBox(QStringLiteral("Database is needed to set before to make any actions!"),
                   ui::vbInformation);
        gOption->ShowODBCSetting(1);
        gOption->SaveODBC(QStringLiteral("ODBC"));
    }

    InitDataAccess();
    CreateGlobalObjects();

    const auto usable = [] { return DatabaseUsable(*gDefPropertys); };
    gDataAccess->SetDefaultConnectionString(gOption->ConnectionString());
    if (!usable()) {
        // Another profile is asked for.
        gOption->ShowODBCSetting(1);
        gOption->SaveODBC(QStringLiteral("ODBC"));
        gDataAccess->SetDefaultConnectionString(gOption->ConnectionString());
        if (!usable()) {
            EndStartUp();
            return;
        }
    }

    WarnOfNetworkDatabase(gOption->ConnectionString());

    try {
        gDefPropertys->LoadRelated(QString());
    } catch (...) {
        vb::CatchError(); // reported by the settings store
    }
    try {
        gDataTypeInfos->LoadRelated(QString(), QString());
        if (gDataTypeInfos->Count() >= 1) gCurDataTypeInfo = gDataTypeInfos->Item(1);
    } catch (...) {
        vb::CatchError(); // reported by the profile list
    }

    gMainForm->LoadPara();
}

namespace {

// Another program's database (a customers file) may have a table named as
// the program's settings table: its columns tell it apart, and the refusal
// says what it is rather than which column is missing.
bool ForeignSettingsTable()
{
    try {
        auto connection = ado::Connection::Create();
        connection->Open(gDataAccess->DefaultConnectionString());
        auto rs = ado::Recordset::Create();
        rs->Open(QStringLiteral("Select PropertyKeys, PropertyName, PropertyValue, DataType from DefProperty "
                                "where 1 = 0"),
                 connection, ado::adOpenForwardOnly, ado::adLockReadOnly);
        rs->Close();
        connection->Close();
    } catch (...) {
        // Every other failure is the settings store's to report.
        if (vb::CatchError().Number != ado::errnum::MissingParameter) return false;
        const QString name = gOption ? gOption->ODBCDatabase() : QString();
        HandleError(ado::errnum::MissingParameter,
                    QStringLiteral("'%1' is not a database of this program.").arg(name),
                    QStringLiteral("CDefPropertys"), QStringLiteral("CheckKeys"));
        return true;
    }
    return false;
}

} // namespace

bool DatabaseUsable(CDefPropertys& settings)
{
    if (!gDataAccess || !gDataAccess->DataComponentsInstalled(QString())) return false;
    if (ForeignSettingsTable()) return false;
    try {
        return settings.CheckKeys();
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, QStringLiteral("CDefPropertys"), QStringLiteral("CheckKeys"));
        return false;
    }
}

void CreateGlobalObjects()
{
    gRecordset = ado::Recordset::Create();
    gPhoneTables = std::make_shared<CDataStrings>();
    gDefPropertys = std::make_shared<CDefPropertys>();
    gDataTypeInfos = std::make_shared<CDataTypeInfos>();
    gCityStates = std::make_shared<CCityStates>();
}

void ReleaseGlobalObjects()
{
    gRecordset.reset();
    gCityStates.reset();
    gDefPropertys.reset();
    gDataTypeInfos.reset();
    gPhoneTables.reset();
    gCurDataTypeInfo.reset();
    CloseDataAccess();
    if (frmMain* form = gMainForm) {
        gMainForm = nullptr;
        form->deleteLater(); // it may be the window whose unload called this
    }
}
