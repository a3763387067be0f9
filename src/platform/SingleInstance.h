#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QLockFile;

// One running program per user home. Two programs on the same stores would
// write each other's queue and log over each other, so a second start
// hands the files it was given to the program already running and ends
// before it touches anything of the home.
//
// The first start holds a lock file in the application-support folder for
// its whole run (a lock left by a killed program is taken over) and answers
// the freedesktop application interface ("Open" with file URIs, "Activate")
// on the session bus under a name of its home, as a desktop that opens
// files in a running program calls it. A later start finds the lock held
// and calls that interface. Without a session bus the lock alone still
// keeps the later start away from the stores.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    enum class Claim {
        First,          // this program is the one: it holds the lock
        HandedOver,     // another one runs and took the files (or a request to come to the front)
        AlreadyRunning, // another one runs and could not be reached; error() says why
    };

    // `folder`: the application-support folder of the user's home.
    explicit SingleInstance(const QString& folder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Becomes the one program of the folder, or hands `files` (paths, made
    // absolute here) to the one running. Waits a few seconds at most for a
    // program that has just started to appear on the bus.
    Claim claim(const QStringList& files);

    QString error() const { return error_; }
    // The process that holds the lock, after AlreadyRunning (0: unknown).
    qint64 runningProcessId() const { return runningProcessId_; }
    QString lockFilePath() const;
    // Whether the first program answers on the session bus.
    bool isOnBus() const { return onBus_; }

    // The bus name of the program of `folder`: a home has its own, so that
    // programs of other homes on one bus never take each other's files.
    static QString serviceNameFor(const QString& folder);
    static QString objectPath();

    // The local files among `uris` (file URIs or plain absolute paths).
    static QStringList pathsOfUris(const QStringList& uris);

Q_SIGNALS:
    // Files opened with the program while it runs, in the order given.
    void filesOpened(const QStringList& paths);
    // A start without files: the window should come to the front.
    void activationRequested();

private:
    void registerOnBus();
    bool handOver(const QStringList& files);

    QString folder_;
    std::unique_ptr<QLockFile> lock_;
    QString error_;
    qint64 runningProcessId_ = 0;
    bool onBus_ = false;
};
