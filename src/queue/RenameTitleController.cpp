#include "queue/RenameTitleController.h"

#include "core/FileUtils.h"
#include "core/Logger.h"
#include "core/StringFormat.h"
#include "postprocess/RepairObject.h"
#include "queue/FODController.h"
#include "queue/FODObject.h"

#include <QDir>
#include <QFileInfo>

void RenameTitleController::renameTitleForQueue(const QueuePtr& root)
{
    if (!root) return;
    if (!root->hasRepairFiles() || root->filepartCount() <= 1) {
        root->setTitleWillChange(false);
        return;
    }
    const QString oldFolder = QDir::cleanPath(root->downloadUrl());
    const QString name = FileUtils::safePathComponent(root->newtitle(), QString());
    if (root->downloadUrl().isEmpty() || name.isEmpty()) {
        root->setNewtitle(QString());
        return;
    }
    const QString oldTitle = root->title();
    const QString wanted = QFileInfo(oldFolder).dir().filePath(name);
    const QString made = FileUtils::createFolder(wanted, true);
    if (made.isEmpty()) {
        BLOG(4, "Cannot rename! Newpath is nil");
        root->setNewtitle(QString());
        return;
    }
    const QString newFolder = QDir::cleanPath(made);
    // The folder made is empty; the job's folder takes its place.
    QDir().rmdir(newFolder);
    if (!FileUtils::renameFilenameFromString(oldFolder, newFolder, false)) {
        Logger::shared()->writeToConsole(
            sformat(u"Cannot move folder %@ to %@; the job keeps its folder.\n", oldFolder, newFolder));
        root->setNewtitle(QString());
        return;
    }
    if (const RepairObjectPtr repair = root->repairObject()) {
        if (const auto fod = repair->fod()) fod->setFolder(newFolder);
        if (const QueuePtr par2 = repair->filepart()) {
            if (const QueuePtr par2Root = par2->queue()) par2Root->setDownloadUrl(newFolder);
        }
    }
    if (fodController_) fodController_->renameFod(oldFolder, newFolder);
    const QString finalName = QFileInfo(newFolder).fileName();
    if (finalName != oldTitle) {
        root->setTitle(finalName);
        BLOG(1, "Renamed :: %@ to :: %@", oldTitle, finalName);
    }
    root->setDownloadUrl(newFolder);
    root->setNewtitle(QString());
}
