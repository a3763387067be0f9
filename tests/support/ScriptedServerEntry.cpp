#include "support/ScriptedServerEntry.h"

#include "nntp/NNTPServersController.h"
#include "support/ScriptedNntpServer.h"

NNTPServerObjectPtr addScriptedServerEntry(NNTPServersController& list, const ScriptedNntpServer& server,
                                           const QString& alias, qint64 connections, bool backupOnly)
{
    return addScriptedServerEntry(list, server.port(), alias, connections, backupOnly);
}

NNTPServerObjectPtr addScriptedServerEntry(NNTPServersController& list, quint16 port, const QString& alias,
                                           qint64 connections, bool backupOnly)
{
    const NNTPServerObjectPtr entry = list.createNewNNTPServer();
    entry->setAlias(alias);
    entry->setAddress(QStringLiteral("127.0.0.1"));
    entry->setPort(port);
    entry->setSsl(false);
    entry->setRequiresLogin(false);
    entry->setMaxConnections(connections);
    entry->setIsbackupServerOnly(backupOnly);
    return entry;
}
