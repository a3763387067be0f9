#include "postprocess/Un7z.h"

#include "queue/Queue.h"

std::shared_ptr<Un7z> Un7z::create()
{
    return std::shared_ptr<Un7z>(new Un7z());
}

QStringList Un7z::archiveList(const Queue& job) const
{
    return job.z7files();
}

void Un7z::reportResult(FileRepairExtractDelegate& controller, bool result)
{
    controller.z7ExtractFinishedWithResult(result);
}
