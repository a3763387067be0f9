#pragma once

#include <QString>
#include <QStringList>

// Collects the Qt messages of one logging category (the console lines of a
// component) while it lives; other messages go on to the handler before it.
class MessageCapture
{
public:
    explicit MessageCapture(const char* category);
    ~MessageCapture();
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    QStringList lines() const;
    bool contains(const QString& line) const { return lines().contains(line); }
    void clear();
};
