#include "postprocess/UnZip.h"

#include "postprocess/SevenZipTool.h"
#include "queue/Queue.h"

std::shared_ptr<UnZip> UnZip::create()
{
    return std::shared_ptr<UnZip>(new UnZip());
}

UnZip::UnZip() : ArchiveExtractor(SevenZipTool::toolName())
{}

QStringList UnZip::archiveList(const Queue& job) const
{
    return job.zipfiles();
}

QStringList UnZip::arguments(const QString& archivePath, const QString& destination,
                             const QString& password) const
{
    return SevenZipTool::arguments(archivePath, destination, password);
}

const ToolOutputTable& UnZip::stopTable() const
{
    return SevenZipTool::stopTable();
}

const ToolOutputTable& UnZip::commentTable() const
{
    return SevenZipTool::commentTable();
}

QString UnZip::successPattern() const
{
    return SevenZipTool::successPattern();
}

void UnZip::reportResult(FileRepairExtractDelegate& controller, bool result)
{
    controller.zipExtractFinishedWithResult(result);
}
