#include "core/Logger.h"

#include "platform/Dispatch.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

Logger* Logger::shared()
{
    static Logger* instance = [] {
        auto* logger = new Logger;
        if (QCoreApplication* app = QCoreApplication::instance())
            logger->moveToThread(app->thread());
        return logger;
    }();
    return instance;
}

Logger::Logger() = default;

QString Logger::nameOfLevel(int level)
{
    switch (level) {
    case 0:
    case 1:
        return QStringLiteral("[INFO]");
    case 2:
        return QStringLiteral("[DEBUG]");
    case 3:
        return QStringLiteral("[ERROR]");
    case 4:
        return QStringLiteral("[WARN]");
    default:
        return QString();
    }
}

QString Logger::makeLine()
{
    return QString(150, QLatin1Char('-'));
}

QString Logger::time()
{
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz"));
}

QString Logger::convertToString(const QVariant& object)
{
    if (!object.isValid() || object.isNull())
        return QString();
    if (object.typeId() == QMetaType::QByteArray)
        return QString::fromUtf8(object.toByteArray());
    return object.toString();
}

QString Logger::callerText(const char* functionName, const char* fileName)
{
    // The compiler names the function like "void MainVC::viewDidLoad()",
    // "static Logger* Logger::shared()" or, inside a lambda,
    // "MainVC::start()::<lambda()>". The caller is the outermost function:
    // the name before the first parameter list at template depth 0.
    const std::string_view sig = functionName ? functionName : "";
    int depth = 0;
    size_t paren = std::string_view::npos;
    for (size_t i = 0; i < sig.size(); ++i) {
        const char c = sig[i];
        if (c == '<')
            ++depth;
        else if (c == '>')
            depth = std::max(0, depth - 1);
        else if (c == '(' && depth == 0) {
            // "operator()" names a function; its parameters follow.
            if (i >= 8 && sig.substr(i - 8, 8) == "operator" && i + 1 < sig.size() && sig[i + 1] == ')')
                continue;
            paren = i;
            break;
        }
    }
    std::string_view qualified = paren == std::string_view::npos ? sig : sig.substr(0, paren);
    // Drop the return type and qualifiers before the name.
    depth = 0;
    for (size_t i = qualified.size(); i-- > 0;) {
        const char c = qualified[i];
        if (c == '>')
            ++depth;
        else if (c == '<')
            depth = std::max(0, depth - 1);
        else if ((c == ' ' || c == '*' || c == '&') && depth == 0) {
            qualified = qualified.substr(i + 1);
            break;
        }
    }
    QString method;
    QString cls;
    const size_t sep = qualified.rfind("::");
    if (sep == std::string_view::npos) {
        method = QString::fromLatin1(qualified.data(), qsizetype(qualified.size()));
    } else {
        method = QString::fromLatin1(qualified.data() + sep + 2, qsizetype(qualified.size() - sep - 2));
        std::string_view scope = qualified.substr(0, sep);
        const size_t outer = scope.rfind("::");
        if (outer != std::string_view::npos)
            scope = scope.substr(outer + 2);
        cls = QString::fromLatin1(scope.data(), qsizetype(scope.size()));
    }
    if (cls.isEmpty() && fileName && *fileName)
        cls = QFileInfo(QString::fromUtf8(fileName)).completeBaseName();
    if (method.isEmpty() || cls.isEmpty())
        return QString();
    return QStringLiteral("[%1 %2]").arg(cls, method);
}

QString Logger::formatOutputString(const QString& text, int level)
{
    QString body = text;
    if (!body.endsWith(QLatin1Char('\n')))
        body += QLatin1Char('\n');
    return sformat(u"%-7s %@ | %@", nameOfLevel(level), time(), body);
}

void Logger::setUpIfNeeded()
{
    QMutexLocker locker(&setUpMutex_);
    if (isSetUp_)
        return;
    UserDefaults& defaults = UserDefaults::standard();
    const QString path = defaults.stringForKey(QStringLiteral("logFilePath"));
    const QVariant intervalValue = defaults.objectForKey(QStringLiteral("logInterval"));
    interval_ = intervalValue.isValid() ? defaults.floatForKey(QStringLiteral("logInterval")) : 1.0f;
    if (!(interval_ >= 0.0f) || interval_ > 3600.0f)
        interval_ = 1.0f;
    {
        QMutexLocker fileLocker(&fileMutex_);
        if (!path.isEmpty()) {
            createNewLogFileAtPath(path);
            logFileHandle_ = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
        }
    }
    isSetUp_ = true;
}

void Logger::createNewLogFileAtPath(const QString& path)
{
    const QByteArray p = QFile::encodeName(path);
    int fd = ::open(p.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        fd = ::open(p.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        writeToConsole(QStringLiteral("-[Logger createNewLogFileAtPath:] %1").arg(QString::fromLocal8Bit(strerror(errno))));
        return;
    }
    ::close(fd);
}

void Logger::writeToLogFile(const QString& line)
{
    const QByteArray bytes = line.toUtf8();
    // One write per line, serialised, so that lines of threads logging at the
    // same moment never interleave.
    QMutexLocker locker(&fileMutex_);
    if (logFileHandle_ < 0)
        return;
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(logFileHandle_, data, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            std::fprintf(stderr, "%s %s\n", "-[Logger writeToLogFile:]", strerror(errno));
            return;
        }
        data += n;
        left -= n;
    }
}

void Logger::levelText(const SourceLocation& where, int level, const QString& message)
{
    const QString caller = callerText(where.function_name(), where.file_name());
    if (caller.isEmpty())
        return;
    setUpIfNeeded();
    const QString text = message == QLatin1String("-") ? makeLine() : message;
    writeToLogFile(formatOutputString(caller + text, level));
    if (level == 2)
        return;
    addToQueue(LogClass{nameOfLevel(level), time(), caller, text});
    startTimer();
}

void Logger::levelObject(const SourceLocation& where, int level, const QVariant& object)
{
    if (!object.isValid())
        return;
    levelText(where, level, convertToString(object));
}

void Logger::addToQueue(const LogClass& entry)
{
    QMutexLocker locker(&lock_);
    logQueue_.append(entry);
}

void Logger::startTimer()
{
    {
        QMutexLocker locker(&lock_);
        if (timerIsRunning_)
            return;
        timerIsRunning_ = true;
    }
    const int ms = int(interval_ * 1000.0f);
    Dispatch::onThreadOf(this, [this, ms] { QTimer::singleShot(ms, this, [this] { timerSelector(); }); });
}

void Logger::timerSelector()
{
    output();
}

void Logger::output()
{
    QList<LogClass> snapshot;
    {
        QMutexLocker locker(&lock_);
        snapshot = logQueue_;
    }
    if (!snapshot.isEmpty()) {
        Q_EMIT logArrayWillChange();
        logArray_.append(snapshot);
        Q_EMIT logArrayDidChange();
    }
    qsizetype left;
    {
        QMutexLocker locker(&lock_);
        logQueue_.remove(0, std::min(snapshot.size(), logQueue_.size()));
        timerIsRunning_ = false;
        left = logQueue_.size();
    }
    if (left > 0)
        startTimer();
}

void Logger::flush()
{
    output();
}

void Logger::removeObjects(const QList<int>& rows)
{
    QList<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    Q_EMIT logArrayWillChange();
    {
        QMutexLocker locker(&lock_);
        for (auto it = sorted.crbegin(); it != sorted.crend(); ++it) {
            if (*it >= 0 && *it < logArray_.size())
                logArray_.removeAt(*it);
        }
    }
    Q_EMIT logArrayDidChange();
}

void Logger::removeAllObjects()
{
    Q_EMIT logArrayWillChange();
    {
        QMutexLocker locker(&lock_);
        logArray_.clear();
    }
    Q_EMIT logArrayDidChange();
}

void Logger::writeToConsole(const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

int Logger::queuedCount() const
{
    QMutexLocker locker(&lock_);
    return int(logQueue_.size());
}

bool Logger::timerIsRunning() const
{
    QMutexLocker locker(&lock_);
    return timerIsRunning_;
}

void Logger::resetForTesting()
{
    QMutexLocker setUp(&setUpMutex_);
    {
        QMutexLocker fileLocker(&fileMutex_);
        if (logFileHandle_ >= 0)
            ::close(logFileHandle_);
        logFileHandle_ = -1;
    }
    {
        QMutexLocker locker(&lock_);
        logQueue_.clear();
        timerIsRunning_ = false;
    }
    logArray_.clear();
    isSetUp_ = false;
}
