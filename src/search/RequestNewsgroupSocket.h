#pragma once

#include "platform/WeakDelegate.h"
#include "search/DeepLookupNewsgroupRequest.h"
#include "search/RequestNewsGroupSocketDelegate.h"

#include <QString>

// Asks the search service to index one more newsgroup (see
// DeepLookupNewsgroupRequest for how a request ends).
class RequestNewsgroupSocket : public DeepLookupNewsgroupRequest
{
    Q_OBJECT
public:
    static const QString kPath;

    explicit RequestNewsgroupSocket(QObject* parent = nullptr);

    RequestNewsGroupSocketDelegate* delegate() const { return delegate_.get(); }
    void setDelegate(RequestNewsGroupSocketDelegate* delegate) { delegate_.reset(delegate); }

    // The body is the name itself, without a key.
    void submitRequestForNewsgroup(const QString& newsgroup);

protected:
    void reportFailure(const QString& title, const QString& subtitle) override;
    void reportResult(const QString& text) override;
    const char* methodName() const override { return "[RequestNewsgroupSocket connectionDidFail]"; }

private:
    WeakDelegate<RequestNewsGroupSocketDelegate> delegate_;
};
