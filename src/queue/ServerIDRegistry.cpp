#include "queue/ServerIDRegistry.h"

#include <QHash>
#include <QReadWriteLock>
#include <QStringList>

namespace {

struct Registry
{
    QReadWriteLock lock;
    QHash<QString, int> tokens;
    QStringList ids;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

} // namespace

int ServerIDRegistry::tokenFor(const QString& serverID)
{
    Registry& r = registry();
    {
        QReadLocker reader(&r.lock);
        const auto it = r.tokens.constFind(serverID);
        if (it != r.tokens.constEnd()) return it.value();
    }
    QWriteLocker writer(&r.lock);
    const auto it = r.tokens.constFind(serverID);
    if (it != r.tokens.constEnd()) return it.value();
    const int token = int(r.ids.size());
    r.ids.append(serverID);
    r.tokens.insert(serverID, token);
    return token;
}

int ServerIDRegistry::findToken(const QString& serverID)
{
    Registry& r = registry();
    QReadLocker reader(&r.lock);
    return r.tokens.value(serverID, -1);
}

QString ServerIDRegistry::serverIDForToken(int token)
{
    Registry& r = registry();
    QReadLocker reader(&r.lock);
    if (token < 0 || token >= r.ids.size()) return QString();
    return r.ids.at(token);
}
