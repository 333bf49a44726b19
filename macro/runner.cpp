#include "macro/runner.h"

#include "text/textsender.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <climits>
#include <cmath>

namespace tapwright {

QString endMark()
{
    return QStringLiteral("糸冬了");
}

QString atLine(const RunReport &r, const QString &message)
{
    return QStringLiteral("%1:%2: %3\n    %4").arg(r.file).arg(r.line).arg(message, r.lineText);
}

QString describe(const RunReport &r)
{
    switch (r.kind) {
    case RunReport::None:
        return QString();
    case RunReport::NoMacroFile:
        return QStringLiteral("no macro file chosen");
    case RunReport::BadCounter:
        return QStringLiteral("the pass counter must be a whole number from %1 to %2, got \"%3\"")
            .arg(MinPassCounter)
            .arg(MaxPassCounter)
            .arg(r.value);
    case RunReport::CounterOverflow:
        return atLine(
            r, QStringLiteral("REPEAT cannot raise the pass counter past %1").arg(MaxPassCounter));
    case RunReport::PortFailed:
        return describe(r.link);
    case RunReport::MacroOpenFailed:
        return QStringLiteral("cannot open macro file \"%1\": %2").arg(r.file, r.reason);
    case RunReport::AddrOpenFailed:
        return QStringLiteral("cannot open address file \"%1\": %2").arg(r.file, r.reason);
    case RunReport::MacroReadFailed:
    case RunReport::AddrReadFailed:
        return QStringLiteral("%1: reading failed after line %2: %3")
            .arg(r.file)
            .arg(r.line)
            .arg(r.reason);
    case RunReport::MissingNumber:
        return atLine(r, QStringLiteral("%1 needs a number of seconds").arg(r.command));
    case RunReport::BadNumber:
        return atLine(
            r, QStringLiteral("%1 needs a number of seconds, got \"%2\"").arg(r.command, r.value));
    case RunReport::LinkFailed:
        // The last frames can fail while they drain, after every line.
        return r.line > 0 ? atLine(r, describe(r.link)) : describe(r.link);
    }
    return QString();
}

EventLoopClock::EventLoopClock()
{
    timer_.start();
}

qint64 EventLoopClock::nowNs() const
{
    return timer_.nsecsElapsed();
}

void EventLoopClock::sleepUntil(qint64 deadlineNs)
{
    const qint64 remaining = deadlineNs - nowNs();
    if (remaining <= 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    // Sleep in the event loop: a timer for the deadline, and wake() for the
    // stop request. Nothing polls.
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    const qint64 ms = (remaining + 999999) / 1000000;
    timer.start(int(std::min<qint64>(ms, INT_MAX)));
    QEventLoop *outer = loop_;
    loop_ = &loop;
    loop.exec();
    loop_ = outer;
}

void EventLoopClock::wake()
{
    if (loop_)
        loop_->quit();
}

MacroRunner::MacroRunner(RunnerHost &host, Link &link, QObject *parent)
    : QObject(parent), host_(host), link_(link), clock_(&realClock_)
{
    connect(&link_, &Link::failed, this, &MacroRunner::onLinkFailed);
}

MacroRunner::~MacroRunner() = default;

void MacroRunner::setClock(WaitClock *clock)
{
    clock_ = clock ? clock : &realClock_;
}

bool MacroRunner::shouldStop() const
{
    return !MacroExe || linkFailure_.has_value() || abandoned_;
}

void MacroRunner::WaitSeconds(float seconds)
{
    const float ms = seconds * 1000.0f;
    if (!(ms >= 0.0f))
        return; // negative: no wait and no events
    const qint64 waitNs = static_cast<qint64>(double(ms) * 1e6);
    const qint64 start = clock_->nowNs();
    bool pumped = false;
    for (;;) {
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
    linkFailure_.reset();
    pendingReport_ = RunReport();
    MacroExe = true;
    host_.setRunning(true);

    RunEnd end = execute(*counter);

    macro_.close();
    addresses_.close();
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
    // A file that could not be opened or read, with the system's reason.
    auto fileReport = [](RunReport::Kind kind, const QString &path, qint64 line,
                         const QString &reason) {
        RunReport report;
        report.kind = kind;
        report.file = path;
        report.line = line;
        report.reason = reason;
        return report;
    };
    auto addressReadFailed = [&] {
        return fail(fileReport(RunReport::AddrReadFailed, addrPath, addresses_.lineNumber(),
                               addresses_.errorString()));
    };
    if (haveAddresses) {
        if (!addresses_.open(addrPath))
            return fail(
                fileReport(RunReport::AddrOpenFailed, addrPath, 0, addresses_.errorString()));
        // Passes that each took one line and ended with REPEAT used exactly
        // this many lines; the list goes on after them.
        if (passCounter > 0 && addresses_.skipLines(passCounter) < passCounter &&
            !addresses_.errorString().isEmpty())
            return addressReadFailed();
    }

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
        macroPath_ = host_.macroFile();
        if (!macro_.open(macroPath_))
            return fail(fileReport(RunReport::MacroOpenFailed, macroPath_, 0, macro_.errorString()));
        for (;;) { // one step
            const std::optional<MacroStep> s = macro_.next();
            if (!s) {
                if (!macro_.errorString().isEmpty())
                    return fail(fileReport(RunReport::MacroReadFailed, macroPath_,
                                           macro_.lineNumber(), macro_.errorString()));
                return RunEnd::EndOfMacro;
            }
            ++step;
            host_.setStatus(QString::number(step) + QLatin1Char(' ') + s->word());

            const FoundCommand found = findCommand(s->word());
            switch (found.command) {
            case Command::Key:
                link_.SendKey(found.key.row, found.key.column, found.key.table);
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
                }
                break;
            case Command::SendStr:
                SendAddress(
                    link_, [this](const QString &text) { host_.setAddress(text); }, address);
                break;
            case Command::String:
                SendStr(link_, s->argument());
                break;
            case Command::None:
                break;
            }

            if (found.command == Command::Repeat) {
                if (passCounter >= MaxPassCounter)
                    return fail(stepReport(RunReport::CounterOverflow, *s));
                ++passCounter;
                host_.setCounterText(QString::number(passCounter));
                macro_.close();
                // One turn of the event loop, so that a pass that never waits
                // can still be stopped.
                clock_->sleepUntil(clock_->nowNs());
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
