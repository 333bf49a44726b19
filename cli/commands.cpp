#include "cli/commands.h"

#include "link/keytable.h"
#include "link/seriallink.h"
#include "text/textsender.h"

#include <QTextStream>
#include <cstdio>
#include <memory>
#include <optional>

namespace tapwright::cli {

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

const char *const HelpText = R"(usage: tapwright-cli COMMAND [OPTIONS] ARGUMENTS

Drives the key-press injector on a serial port (600 baud, 8E1, write-only).

Commands:
  key  --port PORT NAME...   press keys by their macro names (UP, &ENTER, F12,
                             5, #, ...); case does not matter
  type --port PORT TEXT      type TEXT (UTF-8) character by character; characters
                             the device cannot enter are skipped and listed
  help                       show this text

PORT is a number n for the system's serial port n (1 is /dev/ttyS0 on Linux,
COM1 on Windows) or a device name or path (/dev/ttyUSB0, /dev/serial/by-id/...,
/dev/pts/4). There is no default port.

Every command returns only after every frame has left the port.
Exit status: 0 done, 1 the port failed, 2 the command line was wrong (nothing
was sent).
)";

int usageError(const QString &message)
{
    err() << "tapwright-cli: " << message << "\n"
          << "Try 'tapwright-cli --help'.\n";
    err().flush();
    return ExitUsage;
}

struct Options
{
    std::optional<QString> port;
    QStringList positional;
};

/// Splits `--port PORT` / `--port=PORT` from the positional arguments. Returns
/// an error message, or an empty string.
QString parseOptions(const QStringList &args, Options &options)
{
    bool onlyPositional = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (onlyPositional) {
            options.positional << arg;
        } else if (arg == QLatin1String("--")) {
            onlyPositional = true;
        } else if (arg == QLatin1String("--port")) {
            if (i + 1 >= args.size())
                return QStringLiteral("--port needs a value");
            options.port = args[++i];
        } else if (arg.startsWith(QLatin1String("--port="))) {
            options.port = arg.mid(7);
        } else if (arg.startsWith(QLatin1String("--")) && arg.size() > 2) {
            return QStringLiteral("unknown option %1").arg(arg);
        } else {
            options.positional << arg;
        }
    }
    return QString();
}

/// Opens the link, lets `send` queue frames, and waits until every one of them
/// has left the port.
int sendThrough(const QString &portText, const std::function<void(Link &)> &send)
{
    SerialLink link;
    std::optional<LinkError> failure;
    QObject::connect(&link, &Link::failed, [&failure](const LinkError &e) {
        if (!failure)
            failure = e;
    });
    link.setCommPort(portText);
    if (!link.OpenPort()) {
        err() << "tapwright-cli: " << describe(link.lastError()) << "\n";
        return ExitFailure;
    }
    send(link);
    link.ClosePort(Link::CloseMode::Drain);
    if (failure) {
        err() << "tapwright-cli: " << describe(*failure) << "\n";
        return ExitFailure;
    }
    return ExitOk;
}

int keyCommand(const QStringList &args)
{
    Options options;
    const QString problem = parseOptions(args, options);
    if (!problem.isEmpty())
        return usageError(problem);
    if (!options.port)
        return usageError(QStringLiteral("key needs --port PORT"));
    if (options.positional.isEmpty())
        return usageError(QStringLiteral("key needs at least one key name"));

    std::vector<KeyCode> codes;
    QStringList unknown;
    for (const QString &word : options.positional) {
        if (const auto code = findKeyName(asciiUpper(word)))
            codes.push_back(*code);
        else
            unknown << QStringLiteral("\"%1\"").arg(word);
    }
    if (!unknown.isEmpty()) {
        return usageError(QStringLiteral("unknown key name%1 %2; nothing was sent")
                              .arg(unknown.size() > 1 ? QStringLiteral("s") : QString(),
                                   unknown.join(QStringLiteral(", "))));
    }
    return sendThrough(*options.port, [&codes](Link &link) {
        for (const KeyCode &code : codes)
            link.SendKey(code.row, code.column, code.table);
    });
}

QString visible(const QString &c)
{
    // Control characters would vanish or wreck the terminal; name them instead.
    if (c.size() == 1 && (c[0].category() == QChar::Other_Control || c[0].isSpace()))
        return QStringLiteral("U+%1").arg(c[0].unicode(), 4, 16, QLatin1Char('0')).toUpper();
    return c;
}

int typeCommand(const QStringList &args)
{
    Options options;
    const QString problem = parseOptions(args, options);
    if (!problem.isEmpty())
        return usageError(problem);
    if (!options.port)
        return usageError(QStringLiteral("type needs --port PORT"));
    if (options.positional.size() != 1)
        return usageError(QStringLiteral("type needs exactly one TEXT argument (quote it)"));

    const QString text = options.positional.front();
    const QStringList skipped = unsupportedCharacters(text);
    if (!skipped.isEmpty()) {
        QStringList shown;
        for (const QString &c : skipped)
            shown << visible(c);
        const int count = countUnsupported(text);
        err() << "tapwright-cli: warning: skipped " << count
              << (count == 1 ? " character" : " characters")
              << " the device cannot enter: " << shown.join(QLatin1Char(' ')) << "\n";
        err().flush();
    }
    return sendThrough(*options.port, [&text](Link &link) { SendStr(link, text); });
}

} // namespace

int run(const QStringList &args)
{
    const int code = [&args]() -> int {
        if (args.isEmpty())
            return usageError(QStringLiteral("no command given"));
        const QString command = args.front();
        const QStringList rest = args.mid(1);
        if (command == QLatin1String("--help") || command == QLatin1String("-h") ||
            command == QLatin1String("help") || rest.contains(QLatin1String("--help"))) {
            out() << HelpText;
            return ExitOk;
        }
        if (command == QLatin1String("key"))
            return keyCommand(rest);
        if (command == QLatin1String("type"))
            return typeCommand(rest);
        return usageError(QStringLiteral("unknown command \"%1\"").arg(command));
    }();
    out().flush();
    err().flush();
    return code;
}

} // namespace tapwright::cli
