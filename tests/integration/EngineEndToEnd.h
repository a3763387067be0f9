#pragma once

// The engine wired as the program wires it, with scripted news servers on
// 127.0.0.1 and files posted to them as yEnc articles; the job codes the
// scheduler is told of are recorded, so that a test can read the whole road
// of a job after the state machine has moved it on.

#include "engine/EngineControllers.h"

#include "support/PostedFiles.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/ScriptedNntpServer.h"
#include "support/StatusRecordingQueueController.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <deque>
#include <memory>

class EngineEndToEnd : public ::testing::Test
{
protected:
    TempHome home;
    ScriptedDialogAnswerer dialogs;
    std::deque<std::unique_ptr<ScriptedNntpServer>> servers;
    StatusRecordingQueueController* scheduler = nullptr; // owned by the engine
    std::unique_ptr<EngineControllers> engine;
    QString downloadFolder;
    QString finalFolder;

    void SetUp() override;
    void TearDown() override;
    // The engine as the program makes it at a start, its scheduler recording.
    void startEngine();

    ScriptedNntpServer& addServer(const QString& alias, qint64 connections, bool backup = false);

    // `data` cut into yEnc articles of `partBytes` decoded bytes each.
    static PostedFile post(const QString& name, const QByteArray& data, qsizetype partBytes,
                           const QString& postedName = QString());
    // The file at `path`, posted under its own file name or `postedName`.
    static PostedFile postFile(const QString& path, qsizetype partBytes,
                               const QString& postedName = QString());
    // Alters the encoded data of article `index` (a line in the middle of
    // it), leaving its yEnc lines and its length as they were: the article
    // decodes, to wrong bytes, as one damaged on its way through the servers.
    static void damageArticle(PostedFile& f, qsizetype index);

    QString writeNzb(const QList<PostedFile>& files, const QString& nzbName,
                     const SegmentArrangement& arrange = {});
    QueuePtr import(const QString& path);

    // The codes the job reported, in order.
    QList<qint64> codesOf(const QueuePtr& job) const;
    bool waitForCode(const QueuePtr& job, qint64 code, int ms = 90000) const;

    // Every file below `folder`, relative to it, sorted.
    static QStringList filesBelow(const QString& folder);
    static QStringList entriesOf(const QString& folder);
};

// Whether `wanted` occurs in `codes` in this order (other codes may lie
// between).
bool containsInOrder(const QList<qint64>& codes, const QList<qint64>& wanted);
// `codes` from the last occurrence of `from` on; empty without it.
QList<qint64> codesFromLast(const QList<qint64>& codes, qint64 from);
