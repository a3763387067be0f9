#include "postprocess/Un7z.h"

#include "postprocess/SevenZipTool.h"
#include "queue/Queue.h"

std::shared_ptr<Un7z> Un7z::create()
{
    return std::shared_ptr<Un7z>(new Un7z());
}

Un7z::Un7z() : ArchiveExtractor(SevenZipTool::toolName())
{}

QStringList Un7z::archiveList(const Queue& job) const
{
    return job.z7files();
}

QStringList Un7z::arguments(const QString& archivePath, const QString& destination,
                            const QString& password) const
{
    return SevenZipTool::arguments(archivePath, destination, password);
}

const ToolOutputTable& Un7z::stopTable() const
{
    return SevenZipTool::stopTable();
}

const ToolOutputTable& Un7z::commentTable() const
{
    return SevenZipTool::commentTable();
}

QString Un7z::successPattern() const
{
    return SevenZipTool::successPattern();
}

void Un7z::reportResult(FileRepairExtractDelegate& controller, bool result)
{
    controller.z7ExtractFinishedWithResult(result);
}
