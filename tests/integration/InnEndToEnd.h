#pragma once

// The engine wired as the program wires it, against a private INN instance on
// 127.0.0.1 instead of a scripted server: what the program posts there and
// reads back went through a real server's parsing, storage and dot-stuffing.

#include "EngineEndToEnd.h"

#include "nntp/NNTPServerObject.h"
#include "queue/Queue.h"

#include "support/InnServer.h"

#include <QString>
#include <QStringList>

class InnEndToEnd : public EngineEndToEnd
{
protected:
    InnServer inn;

    void SetUp() override;
    void TearDown() override;

    // A server entry for the instance's plain port, reading and posting
    // without a login.
    NNTPServerObjectPtr addInnServer(const QString& alias, qint64 connections);

    // Posts `files` as one upload job to `server` in articles of at most
    // `articleSize` bytes and waits until the job has written its NZB;
    // returns the NZB's path, or an empty string after a failure recorded in
    // the test.
    QString upload(const QString& title, const QStringList& files, const QString& serverID,
                   qint64 articleSize, int timeoutMs,
                   const QString& poster = QStringLiteral("Tester <tester@example.invalid>"));
    // Whether `folder` holds `name` with exactly the bytes of `original`.
    static bool sameFile(const QString& original, const QString& folder, const QString& name);
};
