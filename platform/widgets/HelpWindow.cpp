#include "platform/widgets/HelpWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

namespace ui {

HelpLocation ResolveHelpPath(const QString& helpPath)
{
    QString path = helpPath.trimmed();
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));

    QString file = path;
    QString topic;
    const qsizetype split = path.indexOf(QLatin1String("::"));
    if (split >= 0) {
        file = path.left(split);
        topic = path.mid(split + 2);
    }
    while (topic.startsWith(QLatin1Char('/')))
        topic.remove(0, 1);

    HelpLocation location;
    const qsizetype hash = topic.indexOf(QLatin1Char('#'));
    if (hash >= 0) {
        location.fragment = topic.mid(hash + 1);
        topic.truncate(hash);
    }
    if (topic.isEmpty()) topic = QStringLiteral("index.html");

    if (file.endsWith(QLatin1String(".chm"), Qt::CaseInsensitive)) file.chop(4);
    location.folder = QDir::cleanPath(file);

    const QString page = QDir::cleanPath(location.folder + QLatin1Char('/') + topic);
    if (page.startsWith(location.folder + QLatin1Char('/'))) location.page = page;
    return location;
}

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent), m_browser(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(tr("Help"));
    setModal(false);
    setAttribute(Qt::WA_QuitOnClose, false);
    m_browser->setObjectName(QStringLiteral("browser"));
    m_browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(760, 560);
}

void HelpWindow::showLocation(const HelpLocation& location)
{
    const QFileInfo info(location.page);
    if (location.page.isEmpty() || !info.isFile()) {
        m_currentPage.clear();
        m_browser->clear();
        const QString shown = location.page.isEmpty() ? location.folder : location.page;
        m_browser->setHtml(QStringLiteral("<h3>%1</h3><p>%2</p>")
                               .arg(tr("Help page not found").toHtmlEscaped(),
                                    tr("The help page %1 does not exist.").arg(shown).toHtmlEscaped()));
        return;
    }
    m_currentPage = info.absoluteFilePath();
    QUrl url = QUrl::fromLocalFile(m_currentPage);
    if (!location.fragment.isEmpty()) url.setFragment(location.fragment);
    m_browser->setSource(url);
}

namespace {
QPointer<HelpWindow>& helpWindow()
{
    static QPointer<HelpWindow> window;
    return window;
}
} // namespace

HelpWindow* OpenHelp(QWidget* owner, const QString& helpPath)
{
    QPointer<HelpWindow>& window = helpWindow();
    if (!window) window = new HelpWindow;

    // A transient parent keeps the help window above its owner and usable
    // while the owner is a modal dialog, without the owner owning it.
    window->winId();
    if (owner && owner->window()->windowHandle() && window->windowHandle())
        window->windowHandle()->setTransientParent(owner->window()->windowHandle());

    window->showLocation(ResolveHelpPath(helpPath));
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

HelpWindow* CurrentHelpWindow()
{
    return helpWindow();
}

} // namespace ui
