#include "mainwindow/frmSourcePickers.h"

#include "core/CDataStrings.h"
#include "core/FormGuard.h"
#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/widgets/ControlHelpers.h"
#include "platform/widgets/FormKit.h"
#include "records/CDataTypeInfo.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QHBoxLayout* ButtonRow(QPushButton* button)
{
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(button);
    return row;
}

} // namespace

// ---------------------------------------------------------------- frmTextWizard

frmTextWizard::frmTextWizard(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmTextWizard"));
    setWindowTitle(QStringLiteral("Text Wizard"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    chkIsTitleFirstLine =
        ui::named(new QCheckBox(QStringLiteral("First line is header?"), this), "chkIsTitleFirstLine");
    chkDelimited = ui::named(new QCheckBox(QStringLiteral("Delimited?"), this), "chkDelimited");
    cmdOK = ui::newButton("cmdOK", QStringLiteral("OK"), this, 80);
    // Enter anywhere in the dialog confirms it.
    cmdOK->setDefault(true);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 14, 12, 10);
    column->addWidget(chkIsTitleFirstLine);
    column->addWidget(chkDelimited);
    column->addStretch(1);
    column->addLayout(ButtonRow(cmdOK));
    resize(300, 140);
    connect(cmdOK, &QPushButton::clicked, this,
            [this] { GuardedHandler(objectName(), "cmdOK_Click", [this] { cmdOK_Click(); }); });
}

void frmTextWizard::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    GuardedHandler(objectName(), "Form_Load", [this] { Form_Load(); });
}

void frmTextWizard::Form_Load()
{
    if (!m_profile) return;
    chkIsTitleFirstLine->setChecked(m_profile->IsTitleFirstLine());
    chkDelimited->setChecked(m_profile->Delimited() != 0);
}

void frmTextWizard::cmdOK_Click()
{
    if (m_profile) {
        m_profile->SetIsTitleFirstLine(chkIsTitleFirstLine->isChecked());
        m_profile->SetDelimited(chkDelimited->isChecked() ? 1 : 0);
    }
    hide();
}

// ---------------------------------------------------------------- the list dialogs

SheetListDialog::SheetListDialog(QWidget* parent, const char* name, const QString& caption) : QDialog(parent)
{
    setObjectName(QString::fromLatin1(name));
    setWindowTitle(caption);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    cboSheet = ui::named(new QListWidget(this), "cboSheet");
    ui::KeepChoiceOnBlankClick(cboSheet);
    cmdOK = ui::newButton("cmdOK", QStringLiteral("OK"), this, 80);
    // Enter in the list confirms the choice, and so does a double-click on
    // a name.
    cmdOK->setDefault(true);
    connect(cboSheet, &QListWidget::itemDoubleClicked, cmdOK, &QPushButton::click);
    resize(260, 320);
}

void SheetListDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    GuardedHandler(objectName(), "Form_Load", [this] { Form_Load(); });
}

void SheetListDialog::Form_Load()
{
    FillSheetList();
}

void SheetListDialog::FillSheetList()
{
    cboSheet->clear();
    if (!m_profile) return;
    int chosen = -1;
    for (const auto& entry : *m_profile->TableNameData()) {
        const QString name = entry ? entry->ItemValue() : QString();
        cboSheet->addItem(name);
        if (name == m_profile->DataTableName()) chosen = cboSheet->count() - 1;
    }
    if (chosen < 0 && cboSheet->count() == 1) chosen = 0;
    if (chosen >= 0)
        cboSheet->setCurrentRow(chosen);
    else
        cboSheet->clearSelection();
}

int SheetListDialog::ChosenRow() const
{
    const QList<QListWidgetItem*> chosen = cboSheet->selectedItems();
    return chosen.isEmpty() ? -1 : cboSheet->row(chosen.first());
}

QString SheetListDialog::ChosenName()
{
    const QList<QListWidgetItem*> chosen = cboSheet->selectedItems();
    const QListWidgetItem* item = chosen.isEmpty() ? nullptr : chosen.first();
    if (!item) {
        ui::MsgBox(QStringLiteral("Please select Sheet Name."), ui::vbExclamation | ui::vbOKOnly,
                   vb::App::Title());
        return {};
    }
    return item->text();
}

// ---------------------------------------------------------------- frmExcelWizard

frmExcelWizard::frmExcelWizard(QWidget* parent)
    : SheetListDialog(parent, "frmExcelWizard", QStringLiteral("Wizard"))
{
    chkIsTitleFirstLine =
        ui::named(new QCheckBox(QStringLiteral("First line is header?"), this), "chkIsTitleFirstLine");
    Updatable = ui::named(new QCheckBox(QStringLiteral("Is Updatable?"), this), "Updatable");
    Updatable->hide();
    Label1 = ui::newLabel("Label1", QStringLiteral("Sheet Name"), this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 10);
    column->addWidget(chkIsTitleFirstLine);
    column->addWidget(Label1);
    column->addWidget(cboSheet, 1);
    column->addLayout(ButtonRow(cmdOK));
    connect(cmdOK, &QPushButton::clicked, this,
            [this] { GuardedHandler(objectName(), "cmdOK_Click", [this] { cmdOK_Click(); }); });
}

void frmExcelWizard::Form_Load()
{
    if (m_profile) {
        chkIsTitleFirstLine->setChecked(m_profile->IsTitleFirstLine());
        Updatable->setChecked(m_profile->Delimited() != 0);
    }
    FillSheetList();
}

void frmExcelWizard::cmdOK_Click()
{
    const QString sheet = ChosenName();
    if (sheet.isEmpty() || !m_profile) return;
    m_profile->SetIsTitleFirstLine(chkIsTitleFirstLine->isChecked());
    m_profile->SetDelimited(Updatable->isChecked() ? 1 : 0);
    m_profile->SetDataTableName(sheet);
    hide();
}

// ---------------------------------------------------------------- frmSelectTable

frmSelectTable::frmSelectTable(QWidget* parent)
    : SheetListDialog(parent, "frmSelectTable", QStringLiteral("Select Table"))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 10);
    column->addWidget(cboSheet, 1);
    column->addLayout(ButtonRow(cmdOK));
    connect(cmdOK, &QPushButton::clicked, this,
            [this] { GuardedHandler(objectName(), "cmdOK_Click", [this] { cmdOK_Click(); }); });
}

void frmSelectTable::cmdOK_Click()
{
    const QString table = ChosenName();
    if (table.isEmpty() || !m_profile) return;
    m_profile->SetDataTableName(table);
    hide();
}
