#pragma once

#include "macro/addresses.h"
#include "macro/macrofile.h"
#include "macro/runner.h"
#include "macro/textreader.h"

#include <QString>

#include <algorithm>

namespace tapwright {

// The rules a run applies to its files, in one place: the run follows them
// as it goes, the check applies them before anything is sent.

/// Reads the seconds of a BASEWAIT or SLEEP step of `file` into `seconds`.
/// Gives a report of kind None, or MissingNumber or BadNumber with the step's
/// file, line, text, command word and argument; `seconds` is then untouched.
RunReport readSeconds(const MacroStep &step, const QString &file, float *seconds);

/// The report of a file that could not be opened (`kind` MacroOpenFailed or
/// AddrOpenFailed, line 0) or read part-way (MacroReadFailed or
/// AddrReadFailed, after the reader's last line), with the reader's reason. A
/// file that is no text, or a line too long, is reported as such.
RunReport fileReport(RunReport::Kind kind, const QString &path, const TextLineReader &reader);

/// The report of an address file that could not be opened or read, as
/// fileReport() gives it, or of a quote in it that is never closed
/// (UnclosedQuote, on the line where its field begins).
RunReport addressReport(RunReport::Kind kind, const QString &path, const AddressReader &reader);

/// Opens the address file at `path` and skips the entries that the passes
/// before this run took: `counter` entries, one a pass, or as many as a
/// journal counted (none for 0 or less). Gives a report
/// of kind None when the next entry is the first one for this run; otherwise
/// AddrOpenFailed, a read failure, or CounterPastEnd (line: the entries the
/// file has; value: the counter).
RunReport openAddresses(AddressReader &reader, const QString &path, qint64 counter);

/// Reads which field a SENDSTR step of `file` types into `field`: 0, the
/// whole entry, without an argument; n for "SENDSTR n", n a whole number
/// from 1 up. Gives a report of kind None, or BadField with the step's
/// file, line, text, command word and argument; `field` is then untouched.
RunReport readField(const MacroStep &step, const QString &file, qint64 *field);

/// The warning that the entry of `file` on `line` has only `fields` fields,
/// and so none numbered `field` for SENDSTR to type.
RunReport missingField(const QString &file, qint64 line, qint64 field, qint64 fields);

/// The warning about a habit from other tools that `step` of `file` shows,
/// or a report of kind None: a key with a number after it (KeyCount), REPEAT
/// with a number (RepeatCount), STRING whose text goes on after a space
/// (StringSpace). The step still does what it always did.
RunReport habitReport(const MacroStep &step, Command command, const QString &file);

/// The warning that the reader's encoding was a guess (EncodingGuessed), or a
/// report of kind None.
RunReport guessReport(const QString &path, const TextLineReader &reader);

/// Whether a step of this command hands frames to the device: a key,
/// SENDSTR and STRING (even when its text turns out to type nothing).
bool sends(Command command);

/// What a pass takes, from the steps of the macro up to its REPEAT.
struct PassCount
{
    qint64 getStrs = 0;   ///< GETSTRs in a pass: the address lines a pass takes
    bool repeats = false; ///< the pass ends with REPEAT and starts again
    /// The line of the pass's last step that sends, 0 for none: once its last
    /// frame has left the line, the device has the whole pass.
    qint64 lastSendLine = 0;

    /// Adds a step on `line`; false once the pass has ended (after REPEAT).
    bool add(Command command, qint64 line = 0);
    /// Whether the address list decides how many passes run.
    bool passesFromList() const { return repeats && getStrs > 0; }
    /// The whole passes that `lines` address lines give.
    qint64 passesOf(qint64 lines) const { return getStrs > 0 ? lines / getStrs : 0; }
};

/// What a pass of the macro file at `path` takes, read up to its REPEAT; of
/// a file that cannot be read, what could be.
PassCount readPass(const QString &path);

/// A run as its estimate follows it, on the device's paced line: the run
/// hands a frame over once fewer than PacedLead are ahead of the line,
/// and goes on with its waits while the line carries them. The check walks
/// the files with it, the run its own steps as they go.
struct Timeline
{
    double now = 0.0;      ///< seconds into the run
    double lineFree = 0.0; ///< when the line has carried every frame
    float baseWait = 0.0f; ///< the wait after every step

    /// A step other than REPEAT: its frames, then its own wait (SLEEP's),
    /// then the base wait. A negative wait returns at once.
    void step(qint64 frames, double wait = 0.0);
    /// REPEAT, or the end of the run: the line carries what it was handed.
    void carried() { now = std::max(now, lineFree); }
};

} // namespace tapwright
