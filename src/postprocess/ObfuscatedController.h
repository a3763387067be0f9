#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QVariantMap>

#include <memory>

class Queue;
using QueuePtr = std::shared_ptr<Queue>;
class SerialQueue;

// Gives the data files of a finished job back their proper names: posters
// often name the files meaninglessly while the PAR2 files still describe
// each file by name and by the MD5 of its first 16 KiB. Every file of the
// job's temporary extraction folder (subfolders included) whose digest
// matches a description gets the name of that description, in its own folder.
//
// Names from a PAR2 file are reduced to one safe path component before use,
// so a rename never leaves the file's folder; an existing file is never
// replaced. Only regular files are digested and renamed (links are left
// alone).
//
// One operation per job on the scheduler's serial file-name queue; the job
// goes JobStatus::ObfuscationCheck -> ObfuscationCheckDone around it. Runs off the main thread; of the job it
// reads only `downloadUrl` and sets only `status`.
class ObfuscatedController
{
public:
    explicit ObfuscatedController(const QueuePtr& job);

    // Adds the operation for `job` to `filenameControllerQueue`.
    static void addOperation(SerialQueue& filenameControllerQueue, const QueuePtr& job);

    // The whole step.
    void main();

    // Renames the files of tempFolderUrl() that the PAR2 file `par2Path`
    // describes.
    void processParFile(const QString& par2Path);

    // MD5 of the first 16 KiB -> proper (safe) name, from a PAR2 file list;
    // of two descriptions with one digest the later wins.
    static QHash<QString, QString> buildFileDictFromDict(const QVariantMap& fileList);

    // Logs and moves one file; never replaces an existing one. Whether it moved.
    static bool renameFilepath(const QString& from, const QString& to);

    QString tempFolderUrl() const { return tempFolderUrl_; }

private:
    // The digest of `path`, read once per run.
    QString md516kFor(const QString& path);

    std::weak_ptr<Queue> queue_;
    QString tempFolderUrl_;
    QHash<QString, QString> md516kCache_;
    // Name maps already applied in this run: the volumes of a set describe
    // the same files, and a second pass with the same map could only find
    // them renamed already.
    QList<QHash<QString, QString>> mapsDone_;
};
