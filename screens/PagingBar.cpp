#include "screens/PagingBar.h"

#include "core/CNavigate.h"
#include "core/FormGuard.h"
#include "platform/vb/Conversion.h"
#include "platform/widgets/FormKit.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <cmath>

PagingBar::PagingBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("NavigateBar"));
    auto* bar = new QHBoxLayout(this);
    bar->setContentsMargins(0, 0, 0, 0);
    // Picture buttons: first, previous, next and last page.
    auto pictureButton = [this](const char* name, QStyle::StandardPixmap picture, const QString& tip) {
        auto* b = ui::named(new QToolButton(this), name);
        b->setIcon(style()->standardIcon(picture));
        b->setToolTip(tip);
        b->setAutoRaise(false);
        ui::pressOnEnter(b);
        return b;
    };
    cmdFirst = pictureButton("cmdFirst", QStyle::SP_MediaSkipBackward, QStringLiteral("First Page"));
    cmdPrev = pictureButton("cmdPrev", QStyle::SP_MediaSeekBackward, QStringLiteral("Previous Page"));
    cmdNext = pictureButton("cmdNext", QStyle::SP_MediaSeekForward, QStringLiteral("Next Page"));
    cmdLast = pictureButton("cmdLast", QStyle::SP_MediaSkipForward, QStringLiteral("Last Page"));
    PageCaption = ui::newEdit("PageCaption", this);
    PageCaption->setToolTip(QStringLiteral("Go To Page"));
    PageCaption->setFixedWidth(60);
    lblTotalPage = ui::newLabel("lblTotalPage", QString(), this);
    lblRecords = ui::newLabel("lblRecords", QStringLiteral("Records:"), this);
    bar->addWidget(cmdFirst);
    bar->addWidget(cmdPrev);
    bar->addWidget(ui::newLabel("lblPage", QStringLiteral("Page:"), this));
    bar->addWidget(PageCaption);
    bar->addWidget(lblTotalPage);
    bar->addWidget(cmdNext);
    bar->addWidget(cmdLast);
    bar->addSpacing(16);
    bar->addWidget(lblRecords, 1);
    // Tab follows the bar from left to right.
    setTabOrder(cmdPrev, PageCaption);
    setTabOrder(PageCaption, cmdNext);

    auto on = [this](QToolButton* b, const char* action) {
        connect(b, &QToolButton::clicked, this, [this, action] {
            if (Navigate) Navigate(QString::fromLatin1(action));
        });
    };
    on(cmdFirst, "First");
    on(cmdPrev, "Prev");
    on(cmdNext, "Next");
    on(cmdLast, "Last");
    connect(PageCaption, &QLineEdit::returnPressed, this, [this] {
        if (Navigate) Navigate(QStringLiteral("Go"));
    });
}

void PagingBar::ShowPages(const CNavigate& pager)
{
    PageCaption->setText(QString::number(pager.CurrPage()));
    lblTotalPage->setText(QStringLiteral(" of ") + QString::number(pager.TotalPages()));
}

void PagingBar::ShowRecords(const CNavigate& pager)
{
    const std::int64_t size = pager.PageSize();
    const std::int64_t first = (std::int64_t(pager.CurrPage()) - 1) * size + 1;
    const std::int64_t last = std::min<std::int64_t>(pager.CurrPage() * size, pager.TotalCount());
    lblRecords->setText(QStringLiteral("Records:") + QString::number(first) + QStringLiteral(" - ") +
                        QString::number(last) + QStringLiteral(" of ") + QString::number(pager.TotalCount()));
}

void PagingBar::Move(const QString& action, CNavigate& pager, const std::function<void()>& showPage)
{
    const std::int32_t page = PageFor(action, pager, PageCaption->text());
    if (page < 0) return;
    if (page > 0) {
        pager.SetCurrPage(page);
        showPage();
    }
    PageCaption->setText(QString::number(pager.CurrPage()));
}

void SetPagedScreenMinimum(QWidget* window, QWidget* grid, QTableView* view)
{
    constexpr int MinimumRows = 5;
    if (window->layout()) window->layout()->setSizeConstraint(QLayout::SetMinimumSize);
    int height = view->verticalHeader()->defaultSectionSize() * MinimumRows +
                 view->horizontalHeader()->sizeHint().height() +
                 view->horizontalScrollBar()->sizeHint().height() + 2 * view->frameWidth();
    if (auto* frame = qobject_cast<QFrame*>(grid); frame && grid != view) height += 2 * frame->frameWidth();
    grid->setMinimumHeight(height);
}

std::int32_t PageFor(const QString& action, const CNavigate& pager, const QString& typed)
{
    const std::int32_t page = pager.CurrPage();
    const std::int32_t pages = pager.TotalPages();
    if (action == QLatin1String("First")) return page != 1 ? 1 : 0;
    if (action == QLatin1String("Prev")) return page > 1 ? page - 1 : 0;
    if (action == QLatin1String("Next")) return page < pages ? page + 1 : 0;
    if (action == QLatin1String("Last")) return page != pages ? pages : 0;
    if (action == QLatin1String("Go")) {
        const double n = std::round(vb::Val(typed));
        if (n > pages || n < 0) return -1;
        if (n < 1) return page != 1 ? 1 : 0;
        return std::int32_t(n) == page ? -1 : std::int32_t(n);
    }
    return 0;
}
