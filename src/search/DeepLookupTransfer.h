#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

// The request frame every client of the search service shares: one HTTP
// POST of a form body, asking for gzip (inflated here as it arrives),
// never from or into a cache, failing as timed out when it stays idle too
// long. The HTTP status is not looked at: the body alone decides, and the
// client judges it (see DeepLookupSocket::judgeReply).
//
// One transfer runs at a time; it ends with exactly one outcome unless it
// is cancelled or destroyed first. Lives on the thread that uses it.
class DeepLookupTransfer : public QObject
{
    Q_OBJECT
public:
    struct Outcome
    {
        // The connection failed (refused, timed out, broken off): nothing,
        // or only part of a reply, arrived.
        bool connectionFailed = false;
        QNetworkReply::NetworkError error = QNetworkReply::NoError;
        bool timedOut = false;
        QString description;

        // A reply arrived: whether it had a body at all, and the body as
        // text (absent when it could not be read).
        bool hadBody = false;
        std::optional<QString> text;
    };
    using FinishedHandler = std::function<void(const Outcome&)>;

    explicit DeepLookupTransfer(QObject* parent = nullptr);
    ~DeepLookupTransfer() override; // a running transfer is dropped without an outcome

    // Called with the outcome; the transfer is released before, so the
    // handler may destroy it or start the next one.
    void setFinishedHandler(FinishedHandler handler) { finished_ = std::move(handler); }

    // Starts a POST of `body` to `url`, dropping one that runs.
    void start(const QUrl& url, const QByteArray& body, int timeoutMs);
    // Drops the running transfer; no outcome follows.
    void cancel();
    bool isRunning() const { return !reply_.isNull(); }

private:
    struct Inflater;

    void onMetaDataChanged();
    void onReadyRead();
    void onFinished();
    void appendBody(const QByteArray& bytes);
    void dropReply();

    FinishedHandler finished_;
    QPointer<QNetworkReply> reply_;
    // The reply being received: absent until a response header arrived.
    std::optional<QByteArray> responseData_;
    std::unique_ptr<Inflater> inflater_;
    bool bodyUnreadable_ = false;
};
