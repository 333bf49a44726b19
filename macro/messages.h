#pragma once

// Every report of the programs in words, in one place: English in the source,
// the Japanese in translations/tapwright_ja.ts. The language is that of the
// catalogue loaded on the application, English when none is.

#include <QCoreApplication>
#include <QString>
#include <QStringView>

class QLocale;

namespace tapwright {

struct LinkError;
struct RunReport;
struct CheckItem;
struct Estimate;
struct CheckReport;
struct RecordedNote;
enum class TextEncoding;
enum class PortState;

/// The translation context of the messages.
class Messages
{
    Q_DECLARE_TR_FUNCTIONS(Messages)
};

/// Installs the Japanese catalogue on the application when `locale` is
/// Japanese, and says whether it did. Call once, after the application object
/// exists.
bool loadCatalogue(const QLocale &locale);

/// The port as messages name it: the text the user gave, quoted, and the
/// system's device for it when that differs: "1" (/dev/ttyS0).
QString quotedPort(const LinkError &error);

/// Why a port failed, naming the port and the system's reason.
QString describe(const LinkError &error);

/// Why a run could not start or could not go on, or what it skipped:
/// "file:line: message", then the line itself, indented, where it is about
/// one line.
QString describe(const RunReport &report);

/// A message about the report's line, framed as reports show it:
/// "file:line: message", then the line itself, indented.
QString atLine(const RunReport &report, const QString &message);

/// A finding of a check, one line: "file:line: error: message" or
/// "file:line: warning: message" ("file: ..." when not about one line).
QString describe(const CheckItem &item);

/// The estimate, one line:
///   estimate: 5 frames, 1.2 s a pass (without the addresses); 3,000 passes
///   from the address list; about 1 h 12 min in all
QString describe(const Estimate &estimate);

/// Whether the check found anything: "no problems found", or the counts.
QString verdict(const CheckReport &report);
/// Why a run did not start: the check before it found errors.
QString refusedByCheck(const CheckReport &report);

/// What the user is told about a recorded line, "line 5: ...", the line
/// counted from `firstLine`, the number of the recording's first line.
QString describe(const RecordedNote &note, qint64 firstLine = 1);

/// A duration as the estimate words it: "0.7 s", "3 min 5 s", "1 h 12 min",
/// "2 d 3 h" (rounded to the last unit shown).
QString describeDuration(double seconds);

/// A character as messages name it: '山' (U+5C71); a tab and a line break in
/// words, other control characters and white space by their code alone,
/// U+0020, since they would not show.
QString describeCharacter(QStringView c);

/// The port of a run failed and the run waits for it to come back;
/// `howToEnd`, if given, says how to end the run meanwhile.
QString portGone(const LinkError &error, const QString &howToEnd = QString());
/// The port of a waiting run is back: what to do with the handheld before
/// `howToGoOn` (the key or the button that goes on).
QString portBack(const QString &port, const QString &howToGoOn);

/// The name of a reading of a file: "code page 932", "UTF-8", "UTF-16".
QString describe(TextEncoding encoding);
/// Where one port's run stands, a word or two for its row or status line.
QString describe(PortState state);

} // namespace tapwright
