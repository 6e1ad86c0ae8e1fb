#pragma once
// The program's sense of time goes through one injectable clock, so tests of
// timed waits and elapsed-time texts run on a fake clock without sleeping.

#include <QDateTime>

namespace vb {

class Clock {
public:
    virtual ~Clock() = default;
    // Seconds on a clock that only moves forward (not the time of day).
    virtual double monotonicSeconds() = 0;
    // The local date and time.
    virtual QDateTime now() = 0;
    virtual void sleep(double seconds) = 0;
};

// The machine's clocks.
class RealClock : public Clock {
public:
    double monotonicSeconds() override;
    QDateTime now() override;
    void sleep(double seconds) override;
};

// A clock for tests: time moves only when told to; sleep() advances it.
class FakeClock : public Clock {
public:
    explicit FakeClock(const QDateTime& start = QDateTime(QDate(2001, 1, 1), QTime(0, 0)));

    double monotonicSeconds() override { return m_elapsed; }
    QDateTime now() override;
    void sleep(double seconds) override;

    void advance(double seconds);            // moves both the wall clock and the monotonic clock
    void setNow(const QDateTime& dt);        // moves only the wall clock
    double slept() const { return m_slept; } // total seconds asked of sleep()
    int sleepCalls() const { return m_sleepCalls; }

private:
    QDateTime m_start;
    double m_elapsed = 0.0;
    double m_slept = 0.0;
    int m_sleepCalls = 0;
};

// Installs the clock the vb functions use; nullptr restores the real one.
// The caller keeps ownership.
void SetClock(Clock* clock);
Clock& CurrentClock();

// Seconds elapsed on the monotonic clock since a fixed origin: differences
// of two readings never go negative, across midnight included.
double Timer();

// Waits through the clock (a fake clock just advances).
void Sleep(double seconds);

} // namespace vb
