#pragma once

#include "queue/ModelProperties.h"

#include <QColor>
#include <QString>

#include <memory>

class NNTPServerObject;
using NNTPServerObjectPtr = std::shared_ptr<NNTPServerObject>;
class TVConnectionsObject;
using TVConnectionsObjectPtr = std::shared_ptr<TVConnectionsObject>;

// Where a connection goes and how it logs in: the download endpoint of a
// server, or its upload endpoint.
struct NNTPEndpoint
{
    QString serverID; // `serverID`, or `upServerID` for the upload endpoint
    QString address;
    int port = 119;
    bool ssl = false;
    bool requiresLogin = true;
    QString username;
    QString password;
};

// One news server's settings: a download endpoint, a separate upload
// endpoint, login data, connection count, backup role, colour and statistics
// flag. A copy of a server is one connection slot: it carries a fresh
// `connectionID`, the `isInUse` flag and a reference to the server it was
// copied from.
//
// Slots are shared between the main thread and the connection threads, so
// every field is whole under concurrent use (atomic scalars, the rest under
// the record's own lock).
class NNTPServerObject
{
public:
    // A new server with the defaults of a fresh entry and new random ids.
    NNTPServerObject();
    NNTPServerObject(const NNTPServerObject&) = delete;
    NNTPServerObject& operator=(const NNTPServerObject&) = delete;

    static NNTPServerObjectPtr create() { return std::make_shared<NNTPServerObject>(); }

    // A copy with a new `connectionID`, no row, no server it was copied
    // from, and `authFailed` and `postingDenied` cleared.
    NNTPServerObjectPtr copy() const;

    // The random identities of a new server and of a new copy.
    static QString makeServerID();
    static QString makeUpServerID();
    static qint64 makeConnectionID();

    // The standard port of a news server without and with TLS.
    static constexpr int kStandardPort = 119;
    static constexpr int kStandardTlsPort = 563;
    static int standardPort(bool ssl) { return ssl ? kStandardTlsPort : kStandardPort; }

    // The address new servers get until the user enters theirs.
    static QString placeholderAddress() { return QStringLiteral("news.example.com"); }

    // When the upload endpoint is the download endpoint it uses the download
    // port, or 119 when that is not set, and TLS only with a set port.
    static int uploadPortForDownloadPort(int port) { return port > 0 ? port : 119; }
    static bool uploadSSLForDownloadEndpoint(int port, bool ssl) { return port > 0 && ssl; }

    // The endpoint a connection uses. With `upload` and
    // `uploadIsDownloadServer` the upload endpoint is made from the download
    // fields, as the store writes it, so an edit of the download fields
    // reaches uploads at once.
    NNTPEndpoint endpoint(bool upload) const;

    // Marks a free slot in use; false when it was in use already. Two
    // threads asking for the same slot never both get it.
    bool takeSlot();

    MODEL_WEAK(NNTPServerObject, mainNNTPServerObject, setMainNNTPServerObject)
    MODEL_WEAK(TVConnectionsObject, uiConnectionObject, setUiConnectionObject)
    MODEL_ATOMIC(qint64, connectionID, setConnectionID, 0)
    MODEL_GUARDED(QString, serverID, setServerID)
    MODEL_GUARDED(QString, alias, setAlias)
    MODEL_GUARDED(QString, username, setUsername)
    // Plain text in memory; only the store encrypts it.
    MODEL_GUARDED(QString, password, setPassword)
    MODEL_GUARDED(QString, address, setAddress)
    MODEL_ATOMIC(qint64, maxConnections, setMaxConnections, 5)
    MODEL_ATOMIC(bool, authFailed, setAuthFailed, false)
    MODEL_ATOMIC(bool, postingDenied, setPostingDenied, false)
    MODEL_ATOMIC(bool, isbackupServerOnly, setIsbackupServerOnly, false)
    MODEL_ATOMIC(bool, isInUse, setIsInUse, false)
    MODEL_ATOMIC(bool, ssl, setSsl, false)
    MODEL_ATOMIC(bool, enabled, setEnabled, true)
    MODEL_ATOMIC(bool, requiresLogin, setRequiresLogin, true)
    MODEL_ATOMIC(qint32, port, setPort, 119)
    MODEL_ATOMIC(qint64, row, setRow, 0)
    MODEL_GUARDED(QColor, color, setColor)
    MODEL_ATOMIC(qint64, showStats, setShowStats, 1)
    MODEL_GUARDED(QString, upServerID, setUpServerID)
    MODEL_GUARDED(QString, upUsername, setUpUsername)
    MODEL_GUARDED(QString, upPassword, setUpPassword)
    MODEL_GUARDED(QString, upAddress, setUpAddress)
    MODEL_ATOMIC(bool, uploadIsDownloadServer, setUploadIsDownloadServer, true)
    MODEL_ATOMIC(bool, upEnabled, setUpEnabled, true)
    MODEL_ATOMIC(bool, upSSL, setUpSSL, false)
    MODEL_ATOMIC(bool, upRequiresLogin, setUpRequiresLogin, true)
    MODEL_ATOMIC(qint32, upPort, setUpPort, 119)

private:
    mutable QMutex lock_;
};
