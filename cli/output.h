#pragma once

#include "device/framedecoder.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

namespace tapwright::cli {

/// Writes UTF-8 text and flushes at once: whoever reads us (a pipe, a test)
/// must see each line as it is made. Control characters other than the line
/// breaks are shown by their codes (see visibleText()). Once stdout has been
/// found closed, printOut() writes to stderr instead.
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

} // namespace tapwright::cli
