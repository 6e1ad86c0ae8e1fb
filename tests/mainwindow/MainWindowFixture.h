#pragma once
// Main window tests: a temporary program folder (TERVALA_HOME) with a fresh
// program database made from resources/schema.sql and the local start page,
// scripted UI services, and the maker's page pointed at a local address, so
// nothing touches the network. Start-up runs the real Main; TearDown closes
// the window (the real shut-down) and puts the process back as it was.

#include "core/CDataAccess.h"
#include "core/COption.h"
#include "core/DataAccessModule.h"
#include "core/Globals.h"
#include "dialogs/frmMakeConnection.h"
#include "dialogs/frmOptions.h"
#include "mainwindow/MainWindowControls.h"
#include "mainwindow/ModuleMain.h"
#include "mainwindow/WebBrowser.h"
#include "mainwindow/frmMain.h"
#include "platform/vb/App.h"
#include "platform/widgets/WaitCursor.h"
#include "support/QtPrinters.h"
#include "support/ScriptedUi.h"
#include "support/SqliteFile.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolBar>
#include <gtest/gtest.h>
#include <ostream>
#include <sqlite3.h>

namespace mwtest {

using testsupport::MakeDatabase;
using testsupport::ReadFile;
using testsupport::WriteFile;

// Types the text into the widget, key by key, as a user does.
inline void type(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &press);
    }
}

// A dbf table written by python3-dbf: its fields ("NAME C(10); PHONE C(12)")
// and its rows, each with its values joined by "|".
inline bool MakeDbf(const QString& path, const QString& fields, const QStringList& rows)
{
    const QString script = QStringLiteral("import dbf, sys\n"
                                          "t = dbf.Table(sys.argv[1], sys.argv[2], codepage='cp1252')\n"
                                          "t.open(dbf.READ_WRITE)\n"
                                          "for row in sys.argv[3:]:\n"
                                          "    t.append(tuple(row.split('|')))\n"
                                          "t.close()\n");
    return QProcess::execute(QStringLiteral("/usr/bin/python3"),
                             QStringList{QStringLiteral("-c"), script, path, fields} + rows) == 0;
}

// Chooses the entry that reads as the text.
inline void choose(QComboBox* combo, const QString& text)
{
    const int index = combo->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    combo->setCurrentIndex(index);
}

// The program database, with the stored value of a setting at hand.
class Db : public testsupport::Db {
public:
    using testsupport::Db::Db;

    QString setting(const QString& key)
    {
        return scalar(
            QStringLiteral("select PropertyValue from DefProperty where PropertyKeys = '%1'").arg(key));
    }
};

// The connection dialog's answers: the database file typed in and applied,
// or the dialog cancelled.
inline ui::ScriptedServices::ModalHandler applyDatabase(const QString& path)
{
    return [path](QDialog* dialog) {
        auto* form = qobject_cast<frmMakeConnection*>(dialog);
        if (!form) {
            ADD_FAILURE() << "not the connection dialog";
            return 0;
        }
        mwtest::ctl(form).txtDatabase->setText(path);
        form->cmdOK_Click();
        return 1;
    };
}

// The options panel's answer: a press of its picture button AdminCP(index).
inline ui::ScriptedServices::ModalHandler pressOnOptions(int index)
{
    return [index](QDialog* dialog) {
        auto* options = qobject_cast<frmOptions*>(dialog);
        if (!options) {
            ADD_FAILURE() << "not the options panel";
            return 0;
        }
        options->AdminCP.at(index)->click();
        return 0;
    };
}

inline ui::ScriptedServices::ModalHandler cancelDialog()
{
    return [](QDialog* dialog) {
        dialog->reject();
        return 0;
    };
}

} // namespace mwtest

class MainWindowTest : public ScriptedUiTest {
protected:
    void SetUp() override
    {
        ScriptedUiTest::SetUp();
        ASSERT_TRUE(home.isValid());
        m_oldHome = qgetenv("TERVALA_HOME");
        m_oldMaker = frmMain::MakerPageAddress();
        m_oldRegistry = frmMain::DNCRegistryAddress();
        qputenv("TERVALA_HOME", home.path().toLocal8Bit());
        mwtest::MakeDatabase(databasePath());
        QFile::copy(QStringLiteral(TERVALA_SOURCE_DIR "/resources/pages/rodadureriv.html"),
                    home.filePath(QStringLiteral("rodadureriv.html")));
        // The maker's page is missing: the local page takes its place.
        frmMain::SetMakerPageAddress(home.filePath(QStringLiteral("maker/missing/rodadureriv.html")));
        frmMain::SetDNCRegistryAddress(QStringLiteral("https://registry.invalid/"));
    }

    void TearDown() override
    {
        if (gMainForm) {
            QPointer<frmMain> form = gMainForm;
            if (form->isVisible()) form->close();
            if (form && form->isVisible()) ADD_FAILURE() << "the main window did not close";
        }
        ReleaseGlobalObjects();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        gOption.reset();
        gConnectionString.clear();
        gAppPath.clear();
        ui::SetHourglass(false);
        vb::App::ReleaseInstanceLock();
        frmMain::SetMakerPageAddress(m_oldMaker);
        frmMain::SetDNCRegistryAddress(m_oldRegistry);
        qputenv("TERVALA_HOME", m_oldHome);
        ScriptedUiTest::TearDown();
    }

    QString databasePath() const { return home.filePath(QStringLiteral("Database/Tervala.mdb")); }
    QString iniPath() const { return home.filePath(QStringLiteral("Tervala.ini")); }

    // A settings file whose profile names the database file.
    void writeProfile(const QString& database)
    {
        mwtest::WriteFile(iniPath(),
                          QStringLiteral("[ODBC]\nODBCProvider=Microsoft.Jet.OLEDB.4.0\nODBCDSN=(None)\n"
                                         "ODBCDatabase=%1\n")
                              .arg(database)
                              .toUtf8());
    }

    // calls.csv in the folder, with its bytes, as the "TEXT FILE" source
    // profile names it (title line, fields Phone and Status).
    void profileTextList(const QString& folder, const QByteArray& bytes)
    {
        mwtest::WriteFile(folder + QStringLiteral("calls.csv"), bytes);
        mwtest::Db db(databasePath());
        db.exec(QStringLiteral("insert into DataTypeInfo (DataType, DataDSN, DataDBName, DataTableName, "
                               "DataFieldName, DataMarkName, IsTitleFirstLine, Delimited) values "
                               "('TEXT FILE', '(None)', '%1', 'calls.csv', 'Phone', 'Status', 1, 1)")
                    .arg(folder));
    }

    // Start-up as the program runs it; the main window, or null when the
    // program ended.
    frmMain* start()
    {
        Main();
        return gMainForm;
    }

    // Lets the event loop run until the web pane has finished loading.
    static void waitForPage(frmMain* form)
    {
        while (mwtest::ctl(form).WebBrowser1->Busy() || !mwtest::ctl(form).WebBrowser1->HasDocument())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::processEvents();
    }

    static QAction* toolbarButton(frmMain* form, const QString& key)
    {
        for (QAction* a : mwtest::ctl(form).TBLaunch->actions())
            if (a->property("Key").toString() == key) return a;
        ADD_FAILURE() << "no toolbar button " << key.toStdString();
        return nullptr;
    }

    QTemporaryDir home;

private:
    QByteArray m_oldHome;
    QString m_oldMaker;
    QString m_oldRegistry;
};
