#include "queue/SCodeClass.h"

std::optional<QString> SCodeClass::code2Text(qint64 code)
{
    switch (code) {
    case 0:
        return QStringLiteral("Not set");
    case 1:
        return QStringLiteral("Downloading");
    case 2:
        return QStringLiteral("Downloaded");
    case 10:
        return QStringLiteral("Cancelled");
    case 20:
        return QStringLiteral("Uploading");
    case 21:
        return QStringLiteral("Uploaded");
    case 99:
        return QStringLiteral("Queued");
    case 430:
        return QStringLiteral("Missing");
    default:
        return std::nullopt;
    }
}
