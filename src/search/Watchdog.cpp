#include "search/Watchdog.h"

#include "core/StringFormat.h"
#include "core/Utils.h"
#include "platform/NotificationHub.h"

#include <QDateTime>

#include <atomic>

namespace {

qint64 systemSeconds()
{
    return QDateTime::currentSecsSinceEpoch();
}

// Creation time × 10,000,000; two entries made within the same tick still
// get distinct tags, since the tag keys the entry's store row and history.
qint64 makeTag(qint64 seconds)
{
    static std::atomic<qint64> last{0};
    const qint64 wanted = seconds * 10000000;
    qint64 previous = last.load();
    qint64 tag;
    do {
        tag = std::max(wanted, previous + 1);
    } while (!last.compare_exchange_weak(previous, tag));
    return tag;
}

} // namespace

Watchdog::Watchdog(Clock clock) : clock_(clock ? std::move(clock) : Clock(systemSeconds))
{
    tag_ = makeTag(now());
    dpobject_ = DeepLookupObject::create();
    dpobject_->setLimit(QStringLiteral("100"));
    dpobject_->setOffset(QStringLiteral("0"));
    dpobject_->setIsWatchdog(true);
    dpobject_->setStartdate(QStringLiteral("0"));
    dpobject_->setEnddate(QStringLiteral("0"));
    dpobject_->setEro(QStringLiteral("0"));
    excludePwdFiles_ = true;
    action_ = 1;
    status_ = Idle;
    interval_ = 15;
    lastsearch_ = now();
    // The creation values' texts, at once: a new entry is complete before
    // the event loop turns.
    nextsearch_ = lastsearch_ + interval_ * 60;
    statusString_ = QStringLiteral("Idle");
    actionString_ = QStringLiteral("Q + Download");
    intervalString_ = timeFormatter(interval_ * 60);
}

Watchdog::~Watchdog() = default;

WatchdogPtr Watchdog::create(Clock clock)
{
    return std::make_shared<Watchdog>(std::move(clock));
}

qint64 Watchdog::now() const
{
    return clock_();
}

// ---- Setters: store, then run the hook (queued unless said otherwise).
// Every assignment runs its hook, also of an unchanged value: an entry loaded
// inactive must still come to "Inactive".

void Watchdog::later(void (Watchdog::*hook)())
{
    QMetaObject::invokeMethod(this, hook, Qt::QueuedConnection);
}

void Watchdog::setActive(bool value)
{
    active_ = value;
    later(&Watchdog::activeChanged);
}

void Watchdog::setEro(bool value)
{
    ero_ = value;
    later(&Watchdog::eroChanged);
}

void Watchdog::setIsNewObject(bool value)
{
    if (isNewObject_ == value) return;
    isNewObject_ = value;
    // Mirrored at once: a change made while the editor is open must not
    // reach the scheduler, whatever order the queued hooks run in.
    disableNotifications_ = value;
}

void Watchdog::setStatus(qint64 value)
{
    status_ = value;
    later(&Watchdog::statusChanged);
}

void Watchdog::setLastSearchFailed(bool value)
{
    lastSearchFailed_ = value;
    later(&Watchdog::statusChanged);
}

void Watchdog::setAction(qint64 value)
{
    action_ = value;
    later(&Watchdog::actionChanged);
}

void Watchdog::setInterval(qint64 value)
{
    interval_ = value;
    later(&Watchdog::intervalChanged);
}

void Watchdog::setLastmatch(qint64 value)
{
    lastmatch_ = value;
    later(&Watchdog::lastmatchChanged);
}

void Watchdog::setLastsearch(qint64 value)
{
    lastsearch_ = value;
    lastsearchChanged();
}

void Watchdog::setNextsearch(qint64 value)
{
    nextsearch_ = value;
    later(&Watchdog::nextsearchChanged);
}

// ---- Hooks

void Watchdog::activeChanged()
{
    textEnabled_ = active_;
    setStatus(active_ ? Idle : Inactive);
    nextsearchChanged();
}

void Watchdog::lastsearchChanged()
{
    if (interval_ != 0)
        setNextsearch((lastsearch_ != 0 ? lastsearch_ : now()) + interval_ * 60);
    else
        setNextsearch(0);
}

void Watchdog::intervalChanged()
{
    if (interval_ >= 1 && interval_ <= 4) {
        // Shorter than five minutes is not offered: manual instead.
        interval_ = 0;
    }
    intervalString_ = interval_ != 0 ? timeFormatter(interval_ * 60) : QStringLiteral("Manual");
    setNextsearch(interval_ != 0 ? lastsearch_ + interval_ * 60 : 0);
    Q_EMIT displayChanged();
}

void Watchdog::nextsearchChanged()
{
    if (nextsearch_ != 0 && interval_ != 0 && active_)
        nextsearchString_ = nextsearch_ >= now() ? unixTimeToDate(nextsearch_) : QStringLiteral("Now");
    else
        nextsearchString_ = QStringLiteral("--");
    Q_EMIT displayChanged();
    sendUpdateWatchdogQueueNotification();
}

void Watchdog::lastmatchChanged()
{
    lastmatchString_ = lastmatch_ == 0 ? QStringLiteral("--") : unixTimeToDate(lastmatch_);
    Q_EMIT displayChanged();
}

void Watchdog::statusChanged()
{
    switch (status_) {
    case Inactive:
        statusString_ = QStringLiteral("Inactive");
        break;
    case Idle:
        statusString_ = lastSearchFailed_ ? QStringLiteral("Last search failed") : QStringLiteral("Idle");
        break;
    case Queued:
        statusString_ = QStringLiteral("Queued");
        nextsearchString_ = QStringLiteral("Delayed");
        break;
    case Searching:
        statusString_ = QStringLiteral("Searching");
        break;
    default:
        break;
    }
    showProgressBar_ = status_ == Searching;
    Q_EMIT displayChanged();
}

void Watchdog::actionChanged()
{
    actionString_ = action_ == 0 ? QStringLiteral("Q + Pause") : QStringLiteral("Q + Download");
    Q_EMIT displayChanged();
}

void Watchdog::eroChanged()
{
    contentIcon_ = QString::fromLatin1(ero_ ? kIconEro : kIconGeneral);
    dpobject_->setEro(ero_ ? QStringLiteral("1") : QStringLiteral("0"));
    Q_EMIT displayChanged();
}

void Watchdog::sendUpdateWatchdogQueueNotification()
{
    if (disableNotifications_) return;
    NotificationHub::defaultCenter().post(QString::fromLatin1(kUpdateQueueNotification), this);
}

// ---- Texts

QString Watchdog::unixTimeToDate(qint64 seconds)
{
    return Utils::unixTimeToDate(seconds, true);
}

QString Watchdog::timeFormatter(qint64 s)
{
    if (s < 60) return s == 1 ? sformat(u"%ld second", s) : sformat(u"%ld seconds", s);
    if (s < 120) return sformat(u"%ld minute", qint64(1));
    if (s < 3600) return sformat(u"%ld minutes", s / 60);
    if (s < 7200) return sformat(u"%ld hour", qint64(1));
    if (s < 86400) return sformat(u"%ld hours", s / 3600);
    if (s < 172800) return sformat(u"%ld day", qint64(1));
    if (s < 157680000) return sformat(u"%ld days", s / 86400);
    const qint64 years = s / 31536000;
    return years == 1 ? sformat(u"%ld year", years) : sformat(u"%ld years", years);
}
