// The Qt services of the running program, driven from inside their own
// event loop: a modal show ends when the form hides itself, a message box
// answers the button pressed, and documents become the right addresses.
#include "platform/vb/App.h"
#include "platform/widgets/QtServices.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <gtest/gtest.h>

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

// A Latin-1 "Müller.csv" is not listed by the open dialog: a note under the list names it and says why.
TEST(QtServices, TheOpenDialogSaysWhichFilesItCannotListForTheirNames)
{
    QTemporaryDir dir;
    ASSERT_EQ(std::fclose(std::fopen((dir.path().toUtf8() + "/M\xFCller.csv").constData(), "w")), 0);
    QString note;
    QTimer::singleShot(0, [&] {
        auto* dialog = QApplication::activeModalWidget();
        if (auto* label = dialog->findChild<QLabel*>("lblNamesNotUtf8")) note = label->text();
        qobject_cast<QDialog*>(dialog)->reject();
    });
    EXPECT_FALSE(QtServices().GetOpenFileName({dir.path()}).has_value());
    EXPECT_EQ(note, QStringLiteral("Not listed, as their names are not UTF-8 text: M\u00FCller.csv. Rename "
                                   "them to open them."));
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
