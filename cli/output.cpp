#include "cli/output.h"

#include "cli/commands.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace tapwright::cli {

namespace {

// Text that stops arriving for this long is shown without waiting for a key
// to end its line.
constexpr int IdleMs = 300;

void printTo(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

int signalPipe[2] = {-1, -1};

extern "C" void onStopSignal(int)
{
    const int saved = errno;
    const char byte = 0;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

void printOut(const QString &text)
{
    printTo(stdout, text);
}

void printErr(const QString &text)
{
    printTo(stderr, text);
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
    printOut(prefix_ + line_ + QLatin1Char('\n'));
    line_.clear();
}

StopSignals::StopSignals(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal))
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        error_ = errno;
        return;
    }
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &oldInt_);
    ::sigaction(SIGTERM, &action, &oldTerm_);
    installed_ = true;
    notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] {
        char byte;
        while (::read(signalPipe[0], &byte, 1) == 1)
            onSignal_(++count_);
    });
}

StopSignals::~StopSignals()
{
    notifier_.reset();
    if (installed_) {
        ::sigaction(SIGINT, &oldInt_, nullptr);
        ::sigaction(SIGTERM, &oldTerm_, nullptr);
    }
    for (int &fd : signalPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

} // namespace tapwright::cli
