#include "search/DeepLookupNewsgroupRequest.h"

#include "core/StringFormat.h"
#include "search/DeepLookupConsole.h"
#include "search/DeepLookupSocket.h"

#include <QPointer>

const QStringList DeepLookupNewsgroupRequest::kRecordKinds = {QStringLiteral("INFO"), QStringLiteral("LIST"),
                                                              QStringLiteral("DATA")};

DeepLookupNewsgroupRequest::DeepLookupNewsgroupRequest(QObject* parent)
    : QObject(parent), transfer_(new DeepLookupTransfer(this))
{
    transfer_->setFinishedHandler(
        [this](const DeepLookupTransfer::Outcome& outcome) { onFinished(outcome); });
}

void DeepLookupNewsgroupRequest::send(const QString& path, const QByteArray& body)
{
    QUrl url = DeepLookupSocket::serviceURL();
    url.setPath(path);
    transfer_->start(url, body, DeepLookupSocket::timeoutMs());
}

void DeepLookupNewsgroupRequest::onFinished(const DeepLookupTransfer::Outcome& outcome)
{
    if (outcome.connectionFailed) {
        deepLookupConsole(u"%s %@", methodName(),
                          sformat(u"%@ (%d)", outcome.description, int(outcome.error)));
        reportFailure(DeepLookupSocket::connectionFailureTitle(outcome.error, outcome.timedOut,
                                                               outcome.description,
                                                               DeepLookupSocket::FailureWording::Plain),
                      DeepLookupSocket::kPleaseTryAgain);
        return;
    }
    using Verdict = DeepLookupSocket::Verdict;
    const DeepLookupSocket::Judgement judgement =
        DeepLookupSocket::judgeReply(outcome.hadBody, outcome.text, kRecordKinds);
    QPointer<DeepLookupNewsgroupRequest> alive(this);
    if (judgement.failure) {
        reportFailure(judgement.failure->title, judgement.failure->subtitle);
        if (!alive) return;
    }
    const bool resultFollows = judgement.verdict == Verdict::Good || judgement.verdict == Verdict::NoRecords;
    if (resultFollows && judgement.resultText) reportResult(*judgement.resultText);
}
