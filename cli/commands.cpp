#include "cli/commands.h"

#include "cli/check.h"
#include "cli/monitor.h"
#include "cli/output.h"
#include "cli/statusline.h"
#include "cli/terminal.h"
#include "device/virtuallink.h"
#include "link/keytable.h"
#include "link/seriallink.h"
#include "macro/checker.h"
#include "macro/runner.h"
#include "text/textsender.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <memory>
#include <optional>

namespace tapwright::cli {

namespace {

const char *const HelpText = R"(usage: tapwright-cli COMMAND [OPTIONS] ARGUMENTS

Drives the key-press injector on a serial port (600 baud, 8E1, write-only).

Commands:
  key  --port PORT NAME...   press keys by their macro names (UP, &ENTER, F12,
                             5, #, ...); case does not matter
  type --port PORT TEXT      type TEXT (UTF-8) character by character; characters
                             the device cannot enter are skipped and listed
  run  --port PORT [--addr FILE] [--counter N] [--fast] MACRO
                             run a macro file pass after pass; GETSTR takes the
                             next line of FILE, skipping the first N lines (the
                             pass counter, default 0); Ctrl-C stops the run and
                             prints the pass counter to continue from; on a
                             terminal, p or space pauses the run and goes on,
                             Ctrl-Z pauses it until fg, and a status line at
                             the bottom shows the pass, the address, the time
                             taken and the time to go
  check [--addr FILE] [--counter N] MACRO
                             read both files as a run would, report what the
                             run would stumble on (FILE:LINE: error|warning:
                             ...) and estimate how long it takes; sends
                             nothing; exit status 1 when there are errors
  monitor [PORT]             show what arrives on PORT, decoded; without PORT,
                             create a virtual terminal (a pseudo-terminal) and
                             print its path, for any program to send to
  help                       show this text

PORT is a number n for the system's serial port n (1 is /dev/ttyS0 on Linux,
COM1 on Windows), a device name or path (/dev/ttyUSB0, /dev/serial/by-id/...,
/dev/pts/4), or "virtual": a terminal inside this program that prints what the
device would enter, at the pace of the real line (add --fast to drop the
pacing). There is no default port.

A run hands the port no more frames than the line can carry (about 147 ms a
frame at 600 baud), so that the steps, addresses and pass counter it prints
are what the device has received; --fast drops that pacing on any port, for a
device with a buffer of its own.

Every command returns only after every frame has left the port.
Exit status: 0 done (for run also: stopped, or the address list is done),
1 the port or a file failed, 2 the command line was wrong (nothing was sent).
)";

struct Options
{
    std::optional<QString> port;
    std::optional<QString> addr;
    std::optional<QString> counter;
    bool fast = false;
    QStringList positional;
};

std::optional<QString> *valueOption(const QString &arg, Options &options)
{
    const QString name = arg.section(QLatin1Char('='), 0, 0);
    if (name == QLatin1String("--port"))
        return &options.port;
    if (name == QLatin1String("--addr"))
        return &options.addr;
    if (name == QLatin1String("--counter"))
        return &options.counter;
    return nullptr;
}

/// Splits the options (`--port PORT` or `--port=PORT`, ...) from the
/// positional arguments of `command`, which needs a port. Returns an error
/// message, or an empty string.
QString parseOptions(const QStringList &args, const QString &command, Options &options)
{
    bool onlyPositional = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (onlyPositional) {
            options.positional << arg;
        } else if (arg == QLatin1String("--")) {
            onlyPositional = true;
        } else if (arg == QLatin1String("--fast")) {
            options.fast = true;
        } else if (std::optional<QString> *slot = valueOption(arg, options)) {
            const int eq = arg.indexOf(QLatin1Char('='));
            if (eq >= 0) {
                *slot = arg.mid(eq + 1);
            } else {
                if (i + 1 >= args.size())
                    return QStringLiteral("%1 needs a value").arg(arg);
                *slot = args[++i];
            }
        } else if (arg.startsWith(QLatin1String("--")) && arg.size() > 2) {
            return QStringLiteral("unknown option %1").arg(arg);
        } else {
            options.positional << arg;
        }
    }
    if (!options.port)
        return QStringLiteral("%1 needs --port PORT").arg(command);
    return QString();
}

/// The link a port text names: the virtual terminal, or a serial port.
std::unique_ptr<Link> makeLink(const Options &options, DeviceLines &lines)
{
    if (options.port && options.port->trimmed() == VirtualLink::portName()) {
        auto link = std::make_unique<VirtualLink>();
        link->setPaced(!options.fast);
        QObject::connect(link.get(), &VirtualLink::received, &lines, &DeviceLines::add);
        return link;
    }
    auto link = std::make_unique<SerialLink>();
    link->setPaced(!options.fast);
    return link;
}

/// Opens the link, lets `send` queue frames, and waits until every one of them
/// has left the port.
int sendThrough(const Options &options, const std::function<void(Link &)> &send)
{
    DeviceLines lines(QStringLiteral("device: "));
    const std::unique_ptr<Link> link = makeLink(options, lines);
    std::optional<LinkError> failed;
    QObject::connect(link.get(), &Link::failed, [&failed](const LinkError &e) {
        if (!failed)
            failed = e;
    });
    link->setCommPort(*options.port);
    if (!link->OpenPort()) {
        return failure(describe(link->lastError()));
    }
    send(*link);
    link->ClosePort(Link::CloseMode::Drain);
    lines.flush();
    if (failed) {
        return failure(describe(*failed));
    }
    return ExitOk;
}

int keyCommand(const QStringList &args)
{
    Options options;
    if (const QString problem = parseOptions(args, QStringLiteral("key"), options);
        !problem.isEmpty())
        return usageError(problem);
    if (options.positional.isEmpty())
        return usageError(QStringLiteral("key needs at least one key name"));

    std::vector<KeyCode> codes;
    QStringList unknown;
    for (const QString &word : options.positional) {
        if (const auto code = findKeyName(asciiUpper(word)))
            codes.push_back(*code);
        else
            unknown << QStringLiteral("\"%1\"").arg(word);
    }
    if (!unknown.isEmpty()) {
        return usageError(QStringLiteral("unknown key name%1 %2; nothing was sent")
                              .arg(unknown.size() > 1 ? QStringLiteral("s") : QString(),
                                   unknown.join(QStringLiteral(", "))));
    }
    return sendThrough(options, [&codes](Link &link) {
        for (const KeyCode &code : codes)
            link.SendKey(code.row, code.column, code.table);
    });
}

QString visible(const QString &c)
{
    // Control characters would vanish or wreck the terminal; name them instead.
    if (c.size() == 1 && (c[0].category() == QChar::Other_Control || c[0].isSpace()))
        return QStringLiteral("U+%1").arg(c[0].unicode(), 4, 16, QLatin1Char('0')).toUpper();
    return c;
}

int typeCommand(const QStringList &args)
{
    Options options;
    if (const QString problem = parseOptions(args, QStringLiteral("type"), options);
        !problem.isEmpty())
        return usageError(problem);
    if (options.positional.size() != 1)
        return usageError(QStringLiteral("type needs exactly one TEXT argument (quote it)"));

    const QString text = options.positional.front();
    const Unsendable skipped = unsendableCharacters(text);
    if (!skipped.isEmpty()) {
        QStringList shown;
        for (const QString &c : skipped.characters)
            shown << visible(c);
        const int count = skipped.count;
        printErr(
            QStringLiteral("tapwright-cli: warning: skipped %1 %2 the device cannot enter: %3\n")
                .arg(count)
                .arg(count == 1 ? QStringLiteral("character") : QStringLiteral("characters"))
                .arg(shown.join(QLatin1Char(' '))));
    }
    return sendThrough(options, [&text](Link &link) { SendStr(link, text); });
}

/// The run's clock between two steps: a long SLEEP still counts on, a pause
/// holds it.
class ProgressClock
{
public:
    void set(const RunProgress &progress)
    {
        progress_ = progress;
        heldNs_ = 0;
        since_.start();
    }
    void setPaused(bool paused)
    {
        if (paused == progress_.paused)
            return;
        if (paused)
            heldNs_ += since_.nsecsElapsed();
        else
            since_.start();
        progress_.paused = paused;
    }
    const RunProgress &progress() const { return progress_; }
    qint64 elapsedNs() const { return progress_.elapsedNs + sinceNs(); }
    /// -1 while unknown.
    qint64 remainingNs() const
    {
        return progress_.remainingNs < 0 ? -1
                                         : std::max<qint64>(0, progress_.remainingNs - sinceNs());
    }

private:
    qint64 sinceNs() const
    {
        return progress_.paused || !since_.isValid() ? heldNs_ : heldNs_ + since_.nsecsElapsed();
    }

    RunProgress progress_;
    qint64 heldNs_ = 0;
    QElapsedTimer since_;
};

/// The status line of a run, at most `columns` wide: "pass 2 of 3 · 1 min 5 s
/// · about 1 h 12 min to go · ADDRESS", with "paused" after the pass while it
/// is; the address is what is cut when the line is too long.
QString statusText(const ProgressClock &clock, const QString &address, int columns)
{
    const RunProgress &p = clock.progress();
    const QString dot = QStringLiteral(" \u00b7 ");
    QString text = QStringLiteral("pass %1").arg(p.counter + 1);
    if (p.finalCounter >= 0) {
        // The REPEAT that ends the last pass already counts it.
        text = QStringLiteral("pass %1 of %2")
                   .arg(std::min(p.counter + 1, std::max<qint64>(p.finalCounter, 1)))
                   .arg(p.finalCounter);
    }
    if (p.paused)
        text += dot + QStringLiteral("paused");
    // Cut to tenths, not rounded: the time shown has always gone by.
    text += dot + describeDuration(double(clock.elapsedNs() / 100000000) / 10.0);
    const qint64 remaining = clock.remainingNs();
    text += dot +
            (remaining < 0
                 ? QStringLiteral("\u2014")
                 : QStringLiteral("about %1 to go").arg(describeDuration(double(remaining) / 1e9)));
    if (address.isEmpty())
        return text;
    const int room = columns - displayWidth(text + dot);
    // Too little room for a useful piece of it.
    if (room < 4)
        return text;
    QString shown = address;
    for (QChar &c : shown) {
        // A tab or an escape would move the cursor off the line.
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    }
    return text + dot + cutToWidth(shown, room);
}

/// The command line as the runner's host: every change is a line of output;
/// on a terminal, the status line shows how far the run has come.
class CliHost : public RunnerHost
{
public:
    QString macro;
    QString addr;
    QString port;
    QString counter = QStringLiteral("0");
    DeviceLines *lines = nullptr;
    StatusLine *status = nullptr;
    ProgressClock clock;
    QString address;
    bool running = false;
    bool failed = false;
    /// A stop was asked for: a pause that ends with the run is no resume.
    bool stopping = false;

    QString macroFile() const override { return macro; }
    QString addrFile() const override { return addr; }
    QString portText() const override { return port; }
    QString counterText() const override { return counter; }
    void setCounterText(const QString &text) override
    {
        counter = text;
        say(QStringLiteral("counter ") + text);
    }
    void setStatus(const QString &text) override { say(text); }
    void setAddress(const QString &text) override
    {
        if (running && !text.isEmpty()) {
            address = text;
            say(QStringLiteral("address: ") + text);
        }
    }
    void setRunning(bool on) override { running = on; }
    void report(const RunReport &report) override
    {
        failed = true;
        lines->flush();
        printErr(QStringLiteral("tapwright-cli: ") + describe(report) + QLatin1Char('\n'));
    }
    void warn(const RunReport &warning) override
    {
        lines->flush();
        printErr(describe(warning) + QLatin1Char('\n'));
    }
    void setProgress(const RunProgress &progress) override
    {
        clock.set(progress);
        if (status && status->isActive())
            status->start([this](int columns) { return statusText(clock, address, columns); });
    }
    void setPaused(bool paused) override
    {
        clock.setPaused(paused);
        if (paused)
            say(QStringLiteral("paused (press p or space to go on)"));
        else if (!stopping)
            say(QStringLiteral("resumed"));
    }

private:
    // The device's lines are not cut short by ours: at the pace of the line,
    // a text is still being entered while the next steps run.
    void say(const QString &text) { printOut(text + QLatin1Char('\n')); }
};

int runCommand(const QStringList &args)
{
    Options options;
    if (const QString problem = parseOptions(args, QStringLiteral("run"), options);
        !problem.isEmpty())
        return usageError(problem);
    if (options.positional.size() != 1)
        return usageError(QStringLiteral("run needs exactly one MACRO file"));
    const std::optional<qint32> counter =
        parsePassCounter(options.counter.value_or(QStringLiteral("0")));
    if (!counter) {
        return usageError(QStringLiteral("--counter must be a whole number from %1 to %2, got "
                                         "\"%3\"")
                              .arg(MinPassCounter)
                              .arg(MaxPassCounter)
                              .arg(*options.counter));
    }

    // Made first, gone last: the lines print through it even as they go.
    StatusLine status;
    DeviceLines lines(QStringLiteral("device: "));
    const std::unique_ptr<Link> link = makeLink(options, lines);
    CliHost host;
    host.status = &status;
    host.macro = options.positional.front();
    host.addr = options.addr.value_or(QString());
    host.port = *options.port;
    // The number the run uses, so that the counter it ends with can be given
    // back as it is: "1.5" is pass 2.
    host.counter = QString::number(*counter);
    host.lines = &lines;

    MacroRunner runner(host, *link);
    StopSignals interrupts([&](int count) {
        if (count == 1) {
            lines.flush();
            printErr(QStringLiteral("tapwright-cli: stopping; the frames on the line still go "
                                    "out (press Ctrl-C again to drop the rest)\n"));
            host.stopping = true;
            runner.requestStop();
        } else {
            link->ClosePort(Link::CloseMode::Discard);
        }
    });
    // Nobody reads what the run prints any more: it ends as on SIGTERM, and
    // its last lines, with the counter to go on from, go to stderr.
    const ClosedStdoutWatch closedStdout([&interrupts] {
        printErr(QStringLiteral("tapwright-cli: the standard output is closed; what it would "
                                "show goes to stderr\n"));
        interrupts.stopOnce();
    });

    TerminalKeys keys([&runner](char key) {
        if (key == 'p' || key == 'P' || key == ' ')
            runner.setPaused(!runner.isPaused());
    });
    // Whether Ctrl-Z paused the run, so that fg resumes only that pause and
    // not one the user asked for with p.
    bool suspendedPause = false;
    if (keys.isTerminal()) {
        interrupts.catchJobControl(
            [&] {
                suspendedPause = !runner.isPaused() && runner.isRunning();
                runner.setPaused(true);
                keys.release();
                // The shell's prompt comes on a clean line.
                status.hide();
            },
            [&] {
                keys.takeOver();
                if (suspendedPause)
                    runner.setPaused(false);
                suspendedPause = false;
            });
    }

    const RunEnd end = runner.run();
    lines.flush();
    status.finish();
    QString how;
    switch (end) {
    case RunEnd::EndOfMacro:
        how = QStringLiteral("end of the macro file");
        break;
    case RunEnd::AddressListDone:
        how = QStringLiteral("end of the address file: the list is done");
        break;
    case RunEnd::Stopped:
        how = QStringLiteral("stopped");
        break;
    default:
        how = QStringLiteral("the run ended on an error");
        break;
    }
    printOut(QStringLiteral("%1; pass counter %2\n").arg(how, host.counter));
    return host.failed ? ExitFailure : ExitOk;
}

} // namespace

int run(const QStringList &args)
{
    const int code = [&args]() -> int {
        if (args.isEmpty())
            return usageError(QStringLiteral("no command given"));
        const QString command = args.front();
        const QStringList rest = args.mid(1);
        if (command == QLatin1String("--help") || command == QLatin1String("-h") ||
            command == QLatin1String("help") || rest.contains(QLatin1String("--help"))) {
            printOut(QString::fromUtf8(HelpText));
            return ExitOk;
        }
        if (command == QLatin1String("key"))
            return keyCommand(rest);
        if (command == QLatin1String("type"))
            return typeCommand(rest);
        if (command == QLatin1String("run"))
            return runCommand(rest);
        if (command == QLatin1String("monitor"))
            return monitorCommand(rest);
        if (command == QLatin1String("check"))
            return checkCommand(rest);
        return usageError(QStringLiteral("unknown command \"%1\"").arg(command));
    }();
    return code;
}

} // namespace tapwright::cli
