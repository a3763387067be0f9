#pragma once

#include "search/DeepLookupObject.h"
#include "search/WatchdogHistoryObj.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class Watchdog;
using WatchdogPtr = std::shared_ptr<Watchdog>;

// One saved search: a DeepLookup query re-run on an interval, whose new
// matches are queued by themselves. The entry keeps its display texts and its
// next-search time consistent through its own change hooks: the hook of
// `lastsearch` runs inside the setter (so `nextsearch` is current when the
// setter returns), every other hook is queued to the next turn of the event
// loop. A change of the schedule posts "UpdateWatchdogQueueNotification"
// with the entry as object, except while `isNewObject` is on (the editor is
// open on an entry that is not in the list yet).
//
// Main thread only. No widgets: the icon is an image name and the row colour
// an enabled/disabled flag.
class Watchdog : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<qint64()>;
    static constexpr const char* kUpdateQueueNotification = "UpdateWatchdogQueueNotification";
    static constexpr const char* kIconEro = "img_searchhistory_id_ero";
    static constexpr const char* kIconGeneral = "img_searchhistory_id_gen";
    enum Status : qint64 { Inactive = 0, Idle = 1, Queued = 2, Searching = 3 };

    // `clock` answers seconds since 1970 (the system clock when empty).
    explicit Watchdog(Clock clock = {});
    ~Watchdog() override;

    static WatchdogPtr create(Clock clock = {});
    qint64 now() const;
    const Clock& clock() const { return clock_; }

    // ---- Stored and scheduling values
    const DeepLookupObjectPtr& dpobject() const { return dpobject_; }
    qint64 tag() const { return tag_; }
    void setTag(qint64 tag) { tag_ = tag; }
    bool active() const { return active_; }
    void setActive(bool value);
    bool ero() const { return ero_; }
    void setEro(bool value);
    bool excludePwdFiles() const { return excludePwdFiles_; }
    void setExcludePwdFiles(bool value) { excludePwdFiles_ = value; }
    bool isNewObject() const { return isNewObject_; }
    void setIsNewObject(bool value);
    bool disableNotifications() const { return disableNotifications_; }
    QString alias() const { return alias_; }
    void setAlias(const QString& value) { alias_ = value; }
    qint64 status() const { return status_; }
    void setStatus(qint64 value);
    qint64 action() const { return action_; }
    void setAction(qint64 value);
    // Minutes; 0 is manual, 1 to 4 become 0.
    qint64 interval() const { return interval_; }
    void setInterval(qint64 value);
    qint64 lastmatch() const { return lastmatch_; }
    void setLastmatch(qint64 value);
    qint64 lastsearch() const { return lastsearch_; }
    // Recomputes `nextsearch` before it returns, also when the value stays.
    void setLastsearch(qint64 value);
    qint64 nextsearch() const { return nextsearch_; }
    void setNextsearch(qint64 value);
    bool manualScan() const { return manualScan_; }
    void setManualScan(bool value) { manualScan_ = value; }
    // The entry's last search failed; cleared by the next one that succeeds.
    // While idle, the entry's status says so. Not stored: a new run starts
    // without it.
    bool lastSearchFailed() const { return lastSearchFailed_; }
    void setLastSearchFailed(bool value);

    QList<WatchdogHistoryObj>& history() { return history_; }
    const QList<WatchdogHistoryObj>& history() const { return history_; }
    void setHistory(const QList<WatchdogHistoryObj>& rows) { history_ = rows; }

    // ---- Display
    QString statusString() const { return statusString_; }
    QString actionString() const { return actionString_; }
    QString intervalString() const { return intervalString_; }
    QString lastmatchString() const { return lastmatchString_; }
    QString nextsearchString() const { return nextsearchString_; }
    QString contentIcon() const { return contentIcon_; }
    bool textEnabled() const { return textEnabled_; }
    bool showProgressBar() const { return showProgressBar_; }

    // A duration as the pages show it ("15 minutes", "1 day", "1824 days").
    static QString timeFormatter(qint64 seconds);
    static QString unixTimeToDate(qint64 seconds);

Q_SIGNALS:
    // Any display value changed.
    void displayChanged();

private:
    void later(void (Watchdog::*hook)());
    void activeChanged();
    void lastsearchChanged();
    void intervalChanged();
    void nextsearchChanged();
    void lastmatchChanged();
    void statusChanged();
    void actionChanged();
    void eroChanged();
    void sendUpdateWatchdogQueueNotification();

    Clock clock_;
    DeepLookupObjectPtr dpobject_;
    qint64 tag_ = 0;
    bool active_ = false;
    bool ero_ = false;
    bool excludePwdFiles_ = false;
    bool isNewObject_ = false;
    bool disableNotifications_ = false;
    QString alias_;
    qint64 status_ = 0;
    qint64 action_ = 0;
    qint64 interval_ = 0;
    qint64 lastmatch_ = 0;
    qint64 lastsearch_ = 0;
    qint64 nextsearch_ = 0;
    bool manualScan_ = false;
    bool lastSearchFailed_ = false;
    QList<WatchdogHistoryObj> history_;

    QString statusString_;
    QString actionString_;
    QString intervalString_;
    QString lastmatchString_ = QStringLiteral("--");
    QString nextsearchString_ = QStringLiteral("--");
    QString contentIcon_ = QString::fromLatin1(kIconGeneral);
    bool textEnabled_ = true;
    bool showProgressBar_ = false;
};

Q_DECLARE_METATYPE(WatchdogPtr)
