#pragma once

#include "nntp/NNTPServerObject.h"

#include <QString>

class NNTPServersController;
class ScriptedNntpServer;

// A news-server entry of `list` for a scripted server on 127.0.0.1, as a
// user enters one: plain TCP, no login, `connections` slots. The caller
// builds the slot arrays or saves the list, as its test needs.
NNTPServerObjectPtr addScriptedServerEntry(NNTPServersController& list, const ScriptedNntpServer& server,
                                           const QString& alias, qint64 connections, bool backupOnly = false);
// The same for a server listening on `port` of 127.0.0.1 (one run by another
// process, for instance).
NNTPServerObjectPtr addScriptedServerEntry(NNTPServersController& list, quint16 port, const QString& alias,
                                           qint64 connections, bool backupOnly = false);
