// CIniFile: the settings file object over the profile functions.
#include "core/CIniFile.h"

#include "platform/vb/Err.h"
#include "support/ScriptedUi.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

const QString kSectionMessage = "[Section] and FileName Not Registered in Private.Ini!";

class IniFileTest : public ScriptedUiTest {
protected:
    void SetUp() override
    {
        ScriptedUiTest::SetUp();
        path = dir.filePath("Tervala.ini");
        ini.SetFullPath(path);
        ini.SetSectionName("ODBC");
    }
    void put(const QByteArray& content)
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(content);
    }
    QByteArray content()
    {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    void expectSectionMessage() { scripted.expectMsgBox(ui::vbOK, kSectionMessage, ui::vbInformation); }

    QTemporaryDir dir;
    QString path;
    CIniFile ini;
};

} // namespace

TEST_F(IniFileTest, MissingKeyGivesDefaultAndEmptyValueGivesEmpty)
{
    put("[ODBC]\r\nODBCPWD=\r\n");
    EXPECT_EQ(ini.GetString("ODBCDSN", "(None)"), "(None)");
    EXPECT_EQ(ini.GetString("ODBCPWD", "(None)"), "");
}

TEST_F(IniFileTest, MissingFileReadsAsDefaultsAndFirstPutCreatesIt)
{
    EXPECT_EQ(ini.GetString("ODBCDSN", "(None)"), "(None)");
    EXPECT_EQ(ini.GetInt("Port", 7), 7);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_NE(ini.PutString("ODBCDSN", "Sales"), 0);
    EXPECT_EQ(content(), "[ODBC]\nODBCDSN=Sales\n");
    EXPECT_EQ(ini.GetString("odbcdsn", ""), "Sales");
}

TEST_F(IniFileTest, BlankSectionShowsTheMessageAndLeavesTheFileAlone)
{
    put("[ODBC]\nODBCDSN=Sales\n");
    ini.SetSectionName("   ");
    ini.SetFullPath(path); // setting the file again does not select a section
    EXPECT_FALSE(ini.SectionSet());
    expectSectionMessage();
    EXPECT_EQ(ini.GetString("ODBCDSN", "x"), "");
    expectSectionMessage();
    EXPECT_EQ(ini.PutString("ODBCDSN", "Other"), 0);
    expectSectionMessage();
    EXPECT_EQ(ini.GetInt("ODBCDSN", 5), 0);
    expectSectionMessage();
    EXPECT_FALSE(ini.GetTF("ODBCDSN", true));
    expectSectionMessage();
    EXPECT_EQ(ini.GetSections(), "");
    EXPECT_EQ(content(), "[ODBC]\nODBCDSN=Sales\n");
    ASSERT_EQ(scripted.calls().size(), 5u);
    EXPECT_EQ(scripted.calls()[0].title, "IniFile Logic Error");
}

TEST_F(IniFileTest, LongValuesAreReadWhole)
{
    const QString value(600, 'x');
    EXPECT_NE(ini.PutString("ODBCDriver", value), 0);
    EXPECT_EQ(ini.GetString("ODBCDriver", ""), value);
}

TEST_F(IniFileTest, ValuesWithLineBreaksAreRefused)
{
    put("[ODBC]\nODBCPWD=secret\n");
    EXPECT_EQ(ini.PutString("ODBCPWD", "two\r\nlines"), 0);
    EXPECT_EQ(ini.PutString("ODBCPWD", "lf\nonly"), 0);
    EXPECT_FALSE(ini.PutTF("Flag\n", true));
    EXPECT_EQ(content(), "[ODBC]\nODBCPWD=secret\n");
}

TEST_F(IniFileTest, ExtractNameAndPathAcceptBothSeparators)
{
    EXPECT_EQ(ini.ExtractName("C:\\a\\b.tar.gz", 1), "b");
    EXPECT_EQ(ini.ExtractName("C:\\a\\b.tar.gz", 2), "tar.gz");
    EXPECT_EQ(ini.ExtractName("C:\\a\\b.tar.gz", 0), "b.tar.gz");
    EXPECT_EQ(ini.ExtractName("/a/b.tar.gz", 1), "b");
    EXPECT_EQ(ini.ExtractName("C:name.txt", 1), "name");
    EXPECT_EQ(ini.ExtractName("/a/noext", 2), "noext");
    EXPECT_EQ(ini.ExtractPath("C:\\a\\b.txt"), "C:\\a");
    EXPECT_EQ(ini.ExtractPath("/a/b/c.txt"), "/a/b");
    EXPECT_EQ(ini.ExtractPath("/a/b/"), "/a/b");
    EXPECT_EQ(ini.ExtractPath("plain.txt"), QDir::currentPath());
    EXPECT_EQ(ini.ExtractName("", 0), "Tervala.ini"); // empty means FullPath
}

TEST_F(IniFileTest, GetTFRecognisesItsWords)
{
    put("[ODBC]\na=yes\nb=  On  \nc=-1\nd=maybe\ne=0\nf=T\n");
    EXPECT_TRUE(ini.GetTF("a", false));
    EXPECT_TRUE(ini.GetTF("b", false));
    EXPECT_TRUE(ini.GetTF("c", false));
    EXPECT_FALSE(ini.GetTF("d", true));
    EXPECT_FALSE(ini.GetTF("e", true));
    EXPECT_TRUE(ini.GetTF("f", false));
    EXPECT_TRUE(ini.GetTF("missing", true));
    EXPECT_FALSE(ini.GetTF("missing", false));
    EXPECT_TRUE(ini.PutTF("g", true));
    EXPECT_EQ(ini.GetString("g", ""), "True");
}

TEST_F(IniFileTest, IntegersReadAndWritten)
{
    EXPECT_NE(ini.PutInt("Port", -42), 0);
    EXPECT_EQ(ini.GetInt("Port", 0), -42);
    EXPECT_EQ(ini.GetInt("Missing", 9), 9);
    put("[ODBC]\nBig=70000\n");
    try {
        ini.GetInt("Big", 0);
        FAIL() << "a value beyond 16 bits must not wrap";
    } catch (const vb::ErrObject& e) {
        EXPECT_EQ(e.Number, 6);
    }
}

TEST_F(IniFileTest, SectionsListedAndFoundWithComments)
{
    put("; top comment\n[ODBC] ; the connection\nk=v\n[Other]\n  [ Spaced ]  \n[bad] x\n");
    const QChar nul(0);
    EXPECT_EQ(ini.GetSections(), "ODBC" + QString(nul) + "Other" + nul + " Spaced " + nul + nul);
    EXPECT_TRUE(ini.SectExist("odbc"));
    EXPECT_TRUE(ini.SectExist("OTHER"));
    EXPECT_FALSE(ini.SectExist("bad"));
    EXPECT_FALSE(ini.SectExist("Oth"));
    QStringList names;
    EXPECT_EQ(ini.GetSectionsEx(names), 3);
    EXPECT_EQ(names, QStringList({"ODBC", "Other", " Spaced "}));
}

TEST_F(IniFileTest, FileWithoutSectionsGivesTwoNuls)
{
    put("k=v\n");
    EXPECT_EQ(ini.GetSections(), QString(2, QChar(0)));
    EXPECT_FALSE(ini.SectExist("ODBC"));
}

TEST_F(IniFileTest, SectionEntries)
{
    put("[ODBC]\nODBCDSN=Sales\nODBCPWD=\n[Next]\nx=1\n");
    const QChar nul(0);
    EXPECT_EQ(ini.GetSectEntries(), "ODBCDSN=Sales" + QString(nul) + "ODBCPWD=" + nul + nul);
    QStringList keys, values;
    EXPECT_EQ(ini.GetSectEntriesEx(keys, values), 2);
    EXPECT_EQ(keys, QStringList({"ODBCDSN", "ODBCPWD"}));
    EXPECT_EQ(values, QStringList({"Sales", ""}));

    ini.SetSectionName("Empty");
    keys = {"untouched"};
    EXPECT_EQ(ini.GetSectEntries(), QString(nul));
    EXPECT_EQ(ini.GetSectEntriesEx(keys, values), 0);
    EXPECT_EQ(keys, QStringList({"untouched"}));
}

TEST_F(IniFileTest, DeletingEntriesAndSections)
{
    put("[ODBC]\na=1\nb=2\n[Next]\nx=1\n");
    ini.DeleteStrEntry("a");
    EXPECT_EQ(content(), "[ODBC]\na=\nb=2\n[Next]\nx=1\n");
    ini.DeleteNumEntry("B");
    EXPECT_EQ(content(), "[ODBC]\na=\n[Next]\nx=1\n");
    ini.DeleteSection();
    EXPECT_EQ(content(), "[ODBC]\n[Next]\nx=1\n");
    EXPECT_EQ(ini.SectionName(), "");
    EXPECT_FALSE(ini.SectionSet());
}

TEST(IniFileCreation, DefaultsToTheProgramFolderAndGeneralSection)
{
    QTemporaryDir home;
    qputenv("TERVALA_HOME", home.path().toUtf8());
    CIniFile ini;
    qunsetenv("TERVALA_HOME");
    EXPECT_EQ(ini.SectionName(), "General");
    EXPECT_EQ(ini.FullPath(), QDir(home.path()).absolutePath() + "/Tervala.ini");
}
