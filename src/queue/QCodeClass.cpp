#include "queue/QCodeClass.h"

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
    {0, "Idle"},
    {1, "Downloading"},
    {2, "Saving to disk"},
    {3, "Repairing"},
    {4, "Repaired"},
    {5, "Extracting"},
    {6, "Extracted"},
    {7, "Download Error"},
    {8, "Repair not possible"},
    {9, "Extracting not possible"},
    {10, "Finished"},
    {11, "Paused downloading"},
    {12, "Paused repairing"},
    {13, "Paused extracting"},
    {14, "Queued for repairing"},
    {15, "Queued for extraction"},
    {16, "Partial finished"},
    {17, "All files written"},
    {18, "Waiting for save"},
    {19, "Scanning files for repair"},
    {20, "Repair finished"},
    {21, "Extraction finished"},
    {24, "Waiting to correct filenames"},
    {25, "Correcting filenames"},
    {26, "Correcting filenames done"},
    {27, "Paused due to possible incompleteness. Click resume to continue downloading."},
    {28, "NZB Parse error. The NZB file is corrupt."},
    {29, "You are almost out of disk space. Click resume to continue."},
    {30, "Waiting for Obfuscation Check"},
    {31, "Obfuscation Check"},
    {32, "Cleaning up"},
    {33, "Disk write error (Disk is full or not accessable)."},
    {35, "Archive is password protected"},
    {36, "Corrupt file or wrong password"},
    {37, "Moving files to final destination"},
    {38, "Reversing filenames"},
    {39, "No news servers are configured. Download paused."},
    {40, "NZB has no repair files. Click resume to continue."},
    {41, "Unable to connect to news server. Please check your settings."},
    {42, "Not enough blocks to repair archive"},
    {43, "Ready to join fileparts"},
    {44, "Joining fileparts"},
    {45, "Joining fileparts done"},
    {46, "Joining fileparts Error"},
    {47, "Prepare joining fileparts"},
    {49, "Running low on allowed memory usage. Waiting for disk to flush buffer."},
    {51, "Invalid username/password for news server."},
    {52, "Cleaning up"},
    {53, "Checking for deep extracting"},
    {54, "Ready for deep extracting"},
    {55, "Deep extracting"},
    {56, "Deep extraction done"},
    {57, "Deep extracting error"},
    {58, "Moving from temp"},
    {59, "Moving from temp done"},
    {60, "Nothing downloaded or no files found"},
    {61, "Unable to move files (Disk is full or not accessable)."},
    {99, "Parsing NZB"},
    {101, "Adding to queue"},
    {102, "Cancelling"},
    {103, "Cancelled"},
    {104, "Processing"},
    {105, "Queued for downloading"},
    {106, "Downloading filelist"},
    {107, "Downloading filelist finished"},
    {108, "Processing"},
    {109, "Downloading segments finished"},
    {110, "Error downloading segments"},
    {200, "Adding upload to queue"},
    {201, "Queued for uploading"},
    {202, "Finalizing for upload"},
    {203, "Uploading"},
    {204, "Uploaded"},
    {205, "Upload finished"},
    {206, "Cleaning up"},
    {210, "No servers available for posting"},
    {220, "Ready to create RAR files"},
    {221, "Creating RAR files"},
    {222, "Finished creating RAR files"},
    {223, "Error creating RAR files"},
    {224, "Ready to create PAR2 files"},
    {225, "Creating PAR2 files"},
    {226, "Finished creating PAR2 files"},
    {227, "Error creating PAR2 files"},
    {228, "Archive and PAR2 creation finished"},
    {240, "yEnc encoding error !!"},
    {245, "Creating NZB"},
    {246, "NZB creation finished"},
    {247, "Error creating NZB"},
    {248, "Ready to upload NZB"},
    {249, "Error while uploading"},
    {300, "Posting denied by your news server"},
    {1001, "Downloading"},
    {1002, "Downloaded"},
    {1003, "Repairing"},
    {1004, "Repaired"},
    {1005, "Extracting"},
    {1006, "Extracted"},
    {1007, "Download Error"},
    {1008, "Repair Error"},
    {1009, "Extract Error"},
    {1010, "Finished"},
    {1011, "Paused"},
    {1012, "Paused"},
    {1013, "Paused"},
    {1014, "Waiting for repair"},
    {1015, "Waiting for extract"},
    {1017, "Write finished"},
    {1018, "Error while saving file to disk"},
    {1019, "Writing to disk"},
    {1020, "Waiting for disk to write data"},
    {1023, "Disk write error"},
    {1024, "Decode error"},
    {1025, "Calculating size"},
    {1099, "Queued"},
    {1100, "Adding to DeepLookup queue"},
    {1101, "Adding to queue"},
    {1102, "Cancelling"},
    {1103, "Cancelled"},
    {1104, "On hold"},
    {1105, "Waiting for segments"},
    {1201, "Queued for uploading"},
    {1202, "Uploading"},
    {1203, "Uploaded"},
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
    return {201, 203, 204, 245, 246, 248, 206, 205, 210, 223, 227, 240, 247, 300};
}

QList<qint64> QCodeClass::upQueueNoSaveStateArray()
{
    return {200, 202, 220, 221, 222, 224, 225, 226, 228};
}
