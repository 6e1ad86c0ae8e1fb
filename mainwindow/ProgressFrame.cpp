#include "mainwindow/ProgressFrame.h"

#include "platform/vb/DoEvents.h"
#include "platform/vb/Err.h"
#include "platform/widgets/FormKit.h"
#include "platform/widgets/ProgressBar.h"
#include "platform/widgets/StatusBar.h"

#include <QGridLayout>
#include <QLabel>

namespace {

// Painting and input are served at most this often during a run.
constexpr double kRepaintSeconds = 0.1;

} // namespace

ProgressFrame::ProgressFrame(ui::StatusBar* statusBar, QWidget* parent)
    : QFrame(parent), m_statusBar(statusBar)
{
    setObjectName(QStringLiteral("Frame6"));
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    m_bar = ui::named(new ui::ProgressBar(this), "ProgressBar1");
    m_bar->SetMax(100);
    m_status = ui::newLabel("lblStatus", QString(), this);
    m_min = ui::newLabel("lblMin", QString(), this);
    m_max = ui::newLabel("lblmax", QString(), this);
    m_status->setAlignment(Qt::AlignCenter);
    m_max->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 4, 8, 4);
    grid->setVerticalSpacing(2);
    grid->addWidget(m_min, 0, 0, Qt::AlignLeft);
    grid->addWidget(m_status, 0, 1, Qt::AlignCenter);
    grid->addWidget(m_max, 0, 2, Qt::AlignRight);
    grid->addWidget(m_bar, 1, 0, 1, 3);
    grid->setColumnStretch(1, 1);
}

void ProgressFrame::Begin(double maximum, const QString& maximumText)
{
    m_bar->SetMin(0);
    m_bar->SetMax(maximum);
    m_bar->SetValue(0);
    m_min->setText(QStringLiteral("0"));
    m_max->setText(maximumText);
}

void ProgressFrame::Show(double value, const QString& countText)
{
    m_bar->SetValue(value);
    if (!countText.isNull()) m_status->setText(countText);
}

void ProgressFrame::End()
{
    m_bar->SetValue(m_bar->Max());
    m_status->setText(m_max->text());
}

void ProgressFrame::Status(const QString& text, std::int32_t panel)
{
    m_statusBar->SetPanelText(panel, text);
}

void ProgressFrame::Yield(bool throttled)
{
    if (throttled)
        vb::DoEventsThrottled(kRepaintSeconds);
    else
        vb::DoEvents();
    if (m_stop && throttled)
        vb::Raise(18, QStringLiteral("Tervala"), QStringLiteral("User interrupt occurred"));
}
