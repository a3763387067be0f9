#pragma once

#include "stats/StatsServerList.h"
#include "nntp/NNTPServerObject.h"
#include "nntp/TVConnectionsObject.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QStringList>

#include <atomic>
#include <optional>

// The configured news servers, in priority order, and what is made of them
// for the connections: the connection slotList (copies of the servers, normal
// and backup ones) and one row of the connections table per slot.
//
// The server list and the slot arrays are replaced on the main thread only;
// connection threads take and give back slotList and read the id lists at any
// time, under the controller's slot lock.
class NNTPServersController : public QObject, public StatsServerList
{
    Q_OBJECT
public:
    // Loads the servers from the store and builds the slotList.
    NNTPServersController();
    ~NNTPServersController() override;

    // Replaces the list by the store's.
    void loadNNTPServers();
    // Makes the slotList and rows anew; every slot starts free, and a server
    // whose login failed gets another chance.
    void buildLocalArrays();
    void createTableViewObjects(const NNTPServerObjectPtr& slot);
    // Appends a new server with the defaults and a random colour.
    NNTPServerObjectPtr createNewNNTPServer();
    static QColor createRandomColor();

    // Slots (not servers) whose server's login has not failed.
    qint64 getTotalNormalServersAvailable() const;
    qint64 getTotalBackupServersAvailable() const;
    // Distinct servers with a slot in use.
    qint64 getTotalServersInUse() const;
    // Servers owning normal (backup) slotList whose login has not failed, each
    // once, in slot order.
    QStringList getNormalServerIDs() const;
    QStringList getBackupServerIDs() const;
    // Servers owning slotList, normal ones first, whose login has not failed and
    // which allow posting.
    QStringList getUploadServerIDs() const;
    // The configured server with exactly this id, or null.
    NNTPServerObjectPtr getNNTPServerObjectForServerID(const QString& serverID) const;
    // Takes a free slot, normal slotList before backup slotList: any server's for an
    // empty id, else a slot whose `serverID` or `upServerID` is the id. The
    // slot is marked in use; the caller frees it by clearing `isInUse`.
    NNTPServerObjectPtr requestConnectionForServerID(const QString& serverID = QString());

    // Change detection when the settings window closes, against the copies
    // it took when it opened: a server setting changed posts
    // "NNTPServerListChanged", only a colour "RebuildStatsUsageGraph"; either
    // marks the list for saving.
    void compareNNTPChangesWithArray(const QList<NNTPServerObjectPtr>& oldList);
    // Writes the list to the store; false when it was not stored (the
    // previous list then stays in the file).
    bool saveNNTPServers();

    QList<NNTPServerObjectPtr> arrayNNTPServers() const { return arrayNNTPServers_; }
    // What the usage statistics know of each server (main thread).
    QList<StatsServerInfo> statsServers() const override;
    // The settings page edits the list in place through these.
    QList<NNTPServerObjectPtr>& mutableArrayNNTPServers() { return arrayNNTPServers_; }
    QList<TVConnectionsObjectPtr> arrayTableViewConnections() const { return arrayTableViewConnections_; }
    QList<NNTPServerObjectPtr> normalServersArray() const;
    QList<NNTPServerObjectPtr> backupServersArray() const;
    bool shouldSaveNNTPServers() const { return shouldSaveNNTPServers_.load(); }

Q_SIGNALS:
    void arrayNNTPServersChanged();
    void arrayTableViewConnectionsChanged();

private:
    static QStringList serverIDsOf(const QList<NNTPServerObjectPtr>& slotList, bool uploadOnly);
    static qint64 availableSlots(const QList<NNTPServerObjectPtr>& slotList);

    QList<NNTPServerObjectPtr> arrayNNTPServers_;
    QList<TVConnectionsObjectPtr> arrayTableViewConnections_;

    mutable QMutex slotsLock_; // guards the two slot arrays
    QList<NNTPServerObjectPtr> normalServersArray_;
    QList<NNTPServerObjectPtr> backupServersArray_;
    std::atomic<bool> shouldSaveNNTPServers_{false};
};
