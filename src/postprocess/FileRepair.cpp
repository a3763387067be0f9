#include "postprocess/FileRepair.h"

#include "core/FileUtils.h"
#include "core/Logger.h"
#include "core/WildcardPattern.h"
#include "postprocess/RepairObject.h"
#include "postprocess/ToolLocator.h"
#include "queue/Queue.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <sys/stat.h>

std::shared_ptr<FileRepair> FileRepair::create()
{
    return std::shared_ptr<FileRepair>(new FileRepair());
}

FileRepair::FileRepair() : ToolWorker(QStringLiteral("par2"))
{}

QString FileRepair::par2filePath() const
{
    QMutexLocker locker(&fieldsLock_);
    return par2filePath_;
}

const ToolOutputTable& FileRepair::resultTable()
{
    // par2cmdline 0.8.1 prints each of these texts itself.
    static const ToolOutputTable table({
        {QStringLiteral("*You need * more recovery blocks to be able to repair*"), QString(), RequiredBlocks},
        {QStringLiteral("*Main packet not found*"),
         QStringLiteral("Unable to repair. Main packet not found."), Failure},
        {QStringLiteral("*Could not read * bytes from*"), QStringLiteral("Could not read bytes."),
         DiskFailure},
        {QStringLiteral("*Could not write * bytes to*"), QStringLiteral("Could not write bytes."),
         DiskFailure},
        {QStringLiteral("*Cannot delete*"), QStringLiteral("Cannot delete."), DiskFailure},
        {QStringLiteral("*Could not create*"), QStringLiteral("Write error."), DiskFailure},
        {QStringLiteral("*Repair complete.*"), QStringLiteral("Repair complete."), RepairComplete},
        {QStringLiteral("*All files are correct, repair is not required.*"),
         QStringLiteral("Repair not required."), NotRequired},
        {QStringLiteral("*Repair is possible.*"), QStringLiteral("Repair is possible."), Failure},
        {QStringLiteral("*No details available for recoverable file number*"),
         QStringLiteral("No details available for recoverable file. Repair is not possible."), Failure},
        {QStringLiteral("*Repair is not possible.*"), QStringLiteral("Repair not possible."), Failure},
    });
    return table;
}

std::optional<qint64> FileRepair::repairPercentage(const QString& chunk)
{
    static const QRegularExpression expression(QStringLiteral("Repairing:\\s(.+?)%"),
                                               QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = expression.match(chunk);
    if (!m.hasMatch()) return std::nullopt;
    // The number's integer part, as "45.3" reads 45; a capture that does not
    // start with a number sets nothing.
    static const QRegularExpression leading(QStringLiteral("^\\s*(\\d+)"));
    const QRegularExpressionMatch n = leading.match(m.captured(1));
    if (!n.hasMatch()) return std::nullopt;
    return n.captured(1).left(9).toLongLong();
}

void FileRepair::undoInterruptedRepair(const QueuePtr& job)
{
    if (!job) return;
    const QString folder = job->downloadUrl();
    if (folder.isEmpty()) return;
    const QList<QueuePtr> parts = job->fileparts();
    QSet<QString> names;
    for (const QueuePtr& part : parts)
        names.insert(part->filename());
    auto isRegularFile = [](const QString& path) {
        struct stat st;
        return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
    };
    for (const QueuePtr& part : parts) {
        if (!part->isDownloaded() || part->ispar()) continue;
        const QString name = FileUtils::safeForeignFileName(part->filename());
        if (name.isEmpty() || name != part->filename()) continue;
        const QString path = folder + QLatin1Char('/') + name;
        const QString original = path + QStringLiteral(".1");
        if (names.contains(name + QStringLiteral(".1")) || !isRegularFile(original)) continue;
        BLOG(1, "The repair of %@ was cut short: the downloaded file is put back.", name);
        QFile::remove(path);
        if (!FileUtils::renameFilenameFromUrl(original, path, false)) {
            BLOG(3, "Could not put back %@", name);
            continue;
        }
        for (int n = 2; n <= 99; ++n) {
            const QString later = path + QLatin1Char('.') + QString::number(n);
            if (names.contains(name + QLatin1Char('.') + QString::number(n)) || !isRegularFile(later)) break;
            QFile::remove(later);
        }
    }
}

ToolWorker::Start FileRepair::prepare()
{
    const QueuePtr job = queue();
    const RepairObjectPtr set = job ? job->repairObject() : nullptr;
    const QueuePtr index = set ? set->filepart() : nullptr;
    const QString folder = job ? job->downloadUrl() : QString();
    const QString name = index ? FileUtils::safeForeignFileName(index->filename()) : QString();
    if (folder.isEmpty() || name.isEmpty()) return Start::ReportNowAndWait;

    const QString path = folder + QLatin1Char('/') + name;
    {
        QMutexLocker locker(&fieldsLock_);
        par2filePath_ = path;
    }
    comment(sformat(u"Repairing: %@", QFileInfo(name).completeBaseName()));

    // Every other file of the folder, so that par2 finds what lies there
    // under another name. The files the set names are found by par2 itself;
    // scanning them again as extra files would only cost time.
    QSet<QString> named{name};
    for (const RepairObjectPtr& child : set->childs())
        named.insert(child->filename());
    QStringList extra;
    if (const std::optional<QStringList> entries = FileUtils::getFolderContentFor(folder)) {
        for (const QString& entry : *entries) {
            struct stat st;
            if (::lstat(QFile::encodeName(entry).constData(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
            if (named.contains(QFileInfo(entry).fileName())) continue;
            extra.append(entry); // absolute: never taken for an option
        }
    }
    Launch& l = launch();
    l.program = ToolLocator::pathForTool(QStringLiteral("par2"));
    l.arguments = QStringList{QStringLiteral("r"), path} + extra;
    return Start::Run;
}

void FileRepair::setPercentage(qint64 percent)
{
    if (const QueuePtr job = queue())
        onMain([job, percent](ToolWorker&) { job->setPercentRepaired(percent); });
}

void FileRepair::updatePercentage(const QString& chunk)
{
    if (isCancelled()) cancelTask();
    if (const std::optional<qint64> p = repairPercentage(chunk)) {
        if (const QueuePtr job = queue()) job->setPercentRepaired(*p);
        comment(QStringLiteral("Repairing..."));
        return;
    }
    static const WildcardPattern source(QStringLiteral("*Verifying source files*"));
    static const WildcardPattern repairedFiles(QStringLiteral("*Verifying repaired files*"));
    const QueuePtr job = queue();
    if (source.matches(chunk)) {
        comment(QStringLiteral("Repairing: Verifying source files"));
        if (job) job->setPercentRepaired(100);
    } else if (repairedFiles.matches(chunk)) {
        comment(QStringLiteral("Repairing: Verifying repaired files"));
        if (job) job->setPercentRepaired(100);
    }
}

void FileRepair::onCancel()
{
    setPercentage(0);
}

void FileRepair::handleFinalResult()
{
    if (isCancelled()) {
        setPercentage(0);
        cancelTask();
    }
    const QString output = completeOutput();
    setResult(false);
    const ToolOutputTable::Row* row = resultTable().firstMatch(output);
    if (!row) return;
    if (!row->comment.isEmpty()) comment(row->comment);
    switch (Action(row->action)) {
    case RequiredBlocks: {
        static const QRegularExpression need(QStringLiteral("You\\sneed\\s([\\d]+)\\s"));
        const QRegularExpressionMatch m = need.match(output);
        if (m.hasMatch()) requiredBlocks_.store(m.captured(1).left(18).toLongLong());
        break;
    }
    case Failure:
        break;
    case DiskFailure:
        diskNOK();
        break;
    case RepairComplete:
        setPercentage(100);
        setResult(true);
        break;
    case NotRequired:
        setResult(true);
        break;
    }
}

void FileRepair::logResult()
{
    QString resultText = resultString();
    if (requiredBlocks() > 0) {
        resultText = sformat(u"Requires %ld more blocks.", long(requiredBlocks()));
        setResultString(resultText);
    }
    BLOG(1, "-");
    BLOG(1, "Repair result :: %@", jobTitle());
    BLOG(1, "-");
    BLOG(1, " * PAR2file\t: %@", QFileInfo(par2filePath()).fileName());
    BLOG(1, " * Result\t\t: %@", resultText);
    BLOG(1, " * Repair time\t: %.02f seconds.", elapsedSeconds());
    BLOG(1, "-");
}

void FileRepair::report(FileRepairExtractDelegate& controller)
{
    controller.repairFinishedWithResult(result(), requiredBlocks());
}
