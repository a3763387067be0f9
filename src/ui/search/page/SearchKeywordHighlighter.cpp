#include "ui/search/page/SearchKeywordHighlighter.h"

#include <QStringList>

QString SearchKeywordHighlighter::patternForTitle(const QString& title)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    QStringList words;
    for (const QString& word : title.split(blanks, Qt::SkipEmptyParts))
        words << QRegularExpression::escape(word);
    return words.join(QLatin1Char('|'));
}

QList<QPair<int, int>> SearchKeywordHighlighter::matches(const QString& text, const QString& pattern)
{
    QList<QPair<int, int>> ranges;
    if (pattern.isEmpty() || text.isEmpty()) return ranges;
    if (pattern != compiledFrom_) {
        compiledFrom_ = pattern;
        expression_ = QRegularExpression(pattern, QRegularExpression::CaseInsensitiveOption);
        expression_.optimize();
    }
    if (!expression_.isValid()) return ranges;
    QRegularExpressionMatchIterator it = expression_.globalMatch(text);
    while (it.hasNext() && ranges.size() < kMaxMatches) {
        const QRegularExpressionMatch m = it.next();
        if (m.capturedLength() > 0) ranges.append({int(m.capturedStart()), int(m.capturedLength())});
    }
    return ranges;
}
