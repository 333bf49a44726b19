#include "cli/check.h"

#include "cli/commandline.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "macro/checker.h"
#include "macro/messages.h"

namespace tapwright::cli {

namespace {

CheckOutput report(const CommandLine &line)
{
    CheckOutput out;
    const CheckReport report = checkFiles(line.arguments.front(), line.addr, line.counter);
    out.text = checkText(report);
    out.exitCode = report.hasErrors() ? ExitFailure : ExitOk;
    return out;
}

} // namespace

QString checkText(const CheckReport &report)
{
    QString text;
    for (const CheckItem &item : report.items)
        text += describe(item) + QLatin1Char('\n');
    return text + describe(report.estimate) + QLatin1Char('\n');
}

CheckOutput checkOutput(const QStringList &args)
{
    const CommandLine line = parseCommandLine(QStringList{QStringLiteral("check")} + args);
    if (!line.problem.isEmpty()) {
        CheckOutput out;
        out.usage = line.problem;
        out.exitCode = ExitUsage;
        return out;
    }
    return report(line);
}

int checkCommand(const CommandLine &line)
{
    const CheckOutput out = report(line);
    printOut(out.text);
    return out.exitCode;
}

} // namespace tapwright::cli
