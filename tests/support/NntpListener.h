#pragma once

#include <QTcpServer>

#include <functional>

// The listening socket of the scripted NNTP server. It runs in a thread of
// its own and hands every accepted socket descriptor on at once, before any
// Qt socket object exists, so that each connection can be taken over by the
// thread that serves it.
class NntpListener : public QTcpServer
{
    Q_OBJECT
public:
    explicit NntpListener(std::function<void(qintptr)> onConnection);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    std::function<void(qintptr)> onConnection_;
};
