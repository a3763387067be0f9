#include "search/IndexedNewsgroupSocket.h"

#include "search/DeepLookupRecord.h"

const QString IndexedNewsgroupSocket::kPath = QStringLiteral("/search/getnewsgroups_v1.html");

IndexedNewsgroupSocket::IndexedNewsgroupSocket(QObject* parent) : DeepLookupNewsgroupRequest(parent)
{}

void IndexedNewsgroupSocket::downloadNewsGroupList()
{
    send(kPath, QByteArray(""));
}

QList<IndexedNG> IndexedNewsgroupSocket::newsgroupsFromList(const QString& text)
{
    QList<IndexedNG> groups;
    DeepLookupRecord::forEachLine(text, [&](QStringView line) {
        const DeepLookupRecord record(line);
        if (record.size() < 3) return true;
        IndexedNG group;
        group.setNewsgroup(record.text(1));
        group.setEro(record.flag(2));
        groups.append(group);
        return true;
    });
    return groups;
}

void IndexedNewsgroupSocket::reportFailure(const QString& title, const QString& subtitle)
{
    if (IndexedNewsGroupsSocketDelegate* d = delegate_.get()) d->downloadFailed(title, subtitle);
}

void IndexedNewsgroupSocket::reportResult(const QString& text)
{
    if (IndexedNewsGroupsSocketDelegate* d = delegate_.get()) d->newsgroupsDownloaded(text);
}
