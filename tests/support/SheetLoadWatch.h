#pragma once
// What a window showed each time a workbook's sheet was read from its file
// (the long part of opening a large workbook): the hourglass, and whether
// it was drawn since a mark (a dialog or box closed over it).

#include "platform/files/Workbook.h"
#include "platform/vb/Clock.h"
#include "platform/widgets/WaitCursor.h"

#include <QEvent>
#include <QLabel>
#include <QStringList>
#include <QWidget>
#include <vector>

namespace testsupport {

class SheetLoadWatch : public QObject {
public:
    struct Seen {
        bool hourglass = false;
        bool drawnSinceMark = false;
    };

    explicit SheetLoadWatch(QWidget* window) : m_window(window->window())
    {
        m_window->installEventFilter(this);
        files::SetSheetLoadHook([this](const QString&) {
            if (!m_marked) return;
            seen.push_back({ui::HourglassShown(), m_paints > m_paintsAtMark});
            // With TERVALA_SCREENSHOT_DIR set, the window as it stands then.
            if (const QString shots = qEnvironmentVariable("TERVALA_SCREENSHOT_DIR"); !shots.isEmpty())
                m_window->grab().save(shots + QStringLiteral("/tervala_sheet_load_%1.png").arg(seen.size()));
        });
    }
    ~SheetLoadWatch() override { files::SetSheetLoadHook({}); }

    // Loads from now on are seen.
    void mark()
    {
        m_marked = true;
        m_paintsAtMark = m_paints;
    }

    std::vector<Seen> seen;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window && event->type() == QEvent::Paint) ++m_paints;
        return false;
    }

private:
    QWidget* m_window;
    bool m_marked = false;
    int m_paints = 0, m_paintsAtMark = 0;
};

// The texts a label of a window was drawn with, in order (a wait's word in
// the status bar is seen only when the window is drawn while it waits).
struct DrawnTexts : QObject {
    explicit DrawnTexts(QLabel* label) : m_label(label) { label->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_label && event->type() == QEvent::Paint &&
            (drawn.isEmpty() || drawn.last() != m_label->text()))
            drawn << m_label->text();
        return false;
    }
    QLabel* m_label;
    QStringList drawn;
};

// A program clock whose seconds move on at every reading, as long work takes
// time, without a real wait; the time of day is the one given.
struct TickingClock : vb::FakeClock {
    TickingClock(double tick, vb::Clock& day) : m_tick(tick), m_day(day) {}
    double monotonicSeconds() override { return m_seconds += m_tick; }
    QDateTime now() override { return m_day.now(); }
    double m_tick, m_seconds = 0;
    vb::Clock& m_day;
};

} // namespace testsupport
