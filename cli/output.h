#pragma once

#include "device/framedecoder.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

namespace tapwright::cli {

/// Writes UTF-8 text and flushes at once: whoever reads us (a pipe, a test)
/// must see each line as it is made. Once stdout has been found closed,
/// printOut() writes to stderr instead.
void printOut(const QString &text);
void printErr(const QString &text);

/// The standard stream a raw write goes to.
enum class StdStream
{
    Out,
    Err
};
/// Writes UTF-8 `bytes` straight to stdout or stderr, without the print hooks
/// and without moving to stderr; returns how many bytes went out. `closed`
/// tells whether the stream was found closed on the way (its reader gone, or
/// its terminal hung up).
qsizetype writeStd(StdStream stream, const QByteArray &bytes, bool &closed);

/// While it lives, a closed stdout (its reader gone, as with `| head`) does not
/// kill the program, and the first write that finds it closed, or a look every
/// moment that finds nobody reading any more, calls `onClosed` once. From then
/// on printOut() writes to stderr.
class ClosedStdoutWatch
{
public:
    explicit ClosedStdoutWatch(std::function<void()> onClosed);
    ~ClosedStdoutWatch();
    ClosedStdoutWatch(const ClosedStdoutWatch &) = delete;
    ClosedStdoutWatch &operator=(const ClosedStdoutWatch &) = delete;

private:
    struct Platform;
    std::unique_ptr<Platform> platform_;
    QTimer look_;
};

/// Whether printOut() has found stdout closed and writes to stderr now.
bool stdoutIsClosed();
/// stdout was found closed by another writer: printOut() takes it as its own
/// finding.
void stdoutFoundClosed();
/// What printOut() and printErr() call before and after they write, while
/// set (a status line clears itself and comes back). Empty ones for none.
void setPrintHooks(std::function<void()> before, std::function<void()> after);

/// "tapwright-cli: message" and the --help hint on stderr; returns ExitUsage.
int usageError(const QString &message);
/// "tapwright-cli: message" on stderr; returns ExitFailure.
int failure(const QString &message);

/// Gathers what the device enters into lines: a key or a run of noise ends a
/// line, and characters that sit for a moment are shown as they are.
class DeviceLines : public QObject
{
    Q_OBJECT
public:
    explicit DeviceLines(QString prefix = QString());
    ~DeviceLines() override;

    void add(const tapwright::DevicePieces &pieces);
    /// Prints the line being gathered, if any.
    void flush();
    /// Called when text has sat for a moment, before it is printed (the
    /// monitor flushes its decoder here).
    std::function<void()> onIdle;

private:
    QString prefix_;
    QString line_;
    QTimer idle_;
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
    void stopOnce();

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
