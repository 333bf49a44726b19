#include "cli/output.h"

#include "cli/commands.h"
#include "cli/output_sys.h"
#include "text/textsender.h"

#include <QCoreApplication>

#include <utility>

namespace tapwright::cli {

namespace {

// Text that stops arriving for this long is shown without waiting for a key
// to end its line.
constexpr int IdleMs = 300;

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

/// The text as it may reach the terminal. Much of what is printed quotes the
/// user's files (step lines, addresses, warnings): every control character
/// in it but the line breaks is shown by its code, so that a file can never
/// retitle, clear or recolour the terminal.
QByteArray terminalBytes(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines)
        line = visibleText(line);
    return lines.join(QLatin1Char('\n')).toUtf8();
}

} // namespace

void printOut(const QString &text)
{
    const QByteArray bytes = terminalBytes(text);
    if (beforePrint)
        beforePrint();
    qsizetype done = 0;
    bool closed = false;
    if (!stdoutClosed) {
        done = writeStd(StdStream::Out, bytes, closed);
        if (!closed) {
            if (afterPrint)
                afterPrint();
            return;
        }
        markStdoutClosed();
    }
    // A pipe takes a short line whole or not at all, so nothing is doubled.
    writeStd(StdStream::Err, bytes.mid(done), closed);
}

void printErr(const QString &text)
{
    const QByteArray bytes = terminalBytes(text);
    // stderr is most often the same terminal.
    if (beforePrint)
        beforePrint();
    bool closed = false;
    writeStd(StdStream::Err, bytes, closed);
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

void setStdoutClosedCallback(std::function<void()> onClosed)
{
    onStdoutClosed = std::move(onClosed);
}

void setPrintHooks(std::function<void()> before, std::function<void()> after)
{
    beforePrint = std::move(before);
    afterPrint = std::move(after);
}

int usageError(const QString &message)
{
    printErr(QStringLiteral("tapwright-cli: %1\n").arg(message) +
             QCoreApplication::translate("tapwright-cli", "Try 'tapwright-cli --help'.") +
             QLatin1Char('\n'));
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

void DeviceLines::add(const DevicePieces &pieces)
{
    for (const DevicePiece &piece : pieces) {
        line_ += piece.text;
        if (piece.endsLine())
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

} // namespace tapwright::cli
