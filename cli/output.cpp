#include "cli/output.h"

#include "cli/commands.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <utility>

namespace tapwright::cli {

namespace {

// Text that stops arriving for this long is shown without waiting for a key
// to end its line.
constexpr int IdleMs = 300;

// How often a watched stdout is looked at while nothing is printed (a long
// SLEEP): a reader that went away then still ends the run soon.
constexpr int StdoutLookMs = 200;

/// Writes `size` bytes to `fd`; returns how many went out before an error
/// (errno tells which).
qsizetype writeAll(int fd, const char *data, qsizetype size)
{
    qsizetype done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, std::size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

bool stdoutClosed = false;
std::function<void()> onStdoutClosed;

/// Everything printOut() writes goes to stderr from now on.
void markStdoutClosed()
{
    if (stdoutClosed)
        return;
    stdoutClosed = true;
    if (onStdoutClosed)
        onStdoutClosed();
}

std::function<void()> beforePrint;
std::function<void()> afterPrint;

int signalPipe[2] = {-1, -1};

extern "C" void onCaughtSignal(int signal)
{
    const int saved = errno;
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

void printOut(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    if (beforePrint)
        beforePrint();
    qsizetype done = 0;
    if (!stdoutClosed) {
        done = writeAll(STDOUT_FILENO, bytes.constData(), bytes.size());
        // EPIPE: the reader of a pipe has gone; EIO: a terminal hung up.
        if (done == bytes.size() || (errno != EPIPE && errno != EIO)) {
            if (afterPrint)
                afterPrint();
            return;
        }
        markStdoutClosed();
    }
    // A pipe takes a short line whole or not at all, so nothing is doubled.
    writeAll(STDERR_FILENO, bytes.constData() + done, bytes.size() - done);
}

void printErr(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    // stderr is most often the same terminal.
    if (beforePrint)
        beforePrint();
    writeAll(STDERR_FILENO, bytes.constData(), bytes.size());
    if (afterPrint)
        afterPrint();
}

bool stdoutIsClosed()
{
    return stdoutClosed;
}

void stdoutFoundClosed()
{
    markStdoutClosed();
}

void setPrintHooks(std::function<void()> before, std::function<void()> after)
{
    beforePrint = std::move(before);
    afterPrint = std::move(after);
}

ClosedStdoutWatch::ClosedStdoutWatch(std::function<void()> onClosed)
{
    onStdoutClosed = std::move(onClosed);
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, &oldPipe_);
    look_.setInterval(StdoutLookMs);
    QObject::connect(&look_, &QTimer::timeout, [this] {
        // The write end of a pipe whose reader has gone polls as an error.
        pollfd out = {STDOUT_FILENO, 0, 0};
        if (::poll(&out, 1, 0) == 1 && (out.revents & POLLERR)) {
            look_.stop();
            markStdoutClosed();
        }
    });
    look_.start();
}

ClosedStdoutWatch::~ClosedStdoutWatch()
{
    look_.stop();
    onStdoutClosed = nullptr;
    ::sigaction(SIGPIPE, &oldPipe_, nullptr);
}

int usageError(const QString &message)
{
    printErr(QStringLiteral("tapwright-cli: %1\nTry 'tapwright-cli --help'.\n").arg(message));
    return ExitUsage;
}

int failure(const QString &message)
{
    printErr(QStringLiteral("tapwright-cli: %1\n").arg(message));
    return ExitFailure;
}

DeviceLines::DeviceLines(QString prefix) : prefix_(std::move(prefix))
{
    idle_.setSingleShot(true);
    idle_.setInterval(IdleMs);
    connect(&idle_, &QTimer::timeout, this, [this] {
        if (onIdle)
            onIdle();
        flush();
    });
}

DeviceLines::~DeviceLines()
{
    flush();
}

void DeviceLines::add(const QStringList &pieces)
{
    for (const QString &piece : pieces) {
        line_ += piece;
        // Every character piece is one code unit (or a half-width pair), so a
        // longer piece in brackets is a key or noise, not the character "[".
        if (piece.size() > 2 &&
            (piece.startsWith(QLatin1Char('[')) || piece.startsWith(QLatin1Char('<'))))
            flush();
    }
    idle_.start();
}

void DeviceLines::flush()
{
    if (line_.isEmpty())
        return;
    // Taken first: printing can find stdout closed and stop the run, which
    // flushes again.
    const QString line = std::exchange(line_, QString());
    printOut(prefix_ + line + QLatin1Char('\n'));
}

StopSignals::StopSignals(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal))
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        error_ = errno;
        return;
    }
    struct sigaction action = {};
    action.sa_handler = onCaughtSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &oldInt_);
    ::sigaction(SIGTERM, &action, &oldTerm_);
    ::sigaction(SIGHUP, &action, &oldHup_);
    // Started to outlive its terminal (nohup): the hangup stays ignored.
    if (oldHup_.sa_handler == SIG_IGN)
        ::sigaction(SIGHUP, &oldHup_, nullptr);
    installed_ = true;
    notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] {
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

void StopSignals::stopOnce()
{
    if (count_ == 0)
        onSignal_(++count_);
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
    ::sigaction(SIGTSTP, &action, &oldTstp_);
    ::sigaction(SIGCONT, &action, &oldCont_);
    jobControl_ = true;
}

StopSignals::~StopSignals()
{
    notifier_.reset();
    if (jobControl_) {
        ::sigaction(SIGTSTP, &oldTstp_, nullptr);
        ::sigaction(SIGCONT, &oldCont_, nullptr);
    }
    if (installed_) {
        ::sigaction(SIGINT, &oldInt_, nullptr);
        ::sigaction(SIGTERM, &oldTerm_, nullptr);
        ::sigaction(SIGHUP, &oldHup_, nullptr);
    }
    for (int &fd : signalPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

} // namespace tapwright::cli
