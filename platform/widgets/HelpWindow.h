#pragma once
// Help without compiled help files: a help file "<folder>/<Name>.chm" stands
// for the folder "<folder>/<Name>/" of HTML pages, and "<file>::/<topic>"
// for the page <topic> inside it ("index.html" when no topic is given).
// One help window serves the whole program and is reused by every call.

#include <QDialog>
#include <QString>

class QTextBrowser;

namespace ui {

struct HelpLocation {
    QString folder;   // the folder of pages, without a trailing "/"
    QString page;     // the page file to show
    QString fragment; // "#anchor" part of the topic, without "#"
};

// Splits a help path into the folder and page it stands for. Both "/" and
// "\" are accepted as separators; a topic that would leave the folder
// ("../..") resolves to no page.
HelpLocation ResolveHelpPath(const QString& helpPath);

class HelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the page, or a note naming the missing page when there is none.
    void showLocation(const HelpLocation& location);

    QTextBrowser* browser() const { return m_browser; }
    // The page file on display; empty when the last request found no page.
    QString currentPage() const { return m_currentPage; }

private:
    QTextBrowser* m_browser;
    QString m_currentPage;
};

// Opens the help path in the program's help window, creating it on first
// use, placing it above the owner's window and raising it. Never throws.
HelpWindow* OpenHelp(QWidget* owner, const QString& helpPath);

// The program's help window, or nullptr when none was opened yet.
HelpWindow* CurrentHelpWindow();

} // namespace ui
