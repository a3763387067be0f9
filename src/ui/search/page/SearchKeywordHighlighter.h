#pragma once

#include <QList>
#include <QPair>
#include <QRegularExpression>
#include <QString>

// Marks the words of the last search in result subjects. The search page
// stores the words as one pattern ("big|red|car"); the result tree asks for
// the ranges to mark while painting, so the pattern is compiled once per
// pattern text, never per paint.
class SearchKeywordHighlighter
{
public:
    static constexpr int kMaxMatches = 100;

    // The pattern stored for a search title: its words, each taken
    // literally ("1.5" marks "1.5" only, "c++(" is a word like any other),
    // joined by "|". Empty for a title without words.
    static QString patternForTitle(const QString& title);

    // The (start, length) ranges of the matches of `pattern` in `text`,
    // case-insensitive, in order, at most kMaxMatches of them. An empty or
    // invalid pattern marks nothing.
    QList<QPair<int, int>> matches(const QString& text, const QString& pattern);

private:
    QString compiledFrom_;
    QRegularExpression expression_;
};
