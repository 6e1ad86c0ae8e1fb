#pragma once
// The main window's web pane: a text browser that loads pages through
// QNetworkAccessManager (web addresses, file: addresses and local paths).
// Like a browser control it always ends a navigation with a document: the
// page itself, or an error page whose address is "about:neterror" when the
// page could not be loaded. DocumentComplete fires once per finished load.

#include <QPointer>
#include <QString>
#include <QTextBrowser>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

class WebBrowser : public QTextBrowser {
    Q_OBJECT
public:
    explicit WebBrowser(QWidget* parent = nullptr);
    ~WebBrowser() override;

    // Starts loading the address (a web address, a file: address or a local
    // path); a load still running is abandoned.
    void Navigate(const QString& address);
    // True while a load runs.
    bool Busy() const { return !m_reply.isNull(); }

    // The document shown: none before the first load has finished.
    bool HasDocument() const { return m_hasDocument; }
    // Its address ("about:neterror" for the error page).
    QString DocumentURL() const { return m_documentUrl; }
    // The page's last modification as "MM/dd/yyyy HH:mm:ss" (local time),
    // from the Last-Modified header or, for a local file, the file's time;
    // the header's own text when it is not a date the network layer reads;
    // empty when the page gave none.
    QString DocumentLastModified() const { return m_lastModified; }

    // The address of the error page.
    static QString ErrorPageURL() { return QStringLiteral("about:neterror"); }
    // A local path becomes a file: address; anything else is read as an address.
    static QUrl AddressToUrl(const QString& address);

signals:
    void DocumentComplete();

private:
    void finished(QNetworkReply* reply);
    void linkActivated(const QUrl& link);
    void showErrorPage(const QUrl& url, const QString& reason);

    QNetworkAccessManager* m_network;
    QPointer<QNetworkReply> m_reply;
    bool m_hasDocument = false;
    QString m_documentUrl;
    QString m_lastModified;
};
