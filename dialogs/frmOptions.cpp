#include "dialogs/frmOptions.h"

#include "core/CDataAccess.h"
#include "core/CDataConnection.h"
#include "core/COption.h"
#include "core/ErrorReport.h"
#include "core/FormGuard.h"
#include "core/Globals.h"
#include "core/MainWindowHost.h"
#include "platform/ado/Connection.h"
#include "platform/ado/ConnectionString.h"
#include "platform/ado/Provider.h"
#include "platform/fso/FileSystemObject.h"
#include "platform/jro/JetEngine.h"
#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/vb/DoEvents.h"
#include "platform/vb/Err.h"
#include "platform/widgets/FormKit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QToolButton>

namespace {

// The connection string of a database file.
QString JetFile(const QString& path)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;") +
           ado::ConnectionItem(QStringLiteral("Data Source"), path);
}

// A picture button that shows when it has the focus, however the focus came
// (Enter presses the focused one): the style draws no mark on a tool button.
class PictureButton : public QToolButton {
public:
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QToolButton::paintEvent(event);
        if (!hasFocus()) return;
        QStylePainter painter(this);
        QStyleOptionFocusRect mark;
        mark.initFrom(this);
        mark.state |= QStyle::State_KeyboardFocusChange;
        mark.rect = rect().adjusted(3, 3, -3, -3);
        mark.backgroundColor = palette().color(QPalette::Button);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, mark);
    }
};

QToolButton* newPictureButton(int index, const QString& caption, QStyle::StandardPixmap picture,
                              QWidget* parent)
{
    auto* button = ui::named(new PictureButton(parent), QStringLiteral("AdminCP_%1").arg(index));
    button->setText(caption);
    button->setIcon(parent->style()->standardIcon(picture));
    button->setIconSize(QSize(24, 24));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(false);
    button->setFocusPolicy(Qt::StrongFocus);
    ui::pressOnEnter(button);
    button->setMinimumSize(QSize(128, 64));
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return button;
}

} // namespace

frmOptions::frmOptions(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options Panel"));
    buildControls();
}

frmOptions::~frmOptions() = default;

void frmOptions::buildControls()
{
    AdminCP[0] = newPictureButton(0, QStringLiteral("Database"), QStyle::SP_DriveNetIcon, this);
    AdminCP[2] = newPictureButton(2, QStringLiteral("Close"), QStyle::SP_DialogCloseButton, this);
    AdminCP[5] = newPictureButton(5, QStringLiteral("Compact Database"), QStyle::SP_DriveHDIcon, this);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(14, 14, 14, 14);
    row->setSpacing(10);
    // Tab order: Database, Close, Compact Database.
    for (int index : {0, 2, 5}) {
        row->addWidget(AdminCP[index]);
        connect(AdminCP[index], &QAbstractButton::clicked, this, [this, index] {
            GuardedHandler(QStringLiteral("frmOptions"), "AdminCP_Click",
                           [this, index] { AdminCP_Click(index); });
        });
    }
    setTabOrder(AdminCP[0], AdminCP[2]);
    setTabOrder(AdminCP[2], AdminCP[5]);
}

void frmOptions::AdminCP_Click(int Index)
{
    switch (Index) {
    case 0:
        EditConnection();
        break;
    case 2:
        close();
        break;
    case 5:
        CompactDatabase();
        break;
    default:
        break;
    }
}

void frmOptions::EditConnection()
{
    if (!gOption) return;
    // With the main window running, a switch must also bring the new
    // database's settings, profiles and DNC tables: the window's own road.
    if (MainWindowHost* window = MainWindow()) {
        window->ChangeDatabase();
        return;
    }
    gOption->ShowODBCSetting(1);
    const QString connectionString = gOption->ConnectionString();
    // An unchanged string writes nothing, even when other fields changed.
    if (connectionString != gConnectionString) {
        gConnectionString = connectionString;
        if (gDataAccess) gDataAccess->SetDefaultConnectionString(connectionString);
        gOption->SaveODBC(QStringLiteral("ODBC"));
    }
}

void frmOptions::CompactDatabase()
{
    try {
        if (ui::MsgBox(QStringLiteral(
                           "It may take a few minutes to compact the DNC database, press Yes to continue."),
                       ui::vbYesNo | ui::vbQuestion) != ui::vbYes)
            return;
        setCursor(Qt::WaitCursor);
        vb::DoEvents();
        if (MakeCompact())
            ui::MsgBox(QStringLiteral("Database has been Compacted successfully!"), ui::vbInformation);
        else
            ui::MsgBox(QStringLiteral("Database Compaction failed! Please try again."), ui::vbExclamation);
    } catch (...) {
        vb::CatchError();
    }
    unsetCursor();
}

QString frmOptions::ProfileDatabasePath() const
{
    QString path = gOption ? gOption->ODBCDatabase() : QString();
    if (!QDir::isAbsolutePath(path)) path = vb::App::Path() + QLatin1Char('/') + path;
    return path;
}

QString frmOptions::WhyNotCompactable(const QString& path) const
{
    if (!gOption || gOption->ODBCProvider() != CDataConnection::JetProvider())
        return QStringLiteral(
            "The database in use is not a database file: only a database file can be compacted.");
    const QFileInfo info(path);
    if (!info.isFile()) return QStringLiteral("The database file '%1' does not exist.").arg(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("The database file '%1' cannot be read.").arg(path);
    const QString notOurs = QStringLiteral("'%1' is not a database file of this program.").arg(path);
    // The embedded engine's files all begin with this header.
    if (file.read(16) != QByteArray("SQLite format 3\0", 16)) return notOurs;
    file.close();
    // Another program's database (a customers file) is no DNC database,
    // whatever its engine: it must hold the program's own tables.
    QStringList tables;
    try {
        auto connection = ado::Connection::Create();
        connection->Open(JetFile(path));
        for (const ado::TableInfo& t : connection->provider()->tables())
            tables << t.name;
        connection->Close();
    } catch (...) {
        return vb::CatchError().Description;
    }
    for (const char* own : {"DefProperty", "DataTypeInfo", "CityState", "GridProperty", "StateFormat"})
        if (!tables.contains(QLatin1String(own), Qt::CaseInsensitive)) return notOurs;
    return QString();
}

bool frmOptions::MakeCompact()
{
    bool result = false;
    try {
        const QString path = ProfileDatabasePath();
        // A server catalog, a missing file or a file of another kind is no
        // database to compact: refuse before anything is touched.
        if (const QString why = WhyNotCompactable(path); !why.isEmpty()) {
            ui::MsgBox(why, ui::vbExclamation);
            return false;
        }

        // The program's own connection would count as a user of the file.
        if (gDataAccess) gDataAccess->CloseConnection();

        // The file is compacted where it is: never renamed or replaced, so
        // it is whole under its name at every moment and keeps its mode,
        // owner and links. A copy an earlier way of compacting left beside
        // it is stale once the file is compacted.
        if (CompactDB(path, path + QStringLiteral("CMP"))) {
            const fso::FileSystemObject fs;
            const QString old = path + QStringLiteral("Old");
            if (fs.FileExists(old)) fs.DeleteFile(old);
            result = true;
        }

        if (gDataAccess) gDataAccess->OpenConnection(QString(), false);
    } catch (...) {
        const vb::ErrObject err = vb::CatchError();
        HandleError(err.Number, err.Description, QStringLiteral("Database Manager"),
                    QStringLiteral("Compact Database"), false);
        result = false;
    }
    return result;
}

bool frmOptions::CompactDB(const QString& source, const QString& destination)
{
    try {
        vb::DoEvents();
        auto engine = jro::JetEngine::Create();
        engine->CompactInPlace(JetFile(source), destination);
        return true;
    } catch (...) {
        const vb::ErrObject& err = vb::CatchError();
        ui::MsgBox(err.Description, ui::vbExclamation);
        return false;
    }
}
