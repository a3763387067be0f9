#include "ui/search/tools/IndexedNewsgroupQuery.h"

namespace {

const QString kHierarchy = QStringLiteral("alt.binaries");
const QString kHierarchyPrefix = QStringLiteral("alt.binaries.");
const QString kOr = QStringLiteral(" OR ");

} // namespace

std::optional<IndexedNewsgroupQuery::Result> IndexedNewsgroupQuery::fromNewsgroups(const QList<IndexedNG>& groups)
{
    // Several groups are wrapped one by one and as a whole, so that the
    // service reads the field as one alternative however it is combined.
    const bool several = groups.size() > 1;
    Result result;
    for (const IndexedNG& group : groups) {
        if (group.newsgroup().isEmpty()) continue;
        QString name = group.newsgroup();
        if (name != kHierarchy) name.remove(kHierarchyPrefix);
        result.text += several ? QStringLiteral("(%1)").arg(name) + kOr : name + kOr;
        result.ero = group.ero();
    }
    if (result.text.endsWith(kOr)) result.text.chop(kOr.size());
    if (result.text.isEmpty()) return std::nullopt;
    if (several) result.text = QStringLiteral("(%1)").arg(result.text);
    return result;
}
