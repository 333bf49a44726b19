#include "cli/terminal.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace tapwright::cli {

struct TerminalKeys::Saved
{
    termios settings = {};
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

int stdoutColumns()
{
    winsize size = {};
    // A pseudo-terminal nobody has sized says 0.
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

TerminalKeys::TerminalKeys(std::function<void(char)> onKey)
    : saved_(std::make_unique<Saved>()), onKey_(std::move(onKey))
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
    if (!terminal_)
        return;
    // A terminal that is not our controlling one has no foreground for us.
    const pid_t foreground = ::tcgetpgrp(STDIN_FILENO);
    if (foreground != -1 && foreground != ::getpgrp()) {
        if (notifier_)
            notifier_->setEnabled(false); // a read would stop us
        if (!foregroundLook_) {
            foregroundLook_ = std::make_unique<QTimer>();
            foregroundLook_->setInterval(ForegroundLookMs);
            QObject::connect(foregroundLook_.get(), &QTimer::timeout, foregroundLook_.get(),
                             [this] { takeOver(); });
        }
        foregroundLook_->start();
        return;
    }
    if (foregroundLook_)
        foregroundLook_->stop();
    // The settings to give back are the terminal's as it stands now: the
    // user may have changed them while we were stopped.
    if (!held_ && ::tcgetattr(STDIN_FILENO, &saved_->settings) != 0)
        return;
    termios keys = saved_->settings;
    keys.c_lflag &= ~tcflag_t(ICANON | ECHO);
    keys.c_cc[VMIN] = 1;
    keys.c_cc[VTIME] = 0;
    setTerminal(keys);
    held_ = true;
    if (!notifier_) {
        notifier_ = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                         [this] { readKeys(); });
    }
    notifier_->setEnabled(true);
}

void TerminalKeys::release()
{
    if (foregroundLook_)
        foregroundLook_->stop();
    if (notifier_)
        notifier_->setEnabled(false);
    if (!held_)
        return;
    held_ = false;
    setTerminal(saved_->settings);
}

void TerminalKeys::readKeys()
{
    char keys[64];
    const ssize_t n = ::read(STDIN_FILENO, keys, sizeof keys);
    if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
        // The terminal has gone (hung up): nothing more will come.
        notifier_->setEnabled(false);
        return;
    }
    for (ssize_t i = 0; i < n; ++i)
        onKey_(keys[i]);
}

} // namespace tapwright::cli
