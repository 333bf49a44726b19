#include "macro/runner.h"

#include "macro/checker.h"
#include "macro/journal.h"
#include "macro/rules.h"
#include "macro/sharedentries.h"
#include "text/textsender.h"

#include <QList>
#include <QPair>
#include <QSet>

#include <algorithm>
#include <utility>

namespace tapwright {

namespace {

// The shortest a pass may take; a pass of REPEAT alone would otherwise spin.
constexpr qint64 MinPassNs = 10 * 1000000LL;
// How often a pass that waits for its last frame looks at the line when the
// link gives no hint.
constexpr qint64 MaxCarryLookNs = 20 * 1000000LL;
// How often a failed port is tried again: an adapter that comes back under
// its name is found within this.
constexpr qint64 PortRetryNs = 1000000000LL;
// How often a split run whose list has no entry free asks again: other
// ports' cut passes give theirs back at any time.
constexpr float EntryRetrySeconds = 0.1f;

} // namespace

/// What a run keeps from its start to its end.
struct MacroRunner::RunState
{
    qint64 counter = 0;        ///< the pass counter: raised as each pass is done
    qint64 counterAtStart = 0; ///< as the run found it
    /// The line of this pass's last sending step; 0: the pass counts at its
    /// REPEAT, or not at all when it has none.
    qint64 countAt = 0;
    bool passPending = false; ///< that step's frames are all handed over
    bool passCounted = false; ///< the counter has this pass
    qint64 step = 0;
    QString addrPath; ///< empty: no address list
    FieldFormat format = FieldFormat::Tabs;
    AddressEntry entry;     ///< the current address; line 0 before the first GETSTR
    QStringList fields;     ///< its fields
    qint64 addressSkip = 0; ///< the entries skipped before the first GETSTR
    /// Each macro line warns once a run, not once a pass.
    QSet<QPair<QString, qint64>> warned;
    RunProgress progress;
    qint64 startNs = 0;
    /// The run as its estimate has it: the steps done so far, and the
    /// base wait. The estimate of the whole run is -1 when unknown.
    Timeline timeline;
    double totalSeconds = -1.0;
    /// The run's time (ns) and the estimate's (s) at the end of the last
    /// pass done.
    QPair<qint64, double> passEnd{0, 0.0};
    qint64 remainingNs = -1; ///< the time to go shown last
    /// The current pass as it started: the address then, the estimate, the
    /// run's time; and the entries it has taken, which it takes again when a
    /// failed port cuts it.
    struct
    {
        AddressEntry entry;
        Timeline timeline;
        qint64 elapsedNs = 0;
        QList<AddressEntry> addresses;
        qsizetype taken = 0; ///< of those, how many it has taken this time
        /// The frames handed to the line when a split run's pass claimed
        /// its first entry: any more, and the entries may be half typed.
        qint64 sentAtClaim = 0;
    } pass;
    /// The run's time spent on passes cut by a failed port, left out of the
    /// passes' time against the estimate.
    qint64 cutNs = 0;
};

QString endMark()
{
    return QStringLiteral("糸冬了");
}

MacroRunner::MacroRunner(RunnerHost &host, Link &link, QObject *parent)
    : QObject(parent), host_(host), link_(link), pacer_(link), clock_(&realClock_),
      journal_(std::make_unique<RunJournal>())
{
    pacer_.setClock(clock_);
    pacer_.dropWhen = [this] {
        const bool drop = shouldStop();
        dropped_ += drop;
        return drop;
    };
    pacer_.holdWhen = [this] { return paused_; };
    pacer_.onSent = [this](const KeyCode &code) {
        ++framesSent_;
        host_.frameSent(code);
    };
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

void MacroRunner::sitOutPause()
{
    for (;;) {
        // The frames on the line still go out: a pass whose last frame has
        // gone counts now, not when the pause ends. Before the stop test:
        // what the host is told may ask for the stop.
        const bool carrying = countIfCarried();
        if (!paused_ || shouldStop())
            return;
        qint64 until = clock_->nowNs() + 3600 * 1000000000LL; // until woken
        if (carrying)
            until = nextCarryLook(until);
        clock_->sleepUntil(until);
    }
}

qint64 MacroRunner::nextCarryLook(qint64 untilNs) const
{
    const qint64 hint = link_.nsUntilProgress();
    return std::min(untilNs, clock_->nowNs() + (hint > 0 ? hint : MaxCarryLookNs));
}

qint64 MacroRunner::pausedSoFarNs() const
{
    return pausedNs_ + (paused_ ? clock_->nowNs() - pausedAtNs_ : 0);
}

void MacroRunner::WaitSeconds(float seconds)
{
    const float ms = seconds * 1000.0f;
    if (!(ms >= 0.0f))
        return; // negative: no wait and no events
    // Longer than any accepted number of seconds: what the clock can add to.
    constexpr double MaxWaitNs = 1e18;
    const qint64 waitNs = static_cast<qint64>(std::min(double(ms) * 1e6, MaxWaitNs));
    // The time paused is not waited: the wait goes on where it stood. Taken
    // from the pause's own clock, since a pause can begin and end between
    // two looks of this loop (Ctrl-Z stops the program, and fg resumes it,
    // before the loop sees the pause).
    const qint64 begun = clock_->nowNs();
    const qint64 pausedBefore = pausedSoFarNs();
    const auto waited = [&] { return clock_->nowNs() - begun - (pausedSoFarNs() - pausedBefore); };
    bool pumped = false;
    for (;;) {
        if (paused_ && !shouldStop()) {
            sitOutPause();
            pumped = true;
            continue;
        }
        // Before the stop test: what the host is told may ask for the stop.
        const bool carrying = countIfCarried();
        // The time is tested before the flag. A wait of 0 still delivers
        // events once, which is what lets a run with no waits be stopped.
        if (pumped && waited() > waitNs)
            return;
        if (shouldStop())
            return;
        qint64 until = clock_->nowNs() + (waitNs - waited()) + 1;
        if (carrying)
            until = nextCarryLook(until);
        clock_->sleepUntil(until);
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
    if (!running_ || paused_ == paused || (waitingForPort_ && !paused))
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
    // Only for this run, whether it starts or not.
    const qint64 skip = std::exchange(addressSkip_, -1);
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
    // A slip on the last line would otherwise stop an unattended run hours
    // in. The run still reads its files as it goes: the check reads ahead.
    const CheckReport check =
        checkFiles(host_.macroFile(), host_.addrFile(), *counter, {}, skip);
    if (checkFirst_ && check.hasErrors()) {
        host_.checkFailed(check);
        return RunEnd::NotStarted;
    }

    running_ = true;
    abandoned_ = false;
    paused_ = false;
    linkFailure_.reset();
    pendingReport_ = RunReport();
    MacroExe = true;
    host_.setRunning(true);

    RunEnd end = execute(*counter, skip < 0 ? *counter : skip, check.estimate);

    macro_.close();
    addresses_.close();
    if (paused_) {
        paused_ = false;
        host_.setPaused(false);
    }
    if (end == RunEnd::Abandoned || abandoned_) {
        releaseEntries(false);
        running_ = false;
        MacroExe = false;
        return RunEnd::Abandoned;
    }
    link_.ClosePort(Link::CloseMode::Drain);
    if (abandoned_) {
        releaseEntries(false);
        running_ = false;
        return RunEnd::Abandoned;
    }
    // The last frames can still fail while they drain.
    if (linkFailure_ && !pendingReport_.isError()) {
        pendingReport_.kind = RunReport::LinkFailed;
        pendingReport_.link = *linkFailure_;
        end = RunEnd::Failed;
    }
    // The drain has sent the frames a stop let go: a pass whose last frame
    // was among them is on the device.
    if (!linkFailure_ && state_->passPending)
        countPass();
    // A macro without REPEAT has typed its entries once it has drained; any
    // other pass not counted by now is cut, and its entries go to the others.
    releaseEntries(end == RunEnd::EndOfMacro && !linkFailure_);
    // Only a run that went to its end leaves nothing to go on with.
    if (journalOn_ && (end == RunEnd::EndOfMacro || end == RunEnd::AddressListDone))
        journalled(journal_->finish());
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

RunEnd MacroRunner::execute(qint64 passCounter, qint64 addressSkip, const Estimate &estimate)
{
    state_ = std::make_unique<RunState>();
    state_->counter = state_->counterAtStart = passCounter;
    state_->addressSkip = addressSkip;
    host_.setAddress(QString());
    if (std::optional<RunEnd> end = start(estimate))
        return *end;
    for (bool again = false;;) {
        const qint64 passStart = clock_->nowNs();
        markPassStart(again);
        MacroStep repeat;
        if (std::optional<RunEnd> end = runPass(&repeat)) {
            macro_.close();
            // A pass cut by a failed port starts again once it is back; one
            // that had counted is on the device, and the next one starts.
            again = !state_->passCounted;
            if ((end = waitOutPort(*end)))
                return *end;
            continue;
        }
        // The pass is done, and its last frame has left the line.
        if (!state_->passCounted)
            countPass();
        state_->timeline.carried();
        state_->passEnd = {elapsedNs() - state_->cutNs, state_->timeline.now};
        macro_.close();
        // A pass that neither sends nor waits still gives the event loop its
        // turn, and the processor a rest, as a wait would.
        clock_->sleepUntil(std::max(clock_->nowNs(), passStart + MinPassNs));
        if (paused_)
            sitOutPause();
        again = false;
        if (shouldStop()) {
            if (std::optional<RunEnd> end = waitOutPort(stopReason(repeat)))
                return *end;
        }
    }
}

void MacroRunner::markPassStart(bool again)
{
    auto &pass = state_->pass;
    pass.taken = 0;
    if (shared_) {
        // GETSTRs after the counted pass's last sending step took theirs
        // for that pass, as a run on one port skips them; a cut pass gave
        // its entries back, and claims afresh.
        releaseEntries(!again);
    }
    if (!again) {
        pass.entry = state_->entry;
        pass.timeline = state_->timeline;
        pass.elapsedNs = elapsedNs();
        pass.addresses.clear();
        return;
    }
    // As it started: the same address lines, and the estimate where it stood.
    setEntry(pass.entry);
    state_->timeline = pass.timeline;
    state_->cutNs += elapsedNs() - pass.elapsedNs;
    pass.elapsedNs = elapsedNs();
}

std::optional<RunEnd> MacroRunner::waitOutPort(RunEnd end)
{
    if (end != RunEnd::Failed || pendingReport_.kind != RunReport::LinkFailed || !linkFailure_ ||
        !host_.canWaitForPort())
        return end;
    // The frames on their way when it failed may not have reached the device:
    // the pass counts once it has been typed again.
    state_->passPending = false;
    // Another port may take them meanwhile.
    releaseEntries(false);
    host_.portLost(*linkFailure_);
    setPaused(true);
    waitingForPort_ = true;
    for (qint64 at = clock_->nowNs() + PortRetryNs;; at += PortRetryNs) {
        while (MacroExe && !abandoned_ && clock_->nowNs() < at)
            clock_->sleepUntil(at);
        if (!MacroExe || abandoned_ || link_.OpenPort())
            break;
    }
    waitingForPort_ = false;
    linkFailure_.reset();
    pendingReport_ = {};
    if (MacroExe && !abandoned_) {
        host_.portBack();
        sitOutPause();
    }
    if (abandoned_)
        return RunEnd::Abandoned;
    // Stopped while it waited: the counter stands at the passes delivered.
    if (!MacroExe)
        return RunEnd::Stopped;
    return std::nullopt;
}

std::optional<RunEnd> MacroRunner::start(const Estimate &estimate)
{
    link_.setCommPort(host_.portText());
    link_.ClosePort(Link::CloseMode::Drain);
    if (!link_.OpenPort()) {
        RunReport report;
        report.kind = RunReport::PortFailed;
        report.link = link_.lastError();
        return fail(report);
    }
    // A split run's list is opened once for all its ports.
    state_->addrPath = shared_ ? shared_->addrFile() : host_.addrFile();
    state_->format = fieldFormatOf(state_->addrPath);
    if (!shared_ && !state_->addrPath.isEmpty()) {
        const RunReport report = openAddresses(addresses_, state_->addrPath, state_->addressSkip);
        if (report.kind != RunReport::None)
            return fail(report);
        if (const RunReport guess = guessReport(state_->addrPath, addresses_.lines());
            guess.kind != RunReport::None)
            host_.warn(guess);
    }
    // How long the run takes and how many passes the list gives, as the check
    // counted them. For the progress only: a file that changes meanwhile just
    // makes this wrong.
    // A split run's passes are as many as it wins entries: its progress is
    // the list's.
    const bool known = !shared_ && (estimate.passes == Estimate::OnePass ||
                                    estimate.passes == Estimate::FromAddresses);
    state_->totalSeconds = known ? estimate.totalSeconds : -1.0;
    state_->progress.finalCounter = !shared_ && estimate.passes == Estimate::FromAddresses
                                        ? state_->counter + estimate.passCount
                                        : -1;
    if (journalOn_ && shared_)
        journalled(journal_->beginSplit(host_.macroFile(), state_->addrPath, host_.portText(),
                                        state_->counter, shared_->skip(),
                                        shared_->deliveredBefore()));
    else if (journalOn_)
        journalled(journal_->begin(host_.macroFile(), state_->addrPath, host_.portText(),
                                   state_->counter, addressEntriesTaken(), journalPerPort_));
    state_->startNs = clock_->nowNs();
    pausedNs_ = 0;
    return std::nullopt;
}

std::optional<RunEnd> MacroRunner::runPass(MacroStep *repeat)
{
    macroPath_ = host_.macroFile();
    if (!macro_.open(macroPath_))
        return fail(fileReport(RunReport::MacroOpenFailed, macroPath_, macro_.lines()));
    if (const RunReport guess = guessReport(macroPath_, macro_.lines());
        state_->step == 0 && guess.kind != RunReport::None)
        host_.warn(guess); // once, at the start
    const PassCount pass = readPass(macroPath_);
    state_->countAt = pass.repeats ? pass.lastSendLine : 0;
    state_->passPending = state_->passCounted = false;
    for (;;) {
        std::optional<MacroStep> s = macro_.next();
        if (!s) {
            if (!macro_.errorString().isEmpty())
                return fail(fileReport(RunReport::MacroReadFailed, macroPath_, macro_.lines()));
            return RunEnd::EndOfMacro;
        }
        ++state_->step;
        host_.setStatus(QString::number(state_->step) + QLatin1Char(' ') + s->word());
        showProgress();

        const FoundCommand found = findCommand(s->word());
        const bool firstTime = warnOnce(*s);
        if (const RunReport habit = habitReport(*s, found.command, macroPath_);
            firstTime && habit.kind != RunReport::None)
            host_.warn(habit);
        if (found.command == Command::Repeat) {
            if (!state_->passCounted && state_->counter >= MaxPassCounter)
                return fail(stepReport(RunReport::CounterOverflow, *s));
            // A pass counts once its last frame has left the line, so that the
            // counter is always a safe place to go on from. A stop lets these
            // frames go (two at most); a failed port or the program's end does
            // not count them.
            if (!pacer_.waitUntilCarried([this] { return abandoned_ || linkFailure_; }) &&
                (abandoned_ || linkFailure_))
                return stopReason(*s);
            *repeat = std::move(*s);
            return std::nullopt;
        }
        const qint64 dropped = dropped_;
        if (std::optional<RunEnd> end = runStep(*s, found, firstTime))
            return end;
        // The pass counts once the last frame of its last sending step has
        // left the line; a step cut short by a stop leaves it uncounted.
        if (s->line == state_->countAt)
            state_->passPending = dropped_ == dropped;
        WaitSeconds(state_->timeline.baseWait);
        if (shouldStop())
            return stopReason(*s);
    }
}

std::optional<RunEnd> MacroRunner::runStep(const MacroStep &s, const FoundCommand &found,
                                           bool firstTime)
{
    switch (found.command) {
    case Command::Key:
        pacer_.SendKey(found.key.row, found.key.column, found.key.table);
        state_->timeline.step(1);
        return std::nullopt;
    case Command::BaseWait:
        if (RunReport report = readSeconds(s, macroPath_, &state_->timeline.baseWait);
            report.kind != RunReport::None)
            return fail(report);
        break;
    case Command::Sleep: {
        float seconds = 0.0f;
        if (RunReport report = readSeconds(s, macroPath_, &seconds); report.kind != RunReport::None)
            return fail(report);
        WaitSeconds(seconds);
        state_->timeline.step(0, double(seconds));
        return std::nullopt;
    }
    case Command::Repeat:
        break;
    case Command::GetStr:
        if (std::optional<RunEnd> end = shared_ ? claimAddress(s) : takeAddress())
            return end;
        break;
    case Command::SendStr:
        return sendAddress(s);
    case Command::String:
        if (firstTime)
            warnUnsendable(macroPath_, s.line, s.argument());
        SendStr(pacer_, s.argument());
        state_->timeline.step(framesOfText(s.argument()));
        return std::nullopt;
    case Command::None:
        if (firstTime)
            host_.warn(stepReport(RunReport::UnknownCommand, s));
        break;
    }
    state_->timeline.step(0); // the base wait alone
    return std::nullopt;
}

std::optional<RunEnd> MacroRunner::takeAddress()
{
    if (state_->addrPath.isEmpty())
        return std::nullopt; // nothing to read: the address stays as it is
    auto &pass = state_->pass;
    if (pass.taken < pass.addresses.size()) {
        // A pass started again takes the lines it took before.
        setEntry(pass.addresses.at(pass.taken++));
        return std::nullopt;
    }
    std::optional<AddressEntry> entry = addresses_.next();
    if (!entry) {
        if (addresses_.failed())
            return fail(addressReport(RunReport::AddrReadFailed, state_->addrPath, addresses_));
        return RunEnd::AddressListDone;
    }
    pass.addresses.append(*entry);
    ++pass.taken;
    setEntry(*entry);
    return std::nullopt;
}

std::optional<RunEnd> MacroRunner::claimAddress(const MacroStep &s)
{
    auto &pass = state_->pass;
    bool waiting = false;
    const auto goOn = [&] {
        if (std::exchange(waiting, false))
            host_.waitingForEntry(false);
    };
    for (;;) {
        const SharedEntries::Claimed claimed = shared_->claim(host_.portText());
        switch (claimed.result) {
        case SharedEntries::Claim::Entry:
            goOn();
            if (pass.addresses.isEmpty())
                pass.sentAtClaim = framesSent_;
            pass.addresses.append(claimed.entry);
            setEntry(claimed.entry);
            return std::nullopt;
        case SharedEntries::Claim::Done:
            goOn();
            return RunEnd::AddressListDone;
        case SharedEntries::Claim::Failed:
            goOn();
            return fail(claimed.report);
        case SharedEntries::Claim::Wait:
            break;
        }
        if (!std::exchange(waiting, true))
            host_.waitingForEntry(true);
        // The run's own wait: a stop, a pause and the pass before still
        // come through, and the processor rests.
        WaitSeconds(EntryRetrySeconds);
        if (shouldStop()) {
            goOn();
            return stopReason(s);
        }
    }
}

void MacroRunner::releaseEntries(bool deliver)
{
    auto &pass = state_->pass;
    if (!shared_ || pass.addresses.isEmpty())
        return;
    if (deliver && journalOn_)
        journal_->addDelivered(pass.addresses); // written as the pass counts, or the run ends
    if (deliver)
        shared_->delivered(pass.addresses, host_.portText());
    else
        shared_->giveBack(pass.addresses, host_.portText(), framesSent_ > pass.sentAtClaim);
    pass.addresses.clear();
}

void MacroRunner::setEntry(const AddressEntry &entry)
{
    state_->entry = entry;
    state_->fields = fieldsOf(entry.text, state_->format);
    state_->progress.entryName = entry.line > 0 ? state_->fields.constFirst() : QString();
}

std::optional<RunEnd> MacroRunner::sendAddress(const MacroStep &s)
{
    qint64 field = 0;
    if (RunReport report = readField(s, macroPath_, &field); report.kind != RunReport::None)
        return fail(report);
    const AddressEntry &entry = state_->entry;
    const std::optional<QString> text = fieldOf(entry.text, state_->fields, field);
    // Before the first GETSTR there is no entry to warn about.
    if (entry.line > 0 && !text)
        host_.warn(missingField(state_->addrPath, entry.line, field, state_->fields.size()));
    else if (entry.line > 0)
        warnUnsendable(state_->addrPath, entry.line, *text, field);
    const QString typed = text.value_or(QString());
    SendAddress(
        pacer_, [this](const QString &shown) { host_.setAddress(shown); }, typed);
    state_->timeline.step(framesOfText(typed));
    return std::nullopt;
}

RunReport MacroRunner::stepReport(RunReport::Kind kind, const MacroStep &s) const
{
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
}

RunEnd MacroRunner::stopReason(const MacroStep &s)
{
    if (abandoned_)
        return RunEnd::Abandoned;
    if (linkFailure_)
        return fail(stepReport(RunReport::LinkFailed, s));
    return RunEnd::Stopped;
}

bool MacroRunner::warnOnce(const MacroStep &s)
{
    const QPair<QString, qint64> at{macroPath_, s.line};
    if (state_->warned.contains(at))
        return false;
    state_->warned.insert(at);
    return true;
}

void MacroRunner::warnUnsendable(const QString &file, qint64 line, const QString &text,
                                 qint64 field)
{
    for (const QString &c : unsendableCharacters(text).characters) {
        RunReport warning;
        warning.kind = RunReport::Unsendable;
        warning.file = file;
        warning.line = line;
        warning.lineText = text;
        warning.value = c;
        warning.field = field;
        host_.warn(warning);
    }
}

bool MacroRunner::countIfCarried()
{
    if (!state_ || !state_->passPending)
        return false;
    if (link_.isOpen() && link_.framesInFlight() == 0)
        countPass();
    return state_->passPending;
}

void MacroRunner::countPass()
{
    // At its largest the counter waits for REPEAT, which reports it.
    if (state_->counter >= MaxPassCounter)
        return;
    state_->passPending = false;
    state_->passCounted = true;
    ++state_->counter;
    releaseEntries(true);
    if (journalOn_)
        journalled(journal_->update(state_->counter, addressEntriesTaken()));
    host_.setCounterText(QString::number(state_->counter));
}

qint64 MacroRunner::addressEntriesTaken() const
{
    // GETSTRs after the pass's last sending step took theirs too: the run
    // going on would not take them again either.
    if (!state_ || state_->addrPath.isEmpty())
        return 0;
    if (shared_)
        return shared_->skip(); // the list's, the same for every port
    return std::max(state_->addressSkip, state_->entry.number);
}

void MacroRunner::journalled(const RunReport &report)
{
    if (report.kind != RunReport::None)
        host_.warn(report);
}

qint64 MacroRunner::elapsedNs() const
{
    return clock_->nowNs() - state_->startNs - pausedSoFarNs();
}

void MacroRunner::showProgress()
{
    RunProgress &progress = state_->progress;
    progress.step = state_->step;
    progress.counter = state_->counter;
    progress.paused = paused_;
    progress.elapsedNs = elapsedNs();
    progress.remainingNs = timeToGo();
    host_.setProgress(progress);
}

qint64 MacroRunner::timeToGo()
{
    if (state_->totalSeconds < 0.0)
        return -1;
    // What the estimate has left from the step the run has come to, as much
    // longer or shorter as the passes done took against their estimate.
    double left = state_->totalSeconds - state_->timeline.now;
    if (state_->passEnd.second > 0.0)
        left *= double(state_->passEnd.first) / 1e9 / state_->passEnd.second;
    qint64 remaining = std::max<qint64>(0, qint64(left * 1e9));
    // It only ever counts down.
    if (state_->remainingNs >= 0)
        remaining = std::min(remaining, state_->remainingNs);
    state_->remainingNs = remaining;
    return remaining;
}

} // namespace tapwright
