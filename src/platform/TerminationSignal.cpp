#include "platform/TerminationSignal.h"

#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int pipeFds[2] = {-1, -1};
std::atomic<bool> installed{false};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

void onSignal(int number)
{
    // Only async-signal-safe calls here.
    const unsigned char byte = static_cast<unsigned char>(number);
    const ssize_t ignored = ::write(pipeFds[1], &byte, 1);
    (void)ignored;
}

} // namespace

TerminationSignal::TerminationSignal(QObject* parent) : QObject(parent)
{
    bool expected = false;
    if (!installed.compare_exchange_strong(expected, true)) return;
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        installed = false;
        return;
    }
    notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignal::readPipe);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kSignals)
        ::sigaction(number, &action, nullptr);
}

TerminationSignal::~TerminationSignal()
{
    if (!notifier_) return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int number : kSignals)
        ::sigaction(number, &action, nullptr);
    delete notifier_;
    notifier_ = nullptr;
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    pipeFds[0] = pipeFds[1] = -1;
    installed = false;
}

void TerminationSignal::readPipe()
{
    unsigned char byte = 0;
    while (::read(pipeFds[0], &byte, 1) == 1)
        Q_EMIT terminationRequested(int(byte));
}
