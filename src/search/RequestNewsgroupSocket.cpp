#include "search/RequestNewsgroupSocket.h"

const QString RequestNewsgroupSocket::kPath = QStringLiteral("/search/request_newsgroup_v1.html");

RequestNewsgroupSocket::RequestNewsgroupSocket(QObject* parent) : DeepLookupNewsgroupRequest(parent)
{}

void RequestNewsgroupSocket::submitRequestForNewsgroup(const QString& newsgroup)
{
    send(kPath, newsgroup.toUtf8());
}

void RequestNewsgroupSocket::reportFailure(const QString& title, const QString& subtitle)
{
    if (RequestNewsGroupSocketDelegate* d = delegate_.get()) d->connectionError(title, subtitle);
}

void RequestNewsgroupSocket::reportResult(const QString& text)
{
    if (RequestNewsGroupSocketDelegate* d = delegate_.get()) d->serverResponse(text);
}
