#pragma once

#include <QString>
#include <QStringList>

namespace tapwright::cli {

/// The commands of the tool.
enum class Command
{
    Key,
    Type,
    Run,
    Check,
    Monitor,
    Journal,
    Help,
};

/// A command line, parsed by one QCommandLineParser for every command.
struct CommandLine
{
    Command command = Command::Help;
    /// `--help` or `-h` was given: nothing else counts.
    bool help = false;
    /// Set, and not blank, for the commands that need it: the first of
    /// `ports`.
    QString port;
    /// run: every --port, in the order given; two or more make a run over
    /// several ports.
    QStringList ports;
    /// run over several ports: each address entry goes to one device only.
    bool split = false;
    QString addr;
    qint32 counter = 0;
    bool fast = false;
    bool noCheck = false; ///< run: start without the check
    /// run: go on from the open journal of the macro and address file.
    bool resume = false;
    /// run: keep a journal (not with --no-journal).
    bool journal = true;
    QStringList arguments;
    /// What is wrong with the command line, for usageError(); empty when
    /// nothing is.
    QString problem;
};

/// Parses a whole command line without the program name: the command word,
/// then its options and arguments.
CommandLine parseCommandLine(const QStringList &args);

/// The usage text for --help, made from the options the parser takes.
QString helpText();

} // namespace tapwright::cli
