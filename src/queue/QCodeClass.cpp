#include "queue/QCodeClass.h"

#include "queue/StatusCodes.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace {

struct CodeText
{
    qint64 code;
    const char* text;
};

// Texts as the user has always seen them, spelling included. Sorted by code.
constexpr CodeText kTexts[] = {
    {JobStatus::Idle, "Idle"},
    {JobStatus::Downloading, "Downloading"},
    {JobStatus::SavingToDisk, "Saving to disk"},
    {JobStatus::Repairing, "Repairing"},
    {JobStatus::Repaired, "Repaired"},
    {JobStatus::Extracting, "Extracting"},
    {JobStatus::Extracted, "Extracted"},
    {JobStatus::DownloadError, "Download Error"},
    {JobStatus::RepairNotPossible, "Repair not possible"},
    {JobStatus::ExtractingNotPossible, "Extracting not possible"},
    {JobStatus::Finished, "Finished"},
    {JobStatus::PausedDownloading, "Paused downloading"},
    {JobStatus::PausedRepairing, "Paused repairing"},
    {JobStatus::PausedExtracting, "Paused extracting"},
    {JobStatus::QueuedForRepair, "Queued for repairing"},
    {JobStatus::QueuedForExtraction, "Queued for extraction"},
    {JobStatus::PartialFinished, "Partial finished"},
    {JobStatus::AllFilesWritten, "All files written"},
    {JobStatus::WaitingForSave, "Waiting for save"},
    {JobStatus::ScanningForRepair, "Scanning files for repair"},
    {JobStatus::RepairFinished, "Repair finished"},
    {JobStatus::ExtractionFinished, "Extraction finished"},
    {JobStatus::WaitingToCorrectFilenames, "Waiting to correct filenames"},
    {JobStatus::CorrectingFilenames, "Correcting filenames"},
    {JobStatus::CorrectingFilenamesDone, "Correcting filenames done"},
    {JobStatus::PausedPossiblyIncomplete,
     "Paused due to possible incompleteness. Click resume to continue downloading."},
    {JobStatus::NZBParseError, "NZB Parse error. The NZB file is corrupt."},
    {JobStatus::PausedLowDiskSpace, "You are almost out of disk space. Click resume to continue."},
    {JobStatus::WaitingForObfuscationCheck, "Waiting for Obfuscation Check"},
    {JobStatus::ObfuscationCheck, "Obfuscation Check"},
    {JobStatus::ObfuscationCheckDone, "Cleaning up"},
    {JobStatus::DiskWriteError, "Disk write error (Disk is full or not accessable)."},
    {JobStatus::ArchivePasswordProtected, "Archive is password protected"},
    {JobStatus::CorruptFileOrWrongPassword, "Corrupt file or wrong password"},
    {JobStatus::MovingToFinalDestination, "Moving files to final destination"},
    {JobStatus::ReversingFilenames, "Reversing filenames"},
    {JobStatus::NoNewsServersConfigured, "No news servers are configured. Download paused."},
    {JobStatus::NoRepairFiles, "NZB has no repair files. Click resume to continue."},
    {JobStatus::NewsServerUnreachable, "Unable to connect to news server. Please check your settings."},
    {JobStatus::NotEnoughRepairBlocks, "Not enough blocks to repair archive"},
    {JobStatus::ReadyToJoinFileParts, "Ready to join fileparts"},
    {JobStatus::JoiningFileParts, "Joining fileparts"},
    {JobStatus::JoiningFilePartsDone, "Joining fileparts done"},
    {JobStatus::JoiningFilePartsError, "Joining fileparts Error"},
    {JobStatus::PrepareJoiningFileParts, "Prepare joining fileparts"},
    {JobStatus::WaitingForMemory, "Running low on allowed memory usage. Waiting for disk to flush buffer."},
    {JobStatus::NewsServerAuthError, "Invalid username/password for news server."},
    {JobStatus::CleaningUp, "Cleaning up"},
    {JobStatus::CheckingForDeepExtraction, "Checking for deep extracting"},
    {JobStatus::ReadyForDeepExtraction, "Ready for deep extracting"},
    {JobStatus::DeepExtracting, "Deep extracting"},
    {JobStatus::DeepExtractionDone, "Deep extraction done"},
    {JobStatus::DeepExtractionError, "Deep extracting error"},
    {JobStatus::MovingFromTemp, "Moving from temp"},
    {JobStatus::MovingFromTempDone, "Moving from temp done"},
    {JobStatus::NothingDownloaded, "Nothing downloaded or no files found"},
    {JobStatus::MoveFilesError, "Unable to move files (Disk is full or not accessable)."},
    {JobStatus::ParsingNZB, "Parsing NZB"},
    {JobStatus::AddingToQueue, "Adding to queue"},
    {JobStatus::Cancelling, "Cancelling"},
    {JobStatus::Cancelled, "Cancelled"},
    {JobStatus::Processing, "Processing"},
    {JobStatus::QueuedForDownload, "Queued for downloading"},
    {JobStatus::DownloadingFilelist, "Downloading filelist"},
    {JobStatus::FilelistDownloaded, "Downloading filelist finished"},
    {JobStatus::DownloadingSegments, "Processing"},
    {JobStatus::SegmentsDownloaded, "Downloading segments finished"},
    {JobStatus::SegmentsDownloadError, "Error downloading segments"},
    {UploadStatus::AddingToQueue, "Adding upload to queue"},
    {UploadStatus::Queued, "Queued for uploading"},
    {UploadStatus::FinalizingForUpload, "Finalizing for upload"},
    {UploadStatus::Uploading, "Uploading"},
    {UploadStatus::Uploaded, "Uploaded"},
    {UploadStatus::Finished, "Upload finished"},
    {UploadStatus::CleaningUp, "Cleaning up"},
    {UploadStatus::NoServersAvailable, "No servers available for posting"},
    {UploadStatus::ReadyToCreateRar, "Ready to create RAR files"},
    {UploadStatus::CreatingRar, "Creating RAR files"},
    {UploadStatus::RarCreated, "Finished creating RAR files"},
    {UploadStatus::RarCreationError, "Error creating RAR files"},
    {UploadStatus::ReadyToCreatePar2, "Ready to create PAR2 files"},
    {UploadStatus::CreatingPar2, "Creating PAR2 files"},
    {UploadStatus::Par2Created, "Finished creating PAR2 files"},
    {UploadStatus::Par2CreationError, "Error creating PAR2 files"},
    {UploadStatus::ArchiveAndPar2Created, "Archive and PAR2 creation finished"},
    {UploadStatus::EncodingError, "yEnc encoding error !!"},
    {UploadStatus::CreatingNZB, "Creating NZB"},
    {UploadStatus::NZBCreated, "NZB creation finished"},
    {UploadStatus::NZBCreationError, "Error creating NZB"},
    {UploadStatus::ReadyToUploadNZB, "Ready to upload NZB"},
    {UploadStatus::UploadError, "Error while uploading"},
    {UploadStatus::PostingDenied, "Posting denied by your news server"},
    {FilePartStatus::Downloading, "Downloading"},
    {FilePartStatus::Downloaded, "Downloaded"},
    {FilePartStatus::Repairing, "Repairing"},
    {FilePartStatus::Repaired, "Repaired"},
    {FilePartStatus::Extracting, "Extracting"},
    {FilePartStatus::Extracted, "Extracted"},
    {FilePartStatus::DownloadError, "Download Error"},
    {FilePartStatus::RepairError, "Repair Error"},
    {FilePartStatus::ExtractError, "Extract Error"},
    {FilePartStatus::Finished, "Finished"},
    {FilePartStatus::PausedDownloading, "Paused"},
    {FilePartStatus::PausedRepairing, "Paused"},
    {FilePartStatus::PausedExtracting, "Paused"},
    {FilePartStatus::WaitingForRepair, "Waiting for repair"},
    {FilePartStatus::WaitingForExtract, "Waiting for extract"},
    {FilePartStatus::WriteFinished, "Write finished"},
    {FilePartStatus::WriteFailed, "Error while saving file to disk"},
    {FilePartStatus::Writing, "Writing to disk"},
    {FilePartStatus::WaitingForDiskWrite, "Waiting for disk to write data"},
    {FilePartStatus::DiskWriteError, "Disk write error"},
    {FilePartStatus::DecodeError, "Decode error"},
    {FilePartStatus::CalculatingSize, "Calculating size"},
    {FilePartStatus::Queued, "Queued"},
    {FilePartStatus::AddingToDeepLookupQueue, "Adding to DeepLookup queue"},
    {FilePartStatus::AddingToQueue, "Adding to queue"},
    {FilePartStatus::Cancelling, "Cancelling"},
    {FilePartStatus::Cancelled, "Cancelled"},
    {FilePartStatus::OnHold, "On hold"},
    {FilePartStatus::WaitingForSegments, "Waiting for segments"},
    {FilePartStatus::QueuedForUpload, "Queued for uploading"},
    {FilePartStatus::Uploading, "Uploading"},
    {FilePartStatus::Uploaded, "Uploaded"},
};

static_assert(std::is_sorted(std::begin(kTexts), std::end(kTexts),
                             [](const CodeText& a, const CodeText& b) { return a.code < b.code; }));

} // namespace

std::optional<QString> QCodeClass::code2Text(qint64 code)
{
    const auto* it = std::lower_bound(std::begin(kTexts), std::end(kTexts), code,
                                      [](const CodeText& entry, qint64 c) { return entry.code < c; });
    if (it == std::end(kTexts) || it->code != code) return std::nullopt;
    return QString::fromLatin1(it->text);
}

QList<qint64> QCodeClass::upQueueSaveStateArray()
{
    return {UploadStatus::Queued,           UploadStatus::Uploading,         UploadStatus::Uploaded,
            UploadStatus::CreatingNZB,      UploadStatus::NZBCreated,        UploadStatus::ReadyToUploadNZB,
            UploadStatus::CleaningUp,       UploadStatus::Finished,          UploadStatus::NoServersAvailable,
            UploadStatus::RarCreationError, UploadStatus::Par2CreationError, UploadStatus::EncodingError,
            UploadStatus::NZBCreationError, UploadStatus::PostingDenied};
}

QList<qint64> QCodeClass::upQueueNoSaveStateArray()
{
    return {
        UploadStatus::AddingToQueue, UploadStatus::FinalizingForUpload, UploadStatus::ReadyToCreateRar,
        UploadStatus::CreatingRar,   UploadStatus::RarCreated,          UploadStatus::ReadyToCreatePar2,
        UploadStatus::CreatingPar2,  UploadStatus::Par2Created,         UploadStatus::ArchiveAndPar2Created};
}
