#include "support/LogFileReader.h"

#include <QFile>

QStringList LogFileReader::lines() const
{
    QFile f(path_);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList out = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    if (!out.isEmpty() && out.last().isEmpty()) out.removeLast();
    return out;
}

QStringList LogFileReader::linesWithMessage(const QString& message) const
{
    QStringList out;
    for (const QString& line : lines()) {
        // "<level> HH:mm:ss.SSS | [Class method]message"
        const qsizetype bar = line.indexOf(QLatin1String(" | ["));
        const qsizetype close = bar < 0 ? -1 : line.indexOf(QLatin1Char(']'), bar);
        if (close >= 0 && line.mid(close + 1) == message) out.append(line);
    }
    return out;
}

QStringList LogFileReader::linesContaining(const QString& text) const
{
    QStringList out;
    for (const QString& line : lines()) {
        if (line.contains(text)) out.append(line);
    }
    return out;
}
