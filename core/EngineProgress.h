#pragma once
// The one contract of the program's long work (the DNC import, the scrubs,
// duplicate removal, the import wizard's conversions): an engine takes a
// job, reports how far it got through EngineProgress and hands back a result
// that says how the run ended. It shows no message box, asks no question and
// touches no widget: the window asks before the run and reports after it.

#include <QString>
#include <cstdint>
#include <optional>

namespace vb {
class ErrObject;
}

namespace engine {

// What a run shows while it works: a bar with the texts beside it, and the
// lines of the status bar. The window implements it; tests record it.
class EngineProgress {
public:
    virtual ~EngineProgress() = default;
    // Before the work: the bar runs from 0 to maximum, with maximumText
    // beside its end.
    virtual void Begin(double maximum, const QString& maximumText) = 0;
    // The bar's value and the count beside it; a null count leaves the text
    // as it was.
    virtual void Show(double value, const QString& countText) = 0;
    // The run got through its steps: the bar stands at its end, with the
    // maximum's text beside it.
    virtual void End() = 0;
    // A line of the status bar: panel 1 messages, panel 2 elapsed times.
    virtual void Status(const QString& text, std::int32_t panel) = 0;
    // Lets the window serve its events. A throttled yield may be passed over
    // when the window served them a moment ago.
    virtual void Yield(bool throttled) = 0;
    // Whether a report made now would be seen: a window repainted a moment
    // ago passes over what comes before its next repaint, the last report
    // (final) excepted. A run that reports every hundred records builds its
    // texts only when they are.
    virtual bool Due(bool final) = 0;
};

// A run without a window: nothing is shown.
class NoProgress : public EngineProgress {
public:
    bool Due(bool) override { return false; }
    void Begin(double, const QString&) override {}
    void Show(double, const QString&) override {}
    void End() override {}
    void Status(const QString&, std::int32_t) override {}
    void Yield(bool) override {}
};

// A window's Due: at most every tenth of a second on the program's clock,
// and always the last report.
class ProgressThrottle {
public:
    explicit ProgressThrottle(double seconds = 0.1) : m_seconds(seconds) {}
    // True when a report is due now (a final one always is); it then counts
    // as made.
    bool Due(bool final);

private:
    double m_seconds;
    double m_last = 0;
    bool m_reported = false;
};

// An error that stopped a run, as the window's error report names it.
struct Failure {
    std::int32_t number = 0;
    QString description;
    QString module;
    QString function;
};

// The error caught as a failure of the module's function.
Failure FailureOf(const vb::ErrObject& error, const QString& module, const QString& function);

// How a run ended, for the window to report; each engine adds its counts.
// The window reports, in this order, the failure, the refusal, the summary.
struct Result {
    // An error stopped the run.
    std::optional<Failure> failure;
    // The run stopped with a message, before it changed anything.
    QString refusal;
    // The closing text of a run that got to its end.
    QString summary;
};

} // namespace engine
