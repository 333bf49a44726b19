#include "cli/check.h"

#include "cli/commands.h"
#include "cli/output.h"
#include "macro/checker.h"
#include "macro/messages.h"

#include <optional>

namespace tapwright::cli {

CheckOutput checkOutput(const QStringList &args)
{
    CheckOutput out;
    auto usage = [&out](const QString &message) {
        out.usage = message;
        out.exitCode = ExitUsage;
        return out;
    };
    std::optional<QString> addr;
    std::optional<QString> counterText;
    std::optional<QString> port;
    QStringList positional;
    bool onlyPositional = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        const QString name = arg.section(QLatin1Char('='), 0, 0);
        std::optional<QString> *slot = nullptr;
        if (!onlyPositional) {
            if (name == QLatin1String("--addr"))
                slot = &addr;
            else if (name == QLatin1String("--counter"))
                slot = &counterText;
            else if (name == QLatin1String("--port"))
                slot = &port;
        }
        if (onlyPositional) {
            positional << arg;
        } else if (arg == QLatin1String("--")) {
            onlyPositional = true;
        } else if (arg == QLatin1String("--fast")) {
            // Nothing is sent, so there is nothing to pace.
        } else if (slot) {
            const int eq = arg.indexOf(QLatin1Char('='));
            if (eq >= 0) {
                *slot = arg.mid(eq + 1);
            } else {
                if (i + 1 >= args.size())
                    return usage(QStringLiteral("%1 needs a value").arg(arg));
                *slot = args[++i];
            }
        } else if (arg.startsWith(QLatin1String("--")) && arg.size() > 2) {
            return usage(QStringLiteral("unknown option %1").arg(arg));
        } else {
            positional << arg;
        }
    }
    if (positional.size() != 1)
        return usage(QStringLiteral("check needs exactly one MACRO file"));
    const std::optional<qint32> counter =
        parsePassCounter(counterText.value_or(QStringLiteral("0")));
    if (!counter)
        return usage(QStringLiteral("--counter must be a whole number from %1 to %2, got \"%3\"")
                         .arg(MinPassCounter)
                         .arg(MaxPassCounter)
                         .arg(*counterText));

    const CheckReport report = checkFiles(positional.front(), addr.value_or(QString()), *counter);
    for (const CheckItem &item : report.items)
        out.text += describe(item) + QLatin1Char('\n');
    out.text += describe(report.estimate) + QLatin1Char('\n');
    out.exitCode = report.hasErrors() ? ExitFailure : ExitOk;
    return out;
}

int checkCommand(const QStringList &args)
{
    const CheckOutput out = checkOutput(args);
    if (!out.usage.isEmpty())
        return usageError(out.usage);
    printOut(out.text);
    return out.exitCode;
}

} // namespace tapwright::cli
