#pragma once

#include "core/DBStore.h"
#include "nntp/NNTPServerObject.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class SSKeychain;

// What changed between the server list the settings window started with and
// the one it ends with.
struct NNTPServerListChanges
{
    bool server = false; // a setting that the connections use
    bool color = false;  // only the colour of the statistics graph
};

// The news servers in nntpservers.db (version 102), both passwords of each
// server encrypted in the format of StringCodingUtils. Stores of versions 100
// and 101 are converted on the first read; version 100 kept its passwords in
// a keychain (see SSKeychain).
//
// Saving replaces the whole list in one transaction, so the file holds
// either the previous list or the new one, also after a crash, a full disk or
// a refused row in the middle. Made for each use, on the main thread.
class DBNNTPServers : public DBStore
{
public:
    explicit DBNNTPServers(const SSKeychain& keychain);
    DBNNTPServers();

    static constexpr long kVersion = 102;
    static constexpr int kColumns = 23;

    // The keychain service of version 100: the application's name.
    QString serviceName() const { return serviceName_; }

    // The folder and, when missing, the file with its tables.
    void startNNTPServerDB() { startDB(); }

    // Replaces the store's list by `servers`, in their order. The objects
    // are not changed. False (and the old list kept) when the file cannot be
    // written or a password cannot be stored: a password with characters
    // outside ISO Latin-1 has no form in the stored format.
    bool saveAllNNTPServers(const QList<NNTPServerObjectPtr>& servers);
    // Converts an older store, then every server in list order, up to the
    // first row that is not one.
    QList<NNTPServerObjectPtr> loadAllNNTPServers();
    // One row of 23 columns; none (and a log line) for another count.
    std::optional<NNTPServerObjectPtr> dbToNNTP(const QStringList& row) const;

    static NNTPServerListChanges compareOldNNTPServersArray(const QList<NNTPServerObjectPtr>& oldList,
                                                            const QList<NNTPServerObjectPtr>& newList);

    // "r g b a" with three decimals, always with a decimal point; an invalid
    // colour is written as black.
    static QString convertColorToString(const QColor& color);
    static QColor convertStringToColor(const QString& text);
    // Hue 0..255/256, saturation and brightness between 0.5 and just under 1.
    static QColor createRandomColor();

    // The password of the keychain item (serviceName(), account), "" when
    // there is none.
    QString loadKeyChainForServerID(const QString& account) const;

    bool convertDBFromVersion100();
    bool convertDBFromVersion101();

protected:
    bool convertDBFromVersion(long oldVersion) override;
    // Called before each row of a save is written; tests stop the writer
    // here to see what a crash leaves.
    virtual void rowWillBeWritten(qsizetype row);

private:
    // Where the columns of a layout are: version 102 has upServerID after
    // serverID, version 100 no secrets.
    struct Layout;
    NNTPServerObjectPtr serverFromRow(const QStringList& row, const Layout& layout) const;
    bool convertRows(int columns, const Layout& layout);
    bool writeServers(const QList<QVariantList>& rows);

    const SSKeychain& keychain_;
    QString serviceName_;
};
