#pragma once

#include "codec/DecodeSink.h"
#include "queue/FileRangeWriter.h"

#include <QByteArray>
#include <QMutex>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

// The decoded bytes of one file part on their way to disk. A decoder writes
// them by offset into a hidden file in the download folder's spool folder;
// once the part's name and folder are known the file is moved into place
// (renamed, copied only when the folder lies on another file system). None
// of the file is held in memory, however large it is.
//
// The MD5 values of the whole file and of its first 16 KiB are computed as
// the bytes arrive while they arrive in order (never-written gaps count as
// the zeros they read as), on a thread of the spool's own so that the
// decoder does not wait for them; bytes written out of order or twice make
// them be read back from the file instead.
//
// The spool file is removed when the spool is destroyed unless it was moved
// into place; the files a run that ended without that left behind are
// removed by the next run's first spool in the folder. A spool moved into
// place keeps the file open, so that its MD5 can still be read after the
// file was moved on (see md5()).
//
// One thread at a time, except writeAt(): with the digests off, several
// threads may write at once (articles of one part decoded in parallel);
// their writes reach the file one at a time (FileRangeWriter).
class FilePartSpool : public DecodeSink
{
public:
    // The spool folder inside the download folder, hidden.
    static QString spoolFolderFor(const QString& downloadFolder);

    // A new empty spool file; null when it cannot be made, with the error's
    // code and text in `errorCode` and `errorString`.
    static std::unique_ptr<FilePartSpool> create(const QString& downloadFolder, int* errorCode,
                                                 QString* errorString);
    ~FilePartSpool() override;
    FilePartSpool(const FilePartSpool&) = delete;
    FilePartSpool& operator=(const FilePartSpool&) = delete;

    // Whether to compute the digests on the way (off: md5() and md516k()
    // read the file).
    void setComputeDigests(bool on) { hashing_ = on; }

    bool writeAt(qint64 offset, QByteArrayView data) override;
    QString errorString() const override;
    int errorCode() const;

    QString path() const { return path_; }
    // The end of the furthest byte written.
    qint64 size() const { return size_.load(); }

    // Lower-case hexadecimal MD5 of the first 16384 bytes (all of them when
    // the file is shorter), and of the whole file; empty when the file
    // cannot be read back. md516k() reads at most those bytes back; md5()
    // reads the whole file unless the digests came with the writes
    // (digestsReady()).
    QString md516k();
    QString md5();
    bool digestsReady() const { return hashing_ && inOrder_; }

    // The first `count` bytes (fewer when the file is shorter).
    QByteArray leadingBytes(qint64 count) const;
    // Runs `reader` on the whole file mapped read-only (not copied); the bytes
    // are valid only during the call. False when the file is empty or cannot
    // be mapped.
    bool withMappedData(const std::function<void(const QByteArray& data)>& reader) const;

    // Moves the file to `target`, replacing what is there under that name
    // (never following a link there). False with the error's code and text
    // set when it could not; the spool file then stays to be removed.
    bool moveTo(const QString& target);

private:
    struct Digests;
    class DigestWorker;

    FilePartSpool(QString folder, QString path, int fd);
    bool fail(int code);
    void hash(const char* data, qint64 size);
    void hashZeros(qint64 size);
    bool computeDigestsFromFile();
    void finishDigests();
    bool copyTo(const QString& target);
    void removeFile();

    QString folder_;
    QString path_;
    int fd_ = -1;
    FileRangeWriter writer_;
    std::atomic<qint64> size_{0};
    bool hashing_ = true;
    bool inOrder_ = true;
    qint64 hashedEnd_ = 0;
    std::unique_ptr<Digests> digests_;
    // Declared after the digests it adds to, so that it stops first.
    std::unique_ptr<DigestWorker> worker_;
    QString md516k_;
    QString md5_;
    bool placed_ = false;
    // The first failure of writes that may run at once.
    mutable QMutex errorLock_;
    int errorCode_ = 0;
    QString errorString_;
};
