#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the signals that ask a desktop program to end (SIGTERM at log-out or
// shut-down, SIGINT, SIGHUP) into a Qt signal on the main thread, so that
// they take the same quit path as closing the window instead of killing the
// process with the queue unsaved. The handler only writes one byte to a pipe;
// everything else happens in the event loop. One instance per process.
class TerminationSignal : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignal(QObject* parent = nullptr);
    ~TerminationSignal() override;

    // Whether the handlers are installed (false when the pipe could not be
    // made or another instance exists).
    bool isInstalled() const { return notifier_ != nullptr; }

Q_SIGNALS:
    // The number of the signal received.
    void terminationRequested(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* notifier_ = nullptr;
};
