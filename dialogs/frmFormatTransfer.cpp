#include "dialogs/frmFormatTransfer.h"

#include "core/FormGuard.h"
#include "dncdb/StateFileConversion.h"
#include "dncdb/WizardConversions.h"
#include "platform/fso/FileSystemObject.h"
#include "platform/ui/Services.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/DoEvents.h"
#include "platform/vb/Err.h"
#include "platform/widgets/FormKit.h"
#include "records/CStateFormats.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString kForm = QStringLiteral("frmFormatTransfer");
const QString kLineBreak = QStringLiteral("\r\n");

enum Column : int { ColName = 0, ColValue = 1 };

// Space ticks or clears the selected field wherever in its row it was
// clicked: the box sits in the name column only.
class SpaceTicksRow : public QObject {
public:
    explicit SpaceTicksRow(QTreeWidget* list) : QObject(list), m_list(list) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Space || key->modifiers() != Qt::NoModifier) return false;
        QTreeWidgetItem* row = m_list->currentItem();
        if (!row || !row->isSelected() || !(row->flags() & Qt::ItemIsUserCheckable)) return false;
        row->setCheckState(ColName, row->checkState(ColName) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        return true;
    }

private:
    QTreeWidget* m_list;
};

bool IsExistingFile(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

void Exclaim(const QString& prompt)
{
    ui::MsgBox(prompt, ui::vbExclamation);
}

bool Confirmed(const QString& question)
{
    return ui::MsgBox(question, ui::vbYesNo | ui::vbQuestion) == ui::vbYes;
}

// Shows the lines written as they grow, without slowing the run by drawing.
class LabelProgress : public engine::NoProgress {
public:
    explicit LabelProgress(QLabel* label) : m_label(label) {}
    void Show(double, const QString& lines) override
    {
        if (!lines.isNull()) m_label->setText(lines);
    }
    void Yield(bool) override { vb::DoEventsThrottled(); }

private:
    QLabel* m_label;
};

} // namespace

QString LoadFileLine(const QString& fileName, std::int32_t lineNumber)
{
    const fso::FileSystemObject fs;
    QString line;
    try {
        if (!fs.FileExists(fileName)) return {};
        const fso::TextStreamPtr in = fs.OpenTextFile(fileName, fso::ForReading);
        for (std::int32_t i = 1; i <= lineNumber && !in->AtEndOfStream(); ++i)
            line = in->ReadLine();
        in->Close();
    } catch (...) {
        vb::CatchError();
    }
    return line;
}

frmFormatTransfer::frmFormatTransfer(QWidget* parent) : QDialog(parent)
{
    setObjectName(kForm);
    setWindowTitle(QStringLiteral("Format Transfer"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildControls();
    resize(620, 560);
}

frmFormatTransfer::~frmFormatTransfer()
{
    Form_Unload();
}

// ---------------------------------------------------------------- layout

void frmFormatTransfer::buildControls()
{
    Label5 = ui::newLabel("Label5", QStringLiteral("State"), this);
    ui::EditCombo* state = ui::newCombo("State", this, true, 20);
    State = state;
    Label5->setBuddy(State);

    Label3 = ui::newLabel("Label3", QStringLiteral("Select the Text File you want to Convert"), this);
    txtTextPath = ui::newEdit("txtTextPath", this);
    cmdGetTextPath = ui::newButton("cmdGetTextPath", QStringLiteral("Broswer"), this, 88);

    chkDQuote = ui::named(new QCheckBox(QStringLiteral("Value with Double Quote"), this), "chkDQuote");
    Label6 = ui::newLabel("Label6", QStringLiteral("Fields Delimited"), this);
    Delimited = ui::newCombo("Delimited", this, true, 10);
    Label6->setBuddy(Delimited);
    Label7 = ui::newLabel("Label7", QStringLiteral("From Row"), this);
    rowNumber = ui::newCombo("rowNumber", this, true, 4);
    Label7->setBuddy(rowNumber);
    cmdListFields = ui::newButton("cmdListFields", QStringLiteral("Fields"), this, 88);

    ListView4 = ui::named(new QTreeWidget(this), "ListView4");
    ListView4->setRootIsDecorated(false);
    ListView4->setItemsExpandable(false);
    ListView4->setUniformRowHeights(true);
    ListView4->setAllColumnsShowFocus(true);
    ListView4->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView4->header()->setSectionsMovable(false);
    ListView4->header()->setStretchLastSection(false);
    ListView4->setMinimumHeight(180);
    ListView4->installEventFilter(new SpaceTicksRow(ListView4));
    InitFieldList();

    Label4 =
        ui::newLabel("Label4", QStringLiteral("Type the Text File Name you want to Convert it to"), this);
    txtTextPathOutput = ui::newEdit("txtTextPathOutput", this);
    cmdGetTextPathOutput = ui::newButton("cmdGetTextPathOutput", QStringLiteral("Broswer"), this, 88);

    Label1 = ui::newLabel("Label1", QStringLiteral("Records:"), this);
    Label2 = ui::newLabel("Label2", QString(), this);
    Label2->setMinimumWidth(90);
    cmdDefault = ui::newButton("cmdDefault", QStringLiteral("Default"), this, 80);
    cmdDelete = ui::newButton("cmdDelete", QStringLiteral("Delete"), this, 80);
    cmdTransfer = ui::newButton("cmdTransfer", QStringLiteral("Transfer"), this, 80);
    cmdClose = ui::newButton("cmdClose", QStringLiteral("Close"), this, 80);

    auto* stateRow = new QHBoxLayout;
    stateRow->addWidget(Label5);
    stateRow->addWidget(State, 1);
    stateRow->addWidget(cmdDefault);
    stateRow->addWidget(cmdDelete);

    auto* inputRow = new QHBoxLayout;
    inputRow->addWidget(txtTextPath, 1);
    inputRow->addWidget(cmdGetTextPath);

    auto* layoutRow = new QHBoxLayout;
    layoutRow->addWidget(chkDQuote);
    layoutRow->addSpacing(16);
    layoutRow->addWidget(Label6);
    layoutRow->addWidget(Delimited);
    layoutRow->addSpacing(16);
    layoutRow->addWidget(Label7);
    layoutRow->addWidget(rowNumber);
    layoutRow->addStretch(1);
    layoutRow->addWidget(cmdListFields);

    auto* outputRow = new QHBoxLayout;
    outputRow->addWidget(txtTextPathOutput, 1);
    outputRow->addWidget(cmdGetTextPathOutput);

    auto* bottomRow = new QHBoxLayout;
    bottomRow->addWidget(Label1);
    bottomRow->addWidget(Label2);
    bottomRow->addStretch(1);
    bottomRow->addWidget(cmdTransfer);
    bottomRow->addWidget(cmdClose);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(8);
    column->addLayout(stateRow);
    column->addSpacing(4);
    column->addWidget(Label3);
    column->addLayout(inputRow);
    column->addLayout(layoutRow);
    column->addWidget(ListView4, 1);
    column->addWidget(Label4);
    column->addLayout(outputRow);
    column->addSpacing(4);
    column->addLayout(bottomRow);

    connect(cmdGetTextPath, &QPushButton::clicked, this,
            [this] { GuardedHandler(kForm, "cmdGetTextPath_Click", [this] { cmdGetTextPath_Click(); }); });
    connect(cmdGetTextPathOutput, &QPushButton::clicked, this, [this] {
        GuardedHandler(kForm, "cmdGetTextPathOutput_Click", [this] { cmdGetTextPathOutput_Click(); });
    });
    connect(cmdListFields, &QPushButton::clicked, this,
            [this] { GuardedHandler(kForm, "cmdListFields_Click", [this] { cmdListFields_Click(); }); });
    connect(cmdDefault, &QPushButton::clicked, this,
            [this] { GuardedHandler(kForm, "cmdDefault_Click", [this] { cmdDefault_Click(); }); });
    connect(cmdDelete, &QPushButton::clicked, this,
            [this] { GuardedHandler(kForm, "cmdDelete_Click", [this] { cmdDelete_Click(); }); });
    connect(cmdTransfer, &QPushButton::clicked, this,
            [this] { GuardedHandler(kForm, "cmdTransfer_Click", [this] { cmdTransfer_Click(); }); });
    connect(cmdClose, &QPushButton::clicked, this,
            [this] { GuardedHandler(kForm, "cmdClose_Click", [this] { cmdClose_Click(); }); });
    // Only the user's pick from the list loads a stored format: a typed name
    // that Qt matches against the list when the box is left is no pick, and
    // the layout on screen stays as the user set it.
    connect(state, &ui::EditCombo::picked, this, [this](int index) { ChooseState(index); });
    // A typed name is no entry of the list, even when it reads like one.
    connect(State->lineEdit(), &QLineEdit::textEdited, this, [this] { m_stateIndex = -1; });
}

void frmFormatTransfer::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_loaded) return;
    m_loaded = true;
    GuardedHandler(kForm, "Form_Load", [this] { Form_Load(); });
}

// ---------------------------------------------------------------- opening and closing

void frmFormatTransfer::Form_Load()
{
    Delimited->clear();
    Delimited->addItems(stateformat::DelimiterWords());
    Delimited->setCurrentIndex(0);
    rowNumber->clear();
    rowNumber->addItems({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                         QStringLiteral("5")});
    rowNumber->setEditText(QStringLiteral("1"));
    chkDQuote->setChecked(true);

    m_formats = std::make_unique<CStateFormats>();
    m_formats->LoadRelated(QString());

    const QSignalBlocker quiet(State);
    State->clear();
    for (std::int32_t i = 1; i <= m_formats->Count(); ++i) {
        const auto format = m_formats->Item(i);
        State->addItem(format->State(), format->ID());
    }
    State->setCurrentIndex(-1);
    State->setEditText(QString());
    m_stateIndex = -1;
}

void frmFormatTransfer::Form_Unload()
{
    m_current.reset();
    m_formats.reset();
}

void frmFormatTransfer::cmdClose_Click()
{
    hide();
}

void frmFormatTransfer::closeEvent(QCloseEvent* event)
{
    if (m_running) {
        // The run serves the event loop; the close waits for its end.
        m_closePending = true;
        event->ignore();
        return;
    }
    // Closing this way discards what the dialog holds: no output name is
    // left for the wizard.
    txtTextPathOutput->clear();
    event->accept();
}

void frmFormatTransfer::reject()
{
    close();
}

// ---------------------------------------------------------------- files and the sample view

void frmFormatTransfer::ErrorMsg(std::int32_t number, const QString& source, const QString& description)
{
    ui::MsgBox(QStringLiteral("Error Number: ") + QString::number(number) + QStringLiteral(".") + kLineBreak +
                   QStringLiteral("Error Description: ") + description + kLineBreak +
                   QStringLiteral("Module Name: ") + source + kLineBreak,
               ui::vbCritical);
}

QString frmFormatTransfer::SelectTextFile(const QString& current, bool input)
{
    try {
        CommonDialog1.CancelError = false;
        CommonDialog1.FileName = current;
        CommonDialog1.DialogTitle = QStringLiteral("Select Input files");
        CommonDialog1.Filter = QStringLiteral("Input Files (*.txt)|*.txt|All Files (*.*)|*.*");
        if (input) {
            CommonDialog1.Flags = ui::cdlOFNFileMustExist | ui::cdlOFNHideReadOnly;
            CommonDialog1.ShowOpen();
        } else {
            CommonDialog1.Flags = ui::cdlOFNOverwritePrompt | ui::cdlOFNHideReadOnly;
            CommonDialog1.ShowSave();
        }
        return CommonDialog1.FileName;
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        ErrorMsg(e.Number, e.Source, e.Description);
        return {};
    }
}

void frmFormatTransfer::cmdGetTextPath_Click()
{
    const QString chosen = SelectTextFile(txtTextPath->text(), true);
    if (!chosen.isEmpty() && chosen != txtTextPath->text()) txtTextPath->setText(chosen);
}

void frmFormatTransfer::cmdGetTextPathOutput_Click()
{
    const QString chosen = SelectTextFile(txtTextPathOutput->text(), false);
    if (!chosen.isEmpty() && chosen != txtTextPathOutput->text()) txtTextPathOutput->setText(chosen);
}

void frmFormatTransfer::InitFieldList()
{
    ListView4->clear();
    ListView4->setColumnCount(1);
    ListView4->setHeaderLabels({QStringLiteral("Field Name")});
}

void frmFormatTransfer::AddFieldRow(int index, const QString& value)
{
    auto* row = new QTreeWidgetItem(ListView4);
    row->setFlags((row->flags() | Qt::ItemIsUserCheckable) & ~Qt::ItemIsAutoTristate);
    row->setText(ColName, QStringLiteral("Field") + QString::number(index));
    row->setText(ColValue, value);
    row->setCheckState(ColName, Qt::Unchecked);
}

void frmFormatTransfer::SetColumnWidths()
{
    const int width = ListView4->viewport()->width();
    ListView4->setColumnWidth(ColName, width * 40 / 100);
    ListView4->setColumnWidth(ColValue, width * 55 / 100);
}

bool frmFormatTransfer::LoadSampleFields(const QString& fileName)
{
    try {
        const std::int16_t lineNumber = vb::CInt(vb::Variant(rowNumber->currentText()));
        const QString line = LoadFileLine(fileName, lineNumber);
        m_delimiter = stateformat::DelimiterFor(Delimited->currentText());
        const QStringList pieces = stateformat::SplitLine(line, QLatin1Char(m_delimiter));
        InitFieldList();
        ListView4->setHeaderLabels({QStringLiteral("Field Name"), QStringLiteral("Value")});
        const bool unquote = chkDQuote->isChecked();
        for (int i = 0; i < pieces.size(); ++i) {
            QString value = pieces[i];
            if (unquote) value.remove(QLatin1Char('"'));
            AddFieldRow(i, value);
        }
        SetColumnWidths();
        return true;
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        ErrorMsg(e.Number, e.Source.isEmpty() ? kForm : e.Source, e.Description);
        return false;
    }
}

void frmFormatTransfer::cmdListFields_Click()
{
    const QString input = txtTextPath->text();
    if (input.isEmpty() || !IsExistingFile(input)) return;
    LoadSampleFields(input);
}

// ---------------------------------------------------------------- stored formats

void frmFormatTransfer::ChooseState(int index)
{
    if (index < 0 || index >= State->count()) return;
    {
        const QSignalBlocker quiet(State);
        State->setCurrentIndex(index);
    }
    m_stateIndex = index;
    GuardedHandler(kForm, "State_Click", [this] { State_Click(); });
}

void frmFormatTransfer::State_Click()
{
    if (m_stateIndex < 0 || !m_formats) return;
    InitFieldList();
    m_current = m_formats->Item(m_stateIndex + 1);
    if (!m_current) return;
    State->setEditText(m_current->State());
    Delimited->setEditText(m_current->Delimited());
    rowNumber->setEditText(QString::number(m_current->FirstLine()));
    chkDQuote->setChecked(m_current->IncludeQuote());

    ListView4->clear();
    ListView4->setHeaderLabels({QStringLiteral("Field Name"), QStringLiteral("Value")});
    const stateformat::SelectedFields stored = stateformat::DecodeSelectFields(m_current->SelectFields());
    for (int i = 0; i < stored.values.size(); ++i)
        AddFieldRow(i, stored.values[i]);
    for (const QString& name : stored.checkedNames)
        for (int i = 0; i < ListView4->topLevelItemCount(); ++i)
            if (ListView4->topLevelItem(i)->text(ColName) == name)
                ListView4->topLevelItem(i)->setCheckState(ColName, Qt::Checked);
    SetColumnWidths();
}

void frmFormatTransfer::cmdDefault_Click()
{
    if (State->currentText().isEmpty()) return Exclaim(QStringLiteral("No State Name."));
    if (stateformat::LeadingNumber(rowNumber->currentText()) == 0)
        return Exclaim(QStringLiteral("No First Row."));
    if (Delimited->currentText().isEmpty()) return Exclaim(QStringLiteral("No Delimited."));
    if (ListView4->topLevelItemCount() == 0) return Exclaim(QStringLiteral("No Fields."));

    const bool adding = m_stateIndex < 0;
    if (!Confirmed(adding ? QStringLiteral("Are you sure to add this state to database?")
                          : QStringLiteral("Are you sure to update this state to database?")))
        return;
    if (adding) {
        m_current = std::make_shared<CStateFormat>();
        m_current->SetID(0);
        m_current->SetIsNew(true);
    } else {
        m_current = m_formats->Item(m_stateIndex + 1);
        if (!m_current) return;
    }
    // What the list held, should the database refuse the change.
    CStateFormat before;
    before.CopyMe(*m_current);

    const std::int32_t firstLine = stateformat::FirstLineOf(rowNumber->currentText());
    QStringList names;
    QStringList values;
    std::vector<bool> checked;
    for (int i = 0; i < ListView4->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = ListView4->topLevelItem(i);
        names << row->text(ColName);
        values << row->text(ColValue);
        checked.push_back(row->checkState(ColName) == Qt::Checked);
    }
    m_current->SetState(State->currentText());
    m_current->SetDelimited(Delimited->currentText());
    m_current->SetFirstLine(firstLine);
    m_current->SetIncludeQuote(chkDQuote->isChecked());
    m_current->SetSelectFields(stateformat::EncodeSelectFields(names, checked, values));

    const auto format = std::move(m_current);
    if (!format->Save(true, true)) {
        // Reported by the layer that failed; the list shows what is stored.
        format->CopyMe(before);
        return;
    }
    if (adding) {
        m_formats->AddExisting(format, QString());
        const QSignalBlocker quiet(State);
        const QString typed = State->currentText();
        State->addItem(format->State(), format->ID());
        State->setEditText(typed);
    }
}

void frmFormatTransfer::cmdDelete_Click()
{
    if (m_stateIndex < 0) return;
    if (!Confirmed(QStringLiteral("Are you sure you want to delete this state format?"))) return;
    const int index = m_stateIndex;
    const auto format = m_formats->Item(index + 1);
    if (!format) return;
    const bool wasDirty = format->IsDirty();
    format->SetIsDeleted(true);
    if (!format->Save(true, true)) {
        format->SetIsDeleted(false);
        format->SetIsDirty(wasDirty);
        return;
    }
    m_current.reset();
    m_formats->Remove(index + 1);
    const QSignalBlocker quiet(State);
    const QString shown = State->currentText();
    State->removeItem(index);
    State->setCurrentIndex(-1);
    State->setEditText(shown);
    m_stateIndex = -1;
}

// ---------------------------------------------------------------- Transfer

void frmFormatTransfer::SetTransferButtons(bool enabled)
{
    cmdTransfer->setEnabled(enabled);
    cmdClose->setEnabled(enabled);
}

void frmFormatTransfer::cmdTransfer_Click()
{
    SetTransferButtons(false);
    m_running = true;
    const auto done = qScopeGuard([this] {
        m_running = false;
        SetTransferButtons(true);
        if (m_closePending) {
            m_closePending = false;
            close();
        }
    });
    RunTransfer();
}

void frmFormatTransfer::RunTransfer()
{
    const QString input = txtTextPath->text();
    const QString output = txtTextPathOutput->text();
    if (input.isEmpty() || !IsExistingFile(input)) {
        ui::MsgBox(QStringLiteral("Please select Import file"), ui::vbOKOnly);
        return;
    }
    if (output.isEmpty()) {
        ui::MsgBox(QStringLiteral("Please select Output file"), ui::vbOKOnly);
        return;
    }
    if (dncwizard::SameFile(input, output)) {
        Exclaim(QStringLiteral("The text file to convert it to must not be the file to convert itself!"));
        return;
    }

    stateformat::StateConversionJob job;
    job.input = input;
    job.output = output;
    job.delimiterWord = Delimited->currentText();
    job.skipLines = stateformat::SkipCountOf(rowNumber->currentText());
    job.removeQuotes = chkDQuote->isChecked();
    for (int i = 0; i < ListView4->topLevelItemCount(); ++i)
        job.checked.push_back(ListView4->topLevelItem(i)->checkState(ColName) == Qt::Checked);
    m_delimiter = stateformat::DelimiterFor(job.delimiterWord);

    LabelProgress progress(Label2);
    const stateformat::StateConversionResult result = stateformat::ConvertStateFile(job, progress);
    if (!result.refusal.isEmpty()) ui::MsgBox(result.refusal, ui::vbOKOnly);
    if (const auto& f = result.failure) ErrorMsg(f->number, kForm, f->description);
}
