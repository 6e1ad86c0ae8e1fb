#pragma once
// An engine's progress as a test sees it: every report is due and recorded.

#include "core/EngineProgress.h"

#include <QStringList>
#include <functional>
#include <vector>

namespace testsupport {

class RecordingProgress : public engine::EngineProgress {
public:
    double maximum = -1;
    QString maximumText;
    double value = 0;               // the bar's value as the last report left it
    std::vector<double> values;     // the bar's value of every report
    QStringList counts;             // the count beside the bar of every report that has one
    QStringList statuses;           // panel 1, line by line
    QStringList times;              // panel 2, line by line
    bool ended = false;             // End was reported
    bool finalDue = false;          // the last report was asked for
    std::function<void()> onReport; // called at every report of the bar
    int yields = 0;                 // throttled yields, the window's chances to draw between reports
    int yieldsAtFinal = -1;         // yields before the final report of the bar

    void Begin(double max, const QString& text) override
    {
        maximum = max;
        maximumText = text;
        value = 0;
    }
    void Show(double v, const QString& count) override
    {
        value = v;
        values.push_back(v);
        if (!count.isNull()) counts << count;
        if (onReport) onReport();
    }
    void End() override
    {
        ended = true;
        value = maximum;
    }
    void Status(const QString& text, std::int32_t panel) override { (panel == 1 ? statuses : times) << text; }
    void Yield(bool throttled) override { yields += throttled ? 1 : 0; }
    bool Due(bool final) override
    {
        finalDue = finalDue || final;
        if (final && yieldsAtFinal < 0) yieldsAtFinal = yields;
        return true;
    }
    // The last line of panel 1, or "" when none was written.
    QString status() const { return statuses.isEmpty() ? QString() : statuses.last(); }
};

} // namespace testsupport
