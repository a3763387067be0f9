#pragma once

#include <QNetworkReply>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

class QNetworkAccessManager;

// A web page shown as rich text. There is no browser engine here: the page
// is fetched with QNetworkAccessManager (redirects followed) and its HTML is
// handed to QTextBrowser. Images and style sheets the page names are never
// fetched, and nothing a remote page names is read from the local disk.
//
// A clicked link either loads in the view (same-page anchors scroll) or opens
// in the user's browser, as the link policy says; links of schemes the view
// cannot load always open in the browser.
class WebView : public QTextBrowser
{
    Q_OBJECT
public:
    enum class LinkPolicy { NavigateInView, OpenInBrowser };

    explicit WebView(QWidget* parent = nullptr);
    ~WebView() override;

    LinkPolicy linkPolicy() const { return linkPolicy_; }
    void setLinkPolicy(LinkPolicy policy) { linkPolicy_ = policy; }

    // A load that neither progresses nor ends within this time fails.
    int timeoutMs() const { return timeoutMs_; }
    void setTimeoutMs(int ms) { timeoutMs_ = ms; }

    // Starts loading `url` into the view, dropping a load under way. The
    // view keeps what it shows until the new page has arrived.
    void loadRequest(const QUrl& url);
    void stopLoading();
    bool isLoading() const { return reply_ != nullptr; }

    // The address of the page being loaded, else of the page shown (with
    // its fragment).
    QUrl mainFrameURL() const { return isLoading() ? loadingUrl_ : currentUrl_; }
    // The address of the page shown; empty before the first page arrived.
    QUrl currentUrl() const { return currentUrl_; }

Q_SIGNALS:
    void didStartProvisionalLoad(const QUrl& url);
    void didFinishLoad(const QUrl& url);
    // The load failed (no connection, an HTTP error status, a time-out); the
    // view still shows what it showed before.
    void didFailLoad(const QUrl& url, const QString& errorDescription);
    // A clicked link was handed to the user's browser.
    void linkOpenedInBrowser(const QUrl& url);

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    void replyFinished(QNetworkReply* reply);
    void showPage(const QUrl& url, const QByteArray& body, const QString& contentType);
    void linkClicked(const QUrl& href);

    QNetworkAccessManager* network_;
    QPointer<QNetworkReply> reply_;
    QUrl loadingUrl_;
    QUrl currentUrl_;
    LinkPolicy linkPolicy_ = LinkPolicy::NavigateInView;
    int timeoutMs_ = 30000;
};
