#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <csignal>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace tapwright::cli {

/// Writes UTF-8 text and flushes at once: whoever reads us (a pipe, a test)
/// must see each line as it is made.
void printOut(const QString &text);
void printErr(const QString &text);

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

    void add(const QStringList &pieces);
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

/// Turns SIGINT and SIGTERM into calls on the event loop while it lives and
/// puts the previous handlers back afterwards. `onSignal` gets the number of
/// signals so far: the first can ask politely, the second insist.
class StopSignals
{
public:
    explicit StopSignals(std::function<void(int count)> onSignal);
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    bool isValid() const { return installed_; }
    /// errno of a failed set-up.
    int error() const { return error_; }

private:
    struct sigaction oldInt_ = {};
    struct sigaction oldTerm_ = {};
    bool installed_ = false;
    int error_ = 0;
    int count_ = 0;
    std::function<void(int)> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace tapwright::cli
