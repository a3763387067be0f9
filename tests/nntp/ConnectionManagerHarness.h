#pragma once

#include "nntp/ConnectionsController.h"
#include "nntp/NNTPServersController.h"
#include "nntp/TVConnectionsObject.h"
#include "queue/QueueController.h"

#include "support/DownloadJobBuilder.h"
#include "support/EventLoop.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/ScriptedNntpServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>

// The real connection manager with the real server list and queue
// controller, each server of the list a scripted server of its own on
// 127.0.0.1 without login.
class ConnectionManager : public ::testing::Test
{
protected:
    struct Server
    {
        std::unique_ptr<ScriptedNntpServer> nntp;
        NNTPServerObjectPtr entry;
    };

    TempHome home;
    ScriptedDialogAnswerer dialogs;
    std::deque<Server> servers;
    NNTPServersController list;
    QueueController qc;
    std::unique_ptr<ConnectionsController> manager;

    void SetUp() override
    {
        manager = std::make_unique<ConnectionsController>();
        manager->setQueueController(&qc);
        manager->setNntpServersController(&list);
        qc.setConnectionsController(manager.get());
    }
    void TearDown() override
    {
        manager.reset(); // closes every connection and waits for its thread
        spinEventLoop(20);
    }

    Server& addServer(const QString& alias, qint64 connections, bool backup = false)
    {
        Server s;
        s.nntp = std::make_unique<ScriptedNntpServer>();
        EXPECT_TRUE(s.nntp->start()) << s.nntp->errorString().toStdString();
        s.entry = list.createNewNNTPServer();
        s.entry->setAlias(alias);
        s.entry->setAddress(QStringLiteral("127.0.0.1"));
        s.entry->setPort(s.nntp->port());
        s.entry->setSsl(false);
        s.entry->setRequiresLogin(false);
        s.entry->setMaxConnections(connections);
        s.entry->setIsbackupServerOnly(backup);
        servers.push_back(std::move(s));
        list.buildLocalArrays();
        return servers.back();
    }

    QueuePtr queueJob(const QString& title, int parts, int articles)
    {
        const QueuePtr job = DownloadJobBuilder(title).parts(parts).articlesPerPart(articles).build();
        EXPECT_TRUE(qc.addNZBRootObjectToQueue(job));
        return job;
    }
    // Puts every article of `job` on the given servers.
    static void serve(const QueuePtr& job, std::initializer_list<Server*> on)
    {
        for (const QueuePtr& part : job->fileparts())
            for (const SegmentPtr& s : part->segments())
                for (Server* server : on)
                    server->nntp->addArticle(s->midBytes(), "body of " + s->midBytes() + "\r\n");
    }
    static SegmentPtr article(const QueuePtr& job, int part, int number)
    {
        return job->fileparts()[part - 1]->segments()[number - 1];
    }

    bool waitForBooked(const QueuePtr& job, int ms = 10000)
    {
        return waitUntil([&] { return job->totalSegmentsLeftToDownload() == 0; }, ms);
    }
    // The BODY commands a server received.
    static QList<QByteArray> bodies(const Server& s)
    {
        QList<QByteArray> out;
        for (const QByteArray& line : s.nntp->commandLines())
            if (line.startsWith("BODY ")) out.append(line.mid(5));
        return out;
    }
    QStringList socketAliases() const
    {
        QStringList out;
        for (const TCPSocketPtr& socket : manager->socketArray())
            out.append(socket->nntpServer()->alias());
        return out;
    }
};
