#include "ui/core/WebView.h"

#include <QDesktopServices>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QTextDocument>

namespace {

bool isLoadableScheme(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

// The charset named by a Content-Type header ("text/html; charset=utf-8").
QByteArray charsetOf(const QString& contentType)
{
    for (const QString& part : contentType.split(QLatin1Char(';'))) {
        const QString p = part.trimmed();
        if (p.startsWith(QLatin1String("charset="), Qt::CaseInsensitive)) {
            QString name = p.mid(8).trimmed();
            if (name.size() >= 2 && name.startsWith(QLatin1Char('"')) && name.endsWith(QLatin1Char('"')))
                name = name.mid(1, name.size() - 2);
            return name.toLatin1();
        }
    }
    return QByteArray();
}

QString decodeBody(const QByteArray& body, const QString& contentType)
{
    const QByteArray charset = charsetOf(contentType);
    if (!charset.isEmpty()) {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid()) return decoder.decode(body);
    }
    const std::optional<QStringConverter::Encoding> html = QStringConverter::encodingForHtml(body);
    QStringDecoder decoder(html.value_or(QStringConverter::Utf8));
    return decoder.decode(body);
}

} // namespace

WebView::WebView(QWidget* parent) : QTextBrowser(parent), network_(new QNetworkAccessManager(this))
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &WebView::linkClicked);
}

WebView::~WebView()
{
    stopLoading();
}

void WebView::loadRequest(const QUrl& url)
{
    stopLoading();
    loadingUrl_ = url;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(timeoutMs_);
    QNetworkReply* reply = network_->get(request);
    reply_ = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { replyFinished(reply); });
    Q_EMIT didStartProvisionalLoad(url);
}

void WebView::stopLoading()
{
    if (!reply_) return;
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    // Dropped, not failed: the abort must not be reported as a load error.
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void WebView::replyFinished(QNetworkReply* reply)
{
    reply->deleteLater();
    if (reply != reply_) return;
    reply_ = nullptr;
    const QUrl requested = loadingUrl_;
    if (reply->error() != QNetworkReply::NoError) {
        Q_EMIT didFailLoad(requested, reply->errorString());
        return;
    }
    // After a redirect the page's own address is where it came from; the
    // fragment asked for still applies.
    QUrl shown = reply->url();
    if (shown.adjusted(QUrl::RemoveFragment) == requested.adjusted(QUrl::RemoveFragment))
        shown = requested;
    else if (!shown.hasFragment() && requested.hasFragment())
        shown.setFragment(requested.fragment(QUrl::FullyEncoded), QUrl::StrictMode);
    showPage(shown, reply->readAll(), reply->header(QNetworkRequest::ContentTypeHeader).toString());
    Q_EMIT didFinishLoad(requested);
}

void WebView::showPage(const QUrl& url, const QByteArray& body, const QString& contentType)
{
    currentUrl_ = url;
    const QString text = decodeBody(body, contentType);
    const bool html = contentType.contains(QLatin1String("html"), Qt::CaseInsensitive) ||
                      (contentType.isEmpty() && Qt::mightBeRichText(text));
    if (html)
        setHtml(text);
    else
        setPlainText(text);
    document()->setMetaInformation(QTextDocument::DocumentUrl, url.toString());
    const QString fragment = url.fragment();
    if (!fragment.isEmpty()) scrollToAnchor(fragment);
}

QVariant WebView::loadResource(int type, const QUrl& name)
{
    (void)type;
    (void)name;
    return QVariant();
}

void WebView::linkClicked(const QUrl& href)
{
    const QUrl target = currentUrl_.resolved(href);
    if (linkPolicy_ == LinkPolicy::OpenInBrowser || !isLoadableScheme(target)) {
        QDesktopServices::openUrl(target);
        Q_EMIT linkOpenedInBrowser(target);
        return;
    }
    if (target.adjusted(QUrl::RemoveFragment) == currentUrl_.adjusted(QUrl::RemoveFragment) &&
        target.hasFragment()) {
        currentUrl_ = target;
        scrollToAnchor(target.fragment());
        return;
    }
    loadRequest(target);
}
