#include "postprocess/ArchiveLister.h"

#include "core/Logger.h"
#include "postprocess/ToolLocator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

namespace {

constexpr int kListTimeoutMs = 60000;

bool flagged(const QJsonObject& object)
{
    return object.value(QLatin1String("XADIsEncrypted")).toInt() != 0;
}

} // namespace

ArchiveLister::Encryption ArchiveLister::encryptionFromListing(const QByteArray& standardOutput,
                                                               const QByteArray& standardError)
{
    // Said before any listing when the headers are encrypted; the JSON that
    // follows is cut off.
    const QByteArray passwordRequired = "requires a password";
    if (standardOutput.contains(passwordRequired) || standardError.contains(passwordRequired))
        return Encryption::Encrypted;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(standardOutput, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return Encryption::Unknown;
    const QJsonObject listing = doc.object();
    if (!listing.contains(QLatin1String("lsarFormatVersion"))) return Encryption::Unknown;
    if (flagged(listing.value(QLatin1String("lsarProperties")).toObject())) return Encryption::Encrypted;
    const QJsonArray entries = listing.value(QLatin1String("lsarContents")).toArray();
    for (const QJsonValue& entry : entries) {
        if (flagged(entry.toObject())) return Encryption::Encrypted;
    }
    return Encryption::NotEncrypted;
}

ArchiveLister::Encryption ArchiveLister::encryptionOf(const QString& archivePath)
{
    const QString program = ToolLocator::pathForTool(QStringLiteral("lsar"));
    if (program.isEmpty()) {
        BLOG(2, "lsar was not found in helpers nor on PATH.");
        return Encryption::Unknown;
    }
    QProcess process;
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("LC_CTYPE"), QStringLiteral("UTF-8"));
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    // No password: with one, an archive whose headers are encrypted reads as
    // merely unreadable.
    process.start(program, {QStringLiteral("-j"), archivePath}, QIODevice::ReadOnly);
    if (!process.waitForFinished(kListTimeoutMs) || process.exitStatus() != QProcess::NormalExit) {
        BLOG(2, "lsar gave no answer for %@", archivePath);
        process.kill();
        process.waitForFinished(1000);
        return Encryption::Unknown;
    }
    return encryptionFromListing(process.readAllStandardOutput(), process.readAllStandardError());
}
