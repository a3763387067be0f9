#pragma once

#include "support/NntpRule.h"

#include <QByteArray>
#include <QObject>
#include <QSslConfiguration>

#include <memory>
#include <optional>

class NntpServerState;
class QTcpSocket;

// One client connection of the scripted NNTP server. It lives in a thread of
// its own, so that a slow, delayed or silent connection never holds up the
// others and a fast one is served at full speed. It reads commands one line at
// a time, answers each from the shared state or from a matching rule, and
// reads the next command only when the reply is written (a delayed reply
// delays everything after it, as on a real server).
class NntpServerSession : public QObject
{
    Q_OBJECT
public:
    // `refusal`: the connection is over the server's limit; it gets this line
    // and is closed. `tls`: the server side of a TLS handshake comes first.
    NntpServerSession(std::shared_ptr<NntpServerState> state, qintptr descriptor, int number,
                      std::optional<QByteArray> refusal, std::optional<QSslConfiguration> tls);
    ~NntpServerSession() override;

    // Runs in the session's thread: takes over the socket and greets.
    void start();

private:
    enum class Mode { Command, Article };

    void greet();
    void onReadyRead();
    void processInput();
    void handleCommand(const QByteArray& line);
    // Sends the reply to `command` (the default or the one a rule gives) and
    // returns the bytes chosen; `delivered` tells whether all of them go out
    // and the connection carries on afterwards.
    QByteArray respond(const QByteArray& command, const QByteArray& argument, const QByteArray& defaultReply,
                       bool* delivered = nullptr);
    // Writes the first piece once the rule's gate (if any) is open.
    void writeWhenOpen();
    void writeNextPiece();
    // Writes filler until the socket holds enough unsent bytes, then the
    // tail once all of it is out.
    void pumpStream();
    void resetConnection();
    void finishReply();
    void closeConnection();
    void end();

    std::shared_ptr<NntpServerState> state_;
    qintptr descriptor_;
    int number_;
    std::optional<QByteArray> refusal_;
    std::optional<QSslConfiguration> tls_;
    QTcpSocket* socket_ = nullptr;

    QByteArray input_;
    qsizetype articleScanFrom_ = 0;
    Mode mode_ = Mode::Command;
    bool busy_ = true; // a reply is being written (the greeting first)
    bool processing_ = false;
    bool silent_ = false;
    bool closing_ = false;
    bool closeAfterReply_ = false;
    bool encrypted_ = false;
    bool ended_ = false;

    bool authenticated_ = false;
    std::optional<QByteArray> pendingUser_;
    std::optional<QByteArray> loggedInUser_; // holds one of the account's connection slots

    QList<QByteArray> pieces_;
    int gapMs_ = 0;
    std::shared_ptr<const NntpGate> gate_;
    NntpRule::Then then_ = NntpRule::Then::Continue;
    qint64 streamLeft_ = 0;
    NntpRule::Fill streamFill_ = NntpRule::Fill::Lines;
    QByteArray streamTail_;
    bool streaming_ = false;
};
