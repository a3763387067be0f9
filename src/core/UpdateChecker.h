#pragma once

#include "core/AppcastItem.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QString>
#include <QUrl>

#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

// Looks for a newer release of the program: fetches the release feed over
// HTTPS (never plain HTTP, the certificate verified for the host against
// the system's authorities), reads it, lets AppcastItem choose the release to
// offer and compares its version with ours. It never downloads or installs
// anything; the user is pointed at the release page. Main thread; no windows:
// the result goes out through `checkFinished` and, for the user, through the
// dialog family (UpdateAnnouncer does that).
class UpdateChecker : public QObject
{
    Q_OBJECT
public:
    enum class Outcome { UpdateAvailable, UpToDate, Failed };

    struct Result
    {
        Outcome outcome = Outcome::Failed;
        AppcastItem item;       // the release offered (UpdateAvailable)
        QString offeredVersion; // its version as the feed gives it
        QString currentVersion;
        QUrl releasePage;       // where the user reads about and gets it
        QString error;          // why the check failed (Failed)
        bool userInitiated = false;
    };

    explicit UpdateChecker(QObject* parent = nullptr);
    ~UpdateChecker() override;

    // The program's one checker, made on first use and owned by the
    // application object.
    static UpdateChecker& sharedUpdater();

    // The feed beside the program's web host.
    static QUrl defaultFeedUrl();
    QUrl feedUrl() const { return feedUrl_; }
    void setFeedUrl(const QUrl& url) { feedUrl_ = url; }
    // Authorities trusted beside the system's (a test's own CA).
    void setExtraCaCertificates(const QList<QSslCertificate>& certificates) { extraCa_ = certificates; }
    // How long the whole fetch may take.
    void setTimeoutMs(int ms) { timeoutMs_ = ms; }
    // Our version; the registered "appVersionNr" unless set.
    void setCurrentVersion(const QString& version) { currentVersion_ = version; }
    QString currentVersion() const;

    // Starts a check unless one is running. `userInitiated` is handed back in
    // the result so that a silent daily check can stay silent.
    void checkForUpdates(bool userInitiated = true);
    bool isChecking() const { return !reply_.isNull(); }
    // The last check of this run, whatever its outcome, and when it ended
    // (Unix seconds); none before the first. A failed check leaves
    // "lastUpdateCheckTime" alone (the daily check tries again), so only
    // this tells that it was made.
    const std::optional<Result>& lastResult() const { return lastResult_; }
    qint64 lastResultTime() const { return lastResultTime_; }

    // With "checkForUpdates" on: checks a minute from now when the last
    // check ("lastUpdateCheckTime", Unix seconds) is a day old or more, and
    // again each day while the program runs. Off: stops the daily checks.
    void startAutomaticChecks();
    static constexpr qint64 kCheckIntervalSeconds = 24 * 60 * 60;
    // Whether the daily check is due at `now` (Unix seconds).
    static bool automaticCheckIsDue(qint64 now);

    // The feed's items in order, each with its child elements and the
    // enclosure's attributes as properties; nullopt with `error` set when
    // the text is not a well-formed feed.
    static std::optional<QList<AppcastItem>> parseAppcast(const QByteArray& xml, QString* error);
    // Negative, zero or positive as `a` is older than, the same as or newer
    // than `b`; numeric parts compare as numbers ("1.10" > "1.9").
    static int compareVersions(const QString& a, const QString& b);
    // The version an item offers and the page it points to.
    static QString versionOfItem(const AppcastItem& item);
    static QUrl releasePageOfItem(const AppcastItem& item);

Q_SIGNALS:
    void checkFinished(const UpdateChecker::Result& result);

private:
    void automaticCheckDue();
    void replyFinished();
    void finish(Result result);
    Result evaluate(const QByteArray& body) const;

    QNetworkAccessManager* network_;
    QTimer* dailyTimer_;
    QPointer<QNetworkReply> reply_;
    QUrl feedUrl_;
    QList<QSslCertificate> extraCa_;
    QString currentVersion_;
    int timeoutMs_ = 30000;
    bool userInitiated_ = false;
    std::optional<Result> lastResult_;
    qint64 lastResultTime_ = 0;
};

Q_DECLARE_METATYPE(UpdateChecker::Result)
