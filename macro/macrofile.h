#pragma once

#include "link/keycode.h"
#include "macro/textreader.h"

#include <optional>
#include <QString>
#include <QStringList>

namespace tapwright {

/// One non-blank line of a macro file, cut into fields.
struct MacroStep
{
    qint64 line = 0;    ///< 1-based line number in the file
    QString text;       ///< the line as read
    QStringList fields; ///< cut at every single space; field 0 upper-cased

    /// The command word: field 0, upper-cased (ASCII letters only).
    QString word() const { return fields.value(0); }
    /// Field 1, the only argument any command reads.
    bool hasArgument() const { return fields.size() > 1; }
    QString argument() const { return fields.value(1); }
};

/// Cuts a line at every single space (U+0020) and upper-cases field 0. Two
/// spaces in a row give an empty field; tabs are ordinary characters; nothing
/// is trimmed.
QStringList splitFields(const QString &line);

/// Reads a macro file one step at a time, skipping blank lines.
class MacroReader
{
public:
    bool open(const QString &path);
    /// Reads `text`, a macro that is not in a file (an editor's), its lines
    /// separated by LF, as open() reads a file.
    bool openText(const QString &text);
    void close();
    /// The next step, or nothing at end of file or on a read error
    /// (errorString() is set then).
    std::optional<MacroStep> next();
    QString errorString() const;
    /// The file's lines as read so far, for reports of the file: what went
    /// wrong, if anything, and the lines consumed.
    const TextLineReader &lines() const { return reader_; }

private:
    TextLineReader reader_;
};

/// What a command word does.
enum class Command
{
    None,
    Key,
    BaseWait,
    Sleep,
    Repeat,
    GetStr,
    SendStr,
    String
};

struct FoundCommand
{
    Command command = Command::None;
    KeyCode key; ///< for Command::Key
};

/// Looks a command word up: key names first (plain, then "&" forms), then
/// BASEWAIT, SLEEP, REPEAT, GETSTR, SENDSTR and STRING; anything else is
/// Command::None, a step that does nothing.
FoundCommand findCommand(QStringView word);

/// The longest wait, about 31 years. Its nanoseconds (1e18) added to any
/// steady-clock reading of the next two centuries still fit in a qint64;
/// 1e9 is a float exactly, so no accepted value rounds past it.
inline constexpr double MaxWaitSeconds = 1e9;

/// Reads a number of seconds: digits with an optional sign and an optional
/// fraction after a ".". Nothing else is a number: no "," for the point, no
/// exponent, no unit, no white space. Gives nothing for anything else and for
/// values beyond MaxWaitSeconds either way (a negative wait is no wait).
std::optional<float> parseSeconds(QStringView text);

/// The largest pass counter; REPEAT cannot go past it.
inline constexpr qint64 MaxPassCounter = 2147483647;
inline constexpr qint64 MinPassCounter = -2147483647 - 1;

/// Reads the pass counter box: a number as parseSeconds() reads it (white space
/// around it allowed), rounded to the nearest whole number with a half going
/// to the even neighbour, within 32-bit signed range.
std::optional<qint32> parsePassCounter(QStringView text);
/// True when the pass counter box holds a number that parsePassCounter()
/// refuses only for its size.
bool passCounterOutOfRange(QStringView text);

} // namespace tapwright
