#pragma once
// A progress bar with VB's floating-point Min, Max and Value. A value
// outside Min..Max is clamped rather than refused, so a count that runs past
// its estimate never stops a long action. The floats are mapped onto the
// bar's integer range.

#include <QProgressBar>

namespace ui {

class ProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr);

    double Min() const { return m_min; }
    double Max() const { return m_max; }
    double Value() const { return m_value; }

    // Value is clamped into the new range. A Max at or below Min gives an
    // empty bar (never Qt's busy indicator).
    void SetMin(double min);
    void SetMax(double max);
    void SetValue(double value);

    // Steps of the bar's integer range that Min..Max is spread over.
    static constexpr int Steps = 10000;

private:
    void refresh();

    double m_min = 0.0;
    double m_max = 100.0;
    double m_value = 0.0;
};

} // namespace ui
