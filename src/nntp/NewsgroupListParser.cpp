#include "nntp/NewsgroupListParser.h"

#include <QCollator>

#include <algorithm>
#include <limits>
#include <numeric>
#include <vector>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

bool isAscii(QByteArrayView line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 128; });
}

// The first three blank-separated fields of `line`; `count` is how many
// fields the line has in all (counting stops at 3).
int splitFields(QByteArrayView line, QByteArrayView (&fields)[3])
{
    int count = 0;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n && count < 3) {
        while (i < n && isBlank(line[i]))
            ++i;
        if (i >= n) break;
        const qsizetype start = i;
        while (i < n && !isBlank(line[i]))
            ++i;
        fields[count++] = line.sliced(start, i - start);
    }
    return count;
}

} // namespace

bool NewsgroupListParser::isEmptyList(const QByteArray& reply)
{
    const QByteArrayView all(reply);
    qsizetype from = 0;
    while (from < all.size()) {
        qsizetype end = all.indexOf('\n', from);
        if (end < 0) end = all.size();
        const QByteArrayView line = all.sliced(from, end - from).trimmed();
        from = end + 1;
        if (!line.isEmpty() && line != QByteArrayView(".")) return false;
    }
    return true;
}

qint64 NewsgroupListParser::integerValue(QByteArrayView field)
{
    qsizetype i = 0;
    while (i < field.size() && isBlank(field[i]))
        ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
        negative = field[i] == '-';
        ++i;
    }
    // Accumulated negatively, so that the smallest value fits too.
    constexpr qint64 kMin = std::numeric_limits<qint64>::min();
    qint64 value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        const int digit = field[i] - '0';
        if (value < (kMin + digit) / 10) {
            value = kMin;
            while (i < field.size() && field[i] >= '0' && field[i] <= '9')
                ++i;
            break;
        }
        value = value * 10 - digit;
    }
    if (negative) return value;
    return value == kMin ? std::numeric_limits<qint64>::max() : -value;
}

QList<NewsgroupSelectorItem> NewsgroupListParser::parse(const QByteArray& reply)
{
    QList<NewsgroupSelectorItem> items;
    const QByteArrayView all(reply);
    qsizetype from = 0;
    while (from < all.size()) {
        qsizetype end = all.indexOf('\n', from);
        if (end < 0) end = all.size();
        const QByteArrayView line = all.sliced(from, end - from);
        from = end + 1;
        if (line.size() < 3 || !isAscii(line)) continue;
        QByteArrayView fields[3];
        const int count = splitFields(line, fields);
        if (count == 0 || fields[0].endsWith('.')) continue;
        qint64 articles = 0;
        if (count >= 3) {
            const qint64 high = integerValue(fields[1]);
            const qint64 low = integerValue(fields[2]);
            if (__builtin_sub_overflow(high, low, &articles))
                articles = high > low ? std::numeric_limits<qint64>::max() : 0;
            articles = std::max<qint64>(0, articles);
        }
        items.append(NewsgroupSelectorItem{QString::fromLatin1(fields[0]), articles, false});
    }
    sortItems(items);
    return items;
}

void NewsgroupListParser::sortItems(QList<NewsgroupSelectorItem>& items)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // One key per name: a list holds a few hundred thousand groups, and a
    // comparison of keys is far cheaper than a collation of two names. The
    // names are case-folded first: in the C locale Qt's sort keys are the
    // plain text and would ignore the case setting.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(items.size()));
    for (const NewsgroupSelectorItem& item : std::as_const(items))
        keys.push_back(collator.sortKey(item.newsgroup.toCaseFolded()));
    std::vector<qsizetype> order(size_t(items.size()));
    std::iota(order.begin(), order.end(), qsizetype(0));
    std::stable_sort(order.begin(), order.end(), [&keys](qsizetype a, qsizetype b) {
        return keys[size_t(a)].compare(keys[size_t(b)]) < 0;
    });
    QList<NewsgroupSelectorItem> sorted;
    sorted.reserve(items.size());
    for (const qsizetype i : order)
        sorted.append(std::move(items[i]));
    items = std::move(sorted);
}
