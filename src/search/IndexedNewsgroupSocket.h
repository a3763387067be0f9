#pragma once

#include "platform/WeakDelegate.h"
#include "search/DeepLookupNewsgroupRequest.h"
#include "search/IndexedNG.h"
#include "search/IndexedNewsGroupsSocketDelegate.h"

#include <QList>
#include <QString>

// Fetches the list of newsgroups the search service indexes (see
// DeepLookupNewsgroupRequest for how a request ends).
class IndexedNewsgroupSocket : public DeepLookupNewsgroupRequest
{
    Q_OBJECT
public:
    static const QString kPath;

    explicit IndexedNewsgroupSocket(QObject* parent = nullptr);

    IndexedNewsGroupsSocketDelegate* delegate() const { return delegate_.get(); }
    void setDelegate(IndexedNewsGroupsSocketDelegate* delegate) { delegate_.reset(delegate); }

    // Sends the list request, with an empty body.
    void downloadNewsGroupList();

    // The groups of a list reply: one per line of at least 3 TAB-separated
    // fields (field 1 the name, field 2 the erotica flag); the record kind's
    // own line ("LIST") and shorter lines give none. The icon is the page's
    // to choose.
    static QList<IndexedNG> newsgroupsFromList(const QString& text);

protected:
    void reportFailure(const QString& title, const QString& subtitle) override;
    void reportResult(const QString& text) override;
    const char* methodName() const override { return "[IndexedNewsgroupSocket connectionDidFail]"; }

private:
    WeakDelegate<IndexedNewsGroupsSocketDelegate> delegate_;
};
