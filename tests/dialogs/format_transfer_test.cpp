// The format transfer as a user drives it: stored formats listed, loaded,
// added, updated and deleted; the sample view of one line; Transfer; and the
// import wizard's "Other Formats" road through it.

#include "WizardFixture.h"

#include "dialogs/frmFormatTransfer.h"
#include "dncdb/StateFileConversion.h"
#include "records/CStateFormats.h"

#include <QComboBox>

using wiztest::ReadFile;

namespace {

QStringList Entries(const frmFormatTransfer& form)
{
    QStringList entries;
    for (int i = 0; i < form.State->count(); ++i)
        entries << form.State->itemText(i);
    return entries;
}

// Each row of the field list as name=value, with "*" before a checked one.
QStringList FieldRows(const frmFormatTransfer& form)
{
    QStringList rows;
    for (int i = 0; i < form.ListView4->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = form.ListView4->topLevelItem(i);
        rows << (row->checkState(0) == Qt::Checked ? QStringLiteral("*") : QString()) + row->text(0) +
                    QLatin1Char('=') + row->text(1);
    }
    return rows;
}

void Check(frmFormatTransfer& form, int row)
{
    form.ListView4->topLevelItem(row)->setCheckState(0, Qt::Checked);
}

} // namespace

class FormatTransfer : public WizardTest {
protected:
    void storeFormat(int id, const QString& state, const QString& delimited, int firstLine,
                     const QString& selectFields, bool quote = true)
    {
        wiztest::Db db(dbPath);
        db.exec(QStringLiteral("insert into StateFormat (ID, State, FirstLine, Delimited, IncludeQuote, "
                               "SelectFields) values (%1, '%2', %3, '%4', %5, '%6')")
                    .arg(id)
                    .arg(state)
                    .arg(firstLine)
                    .arg(delimited)
                    .arg(quote ? 1 : 0)
                    .arg(selectFields));
    }
    QString stored(const QString& column, const QString& state)
    {
        wiztest::Db db(dbPath);
        return db.scalar(QStringLiteral("select ") + column +
                         QStringLiteral(" from StateFormat where State='") + state + QStringLiteral("'"));
    }
    std::unique_ptr<frmFormatTransfer> shownTransfer()
    {
        auto form = std::make_unique<frmFormatTransfer>();
        form->show();
        return form;
    }
    // A sample file, its line shown as fields.
    void sample(frmFormatTransfer& form, const QByteArray& text, const QString& word = QStringLiteral("Tab"),
                const QString& row = QStringLiteral("1"))
    {
        form.txtTextPath->setText(writeFile(QStringLiteral("state.txt"), text));
        form.Delimited->setEditText(word);
        form.rowNumber->setEditText(row);
        form.cmdListFields->click();
    }
};

TEST_F(FormatTransfer, OpensWithTheStoredStatesInOrderAndTheDefaultLayout)
{
    storeFormat(4, QStringLiteral("NY"), QStringLiteral("Tab"), 1, QStringLiteral("Field0::1"));
    storeFormat(7, QStringLiteral("CA"), QStringLiteral("Comma"), 2, QStringLiteral("Field0::1"));
    storeFormat(9, QStringLiteral("NJ"), QStringLiteral("Space"), 3, QStringLiteral("Field0::1"));
    auto form = shownTransfer();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Format Transfer"));
    EXPECT_EQ(Entries(*form), (QStringList{"CA", "NJ", "NY"}));
    EXPECT_EQ(form->State->itemData(0).toInt(), 7);
    EXPECT_EQ(form->State->itemData(2).toInt(), 4);
    EXPECT_EQ(form->State->currentText(), QString());
    EXPECT_EQ(form->StateListIndex(), -1);
    EXPECT_EQ(form->Delimited->currentText(), QStringLiteral("Tab"));
    EXPECT_EQ(form->rowNumber->currentText(), QStringLiteral("1"));
    EXPECT_EQ(form->rowNumber->count(), 5);
    EXPECT_TRUE(form->chkDQuote->isChecked());
    EXPECT_EQ(form->cmdGetTextPath->text(), QStringLiteral("Broswer"));
}

TEST_F(FormatTransfer, DefaultAddsTheTypedStateWithItsEncodedFieldsAsTheLastEntry)
{
    storeFormat(3, QStringLiteral("NY"), QStringLiteral("Tab"), 1, QStringLiteral("Field0::1"));
    auto form = shownTransfer();
    sample(*form, "\"x\"\t\"y\"\t\"z\"\r\n");
    ASSERT_EQ(FieldRows(*form), (QStringList{"Field0=x", "Field1=y", "Field2=z"}));
    Check(*form, 0);
    Check(*form, 2);
    // Typed, though an entry of that name exists: a new format.
    form->State->setEditText(QStringLiteral("NY"));
    form->rowNumber->setEditText(QStringLiteral("2.5"));
    scripted.expectMsgBox(ui::vbYes, QStringLiteral("Are you sure to add this state to database?"),
                          ui::vbYesNo | ui::vbQuestion);
    form->cmdDefault->click();

    EXPECT_EQ(Entries(*form), (QStringList{"NY", "NY"}));
    wiztest::Db db(dbPath);
    EXPECT_EQ(db.scalar("select count(*) from StateFormat"), QStringLiteral("2"));
    EXPECT_EQ(db.scalar("select FirstLine || '|' || Delimited || '|' || IncludeQuote || '|' || SelectFields "
                        "from StateFormat where ID <> 3"),
              QStringLiteral("2|Tab|1|Field0;;Field2::x;;y;;z"));
    EXPECT_EQ(form->State->itemData(1).toInt(), db.scalar("select max(ID) from StateFormat").toInt());
    EXPECT_EQ(form->Formats()->Count(), 2);
}

TEST_F(FormatTransfer, FromRowIsStoredRoundedAsVbRoundsIt)
{
    const std::pair<const char*, const char*> rows[] = {
        {"3.5", "4"}, {"4.5", "4"}, {"1.6", "2"}, {"7 x", "7"}, {"-2", "-2"}};
    auto form = shownTransfer();
    sample(*form, "2015551234\r\n");
    int n = 0;
    for (const auto& [text, expected] : rows) {
        const QString state = QStringLiteral("S") + QString::number(++n);
        form->State->setEditText(state);
        form->rowNumber->setEditText(QString::fromLatin1(text));
        scripted.expectMsgBox(ui::vbYes, QStringLiteral("add this state"));
        form->cmdDefault->click();
        EXPECT_EQ(stored(QStringLiteral("FirstLine"), state), QString::fromLatin1(expected)) << text;
    }
}

TEST_F(FormatTransfer, DefaultChecksNameFirstRowDelimiterAndFieldsInThatOrder)
{
    struct Missing {
        const char* state;
        const char* row;
        const char* delimiter;
        bool fields;
        const char* message;
    };
    const Missing cases[] = {
        {"", "0", "", false, "No State Name."},      {"NY", "0", "", false, "No First Row."},
        {"NY", "abc", "Tab", true, "No First Row."}, {"NY", "1", "", false, "No Delimited."},
        {"NY", "1", "Tab", false, "No Fields."},
    };
    for (const Missing& c : cases) {
        auto form = shownTransfer();
        if (c.fields) sample(*form, "2015551234\r\n");
        form->State->setEditText(QString::fromLatin1(c.state));
        form->rowNumber->setEditText(QString::fromLatin1(c.row));
        form->Delimited->setEditText(QString::fromLatin1(c.delimiter));
        scripted.expectMsgBox(ui::vbOK, QString::fromLatin1(c.message), ui::vbExclamation);
        form->cmdDefault->click();
    }
    EXPECT_EQ(rowCount(QStringLiteral("StateFormat")), 0);
}

TEST_F(FormatTransfer, ChoosingAStateLoadsItsLayoutAndUpdateWritesItBack)
{
    storeFormat(5, QStringLiteral("NJ"), QStringLiteral("Comma"), 3, QStringLiteral("Field1::a;;b;;c"),
                false);
    auto form = shownTransfer();
    form->ChooseState(0);
    EXPECT_EQ(form->State->currentText(), QStringLiteral("NJ"));
    EXPECT_EQ(form->Delimited->currentText(), QStringLiteral("Comma"));
    EXPECT_EQ(form->rowNumber->currentText(), QStringLiteral("3"));
    EXPECT_FALSE(form->chkDQuote->isChecked());
    EXPECT_EQ(FieldRows(*form), (QStringList{"Field0=a", "*Field1=b", "Field2=c"}));

    form->Delimited->setEditText(QStringLiteral("Tab"));
    scripted.expectMsgBox(ui::vbYes, QStringLiteral("Are you sure to update this state to database?"));
    form->cmdDefault->click();
    EXPECT_EQ(stored(QStringLiteral("Delimited"), QStringLiteral("NJ")), QStringLiteral("Tab"));
    EXPECT_EQ(rowCount(QStringLiteral("StateFormat")), 1);
}

TEST_F(FormatTransfer, StoredFieldTextsLoadWithoutEndingTheProgram)
{
    const std::pair<const char*, QStringList> cases[] = {
        {"Field0::", {}},
        {"::x;;y", {"Field0=x", "Field1=y"}},
        {"Field1;;Field0::x;;y", {"*Field0=x", "*Field1=y"}},
        {"Field0;;Field1", {}},
        {"", {}},
    };
    int id = 0;
    for (const auto& [text, rows] : cases) {
        ++id;
        storeFormat(id, QStringLiteral("S%1").arg(id), QStringLiteral("Tab"), 1, QString::fromLatin1(text));
    }
    auto form = shownTransfer();
    for (int i = 0; i < id; ++i) {
        form->ChooseState(i);
        EXPECT_EQ(FieldRows(*form), cases[i].second) << cases[i].first;
        EXPECT_EQ(form->ListView4->columnCount(), 2) << cases[i].first;
    }
}

TEST_F(FormatTransfer, DeletingTheMiddleStateKeepsTheNextStatesFormatBehindItsEntry)
{
    storeFormat(1, QStringLiteral("CA"), QStringLiteral("Comma"), 1, QStringLiteral("::1"));
    storeFormat(2, QStringLiteral("NJ"), QStringLiteral("Semicolon"), 2, QStringLiteral("::2"));
    storeFormat(3, QStringLiteral("NY"), QStringLiteral("Space"), 3, QStringLiteral("::3"));
    auto form = shownTransfer();
    form->ChooseState(1);
    scripted.expectMsgBox(ui::vbYes, QStringLiteral("Are you sure you want to delete this state format?"));
    form->cmdDelete->click();
    EXPECT_EQ(Entries(*form), (QStringList{"CA", "NY"}));
    EXPECT_EQ(form->StateListIndex(), -1);
    EXPECT_EQ(FieldRows(*form), QStringList{"Field0=2"}) << "the field list keeps its rows";
    EXPECT_EQ(rowCount(QStringLiteral("StateFormat")), 2);

    form->ChooseState(1);
    EXPECT_EQ(form->State->currentText(), QStringLiteral("NY"));
    EXPECT_EQ(form->Delimited->currentText(), QStringLiteral("Space"));

    scripted.expectMsgBox(ui::vbNo, QStringLiteral("delete this state format"));
    form->cmdDelete->click();
    EXPECT_EQ(Entries(*form), (QStringList{"CA", "NY"}));
}

TEST_F(FormatTransfer, AFailingSaveLeavesTheListAndTheEntriesAsTheyWere)
{
    storeFormat(1, QStringLiteral("CA"), QStringLiteral("Comma"), 1, QStringLiteral("::1"));
    auto form = shownTransfer();
    sample(*form, "2015551234\r\n");
    {
        wiztest::Db db(dbPath);
        db.exec("alter table StateFormat rename to Gone");
    }
    form->State->setEditText(QStringLiteral("NY"));
    scripted.expectMsgBox(ui::vbYes, QStringLiteral("add this state"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Error Number:"), ui::vbCritical);
    form->cmdDefault->click();
    EXPECT_EQ(Entries(*form), QStringList{"CA"});
    EXPECT_EQ(form->Formats()->Count(), 1);

    form->ChooseState(0);
    scripted.expectMsgBox(ui::vbYes, QStringLiteral("delete this state format"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Error Number:"), ui::vbCritical);
    form->cmdDelete->click();
    EXPECT_EQ(Entries(*form), QStringList{"CA"});
    EXPECT_EQ(form->Formats()->Count(), 1);
    EXPECT_FALSE(form->Formats()->Item(1)->IsDeleted());
}

TEST_F(FormatTransfer, TheSampleViewShowsOneLineSplitByTheDelimiterWord)
{
    struct View {
        QByteArray text;
        const char* word;
        const char* row;
        bool unquote;
        QStringList rows;
    };
    const View cases[] = {
        {"a;b\r\n\"NJ\";c\r\n", "SEMICOLON", "2", true, {"Field0=NJ", "Field1=c"}},
        {"\"NJ\",\"x\"\r\n", "comma", "1", false, {"Field0=\"NJ\"", "Field1=\"x\""}},
        {"a b  c\r\n", "space", "1", true, {"Field0=a", "Field1=b", "Field2=", "Field3=c"}},
        {"a;b\tc\r\n", "Pipe", "1", true, {"Field0=a;b", "Field1=c"}},
        {"first\r\nlast line\r\n", "Tab", "9", true, {"Field0=last line"}},
        {"first\r\n\r\nthird\r\n", "Tab", "2", true, {}},
        {"", "Tab", "1", true, {}},
    };
    for (const View& c : cases) {
        auto form = shownTransfer();
        form->chkDQuote->setChecked(c.unquote);
        sample(*form, c.text, QString::fromLatin1(c.word), QString::fromLatin1(c.row));
        EXPECT_EQ(FieldRows(*form), c.rows) << c.text.toStdString();
    }
}

TEST_F(FormatTransfer, TheSampleViewReportsAFromRowThatIsNoNumberAndIgnoresAMissingFile)
{
    auto form = shownTransfer();
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Error Number: 13.\r\nError Description: Type mismatch"),
                          ui::vbCritical);
    sample(*form, "a\tb\r\n", QStringLiteral("Tab"), QStringLiteral("two"));
    EXPECT_EQ(form->ListView4->topLevelItemCount(), 0);

    form->txtTextPath->setText(path(QStringLiteral("missing.txt")));
    form->cmdListFields->click(); // nothing to show: no message
}

TEST_F(FormatTransfer, TransferWritesTheOutputAndShowsTheLinesWritten)
{
    auto form = shownTransfer();
    sample(*form, "\"Title\"\t\"x\"\r\n\"2015551234\"\t\"NJ\"\r\n\"9735550000\"\t\"NJ\"\r\n");
    Check(*form, 0);
    form->rowNumber->setEditText(QStringLiteral("2"));
    const QString output = path(QStringLiteral("import.txt"));
    scripted.expectSaveFile(output, QStringLiteral("Select Input files"));
    form->cmdGetTextPathOutput->click();
    EXPECT_EQ(form->txtTextPathOutput->text(), output);
    const auto saved = scripted.callsOf(ui::ScriptedServices::Kind::SaveFile);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].request.filter, QStringLiteral("Input Files (*.txt)|*.txt|All Files (*.*)|*.*"));
    EXPECT_TRUE(saved[0].request.flags & ui::cdlOFNOverwritePrompt);

    form->cmdTransfer->click();
    EXPECT_EQ(ReadFile(output), "201,5551234\r\n973,5550000\r\n");
    EXPECT_EQ(form->Label2->text(), QStringLiteral("2"));
    EXPECT_TRUE(form->cmdTransfer->isEnabled());
    EXPECT_TRUE(form->cmdClose->isEnabled());
}

TEST_F(FormatTransfer, TransferRefusesMissingFilesAndAnOutputThatIsTheInput)
{
    auto form = shownTransfer();
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Please select Import file"), ui::vbOKOnly);
    form->cmdTransfer->click();

    sample(*form, "2015551234\r\n");
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Please select Output file"), ui::vbOKOnly);
    form->cmdTransfer->click();

    const QString input = form->txtTextPath->text();
    ASSERT_TRUE(QFile::link(input, path(QStringLiteral("alias.txt"))));
    form->txtTextPathOutput->setText(path(QStringLiteral("alias.txt")));
    Check(*form, 0);
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("must not be the file to convert itself!"),
                          ui::vbExclamation);
    form->cmdTransfer->click();
    EXPECT_EQ(ReadFile(input), "2015551234\r\n");
    EXPECT_TRUE(form->cmdTransfer->isEnabled());
    EXPECT_EQ(form->Label2->text(), QString());
}

TEST_F(FormatTransfer, ClosingThroughTheTitleBarLeavesNoOutputNameAndCloseKeepsIt)
{
    auto form = shownTransfer();
    form->txtTextPathOutput->setText(path(QStringLiteral("import.txt")));
    form->cmdClose->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->txtTextPathOutput->text(), path(QStringLiteral("import.txt")));

    form->show();
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->txtTextPathOutput->text(), QString());
}

TEST_F(FormatTransfer, ACloseRequestDuringTransferWaitsForTheEndOfTheRun)
{
    QByteArray text;
    for (int i = 0; i < 2500; ++i)
        text += "2015551234\r\n";
    auto form = shownTransfer();
    sample(*form, text);
    Check(*form, 0);
    const QString output = path(QStringLiteral("import.txt"));
    form->txtTextPathOutput->setText(output);
    // Arrives while the run serves the event loop.
    QMetaObject::invokeMethod(form.get(), "close", Qt::QueuedConnection);
    form->cmdTransfer->click();
    EXPECT_EQ(ReadFile(output).size(), 2500 * 13);
    EXPECT_EQ(form->Label2->text(), QStringLiteral("2500"));
    EXPECT_FALSE(form->isVisible()) << "closed once the run ended";
    EXPECT_TRUE(form->cmdClose->isEnabled());
}

TEST_F(FormatTransfer, OtherFormatsInTheWizardConvertsAndAnalysesTheStateFile)
{
    const QString state = writeFile(QStringLiteral("nj state.txt"),
                                    "\"NJ DNC\"\r\n\"2015551234\"\t\"A\"\r\n\"2015550000\"\t\"A\"\r\n"
                                    "\"9735551111\"\t\"B\"\r\n");
    const QString output = path(QStringLiteral("nj import.txt"));
    auto wizard = shownWizard();
    wizard->dnctextfilehearder->setChecked(true);
    wizard->OptionFormat(frmDNCWizard::OtherFormats)->setChecked(true);
    scripted.expectModal(
        [&](QDialog* dialog) {
            auto* form = qobject_cast<frmFormatTransfer*>(dialog);
            if (!form) {
                ADD_FAILURE() << "the dialog shown is not the format transfer";
                return 0;
            }
            scripted.expectOpenFile(state, QStringLiteral("Select Input files"));
            form->cmdGetTextPath->click();
            form->rowNumber->setEditText(QStringLiteral("2"));
            form->cmdListFields->click();
            Check(*form, 0);
            form->txtTextPathOutput->setText(output);
            form->cmdTransfer->click();
            EXPECT_EQ(form->Label2->text(), QStringLiteral("3"));
            form->cmdClose->click();
            return 0;
        },
        QStringLiteral("frmFormatTransfer"));
    wizard->cmdBrowser->click();

    EXPECT_EQ(wizard->dnctextfilename->text(), output);
    EXPECT_TRUE(wizard->OptionFormat(frmDNCWizard::NationalText)->isChecked());
    EXPECT_EQ(ReadFile(output), "201,5551234\r\n201,5550000\r\n973,5551111\r\n");

    wizard->dnctextfilehearder->setChecked(false);
    wizard->cmdAnalysis->click();
    const auto rows = wiztest::Rows(*wizard);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].mid(0, 2), (QStringList{"201", "2"}));
    EXPECT_EQ(rows[1].mid(0, 2), (QStringList{"973", "1"}));
    EXPECT_EQ(rows[2].mid(0, 2), (QStringList{"Total", "3"}));
}

TEST_F(FormatTransfer, AWizardWhoseTransferWasClosedByTheTitleBarKeepsItsFile)
{
    const QString file = writeFile(QStringLiteral("dnc.txt"), "201,5551234\r\n");
    auto wizard = shownWizard();
    wizard->dnctextfilename->setText(file);
    wizard->OptionFormat(frmDNCWizard::OtherFormats)->setChecked(true);
    scripted.expectModal(
        [&](QDialog* dialog) {
            auto* form = static_cast<frmFormatTransfer*>(dialog);
            form->txtTextPathOutput->setText(path(QStringLiteral("never.txt")));
            form->close();
            return 0;
        },
        QStringLiteral("frmFormatTransfer"));
    wizard->cmdBrowser->click();
    EXPECT_EQ(wizard->dnctextfilename->text(), file);
    EXPECT_EQ(wizard->CurrentFile(), QString());
}
