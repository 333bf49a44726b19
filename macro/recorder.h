#pragma once

#include "macro/addresses.h"

#include <optional>
#include <QList>
#include <QString>
#include <QStringList>

namespace tapwright {

/// One thing the keypad or the typing window sent while a recording ran.
struct RecordedSend
{
    enum Kind
    {
        Key,  ///< a keypad button, clicked or pressed from the typing window
        Text, ///< a text the typing window sent with Enter
    };
    Kind kind = Key;
    int button = -1; ///< Key: the keypad button's index
    QString text;    ///< Text: the text as typed
    qint64 ms = 0;   ///< when it was sent, in milliseconds of a steady clock
};

/// How the pauses between the recorded sends are written.
enum class RecordedWaits
{
    None,     ///< no waits at all
    BaseWait, ///< one BASEWAIT at the top: the shortest held pause
    Sleeps,   ///< the BASEWAIT, and a SLEEP where a pause was longer than it
};

/// A pause shorter than this is the rhythm of the user's clicks, not a wait
/// for the handheld's screen; it never sets the base wait.
inline constexpr double HeldPauseSeconds = 0.5;

/// Something the user is told about a recorded line.
struct RecordedNote
{
    enum Kind
    {
        SpaceDropped, ///< STRING cannot hold a space: the text was cut there
        FromAddress,  ///< the text equals a field of the next entry: SENDSTR
        NoKeyName,    ///< a keypad key no macro name presses (f6 to f10): left out
    };
    Kind kind = SpaceDropped;
    /// Index into RecordedMacro::lines: the SENDSTR; the line that follows
    /// the dropped space or key, or the last line when none follows (0 when
    /// there are no lines).
    int line = 0;
    int field = 0; ///< FromAddress: the field, 0 for the whole entry
    QString text;  ///< the text as typed; NoKeyName: the button's caption
};

/// Recorded sends as macro lines, with what the user is told about them.
struct RecordedMacro
{
    QStringList lines;
    QList<RecordedNote> notes;
};

/// Writes recorded sends as macro lines: a key as its macro name, a text as
/// STRING lines, one for each part between spaces (STRING cannot hold one).
/// `next`, when set, is the entry of the address file a run would take first
/// (read as `format` says): a text equal to one of its fields becomes
/// `SENDSTR n` (the first such field), or `SENDSTR` for the whole entry (also
/// for an entry of one field), after one GETSTR at the top. `repeat` ends the
/// pass with REPEAT.
///
/// The pause before a send is counted from when the line would have carried
/// the send before it (frameSeconds() a frame), in tenths of a second. With
/// `waits` BaseWait or Sleeps the first line is BASEWAIT with the shortest
/// pause of at least HeldPauseSeconds (none when no pause was held that
/// long); Sleeps writes before a longer pause a SLEEP of what the run's base
/// waits, after the step before and after the SLEEP, leave of it.
RecordedMacro recordedLines(const QList<RecordedSend> &sends, RecordedWaits waits,
                            const std::optional<AddressEntry> &next, FieldFormat format,
                            bool repeat);

/// The macro name of keypad button `index`: the name its caption reads where
/// that presses the same key (I1 for i1), else the first name that does (UP
/// for ↑, ENTER for ■); empty for an index with no key and for f6 to f10,
/// which no macro name presses.
QString keyNameOfButton(int index);

/// Tenths of a second as a macro writes them for BASEWAIT and SLEEP: "2",
/// "1.5", "0.3".
QString recordedSeconds(qint64 tenths);

} // namespace tapwright
