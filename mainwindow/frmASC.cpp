#include "mainwindow/frmASC.h"

#include "core/FormGuard.h"
#include "core/Settings.h"
#include "dialogs/FileDialogs.h"
#include "mainwindow/SourceViewer.h"
#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"
#include "platform/widgets/FormKit.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kForm = QStringLiteral("frmASC");

// The setting each check box of the array stands for.
QString OptionKey(std::int32_t index)
{
    switch (index) {
    case 0:
        return QStringLiteral("addareacode");
    case 2:
        return QStringLiteral("exportok");
    case 3:
        return QStringLiteral("exportdnc");
    case 4:
        return QStringLiteral("backuporginal");
    case 5:
        return QStringLiteral("nacnotindnc");
    default:
        return {};
    }
}

QString CheckValue(const QCheckBox* box)
{
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

frmASC::frmASC(QWidget* parent) : QDialog(parent)
{
    setObjectName(kForm);
    setWindowTitle(QStringLiteral("Additional Scrubbing Options"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildControls();
    resize(560, 330);
}

void frmASC::buildControls()
{
    XPFrame1 = ui::named(new QGroupBox(QStringLiteral("Additional Scrubbing Options"), this), "XPFrame1");
    QWidget* inner = ui::framed(XPFrame1);
    const std::pair<std::int32_t, const char*> boxes[] = {
        {0, "For seven digit phone numbers, use this area code:"},
        {2, "Export OK to call records to a new file "},
        {3, "Export DNC records to a new file "},
        {4, "Backup Original File (Text, FoxPro,Excel, MS-Access)"},
        {5, "Delete Numbers with Area Codes not in DNC Area Codes"},
    };
    for (const auto& [index, caption] : boxes) {
        auto* box = new QCheckBox(QString::fromLatin1(caption), inner);
        chkOptions.Add(index, box, QStringLiteral("chkOptions"));
        connect(box, &QCheckBox::toggled, this, [this, index = index] {
            GuardedHandler(kForm, "chkOptions_Click", [this, index] { chkOptions_Click(index); });
        });
    }
    defaultcode = ui::newEdit("defaultcode", inner);
    defaultcode->setMaximumWidth(70);
    OKFile = ui::newEdit("OKFile", inner);
    OKBrowser = ui::newButton("OKBrowser", QStringLiteral("Browser"), inner, 80);
    OKView = ui::newButton("OKView", QStringLiteral("&View"), inner, 80);
    DNCFile = ui::newEdit("DNCFile", inner);
    DNCBrowser = ui::newButton("DNCBrowser", QStringLiteral("Browser"), inner, 80);
    DNCView = ui::newButton("DNCView", QStringLiteral("&View"), inner, 80);
    Label11 = ui::newLabel("Label11", QStringLiteral("Data Format"), inner);
    chkFormat = ui::named(new QCheckBox(QStringLiteral("(,  ), - and Space"), inner), "chkFormat");
    txtFormatChar = ui::newEdit("txtFormatChar", inner);
    txtFormatChar->setText(QStringLiteral("(,),-, ,#"));
    for (QWidget* hidden : {static_cast<QWidget*>(Label11), static_cast<QWidget*>(chkFormat),
                            static_cast<QWidget*>(txtFormatChar)})
        hidden->hide();
    XPButton1 = ui::newButton("XPButton1", QStringLiteral("&Close"), this, 88);

    auto* grid = new QGridLayout(inner);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setVerticalSpacing(6);
    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(chkOptions(0));
    codeRow->addWidget(defaultcode);
    codeRow->addStretch(1);
    grid->addLayout(codeRow, 0, 0, 1, 3);
    grid->addWidget(chkOptions(2), 1, 0, 1, 3);
    grid->addWidget(OKFile, 2, 0);
    grid->addWidget(OKBrowser, 2, 1);
    grid->addWidget(OKView, 2, 2);
    grid->addWidget(chkOptions(3), 3, 0, 1, 3);
    grid->addWidget(DNCFile, 4, 0);
    grid->addWidget(DNCBrowser, 4, 1);
    grid->addWidget(DNCView, 4, 2);
    grid->addWidget(chkOptions(4), 5, 0, 1, 3);
    grid->addWidget(chkOptions(5), 6, 0, 1, 3);
    grid->setColumnStretch(0, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(XPButton1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 10, 10, 10);
    column->addWidget(XPFrame1);
    column->addLayout(buttons);

    const auto onText = [this](QLineEdit* box, const char* name, void (frmASC::*handler)()) {
        connect(box, &QLineEdit::textChanged, this, [this, name, handler] {
            GuardedHandler(kForm, name, [this, handler] { (this->*handler)(); });
        });
    };
    onText(defaultcode, "defaultcode_Change", &frmASC::defaultcode_Change);
    onText(OKFile, "OKFile_Change", &frmASC::OKFile_Change);
    onText(DNCFile, "DNCFile_Change", &frmASC::DNCFile_Change);
    onText(txtFormatChar, "txtFormatChar_Change", &frmASC::txtFormatChar_Change);
    connect(chkFormat, &QCheckBox::toggled, this,
            [this] { GuardedHandler(kForm, "chkFormat_Click", [this] { chkFormat_Click(); }); });
    const auto onClick = [this](QPushButton* button, const char* name, void (frmASC::*handler)()) {
        connect(button, &QPushButton::clicked, this, [this, name, handler] {
            GuardedHandler(kForm, name, [this, handler] { (this->*handler)(); });
        });
    };
    onClick(OKBrowser, "OKBrowser_Click", &frmASC::OKBrowser_Click);
    onClick(DNCBrowser, "DNCBrowser_Click", &frmASC::DNCBrowser_Click);
    onClick(OKView, "OKView_Click", &frmASC::OKView_Click);
    onClick(DNCView, "DNCView_Click", &frmASC::DNCView_Click);
    onClick(XPButton1, "XPButton1_Click", &frmASC::XPButton1_Click);
}

void frmASC::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_loaded) return;
    m_loaded = true;
    GuardedHandler(kForm, "Form_Load", [this] { Form_Load(); });
}

void frmASC::Form_Load()
{
    LoadOptions();
}

void frmASC::LoadOptions()
{
    m_loading = true;
    const auto check = [](QCheckBox* box, const QString& key) {
        vb::ResumeNext([&] { box->setChecked(vb::CLng(vb::Variant(SettingValue(key))) != 0); });
    };
    check(chkOptions(0), QStringLiteral("addareacode"));
    vb::ResumeNext([&] { defaultcode->setText(SettingValue(QStringLiteral("defaultcode"))); });
    for (std::int32_t index : {2, 3, 4, 5})
        check(chkOptions(index), OptionKey(index));
    check(chkFormat, QStringLiteral("markformat"));
    vb::ResumeNext([&] { txtFormatChar->setText(SettingValue(QStringLiteral("formatchar"))); });
    vb::ResumeNext([&] { OKFile->setText(SettingValue(QStringLiteral("okfile"))); });
    vb::ResumeNext([&] { DNCFile->setText(SettingValue(QStringLiteral("dncfile"))); });
    m_loading = false;
}

void frmASC::chkOptions_Click(std::int32_t Index)
{
    if (m_loading || Index > 5) return;
    QCheckBox* box = chkOptions(Index);
    if (!box) return;
    if (Index == 5 && box->isChecked()) {
        const int answer = ui::MsgBox(
            QStringLiteral("You have selected to Delete or Mark any numbers with Area Codes NOT in "
                           "your DNC Database! ") +
                QStringLiteral("\r\n") + QStringLiteral(" Do you wish to continue?"),
            ui::vbYesNo | ui::vbQuestion, vb::App::Title());
        if (answer == ui::vbNo) {
            // Unchecking stores "0" through this handler again.
            box->setChecked(false);
            return;
        }
    }
    SetSetting(OptionKey(Index), CheckValue(box));
}

void frmASC::chkFormat_Click()
{
    SetSetting(QStringLiteral("markformat"), CheckValue(chkFormat));
}

void frmASC::defaultcode_Change()
{
    SetSetting(QStringLiteral("defaultcode"), defaultcode->text());
}

void frmASC::OKFile_Change()
{
    SetSetting(QStringLiteral("okfile"), OKFile->text());
}

void frmASC::DNCFile_Change()
{
    SetSetting(QStringLiteral("dncfile"), DNCFile->text());
}

void frmASC::txtFormatChar_Change()
{
    SetSetting(QStringLiteral("formatchar"), txtFormatChar->text());
}

void frmASC::BrowseResultFile(QLineEdit* box, const QString& title)
{
    const QString chosen =
        OpenFile(box->text(), QStringLiteral("Text File (*.txt)|*.txt|All File (*.*)|*.*"), title);
    if (!chosen.isEmpty() && chosen != box->text()) box->setText(chosen);
}

void frmASC::OKBrowser_Click()
{
    BrowseResultFile(OKFile, QStringLiteral("Input result file for OK data"));
}

void frmASC::DNCBrowser_Click()
{
    BrowseResultFile(DNCFile, QStringLiteral("Input result file for DNC data"));
}

void frmASC::OKView_Click()
{
    sourceview::ViewTextFile(this, OKFile->text(), false, QStringLiteral("View OK Data"));
}

void frmASC::DNCView_Click()
{
    sourceview::ViewTextFile(this, DNCFile->text(), false, QStringLiteral("View DNC Data"));
}

void frmASC::XPButton1_Click()
{
    close();
}
