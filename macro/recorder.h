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
    };
    Kind kind = SpaceDropped;
    int line = 0;  ///< index into RecordedMacro::lines
    int field = 0; ///< FromAddress: the field, 0 for the whole entry
    QString text;  ///< the text as typed
};

/// Recorded sends as macro lines, with what the user is told about them.
struct RecordedMacro
{
    QStringList lines;
    QList<RecordedNote> notes;
};

/// Writes recorded sends as macro lines: a key as its macro name, a text as
/// STRING lines. `next`, when set, is the entry of the address file a run
/// would take first (read as `format` says): a text equal to one of its fields
/// becomes `SENDSTR n`, or `SENDSTR` for the whole entry, after one GETSTR at
/// the top. `repeat` ends the pass with REPEAT.
RecordedMacro recordedLines(const QList<RecordedSend> &sends, RecordedWaits waits,
                            const std::optional<AddressEntry> &next, FieldFormat format,
                            bool repeat);

/// The macro name of keypad button `index` (UP, ENTER, &F3), or empty for an
/// index that has no key.
QString keyNameOfButton(int index);

} // namespace tapwright
