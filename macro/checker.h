#pragma once

#include "macro/runner.h"

#include <functional>
#include <QList>
#include <QString>

namespace tapwright {

/// One finding of a check: what the run would report or trip over, before
/// anything is sent. The data is kept apart from its wording, which
/// macro/messages.h gives.
struct CheckItem
{
    enum Kind
    {
        /// Something the run itself reports; `report.kind` says what: the file
        /// errors, MissingNumber, BadNumber, BadField, CounterPastEnd,
        /// UnclosedQuote (errors) and Unsendable, UnknownCommand, MissingField
        /// (warnings). Of the entries that lack a field, the first is named.
        Run,
        NegativeWait,    ///< BASEWAIT or SLEEP below 0: no wait at all
        LongWait,        ///< BASEWAIT or SLEEP of more than LongWaitSeconds
        HashLine,        ///< a line starting with "#": there are no comments
        Unreachable,     ///< lines after REPEAT: the pass starts again before them
        GetStrNoAddress, ///< GETSTR without an address file: it reads nothing
        NoGetStr,        ///< an address file, but no GETSTR reads it
        NoRepeat,        ///< an address file, but no REPEAT: the macro runs once
        PartialLastPass, ///< the list runs out part-way through a pass
        NoAddressLeft,   ///< the counter leaves no address line for GETSTR
        TabsInEntry,     ///< a plain SENDSTR types tabs: `count`, its line in the macro
        MoreFindings,    ///< `count` more lines with warnings, not listed
    };
    enum Severity
    {
        Warning,
        Error
    };

    Kind kind = Run;
    Severity severity = Warning;
    /// file, line (0: the whole file), lineText, command, value, reason as
    /// the run fills them; for Kind::Run also the run's kind.
    RunReport report;
    /// A better word or text: the nearest command or key name (Run with
    /// UnknownCommand), or what the device can enter instead of an
    /// unsendable character ('ｱ' for 'ア'). Empty for none.
    QString suggestion;
    /// A character the device cannot enter, and what it can enter instead.
    struct Character
    {
        QString text;
        QString suggestion; ///< empty for none
    };
    /// For Run with Unsendable: each character of the line the device cannot
    /// enter, once, in order. `report.value` and `suggestion` are the first.
    QList<Character> characters;
    /// Figures: for NoRepeat and PartialLastPass the GETSTRs of a pass; for
    /// Unreachable the line of the REPEAT; for MoreFindings the lines.
    qint64 count = 0;
    /// For NoRepeat and PartialLastPass the address lines from the counter
    /// on; the last pass of PartialLastPass gets `total` % `count` of them.
    qint64 total = 0;

    bool isError() const { return severity == Error; }
};

/// A wait beyond this many seconds (a day) is most likely a slip.
inline constexpr double LongWaitSeconds = 86400.0;

/// How long a run takes, from the macro's steps and the address lines, on the
/// device's paced line: a frame takes frameSeconds() there (a key 1 frame, a
/// character 1 or 2, 0 when skipped), and the run goes on with its waits (the
/// base wait after each step, SLEEP's own; a negative one counts as none)
/// while the line still carries the frames handed to it. A pass ends once
/// the line has carried its frames. The pass in which GETSTR finds no further
/// line runs up to that GETSTR, and counts in the total. The run's time to go
/// comes from this estimate too.
struct Estimate
{
    enum Passes
    {
        Unknown,       ///< the files have errors: no estimate
        OnePass,       ///< no REPEAT: the macro runs once
        UntilStopped,  ///< REPEAT and no address line is ever read
        FromAddresses, ///< REPEAT, and GETSTR ends the run with the address list
    };
    Passes passes = Unknown;
    /// Frames of one pass without the addresses' frames: keys, STRING.
    qint64 framesPerPass = 0;
    /// Seconds of one pass, the addresses not counted. With REPEAT it is a
    /// pass as it repeats, with the base wait the pass before it left.
    double secondsPerPass = 0.0;
    /// The pass types addresses (SENDSTR): the figures above leave them out.
    bool typesAddresses = false;
    /// Whole passes the address list gives (FromAddresses).
    qint64 passCount = 0;
    /// Seconds of the whole run, every address with its real frames; also
    /// for OnePass. Not for UntilStopped.
    double totalSeconds = 0.0;
};

/// Everything a check found, in the order of the files' lines: the macro
/// file, then the address file.
struct CheckReport
{
    QList<CheckItem> items;
    Estimate estimate;
    /// The progress stopped the check: the findings go up to where it was,
    /// and there is no estimate.
    bool cancelled = false;

    bool hasErrors() const;
};

/// Seconds one frame takes on the device's line: 146.67 ms.
double frameSeconds();

/// The frames SendStr sends for `text`: 1 or 2 a character, 0 for skipped.
qint64 framesOfText(QStringView text);

/// What the device can enter in place of `c`, a character it cannot enter:
/// the half-width form of a full-width katakana (ガ gives ｶﾞ), or the NFKC
/// form when the device can enter all of it. Empty when there is none.
QString replacementFor(QStringView c);

/// The nearest command word or key name to `word` (upper-cased as macro
/// words are), by edit distance (a swap of two neighbours counts one); empty
/// when none is within 2 edits and fewer edits than `word` has characters.
QString nearestName(QStringView word);

/// The lines with warnings a check lists; it counts the others (MoreFindings).
/// Errors are always listed: the first one ends the check of its file.
inline constexpr qint64 MaxListedLines = 1000;

/// How often a check tells its progress: every this many lines read.
inline constexpr qint64 CheckProgressLines = 4096;
/// Told the lines a check has read so far; false stops the check.
using CheckProgress = std::function<bool(qint64 lines)>;

/// Reads both files whole, as a run with this pass counter would read them,
/// and sends nothing. `addr` empty: no address file. The macro is read up to
/// the first line after its REPEAT, which the run never reads; the address
/// file is streamed once from the counter on, and only one pass's worth of
/// its lines' frames is kept. Each line with warnings gives one finding a
/// kind, its characters the device cannot enter named once each. Errors
/// leave the estimate Unknown. `progress`, if set, is called every
/// CheckProgressLines lines, and may stop the check. `addressSkip`, when not
/// negative, is the address lines skipped instead of the counter's, one a
/// pass: the lines a journal says the passes before took.
CheckReport checkFiles(const QString &macro, const QString &addr, qint32 counter,
                       const CheckProgress &progress = {}, qint64 addressSkip = -1);

/// Checks a macro that is not in a file, `text` (its lines separated by LF),
/// as checkFiles() checks a file; its findings name it `name`.
CheckReport checkText(const QString &name, const QString &text, const QString &addr, qint32 counter,
                      const CheckProgress &progress = {});

} // namespace tapwright
