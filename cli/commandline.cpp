#include "cli/commandline.h"

#include "macro/macrofile.h"
#include "text/textsender.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <utility>

namespace tapwright::cli {

namespace {

enum Option
{
    PortOption,
    AddrOption,
    CounterOption,
    FastOption,
    NoCheckOption,
    ResumeOption,
    NoJournalOption,
    SplitOption,
    HelpOption,
    OptionCount,
};

/// Every option the tool knows, with its words for --help.
std::array<QCommandLineOption, OptionCount> allOptions()
{
    return {
        QCommandLineOption(QStringLiteral("port"),
                           QCoreApplication::translate("tapwright-cli",
                                                       "the port to send to; key, type and run\n"
                                                       "need it, and there is no default (see\n"
                                                       "PORT below); run takes it again for\n"
                                                       "each further port"),
                           QStringLiteral("PORT")),
        QCommandLineOption(QStringLiteral("addr"),
                           QCoreApplication::translate("tapwright-cli",
                                                       "the address file: one entry a line, its\n"
                                                       "fields between tabs, or a .csv file;\n"
                                                       "GETSTR takes the next entry"),
                           QStringLiteral("FILE")),
        QCommandLineOption(QStringLiteral("counter"),
                           QCoreApplication::translate("tapwright-cli",
                                                       "the pass counter to start from (default\n"
                                                       "0): as many address entries are skipped"),
                           QStringLiteral("N")),
        QCommandLineOption(QStringLiteral("fast"),
                           QCoreApplication::translate("tapwright-cli",
                                                       "drop the pacing on any port, for a device\n"
                                                       "with a buffer of its own")),
        QCommandLineOption(QStringLiteral("no-check"),
                           QCoreApplication::translate("tapwright-cli",
                                                       "start without checking the files first;\n"
                                                       "the run then stops at the first bad line\n"
                                                       "it comes to")),
        QCommandLineOption(QStringLiteral("resume"),
                           QCoreApplication::translate("tapwright-cli",
                                                       "go on from the journal of the macro and\n"
                                                       "address file: the passes the device got\n"
                                                       "and the address entries they took")),
        QCommandLineOption(
            QStringLiteral("no-journal"),
            QCoreApplication::translate("tapwright-cli", "keep no journal of the run")),
        QCommandLineOption(QStringLiteral("split"),
                           QCoreApplication::translate("tapwright-cli",
                                                       "run over several ports: each address\n"
                                                       "entry goes to one device only, whichever\n"
                                                       "is ready first (without it, every device\n"
                                                       "gets the whole list)")),
        QCommandLineOption(
            QStringList{QStringLiteral("h"), QStringLiteral("help")},
            QCoreApplication::translate("tapwright-cli", "show this text, also after any command")),
    };
}

/// A command: its word, the options it takes, and what --help says of it.
struct CommandSpec
{
    Command command;
    const char *word;
    std::initializer_list<Option> options;
    /// Taken and ignored, and not shown: `check` takes a run's command line.
    std::initializer_list<Option> ignored;
    bool needsPort;
    const char *arguments;
    int minArguments;
    int maxArguments; ///< -1: no limit
    const char *argumentsProblem;
    const char *description;
};

const CommandSpec Commands[] = {
    {Command::Key,
     "key",
     {PortOption, FastOption},
     {},
     true,
     "NAME...",
     1,
     -1,
     QT_TRANSLATE_NOOP("tapwright-cli", "key needs at least one key name"),
     QT_TRANSLATE_NOOP("tapwright-cli", "press keys by their macro names (UP, &ENTER,\n"
                                        "F12, 5, #, ...); case does not matter")},
    {Command::Type,
     "type",
     {PortOption, FastOption},
     {},
     true,
     "TEXT",
     1,
     1,
     QT_TRANSLATE_NOOP("tapwright-cli", "type needs exactly one TEXT argument (quote it)"),
     QT_TRANSLATE_NOOP("tapwright-cli", "type TEXT (UTF-8) character by character;\n"
                                        "characters the device cannot enter are\n"
                                        "skipped and listed")},
    {Command::Run,
     "run",
     {PortOption, AddrOption, CounterOption, FastOption, NoCheckOption, ResumeOption,
      NoJournalOption, SplitOption},
     {},
     true,
     "MACRO",
     1,
     1,
     QT_TRANSLATE_NOOP("tapwright-cli", "run needs exactly one MACRO file"),
     QT_TRANSLATE_NOOP("tapwright-cli", "check the files as check does and, with no\n"
                                        "error, run the macro file pass after pass;\n"
                                        "GETSTR takes the next line of FILE; Ctrl-C\n"
                                        "stops the run and prints the pass counter\n"
                                        "to continue from; on a terminal, p or space\n"
                                        "pauses the run and goes on, Ctrl-Z pauses it\n"
                                        "until fg, a lost port is waited for and r\n"
                                        "goes on once it is back, and a status line\n"
                                        "at the bottom shows the pass, the address,\n"
                                        "the time taken and the time to go")},
    {Command::Check,
     "check",
     {AddrOption, CounterOption},
     {PortOption, FastOption},
     false,
     "MACRO",
     1,
     1,
     QT_TRANSLATE_NOOP("tapwright-cli", "check needs exactly one MACRO file"),
     QT_TRANSLATE_NOOP("tapwright-cli", "read both files as a run would, report what\n"
                                        "the run would stumble on (FILE:LINE:\n"
                                        "error|warning: ...) and estimate how long it\n"
                                        "takes; sends nothing; exit status 1 when\n"
                                        "there are errors")},
    {Command::Monitor,
     "monitor",
     {},
     {},
     false,
     "[PORT]",
     0,
     1,
     QT_TRANSLATE_NOOP("tapwright-cli", "monitor takes at most one PORT"),
     QT_TRANSLATE_NOOP("tapwright-cli", "show what arrives on PORT, decoded; without\n"
                                        "PORT, create a virtual terminal (a\n"
                                        "pseudo-terminal) and print its path, for\n"
                                        "any program to send to")},
    {Command::Journal,
     "journal",
     {},
     {},
     false,
     "",
     0,
     0,
     QT_TRANSLATE_NOOP("tapwright-cli", "journal takes no arguments"),
     QT_TRANSLATE_NOOP("tapwright-cli", "list the journals of runs that did not end:\n"
                                        "the files, the port, the passes the device\n"
                                        "got and the next address line; run --resume\n"
                                        "goes on from one")},
    {Command::Help,
     "help",
     {},
     {},
     false,
     "",
     0,
     -1,
     "",
     QT_TRANSLATE_NOOP("tapwright-cli", "show this text")},
};

QString translated(const char *text)
{
    return QCoreApplication::translate("tapwright-cli", text);
}

/// An option as --help and the synopses spell it: "--port PORT".
QString spelled(const QCommandLineOption &option)
{
    QStringList names;
    for (const QString &name : option.names())
        names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    QString text = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        text += QLatin1Char(' ') + option.valueName();
    return text;
}

/// One entry of a list in --help: the head, and the description in a column
/// of its own.
QString entry(const QString &head, const QString &description)
{
    constexpr int Column = 29;
    const QString indent(Column, QLatin1Char(' '));
    QString text = QStringLiteral("  ") + head;
    text += text.size() < Column - 1 ? QString(Column - text.size(), QLatin1Char(' '))
                                     : QLatin1Char('\n') + indent;
    return text + description.split(QLatin1Char('\n')).join(QLatin1Char('\n') + indent) +
           QLatin1Char('\n');
}

/// The name of an option argument as the parser sees it: "port" for
/// "--port=1" and "-port".
QString optionName(const QString &arg)
{
    qsizetype start = 0;
    while (start < arg.size() && start < 2 && arg[start] == QLatin1Char('-'))
        ++start;
    return arg.mid(start).section(QLatin1Char('='), 0, 0);
}

/// The options that take no value.
constexpr Option Flags[] = {FastOption,      NoCheckOption, ResumeOption,
                            NoJournalOption, SplitOption,   HelpOption};

/// What the parser refused, in the tool's words, naming the argument as the
/// user gave it.
QString parseProblem(const QCommandLineParser &parser, const QStringList &args,
                     const std::array<QCommandLineOption, OptionCount> &options)
{
    const QStringList unknown = parser.unknownOptionNames();
    for (const QString &arg : args) {
        if (arg == QLatin1String("--"))
            break;
        if (arg.size() < 2 || !arg.startsWith(QLatin1Char('-')))
            continue;
        const QString name = optionName(arg);
        // A value given to an option that takes none: "--fast=1".
        const bool flagWithValue =
            arg.contains(QLatin1Char('=')) &&
            std::any_of(std::begin(Flags), std::end(Flags),
                        [&](Option flag) { return options[flag].names().contains(name); });
        if (unknown.contains(name) || flagWithValue)
            return QCoreApplication::translate("tapwright-cli", "unknown option %1").arg(arg);
    }
    // What is left: an option that takes a value came last.
    return QCoreApplication::translate("tapwright-cli", "%1 needs a value")
        .arg(args.value(args.size() - 1));
}

} // namespace

CommandLine parseCommandLine(const QStringList &args)
{
    CommandLine line;
    if (args.isEmpty()) {
        line.problem = QCoreApplication::translate("tapwright-cli", "no command given");
        return line;
    }
    const QString word = args.front();
    if (word == QLatin1String("--help") || word == QLatin1String("-h")) {
        line.help = true;
        return line;
    }
    const CommandSpec *spec = nullptr;
    for (const CommandSpec &command : Commands) {
        if (word == QLatin1String(command.word))
            spec = &command;
    }
    if (!spec) {
        line.problem =
            QCoreApplication::translate("tapwright-cli", "unknown command \"%1\"").arg(word);
        return line;
    }
    line.command = spec->command;
    if (spec->command == Command::Help) {
        line.help = true;
        return line;
    }

    const std::array<QCommandLineOption, OptionCount> options = allOptions();
    QCommandLineParser parser;
    // "-x" is an option too, an unknown one: only "--" makes it an argument.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const Option option : spec->options)
        parser.addOption(options[option]);
    for (const Option option : spec->ignored)
        parser.addOption(options[option]);
    parser.addOption(options[HelpOption]);
    const QStringList rest = args.mid(1);
    const bool parsed = parser.parse(QStringList{QStringLiteral("tapwright-cli")} + rest);
    if (parser.isSet(options[HelpOption])) {
        line.help = true;
        return line;
    }
    if (!parsed) {
        line.problem = parseProblem(parser, rest, options);
        return line;
    }
    if (spec->needsPort) {
        if (!parser.isSet(options[PortOption])) {
            line.problem = QCoreApplication::translate("tapwright-cli", "%1 needs --port PORT")
                               .arg(QLatin1String(spec->word));
            return line;
        }
        line.ports = parser.values(options[PortOption]);
        line.port = line.ports.front();
        // "--port=" and "--port ''": a value that went missing in a script.
        for (const QString &port : std::as_const(line.ports)) {
            if (port.trimmed().isEmpty()) {
                line.problem = QCoreApplication::translate("tapwright-cli", "%1 needs a value")
                                   .arg(QStringLiteral("--port"));
                return line;
            }
        }
        if (line.ports.size() > 1 && spec->command != Command::Run) {
            line.problem = QCoreApplication::translate(
                               "tapwright-cli", "%1 takes one --port; only run takes several")
                               .arg(QLatin1String(spec->word));
            return line;
        }
    }
    line.arguments = parser.positionalArguments();
    if (line.arguments.size() < spec->minArguments ||
        (spec->maxArguments >= 0 && line.arguments.size() > spec->maxArguments)) {
        line.problem = translated(spec->argumentsProblem);
        return line;
    }
    const auto takes = [spec](Option option) {
        return std::find(spec->options.begin(), spec->options.end(), option) != spec->options.end();
    };
    if (takes(CounterOption) && parser.isSet(options[CounterOption])) {
        const QString text = parser.value(options[CounterOption]);
        const std::optional<qint32> counter = parsePassCounter(text);
        if (!counter) {
            line.problem =
                QCoreApplication::translate(
                    "tapwright-cli", "--counter must be a number of passes from 0 to %1, got \"%2\"")
                    .arg(QString::number(MaxPassCounter), visibleText(text));
            return line;
        }
        line.counter = *counter;
    }
    if (takes(AddrOption))
        line.addr = parser.value(options[AddrOption]);
    line.fast = takes(FastOption) && parser.isSet(options[FastOption]);
    line.noCheck = takes(NoCheckOption) && parser.isSet(options[NoCheckOption]);
    line.resume = takes(ResumeOption) && parser.isSet(options[ResumeOption]);
    line.journal = !(takes(NoJournalOption) && parser.isSet(options[NoJournalOption]));
    line.split = takes(SplitOption) && parser.isSet(options[SplitOption]);
    if (line.split && line.ports.size() < 2) {
        line.problem = QCoreApplication::translate(
            "tapwright-cli",
            "--split shares the address list between ports: give two or more --port");
        return line;
    }
    if (line.split && line.addr.isEmpty()) {
        line.problem = QCoreApplication::translate(
            "tapwright-cli", "--split shares the entries of an address file: give --addr FILE");
        return line;
    }
    if (line.resume && parser.isSet(options[CounterOption])) {
        line.problem = QCoreApplication::translate(
            "tapwright-cli", "--resume takes the pass counter from the journal: drop --counter");
        return line;
    }
    return line;
}

QString helpText()
{
    const std::array<QCommandLineOption, OptionCount> options = allOptions();
    QString text = QCoreApplication::translate(
        "tapwright-cli", "usage: tapwright-cli COMMAND [OPTIONS] ARGUMENTS\n"
                         "\n"
                         "Drives the key-press injector on a serial port (600 baud, 8E1, "
                         "write-only).\n");
    text += QLatin1Char('\n') + QCoreApplication::translate("tapwright-cli", "Commands:") +
            QLatin1Char('\n');
    for (const CommandSpec &command : Commands) {
        QStringList synopsis{QLatin1String(command.word)};
        for (const Option option : command.options) {
            const QString spelling = spelled(options[option]);
            synopsis << (option == PortOption && command.needsPort
                             ? spelling
                             : QLatin1Char('[') + spelling + QLatin1Char(']'));
            // run goes over as many ports as it is given.
            if (option == PortOption && command.command == Command::Run)
                synopsis << QLatin1Char('[') + spelling + QStringLiteral("]...");
        }
        if (*command.arguments)
            synopsis << QLatin1String(command.arguments);
        text += entry(synopsis.join(QLatin1Char(' ')), translated(command.description));
    }
    text += QLatin1Char('\n') + QCoreApplication::translate("tapwright-cli", "Options:") +
            QLatin1Char('\n');
    for (const QCommandLineOption &option : options)
        text += entry(spelled(option), option.description());
    text += entry(QStringLiteral("--"),
                  QCoreApplication::translate("tapwright-cli",
                                              "what follows is an argument, even when it\n"
                                              "starts with -"));
    text += QLatin1Char('\n');
    text += QCoreApplication::translate(
        "tapwright-cli",
        "PORT is a number n for the system's serial port n (1 is /dev/ttyS0 on Linux,\n"
        "COM1 on Windows), a device name or path (/dev/ttyUSB0, /dev/serial/by-id/...,\n"
        "/dev/pts/4), or \"virtual\": a terminal inside this program that prints what the\n"
        "device would enter, at the pace of the real line (add --fast to drop the\n"
        "pacing). There is no default port.\n"
        "\n"
        "A run hands the port no more frames than the line can carry (about 147 ms a\n"
        "frame at 600 baud), so that the steps, addresses and pass counter it prints\n"
        "are what the device has received; --fast drops that pacing on any port, for a\n"
        "device with a buffer of its own.\n"
        "\n"
        "Every command returns only after every frame has left the port.\n"
        "Exit status: 0 done (for run also: stopped, or the address list is done),\n"
        "1 the port or a file failed, 2 the command line was wrong (nothing was sent).\n");
    return text;
}

} // namespace tapwright::cli
