#include "support/RepairJobFixture.h"

#include "core/FileUtils.h"
#include "postprocess/FileContentSource.h"
#include "postprocess/Par2Utils.h"
#include "postprocess/RepairController.h"
#include "queue/Queue.h"

#include <QDir>
#include <QFileInfo>
#include <QUuid>

#include <thread>

void runOffMainThread(const std::function<void()>& work)
{
    std::thread worker(work);
    worker.join();
}

RepairJobFixture::RepairJobFixture(const QString& folder, const QString& qid)
    : folder_(QDir::cleanPath(folder)), job_(Queue::create())
{
    job_->setQid(qid);
    job_->setTitle(qid);
    job_->setDownloadUrl(folder_);
}

QueuePtr RepairJobFixture::addPart(const QString& name, const QString& postedName)
{
    QueuePtr part = Queue::create();
    part->setIsFilepart(true);
    part->setQueue(job_);
    part->setFid(QUuid::createUuid().toString(QUuid::WithoutBraces));
    part->setFilename(name);
    part->setOrgFilename(postedName.isEmpty() ? name : postedName);
    part->setCheckbox(1);
    const QString path = folder_ + QLatin1Char('/') + name;
    part->setBytes(double(QFileInfo(path).size()));
    part->setMd516k(Par2Utils::MD516kStringForFile(path));
    part->setMd5(Par2Utils::MD5StringForFile(path));
    if (name.endsWith(QLatin1String(".par2"), Qt::CaseInsensitive)) {
        part->setIspar(true);
        part->setRepairblocks(FileUtils::getRepairBlocks(name));
        part->setIsmainpar(!name.contains(QLatin1String(".vol"), Qt::CaseInsensitive));
    }
    job_->appendFilepart(part);
    return part;
}

QueuePtr RepairJobFixture::part(const QString& name) const
{
    for (const QueuePtr& p : job_->fileparts()) {
        if (p->filename() == name) return p;
    }
    return nullptr;
}

QString RepairJobFixture::pathOf(const QueuePtr& part) const
{
    return folder_ + QLatin1Char('/') + part->filename();
}

void RepairJobFixture::write(RepairController& controller, const QueuePtr& part) const
{
    const QString path = pathOf(part);
    runOffMainThread([&] {
        if (part->ispar())
            controller.addAndAnalysePar2FilePart(part, FileContentSource::fromFile(path));
        else
            controller.setRepairChildObjectForFilepart(part);
        part->setIsDownloaded(true);
        controller.addFilePartToFod(part, FileContentSource::fromFile(path));
    });
}

void RepairJobFixture::write(RepairController& controller, const QStringList& names) const
{
    for (const QString& name : names)
        write(controller, part(name));
}
