#include "search/NZBExportWriter.h"

#include "core/FileUtils.h"
#include "core/Logger.h"
#include "queue/Queue.h"

#include <QFile>

namespace {

const QString kExportError = QStringLiteral("NZB export error");
const QString kCancelledDueToErrors = QStringLiteral("NZB creation cancelled due to errors.");

NZBWriter::Options exportOptions()
{
    NZBWriter::Options options;
    options.subject = [](const QueuePtr& filepart) { return filepart->title(); };
    options.subjectName = QStringLiteral("title");
    options.tagsEndTheirLines = true;
    return options;
}

} // namespace

NZBExportWriter::NZBExportWriter() : writer_(exportOptions())
{}

void NZBExportWriter::createdNZBForQueue(const QueuePtr& job, bool merge)
{
    if (!job) {
        reportFailed(QStringLiteral("Object no longer exists"), QStringLiteral(""), nullptr);
        return;
    }
    if (isCancelled_) return;
    const QString path = job->nzbExportUrl();
    BLOG(1, "Exporting NZB file:: %@", path);
    merge_ = merge;
    if (checkTarget(path))
        makeNZBForQueue(job);
    else
        hasErrors_ = true;
    if (hasErrors()) {
        BLOG(3, "%@", kCancelledDueToErrors);
        reportFailed(kExportError, kCancelledDueToErrors, job);
    } else {
        reportFinished(job);
    }
}

void NZBExportWriter::cancelWriting()
{
    isCancelled_ = true;
    BLOG(2, "NZB Export cancelled");
    reportFailed(QStringLiteral("NZB export cancelled"), QStringLiteral(""), nullptr);
}

bool NZBExportWriter::checkTarget(const QString& path)
{
    fileexists_ = false;
    if (path.isEmpty()) {
        BLOG(3, "No file named to export the NZB to.");
        return false;
    }
    // Without merge the name is a new one; writing refuses one that exists.
    if (!merge_ || !FileUtils::doesFileExists(path)) return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        BLOG(3, "%@ :: %@", file.errorString(), path);
        return false;
    }
    const qint64 size = file.size();
    // An empty file takes the whole document, header included.
    if (size == 0) return true;
    const QByteArray footer = NZBWriter::kFooter.toUtf8();
    if (size <= footer.size() || !file.seek(size - footer.size()) || file.read(footer.size()) != footer) {
        BLOG(3, "Not merged: the file does not end as an NZB file of this program :: %@", path);
        return false;
    }
    fileexists_ = true;
    return true;
}

void NZBExportWriter::makeNZBForQueue(const QueuePtr& root)
{
    const QList<QueuePtr> parts = root->fileparts();
    writer_.begin(parts);
    if (!fileexists_) makeHeader();
    for (const QueuePtr& part : parts) {
        if (part) makeFileTag(part);
    }
    makeFooter();
    if (!hasErrors()) exportNZBForQueue(root);
}

void NZBExportWriter::makeHeader()
{
    writer_.makeHeader();
}

void NZBExportWriter::makeFileTag(const QueuePtr& filepart)
{
    writer_.makeFileTag(filepart);
}

void NZBExportWriter::makeGroupTag(const QueuePtr& filepart)
{
    writer_.makeGroupTag(filepart);
}

void NZBExportWriter::makeSegmentsTag(const QueuePtr& filepart)
{
    writer_.makeSegmentsTag(filepart);
}

void NZBExportWriter::makeFooter()
{
    writer_.makeFooter();
}

void NZBExportWriter::exportNZBForQueue(const QueuePtr& root)
{
    const QString path = root->nzbExportUrl();
    const QByteArray bytes = writer_.text().toUtf8();
    const bool written = merge_ && FileUtils::doesFileExists(path) ? mergeIntoFile(path, bytes)
                                                                   : NZBWriter::writeNewFile(path, bytes);
    if (!written) {
        hasErrors_ = true;
        return;
    }
    BLOG(1, "Finished saving NZB :: %@", path);
}

bool NZBExportWriter::mergeIntoFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        BLOG(3, "%@ :: %@", file.errorString(), path);
        return false;
    }
    const QByteArray footer = NZBWriter::kFooter.toUtf8();
    const qint64 size = file.size();
    // Only the closing line is overwritten (an empty file is written from
    // its start); the rest of the file is never rewritten.
    const qint64 at = fileexists_ ? size - footer.size() : 0;
    if (!fileexists_ && size != 0) {
        BLOG(3, "Not merged: the file changed while the NZB was made :: %@", path);
        return false;
    }
    if (at < 0 || !file.seek(at)) {
        BLOG(3, "%@ :: %@", file.errorString(), path);
        return false;
    }
    if (file.write(bytes) == bytes.size()) return true;
    BLOG(3, "%@ :: %@", file.errorString(), path);
    // Back to what it was: the piece cut off, the closing line restored.
    const bool restored =
        file.resize(size) && (!fileexists_ || (file.seek(at) && file.write(footer) == footer.size()));
    if (!restored) BLOG(3, "%@ :: %@", file.errorString(), path);
    return false;
}

void NZBExportWriter::reportFinished(const QueuePtr& job)
{
    if (isCancelled_) return;
    if (NZBExportWriterDelegate* d = delegate_.get()) d->nzbWriteFinishedForQueue(job);
}

void NZBExportWriter::reportFailed(const QString& title, const QString& subtitle, const QueuePtr& job)
{
    if (NZBExportWriterDelegate* d = delegate_.get()) d->nzbWriteFailed(title, subtitle, job);
}
