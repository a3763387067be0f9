#pragma once

#include <QString>
#include <QStringList>

// The lines of the log file as a test sees them.
class LogFileReader
{
public:
    explicit LogFileReader(QString path) : path_(std::move(path)) {}

    QStringList lines() const;
    // Lines whose message (the text after the caller) is exactly `message`.
    QStringList linesWithMessage(const QString& message) const;
    // Lines that contain `text` anywhere.
    QStringList linesContaining(const QString& text) const;

private:
    QString path_;
};
