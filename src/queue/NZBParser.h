#pragma once

#include "queue/Queue.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringView>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QueueController;
class QXmlStreamReader;

// One import of one NZB file into a root job: reads the XML, builds the file
// parts and their articles, splits a file that holds several PAR2 sets into
// one job per set, and finalises each job (selection, totals, order) before
// giving it JobStatus::NZBParsed, which lets the scheduler queue it.
//
// Runs on the import queue's worker. Parts and articles are built there
// before any other thread sees them; the split jobs are named and handed to
// the scheduler on the main thread, while the worker waits.
//
// Hostile input ends in JobStatus::NZBParseError with nothing handed out: the document must
// be well-formed to its end (a truncated file, content after the root
// element, bytes that are not in the declared encoding, NUL or control
// characters are errors), and a document that declares entities is refused
// outright, so that no entity is ever expanded. Elements nested deeper than
// an NZB ever is, a file inside a file, an article inside an article, or a
// message-id longer than any is are errors too, and so is a document that
// lists no file with articles: files without articles are left out.
class NZBParser
{
public:
    explicit NZBParser(QueuePtr queue);
    ~NZBParser();
    NZBParser(const NZBParser&) = delete;
    NZBParser& operator=(const NZBParser&) = delete;

    QueuePtr queue() const { return queue_; }
    // Also the delegate of every part made.
    void setQueueController(QueueController* controller);
    bool forceDelete() const { return forceDelete_; }
    void setForceDelete(bool forceDelete) { forceDelete_ = forceDelete; }
    // When it turns true the worker stops waiting for the main thread (its
    // owner is going away); a split job not yet handed over is then dropped.
    void setStopWaiting(std::shared_ptr<std::atomic<bool>> stopWaiting)
    {
        stopWaiting_ = std::move(stopWaiting);
    }

    // The operation's body.
    void main();
    void startParsing();

    // ---- Rules of the import, usable on their own

    // The last quoted text of a subject, or nothing.
    static std::optional<QString> filterFilename(const QString& subject);
    // The subject without numbered part counters ("(01/50)", "[3/7]");
    // "no_filename_found" for an absent (null) subject.
    static QString makeCleanFilename(const QString& subject);
    // The file name a subject gives (encoded-words decoded), as one safe path
    // component.
    static QString filenameFromSubject(const QString& subject);

    // The root's parts in download order: PAR2 index files (file order),
    // then every other file that is not a recovery volume, then the recovery
    // volumes; the last two sorted by name. Every part lands in one group.
    static void sortFilePartArray(const QueuePtr& root);
    // Every part is a sample or a PAR2 file (also when there are none).
    static bool checkIfNZBOnlyContainsSampleFiles(const QueuePtr& root);
    // The root has parts and every part's extension is exactly "nzb".
    static bool checkIfEmbeddedNZB(const QueuePtr& root);

private:
    // Element handlers; false from a start ends the parse (cancellation).
    bool didStartElement(QXmlStreamReader& xml);
    void didEndElement(QStringView name);
    void parserDidEndDocument();

    void splitNZB();
    void finaliseQueue();
    void clearmem();

    // Names the produced roots and hands the split-off ones to the scheduler
    // (on the main thread). Refused ones leave the list, reported.
    void handOverProducedRoots(const QList<QString>& titles);
    // Runs `fn` on the main thread and waits for it; false when the wait was
    // given up before `fn` started.
    bool runOnMainThread(std::function<void()> fn);

    QueuePtr queue_;
    QPointer<QueueController> queueController_;
    QueueObjectDelegate* partDelegate_ = nullptr;
    bool forceDelete_ = false;
    std::shared_ptr<std::atomic<bool>> stopWaiting_;

    QString newsgroup_;
    QString currentNodeContent_;
    bool inSegment_ = false;
    bool inGroup_ = false;
    QList<QueuePtr> queueArray_;
    QList<QueuePtr> filePartArray_;
    QList<SegmentPtr> segmentArray_;
    QueuePtr filepart_;
    SegmentPtr segment_;
    qsizetype droppedFiles_ = 0;
};
