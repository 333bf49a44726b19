#pragma once

#include "link/link.h"
#include "link/pacer.h"
#include "link/waitclock.h"
#include "macro/addresses.h"
#include "macro/macrofile.h"

#include <memory>
#include <optional>
#include <QObject>
#include <QString>

namespace tapwright {

struct CheckReport;
struct Estimate;
class RunJournal;
class SharedEntries;

/// Why a run could not start or could not go on, or what it skipped; worded
/// by describe() (macro/messages.h).
struct RunReport
{
    enum Kind
    {
        None,
        NoMacroFile,     ///< no macro file chosen
        BadCounter,      ///< the pass counter box holds no whole number in range
        CounterOverflow, ///< REPEAT would raise the counter past its largest value
        PortFailed,      ///< the port could not be opened at the start
        MacroOpenFailed, ///< the macro file could not be opened
        AddrOpenFailed,  ///< the address file could not be opened
        MacroReadFailed, ///< reading the macro file failed part-way
        AddrReadFailed,  ///< reading the address file failed part-way
        MissingNumber,   ///< BASEWAIT or SLEEP without its number
        BadNumber,       ///< BASEWAIT or SLEEP with something that is no number
        LinkFailed,      ///< the port failed during the run
        CounterPastEnd,  ///< the pass counter skips every line of the address file
        NotText,         ///< a file that is no text file (NUL bytes, UTF-32, a FIFO, ...)
        LineTooLong,     ///< a line beyond any sane length
        BadField,        ///< SENDSTR with something that is no field number
        UnclosedQuote,   ///< a quote in a CSV address file that is never closed
        // Warnings: the run goes on.
        Unsendable,      ///< a character the device cannot enter was skipped
        UnknownCommand,  ///< a command word that is neither a command nor a key name
        MissingField,    ///< SENDSTR n, and the entry has fewer fields: nothing typed
        EncodingGuessed, ///< both readings of a file are valid and differ: a guess
        // Habits from other tools: the step does something else than meant.
        KeyCount,    ///< a key with a number after it: pressed once all the same
        RepeatCount, ///< REPEAT with a number: starts the file again, counts once
        StringSpace, ///< STRING whose text goes on after a space: typed up to it
        // The run goes on, but could not be resumed after a crash.
        JournalFailed, ///< the run's journal could not be written
        // A run over several ports that did not start.
        NoPorts,     ///< no port given
        PortTwice,   ///< `value`: a serial port given more than once
        PortInUse,   ///< `value`: a port this program uses elsewhere, `reason`: by whom
        CheckFailed, ///< the check before the run found errors
    };
    Kind kind = None;
    QString file;     ///< the file the report is about
    qint64 line = 0;  ///< 1-based line number, 0 when the report is not about a line
    QString lineText; ///< that line as read
    QString command;  ///< the command word, for argument errors
    QString value;    ///< the offending text (argument, counter text)
    QString reason;   ///< the system's reason, for files
    LinkError link;   ///< for PortFailed and LinkFailed
    /// The field of the entry the report is about (Unsendable, MissingField),
    /// 0 for the whole entry; for MissingField `value` holds the fields it has.
    qint64 field = 0;
    /// For EncodingGuessed: the reading taken; `line` and `lineText` are the
    /// first line that differs, as the other reading has it.
    TextEncoding encoding = TextEncoding::Cp932;

    bool isError() const { return kind != None && !isWarning(); }
    bool isWarning() const
    {
        return kind == Unsendable || kind == UnknownCommand || kind == MissingField ||
               kind == EncodingGuessed || kind == KeyCount || kind == RepeatCount ||
               kind == StringSpace || kind == JournalFailed;
    }
};

/// How a run ended.
enum class RunEnd {
    NotStarted,      ///< no macro file, or a bad pass counter; nothing changed
    EndOfMacro,      ///< the macro file ended
    AddressListDone, ///< GETSTR found no further address line
    Stopped,         ///< the stop was requested
    Failed,          ///< a report ended it
    Abandoned,       ///< the program is quitting: no end sequence ran
};

/// A run that takes longer than this has its end told (a beep, a notice): by
/// then its user may well have gone to do something else.
inline constexpr qint64 LongRunMs = 60 * 1000;

/// How far a run has come, after each step.
struct RunProgress
{
    qint64 step = 0;
    /// The pass counter now: the passes done, counted from the start value.
    qint64 counter = 0;
    /// The counter the address list ends the run at, or -1: no address list
    /// with REPEAT (one pass, or until stopped).
    qint64 finalCounter = -1;
    /// Time the run has taken so far, pauses left out.
    qint64 elapsedNs = 0;
    /// Time still to go, from the check's estimate of the run corrected by
    /// the passes done; -1 when the run goes on until stopped. Never rises.
    qint64 remainingNs = -1;
    bool paused = false;
    /// The current entry's first field, its name; empty before the first GETSTR.
    QString entryName;
};

/// What the runner drives: the window's labels, buttons and boxes, or the
/// command line's output.
class RunnerHost
{
public:
    virtual ~RunnerHost() = default;
    /// The macro file's path; read at the start of the run and of every pass.
    virtual QString macroFile() const = 0;
    /// The address file's path, empty for none; read at the start of the run.
    virtual QString addrFile() const = 0;
    /// The port text, taken at the start of the run.
    virtual QString portText() const = 0;
    /// The pass counter as the user typed it.
    virtual QString counterText() const = 0;
    virtual void setCounterText(const QString &text) = 0;
    /// The step number and command word, "12 SLEEP".
    virtual void setStatus(const QString &text) = 0;
    /// The current address, or the end mark.
    virtual void setAddress(const QString &text) = 0;
    /// Running: start disabled and stop enabled; idle: the reverse.
    virtual void setRunning(bool running) = 0;
    /// A run could not start or could not go on. Called once, after the end
    /// sequence, so the host is idle again when it shows the report.
    virtual void report(const RunReport &report) = 0;
    /// The check before the run found errors, and nothing was sent; the run
    /// did not start.
    virtual void checkFailed(const CheckReport &check) = 0;
    /// Something the user should know, while the run goes on: a character
    /// that was skipped, a step that does nothing.
    virtual void warn(const RunReport &warning) { Q_UNUSED(warning); }
    /// The run was paused, or goes on again.
    virtual void setPaused(bool paused) { Q_UNUSED(paused); }
    /// How far the run has come; after every step.
    virtual void setProgress(const RunProgress &progress) { Q_UNUSED(progress); }
    /// A frame was handed to the device's line, for the send log.
    virtual void frameSent(const KeyCode &code) { Q_UNUSED(code); }
    /// Whether someone is there to bring the handheld back to the start of a
    /// pass and resume: a port that fails during the run is then waited for,
    /// and the run does not end.
    virtual bool canWaitForPort() const { return false; }
    /// The port failed during the run; the run is paused and tries to open it
    /// again every second. Only when canWaitForPort().
    virtual void portLost(const LinkError &error) { Q_UNUSED(error); }
    /// The port opened again; the run stays paused until it is resumed, and
    /// then starts the cut pass again from its first line.
    virtual void portBack() {}
    /// A split run: no entry of the shared list is free, but other ports
    /// hold some that may come back, and the run waits for them (true); or it
    /// goes on (false).
    virtual void waitingForEntry(bool waiting) { Q_UNUSED(waiting); }
};

/// The end mark shown in the address label when a run ends.
QString endMark();

/// Runs a macro file against a link, pass after pass, until the file ends,
/// the address list is done, the stop is requested or something fails. Runs
/// on the caller's thread; waits deliver events, so the stop request and the
/// rest of the program keep working during a run.
class MacroRunner : public QObject
{
    Q_OBJECT
public:
    MacroRunner(RunnerHost &host, Link &link, QObject *parent = nullptr);
    ~MacroRunner() override;

    /// Uses `clock` instead of the real one (tests). Not owned.
    void setClock(WaitClock *clock);

    /// Whether a run checks its files first, as the check does, and starts
    /// only when the check finds no error. On by default.
    void setCheckFirst(bool on) { checkFirst_ = on; }

    /// Starts a run and returns when it has ended.
    RunEnd run();
    /// Asks the run to stop at its next check; nothing happens outside a run.
    void requestStop();
    /// Pauses the run: within two frame times nothing more reaches the
    /// device, and the step and the wait go on where they stood once it is
    /// resumed. Nothing happens outside a run, nor does a resume while the
    /// run waits for its port.
    void setPaused(bool paused);
    bool isPaused() const { return paused_; }
    /// The program is quitting: the run returns as soon as it can, without its
    /// end sequence.
    void abandon();

    bool isRunning() const { return running_; }
    /// True while a run goes on and may go on; the stop request clears it.
    bool MacroExe = false;

    /// Waits `seconds`, returning early when the stop is requested or the link
    /// fails. Events are delivered meanwhile, at least once even for a wait of
    /// 0; a negative wait returns at once. Time spent paused does not count.
    void WaitSeconds(float seconds);

    /// Keeps a journal of each run (off until turned on): where the device
    /// has come to, to go on from after a crash.
    void setJournal(bool on) { journalOn_ = on; }
    /// A run over several ports keeps a journal for each port, named by the
    /// port too. Off: the one journal of the macro and address file.
    void setJournalPerPort(bool on) { journalPerPort_ = on; }
    /// A split run: GETSTR claims its entries from `entries`, the list the
    /// runs of several ports share, instead of reading the address file
    /// itself; a pass that is cut gives its entries back, and a pass that
    /// counts delivers them. nullptr: the run's own list. Not owned; set
    /// before run().
    void setSharedEntries(SharedEntries *entries) { shared_ = entries; }
    /// The next run skips this many address entries instead of the counter's,
    /// one a pass: the entries a journal counted. Only the next run, whether
    /// it starts or is refused.
    void setAddressSkip(qint64 entries) { addressSkip_ = entries; }
    /// The address entries that the passes delivered so far took, counted
    /// from the file's start; a run going on from the counter skips these.
    qint64 addressEntriesTaken() const;

    /// What the run's frames go through; for the benchmarks.
    const Pacer &pacer() const { return pacer_; }

private:
    /// What a run keeps from its start to its end.
    struct RunState;

    /// `addressSkip`: the address lines to skip before the first GETSTR.
    RunEnd execute(qint64 passCounter, qint64 addressSkip, const Estimate &estimate);
    /// Where the pass starts, to start it again after a failed port.
    void markPassStart(bool again);
    /// Waits for a port that failed during the run, when the host can wait:
    /// nothing when it is back and the run resumed; the run's end otherwise,
    /// `end` itself when the host cannot wait or the port did not fail.
    std::optional<RunEnd> waitOutPort(RunEnd end);
    /// Opens the port and the address list; the run's end when it cannot start.
    std::optional<RunEnd> start(const Estimate &estimate);
    /// Runs the steps of one pass. Nothing when REPEAT ends the pass with all
    /// its frames carried (`repeat` is then that step); the run's end otherwise.
    std::optional<RunEnd> runPass(MacroStep *repeat);
    /// Executes one step other than REPEAT; the run's end when it ends the run.
    /// `firstTime`: the step's line has not warned yet in this run.
    std::optional<RunEnd> runStep(const MacroStep &step, const FoundCommand &found, bool firstTime);
    /// GETSTR: the next address entry; at the end of the list the run ends.
    std::optional<RunEnd> takeAddress();
    /// GETSTR of a split run: the next entry of the shared list, waiting
    /// while other ports hold the last ones; at the list's end the run ends.
    std::optional<RunEnd> claimAddress(const MacroStep &step);
    /// A split run's pass is done with the entries it claimed: delivered, or
    /// given back to the shared list for any port to take.
    void releaseEntries(bool deliver);
    /// SENDSTR: the entry, or the field of it the step names.
    std::optional<RunEnd> sendAddress(const MacroStep &step);
    /// Makes `entry` the current address, and its first field the name shown.
    void setEntry(const AddressEntry &entry);
    RunEnd fail(RunReport report);
    /// Why the run stops after `step`: quitting, a failed port, or the stop.
    RunEnd stopReason(const MacroStep &step);
    RunReport stepReport(RunReport::Kind kind, const MacroStep &step) const;
    bool warnOnce(const MacroStep &step);
    void warnUnsendable(const QString &file, qint64 line, const QString &text, qint64 field = 0);
    void onLinkFailed(const LinkError &error);
    bool shouldStop() const;
    /// Counts the pass once its last sending step's frames have all left the
    /// line; true while it still waits for them.
    bool countIfCarried();
    /// Raises the pass counter for this pass, once.
    void countPass();
    /// Tells the host of a journal that could not be written.
    void journalled(const RunReport &report);

    /// Sleeps while paused.
    void sitOutPause();
    /// Time the run has been paused so far, the pause going on included.
    qint64 pausedSoFarNs() const;
    /// When to look again whether the line has carried the pass's last
    /// frame, as the line moves on: at the latest `untilNs`.
    qint64 nextCarryLook(qint64 untilNs) const;
    /// Time the run has taken so far, pauses left out.
    qint64 elapsedNs() const;
    void showProgress();
    /// The time to go from the step the run has come to.
    qint64 timeToGo();

    RunnerHost &host_;
    Link &link_;
    Pacer pacer_;
    EventLoopClock realClock_;
    WaitClock *clock_;
    bool running_ = false;
    bool abandoned_ = false;
    bool paused_ = false;
    bool checkFirst_ = true;
    bool waitingForPort_ = false;
    qint64 pausedNs_ = 0;
    qint64 pausedAtNs_ = 0;
    qint64 dropped_ = 0; ///< frames the pacer dropped for a stop or a failure
    qint64 framesSent_ = 0; ///< frames handed to the line, ever
    std::optional<LinkError> linkFailure_;
    RunReport pendingReport_;
    MacroReader macro_;
    AddressReader addresses_;
    QString macroPath_;
    std::unique_ptr<RunState> state_;
    bool journalOn_ = false;
    bool journalPerPort_ = false;
    SharedEntries *shared_ = nullptr;
    qint64 addressSkip_ = -1;
    std::unique_ptr<RunJournal> journal_;
};

} // namespace tapwright
