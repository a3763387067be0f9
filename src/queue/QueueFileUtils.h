#pragma once

#include <QList>

#include <memory>
#include <optional>

class CleanupItem;
class Queue;

// The file helpers that work on one job: its folder (`downloadUrl`), its
// file parts and its recovery set. The work on the disk is done by
// FileUtils; this side only reads and fills in the job. No state; any
// thread. A null job does nothing (and has no parts).
class QueueFileUtils
{
public:
    // The job's cleanup: every file in the job's folder and its subfolders
    // whose name matches a checked pattern of `items` (in list order; a
    // pattern containing "par2" only while repair or extraction is on) is
    // deleted. Nothing when the job's folder is the download folder itself or
    // not inside it. Links are removed as links and never followed, so
    // nothing outside the job's folder is touched. `items` is the caller's
    // own copy (CleanupItemsController::arrayCleanupItems()).
    static void deleteUserDefinedFilesFromArray(const QList<CleanupItem>& items,
                                                const std::shared_ptr<Queue>& queue);

    // Removes every empty folder at and below the job's folder.
    static void deleteEmptyFoldersForQueue(const std::shared_ptr<Queue>& queue);

    // Fills the job's `rarfiles`, `zipfiles` and `z7files` with the one file
    // per archive set that extraction starts on, taken from the files of the
    // job's recovery set (or, without one, its file parts) found in its
    // folder. Files that are archives only by their container format (comic
    // books, office documents, packages, electronic books) are not taken.
    static void filterFilesToExtract(const std::shared_ptr<Queue>& queue);
    // The same from the files now in the job's folder, after an extraction.
    static void searchSubArchivesForQueue(const std::shared_ptr<Queue>& queue);

    // After a successful extraction: deletes the files of the job's folder
    // that carry an archive signature (container formats excepted).
    static void deleteArchiveFilesForQueue(const std::shared_ptr<Queue>& queue);
    // After a repair: deletes the originals the repair tool set aside
    // ("name.1", "name.2", ...) from the job's folder.
    static void deleteTempRepareFilesForQueue(const std::shared_ptr<Queue>& queue);
    // Deletes the "*.par2" files of the job's folder.
    static void deleteRepairFilesForQueue(const std::shared_ptr<Queue>& queue);
    // None of the deletions above acts unless the job's folder lies strictly
    // inside the download folder.

    // Gives every file below the job's folder whose name is written
    // backwards ("20E10S.wohs.mkv") its proper name ("show.S01E02.mkv").
    static void reverseFilenames(const std::shared_ptr<Queue>& queue);

    // --- PAR2 file parts (see FileUtils::checkIfRepairVolumeFile)

    // The PAR2 index file parts, in file order; none when there are none.
    static std::optional<QList<std::shared_ptr<Queue>>>
    getMainRepairFiles(const std::shared_ptr<Queue>& queue);
    // The recovery-volume parts that are not repaired and whose `checkbox`
    // is 1 for `includeDownloaded`, else 0; each with `repairblocks` filled
    // in from its name where it was 0. None when there are none.
    static std::optional<QList<std::shared_ptr<Queue>>> getVolRepairFiles(const std::shared_ptr<Queue>& queue,
                                                                          bool includeDownloaded);
    // Every PAR2 part chosen as above (possibly none).
    static QList<std::shared_ptr<Queue>> getAllRepairFiles(const std::shared_ptr<Queue>& queue,
                                                           bool includeDownloaded);
    // Every file part is a PAR2 file (also when there are none).
    static bool checkIfSetOnlyContainsRepairFiles(const std::shared_ptr<Queue>& queue);
};
