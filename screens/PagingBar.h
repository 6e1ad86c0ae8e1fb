#pragma once
// The paging bar at the foot of the paged screens (the data viewer, the
// phone list): first/previous/next/last, the page box that takes a typed
// page on Enter, the page count and the range of records shown.

#include <QString>
#include <QWidget>
#include <functional>

class CNavigate;
class QLabel;
class QLineEdit;
class QTableView;
class QToolButton;

class PagingBar : public QWidget {
    Q_OBJECT
public:
    explicit PagingBar(QWidget* parent);

    QToolButton* cmdFirst = nullptr;
    QToolButton* cmdPrev = nullptr;
    QToolButton* cmdNext = nullptr;
    QToolButton* cmdLast = nullptr;
    QLineEdit* PageCaption = nullptr;
    QLabel* lblTotalPage = nullptr;
    QLabel* lblRecords = nullptr;

    // "First", "Prev", "Next", "Last" or "Go", from the buttons and Enter.
    std::function<void(const QString& action)> Navigate;

    // The current page in the box and " of " and the page count.
    void ShowPages(const CNavigate& pager);
    // "Records:" first " - " last " of " count.
    void ShowRecords(const CNavigate& pager);
    // Runs a navigation action: the pager moves and showPage shows the page
    // when the action leads elsewhere; the box shows the current page again
    // unless "Go" was refused.
    void Move(const QString& action, CNavigate& pager, const std::function<void()>& showPage);
};

// The smallest a paged screen gets: its paging bar and other controls
// whole, whatever their texts grow to, and room in its grid (the view, or
// the frame holding it) for a few rows.
void SetPagedScreenMinimum(QWidget* window, QWidget* grid, QTableView* view);

// Where a navigation action leads: the new page, 0 when the page stays (the
// box then shows the current page), -1 when "Go" is refused (the typed text
// stays). "Go" with 0 or a text without a number leads to page 1; a
// negative page or one past the last is refused.
std::int32_t PageFor(const QString& action, const CNavigate& pager, const QString& typed);
