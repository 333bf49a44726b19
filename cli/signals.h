#pragma once

#include <QTimer>

#include <functional>
#include <memory>

// What tells the program to stop, and a reader of stdout that has gone away.

namespace tapwright::cli {

/// While it lives, a closed stdout (its reader gone, as with `| head`) does not
/// kill the program, and the first write that finds it closed, or the system
/// (a look every moment where it cannot tell) finding nobody reading any more,
/// calls `onClosed` once. From then on printOut() writes to stderr.
class ClosedStdoutWatch
{
public:
    explicit ClosedStdoutWatch(std::function<void()> onClosed);
    ~ClosedStdoutWatch();
    ClosedStdoutWatch(const ClosedStdoutWatch &) = delete;
    ClosedStdoutWatch &operator=(const ClosedStdoutWatch &) = delete;

private:
    /// Looks every moment whether stdout's reader has gone; where writes
    /// alone cannot tell (a pipe whose reader left while we wait).
    void lookEveryMoment();

    struct Platform;
    std::unique_ptr<Platform> platform_;
    QTimer look_;
};

/// Turns SIGINT, SIGTERM and SIGHUP (a closed terminal) into calls on the
/// event loop while it lives and puts the previous handlers back afterwards;
/// on Windows the console's Ctrl-C, Ctrl-Break and close count the same.
/// `onSignal` gets the number of signals so far: the first can ask politely,
/// the second insist. One lives at a time.
class StopSignals
{
public:
    explicit StopSignals(std::function<void(int count)> onSignal);
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    bool isValid() const { return installed_; }
    /// errno of a failed set-up (the system's error code on Windows).
    int error() const { return error_; }

    /// Counts as the first signal, unless one came already: a stop for a
    /// reason of our own must not turn a Ctrl-C into the second one.
    void stopOnce()
    {
        if (count_ == 0)
            onSignal_(++count_);
    }

    /// Also catches Ctrl-Z (SIGTSTP) and SIGCONT: on Ctrl-Z `onSuspend` runs
    /// and then the process stops; `onContinue` runs whenever it goes on
    /// again, after `fg` or `bg` (or a SIGCONT from anyone). Windows has no
    /// such job control: there it does nothing.
    void catchJobControl(std::function<void()> onSuspend, std::function<void()> onContinue);

private:
    /// A signal (or console event) that has reached the event loop.
    void handle(int signal);

    struct Platform;
    std::unique_ptr<Platform> platform_;
    bool installed_ = false;
    bool jobControl_ = false;
    int error_ = 0;
    int count_ = 0;
    std::function<void(int)> onSignal_;
    std::function<void()> onSuspend_;
    std::function<void()> onContinue_;
};

} // namespace tapwright::cli
