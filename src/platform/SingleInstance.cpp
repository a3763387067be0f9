#include "platform/SingleInstance.h"

#include "platform/ApplicationBusAdaptor.h"

#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QThread>
#include <QUrl>
#include <QVariantMap>

namespace {

const QString kInterface = QStringLiteral("org.freedesktop.Application");
// A program that has taken the lock is on the bus a moment later; one that
// is not there after this long runs without a bus.
constexpr int kWaitForFirstMs = 5000;
constexpr int kPollMs = 50;
// The running program answers from its event loop, which may be busy for a
// while with its own start (restoring a large queue).
constexpr int kCallTimeoutMs = 20000;

} // namespace

SingleInstance::SingleInstance(const QString& folder, QObject* parent) : QObject(parent), folder_(folder) {}

SingleInstance::~SingleInstance()
{
    if (onBus_) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterService(serviceNameFor(folder_));
        bus.unregisterObject(objectPath());
    }
    // The lock file goes with lock_.
}

QString SingleInstance::lockFilePath() const
{
    return QDir(folder_).filePath(QStringLiteral("Binorama.lock"));
}

QString SingleInstance::serviceNameFor(const QString& folder)
{
    const QFileInfo info(folder);
    const QString canonical = info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
    const QByteArray hash = QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("org.binorama.Binorama.home_") + QString::fromLatin1(hash.left(16));
}

QString SingleInstance::objectPath()
{
    return QStringLiteral("/org/binorama/Binorama");
}

QStringList SingleInstance::pathsOfUris(const QStringList& uris)
{
    QStringList paths;
    for (const QString& uri : uris) {
        if (uri.startsWith(QLatin1Char('/'))) {
            paths.append(uri);
            continue;
        }
        const QUrl url(uri);
        if (url.isLocalFile() && !url.toLocalFile().isEmpty()) paths.append(url.toLocalFile());
    }
    return paths;
}

SingleInstance::Claim SingleInstance::claim(const QStringList& files)
{
    QStringList absolute;
    for (const QString& f : files) {
        if (!f.isEmpty()) absolute.append(QFileInfo(f).absoluteFilePath());
    }
    lock_ = std::make_unique<QLockFile>(lockFilePath());
    // Held for the whole run, however long: only a lock whose program has
    // ended (killed, a power cut) is taken over.
    lock_->setStaleLockTime(0);

    const QDeadlineTimer deadline(kWaitForFirstMs);
    for (;;) {
        if (lock_->tryLock(0)) {
            registerOnBus();
            return Claim::First;
        }
        if (lock_->error() != QLockFile::LockFailedError) {
            // No lock can be made here (the folder is not writable): the
            // start-up's own check of the folder tells the user.
            lock_.reset();
            return Claim::First;
        }
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) {
            error_ = QStringLiteral("no session bus is running");
            break;
        }
        const QString name = serviceNameFor(folder_);
        if (bus.interface() && bus.interface()->isServiceRegistered(name)) {
            // Asked once only: files sent to a program that answers late are
            // still opened there, and must not be opened twice.
            if (handOver(absolute)) return Claim::HandedOver;
            break;
        }
        if (deadline.hasExpired()) {
            error_ = QStringLiteral("the running program does not answer on the session bus");
            break;
        }
        QThread::msleep(kPollMs);
    }
    lock_->getLockInfo(&runningProcessId_, nullptr, nullptr);
    lock_.reset();
    return Claim::AlreadyRunning;
}

bool SingleInstance::handOver(const QStringList& files)
{
    const QString name = serviceNameFor(folder_);
    QDBusMessage call;
    if (files.isEmpty()) {
        call = QDBusMessage::createMethodCall(name, objectPath(), kInterface, QStringLiteral("Activate"));
        call << QVariantMap();
    } else {
        QStringList uris;
        for (const QString& f : files)
            uris.append(QUrl::fromLocalFile(f).toString(QUrl::FullyEncoded));
        call = QDBusMessage::createMethodCall(name, objectPath(), kInterface, QStringLiteral("Open"));
        call << uris << QVariantMap();
    }
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage) return true;
    error_ = reply.errorMessage();
    return false;
}

void SingleInstance::registerOnBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    new ApplicationBusAdaptor(this);
    // The object first: whoever finds the name finds it answering.
    if (!bus.registerObject(objectPath(), this)) return;
    if (!bus.registerService(serviceNameFor(folder_))) {
        bus.unregisterObject(objectPath());
        return;
    }
    onBus_ = true;
}
