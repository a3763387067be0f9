#include "search/DeepLookupRecord.h"

#include "search/DeepLookupConsole.h"

#include <QStringTokenizer>

#include <limits>

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

qsizetype skipBlanks(QStringView text, qsizetype i)
{
    while (i < text.size() && isBlank(text.at(i)))
        ++i;
    return i;
}

} // namespace

DeepLookupRecord::DeepLookupRecord(QStringView line)
{
    for (QStringView field : QStringTokenizer(line, QLatin1Char('\t')))
        fields_.append(field);
}

void DeepLookupRecord::forEachLine(QStringView text, const std::function<bool(QStringView line)>& handle)
{
    for (QStringView line : QStringTokenizer(text, QLatin1Char('\n')))
        if (!handle(line)) return;
}

void DeepLookupRecord::forEachRecord(QStringView text, qsizetype fileFields, const RecordHandler& file,
                                     const RecordHandler& other)
{
    forEachLine(text, [&](QStringView line) {
        const DeepLookupRecord record(line);
        if (record.kind() != QLatin1String("FILE")) return other(record);
        if (record.size() < fileFields) {
            deepLookupConsole(u"ERROR PARSING: %@", line);
            return true;
        }
        return file(record);
    });
}

QString DeepLookupRecord::statusText(bool previouslyDownloaded, bool incomplete)
{
    if (previouslyDownloaded) return QStringLiteral("Downloaded");
    if (incomplete) return QStringLiteral("Incomplete");
    return QStringLiteral("OK");
}

qint32 DeepLookupRecord::int32(qsizetype i) const
{
    const qint64 value = integer(i);
    if (value > std::numeric_limits<qint32>::max()) return std::numeric_limits<qint32>::max();
    if (value < std::numeric_limits<qint32>::min()) return std::numeric_limits<qint32>::min();
    return qint32(value);
}

qint64 DeepLookupRecord::leadingInteger(QStringView text)
{
    qsizetype i = skipBlanks(text, 0);
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    // Accumulated as a negative number, which reaches the type's minimum.
    constexpr qint64 kMin = std::numeric_limits<qint64>::min();
    qint64 value = 0;
    bool overflow = false;
    for (; i < text.size() && isDigit(text.at(i)); ++i) {
        const int digit = text.at(i).unicode() - u'0';
        if (value < (kMin + digit) / 10) {
            overflow = true;
            break;
        }
        value = value * 10 - digit;
    }
    if (overflow) return negative ? kMin : std::numeric_limits<qint64>::max();
    if (negative) return value;
    return value == kMin ? std::numeric_limits<qint64>::max() : -value;
}

double DeepLookupRecord::leadingNumber(QStringView text)
{
    const qsizetype start = skipBlanks(text, 0);
    qsizetype i = start;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) ++i;
    qsizetype digits = 0;
    for (; i < text.size() && isDigit(text.at(i)); ++i)
        ++digits;
    if (i < text.size() && text.at(i) == QLatin1Char('.')) {
        ++i;
        for (; i < text.size() && isDigit(text.at(i)); ++i)
            ++digits;
    }
    if (digits == 0) return 0.0;
    qsizetype end = i;
    // An exponent counts only when digits follow it.
    if (i < text.size() && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < text.size() && (text.at(j) == QLatin1Char('-') || text.at(j) == QLatin1Char('+'))) ++j;
        if (j < text.size() && isDigit(text.at(j))) {
            while (j < text.size() && isDigit(text.at(j)))
                ++j;
            end = j;
        }
    }
    bool ok = false;
    const double value = text.mid(start, end - start).toDouble(&ok);
    if (ok) return value;
    // Out of range: the sign decides which end.
    return text.at(start) == QLatin1Char('-') ? -std::numeric_limits<double>::infinity()
                                              : std::numeric_limits<double>::infinity();
}

bool DeepLookupRecord::leadingFlag(QStringView text)
{
    qsizetype i = skipBlanks(text, 0);
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) ++i;
    while (i < text.size() && text.at(i) == QLatin1Char('0'))
        ++i;
    if (i >= text.size()) return false;
    const QChar c = text.at(i);
    return (c >= QLatin1Char('1') && c <= QLatin1Char('9')) || c == QLatin1Char('Y') ||
           c == QLatin1Char('y') || c == QLatin1Char('T') || c == QLatin1Char('t');
}
