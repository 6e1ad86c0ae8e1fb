#pragma once
// A status bar of panels addressed from 1, like VB's: each panel shows a
// text, or keeps the current date or time up to date by itself.

#include <QStatusBar>
#include <QString>
#include <QVector>

class QLabel;
class QTimer;

namespace ui {

class StatusBar : public QStatusBar {
    Q_OBJECT
public:
    enum class PanelStyle { Text, Date, Time };

    explicit StatusBar(int panelCount, QWidget* parent = nullptr);

    int PanelCount() const { return static_cast<int>(m_panels.size()); }
    // Index from 1 to PanelCount; any other throws vb::ErrObject 35600
    // "Index out of bounds".
    void SetPanelText(int index, const QString& text);
    QString PanelText(int index) const;
    QLabel* Panel(int index) const;
    // A Date panel shows "M/d/yyyy", a Time panel "h:mm AM/PM", both kept current.
    void SetPanelStyle(int index, PanelStyle style);

private:
    int checked(int index) const;
    void refreshClock();

    QVector<QLabel*> m_panels;
    QVector<PanelStyle> m_styles;
    QTimer* m_clock;
};

} // namespace ui
