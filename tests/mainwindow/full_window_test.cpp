// The whole main window as start-up leaves it: every control laid out inside
// the window, readable, and the web pane taking the room a larger window
// gives. With TERVALA_SCREENSHOT_DIR set, the window is saved there as a PNG.

#include "MainWindowFixture.h"

#include "platform/widgets/StatusBar.h"

#include <QApplication>
#include <QFontInfo>
#include <QLineEdit>
#include <QPixmap>
#include <QScopeGuard>
#include <utility>
#include <vector>

namespace {

void saveScreenshot(QWidget* window, const QString& name)
{
    const QString dir = qEnvironmentVariable("TERVALA_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    QDir().mkpath(dir);
    window->grab().save(dir + QLatin1Char('/') + name);
}

} // namespace

// In the default font, and in a Japanese one whose average character is nearly twice as wide.
class FullWindow : public MainWindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(FullWindow, EveryVisibleControlHasRoomInsideTheWindow)
{
    const QFont before = QApplication::font();
    const auto restore = qScopeGuard([&before] { QApplication::setFont(before); });
    if (*GetParam()) QApplication::setFont(QFont(QString::fromLatin1(GetParam()), before.pointSize()));
    ASSERT_TRUE(!*GetParam() || QFontInfo(QApplication::font()).family() == QLatin1String(GetParam()));
    const QString lists = home.filePath(QStringLiteral("lists")) + QLatin1Char('/');
    QDir().mkpath(lists);
    QFile::copy(QStringLiteral(TERVALA_SOURCE_DIR "/tests/mainwindow/data/calls.csv"), lists + "calls.csv");
    {
        mwtest::Db db(databasePath());
        db.exec(QStringLiteral("insert into DataTypeInfo (DataType, DataDSN, DataDBName, DataTableName, "
                               "DataFieldName, DataMarkName, IsTitleFirstLine, Delimited) values "
                               "('TEXT FILE', '(None)', '%1', 'calls.csv', 'Phone', 'Status', 1, 1)")
                    .arg(lists));
    }
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    waitForPage(form);
    form->Timer1_Timer();
    waitForPage(form);
    mwtest::ctl(form).OptPhoneType(1)->click();
    form->SetStatusBar(QStringLiteral("Ready"), 1);
    QCoreApplication::processEvents();

    const QRect inside = form->rect();
    for (QWidget* w : form->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(form) || w->objectName().isEmpty() ||
            w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        const QRect r(w->mapTo(form, QPoint(0, 0)), w->size());
        EXPECT_FALSE(r.isEmpty()) << w->objectName().toStdString();
        EXPECT_TRUE(inside.contains(r)) << w->objectName().toStdString();
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty()) {
            EXPECT_GE(label->width(), label->sizeHint().width()) << "cut: " << label->text().toStdString();
        }
    }
    // Hidden source types stay hidden.
    for (std::int16_t i = 5; i <= 8; ++i)
        EXPECT_FALSE(mwtest::ctl(form).OptPhoneType(i)->isVisibleTo(form));
    saveScreenshot(form, QStringLiteral("tervala_main.png"));

    const int paneHeight = mwtest::ctl(form).WebBrowser1->height();
    form->resize(form->width() + 300, form->height() + 200);
    QCoreApplication::processEvents();
    EXPECT_GT(mwtest::ctl(form).WebBrowser1->height(), paneHeight);
    EXPECT_GT(mwtest::ctl(form).TxtPhoneData->width(), 0);
    saveScreenshot(form, QStringLiteral("tervala_main_large.png"));
    // On a wide screen the mark box still follows its caption.
    form->resize(1920, form->height());
    QCoreApplication::processEvents();
    const QWidget* caption = mwtest::ctl(form).chkOptions;
    EXPECT_LE(mwtest::ctl(form).cboMarkField->x() - caption->x() - caption->sizeHint().width(), 24);
    saveScreenshot(form, QStringLiteral("tervala_main_1920.png"));

    // Narrowed as far as it goes: the window fits a 1024-pixel screen, the controls keep their room, none
    // over another, and the mark box shows a mark of a dozen characters.
    form->resize(1, 1);
    QCoreApplication::processEvents();
    EXPECT_LE(form->width(), 1024);
    saveScreenshot(form, QStringLiteral("tervala_main_narrow.png"));
    std::vector<std::pair<QWidget*, QRect>> placed;
    for (QWidget* w : form->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(form) || w->objectName().isEmpty() ||
            w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        const QRect r(w->mapTo(form, QPoint(0, 0)), w->size());
        EXPECT_TRUE(form->rect().contains(r)) << "narrowed: " << w->objectName().toStdString();
        EXPECT_GE(w->width(), w->minimumSizeHint().width()) << "narrowed: " << w->objectName().toStdString();
        for (const auto& [other, at] : placed)
            if (other->parentWidget() == w->parentWidget())
                EXPECT_FALSE(r.intersects(at))
                    << w->objectName().toStdString() << " over " << other->objectName().toStdString();
        placed.emplace_back(w, r);
    }
    QLineEdit* mark = mwtest::ctl(form).txtMarkChar;
    EXPECT_GE(mark->contentsRect().width(),
              mark->fontMetrics().horizontalAdvance(QStringLiteral("DNC 2024-12-0")));
}

INSTANTIATE_TEST_SUITE_P(MainWindow, FullWindow, ::testing::Values("", "VL PGothic"));
