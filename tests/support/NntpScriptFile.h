#pragma once

#include <QDir>
#include <QJsonObject>
#include <QString>

class ScriptedNntpServer;

// Sets up a scripted NNTP server from a file, for the scripted_nntp_server
// program and for tests that keep their script beside them.
//
// A folder: every regular file in it is an article whose message-id is the
// file name (angle brackets added).
//
// A JSON file, every key optional:
//   {
//     "greeting": {"code": 200, "text": "ready"},
//     "requireAuth": true,
//     "postingAllowed": true,
//     "connectionLimit": {"limit": 4, "code": 502, "text": "Too many connections"},
//     "accounts": [{"user": "u", "password": "p", "maxConnections": 2,
//                   "refusal": "502 Download limit reached"}],
//     "articles": [{"mid": "<a@b>", "body": "text"} | {"mid": ..., "bodyBase64": ...}
//                  | {"mid": ..., "file": "path"}],
//     "articleFolder": "path",
//     "groups": [{"name": "alt.test", "last": 200, "first": 101, "flag": "y"}],
//     "rules": [{"command": "BODY", "argument": "<a@b>", "connection": 0, "times": 1,
//                "reply": "430 Gone" | "replyRaw": "exact bytes", "delayMs": 0,
//                "splitAt": [3, 9], "splitGapMs": 30, "limitBytes": -1, "limitShare": 0.5,
//                "dripMs": 0, "stream": {"bytes": 1000000, "lineEnds": true, "tail": ".\r\n"},
//                "then": "continue" | "silent" | "drop" | "reset"}]
//   }
// Paths are relative to the script's folder.
class NntpScriptFile
{
public:
    static bool load(ScriptedNntpServer& server, const QString& path, QString* error);
    static bool apply(ScriptedNntpServer& server, const QJsonObject& script, const QDir& base,
                      QString* error);
    static bool loadArticleFolder(ScriptedNntpServer& server, const QString& folder, QString* error);
};
