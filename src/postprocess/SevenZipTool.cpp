#include "postprocess/SevenZipTool.h"

SevenZipTool::SevenZipTool() : ArchiveExtractor(toolName())
{}

QStringList SevenZipTool::arguments(const QString& archivePath, const QString& destination,
                                    const QString& password) const
{
    return {QStringLiteral("x"),
            password.isEmpty() ? QStringLiteral("-p-") : QStringLiteral("-p") + password,
            QStringLiteral("-bsp1"),
            QStringLiteral("-y"),
            QStringLiteral("-snl-"),
            QStringLiteral("-o") + destination,
            archivePath};
}

const ToolOutputTable& SevenZipTool::stopTable() const
{
    // Texts of 7zz 26.02 for the outcomes: "System ERROR: errno=28 : No space
    // left on device"; "Data Error in encrypted file. Wrong password?" (7z),
    // "Cannot open encrypted archive. Wrong password?" (7z with encrypted
    // names) and "ERROR: Wrong password : name" (zip, ZipCrypto and AES);
    // "Archives with Errors: 1" after "CRC Failed", "Data Error" or a refused
    // link.
    static const ToolOutputTable table({
        {QStringLiteral("*No space left on device*"), QStringLiteral("No disk space left on target device."),
         ArchiveExtractor::DiskFailure},
        {QStringLiteral("*Read-only file system*"), QStringLiteral("Read/Write error."),
         ArchiveExtractor::DiskFailure},
        {QStringLiteral("*Wrong password*"), QStringLiteral("Wrong password."),
         ArchiveExtractor::WrongPassword},
        {QStringLiteral("*ERROR: E_FAIL*"), QStringLiteral("Wrong password."),
         ArchiveExtractor::WrongPassword},
        {QStringLiteral("*Archives with Errors:*"),
         QStringLiteral("Unable to extract. Archive is most likely corrupt."), ArchiveExtractor::Corrupt},
    });
    return table;
}

const ToolOutputTable& SevenZipTool::commentTable() const
{
    static const ToolOutputTable table({
        {QStringLiteral("*No files to process*"), QStringLiteral("No files to extract."),
         ArchiveExtractor::Comment},
        {QStringLiteral("*Missing volume*"), QStringLiteral("The archive is incomplete."),
         ArchiveExtractor::Comment},
        {QStringLiteral("*Unexpected end of archive*"), QStringLiteral("The archive is incomplete."),
         ArchiveExtractor::Comment},
        {QStringLiteral("*Can't open as archive*"), QStringLiteral("The archive is corrupt."),
         ArchiveExtractor::Comment},
    });
    return table;
}
