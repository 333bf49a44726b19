#include "cli/signals.h"

#include "cli/output.h"
#include "cli/output_sys.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tapwright::cli {

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void onCaughtSignal(int signal)
{
    const int saved = errno;
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

struct ClosedStdoutWatch::Platform
{
    struct sigaction oldPipe = {};
    /// Wakes us when stdout is a pipe whose reader has gone.
    std::unique_ptr<QSocketNotifier> readerGone;
};

namespace {

/// Whether stdout is the write end of a pipe: polled for reading, it is
/// ready only when an error comes, and its reader going is one.
bool stdoutIsPipe()
{
    struct stat info = {};
    const int flags = ::fcntl(STDOUT_FILENO, F_GETFL);
    return ::fstat(STDOUT_FILENO, &info) == 0 && S_ISFIFO(info.st_mode) && flags >= 0 &&
           (flags & O_ACCMODE) == O_WRONLY;
}

} // namespace

ClosedStdoutWatch::ClosedStdoutWatch(std::function<void()> onClosed)
    : platform_(std::make_unique<Platform>())
{
    setStdoutClosedCallback(std::move(onClosed));
    // SIGPIPE would end us at the first write after the reader has gone;
    // ignored, that write fails with EPIPE instead.
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, &platform_->oldPipe);
    if (!stdoutIsPipe()) {
        lookEveryMoment();
        return;
    }
    // Told at once, where a look every moment would let the run send on for
    // that moment after nobody reads any more.
    platform_->readerGone = std::make_unique<QSocketNotifier>(STDOUT_FILENO, QSocketNotifier::Read);
    QSocketNotifier *notifier = platform_->readerGone.get();
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [this, notifier] {
        notifier->setEnabled(false);
        if (stdoutReaderGone())
            stdoutFoundClosed();
        else
            lookEveryMoment(); // woken for something else: it could wake us for ever
    });
}

ClosedStdoutWatch::~ClosedStdoutWatch()
{
    look_.stop();
    platform_->readerGone.reset();
    setStdoutClosedCallback(nullptr);
    ::sigaction(SIGPIPE, &platform_->oldPipe, nullptr);
}

struct StopSignals::Platform
{
    struct sigaction oldInt = {};
    struct sigaction oldTerm = {};
    struct sigaction oldHup = {};
    struct sigaction oldTstp = {};
    struct sigaction oldCont = {};
    std::unique_ptr<QSocketNotifier> notifier;
};

StopSignals::StopSignals(std::function<void(int)> onSignal)
    : platform_(std::make_unique<Platform>()), onSignal_(std::move(onSignal))
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        error_ = errno;
        return;
    }
    struct sigaction action = {};
    action.sa_handler = onCaughtSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &platform_->oldInt);
    ::sigaction(SIGTERM, &action, &platform_->oldTerm);
    ::sigaction(SIGHUP, &action, &platform_->oldHup);
    // Started to outlive its terminal (nohup): the hangup stays ignored.
    if (platform_->oldHup.sa_handler == SIG_IGN)
        ::sigaction(SIGHUP, &platform_->oldHup, nullptr);
    installed_ = true;
    platform_->notifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QSocketNotifier *notifier = platform_->notifier.get();
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [this] {
        char byte;
        while (::read(signalPipe[0], &byte, 1) == 1)
            handle(byte);
    });
}

void StopSignals::handle(int signal)
{
    if (signal == SIGTSTP) {
        if (onSuspend_)
            onSuspend_();
        // SIGTSTP itself is ours now; this stop cannot be caught.
        ::raise(SIGSTOP);
    } else if (signal == SIGCONT) {
        if (onContinue_)
            onContinue_();
    } else {
        onSignal_(++count_);
    }
}

void StopSignals::catchJobControl(std::function<void()> onSuspend, std::function<void()> onContinue)
{
    if (!installed_ || jobControl_)
        return;
    onSuspend_ = std::move(onSuspend);
    onContinue_ = std::move(onContinue);
    struct sigaction action = {};
    action.sa_handler = onCaughtSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTSTP, &action, &platform_->oldTstp);
    ::sigaction(SIGCONT, &action, &platform_->oldCont);
    jobControl_ = true;
}

StopSignals::~StopSignals()
{
    platform_->notifier.reset();
    if (jobControl_) {
        ::sigaction(SIGTSTP, &platform_->oldTstp, nullptr);
        ::sigaction(SIGCONT, &platform_->oldCont, nullptr);
    }
    if (installed_) {
        ::sigaction(SIGINT, &platform_->oldInt, nullptr);
        ::sigaction(SIGTERM, &platform_->oldTerm, nullptr);
        ::sigaction(SIGHUP, &platform_->oldHup, nullptr);
    }
    for (int &fd : signalPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

} // namespace tapwright::cli
