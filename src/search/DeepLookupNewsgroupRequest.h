#pragma once

#include "search/DeepLookupTransfer.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

// What the two newsgroup requests of the search service share (the list of
// indexed newsgroups, and asking for one more): the request frame of the
// search requests, and their way of judging a reply, with these
// differences. A reply starts with "INFO", "LIST" or "DATA"; after the
// service's envelope, no body, an unreadable body or a text of 3
// characters or fewer only the failure is reported; after a text that
// starts with another record kind the failure comes first and the whole
// text follows as the result. A failed connection is reported with titles
// that name no service.
//
// One request per object; main thread. The user keeps the object while the
// request runs and drops it on either report.
class DeepLookupNewsgroupRequest : public QObject
{
    Q_OBJECT
public:
    static const QStringList kRecordKinds;

    bool isRunning() const { return transfer_->isRunning(); }

protected:
    explicit DeepLookupNewsgroupRequest(QObject* parent = nullptr);

    // Sends `body` to `path` of the service.
    void send(const QString& path, const QByteArray& body);

    virtual void reportFailure(const QString& title, const QString& subtitle) = 0;
    virtual void reportResult(const QString& text) = 0;
    // For the console line of a failed connection: "[<class> <method>]".
    virtual const char* methodName() const = 0;

private:
    void onFinished(const DeepLookupTransfer::Outcome& outcome);

    DeepLookupTransfer* transfer_; // a child
};
