#include "postprocess/UnZip.h"

#include "queue/Queue.h"

std::shared_ptr<UnZip> UnZip::create()
{
    return std::shared_ptr<UnZip>(new UnZip());
}

QStringList UnZip::archiveList(const Queue& job) const
{
    return job.zipfiles();
}

void UnZip::reportResult(FileRepairExtractDelegate& controller, bool result)
{
    controller.zipExtractFinishedWithResult(result);
}
