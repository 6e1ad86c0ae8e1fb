#include "mainwindow/frmAbout.h"

#include "core/FormGuard.h"
#include "core/Settings.h"
#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/vb/Err.h"
#include "platform/widgets/FormKit.h"

#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kForm = QStringLiteral("frmAbout");
const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");

// The box's picture: a handset crossed out, drawn here.
QPixmap AboutPicture()
{
    QPixmap picture(64, 64);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0, 84, 166));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(2, 2, 60, 60, 12, 12);
    QPainterPath handset;
    handset.moveTo(18, 22);
    handset.cubicTo(18, 40, 26, 46, 42, 46);
    p.setPen(QPen(Qt::white, 8, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(handset);
    p.setPen(QPen(QColor(230, 40, 40), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(14, 50, 50, 14);
    return picture;
}

void SetLinkColour(QLabel* label, bool hover)
{
    label->setStyleSheet(hover ? QStringLiteral("color: #ff0000") : QStringLiteral("color: #0000ff"));
}

} // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(kForm);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setMouseTracking(true);

    Image1 = ui::newLabel("Image1", QString(), this);
    Image1->setPixmap(AboutPicture());
    Image1->setFixedSize(64, 64);
    lblTitle = ui::newLabel("lblTitle", QString(), this);
    QFont title(QStringLiteral("Times New Roman"));
    title.setPointSize(18);
    title.setBold(true);
    lblTitle->setFont(title);
    lblVersion = ui::newLabel("lblVersion", QString(), this);
    cmdOK = ui::newButton("cmdOK", QStringLiteral("OK"), this, 100);
    cmdOK->setDefault(true);
    cmdSysInfo = ui::newButton("cmdSysInfo", QStringLiteral("&System Info..."), this, 100);
    lblWebAddress = ui::newLabel("lblWebAddress", QString(), this);
    lblMailto = ui::newLabel("lblMailto", QString(), this);
    for (QLabel* link : {lblWebAddress, lblMailto}) {
        SetLinkColour(link, false);
        link->setCursor(Qt::PointingHandCursor);
        link->setMouseTracking(true);
        link->installEventFilter(this);
        link->hide();
    }

    auto* text = new QVBoxLayout;
    text->addWidget(lblTitle);
    text->addWidget(lblVersion);
    text->addWidget(lblWebAddress);
    text->addWidget(lblMailto);
    text->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(text, 1);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 12);
    column->addLayout(top, 1);
    column->addWidget(line);
    column->addLayout(buttons);
    resize(400, 220);

    connect(cmdOK, &QPushButton::clicked, this,
            [this] { GuardedHandler(kForm, "cmdOK_Click", [this] { cmdOK_Click(); }); });
    connect(cmdSysInfo, &QPushButton::clicked, this,
            [this] { GuardedHandler(kForm, "cmdSysInfo_Click", [this] { cmdSysInfo_Click(); }); });
}

void frmAbout::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_loaded) return;
    m_loaded = true;
    GuardedHandler(kForm, "Form_Load", [this] { Form_Load(); });
}

void frmAbout::Form_Load()
{
    setWindowTitle(QStringLiteral("About ") + vb::App::Title());
    lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                            .arg(vb::App::Major())
                            .arg(vb::App::Minor())
                            .arg(vb::App::Revision()));
    lblTitle->setText(vb::App::Title());
}

void frmAbout::cmdOK_Click()
{
    close();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

bool frmAbout::GetKeyValue(std::int32_t KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                           QString& KeyVal)
{
    (void)KeyRoot; // the stand-in keeps one tree
    const std::optional<QString> value = ui::services().RegistryValue(KeyName, SubKeyRef);
    if (!value) {
        KeyVal.clear();
        return false;
    }
    KeyVal = *value;
    // A stored text may carry its terminating zero.
    if (KeyVal.endsWith(QChar(u'\0'))) KeyVal.chop(1);
    return true;
}

void frmAbout::StartSysInfo()
{
    bool started = false;
    try {
        QString path;
        if (GetKeyValue(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                        QStringLiteral("PATH"), path)) {
            started = ui::services().StartProgram(path, {});
        } else if (GetKeyValue(HKEY_LOCAL_MACHINE,
                               QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                               QStringLiteral("MSINFO"), path)) {
            const QString tool = path + QStringLiteral("/MSINFO32.EXE");
            if (QFileInfo(tool).isFile()) started = ui::services().StartProgram(tool, {});
        }
    } catch (...) {
        vb::CatchError();
        started = false;
    }
    if (!started) ui::MsgBox(kUnavailable, ui::vbOKOnly, vb::App::Title());
}

void frmAbout::lblMailto_Click()
{
    SetLinkColour(lblMailto, false);
    ui::services().OpenDocument(QStringLiteral("mailto:") + SettingText(QStringLiteral("defaultemail")));
}

void frmAbout::lblWebAddress_Click()
{
    SetLinkColour(lblWebAddress, false);
    ui::services().OpenDocument(SettingText(QStringLiteral("webhttp")));
}

void frmAbout::mouseMoveEvent(QMouseEvent* event)
{
    SetLinkColour(lblWebAddress, false);
    SetLinkColour(lblMailto, false);
    QDialog::mouseMoveEvent(event);
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lblMailto || watched == lblWebAddress) {
        QLabel* other = watched == lblMailto ? lblWebAddress : lblMailto;
        if (event->type() == QEvent::MouseMove) {
            SetLinkColour(static_cast<QLabel*>(watched), true);
            SetLinkColour(other, false);
        } else if (event->type() == QEvent::MouseButtonRelease) {
            if (watched == lblMailto)
                GuardedHandler(kForm, "lblMailto_Click", [this] { lblMailto_Click(); });
            else
                GuardedHandler(kForm, "lblWebAddress_Click", [this] { lblWebAddress_Click(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
