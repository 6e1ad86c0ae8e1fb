#include "mainwindow/frmProperties.h"

#include "core/CDefProperty.h"
#include "core/FormGuard.h"
#include "core/Settings.h"
#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"
#include "platform/widgets/ControlHelpers.h"
#include "platform/widgets/FormKit.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kForm = QStringLiteral("frmProperties");

void Say(const QString& prompt)
{
    ui::MsgBox(prompt, ui::vbOKOnly, vb::App::Title());
}

// An area code is three ASCII digits, nothing else: a sign, a point, a blank
// or an exponent would make the import skip every area code.
bool IsAreaCodeDigits(const QString& text)
{
    for (const QChar c : text)
        if (c < u'0' || c > u'9') return false;
    return true;
}

QString JoinedItems(const QListWidget* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items.join(QLatin1Char(','));
}

void LoadItems(QListWidget* list, const QString& stored)
{
    list->clear();
    if (!stored.isEmpty()) list->addItems(stored.split(QLatin1Char(',')));
}

// A list setting is written to the database at once.
void SaveListSetting(const QString& key, const QString& value)
{
    if (const auto row = Setting(key)) {
        row->SetPropertyValue(value);
        row->Save(true, true);
    }
}

void Lock(QLineEdit* box, bool locked)
{
    box->setReadOnly(locked);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, locked ? box->palette().color(QPalette::Window) : QColor(Qt::white));
    box->setPalette(palette);
}

} // namespace

frmProperties::frmProperties(QWidget* parent) : QDialog(parent)
{
    setObjectName(kForm);
    setWindowTitle(QStringLiteral("Properties"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildControls();
    resize(420, 420);
}

void frmProperties::buildControls()
{
    Label2 = ui::newLabel("Label2", QStringLiteral("Program update web page"), this);
    webhttp = ui::newEdit("webhttp", this);
    Label3 = ui::newLabel("Label3", QStringLiteral("Default Email"), this);
    defaultemail = ui::newEdit("defaultemail", this);
    Lock(webhttp, true);
    Lock(defaultemail, true);
    autochecknewversion =
        ui::named(new QCheckBox(QStringLiteral("Auto check new version?"), this), "autochecknewversion");
    Label4 = ui::newLabel(
        "Label4", QStringLiteral("DNC Data with following area codes will be kept in database"), this);
    Label4->setWordWrap(true);

    const auto codeFrame = [this](const char* frameName, QListWidget*& list, const char* listName,
                                  QLineEdit*& box, const char* boxName, QPushButton*& add,
                                  const char* addName, QPushButton*& remove, const char* removeName) {
        auto* frame = ui::named(new QGroupBox(this), frameName);
        list = ui::named(new QListWidget(frame), listName);
        ui::KeepChoiceOnBlankClick(list);
        box = ui::newEdit(boxName, frame);
        box->setMaxLength(32);
        box->installEventFilter(this);
        add = ui::newButton(addName, QStringLiteral("Add"), frame, 70);
        remove = ui::newButton(removeName, QStringLiteral("Delete"), frame, 70);
        auto* grid = new QGridLayout(frame);
        grid->addWidget(list, 0, 0, 3, 1);
        grid->addWidget(box, 0, 1);
        grid->addWidget(add, 1, 1);
        grid->addWidget(remove, 2, 1, Qt::AlignTop);
        return frame;
    };
    Frame2 =
        codeFrame("Frame2", lstArea, "lstArea", txtCode, "txtCode", cmdGo, "cmdGo", cmdDelete, "cmdDelete");
    Label5 =
        ui::newLabel("Label5", QStringLiteral("User Data with following area codes will be filtered"), this);
    Frame1 = codeFrame("Frame1", lstData, "lstData", txtData, "txtData", cmdAddData, "cmdAddData",
                       cmdDeleteData, "cmdDeleteData");
    for (QWidget* unused : {static_cast<QWidget*>(Label5), static_cast<QWidget*>(Frame1)}) {
        unused->hide();
        unused->setEnabled(false);
    }
    cmdOK = ui::newButton("cmdOK", QStringLiteral("Ok"), this, 80);
    cmdClose = ui::newButton("cmdClose", QStringLiteral("Close"), this, 80);
    Label1 = ui::newLabel("Label1", QStringLiteral("Auto update program"), this);
    updateprogram = ui::newEdit("updateprogram", this);
    Label1->hide();
    updateprogram->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdClose);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 12);
    column->addWidget(Label2);
    column->addWidget(webhttp);
    column->addWidget(Label3);
    column->addWidget(defaultemail);
    column->addWidget(autochecknewversion);
    column->addSpacing(6);
    column->addWidget(Label4);
    column->addWidget(Frame2, 1);
    column->addLayout(buttons);

    const auto onClick = [this](QPushButton* button, const char* name, void (frmProperties::*handler)()) {
        connect(button, &QPushButton::clicked, this, [this, name, handler] {
            GuardedHandler(kForm, name, [this, handler] { (this->*handler)(); });
        });
    };
    onClick(cmdGo, "cmdGo_Click", &frmProperties::cmdGo_Click);
    onClick(cmdDelete, "cmdDelete_Click", &frmProperties::cmdDelete_Click);
    onClick(cmdAddData, "cmdAddData_Click", &frmProperties::cmdAddData_Click);
    onClick(cmdDeleteData, "cmdDeleteData_Click", &frmProperties::cmdDeleteData_Click);
    onClick(cmdOK, "cmdOK_Click", &frmProperties::cmdOK_Click);
    onClick(cmdClose, "cmdClose_Click", &frmProperties::cmdClose_Click);
}

void frmProperties::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_loaded) return;
    m_loaded = true;
    GuardedHandler(kForm, "Form_Load", [this] { Form_Load(); });
}

void frmProperties::Form_Load()
{
    updateprogram->setText(SettingText(QStringLiteral("updateprogram")));
    webhttp->setText(SettingText(QStringLiteral("webhttp")));
    defaultemail->setText(SettingText(QStringLiteral("defaultemail")));
    vb::ResumeNext([&] {
        autochecknewversion->setChecked(
            vb::CLng(vb::Variant(SettingValue(QStringLiteral("autochecknewversion")))) != 0);
    });
    LoadItems(lstArea, SettingText(QStringLiteral("keptareacode")));
    LoadItems(lstData, SettingText(QStringLiteral("filteredareacode")));
}

void frmProperties::AddCode(QLineEdit* box, QListWidget* list)
{
    const QString code = box->text();
    if (code.size() != 3)
        Say(QStringLiteral("Area Code must be 3 digits"));
    else if (!IsAreaCodeDigits(code))
        Say(QStringLiteral("Area Code must be numbers"));
    else if (!list->findItems(code, Qt::MatchExactly | Qt::MatchCaseSensitive).isEmpty())
        Say(QStringLiteral("Area Code aready is in the list"));
    else
        list->addItem(code);
    box->setFocus();
    box->selectAll();
}

void frmProperties::DeleteCode(QListWidget* list)
{
    QListWidgetItem* item = list->currentItem();
    if (!item || !item->isSelected()) return;
    const int answer = ui::MsgBox(QStringLiteral("Are you sure to delete this area code:") + item->text() +
                                      QStringLiteral(" from database?"),
                                  ui::vbYesNo, vb::App::Title());
    if (answer != ui::vbNo) delete list->takeItem(list->row(item));
}

void frmProperties::cmdGo_Click()
{
    AddCode(txtCode, lstArea);
}

void frmProperties::cmdDelete_Click()
{
    DeleteCode(lstArea);
}

void frmProperties::cmdAddData_Click()
{
    AddCode(txtData, lstData);
}

void frmProperties::cmdDeleteData_Click()
{
    DeleteCode(lstData);
}

void frmProperties::cmdOK_Click()
{
    SetSetting(QStringLiteral("updateprogram"), updateprogram->text());
    SetSetting(QStringLiteral("webhttp"), webhttp->text());
    SetSetting(QStringLiteral("defaultemail"), defaultemail->text());
    SetSetting(QStringLiteral("autochecknewversion"),
               autochecknewversion->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    SaveListSetting(QStringLiteral("keptareacode"), JoinedItems(lstArea));
    SaveListSetting(QStringLiteral("filteredareacode"), JoinedItems(lstData));
    hide();
}

void frmProperties::cmdClose_Click()
{
    hide();
}

void frmProperties::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F12 && (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
        Lock(webhttp, false);
        Lock(defaultemail, false);
    }
    QDialog::keyReleaseEvent(event);
}

bool frmProperties::eventFilter(QObject* watched, QEvent* event)
{
    // Entering the box from another control selects its text, also after
    // the click that gave the focus; coming back from another window does not.
    if (event->type() == QEvent::FocusIn && (watched == txtCode || watched == txtData) &&
        ui::isOwnFocusChange(event))
        ui::selectAllSoon(static_cast<QLineEdit*>(watched));
    if (event->type() == QEvent::KeyPress && (watched == txtCode || watched == txtData)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == txtCode)
                GuardedHandler(kForm, "cmdGo_Click", [this] { cmdGo_Click(); });
            else
                GuardedHandler(kForm, "cmdAddData_Click", [this] { cmdAddData_Click(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
