#include "cli/terminal.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace tapwright::cli {

struct TerminalKeys::Platform
{
    termios settings = {};
    std::unique_ptr<QSocketNotifier> notifier;
    std::unique_ptr<QTimer> foregroundLook;
};

namespace {

// How often a run in the background looks whether it is in the foreground.
constexpr int ForegroundLookMs = 250;

/// Sets the terminal even from the background (a SIGHUP or SIGCONT path),
/// where SIGTTOU would otherwise stop us before the settings are back.
void setTerminal(const termios &settings)
{
    sigset_t ttou, old;
    sigemptyset(&ttou);
    sigaddset(&ttou, SIGTTOU);
    ::pthread_sigmask(SIG_BLOCK, &ttou, &old);
    while (::tcsetattr(STDIN_FILENO, TCSANOW, &settings) != 0 && errno == EINTR) {
    }
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

} // namespace

bool stdoutIsTerminal()
{
    return ::isatty(STDOUT_FILENO) == 1;
}

void ringBell()
{
    for (const int fd : {STDOUT_FILENO, STDERR_FILENO}) {
        if (::isatty(fd) == 1) {
            [[maybe_unused]] const ssize_t n = ::write(fd, "\a", 1);
            return;
        }
    }
}

int stdoutColumns()
{
    winsize size = {};
    // A pseudo-terminal nobody has sized says 0.
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

QByteArray clearLineSequence()
{
    return QByteArrayLiteral("\r\033[K");
}

QByteArray lineUpSequence()
{
    return QByteArrayLiteral("\033[A");
}

TerminalKeys::TerminalKeys(std::function<void(char)> onKey)
    : platform_(std::make_unique<Platform>()), onKey_(std::move(onKey))
{
    terminal_ = ::isatty(STDIN_FILENO) == 1;
    takeOver();
}

TerminalKeys::~TerminalKeys()
{
    release();
}

void TerminalKeys::takeOver()
{
    Platform &p = *platform_;
    if (!terminal_)
        return;
    // A terminal that is not our controlling one has no foreground for us.
    const pid_t foreground = ::tcgetpgrp(STDIN_FILENO);
    if (foreground != -1 && foreground != ::getpgrp()) {
        if (p.notifier)
            p.notifier->setEnabled(false); // a read would stop us
        if (!p.foregroundLook) {
            p.foregroundLook = std::make_unique<QTimer>();
            p.foregroundLook->setInterval(ForegroundLookMs);
            QObject::connect(p.foregroundLook.get(), &QTimer::timeout, p.foregroundLook.get(),
                             [this] { takeOver(); });
        }
        p.foregroundLook->start();
        return;
    }
    if (p.foregroundLook)
        p.foregroundLook->stop();
    // The settings to give back are the terminal's as it stands now: the
    // user may have changed them while we were stopped.
    if (!held_ && ::tcgetattr(STDIN_FILENO, &p.settings) != 0)
        return;
    termios keys = p.settings;
    keys.c_lflag &= ~tcflag_t(ICANON | ECHO);
    keys.c_cc[VMIN] = 1;
    keys.c_cc[VTIME] = 0;
    setTerminal(keys);
    held_ = true;
    if (!p.notifier) {
        p.notifier = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(p.notifier.get(), &QSocketNotifier::activated, p.notifier.get(),
                         [this] { readKeys(); });
    }
    p.notifier->setEnabled(true);
}

void TerminalKeys::release()
{
    Platform &p = *platform_;
    if (p.foregroundLook)
        p.foregroundLook->stop();
    if (p.notifier)
        p.notifier->setEnabled(false);
    if (!held_)
        return;
    held_ = false;
    setTerminal(p.settings);
}

void TerminalKeys::readKeys()
{
    Platform &p = *platform_;
    char keys[64];
    const ssize_t n = ::read(STDIN_FILENO, keys, sizeof keys);
    if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
        // The terminal has gone (hung up): nothing more will come.
        p.notifier->setEnabled(false);
        return;
    }
    for (ssize_t i = 0; i < n; ++i)
        onKey_(keys[i]);
}

} // namespace tapwright::cli
