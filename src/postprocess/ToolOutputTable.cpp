#include "postprocess/ToolOutputTable.h"

ToolOutputTable::ToolOutputTable(QList<Row> rows) : rows_(std::move(rows))
{
    patterns_.reserve(size_t(rows_.size()));
    for (const Row& row : rows_)
        patterns_.emplace_back(row.pattern, WildcardPattern::CaseInsensitive);
}

std::u32string ToolOutputTable::fold(const QString& output)
{
    return WildcardPattern::fold(output, WildcardPattern::CaseInsensitive);
}

const ToolOutputTable::Row* ToolOutputTable::firstMatchFolded(const std::u32string& folded) const
{
    for (size_t i = 0; i < patterns_.size(); ++i) {
        if (patterns_[i].matchesFolded(folded)) return &rows_[qsizetype(i)];
    }
    return nullptr;
}
