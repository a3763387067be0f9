#pragma once

#include "core/LogClass.h"
#include "core/SourceLocation.h"
#include "core/StringFormat.h"

#include <QList>
#include <QMutex>
#include <QObject>

// The program's one logging facility. Any thread may log; every line goes to
// the log file "Binorama.log" and, except at the debug level (2), to the list
// the log page shows. Entries reach that list in batches on the main thread,
// so a burst of lines from the connection threads costs one page update.
//
// Call it through BLOG(level, format, args...): the macro supplies the caller
// ("[Class method]") from the call site.
class Logger : public QObject
{
    Q_OBJECT
public:
    static Logger* shared();

    // Logs one message. `format` follows printf conventions with "%@" for
    // objects; the arguments are only ever printed as values.
    template <typename... Args>
    void level(const SourceLocation& where, int lvl, const QString& format, const Args&... args)
    {
        levelText(where, lvl, sformat(format, args...));
    }

    // Logs a value that is not a format (an error, a byte array, ...): its text
    // is logged literally.
    void levelObject(const SourceLocation& where, int level, const QVariant& object);

    // Delivers the waiting entries to logArray() now, as the batch timer does.
    void flush();

    // Main thread only. The entries shown by the log page, oldest first.
    const QList<LogClass>& logArray() const { return logArray_; }
    void removeObjects(const QList<int>& rows);
    void removeAllObjects();

    void writeToConsole(const QString& text);

    static QString nameOfLevel(int level);
    static QString makeLine();
    static QString time();
    static QString convertToString(const QVariant& object);
    // "[Class method]" for a function signature as the compiler names it;
    // empty when no caller can be named.
    static QString callerText(const char* functionName, const char* fileName);
    // The file line for a caller+message text at a level, ending in "\n".
    static QString formatOutputString(const QString& text, int level);

    // Pending entries (not yet delivered to the page).
    int queuedCount() const;
    bool timerIsRunning() const;
    float interval() const { return interval_; }

    // Closes the log file and forgets all entries, so that the next line sets
    // the logger up again from the current settings. Tests only.
    void resetForTesting();

Q_SIGNALS:
    // Around every change of logArray(), on the main thread.
    void logArrayWillChange();
    void logArrayDidChange();

private:
    Logger();
    void levelText(const SourceLocation& where, int level, const QString& message);
    void setUpIfNeeded();
    void createNewLogFileAtPath(const QString& path);
    void writeToLogFile(const QString& line);
    void addToQueue(const LogClass& entry);
    void startTimer();
    void timerSelector();
    void output();

    QMutex setUpMutex_;
    bool isSetUp_ = false;
    QMutex fileMutex_;
    int logFileHandle_ = -1;
    float interval_ = 1.0f;

    mutable QMutex lock_;
    QList<LogClass> logQueue_;
    bool timerIsRunning_ = false;

    QList<LogClass> logArray_;
};

#define BLOG(lvl, ...) ::Logger::shared()->level(SourceLocation::current(), (lvl), __VA_ARGS__)
#define BLOG_OBJECT(lvl, obj) ::Logger::shared()->levelObject(SourceLocation::current(), (lvl), (obj))
