#include "platform/widgets/StatusBar.h"

#include "platform/vb/Err.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QTimer>

namespace ui {

namespace {
constexpr int IndexOutOfBounds = 35600;
}

StatusBar::StatusBar(int panelCount, QWidget* parent) : QStatusBar(parent), m_clock(new QTimer(this))
{
    for (int i = 0; i < panelCount; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        addWidget(label, i == 0 ? 1 : 0); // the first panel takes the spare width
        m_panels.push_back(label);
        m_styles.push_back(PanelStyle::Text);
    }
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, &StatusBar::refreshClock);
}

int StatusBar::checked(int index) const
{
    if (index < 1 || index > PanelCount())
        vb::Raise(IndexOutOfBounds, QStringLiteral("StatusBar"), QStringLiteral("Index out of bounds"));
    return index - 1;
}

void StatusBar::SetPanelText(int index, const QString& text)
{
    m_panels.at(checked(index))->setText(text);
}

QString StatusBar::PanelText(int index) const
{
    return m_panels.at(checked(index))->text();
}

QLabel* StatusBar::Panel(int index) const
{
    return m_panels.at(checked(index));
}

void StatusBar::SetPanelStyle(int index, PanelStyle style)
{
    m_styles[checked(index)] = style;
    const bool anyClock = m_styles.contains(PanelStyle::Date) || m_styles.contains(PanelStyle::Time);
    if (anyClock && !m_clock->isActive())
        m_clock->start();
    else if (!anyClock)
        m_clock->stop();
    refreshClock();
}

void StatusBar::refreshClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    for (int i = 0; i < PanelCount(); ++i) {
        if (m_styles.at(i) == PanelStyle::Date)
            m_panels.at(i)->setText(us.toString(now.date(), QStringLiteral("M/d/yyyy")));
        else if (m_styles.at(i) == PanelStyle::Time)
            m_panels.at(i)->setText(us.toString(now.time(), QStringLiteral("h:mm AP")));
    }
}

} // namespace ui
