// The Qt services of the running program, driven from inside their own
// event loop: a modal show ends when the form hides itself, a message box
// answers the button pressed, and documents become the right addresses.
#include "platform/vb/App.h"
#include "platform/widgets/QtServices.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace ui;

TEST(QtServices, ModalShowEndsWhenTheFormHidesItself)
{
    QDialog owner;
    owner.setObjectName("frmMain");
    owner.show();
    QDialog form;
    QWindow* transientParent = nullptr;
    bool wasModal = false;
    QTimer::singleShot(0, &form, [&] {
        wasModal = form.isModal() || form.windowModality() != Qt::NonModal;
        transientParent = form.windowHandle() ? form.windowHandle()->transientParent() : nullptr;
        form.hide(); // how a form ends its own modal show
    });
    QtServices real;
    EXPECT_EQ(real.ShowModal(&form, &owner), QDialog::Rejected);
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(wasModal);
    EXPECT_EQ(transientParent, owner.windowHandle());
    EXPECT_EQ(form.parentWidget(), nullptr); // the caller still owns the form
}

TEST(QtServices, ModalShowGivesTheAcceptedResult)
{
    QDialog form;
    QTimer::singleShot(0, &form, [&] { form.accept(); });
    QtServices real;
    EXPECT_EQ(real.ShowModal(&form, nullptr), QDialog::Accepted);
}

TEST(QtServices, MessageBoxAnswersTheButtonPressedUnderTheProgramTitle)
{
    QString title;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        title = box->windowTitle();
        box->button(QMessageBox::No)->click();
    });
    QtServices real;
    EXPECT_EQ(real.MsgBox("Are you sure want to start?", vbYesNo | vbQuestion, {}), vbNo);
    EXPECT_EQ(title, vb::App::Title());
}

// A Latin-1 "Müller.csv" is not listed by the open dialog: a note under the list names it and says why;
// so it does in a folder entered by typing its path, for a name cut short part way through a character.
TEST(QtServices, TheOpenDialogSaysWhichFilesItCannotListForTheirNames)
{
    QTemporaryDir dir;
    const QByteArray path = dir.path().toUtf8();
    ASSERT_EQ(std::fclose(std::fopen((path + "/M\xFCller.csv").constData(), "w")), 0);
    ASSERT_EQ(::mkdir((path + "/sub").constData(), 0700), 0);
    ASSERT_EQ(::mkdir((path + "/sub/Ordner\xE9").constData(), 0700), 0);
    QStringList notes;
    const auto note = [&notes] {
        auto* label = QApplication::activeModalWidget()->findChild<QLabel*>("lblNamesNotUtf8");
        notes << (label ? label->text() : QString());
    };
    QTimer::singleShot(0, [&] {
        note();
        auto* name = QApplication::activeModalWidget()->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText(dir.path() + "/sub");
        QTest::keyClick(name, Qt::Key_Return);
        QTimer::singleShot(0, [&] {
            note();
            qobject_cast<QDialog*>(QApplication::activeModalWidget())->reject();
        });
    });
    EXPECT_FALSE(QtServices().GetOpenFileName({dir.path()}).has_value());
    EXPECT_EQ(notes,
              (QStringList{
                  "Not listed, as their names are not UTF-8 text: M\u00FCller.csv. Rename them to open them.",
                  "Not listed, as their names are not UTF-8 text: Ordner\u00E9. Rename them to open them."}));
}

TEST(QtServices, DocumentsBecomeAddresses)
{
    EXPECT_EQ(DocumentUrl("mailto:sales@example.com").scheme(), "mailto");
    EXPECT_EQ(DocumentUrl("https://example.com/page.html").toString(), "https://example.com/page.html");
    EXPECT_EQ(DocumentUrl("/opt/tervala/rodadureriv.html"),
              QUrl::fromLocalFile("/opt/tervala/rodadureriv.html"));
    EXPECT_EQ(DocumentUrl("/opt/my folder/a b.txt").toLocalFile(), "/opt/my folder/a b.txt");
}

TEST(QtServices, EmptyDocumentOrProgramIsRefused)
{
    QtServices real;
    EXPECT_FALSE(real.OpenDocument("  "));
    EXPECT_FALSE(real.StartProgram("", {}));
}
