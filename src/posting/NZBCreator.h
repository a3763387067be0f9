#pragma once

#include "queue/Queue.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

// Writes the NZB file of a finished upload: every posted article of the job,
// by file part, to the job's `nzbExportUrl` (a free name beside it when that
// one is taken). One creator per job, run once on the engine's serial
// `nzbCreatorQueue`; it ends by setting the job to 246 "NZB creation
// finished" or 247 "Error creating NZB". The job is held weakly: one removed
// meanwhile counts as cancelled.
class NZBCreator
{
public:
    explicit NZBCreator(const QueuePtr& queue = nullptr);

    QueuePtr queue() const { return queue_.lock(); }
    void setQueue(const QueuePtr& queue) { queue_ = queue; }

    // The operation's body.
    void main();
    // Checks, chooses the file name, builds and writes, sets the status.
    void createdNZBForQueue(const QueuePtr& queue);

    // The building and writing steps.
    void makeNZBForQueue(const QueuePtr& queue);
    void makeHeader();
    void makeFileTag(const QueuePtr& filepart);
    void makeGroupTag(const QueuePtr& filepart);
    void makeSegmentsTag(const QueuePtr& filepart);
    void makeFooter();
    void exportNZBForQueue(const QueuePtr& queue);

    // `text` with & < > " ' as entity references; nothing for a null text.
    static std::optional<QString> xmlSimpleEscape(const QString& text);
    // `text` fit for an attribute or element of the document: no control
    // character may make it ill-formed (XML 1.0 cannot hold them at all).
    // A null text stays null.
    static QString documentSafe(const QString& text);

    // The opening of every NZB document this program writes: the XML
    // declaration and the document type, each with its line end, and the
    // nzb element without one.
    static const QString kXmlDeclaration;
    static const QString kDoctype;
    static const QString kNzbOpenTag;

    const QString& outPutString() const { return outPutString_; }
    bool hasErrors() const { return hasErrors_; }

    // Seconds since 1970 for the date attribute; tests fix it.
    void setClock(std::function<double()> clock) { clock_ = std::move(clock); }

private:
    std::weak_ptr<Queue> queue_;
    QString outPutString_;
    bool hasErrors_ = false;
    std::function<double()> clock_;
};
