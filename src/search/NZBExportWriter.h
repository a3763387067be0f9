#pragma once

#include "platform/WeakDelegate.h"
#include "posting/NZBWriter.h"
#include "queue/QueueObjectDelegate.h"
#include "search/NZBExportWriterDelegate.h"

#include <QString>

#include <functional>

// Writes one exported search result (a root job with its file parts and
// their segments) as an NZB document into the file its `nzbExportUrl` names:
// a file of its own, or merged into an NZB file this writer made before, so
// that several results end up in one file. Every line ends with CR LF; the
// document is UTF-8 and declares so.
//
// The file is never left half-changed: a new file is made only under a name
// not taken (never appended to), a merge replaces exactly the closing
// "</nzb>" line of a file that ends with it (anything else is not merged
// into), and a write that fails part-way (a full disk) puts the file back
// as it was and reports the failure.
//
// Used once, synchronously, on the thread that calls it: the outcome has
// been reported when createdNZBForQueue() returns.
class NZBExportWriter
{
public:
    NZBExportWriter();

    void setDelegate(NZBExportWriterDelegate* delegate) { delegate_.reset(delegate); }
    NZBExportWriterDelegate* delegate() const { return delegate_.get(); }
    // Seconds since 1970 for the date attribute (the moment of writing).
    void setClock(std::function<double()> clock) { writer_.setClock(std::move(clock)); }

    // Checks the target, builds the document (or the piece to merge),
    // writes it and reports once. Nothing at all once cancelled.
    void createdNZBForQueue(const QueuePtr& job, bool merge);
    // Reports the cancel ("NZB export cancelled") and stops every later
    // write of this writer.
    void cancelWriting();

    // ---- The building and writing steps
    void makeNZBForQueue(const QueuePtr& root);
    void makeHeader();
    void makeFileTag(const QueuePtr& filepart);
    void makeGroupTag(const QueuePtr& filepart);
    void makeSegmentsTag(const QueuePtr& filepart);
    void makeFooter();
    void exportNZBForQueue(const QueuePtr& root);

    bool hasErrors() const { return hasErrors_ || writer_.hasErrors(); }
    bool merge() const { return merge_; }
    // The merge target held a document to merge into.
    bool fileexists() const { return fileexists_; }
    bool isCancelled() const { return isCancelled_; }
    const QString& outPutString() const { return writer_.text(); }

private:
    // Decides whether the document goes into a new file or after the last
    // root of an existing one; false (logged) when the target is neither.
    bool checkTarget(const QString& path);
    bool mergeIntoFile(const QString& path, const QByteArray& bytes);
    void reportFinished(const QueuePtr& job);
    void reportFailed(const QString& title, const QString& subtitle, const QueuePtr& job);

    WeakDelegate<NZBExportWriterDelegate> delegate_;
    // Each file element is named after the file part's title, every tag on
    // a line of its own: a merge replaces exactly the closing line.
    NZBWriter writer_;
    bool hasErrors_ = false;
    bool merge_ = false;
    bool fileexists_ = false;
    bool isCancelled_ = false;
};
