#pragma once

#include "core/WildcardPattern.h"

#include <QList>
#include <QString>

#include <string>
#include <vector>

// An ordered table that judges a tool's whole console output: each row is a
// case-insensitive wildcard pattern ("*" any run, "?" one character) with a
// comment and an action of the worker's own; the first row whose pattern
// matches the whole output decides. The output is folded once for all rows.
class ToolOutputTable
{
public:
    struct Row
    {
        QString pattern;
        QString comment; // empty: the row gives no comment
        int action = 0;  // the worker's own code
    };

    explicit ToolOutputTable(QList<Row> rows);

    const QList<Row>& rows() const { return rows_; }

    // The output as the rows compare it.
    static std::u32string fold(const QString& output);

    // The first row that matches, or null.
    const Row* firstMatch(const QString& output) const { return firstMatchFolded(fold(output)); }
    const Row* firstMatchFolded(const std::u32string& folded) const;

private:
    QList<Row> rows_;
    std::vector<WildcardPattern> patterns_;
};
