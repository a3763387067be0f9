#pragma once

#include "support/NzbFixture.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>

class ScriptedNntpServer;

// A file as a poster put it on a news server: its bytes cut into yEnc
// articles, each with a message-id of its own. The download tests serve the
// articles from a scripted server and list them in an NZB.
struct PostedFile
{
    QString name;
    // The name in the subject and in the yEnc header: obfuscated posts do
    // not share it with `name`.
    QString postedName;
    QByteArray data;
    QList<QByteArray> mids;   // without angle brackets
    QList<QByteArray> bodies; // as the server holds them (not dot-stuffed)

    // `size` bytes from a fixed seed, in articles of `partBytes` decoded bytes.
    static PostedFile make(const QString& name, qsizetype size, qsizetype partBytes, std::uint32_t seed);
    // `data` cut into articles of `partBytes` decoded bytes, posted under
    // `postedName` (or `name` when it is empty).
    static PostedFile fromData(const QString& name, const QByteArray& data, qsizetype partBytes,
                               const QString& postedName = QString());

    // The message-id of article `index` as a BODY command names it.
    QByteArray bracketedMid(qsizetype index) const { return '<' + mids[index] + '>'; }
};

// Every article of `file` held by `server`.
void serve(ScriptedNntpServer& server, const PostedFile& file);
// Every article of `file` POSTed to the news server on 127.0.0.1:`port`
// (one that reads and posts without a login), to `group`, under its
// message-id. False, with the server's answer in `error`, when one is refused.
bool postTo(quint16 port, const QString& group, const PostedFile& file, QString* error = nullptr);

// An NZB listing `files` in order, each under the subject posting tools give it.
// `arrange`, when given, changes a file's segment list as the NZB lists it
// (reordered, repeated); it gets the file's index among `files`.
using SegmentArrangement = std::function<void(int file, QList<NzbFixture::Article>& segments)>;
bool writeNzb(const QString& path, const QList<PostedFile>& files, const SegmentArrangement& arrange = {});

// `name`, `size` pseudo-random bytes from `seed`, and a PAR2 set over it made
// by par2 in `folder` (`recoveryBlocks` blocks of `sliceBytes`), as posted in
// articles of `partBytes`: the file first, then the PAR2 files, index first.
// Empty when par2 failed, with its output in `error`.
QList<PostedFile> makeFileWithPar2Set(const QString& folder, const QString& name, qint64 size,
                                      std::uint32_t seed, qint64 sliceBytes, int recoveryBlocks,
                                      qsizetype partBytes, QString* error = nullptr);
// An NZB arrangement in which the articles `lost` (indices) of file `file`
// carry message-ids that no server holds: another copy of the same post with
// those articles gone.
SegmentArrangement losingArticles(int file, const QList<int>& lost);
