#include "postprocess/UnRar.h"

#include "platform/UserDefaults.h"
#include "queue/Queue.h"

std::shared_ptr<UnRar> UnRar::create()
{
    return std::shared_ptr<UnRar>(new UnRar());
}

UnRar::UnRar() : ArchiveExtractor(QStringLiteral("unar"))
{}

QStringList UnRar::archiveList(const Queue& job) const
{
    return job.rarfiles();
}

bool UnRar::flattensPaths() const
{
    return !UserDefaults::standard().boolForKey(QStringLiteral("enableRecursiveExtraction"));
}

QStringList UnRar::arguments(const QString& archivePath, const QString& destination,
                             const QString& password) const
{
    // No recursion into archives inside the archive (the job's nested
    // extraction does that), overwrite within the fresh destination, no
    // containing folder, no resource-fork files.
    QStringList args{QStringLiteral("-nr"),  QStringLiteral("-f"), QStringLiteral("-D"), QStringLiteral("-k"),
                     QStringLiteral("skip"), QStringLiteral("-o"), destination};
    if (!password.isEmpty()) args << QStringLiteral("-p") << password;
    args << archivePath;
    return args;
}

const ToolOutputTable& UnRar::unarStopTable()
{
    // Texts of unar 1.10.1: "Failed! (Failed to write to file)" on a full
    // disk; "This archive requires a password to unpack." without a
    // password; "Failed! (Wrong checksum)" for a wrong password, damaged data
    // and a missing volume alike; "Archive parsing failed!" for unreadable
    // (also encrypted) headers; "Missing or wrong password." where the
    // format can tell. The two texts that cannot tell are settled by the
    // archive's encryption flags.
    static const ToolOutputTable table({
        {QStringLiteral("*No space left on device*"), QStringLiteral("No disk space left on target device."),
         DiskFailure},
        {QStringLiteral("*Failed to write to file*"), QStringLiteral("Read/Write error."), DiskFailure},
        {QStringLiteral("*requires a password to unpack*"), QStringLiteral("Cannot open encrypted archive."),
         WrongPassword},
        {QStringLiteral("*Missing or wrong password*"), QStringLiteral("Wrong password."), WrongPassword},
        {QStringLiteral("*Wrong checksum*"), QStringLiteral("Corrupt file or wrong password."),
         DamageOrPassword},
        {QStringLiteral("*Archive parsing failed*"), QStringLiteral("Corrupt file or wrong password."),
         DamageOrPassword},
    });
    return table;
}

const ToolOutputTable& UnRar::unarCommentTable()
{
    static const ToolOutputTable table({
        {QStringLiteral("*No files extracted*"), QStringLiteral("No files to extract."), Comment},
        {QStringLiteral("*Couldn't open archive*"), QStringLiteral("The archive is incomplete."), Comment},
        {QStringLiteral("*Attempted to read more data than was available*"),
         QStringLiteral("The archive is incomplete."), Comment},
    });
    return table;
}

void UnRar::reportResult(FileRepairExtractDelegate& controller, bool result)
{
    controller.rarExtractFinishedWithResult(result);
}
