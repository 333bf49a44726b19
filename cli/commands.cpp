#include "cli/commands.h"

#include "cli/check.h"
#include "cli/commandline.h"
#include "cli/monitor.h"
#include "cli/output.h"
#include "cli/signals.h"
#include "cli/statusline.h"
#include "cli/terminal.h"
#include "device/portlink.h"
#include "link/keytable.h"
#include "macro/checker.h"
#include "macro/journal.h"
#include "macro/messages.h"
#include "macro/multirun.h"
#include "macro/runner.h"
#include "text/textsender.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace tapwright::cli {

namespace {

/// The link to the port of a command line, chosen by PortLink: what the
/// virtual terminal would enter comes out as "device: " lines.
struct CommandLink
{
    explicit CommandLink(const CommandLine &options)
    {
        link.setPaced(!options.fast);
        link.setCommPort(options.port);
        QObject::connect(&link, &PortLink::received, &lines, &DeviceLines::add);
    }
    // Gone after the link: the last lines print as it closes.
    DeviceLines lines{QStringLiteral("device: ")};
    PortLink link;
};

/// Counts the frames handed on to a link.
struct CountingSink : KeySink
{
    explicit CountingSink(Link &to) : link(to) {}
    void SendKey(int row, int column, int table) override
    {
        ++count;
        link.SendKey(row, column, table);
    }
    Link &link;
    qint64 count = 0;
};

/// Opens the link, lets `send` queue frames, and waits until every one of them
/// has left the port. A signal drops the frames still queued, whole, and says
/// how many went out.
int sendThrough(const CommandLine &options, const std::function<void(KeySink &)> &send)
{
    CommandLink port(options);
    PortLink &link = port.link;
    std::optional<LinkError> failed;
    QObject::connect(&link, &Link::failed, [&failed](const LinkError &e) {
        if (!failed)
            failed = e;
    });
    if (!link.OpenPort()) {
        return failure(describe(link.lastError()));
    }
    bool stopped = false;
    StopSignals stop([&](int) {
        stopped = true;
        link.ClosePort(Link::CloseMode::Discard);
    });
    CountingSink queued(link);
    send(queued);
    link.ClosePort(Link::CloseMode::Drain);
    port.lines.flush();
    const int status = failed ? failure(describe(*failed)) : ExitOk;
    if (stopped) {
        return failure(QCoreApplication::translate("tapwright-cli", "stopped: sent %1 of %2 frames "
                                                                    "(one a key or a character)")
                           .arg(link.framesSent())
                           .arg(queued.count));
    }
    return status;
}

int keyCommand(const CommandLine &options)
{
    std::vector<KeyCode> codes;
    QStringList unknown;
    for (const QString &word : options.arguments) {
        if (const auto code = findKeyName(asciiUpper(word)))
            codes.push_back(*code);
        else
            unknown << QStringLiteral("\"%1\"").arg(word);
    }
    if (unknown.size() == 1) {
        return usageError(
            QCoreApplication::translate("tapwright-cli", "unknown key name %1; nothing was sent")
                .arg(unknown.front()));
    }
    if (!unknown.isEmpty()) {
        return usageError(
            QCoreApplication::translate("tapwright-cli", "unknown key names %1; nothing was sent")
                .arg(unknown.join(QStringLiteral(", "))));
    }
    return sendThrough(options, [&codes](KeySink &link) {
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

int typeCommand(const CommandLine &options)
{
    const QString text = options.arguments.front();
    const Unsendable skipped = unsendableCharacters(text);
    if (!skipped.isEmpty()) {
        const int count = skipped.count;
        QStringList shownList;
        for (const QString &c : skipped.characters)
            shownList << visible(c);
        const QString shown = shownList.join(QLatin1Char(' '));
        printErr(QStringLiteral("tapwright-cli: ") +
                 (count == 1 ? QCoreApplication::translate(
                                   "tapwright-cli",
                                   "warning: skipped 1 character the device cannot enter: %1")
                                   .arg(shown)
                             : QCoreApplication::translate(
                                   "tapwright-cli",
                                   "warning: skipped %1 characters the device cannot enter: %2")
                                   .arg(QString::number(count), shown)) +
                 QLatin1Char('\n'));
    }
    return sendThrough(options, [&text](KeySink &link) { SendStr(link, text); });
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
/// · about 1 h 12 min to go · NAME", with "paused" after the pass while it
/// is, and `head` before it ("COM3 · running", a port of several); the
/// entry's name is what is cut when the line is too long.
QString statusText(const ProgressClock &clock, int columns, const QString &head = QString())
{
    const RunProgress &p = clock.progress();
    const QString dot = QStringLiteral(" \u00b7 ");
    QString text = QCoreApplication::translate("tapwright-cli", "pass %1").arg(p.counter + 1);
    if (p.finalCounter >= 0) {
        // The REPEAT that ends the last pass already counts it.
        text = QCoreApplication::translate("tapwright-cli", "pass %1 of %2")
                   .arg(std::min(p.counter + 1, std::max<qint64>(p.finalCounter, 1)))
                   .arg(p.finalCounter);
    }
    if (!head.isEmpty())
        text = head + dot + text;
    if (p.paused)
        text += dot + QCoreApplication::translate("tapwright-cli", "paused");
    // Cut to tenths, not rounded: the time shown has always gone by.
    text += dot + describeDuration(double(clock.elapsedNs() / 100000000) / 10.0);
    const qint64 remaining = clock.remainingNs();
    text += dot + (remaining < 0 ? QStringLiteral("\u2014")
                                 : QCoreApplication::translate("tapwright-cli", "about %1 to go")
                                       .arg(describeDuration(double(remaining) / 1e9)));
    if (p.entryName.isEmpty())
        return text;
    const int room = columns - displayWidth(text + dot);
    // Too little room for a useful piece of it.
    if (room < 4)
        return text;
    return text + dot + cutToWidth(visibleText(p.entryName), room);
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
    bool running = false;
    bool failed = false;
    /// A stop was asked for: a pause that ends with the run is no resume.
    bool stopping = false;
    /// Someone at the terminal can bring the handheld back and press r.
    bool canWait = false;
    /// The port failed and is not back yet.
    bool portGone = false;

    QString macroFile() const override { return macro; }
    QString addrFile() const override { return addr; }
    QString portText() const override { return port; }
    QString counterText() const override { return counter; }
    void setCounterText(const QString &text) override
    {
        counter = text;
        say(QCoreApplication::translate("tapwright-cli", "counter %1").arg(text));
    }
    void setStatus(const QString &text) override { say(text); }
    void setAddress(const QString &text) override
    {
        if (running && !text.isEmpty()) {
            say(QCoreApplication::translate("tapwright-cli", "address: %1").arg(text));
        }
    }
    void setRunning(bool on) override { running = on; }
    void report(const RunReport &report) override
    {
        failed = true;
        lines->flush();
        printErr(QStringLiteral("tapwright-cli: ") + describe(report) + QLatin1Char('\n'));
    }
    void checkFailed(const CheckReport &check) override
    {
        failed = true;
        printErr(checkText(check) + QStringLiteral("tapwright-cli: ") + refusedByCheck(check) +
                 QLatin1Char('\n'));
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
            status->start([this](int columns) { return statusText(clock, columns); });
    }
    bool canWaitForPort() const override { return canWait; }
    void portLost(const LinkError &error) override
    {
        portGone = true;
        lines->flush();
        printErr(QStringLiteral("tapwright-cli: ") + describe(error) + QLatin1Char('\n') +
                 tapwright::portGone(
                     error, QCoreApplication::translate("tapwright-cli", "Ctrl-C ends the run")) +
                 QLatin1Char('\n'));
    }
    void portBack() override
    {
        portGone = false;
        lines->flush();
        printErr(tapwright::portBack(
                     port, QCoreApplication::translate("tapwright-cli", "press r to go on")) +
                 QLatin1Char('\n'));
    }
    void setPaused(bool paused) override
    {
        clock.setPaused(paused);
        if (paused && portGone)
            return; // said with the port
        if (paused)
            say(QCoreApplication::translate("tapwright-cli", "paused (press p or space to go on)"));
        else if (!stopping)
            say(QCoreApplication::translate("tapwright-cli", "resumed"));
    }

private:
    // The device's lines are not cut short by ours: at the pace of the line,
    // a text is still being entered while the next steps run.
    void say(const QString &text) { printOut(text + QLatin1Char('\n')); }
};

/// The line of the next entry of a journal, "13", with its name when the file
/// still has it: "13 (東京都…)".
QString nextAddressLine(const JournalEntry &journal)
{
    const std::optional<AddressEntry> next = addressAfter(journal.addrFile, journal.addressEntries);
    if (!next)
        return QString::number(journal.addressEntries + 1);
    return QStringLiteral("%1 (%2)").arg(
        QString::number(next->line),
        visibleText(nameOf(next->text, fieldFormatOf(journal.addrFile))));
}

/// What a run goes on from: "resuming from the journal: passes delivered 3,
/// pass counter 5, next address line 13 (NAME)".
QString resumedFrom(const JournalEntry &journal)
{
    QString from = QCoreApplication::translate(
                       "tapwright-cli", "resuming from the journal: passes delivered %1, pass "
                                        "counter %2")
                       .arg(journal.passesDelivered())
                       .arg(journal.counter);
    if (!journal.addrFile.isEmpty())
        from += QCoreApplication::translate("tapwright-cli", ", next address line %1")
                    .arg(nextAddressLine(journal));
    return from;
}

/// For run --resume: the open journal of the run's files, which gives the
/// counter and the address lines to skip; says what the run goes on from.
std::optional<JournalEntry> journalToResume(const CommandLine &options)
{
    const QString macro = options.arguments.front();
    const std::optional<JournalEntry> journal = openJournalOf(macro, options.addr);
    if (!journal) {
        failure(options.addr.isEmpty()
                    ? QCoreApplication::translate("tapwright-cli",
                                                  "no journal of a run of \"%1\" without an "
                                                  "address file is open: nothing to resume")
                          .arg(visibleText(macro))
                    : QCoreApplication::translate("tapwright-cli",
                                                  "no journal of a run of \"%1\" with the address "
                                                  "file \"%2\" is open: nothing to resume")
                          .arg(visibleText(macro), visibleText(options.addr)));
        return std::nullopt;
    }
    printErr(QStringLiteral("tapwright-cli: ") + resumedFrom(*journal) + QLatin1Char('\n'));
    return journal;
}

/// How a run ended, with the pass counter to go on from: "stopped; pass
/// counter 4".
QString endLine(RunEnd end, const QString &counter)
{
    QString how;
    switch (end) {
    case RunEnd::EndOfMacro:
        how = QCoreApplication::translate("tapwright-cli", "end of the macro file");
        break;
    case RunEnd::AddressListDone:
        how = QCoreApplication::translate("tapwright-cli",
                                          "end of the address file: the list is done");
        break;
    case RunEnd::Stopped:
        how = QCoreApplication::translate("tapwright-cli", "stopped");
        break;
    case RunEnd::NotStarted:
        return QCoreApplication::translate("tapwright-cli", "did not start");
    default:
        how = QCoreApplication::translate("tapwright-cli", "the run ended on an error");
        break;
    }
    return QCoreApplication::translate("tapwright-cli", "%1; pass counter %2").arg(how, counter);
}

/// Whether a run that ended so ended well: it was not cut by a failure.
bool endedWell(RunEnd end)
{
    return end == RunEnd::EndOfMacro || end == RunEnd::AddressListDone || end == RunEnd::Stopped;
}

/// On a terminal, Ctrl-Z pauses the run and gives the terminal back to the
/// shell; fg resumes only a pause that Ctrl-Z made, not one the user asked
/// for with p. `pausable`: whether the run goes on now.
void pauseOnSuspend(StopSignals &interrupts, TerminalKeys &keys, StatusLine &status,
                    const std::function<bool()> &pausable,
                    const std::function<void(bool)> &setPaused)
{
    if (!keys.isTerminal())
        return;
    auto suspended = std::make_shared<bool>(false);
    interrupts.catchJobControl(
        [=, &keys, &status] {
            *suspended = pausable();
            setPaused(true);
            keys.release();
            // The shell's prompt comes on a clean line.
            status.hide();
        },
        [=, &keys] {
            keys.takeOver();
            if (std::exchange(*suspended, false))
                setPaused(false);
        });
}

int multiRunCommand(const CommandLine &options);

int runCommand(const CommandLine &options)
{
    if (options.ports.size() > 1)
        return multiRunCommand(options);
    // Made first, gone last: the lines print through it even as they go.
    StatusLine status;
    CommandLink port(options);
    DeviceLines &lines = port.lines;
    PortLink &link = port.link;
    CliHost host;
    host.status = &status;
    host.macro = options.arguments.front();
    host.addr = options.addr;
    host.port = options.port;
    // The number the run uses, so that the counter it ends with can be given
    // back as it is: "1.5" is pass 2.
    host.counter = QString::number(options.counter);
    host.lines = &lines;
    std::optional<JournalEntry> resumed;
    if (options.resume && !(resumed = journalToResume(options)))
        return ExitFailure;

    MacroRunner runner(host, link);
    runner.setCheckFirst(!options.noCheck);
    runner.setJournal(options.journal);
    if (resumed) {
        host.counter = QString::number(resumed->counter);
        runner.setAddressSkip(resumed->addressEntries);
    }
    StopSignals interrupts([&](int count) {
        if (count == 1) {
            lines.flush();
            printErr(QStringLiteral("tapwright-cli: ") +
                     QCoreApplication::translate(
                         "tapwright-cli", "stopping; the frames on the line still go out (press "
                                          "Ctrl-C again to drop the rest)") +
                     QLatin1Char('\n'));
            host.stopping = true;
            runner.requestStop();
        } else {
            link.ClosePort(Link::CloseMode::Discard);
        }
    });
    // Nobody reads what the run prints any more: it ends as on SIGTERM, and
    // its last lines, with the counter to go on from, go to stderr.
    const ClosedStdoutWatch closedStdout([&interrupts] {
        printErr(QStringLiteral("tapwright-cli: ") +
                 QCoreApplication::translate("tapwright-cli",
                                             "the standard output is closed; what it would show "
                                             "goes to stderr") +
                 QLatin1Char('\n'));
        interrupts.stopOnce();
    });

    TerminalKeys keys([&runner](char key) {
        if (key == 'p' || key == 'P' || key == ' ')
            runner.setPaused(!runner.isPaused());
        else if (key == 'r' || key == 'R')
            runner.setPaused(false); // goes on once the port is back
    });
    host.canWait = keys.isTerminal();
    pauseOnSuspend(
        interrupts, keys, status, [&] { return !runner.isPaused() && runner.isRunning(); },
        [&](bool on) { runner.setPaused(on); });

    QElapsedTimer took;
    took.start();
    const RunEnd end = runner.run();
    lines.flush();
    status.finish();
    if (end == RunEnd::NotStarted)
        return ExitFailure; // it said why
    printOut(endLine(end, host.counter) + QLatin1Char('\n'));
    // Whoever started a long run may have gone to do something else.
    if (took.elapsed() > LongRunMs)
        ringBell();
    return host.failed ? ExitFailure : ExitOk;
}

/// The names of the ports as their lines show them: the port, and "virtual
/// 2" for the second of several virtual devices.
QStringList portLabels(const QStringList &ports)
{
    QStringList labels;
    for (qsizetype i = 0; i < ports.size(); ++i) {
        const qsizetype same = ports.count(ports[i]);
        const qsizetype nth = ports.mid(0, i + 1).count(ports[i]);
        labels << (same > 1 ? QStringLiteral("%1 %2").arg(visibleText(ports[i])).arg(nth)
                            : visibleText(ports[i]));
    }
    return labels;
}

/// A run over several ports: each port's run in a thread of MultiRun's, its
/// lines prefixed with the port ("[COM3] counter 2"), or on a terminal one
/// status line a port; at the end one line a port and a total.
int multiRunCommand(const CommandLine &options)
{
    // Made first, gone last: the lines print through it even as they go.
    StatusLine status;
    const QString macro = options.arguments.front();
    const QStringList labels = portLabels(options.ports);
    const auto tagged = [&labels](int port, const QString &text) {
        return QStringLiteral("[%1] ").arg(labels.value(port)) + text + QLatin1Char('\n');
    };
    if (options.resume) {
        const QList<JournalEntry> journals = openPortJournalsOf(macro, options.addr);
        if (journals.isEmpty()) {
            return failure(QCoreApplication::translate("tapwright-cli",
                                                       "no journal of a run of \"%1\" over several "
                                                       "ports is open: nothing to resume")
                               .arg(visibleText(macro)));
        }
        for (const JournalEntry &journal : journals) {
            for (int port = 0; port < int(options.ports.size()); ++port) {
                if (options.ports[port] == journal.port)
                    printErr(tagged(port, resumedFrom(journal)));
            }
        }
    }

    MultiRun run;
    const int count = int(options.ports.size());
    std::vector<ProgressClock> clocks(count);
    std::vector<std::unique_ptr<DeviceLines>> lines;
    for (int port = 0; port < count; ++port) {
        lines.push_back(
            std::make_unique<DeviceLines>(QStringLiteral("[%1] device: ").arg(labels[port])));
        QObject::connect(&run, &MultiRun::deviceReceived, lines.back().get(),
                         [&lines, port](int from, const DevicePieces &pieces) {
                             if (from == port)
                                 lines[port]->add(pieces);
                         });
    }
    const auto flushLines = [&lines] {
        for (const auto &device : lines)
            device->flush();
    };
    // On a terminal the status lines show what the steps would say.
    const bool lineByLine = !status.isActive();
    const auto say = [&](int port, const QString &text) {
        if (lineByLine)
            printOut(tagged(port, text));
    };
    QObject::connect(&run, &MultiRun::statusChanged, say);
    QObject::connect(&run, &MultiRun::counterChanged, [&](int port, const QString &text) {
        say(port, QCoreApplication::translate("tapwright-cli", "counter %1").arg(text));
    });
    QObject::connect(&run, &MultiRun::addressChanged, [&](int port, const QString &text) {
        // The window's end mark: here the end lines say how each run ended.
        if (!text.isEmpty() && text != endMark())
            say(port, QCoreApplication::translate("tapwright-cli", "address: %1").arg(text));
    });
    bool checkFailed = false;
    QObject::connect(&run, &MultiRun::checkFailed, [&checkFailed](const CheckReport &check) {
        checkFailed = true;
        printErr(checkText(check) + QStringLiteral("tapwright-cli: ") + refusedByCheck(check) +
                 QLatin1Char('\n'));
    });
    QObject::connect(&run, &MultiRun::warned, [&](int port, const RunReport &warning) {
        flushLines();
        printErr(tagged(port, describe(warning)));
    });
    QObject::connect(&run, &MultiRun::reported, [&](int port, const RunReport &report) {
        flushLines();
        printErr(QStringLiteral("tapwright-cli: ") + tagged(port, describe(report)));
    });
    // The ports whose cable came back since they were lost: r goes on with them.
    std::vector<bool> cameBack(count, false);
    QObject::connect(&run, &MultiRun::portLost, [&](int port, const LinkError &error) {
        cameBack[port] = false;
        flushLines();
        printErr(
            QStringLiteral("tapwright-cli: ") + tagged(port, describe(error)) +
            tagged(port, tapwright::portGone(error, QCoreApplication::translate(
                                                        "tapwright-cli", "Ctrl-C ends the run"))));
    });
    QObject::connect(&run, &MultiRun::portBack, [&](int port) {
        cameBack[port] = true;
        flushLines();
        printErr(tagged(port, tapwright::portBack(options.ports[port],
                                                  QCoreApplication::translate(
                                                      "tapwright-cli", "press r to go on"))));
    });
    QObject::connect(&run, &MultiRun::progressed,
                     [&](int port, const RunProgress &progress) { clocks[port].set(progress); });
    QObject::connect(&run, &MultiRun::stateChanged, [&](int port, PortState state) {
        clocks[port].setPaused(state == PortState::Paused || state == PortState::PortGone);
    });
    if (status.isActive()) {
        status.start([&](int columns) {
            QStringList text;
            for (int port = 0; port < count; ++port) {
                text << statusText(clocks[port], columns,
                                   labels[port] + QStringLiteral(" \u00b7 ") +
                                       describe(run.state(port)));
            }
            return text.join(QLatin1Char('\n'));
        });
    }
    QEventLoop loop;
    QObject::connect(&run, &MultiRun::finished, &loop, &QEventLoop::quit);

    StopSignals interrupts([&](int times) {
        flushLines();
        if (times == 1) {
            printErr(QStringLiteral("tapwright-cli: ") +
                     QCoreApplication::translate(
                         "tapwright-cli", "stopping; the frames on the line still go out (press "
                                          "Ctrl-C again to drop the rest)") +
                     QLatin1Char('\n'));
            run.stopAll();
        } else {
            run.dropAll();
        }
    });
    const ClosedStdoutWatch closedStdout([&interrupts] {
        printErr(QStringLiteral("tapwright-cli: ") +
                 QCoreApplication::translate("tapwright-cli",
                                             "the standard output is closed; what it would show "
                                             "goes to stderr") +
                 QLatin1Char('\n'));
        interrupts.stopOnce();
    });
    bool paused = false;
    const auto pauseAll = [&](bool on) {
        paused = on;
        run.setPausedAll(on);
        printOut(on ? QCoreApplication::translate("tapwright-cli",
                                                  "paused (press p or space to go on)") +
                          QLatin1Char('\n')
                    : QCoreApplication::translate("tapwright-cli", "resumed") + QLatin1Char('\n'));
    };
    TerminalKeys keys([&](char key) {
        if (key == 'p' || key == 'P' || key == ' ') {
            pauseAll(!paused);
        } else if (key == 'r' || key == 'R') {
            for (int port = 0; port < count; ++port) {
                if (cameBack[port])
                    run.setPaused(port, false);
                cameBack[port] = false;
            }
        }
    });
    pauseOnSuspend(
        interrupts, keys, status, [&] { return !paused; }, [&](bool on) { run.setPausedAll(on); });

    MultiRunSettings settings;
    settings.macroFile = macro;
    settings.addrFile = options.addr;
    settings.ports = options.ports;
    settings.counterText = QString::number(options.counter);
    settings.split = options.split;
    settings.checkFirst = !options.noCheck;
    settings.journal = options.journal;
    settings.resume = options.resume;
    settings.paced = !options.fast;
    settings.canWaitForPort = keys.isTerminal();
    QElapsedTimer took;
    took.start();
    const RunReport started = run.start(settings);
    if (started.kind != RunReport::None) {
        // The check's report may come queued; it says why nothing started.
        QCoreApplication::processEvents();
        status.finish();
        return checkFailed ? ExitFailure : failure(describe(started));
    }
    loop.exec();
    flushLines();
    status.finish();

    const QList<PortEnd> ends = run.ends();
    int well = 0;
    for (int port = 0; port < int(ends.size()); ++port) {
        const PortEnd &end = ends[port];
        well += endedWell(end.end) ? 1 : 0;
        printOut(tagged(port, endLine(end.end, end.counter)));
    }
    if (const SharedEntries *shared = run.sharedEntries()) {
        const FieldFormat format = fieldFormatOf(options.addr);
        for (const EntryDelivery &cut : shared->cut()) {
            printOut(QCoreApplication::translate("tapwright-cli",
                                                 "cut while on the line: address line %1 (%2) "
                                                 "on %3")
                         .arg(QString::number(cut.entry.line),
                              visibleText(nameOf(cut.entry.text, format)), visibleText(cut.port)) +
                     QLatin1Char('\n'));
        }
    }
    const int failed = int(ends.size()) - well;
    printOut((failed == 0 ? QCoreApplication::translate("tapwright-cli", "%1 ports: %2 ended well")
                                .arg(ends.size())
                                .arg(well)
                          : QCoreApplication::translate("tapwright-cli",
                                                        "%1 ports: %2 ended well, %3 failed")
                                .arg(ends.size())
                                .arg(well)
                                .arg(failed)) +
             QLatin1Char('\n'));
    if (took.elapsed() > LongRunMs)
        ringBell();
    return failed == 0 && !ends.isEmpty() ? ExitOk : ExitFailure;
}

/// A path as the system writes it, for the terminal: Windows' backslashes.
QString shownPath(const QString &path)
{
    return visibleText(QDir::toNativeSeparators(path));
}

int journalCommand()
{
    const JournalList journals = openJournals();
    QStringList blocks;
    for (const JournalEntry &j : journals.open) {
        QString block = shownPath(j.macroFile) + QLatin1Char('\n');
        const auto field = [&block](const QString &text) {
            block += QStringLiteral("  ") + text + QLatin1Char('\n');
        };
        if (!j.addrFile.isEmpty()) {
            field(QCoreApplication::translate("tapwright-cli", "address file: %1")
                      .arg(shownPath(j.addrFile)));
        }
        field(QCoreApplication::translate("tapwright-cli", "port: %1").arg(visibleText(j.port)));
        field(QCoreApplication::translate("tapwright-cli",
                                          "passes delivered: %1 (pass counter %2 to %3)")
                  .arg(j.passesDelivered())
                  .arg(j.counterAtStart)
                  .arg(j.counter));
        if (!j.addrFile.isEmpty()) {
            field(QCoreApplication::translate("tapwright-cli", "next address line: %1")
                      .arg(nextAddressLine(j)));
        }
        field(QCoreApplication::translate("tapwright-cli", "last update: %1")
                  .arg(j.updated.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
        blocks << block;
    }
    for (const QString &path : journals.damaged) {
        blocks << shownPath(path) + QStringLiteral("\n  ") +
                      QCoreApplication::translate("tapwright-cli",
                                                  "damaged, or not a journal: skipped") +
                      QLatin1Char('\n');
    }
    if (blocks.isEmpty()) {
        printOut(QCoreApplication::translate("tapwright-cli", "no open journals in %1")
                     .arg(shownPath(journalFolder())) +
                 QLatin1Char('\n'));
    }
    printOut(blocks.join(QLatin1Char('\n')));
    return ExitOk;
}

} // namespace

int run(const QStringList &args)
{
    const CommandLine line = parseCommandLine(args);
    if (line.help) {
        printOut(helpText());
        return ExitOk;
    }
    if (!line.problem.isEmpty())
        return usageError(line.problem);
    switch (line.command) {
    case Command::Key:
        return keyCommand(line);
    case Command::Type:
        return typeCommand(line);
    case Command::Run:
        return runCommand(line);
    case Command::Check:
        return checkCommand(line);
    case Command::Monitor:
        return monitorCommand(line.arguments.value(0));
    case Command::Journal:
        return journalCommand();
    case Command::Help:
        break;
    }
    printOut(helpText());
    return ExitOk;
}

} // namespace tapwright::cli
