#pragma once

#include "nntp/NntpTlsConfiguration.h"
#include "nntp/TCPSocket.h"
#include "platform/UserDefaults.h"
#include "queue/Queue.h"

#include "support/EventLoop.h"
#include "support/FakeConnectionsManager.h"
#include "support/NntpWireFormat.h"
#include "support/ScriptedNntpServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <memory>
#include <thread>

// A connection against the scripted server, with the recording manager.
class Connection : public ::testing::Test
{
protected:
    TempHome home;
    ScriptedNntpServer server;
    std::unique_ptr<FakeConnectionsManager> manager = std::make_unique<FakeConnectionsManager>();

    void SetUp() override { ASSERT_TRUE(server.start()) << server.errorString().toStdString(); }
    void TearDown() override
    {
        manager.reset();
        NntpTlsConfiguration::removeAddedCaCertificates();
    }

    static void setTimeout(qint64 seconds)
    {
        UserDefaults::standard().setInteger(seconds, QStringLiteral("tcpSocketTimeout"));
    }

    NNTPServerObjectPtr slot() { return manager->makeSlot(server.port()); }
    NNTPServerObjectPtr loginSlot(const QString& user, const QString& password)
    {
        NNTPServerObjectPtr s = manager->makeSlot(server.port());
        s->setRequiresLogin(true);
        s->setUsername(user);
        s->setPassword(password);
        return s;
    }

    // The article `mid` on the server and in the manager's line.
    SegmentPtr article(const QByteArray& mid, const QByteArray& body)
    {
        server.addArticle(mid, body);
        return manager->addArticle(mid, double(body.size()));
    }

    bool waitForHandIns(int count, int ms = 8000)
    {
        return waitUntil([&] { return manager->handIns().size() >= count; }, ms);
    }
    bool waitForEvent(const QString& prefix, int ms = 8000)
    {
        return waitUntil(
            [&] {
                for (const QString& e : manager->events()) {
                    if (e.startsWith(prefix)) return true;
                }
                return false;
            },
            ms);
    }
    // Row texts reach the row on the main thread, after what the connection
    // did next may have been recorded already.
    bool waitForResponse(const NNTPServerObjectPtr& slot, const QString& text, int ms = 5000)
    {
        return waitUntil([&] { return manager->responses(slot).contains(text); }, ms);
    }
    static bool waitForStatus(const TCPSocketPtr& socket, qint64 status, int ms = 8000)
    {
        return waitUntil([&] { return socket->status() == status; }, ms);
    }
    QList<QByteArray> lines() const { return server.commandLines(); }
};
