#include "core/UpdateChecker.h"

#include "core/Logger.h"
#include "core/SettingsRegistration.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QTimer>
#include <QVersionNumber>
#include <QXmlStreamReader>

namespace {

// A feed is a few kilobytes; anything far larger is not one.
constexpr qint64 kMaxFeedBytes = 4 * 1024 * 1024;
// The first daily check waits until the program has settled after its start.
constexpr int kFirstAutomaticCheckDelayMs = 60 * 1000;

const QString kLastCheckKey = QStringLiteral("lastUpdateCheckTime");

QString describeReplyError(QNetworkReply* reply)
{
    if (reply->error() == QNetworkReply::SslHandshakeFailedError)
        return QStringLiteral("The server's certificate could not be verified: %1").arg(reply->errorString());
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 400)
        return QStringLiteral("The server answered %1 %2.")
            .arg(status)
            .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    return reply->errorString();
}

} // namespace

UpdateChecker::UpdateChecker(QObject* parent)
    : QObject(parent), network_(new QNetworkAccessManager(this)), dailyTimer_(new QTimer(this)),
      feedUrl_(defaultFeedUrl())
{
    qRegisterMetaType<UpdateChecker::Result>();
    network_->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    dailyTimer_->setInterval(int(kCheckIntervalSeconds * 1000 / 24)); // hourly look at the day's due time
    connect(dailyTimer_, &QTimer::timeout, this, &UpdateChecker::automaticCheckDue);
}

UpdateChecker::~UpdateChecker()
{
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
    }
}

UpdateChecker& UpdateChecker::sharedUpdater()
{
    static QPointer<UpdateChecker> shared;
    if (!shared) shared = new UpdateChecker(QCoreApplication::instance());
    return *shared;
}

QUrl UpdateChecker::defaultFeedUrl()
{
    return QUrl(QString::fromLatin1(SettingsRegistration::kWebHost) + QStringLiteral("/appcast.xml"));
}

QString UpdateChecker::currentVersion() const
{
    if (!currentVersion_.isEmpty()) return currentVersion_;
    return UserDefaults::standard().stringForKey(QStringLiteral("appVersionNr"));
}

void UpdateChecker::checkForUpdates(bool userInitiated)
{
    if (isChecking()) {
        // A manual request during a silent check makes that check speak.
        userInitiated_ = userInitiated_ || userInitiated;
        return;
    }
    userInitiated_ = userInitiated;
    if (feedUrl_.scheme() != QLatin1String("https")) {
        Result r;
        r.error = QStringLiteral("The update feed must be fetched over HTTPS (%1).").arg(feedUrl_.toString());
        finish(r);
        return;
    }
    QNetworkRequest request(feedUrl_);
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setProtocol(QSsl::TlsV1_2OrLater);
    tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
    if (!extraCa_.isEmpty()) tls.setCaCertificates(tls.caCertificates() + extraCa_);
    request.setSslConfiguration(tls);
    request.setTransferTimeout(timeoutMs_);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Binorama/%1").arg(currentVersion()));
    // A connection kept from an earlier check carries that check's TLS
    // settings; a check a day needs no reuse.
    network_->clearConnectionCache();
    reply_ = network_->get(request);
    connect(reply_, &QNetworkReply::finished, this, &UpdateChecker::replyFinished);
}

void UpdateChecker::startAutomaticChecks()
{
    if (!UserDefaults::standard().boolForKey(QStringLiteral("checkForUpdates"))) {
        dailyTimer_->stop();
        return;
    }
    dailyTimer_->start();
    QTimer::singleShot(kFirstAutomaticCheckDelayMs, this, &UpdateChecker::automaticCheckDue);
}

bool UpdateChecker::automaticCheckIsDue(qint64 now)
{
    const UserDefaults& defaults = UserDefaults::standard();
    if (!defaults.boolForKey(QStringLiteral("checkForUpdates"))) return false;
    const qint64 last = defaults.integerForKey(kLastCheckKey);
    // A last check in the future (a clock set back) does not block checks.
    return last > now || now - last >= kCheckIntervalSeconds;
}

void UpdateChecker::automaticCheckDue()
{
    if (automaticCheckIsDue(QDateTime::currentSecsSinceEpoch())) checkForUpdates(false);
}

void UpdateChecker::replyFinished()
{
    QNetworkReply* reply = reply_.data();
    reply_.clear();
    if (!reply) return;
    reply->deleteLater();
    Result r;
    if (reply->error() == QNetworkReply::OperationCanceledError) {
        r.error = QStringLiteral("No answer from %1 within %2 seconds.")
                      .arg(feedUrl_.host())
                      .arg(timeoutMs_ / 1000.0, 0, 'g', 3);
    } else if (reply->error() != QNetworkReply::NoError) {
        r.error = describeReplyError(reply);
    } else if (reply->url().scheme() != QLatin1String("https")) {
        r.error = QStringLiteral("The update feed must be fetched over HTTPS (%1).").arg(reply->url().toString());
    } else {
        const QByteArray body = reply->read(kMaxFeedBytes + 1);
        if (body.size() > kMaxFeedBytes)
            r.error = QStringLiteral("The update feed is too large.");
        else
            r = evaluate(body);
    }
    finish(r);
}

UpdateChecker::Result UpdateChecker::evaluate(const QByteArray& body) const
{
    Result r;
    r.currentVersion = currentVersion();
    QString error;
    const std::optional<QList<AppcastItem>> items = parseAppcast(body, &error);
    if (!items) {
        r.error = QStringLiteral("The update feed could not be read: %1").arg(error);
        return r;
    }
    r.item = AppcastItem::bestValidUpdateInAppcast(*items);
    r.offeredVersion = versionOfItem(r.item);
    if (r.item.isEmpty() || r.offeredVersion.isEmpty() || compareVersions(r.offeredVersion, r.currentVersion) <= 0) {
        r.outcome = Outcome::UpToDate;
        return r;
    }
    r.outcome = Outcome::UpdateAvailable;
    r.releasePage = releasePageOfItem(r.item);
    return r;
}

void UpdateChecker::finish(Result result)
{
    result.userInitiated = userInitiated_;
    if (result.currentVersion.isEmpty()) result.currentVersion = currentVersion();
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    lastResult_ = result;
    lastResultTime_ = now;
    if (result.outcome == Outcome::Failed) {
        BLOG(3, "Update check failed: %@", result.error);
    } else {
        UserDefaults::standard().setInteger(now, kLastCheckKey);
        if (result.outcome == Outcome::UpdateAvailable)
            BLOG(1, "Update available: %@ (this is %@)", result.offeredVersion, result.currentVersion);
    }
    Q_EMIT checkFinished(result);
}

std::optional<QList<AppcastItem>> UpdateChecker::parseAppcast(const QByteArray& xml, QString* error)
{
    QXmlStreamReader reader(xml);
    QList<AppcastItem> items;
    bool sawChannel = false;
    // <rss><channel><item>... ; anything else at the top is not a feed.
    if (!reader.readNextStartElement()) {
        if (!reader.hasError()) reader.raiseError(QStringLiteral("empty document"));
    } else if (reader.qualifiedName() != QLatin1String("rss")) {
        reader.raiseError(QStringLiteral("not an RSS feed"));
    } else {
        while (reader.readNextStartElement()) {
            if (reader.qualifiedName() != QLatin1String("channel")) {
                reader.skipCurrentElement();
                continue;
            }
            sawChannel = true;
            while (reader.readNextStartElement()) {
                if (reader.qualifiedName() != QLatin1String("item")) {
                    reader.skipCurrentElement();
                    continue;
                }
                AppcastItem item;
                while (reader.readNextStartElement()) {
                    const QString name = reader.qualifiedName().toString();
                    if (name == QLatin1String("enclosure")) {
                        QVariantMap enclosure;
                        for (const QXmlStreamAttribute& a : reader.attributes())
                            enclosure.insert(a.qualifiedName().toString(), a.value().toString());
                        item.propertiesDictionary.insert(name, enclosure);
                        // Older feeds put the version on the enclosure only.
                        for (auto it = enclosure.cbegin(); it != enclosure.cend(); ++it)
                            if (it.key().startsWith(QLatin1String("sparkle:")) &&
                                !item.propertiesDictionary.contains(it.key()))
                                item.propertiesDictionary.insert(it.key(), it.value());
                        reader.skipCurrentElement();
                    } else {
                        const QString text =
                            reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
                        item.propertiesDictionary.insert(name, text);
                    }
                }
                items.append(item);
            }
        }
    }
    if (!reader.hasError() && !sawChannel) reader.raiseError(QStringLiteral("no channel"));
    if (reader.hasError()) {
        if (error)
            *error = QStringLiteral("%1 (line %2)").arg(reader.errorString()).arg(reader.lineNumber());
        return std::nullopt;
    }
    return items;
}

int UpdateChecker::compareVersions(const QString& a, const QString& b)
{
    return QVersionNumber::compare(QVersionNumber::fromString(a), QVersionNumber::fromString(b));
}

QString UpdateChecker::versionOfItem(const AppcastItem& item)
{
    const QVariantMap& p = item.propertiesDictionary;
    for (const char* key : {"sparkle:shortVersionString", "sparkle:version"}) {
        const QString v = p.value(QString::fromLatin1(key)).toString().trimmed();
        if (!v.isEmpty()) return v;
    }
    return {};
}

QUrl UpdateChecker::releasePageOfItem(const AppcastItem& item)
{
    const QVariantMap& p = item.propertiesDictionary;
    // Only a web page is opened for the user; a feed cannot send us to a
    // local file or another program's address scheme.
    for (const char* key : {"link", "sparkle:releaseNotesLink"}) {
        const QUrl url(p.value(QString::fromLatin1(key)).toString().trimmed());
        if (url.isValid() && url.scheme() == QLatin1String("https")) return url;
    }
    return QUrl(QString::fromLatin1(SettingsRegistration::kWebHost));
}
