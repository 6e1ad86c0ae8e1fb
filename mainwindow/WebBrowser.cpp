#include "mainwindow/WebBrowser.h"

#include "platform/ui/Services.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QTextDocument>

namespace {

QString usDateTime(const QDateTime& when)
{
    return when.toLocalTime().toString(QStringLiteral("MM/dd/yyyy HH:mm:ss"));
}

} // namespace

WebBrowser::WebBrowser(QWidget* parent) : QTextBrowser(parent), m_network(new QNetworkAccessManager(this))
{
    // Links are followed here, through the same loader, not by QTextBrowser
    // itself (which reads local files only).
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &WebBrowser::linkActivated);
    connect(m_network, &QNetworkAccessManager::finished, this, &WebBrowser::finished);
    m_network->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

WebBrowser::~WebBrowser()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

QUrl WebBrowser::AddressToUrl(const QString& address)
{
    const QString trimmed = address.trimmed();
    if (trimmed.startsWith(QLatin1Char('/')) || QFileInfo(trimmed).isAbsolute())
        return QUrl::fromLocalFile(QDir::cleanPath(trimmed));
    return QUrl::fromUserInput(trimmed);
}

void WebBrowser::Navigate(const QString& address)
{
    if (m_reply) {
        QNetworkReply* old = m_reply;
        m_reply = nullptr;
        old->abort(); // finished() sees it is no longer the current load
    }
    const QUrl url = AddressToUrl(address);
    if (!url.isValid() || url.scheme().isEmpty()) {
        // Completes later, like every other load.
        QMetaObject::invokeMethod(
            this, [this, url] { showErrorPage(url, tr("The address is not valid.")); }, Qt::QueuedConnection);
        return;
    }
    QNetworkRequest request(url);
    request.setTransferTimeout(30000);
    m_reply = m_network->get(request);
}

void WebBrowser::finished(QNetworkReply* reply)
{
    reply->deleteLater();
    if (reply != m_reply) return; // abandoned by a later navigation
    m_reply = nullptr;

    const QUrl url = reply->url();
    if (reply->error() != QNetworkReply::NoError) {
        showErrorPage(url, reply->errorString());
        return;
    }

    const QByteArray body = reply->readAll();
    QString lastModified;
    const QVariant header = reply->header(QNetworkRequest::LastModifiedHeader);
    if (header.isValid() && header.toDateTime().isValid())
        lastModified = usDateTime(header.toDateTime());
    else if (reply->hasRawHeader("Last-Modified"))
        lastModified = QString::fromLatin1(reply->rawHeader("Last-Modified"));
    else if (url.isLocalFile())
        lastModified = usDateTime(QFileInfo(url.toLocalFile()).lastModified());

    QStringDecoder decoder = QStringDecoder::decoderForHtml(body);
    const QString html = decoder.isValid() ? QString(decoder.decode(body)) : QString::fromUtf8(body);

    document()->setBaseUrl(url);
    const QString type = reply->header(QNetworkRequest::ContentTypeHeader).toString();
    if (type.startsWith(QLatin1String("text/plain")))
        setPlainText(html);
    else
        setHtml(html);
    m_hasDocument = true;
    m_documentUrl = url.toString();
    m_lastModified = lastModified;
    emit DocumentComplete();
}

void WebBrowser::showErrorPage(const QUrl& url, const QString& reason)
{
    document()->setBaseUrl(QUrl());
    setHtml(QStringLiteral("<html><body style=\"font-family: sans-serif\">"
                           "<h3>This page cannot be displayed</h3><p>%1</p><p>%2</p></body></html>")
                .arg(url.toString().toHtmlEscaped(), reason.toHtmlEscaped()));
    m_hasDocument = true;
    m_documentUrl = ErrorPageURL();
    m_lastModified.clear();
    emit DocumentComplete();
}

void WebBrowser::linkActivated(const QUrl& link)
{
    const QUrl target = document()->baseUrl().resolved(link);
    const QString scheme = target.scheme();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
        scheme == QLatin1String("file"))
        Navigate(target.toString());
    else
        ui::services().OpenDocument(target.toString()); // mail and other addresses
}
