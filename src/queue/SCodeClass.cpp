#include "queue/SCodeClass.h"

#include "queue/StatusCodes.h"

std::optional<QString> SCodeClass::code2Text(qint64 code)
{
    switch (code) {
    case ArticleStatus::NotSet:
        return QStringLiteral("Not set");
    case ArticleStatus::Downloading:
        return QStringLiteral("Downloading");
    case ArticleStatus::Downloaded:
        return QStringLiteral("Downloaded");
    case ArticleStatus::Cancelled:
        return QStringLiteral("Cancelled");
    case ArticleStatus::Uploading:
        return QStringLiteral("Uploading");
    case ArticleStatus::Uploaded:
        return QStringLiteral("Uploaded");
    case ArticleStatus::Queued:
        return QStringLiteral("Queued");
    case ArticleStatus::Missing:
        return QStringLiteral("Missing");
    default:
        return std::nullopt;
    }
}
