#include "queue/StatusCodes.h"
#include "queue/QCodeClass.h"
#include "queue/QStatusToText.h"
#include "queue/SCodeClass.h"

#include <gtest/gtest.h>

#include <QMap>
#include <QSet>

#include <vector>

namespace {

// Every job, upload and file-part code: its name, the number stored in the
// save state, the history and the log, and the text the user has always seen
// (none for the codes that are never shown).
struct JobCode
{
    qint64 named;
    const char* name;
    qint64 number;
    const char* text;
};
#define NAMED(code) code, #code

const std::vector<JobCode>& jobCodes()
{
    static const std::vector<JobCode> codes = {
        {NAMED(JobStatus::Idle), 0, "Idle"},
        {NAMED(JobStatus::Downloading), 1, "Downloading"},
        {NAMED(JobStatus::SavingToDisk), 2, "Saving to disk"},
        {NAMED(JobStatus::Repairing), 3, "Repairing"},
        {NAMED(JobStatus::Repaired), 4, "Repaired"},
        {NAMED(JobStatus::Extracting), 5, "Extracting"},
        {NAMED(JobStatus::Extracted), 6, "Extracted"},
        {NAMED(JobStatus::DownloadError), 7, "Download Error"},
        {NAMED(JobStatus::RepairNotPossible), 8, "Repair not possible"},
        {NAMED(JobStatus::ExtractingNotPossible), 9, "Extracting not possible"},
        {NAMED(JobStatus::Finished), 10, "Finished"},
        {NAMED(JobStatus::PausedDownloading), 11, "Paused downloading"},
        {NAMED(JobStatus::PausedRepairing), 12, "Paused repairing"},
        {NAMED(JobStatus::PausedExtracting), 13, "Paused extracting"},
        {NAMED(JobStatus::QueuedForRepair), 14, "Queued for repairing"},
        {NAMED(JobStatus::QueuedForExtraction), 15, "Queued for extraction"},
        {NAMED(JobStatus::PartialFinished), 16, "Partial finished"},
        {NAMED(JobStatus::AllFilesWritten), 17, "All files written"},
        {NAMED(JobStatus::WaitingForSave), 18, "Waiting for save"},
        {NAMED(JobStatus::ScanningForRepair), 19, "Scanning files for repair"},
        {NAMED(JobStatus::RepairFinished), 20, "Repair finished"},
        {NAMED(JobStatus::ExtractionFinished), 21, "Extraction finished"},
        {NAMED(JobStatus::NeedsMoreRepairBlocks), 22, nullptr},
        {NAMED(JobStatus::WaitingToCorrectFilenames), 24, "Waiting to correct filenames"},
        {NAMED(JobStatus::CorrectingFilenames), 25, "Correcting filenames"},
        {NAMED(JobStatus::CorrectingFilenamesDone), 26, "Correcting filenames done"},
        {NAMED(JobStatus::PausedPossiblyIncomplete), 27,
         "Paused due to possible incompleteness. Click resume to continue downloading."},
        {NAMED(JobStatus::NZBParseError), 28, "NZB Parse error. The NZB file is corrupt."},
        {NAMED(JobStatus::PausedLowDiskSpace), 29,
         "You are almost out of disk space. Click resume to continue."},
        {NAMED(JobStatus::WaitingForObfuscationCheck), 30, "Waiting for Obfuscation Check"},
        {NAMED(JobStatus::ObfuscationCheck), 31, "Obfuscation Check"},
        {NAMED(JobStatus::ObfuscationCheckDone), 32, "Cleaning up"},
        {NAMED(JobStatus::DiskWriteError), 33, "Disk write error (Disk is full or not accessable)."},
        {NAMED(JobStatus::NZBParsed), 34, nullptr},
        {NAMED(JobStatus::ArchivePasswordProtected), 35, "Archive is password protected"},
        {NAMED(JobStatus::CorruptFileOrWrongPassword), 36, "Corrupt file or wrong password"},
        {NAMED(JobStatus::MovingToFinalDestination), 37, "Moving files to final destination"},
        {NAMED(JobStatus::ReversingFilenames), 38, "Reversing filenames"},
        {NAMED(JobStatus::NoNewsServersConfigured), 39, "No news servers are configured. Download paused."},
        {NAMED(JobStatus::NoRepairFiles), 40, "NZB has no repair files. Click resume to continue."},
        {NAMED(JobStatus::NewsServerUnreachable), 41,
         "Unable to connect to news server. Please check your settings."},
        {NAMED(JobStatus::NotEnoughRepairBlocks), 42, "Not enough blocks to repair archive"},
        {NAMED(JobStatus::ReadyToJoinFileParts), 43, "Ready to join fileparts"},
        {NAMED(JobStatus::JoiningFileParts), 44, "Joining fileparts"},
        {NAMED(JobStatus::JoiningFilePartsDone), 45, "Joining fileparts done"},
        {NAMED(JobStatus::JoiningFilePartsError), 46, "Joining fileparts Error"},
        {NAMED(JobStatus::PrepareJoiningFileParts), 47, "Prepare joining fileparts"},
        {NAMED(JobStatus::WaitingForMemory), 49,
         "Running low on allowed memory usage. Waiting for disk to flush buffer."},
        {NAMED(JobStatus::FilePartFailed), 50, nullptr},
        {NAMED(JobStatus::NewsServerAuthError), 51, "Invalid username/password for news server."},
        {NAMED(JobStatus::CleaningUp), 52, "Cleaning up"},
        {NAMED(JobStatus::CheckingForDeepExtraction), 53, "Checking for deep extracting"},
        {NAMED(JobStatus::ReadyForDeepExtraction), 54, "Ready for deep extracting"},
        {NAMED(JobStatus::DeepExtracting), 55, "Deep extracting"},
        {NAMED(JobStatus::DeepExtractionDone), 56, "Deep extraction done"},
        {NAMED(JobStatus::DeepExtractionError), 57, "Deep extracting error"},
        {NAMED(JobStatus::MovingFromTemp), 58, "Moving from temp"},
        {NAMED(JobStatus::MovingFromTempDone), 59, "Moving from temp done"},
        {NAMED(JobStatus::NothingDownloaded), 60, "Nothing downloaded or no files found"},
        {NAMED(JobStatus::MoveFilesError), 61, "Unable to move files (Disk is full or not accessable)."},
        {NAMED(JobStatus::ParsingNZB), 99, "Parsing NZB"},
        {NAMED(JobStatus::AddingToQueue), 101, "Adding to queue"},
        {NAMED(JobStatus::Cancelling), 102, "Cancelling"},
        {NAMED(JobStatus::Cancelled), 103, "Cancelled"},
        {NAMED(JobStatus::Processing), 104, "Processing"},
        {NAMED(JobStatus::QueuedForDownload), 105, "Queued for downloading"},
        {NAMED(JobStatus::DownloadingFilelist), 106, "Downloading filelist"},
        {NAMED(JobStatus::FilelistDownloaded), 107, "Downloading filelist finished"},
        {NAMED(JobStatus::DownloadingSegments), 108, "Processing"},
        {NAMED(JobStatus::SegmentsDownloaded), 109, "Downloading segments finished"},
        {NAMED(JobStatus::SegmentsDownloadError), 110, "Error downloading segments"},
        {NAMED(UploadStatus::AddingToQueue), 200, "Adding upload to queue"},
        {NAMED(UploadStatus::Queued), 201, "Queued for uploading"},
        {NAMED(UploadStatus::FinalizingForUpload), 202, "Finalizing for upload"},
        {NAMED(UploadStatus::Uploading), 203, "Uploading"},
        {NAMED(UploadStatus::Uploaded), 204, "Uploaded"},
        {NAMED(UploadStatus::Finished), 205, "Upload finished"},
        {NAMED(UploadStatus::CleaningUp), 206, "Cleaning up"},
        {NAMED(UploadStatus::NoServersAvailable), 210, "No servers available for posting"},
        {NAMED(UploadStatus::ReadyToCreateRar), 220, "Ready to create RAR files"},
        {NAMED(UploadStatus::CreatingRar), 221, "Creating RAR files"},
        {NAMED(UploadStatus::RarCreated), 222, "Finished creating RAR files"},
        {NAMED(UploadStatus::RarCreationError), 223, "Error creating RAR files"},
        {NAMED(UploadStatus::ReadyToCreatePar2), 224, "Ready to create PAR2 files"},
        {NAMED(UploadStatus::CreatingPar2), 225, "Creating PAR2 files"},
        {NAMED(UploadStatus::Par2Created), 226, "Finished creating PAR2 files"},
        {NAMED(UploadStatus::Par2CreationError), 227, "Error creating PAR2 files"},
        {NAMED(UploadStatus::ArchiveAndPar2Created), 228, "Archive and PAR2 creation finished"},
        {NAMED(UploadStatus::EncodingError), 240, "yEnc encoding error !!"},
        {NAMED(UploadStatus::CreatingNZB), 245, "Creating NZB"},
        {NAMED(UploadStatus::NZBCreated), 246, "NZB creation finished"},
        {NAMED(UploadStatus::NZBCreationError), 247, "Error creating NZB"},
        {NAMED(UploadStatus::ReadyToUploadNZB), 248, "Ready to upload NZB"},
        {NAMED(UploadStatus::UploadError), 249, "Error while uploading"},
        {NAMED(UploadStatus::PostingDenied), 300, "Posting denied by your news server"},
        {NAMED(FilePartStatus::Downloading), 1001, "Downloading"},
        {NAMED(FilePartStatus::Downloaded), 1002, "Downloaded"},
        {NAMED(FilePartStatus::Repairing), 1003, "Repairing"},
        {NAMED(FilePartStatus::Repaired), 1004, "Repaired"},
        {NAMED(FilePartStatus::Extracting), 1005, "Extracting"},
        {NAMED(FilePartStatus::Extracted), 1006, "Extracted"},
        {NAMED(FilePartStatus::DownloadError), 1007, "Download Error"},
        {NAMED(FilePartStatus::RepairError), 1008, "Repair Error"},
        {NAMED(FilePartStatus::ExtractError), 1009, "Extract Error"},
        {NAMED(FilePartStatus::Finished), 1010, "Finished"},
        {NAMED(FilePartStatus::PausedDownloading), 1011, "Paused"},
        {NAMED(FilePartStatus::PausedRepairing), 1012, "Paused"},
        {NAMED(FilePartStatus::PausedExtracting), 1013, "Paused"},
        {NAMED(FilePartStatus::WaitingForRepair), 1014, "Waiting for repair"},
        {NAMED(FilePartStatus::WaitingForExtract), 1015, "Waiting for extract"},
        {NAMED(FilePartStatus::WriteFinished), 1017, "Write finished"},
        {NAMED(FilePartStatus::WriteFailed), 1018, "Error while saving file to disk"},
        {NAMED(FilePartStatus::Writing), 1019, "Writing to disk"},
        {NAMED(FilePartStatus::WaitingForDiskWrite), 1020, "Waiting for disk to write data"},
        {NAMED(FilePartStatus::DiskWriteError), 1023, "Disk write error"},
        {NAMED(FilePartStatus::DecodeError), 1024, "Decode error"},
        {NAMED(FilePartStatus::CalculatingSize), 1025, "Calculating size"},
        {NAMED(FilePartStatus::Queued), 1099, "Queued"},
        {NAMED(FilePartStatus::AddingToDeepLookupQueue), 1100, "Adding to DeepLookup queue"},
        {NAMED(FilePartStatus::AddingToQueue), 1101, "Adding to queue"},
        {NAMED(FilePartStatus::Cancelling), 1102, "Cancelling"},
        {NAMED(FilePartStatus::Cancelled), 1103, "Cancelled"},
        {NAMED(FilePartStatus::OnHold), 1104, "On hold"},
        {NAMED(FilePartStatus::WaitingForSegments), 1105, "Waiting for segments"},
        {NAMED(FilePartStatus::QueuedForUpload), 1201, "Queued for uploading"},
        {NAMED(FilePartStatus::Uploading), 1202, "Uploading"},
        {NAMED(FilePartStatus::Uploaded), 1203, "Uploaded"},
    };
    return codes;
}

const QMap<qint64, QString>& jobCodeTexts()
{
    static const QMap<qint64, QString> texts = [] {
        QMap<qint64, QString> byNumber;
        for (const JobCode& code : jobCodes())
            if (code.text) byNumber.insert(code.number, QString::fromUtf8(code.text));
        return byNumber;
    }();
    return texts;
}

} // namespace

TEST(StatusCodes, EveryJobCodeNameHasItsNumberAndText)
{
    QSet<qint64> numbers;
    for (const JobCode& code : jobCodes()) {
        EXPECT_EQ(code.named, code.number) << code.name;
        EXPECT_FALSE(numbers.contains(code.named)) << code.name << " shares its number";
        numbers.insert(code.named);
        const auto text = QCodeClass::code2Text(code.named);
        if (code.text) {
            ASSERT_TRUE(text.has_value()) << code.name;
            EXPECT_EQ(*text, QString::fromUtf8(code.text)) << code.name;
        } else {
            EXPECT_FALSE(text.has_value()) << code.name << " has a text";
        }
    }
}

TEST(StatusCodes, EveryArticleCodeNameHasItsNumberAndText)
{
    const struct
    {
        qint64 named;
        const char* name;
        qint64 number;
        const char* text;
    } codes[] = {
        {NAMED(ArticleStatus::NotSet), 0, "Not set"},
        {NAMED(ArticleStatus::Downloading), 1, "Downloading"},
        {NAMED(ArticleStatus::Downloaded), 2, "Downloaded"},
        {NAMED(ArticleStatus::Cancelled), 10, "Cancelled"},
        {NAMED(ArticleStatus::Uploading), 20, "Uploading"},
        {NAMED(ArticleStatus::Uploaded), 21, "Uploaded"},
        {NAMED(ArticleStatus::Queued), 99, "Queued"},
        {NAMED(ArticleStatus::Missing), 430, "Missing"},
    };
    for (const auto& code : codes) {
        EXPECT_EQ(code.named, code.number) << code.name;
        EXPECT_EQ(SCodeClass::code2Text(code.named), std::optional<QString>(QString::fromUtf8(code.text)))
            << code.name;
    }
}

TEST(QCodeClass, EveryCodeHasItsExactText)
{
    for (auto it = jobCodeTexts().begin(); it != jobCodeTexts().end(); ++it) {
        const auto text = QCodeClass::code2Text(it.key());
        ASSERT_TRUE(text.has_value()) << "code " << it.key();
        EXPECT_EQ(*text, it.value()) << "code " << it.key();
    }
}

TEST(QCodeClass, NoOtherCodeHasText)
{
    // The gaps inside the ranges (22 more blocks needed, 34 parsed, 50 write
    // failed; 23, 48, 1016, 1021, 1022) and everything around them.
    for (const qint64 code : {22, 23, 34, 48, 50, 1016, 1021, 1022, -1})
        EXPECT_FALSE(QCodeClass::code2Text(code).has_value()) << "code " << code;
    for (qint64 code = -10; code <= 1400; ++code) {
        if (!jobCodeTexts().contains(code)) {
            EXPECT_FALSE(QCodeClass::code2Text(code).has_value()) << "code " << code;
        }
    }
}

TEST(QCodeClass, SaveStateListsOfUploads)
{
    EXPECT_EQ(QCodeClass::upQueueSaveStateArray(),
              QList<qint64>({201, 203, 204, 245, 246, 248, 206, 205, 210, 223, 227, 240, 247, 300}));
    EXPECT_EQ(QCodeClass::upQueueNoSaveStateArray(),
              QList<qint64>({200, 202, 220, 221, 222, 224, 225, 226, 228}));
}

TEST(SCodeClass, ArticleCodesAndNoOthers)
{
    const QMap<qint64, QString> texts = {{0, "Not set"},    {1, "Downloading"}, {2, "Downloaded"},
                                         {10, "Cancelled"}, {20, "Uploading"},  {21, "Uploaded"},
                                         {99, "Queued"},    {430, "Missing"}};
    for (qint64 code = -5; code <= 1300; ++code) {
        const auto text = SCodeClass::code2Text(code);
        if (texts.contains(code)) {
            ASSERT_TRUE(text.has_value()) << "code " << code;
            EXPECT_EQ(*text, texts.value(code));
        } else {
            EXPECT_FALSE(text.has_value()) << "code " << code;
        }
    }
}

TEST(QStatusToText, NumbersBecomeTextsAbsentBecomesEmpty)
{
    EXPECT_EQ(QStatusToText::transformedValue(QVariant(qint64(105))),
              QVariant(QString("Queued for downloading")));
    EXPECT_EQ(QStatusToText::transformedValue(QVariant(int(1203))), QVariant(QString("Uploaded")));
    EXPECT_EQ(QStatusToText::transformedValue(QVariant(double(10))), QVariant(QString("Finished")));
    // A code without text gives nothing, which a table shows as an empty cell.
    EXPECT_FALSE(QStatusToText::transformedValue(QVariant(qint64(22))).isValid());
    EXPECT_FALSE(QStatusToText::transformedValue(QVariant(qint64(1016))).isValid());
    // An absent value gives the empty string.
    const QVariant absent = QStatusToText::transformedValue(QVariant());
    EXPECT_EQ(absent.typeId(), QMetaType::QString);
    EXPECT_EQ(absent.toString(), QString());
    EXPECT_EQ(QStatusToText::transformedValue(QVariant::fromValue(nullptr)).toString(), QString());
    static_assert(!QStatusToText::allowsReverseTransformation());
}
