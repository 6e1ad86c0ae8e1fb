// The web pane: the maker's page, the local page when it does not load, and
// the page's modification time kept in "lastadtime".

#include "MainWindowFixture.h"

#include "core/CDefPropertys.h"
#include "platform/ui/OneShotTimer.h"

#include <QDateTime>

class WebPaneTest : public MainWindowTest {
protected:
    // The maker's page, present as a local file modified at the given time.
    void makerPageModifiedAt(const QDateTime& when)
    {
        const QString page = home.filePath(QStringLiteral("maker/rodadureriv.html"));
        mwtest::WriteFile(page, "<html><body><h1>News from the maker</h1></body></html>");
        QFile f(page);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
        frmMain::SetMakerPageAddress(page);
    }
    void storeLastAdTime(const QString& value)
    {
        mwtest::Db db(databasePath());
        db.exec(
            QStringLiteral("insert into DefProperty (PropertyKeys, PropertyName, PropertyValue, DataType) "
                           "values ('lastadtime', 'Last Web Page Time', '%1', 3)")
                .arg(value));
    }
    QString lastAdTimeInMemory() const
    {
        return gDefPropertys->Item(QStringLiteral("lastadtime"))->PropertyValue();
    }
};

TEST_F(WebPaneTest, WhenTheMakersPageFailsTheLocalPageFollowsOneTickLater)
{
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    const QString before = lastAdTimeInMemory();
    waitForPage(form);
    EXPECT_EQ(mwtest::ctl(form).WebBrowser1->DocumentURL(), WebBrowser::ErrorPageURL());
    EXPECT_TRUE(mwtest::ctl(form).Timer1->Enabled());
    EXPECT_EQ(mwtest::ctl(form).Timer1->Interval(), 1000);

    form->Timer1_Timer(); // the timer's one tick
    EXPECT_FALSE(mwtest::ctl(form).Timer1->Enabled());
    waitForPage(form);
    EXPECT_TRUE(mwtest::ctl(form).WebBrowser1->DocumentURL().endsWith(home.path() +
                                                                      QStringLiteral("/rodadureriv.html")));
    EXPECT_TRUE(
        mwtest::ctl(form).WebBrowser1->toPlainText().contains(QStringLiteral("Scrub a calling list")));
    EXPECT_FALSE(mwtest::ctl(form).Timer1->Enabled());
    // Nothing is recorded for the local page.
    EXPECT_EQ(lastAdTimeInMemory(), before);
    EXPECT_FALSE(gDefPropertys->Item(QStringLiteral("lastadtime"))->IsDirty());
}

TEST_F(WebPaneTest, TheMakersPageStaysAndItsNewerTimeIsSavedAtOnce)
{
    makerPageModifiedAt(QDateTime(QDate(2031, 5, 6), QTime(7, 8, 9)));
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    waitForPage(form);
    EXPECT_FALSE(mwtest::ctl(form).Timer1->Enabled());
    EXPECT_TRUE(mwtest::ctl(form).WebBrowser1->toPlainText().contains(QStringLiteral("News from the maker")));
    EXPECT_EQ(lastAdTimeInMemory(), QStringLiteral("2031-05-06 07:08:09"));
    mwtest::Db db(databasePath());
    EXPECT_EQ(db.setting(QStringLiteral("lastadtime")), QStringLiteral("2031-05-06 07:08:09"));
}

TEST_F(WebPaneTest, AnOlderPageLeavesTheStoredTimeAlone)
{
    storeLastAdTime(QStringLiteral("2020-01-01 00:00:00"));
    makerPageModifiedAt(QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)));
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    waitForPage(form);
    EXPECT_FALSE(mwtest::ctl(form).Timer1->Enabled());
    EXPECT_EQ(lastAdTimeInMemory(), QStringLiteral("2020-01-01 00:00:00"));
    EXPECT_FALSE(gDefPropertys->Item(QStringLiteral("lastadtime"))->IsDirty());
}

TEST_F(WebPaneTest, AStoredTimeThatIsNoDateIsLeftAlone)
{
    storeLastAdTime(QStringLiteral("sometime last spring"));
    makerPageModifiedAt(QDateTime(QDate(2031, 5, 6), QTime(7, 8, 9)));
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    waitForPage(form);
    EXPECT_FALSE(mwtest::ctl(form).Timer1->Enabled());
    EXPECT_EQ(lastAdTimeInMemory(), QStringLiteral("sometime last spring"));
}
