#pragma once

#include <QtGlobal>

// Every status code by name. A job's or article's state is one integer: the
// save state, the download history and the log store and show the number, so
// the names are plain integer constants and a status reads, compares and
// switches as the number it always was.
//
// Jobs and file parts share one code space (JobStatus 0-110, UploadStatus
// 200-300, FilePartStatus 1001-1203); a number missing from the lists is
// no code. Articles (`Segment`) have a small space of their own
// (ArticleStatus). The display texts are in QCodeClass and SCodeClass.

// Root jobs: download, post-processing, NZB import and search-service jobs.
namespace JobStatus {
inline constexpr qint64 Idle = 0;
inline constexpr qint64 Downloading = 1;
// Every article has been fetched; the file parts are still being written.
inline constexpr qint64 SavingToDisk = 2;
inline constexpr qint64 Repairing = 3;
inline constexpr qint64 Repaired = 4;
inline constexpr qint64 Extracting = 5;
inline constexpr qint64 Extracted = 6;
inline constexpr qint64 DownloadError = 7;
inline constexpr qint64 RepairNotPossible = 8;
inline constexpr qint64 ExtractingNotPossible = 9;
inline constexpr qint64 Finished = 10;
inline constexpr qint64 PausedDownloading = 11;
inline constexpr qint64 PausedRepairing = 12;
inline constexpr qint64 PausedExtracting = 13;
inline constexpr qint64 QueuedForRepair = 14;
inline constexpr qint64 QueuedForExtraction = 15;
inline constexpr qint64 PartialFinished = 16;
inline constexpr qint64 AllFilesWritten = 17;
inline constexpr qint64 WaitingForSave = 18;
inline constexpr qint64 ScanningForRepair = 19;
inline constexpr qint64 RepairFinished = 20;
inline constexpr qint64 ExtractionFinished = 21;
// More recovery volumes must be fetched before the repair (no text).
inline constexpr qint64 NeedsMoreRepairBlocks = 22;
inline constexpr qint64 WaitingToCorrectFilenames = 24;
inline constexpr qint64 CorrectingFilenames = 25;
inline constexpr qint64 CorrectingFilenamesDone = 26;
inline constexpr qint64 PausedPossiblyIncomplete = 27;
inline constexpr qint64 NZBParseError = 28;
inline constexpr qint64 PausedLowDiskSpace = 29;
inline constexpr qint64 WaitingForObfuscationCheck = 30;
inline constexpr qint64 ObfuscationCheck = 31;
// The name correction is over; shown as "Cleaning up".
inline constexpr qint64 ObfuscationCheckDone = 32;
inline constexpr qint64 DiskWriteError = 33;
// The NZB is read and the job is ready to be queued (no text).
inline constexpr qint64 NZBParsed = 34;
inline constexpr qint64 ArchivePasswordProtected = 35;
inline constexpr qint64 CorruptFileOrWrongPassword = 36;
inline constexpr qint64 MovingToFinalDestination = 37;
inline constexpr qint64 ReversingFilenames = 38;
inline constexpr qint64 NoNewsServersConfigured = 39;
inline constexpr qint64 NoRepairFiles = 40;
inline constexpr qint64 NewsServerUnreachable = 41;
inline constexpr qint64 NotEnoughRepairBlocks = 42;
inline constexpr qint64 ReadyToJoinFileParts = 43;
inline constexpr qint64 JoiningFileParts = 44;
inline constexpr qint64 JoiningFilePartsDone = 45;
inline constexpr qint64 JoiningFilePartsError = 46;
inline constexpr qint64 PrepareJoiningFileParts = 47;
inline constexpr qint64 WaitingForMemory = 49;
// Writing or decoding a file part failed; the job is paused (no text).
inline constexpr qint64 FilePartFailed = 50;
inline constexpr qint64 NewsServerAuthError = 51;
inline constexpr qint64 CleaningUp = 52;
inline constexpr qint64 CheckingForDeepExtraction = 53;
inline constexpr qint64 ReadyForDeepExtraction = 54;
inline constexpr qint64 DeepExtracting = 55;
inline constexpr qint64 DeepExtractionDone = 56;
inline constexpr qint64 DeepExtractionError = 57;
inline constexpr qint64 MovingFromTemp = 58;
inline constexpr qint64 MovingFromTempDone = 59;
inline constexpr qint64 NothingDownloaded = 60;
inline constexpr qint64 MoveFilesError = 61;

inline constexpr qint64 ParsingNZB = 99;
inline constexpr qint64 AddingToQueue = 101;
inline constexpr qint64 Cancelling = 102;
inline constexpr qint64 Cancelled = 103;
inline constexpr qint64 Processing = 104;
inline constexpr qint64 QueuedForDownload = 105;
// Search-service jobs: the file list, then the articles of the chosen parts.
inline constexpr qint64 DownloadingFilelist = 106;
inline constexpr qint64 FilelistDownloaded = 107;
inline constexpr qint64 DownloadingSegments = 108;
inline constexpr qint64 SegmentsDownloaded = 109;
inline constexpr qint64 SegmentsDownloadError = 110;
} // namespace JobStatus

// Root upload jobs.
namespace UploadStatus {
inline constexpr qint64 AddingToQueue = 200;
inline constexpr qint64 Queued = 201;
inline constexpr qint64 FinalizingForUpload = 202;
inline constexpr qint64 Uploading = 203;
inline constexpr qint64 Uploaded = 204;
inline constexpr qint64 Finished = 205;
inline constexpr qint64 CleaningUp = 206;
inline constexpr qint64 NoServersAvailable = 210;
inline constexpr qint64 ReadyToCreateRar = 220;
inline constexpr qint64 CreatingRar = 221;
inline constexpr qint64 RarCreated = 222;
inline constexpr qint64 RarCreationError = 223;
inline constexpr qint64 ReadyToCreatePar2 = 224;
inline constexpr qint64 CreatingPar2 = 225;
inline constexpr qint64 Par2Created = 226;
inline constexpr qint64 Par2CreationError = 227;
inline constexpr qint64 ArchiveAndPar2Created = 228;
inline constexpr qint64 EncodingError = 240;
inline constexpr qint64 CreatingNZB = 245;
inline constexpr qint64 NZBCreated = 246;
inline constexpr qint64 NZBCreationError = 247;
inline constexpr qint64 ReadyToUploadNZB = 248;
inline constexpr qint64 UploadError = 249;
inline constexpr qint64 PostingDenied = 300;
} // namespace UploadStatus

// File parts of download and upload jobs.
namespace FilePartStatus {
inline constexpr qint64 Downloading = 1001;
inline constexpr qint64 Downloaded = 1002;
inline constexpr qint64 Repairing = 1003;
inline constexpr qint64 Repaired = 1004;
inline constexpr qint64 Extracting = 1005;
inline constexpr qint64 Extracted = 1006;
inline constexpr qint64 DownloadError = 1007;
inline constexpr qint64 RepairError = 1008;
inline constexpr qint64 ExtractError = 1009;
inline constexpr qint64 Finished = 1010;
inline constexpr qint64 PausedDownloading = 1011;
inline constexpr qint64 PausedRepairing = 1012;
inline constexpr qint64 PausedExtracting = 1013;
inline constexpr qint64 WaitingForRepair = 1014;
inline constexpr qint64 WaitingForExtract = 1015;
inline constexpr qint64 WriteFinished = 1017;
inline constexpr qint64 WriteFailed = 1018;
inline constexpr qint64 Writing = 1019;
inline constexpr qint64 WaitingForDiskWrite = 1020;
inline constexpr qint64 DiskWriteError = 1023;
inline constexpr qint64 DecodeError = 1024;
inline constexpr qint64 CalculatingSize = 1025;
inline constexpr qint64 Queued = 1099;
inline constexpr qint64 AddingToDeepLookupQueue = 1100;
inline constexpr qint64 AddingToQueue = 1101;
inline constexpr qint64 Cancelling = 1102;
inline constexpr qint64 Cancelled = 1103;
// A recovery volume held back until the repair asks for its blocks.
inline constexpr qint64 OnHold = 1104;
inline constexpr qint64 WaitingForSegments = 1105;
inline constexpr qint64 QueuedForUpload = 1201;
inline constexpr qint64 Uploading = 1202;
inline constexpr qint64 Uploaded = 1203;
} // namespace FilePartStatus

// Articles (`Segment`), a code space of their own.
namespace ArticleStatus {
inline constexpr qint64 NotSet = 0;
inline constexpr qint64 Downloading = 1;
inline constexpr qint64 Downloaded = 2;
inline constexpr qint64 Cancelled = 10;
inline constexpr qint64 Uploading = 20;
inline constexpr qint64 Uploaded = 21;
inline constexpr qint64 Queued = 99;
// Every server answered that it does not have the article.
inline constexpr qint64 Missing = 430;
} // namespace ArticleStatus

// Where a job goes on after a restart (`restorePoint`, kept in the save
// state): the last stage it reached whose inputs are still on disk.
namespace RestorePoint {
inline constexpr qint64 None = 0;
inline constexpr qint64 Queued = 1;     // comes back queued for download
inline constexpr qint64 Downloaded = 2; // checked against its PAR2 set again
inline constexpr qint64 Repairing = 3;  // the same
inline constexpr qint64 Finished = 4;   // not stored
inline constexpr qint64 Cancelled = 5;  // not restored
inline constexpr qint64 Error = 6;      // comes back in its error
// Past its extraction, where the extracted archives may already be deleted:
// goes on at the finishing step it was in.
inline constexpr qint64 Finishing = 7;
// Its split files joined after the repair, the pieces deleted or about to
// be: extracted again from the joined files, without a PAR2 check (the set
// describes the pieces).
inline constexpr qint64 Joined = 8;
} // namespace RestorePoint
