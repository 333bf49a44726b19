#include "macro/runner.h"

#include "text/textsender.h"

#include <QPair>
#include <QSet>

#include <algorithm>
#include <limits>

namespace tapwright {

namespace {

// The shortest a pass may take; a pass of REPEAT alone would otherwise spin.
constexpr qint64 MinPassNs = 10 * 1000000LL;

} // namespace

QString endMark()
{
    return QStringLiteral("糸冬了");
}

MacroRunner::MacroRunner(RunnerHost &host, Link &link, QObject *parent)
    : QObject(parent), host_(host), link_(link), pacer_(link), clock_(&realClock_)
{
    pacer_.setClock(clock_);
    pacer_.dropWhen = [this] { return shouldStop(); };
    pacer_.holdWhen = [this] { return paused_; };
    pacer_.onSent = [this](const KeyCode &code) { host_.frameSent(code); };
    connect(&link_, &Link::failed, this, &MacroRunner::onLinkFailed);
}

MacroRunner::~MacroRunner() = default;

void MacroRunner::setClock(WaitClock *clock)
{
    clock_ = clock ? clock : &realClock_;
    pacer_.setClock(clock_);
}

bool MacroRunner::shouldStop() const
{
    return !MacroExe || linkFailure_.has_value() || abandoned_;
}

qint64 MacroRunner::sitOutPause()
{
    const qint64 from = clock_->nowNs();
    while (paused_ && !shouldStop())
        clock_->sleepUntil(clock_->nowNs() + 3600 * 1000000000LL); // until woken
    return clock_->nowNs() - from;
}

qint64 MacroRunner::finalCounter(const QString &addrPath, qint64 counter)
{
    // Read ahead for the progress only: the run itself still takes each line
    // as it comes, and a file that changes meanwhile just makes this wrong.
    qint64 takes = 0;
    bool repeats = false;
    MacroReader macro;
    if (!macro.open(host_.macroFile()))
        return -1;
    while (const std::optional<MacroStep> s = macro.next()) {
        const Command command = findCommand(s->word()).command;
        if (command == Command::GetStr)
            ++takes;
        if (command == Command::Repeat) {
            repeats = true;
            break;
        }
    }
    if (!repeats || takes == 0)
        return -1;
    TextLineReader lines;
    if (!lines.open(addrPath))
        return -1;
    // The passes before this run took one line each.
    const qint64 left =
        lines.skipLines(std::numeric_limits<qint64>::max()) - std::max<qint64>(0, counter);
    return counter + std::max<qint64>(0, left) / takes;
}

void MacroRunner::WaitSeconds(float seconds)
{
    const float ms = seconds * 1000.0f;
    if (!(ms >= 0.0f))
        return; // negative: no wait and no events
    // Longer than any accepted number of seconds: what the clock can add to.
    constexpr double MaxWaitNs = 1e18;
    const qint64 waitNs = static_cast<qint64>(std::min(double(ms) * 1e6, MaxWaitNs));
    qint64 start = clock_->nowNs();
    bool pumped = false;
    for (;;) {
        if (paused_ && !shouldStop()) {
            // The wait goes on where it stood.
            start += sitOutPause();
            pumped = true;
            continue;
        }
        // The time is tested before the flag. A wait of 0 still delivers
        // events once, which is what lets a run with no waits be stopped.
        if (pumped && clock_->nowNs() - start > waitNs)
            return;
        if (shouldStop())
            return;
        clock_->sleepUntil(start + waitNs + 1);
        pumped = true;
    }
}

void MacroRunner::requestStop()
{
    if (!MacroExe)
        return;
    MacroExe = false;
    clock_->wake();
}

void MacroRunner::setPaused(bool paused)
{
    if (!running_ || paused_ == paused)
        return;
    paused_ = paused;
    // Time paused is left out of the run's time, wherever the pause found it:
    // in a wait, or holding back a frame.
    if (paused)
        pausedAtNs_ = clock_->nowNs();
    else
        pausedNs_ += clock_->nowNs() - pausedAtNs_;
    clock_->wake();
    host_.setPaused(paused);
}

void MacroRunner::abandon()
{
    abandoned_ = true;
    MacroExe = false;
    clock_->wake();
}

void MacroRunner::onLinkFailed(const LinkError &error)
{
    if (!running_ || linkFailure_)
        return;
    linkFailure_ = error;
    clock_->wake();
}

RunEnd MacroRunner::run()
{
    if (running_)
        return RunEnd::NotStarted;
    if (host_.macroFile().isEmpty()) {
        RunReport report;
        report.kind = RunReport::NoMacroFile;
        host_.report(report);
        return RunEnd::NotStarted;
    }
    // A counter that cannot be read stops the run before anything changes.
    const QString counterText = host_.counterText();
    const std::optional<qint32> counter = parsePassCounter(counterText);
    if (!counter) {
        RunReport report;
        report.kind = RunReport::BadCounter;
        report.value = counterText;
        host_.report(report);
        return RunEnd::NotStarted;
    }

    running_ = true;
    abandoned_ = false;
    paused_ = false;
    linkFailure_.reset();
    pendingReport_ = RunReport();
    MacroExe = true;
    host_.setRunning(true);

    RunEnd end = execute(*counter);

    macro_.close();
    addresses_.close();
    if (paused_) {
        paused_ = false;
        host_.setPaused(false);
    }
    if (end == RunEnd::Abandoned || abandoned_) {
        running_ = false;
        MacroExe = false;
        return RunEnd::Abandoned;
    }
    link_.ClosePort(Link::CloseMode::Drain);
    if (abandoned_) {
        running_ = false;
        return RunEnd::Abandoned;
    }
    // The last frames can still fail while they drain.
    if (linkFailure_ && !pendingReport_.isError()) {
        pendingReport_.kind = RunReport::LinkFailed;
        pendingReport_.link = *linkFailure_;
        end = RunEnd::Failed;
    }
    MacroExe = false;
    running_ = false;
    host_.setRunning(false);
    host_.setAddress(endMark());
    if (pendingReport_.isError())
        host_.report(pendingReport_);
    return end;
}

RunEnd MacroRunner::fail(RunReport report)
{
    pendingReport_ = std::move(report);
    return RunEnd::Failed;
}

RunEnd MacroRunner::execute(qint64 passCounter)
{
    qint64 step = 0;
    float baseWait = 0.0f;
    QString address;
    host_.setAddress(QString());

    link_.setCommPort(host_.portText());
    link_.ClosePort(Link::CloseMode::Drain);
    if (!link_.OpenPort()) {
        RunReport report;
        report.kind = RunReport::PortFailed;
        report.link = link_.lastError();
        return fail(report);
    }

    const QString addrPath = host_.addrFile();
    const bool haveAddresses = !addrPath.isEmpty();
    // A file that could not be opened or read, with the system's reason. A
    // file that is no text, or a line far too long, is said as such.
    auto fileReport = [](RunReport::Kind kind, const QString &path, qint64 line,
                         const QString &reason, TextReadError error = TextReadError::None) {
        RunReport report;
        report.kind = error == TextReadError::NotText       ? RunReport::NotText
                      : error == TextReadError::LineTooLong ? RunReport::LineTooLong
                                                            : kind;
        report.file = path;
        report.line = line;
        report.reason = reason;
        return report;
    };
    auto addressReadFailed = [&] {
        return fail(fileReport(RunReport::AddrReadFailed, addrPath, addresses_.lineNumber(),
                               addresses_.errorString(), addresses_.error()));
    };
    if (haveAddresses) {
        if (!addresses_.open(addrPath))
            return fail(fileReport(RunReport::AddrOpenFailed, addrPath, 0, addresses_.errorString(),
                                   addresses_.error()));
        // Passes that each took one line and ended with REPEAT used exactly
        // this many lines; the list goes on after them.
        if (passCounter > 0) {
            const qint64 skipped = addresses_.skipLines(passCounter);
            if (skipped < passCounter) {
                if (!addresses_.errorString().isEmpty())
                    return addressReadFailed();
                RunReport report =
                    fileReport(RunReport::CounterPastEnd, addrPath, skipped, QString());
                report.value = QString::number(passCounter);
                return fail(report);
            }
        }
    }
    qint64 addressLine = 0;
    RunProgress progress;
    progress.counter = passCounter;
    progress.finalCounter = haveAddresses ? finalCounter(addrPath, passCounter) : -1;
    const qint64 runStart = clock_->nowNs();
    const qint64 counterAtStart = passCounter;
    pausedNs_ = 0;
    auto showProgress = [&](qint64 step) {
        progress.step = step;
        progress.counter = passCounter;
        progress.paused = paused_;
        const qint64 now = clock_->nowNs();
        progress.elapsedNs = now - runStart - pausedNs_ - (paused_ ? now - pausedAtNs_ : 0);
        const qint64 done = passCounter - counterAtStart;
        progress.remainingNs =
            done > 0 && progress.finalCounter >= passCounter
                ? std::max<qint64>(0, progress.elapsedNs / done *
                                              (progress.finalCounter - counterAtStart) -
                                          progress.elapsedNs)
                : -1;
        host_.setProgress(progress);
    };
    // Each macro line warns once a run, not once a pass.
    QSet<QPair<QString, qint64>> warned;
    auto warnOnce = [&](const MacroStep &s) {
        return !warned.contains({macroPath_, s.line}) &&
               (warned.insert({macroPath_, s.line}), true);
    };
    auto warnUnsendable = [this](const QString &file, qint64 line, const QString &text) {
        for (const QString &c : unsendableCharacters(text)) {
            RunReport warning;
            warning.kind = RunReport::Unsendable;
            warning.file = file;
            warning.line = line;
            warning.lineText = text;
            warning.value = c;
            host_.warn(warning);
        }
    };

    auto stepReport = [this](RunReport::Kind kind, const MacroStep &s) {
        RunReport report;
        report.kind = kind;
        report.file = macroPath_;
        report.line = s.line;
        report.lineText = s.text;
        report.command = s.word();
        report.value = s.argument();
        if (linkFailure_)
            report.link = *linkFailure_;
        return report;
    };
    // Why the run stops after step `s`: quitting, a failed port, or the stop.
    auto stopReason = [&](const MacroStep &s) {
        if (abandoned_)
            return RunEnd::Abandoned;
        if (linkFailure_)
            return fail(stepReport(RunReport::LinkFailed, s));
        return RunEnd::Stopped;
    };
    auto readSeconds = [&](const MacroStep &s, float *seconds) -> std::optional<RunReport> {
        if (!s.hasArgument() || s.argument().isEmpty())
            return stepReport(RunReport::MissingNumber, s);
        const auto value = parseSeconds(s.argument());
        if (!value)
            return stepReport(RunReport::BadNumber, s);
        *seconds = *value;
        return std::nullopt;
    };

    for (;;) { // one pass
        const qint64 passStart = clock_->nowNs();
        macroPath_ = host_.macroFile();
        if (!macro_.open(macroPath_))
            return fail(fileReport(RunReport::MacroOpenFailed, macroPath_, 0, macro_.errorString(),
                                   macro_.error()));
        for (;;) { // one step
            const std::optional<MacroStep> s = macro_.next();
            if (!s) {
                if (!macro_.errorString().isEmpty())
                    return fail(fileReport(RunReport::MacroReadFailed, macroPath_,
                                           macro_.lineNumber(), macro_.errorString(),
                                           macro_.error()));
                return RunEnd::EndOfMacro;
            }
            ++step;
            host_.setStatus(QString::number(step) + QLatin1Char(' ') + s->word());
            showProgress(step);

            const FoundCommand found = findCommand(s->word());
            switch (found.command) {
            case Command::Key:
                pacer_.SendKey(found.key.row, found.key.column, found.key.table);
                break;
            case Command::BaseWait:
                if (auto report = readSeconds(*s, &baseWait))
                    return fail(*report);
                break;
            case Command::Sleep: {
                float seconds = 0.0f;
                if (auto report = readSeconds(*s, &seconds))
                    return fail(*report);
                WaitSeconds(seconds);
                break;
            }
            case Command::Repeat:
                break;
            case Command::GetStr:
                if (haveAddresses) {
                    std::optional<QString> line = addresses_.readLine();
                    if (!line) {
                        if (!addresses_.errorString().isEmpty())
                            return addressReadFailed();
                        return RunEnd::AddressListDone;
                    }
                    address = std::move(*line);
                    addressLine = addresses_.lineNumber();
                }
                break;
            case Command::SendStr:
                if (addressLine > 0)
                    warnUnsendable(addrPath, addressLine, address);
                SendAddress(
                    pacer_, [this](const QString &text) { host_.setAddress(text); }, address);
                break;
            case Command::String:
                if (warnOnce(*s))
                    warnUnsendable(macroPath_, s->line, s->argument());
                SendStr(pacer_, s->argument());
                break;
            case Command::None:
                if (warnOnce(*s)) {
                    RunReport warning = stepReport(RunReport::UnknownCommand, *s);
                    host_.warn(warning);
                }
                break;
            }

            if (found.command == Command::Repeat) {
                if (passCounter >= MaxPassCounter)
                    return fail(stepReport(RunReport::CounterOverflow, *s));
                // A pass counts once its last frame has left the line, so
                // that the counter is always a safe place to go on from. A
                // stop lets these frames go (two at most); a failed port or
                // the program's end does not count them.
                if (!pacer_.waitUntilCarried([this] { return abandoned_ || linkFailure_; }) &&
                    (abandoned_ || linkFailure_))
                    return stopReason(*s);
                ++passCounter;
                host_.setCounterText(QString::number(passCounter));
                macro_.close();
                // A pass that neither sends nor waits still gives the event
                // loop its turn, and the processor a rest, as a wait would.
                clock_->sleepUntil(std::max(clock_->nowNs(), passStart + MinPassNs));
                if (paused_)
                    sitOutPause();
                if (shouldStop())
                    return stopReason(*s);
                break; // next pass
            }

            WaitSeconds(baseWait);
            if (shouldStop())
                return stopReason(*s);
        }
    }
}

} // namespace tapwright
