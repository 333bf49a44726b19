#pragma once

#include <QString>
#include <QStringList>

namespace tapwright {
struct CheckReport;
}

namespace tapwright::cli {

struct CommandLine;

/// What `check` prints and returns.
struct CheckOutput
{
    /// The report: one line per finding, then one "estimate:" line.
    QString text;
    /// A wrong command line: the message for usageError(); `text` is empty.
    QString usage;
    /// 0: no errors (warnings allowed), 1: errors, 2: usage.
    int exitCode = 0;
};

/// `check MACRO [--addr FILE] [--counter N]`, arguments after the command
/// word: reads both files as a run with that pass counter would, sends
/// nothing. `--port PORT` and `--fast` are taken and ignored, so that a run's
/// command line can be checked as it stands.
CheckOutput checkOutput(const QStringList &args);

/// The lines of a check's report, as `check` prints them: one per finding,
/// then the estimate.
QString checkText(const CheckReport &report);

/// The report of `check` for a parsed command line, on stdout; returns the
/// exit code.
int checkCommand(const CommandLine &line);

} // namespace tapwright::cli
