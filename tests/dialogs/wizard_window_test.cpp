// The wizard's window: its controls and texts, what it loads from the
// settings, and a layout in which every control has its room. With
// TERVALA_SCREENSHOT_DIR set, the window is saved there as a PNG.

#include "WizardFixture.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>

using Window = WizardTest;

TEST_F(Window, HoldsTheControlsWithTheirTexts)
{
    frmDNCWizard wizard;
    EXPECT_EQ(wizard.objectName(), QStringLiteral("frmDNCWizard"));
    EXPECT_EQ(wizard.windowTitle(), QStringLiteral("Text Wizard"));
    EXPECT_EQ(wizard.XPFrame1->title(), QStringLiteral("DNC Data Profile"));
    EXPECT_EQ(wizard.Label1->text(), QStringLiteral("File Name"));
    EXPECT_EQ(wizard.cmdBrowser->text(), QStringLiteral("Browser"));
    EXPECT_EQ(wizard.cmdView->text(), QStringLiteral("&View"));
    EXPECT_EQ(wizard.dnctextfilehearder->text(), QStringLiteral("First line is header?"));
    EXPECT_EQ(wizard.dnctextfiledelimited->text(), QStringLiteral("Delimited?"));
    EXPECT_EQ(wizard.Frame2->title(), QStringLiteral("Format"));
    const QStringList formats{"National TEXT", "National HTML", "Other Formats", "National Update"};
    for (int i = 0; i < 4; ++i) {
        ASSERT_NE(wizard.OptionFormat(i), nullptr);
        EXPECT_EQ(wizard.OptionFormat(i)->text(), formats[i]);
        EXPECT_EQ(wizard.OptionFormat(i)->objectName(), QStringLiteral("OptionFormat_%1").arg(i));
    }
    EXPECT_TRUE(wizard.OptionFormat(0)->isChecked());
    EXPECT_EQ(wizard.Label7->text(), QStringLiteral("Lines Per File"));
    EXPECT_EQ(wizard.txtFileLines->text(), QStringLiteral("100000"));
    EXPECT_EQ(wizard.cmdSplit->text(), QStringLiteral("Split File"));
    EXPECT_EQ(wizard.Label2->text(), QStringLiteral("Note: "));
    EXPECT_EQ(wizard.Label3->text(), QStringLiteral("Data Format: Area Code, Phone Number"));
    EXPECT_EQ(wizard.Label4->text(), QStringLiteral("         Or: Area Code Phone Number"));
    EXPECT_EQ(wizard.Label5->text(), QStringLiteral("For Example: AAA, PPPPPPP"));
    EXPECT_EQ(wizard.Label6->text(), QStringLiteral("         Or: AAAPPPPPPP"));
    const QStringList columns{"Code", "Count In Text", "Count In DB", "Count After Import In DB"};
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(wizard.lstCode->headerItem()->text(c), columns[c]);
    EXPECT_EQ(wizard.cmdAnalysis->text(), QStringLiteral("Analysis"));
    EXPECT_EQ(wizard.cmdOK->text(), QStringLiteral("Import"));
    EXPECT_EQ(wizard.cmdCancal->text(), QStringLiteral("Close"));
    EXPECT_FALSE(wizard.Timer1->Enabled());
    for (const char* name : {"dnctextfilename", "cmdBrowser", "cmdView", "dnctextfilehearder",
                             "dnctextfiledelimited", "txtFileLines", "cmdSplit", "lstCode", "cmdAnalysis",
                             "cmdOK", "cmdCancal", "sbStatusBar", "XPFrame1", "Frame2"})
        EXPECT_NE(wizard.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
}

TEST_F(Window, LoadsTheFileItsLayoutAndTheLinesPerFileFromTheSettings)
{
    setSetting(QStringLiteral("dnctextfilename"), QStringLiteral("/data/dnc.txt"));
    setSetting(QStringLiteral("dnctextfilehearder"), QStringLiteral("1"));
    setSetting(QStringLiteral("dnctextfiledelimited"), QStringLiteral("0"));
    setSetting(QStringLiteral("linesperfile"), QStringLiteral("5000"));
    auto wizard = shownWizard();
    EXPECT_EQ(wizard->dnctextfilename->text(), QStringLiteral("/data/dnc.txt"));
    EXPECT_TRUE(wizard->dnctextfilehearder->isChecked());
    EXPECT_FALSE(wizard->dnctextfiledelimited->isChecked());
    EXPECT_EQ(wizard->txtFileLines->text(), QStringLiteral("5000"));
    EXPECT_FALSE(wizard->IsCancel());
    EXPECT_FALSE(wizard->Timer1->Enabled()) << "no quick import asked for";
}

TEST_F(Window, AStoredValueThatIsNoCheckBoxValueIsPassedOver)
{
    setSetting(QStringLiteral("dnctextfilehearder"), QStringLiteral("7"));
    setSetting(QStringLiteral("dnctextfiledelimited"), QStringLiteral("1"));
    setSetting(QStringLiteral("linesperfile"), QStringLiteral("250"));
    auto wizard = shownWizard();
    EXPECT_FALSE(wizard->dnctextfilehearder->isChecked());
    EXPECT_TRUE(wizard->dnctextfiledelimited->isChecked()) << "the settings after it still load";
    EXPECT_EQ(wizard->txtFileLines->text(), QStringLiteral("250"));
}

TEST_F(Window, EveryControlHasRoomInsideTheWindow)
{
    auto wizard = shownWizard();
    wizard->dnctextfilename->setText(writeFile(QStringLiteral("dnc.txt"), "201,5551234\r\n973,5551234\r\n"));
    wizard->cmdAnalysis->click();
    wizard->sbStatusBar->SetPanelText(1, QStringLiteral("Analysis Data ..."));
    QCoreApplication::processEvents();

    const QRect inside = wizard->rect();
    for (QWidget* w : wizard->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(wizard.get()) || w->objectName().isEmpty() ||
            w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        const QRect r(w->mapTo(wizard.get(), QPoint(0, 0)), w->size());
        EXPECT_FALSE(r.isEmpty()) << w->objectName().toStdString();
        EXPECT_TRUE(inside.contains(r)) << w->objectName().toStdString();
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty()) {
            EXPECT_GE(label->width(), label->sizeHint().width()) << "cut: " << label->text().toStdString();
        }
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            EXPECT_GE(button->width(), button->sizeHint().width()) << "cut: " << button->text().toStdString();
        }
    }
    const QHeaderView* header = wizard->lstCode->header();
    for (int c = 0; c < 4; ++c)
        EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c)) << "column " << c;

    const QString dir = qEnvironmentVariable("TERVALA_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        QDir().mkpath(dir);
        wizard->grab().save(dir + QStringLiteral("/tervala_wizard.png"));
    }
}
