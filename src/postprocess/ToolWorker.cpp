#include "postprocess/ToolWorker.h"

#include "core/Logger.h"
#include "platform/Dispatch.h"
#include "platform/NotificationHub.h"
#include "queue/Queue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <exception>
#include <sys/types.h>
#include <unistd.h>

namespace {

// How long one wait for output lasts: the longest a cancellation waits.
constexpr int kPollMs = 200;
// How long a tool may take to end after SIGTERM before it gets SIGKILL.
constexpr qint64 kTermGraceMs = 3000;

} // namespace

ToolWorker::ToolWorker(QString toolDisplayName) : toolDisplayName_(std::move(toolDisplayName))
{}

ToolWorker::~ToolWorker()
{
    if (terminateObserver_) NotificationHub::defaultCenter().removeObserver(terminateObserver_);
}

void ToolWorker::setFileRepairExtractController(FileRepairExtractDelegate* controller)
{
    controller_ = FileRepairExtractDelegateRef(controller);
}

void ToolWorker::setQueue(const QueuePtr& queue)
{
    QMutexLocker locker(&lock_);
    queue_ = queue;
}

QueuePtr ToolWorker::queue() const
{
    QMutexLocker locker(&lock_);
    return queue_.lock();
}

QString ToolWorker::resultString() const
{
    QMutexLocker locker(&lock_);
    return resultString_;
}

QString ToolWorker::completeOutput() const
{
    QMutexLocker locker(&lock_);
    return completeOutput_;
}

QString ToolWorker::jobTitle() const
{
    const QueuePtr q = queue();
    return q ? q->title() : QString();
}

double ToolWorker::elapsedSeconds() const
{
    return startTime_.isValid() ? double(startTime_.nsecsElapsed()) / 1e9 : 0.0;
}

void ToolWorker::start()
{
    if (started_.exchange(true)) return;
    // Observed from the start of the run until the worker is released.
    std::weak_ptr<ToolWorker> weak = weak_from_this();
    terminateObserver_ = NotificationHub::defaultCenter().addObserver(
        QStringLiteral("ApplicationWillTerminate"), QCoreApplication::instance(),
        [weak](const Notification&) {
            if (const std::shared_ptr<ToolWorker> self = weak.lock()) self->applicationWillTerminate();
        });
    startTime_.start();
    std::shared_ptr<ToolWorker> self = shared_from_this();
    QThread* thread = QThread::create([self] { self->main(); });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

void ToolWorker::applicationWillTerminate()
{
    BLOG(2, "Termination notification received (%@)", jobTitle());
    isCancelled_.store(true);
}

void ToolWorker::cancelTask()
{
    onCancel();
    if (cancelRequested_.exchange(true)) return;
    BLOG(2, "Task cancelled :: %@", jobTitle());
    // The tool itself is ended by the thread that runs it, at its next look
    // at the flags (within kPollMs).
}

void ToolWorker::comment(const QString& text)
{
    {
        QMutexLocker locker(&lock_);
        resultString_ = text;
    }
    // From the main thread (progress chunks) at once, so that comments reach
    // the runner in the order they were made.
    if (Dispatch::isMainThread()) {
        if (FileRepairExtractDelegate* c = controller_.get()) c->sendComment(text);
        return;
    }
    onMain([text](ToolWorker& self) {
        if (FileRepairExtractDelegate* c = self.controller_.get()) c->sendComment(text);
    });
}

void ToolWorker::setResultString(const QString& text)
{
    QMutexLocker locker(&lock_);
    resultString_ = text;
}

void ToolWorker::diskNOK()
{
    if (const QueuePtr q = queue()) {
        onMainAndWait([q] {
            q->setDiskNotReady(true);
            q->setIsPaused(true);
        });
    }
    cancelTask();
}

void ToolWorker::onMain(std::function<void(ToolWorker& self)> fn)
{
    std::shared_ptr<ToolWorker> self = shared_from_this();
    Dispatch::onMain([self, fn = std::move(fn)] { fn(*self); });
}

void ToolWorker::onMainAndWait(const std::function<void()>& fn)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || Dispatch::isMainThread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(app, fn, Qt::BlockingQueuedConnection);
}

void ToolWorker::main()
{
    try {
        {
            QMutexLocker locker(&lock_);
            completeOutput_.clear();
        }
        switch (prepare()) {
        case Start::ReportNowAndWait:
            finish(true);
            return;
        case Start::ReportNow:
            finish(false);
            return;
        case Start::Run:
            break;
        }
        runTool();
        terminateTask();
    } catch (const std::exception& e) {
        BLOG(3, "%@", QString::fromLocal8Bit(e.what()));
    } catch (...) {
        BLOG(3, "%@", QStringLiteral("Unknown failure in the tool thread."));
    }
    if (!finishPosted_.load()) {
        setResult(false);
        finish(false);
    }
}

bool ToolWorker::shouldEndTool() const
{
    if (cancelRequested_.load() || isCancelled_.load()) return true;
    const QueuePtr q = queue();
    return !q || q->isCancelled() || q->isPaused();
}

void ToolWorker::handleChunk(const QByteArray& bytes)
{
    if (bytes.isEmpty()) return;
    // Tools print file names in whatever encoding; every byte is kept (as
    // Latin-1) so that nothing is lost and the ASCII patterns still match.
    const QString chunk = QString::fromLatin1(bytes);
    {
        QMutexLocker locker(&lock_);
        completeOutput_ += chunk;
    }
    onMain([chunk](ToolWorker& self) { self.updatePercentage(chunk); });
}

void ToolWorker::runTool()
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    if (launch_.ownEnvironment) process.setProcessEnvironment(launch_.environment);
    if (!launch_.workingDirectory.isEmpty()) process.setWorkingDirectory(launch_.workingDirectory);
    // A group of its own, so that ending the tool also ends whatever it
    // started (a shell's children keep the pipe open otherwise).
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    if (launch_.program.isEmpty()) {
        BLOG(2, "%@",
             sformat(u"%@ was not found in %@ nor on PATH.", toolDisplayName_, QStringLiteral("helpers")));
        return;
    }
    process.start(launch_.program, launch_.arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(30000)) {
        BLOG(2, "%@", process.errorString());
        return;
    }
    const qint64 pid = process.processId();
    QElapsedTimer sinceTerm;
    for (;;) {
        const bool ready = process.waitForReadyRead(kPollMs);
        handleChunk(process.readAll());
        if (!ready && process.state() == QProcess::NotRunning) break;
        if (shouldEndTool()) {
            if (!cancelRequested_.load()) cancelTask();
            if (!sinceTerm.isValid()) {
                ::kill(pid_t(-pid), SIGTERM);
                sinceTerm.start();
            } else if (sinceTerm.elapsed() > kTermGraceMs) {
                ::kill(pid_t(-pid), SIGKILL);
            }
        }
    }
    process.waitForFinished(kPollMs);
    handleChunk(process.readAll());
    // Nothing the tool started may outlive the run.
    if (sinceTerm.isValid()) ::kill(pid_t(-pid), SIGKILL);
}

void ToolWorker::terminateTask()
{
    handleFinalResult();
    afterResult();
    finish(false);
}

void ToolWorker::finish(bool wait)
{
    if (finishPosted_.exchange(true)) return;
    std::shared_ptr<ToolWorker> self = shared_from_this();
    auto fn = [self] {
        self->logResult();
        if (FileRepairExtractDelegate* c = self->controller_.get()) self->report(*c);
    };
    if (wait)
        onMainAndWait(fn);
    else
        Dispatch::onMain(fn);
}
