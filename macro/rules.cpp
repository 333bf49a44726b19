#include "macro/rules.h"

#include "link/pacer.h"
#include "macro/checker.h"

#include <limits>

namespace tapwright {

namespace {

/// A report of `kind` on a macro step: its file, line, text, command and argument.
RunReport stepReport(RunReport::Kind kind, const MacroStep &step, const QString &file)
{
    RunReport report;
    report.kind = kind;
    report.file = file;
    report.line = step.line;
    report.lineText = step.text;
    report.command = step.word();
    report.value = step.argument();
    return report;
}

/// Digits only, as other tools write a count: "5".
bool isCount(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

} // namespace

RunReport readSeconds(const MacroStep &step, const QString &file, float *seconds)
{
    const std::optional<float> value =
        step.argument().isEmpty() ? std::nullopt : parseSeconds(step.argument());
    if (value) {
        *seconds = *value;
        return RunReport();
    }
    return stepReport(step.argument().isEmpty() ? RunReport::MissingNumber : RunReport::BadNumber,
                      step, file);
}

RunReport fileReport(RunReport::Kind kind, const QString &path, const TextLineReader &reader)
{
    RunReport report;
    const bool opening = kind == RunReport::MacroOpenFailed || kind == RunReport::AddrOpenFailed;
    report.kind = reader.error() == TextReadError::NotText       ? RunReport::NotText
                  : reader.error() == TextReadError::LineTooLong ? RunReport::LineTooLong
                                                                 : kind;
    report.file = path;
    report.line = opening ? 0 : reader.lineNumber();
    report.reason = reader.errorString();
    return report;
}

RunReport addressReport(RunReport::Kind kind, const QString &path, const AddressReader &reader)
{
    if (reader.unclosedQuoteLine() == 0)
        return fileReport(kind, path, reader.lines());
    RunReport report;
    report.kind = RunReport::UnclosedQuote;
    report.file = path;
    report.line = reader.unclosedQuoteLine();
    return report;
}

RunReport openAddresses(AddressReader &reader, const QString &path, qint64 counter)
{
    if (!reader.open(path))
        return addressReport(RunReport::AddrOpenFailed, path, reader);
    // Passes that each took one entry and ended with REPEAT used exactly this
    // many entries; the list goes on after them.
    if (counter <= 0)
        return RunReport();
    const qint64 skipped = reader.skip(counter);
    if (skipped == counter)
        return RunReport();
    if (reader.failed())
        return addressReport(RunReport::AddrReadFailed, path, reader);
    RunReport report;
    report.kind = RunReport::CounterPastEnd;
    report.file = path;
    report.line = skipped;
    report.value = QString::number(counter);
    return report;
}

RunReport readField(const MacroStep &step, const QString &file, qint64 *field)
{
    const QString &text = step.argument();
    if (text.isEmpty()) {
        *field = 0;
        return RunReport();
    }
    // Digits only: no sign, no point, no white space. A number past any
    // entry's fields is still one: the field is missing.
    bool fits = true; // digits too many for a number still count
    const qint64 n = isCount(text) ? text.toLongLong(&fits) : 0;
    if (fits && n < 1)
        return stepReport(RunReport::BadField, step, file);
    *field = fits ? n : std::numeric_limits<qint64>::max();
    return RunReport();
}

RunReport missingField(const QString &file, qint64 line, qint64 field, qint64 fields)
{
    RunReport report;
    report.kind = RunReport::MissingField;
    report.file = file;
    report.line = line;
    report.field = field;
    report.value = QString::number(fields);
    return report;
}

RunReport habitReport(const MacroStep &step, Command command, const QString &file)
{
    // "# 5" reads as a comment, which the check names as such.
    if (command == Command::Key && isCount(step.argument()) && step.word() != QLatin1String("#"))
        return stepReport(RunReport::KeyCount, step, file);
    if (command == Command::Repeat && isCount(step.argument()))
        return stepReport(RunReport::RepeatCount, step, file);
    if (command == Command::String && step.fields.size() > 2)
        return stepReport(RunReport::StringSpace, step, file);
    return RunReport();
}

RunReport guessReport(const QString &path, const TextLineReader &reader)
{
    RunReport report;
    if (!reader.guess())
        return report;
    report.kind = RunReport::EncodingGuessed;
    report.file = path;
    report.encoding = reader.encoding();
    report.line = reader.guess()->line;
    report.lineText = reader.guess()->otherText;
    return report;
}

bool sends(Command command)
{
    return command == Command::Key || command == Command::SendStr || command == Command::String;
}

bool PassCount::add(Command command, qint64 line)
{
    if (repeats)
        return false;
    if (command == Command::GetStr)
        ++getStrs;
    if (sends(command))
        lastSendLine = line;
    repeats = command == Command::Repeat;
    return true;
}

PassCount readPass(const QString &path)
{
    PassCount pass;
    MacroReader reader;
    if (!reader.open(path))
        return pass;
    while (!pass.repeats) {
        const std::optional<MacroStep> s = reader.next();
        if (!s)
            break;
        pass.add(findCommand(s->word()).command, s->line);
    }
    return pass;
}

void Timeline::step(qint64 frames, double wait)
{
    const double frame = frameSeconds();
    for (qint64 i = 0; i < frames; ++i) {
        now = std::max(now, lineFree - double(PacedLead - 1) * frame);
        lineFree = std::max(lineFree, now) + frame;
    }
    now += std::max(0.0, wait) + std::max(0.0, double(baseWait));
}

} // namespace tapwright
