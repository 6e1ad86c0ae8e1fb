#include "platform/widgets/ProgressBar.h"

#include <algorithm>
#include <cmath>

namespace ui {

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent)
{
    setRange(0, Steps);
    setTextVisible(false);
    refresh();
}

void ProgressBar::SetMin(double min)
{
    m_min = min;
    refresh();
}

void ProgressBar::SetMax(double max)
{
    m_max = max;
    refresh();
}

void ProgressBar::SetValue(double value)
{
    m_value = value;
    refresh();
}

void ProgressBar::refresh()
{
    if (std::isnan(m_value)) m_value = m_min;
    const double top = std::max(m_min, m_max);
    m_value = std::clamp(m_value, m_min, top);
    int step = 0;
    if (m_max > m_min) step = static_cast<int>(std::lround((m_value - m_min) / (m_max - m_min) * Steps));
    setValue(std::clamp(step, 0, Steps));
}

} // namespace ui
