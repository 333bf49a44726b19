#include "macro/messages.h"

#include "link/link.h"
#include "macro/addresses.h"
#include "macro/checker.h"
#include "macro/macrofile.h"
#include "macro/multirun.h"
#include "macro/recorder.h"
#include "macro/runner.h"
#include "text/textsender.h"

#include <QLocale>
#include <QPair>
#include <QPointer>
#include <QStringList>
#include <QTranslator>

#include <algorithm>
#include <cmath>

namespace tapwright {

namespace {

/// A count with its thousands grouped, "86,400", in either language.
QString number(qint64 n)
{
    static const QLocale grouping = [] {
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::DefaultNumberOptions);
        return c;
    }();
    return grouping.toString(n);
}

/// Text from a file, or a name the user gave, as a message may quote it.
QString shown(const QString &text)
{
    return visibleText(text);
}

/// A count and its noun; the language picks the noun's form.
QString lines(qint64 n)
{
    return (n == 1 ? Messages::tr("%1 line") : Messages::tr("%1 lines")).arg(number(n));
}

QString addressLines(qint64 n)
{
    return (n == 1 ? Messages::tr("%1 address line") : Messages::tr("%1 address lines"))
        .arg(number(n));
}

QString entries(qint64 n)
{
    return (n == 1 ? Messages::tr("%1 entry") : Messages::tr("%1 entries")).arg(number(n));
}

QString fields(qint64 n)
{
    return (n == 1 ? Messages::tr("%1 field") : Messages::tr("%1 fields")).arg(number(n));
}

/// What the passes of a run take from the address file `file`, counted: its
/// entries for a CSV file, where one may span lines; address lines otherwise.
QString addressesOf(const QString &file, qint64 n)
{
    return fieldFormatOf(file) == FieldFormat::Csv ? entries(n) : addressLines(n);
}

/// The size of the address file `file`, as addressesOf() counts it.
QString sizeOf(const QString &file, qint64 n)
{
    return fieldFormatOf(file) == FieldFormat::Csv ? entries(n) : lines(n);
}

/// SENDSTR with an argument that names no field.
QString badField(const RunReport &r)
{
    return Messages::tr("SENDSTR takes the number of a field, a whole number from 1 up, got \"%1\"")
        .arg(shown(r.value));
}

QString unclosedQuote()
{
    return Messages::tr("the quote that opens a field on this line is never closed");
}

/// A text as messages name it: one character as describeCharacter() does,
/// more as 'ｶﾞ' (U+FF76 U+FF9E).
QString describeText(const QString &text)
{
    const bool one = text.size() == 1 || (text.size() == 2 && text[0].isHighSurrogate());
    if (one)
        return describeCharacter(text);
    QStringList codes;
    for (const char32_t c : text.toUcs4())
        codes << QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
    return QStringLiteral("'%1' (%2)").arg(shown(text), codes.join(QLatin1Char(' ')));
}

/// A port's failure with the system's reason, if any, in its place.
QString withReason(const LinkError &e, const char *without, const char *with)
{
    const QString port = Messages::tr("port %1").arg(quotedPort(e));
    if (e.reason.isEmpty())
        return Messages::tr(without).arg(port);
    return Messages::tr(with).arg(port, shown(e.reason));
}

/// Why a file's reading was a guess: the other reading, and the first line
/// it would read otherwise.
QString encodingGuess(const RunReport &r)
{
    const TextEncoding other =
        r.encoding == TextEncoding::Utf8 ? TextEncoding::Cp932 : TextEncoding::Utf8;
    return Messages::tr("read as %1, a guess: the file is also valid %2, in which this line reads "
                        "\"%3\"; saving it as UTF-8 with a byte order mark settles it")
        .arg(describe(r.encoding), describe(other), shown(r.lineText));
}

bool hasWideDigits(const QString &text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() > 0x7F && c.isDigit(); });
}

/// A BASEWAIT or SLEEP whose number is empty because two spaces follow the
/// command word, "SLEEP  2".
bool doubleSpaceBeforeNumber(const RunReport &r)
{
    return r.lineText.trimmed().contains(QLatin1Char(' '));
}

/// What a habit from other tools does here, and what to write instead.
QString habitText(const RunReport &r)
{
    if (r.kind == RunReport::KeyCount)
        return Messages::tr(
                   "a key takes no count: \"%1 %2\" presses %1 once; write one line for each "
                   "press")
            .arg(shown(r.command), shown(r.value));
    if (r.kind == RunReport::RepeatCount)
        return Messages::tr(
                   "REPEAT takes no count: \"REPEAT %1\" starts the macro file again and counts "
                   "one pass, until stopped or the address list ends")
            .arg(shown(r.value));
    const QString rest = splitFields(r.lineText).mid(2).join(QLatin1Char(' '));
    if (r.value.isEmpty())
        return Messages::tr(
                   "STRING with two spaces after it types nothing; \"%1\" after them is not "
                   "typed")
            .arg(shown(rest));
    return Messages::tr(
               "STRING types its text only up to the first space: \"%1\" is typed, \"%2\" is "
               "not")
        .arg(shown(r.value), shown(rest));
}

QString missingNumber(const RunReport &r)
{
    if (doubleSpaceBeforeNumber(r))
        return Messages::tr(
                   "%1 needs a number of seconds after one space; with two spaces the number is "
                   "empty")
            .arg(shown(r.command));
    return Messages::tr("%1 needs a number of seconds").arg(shown(r.command));
}

QString badNumber(const RunReport &r)
{
    return Messages::tr("%1 needs a number of seconds, got \"%2\"")
        .arg(shown(r.command), shown(r.value));
}

} // namespace

bool loadCatalogue(const QLocale &locale)
{
    if (locale.language() != QLocale::Japanese || !QCoreApplication::instance())
        return false;
    // Owned by the application, and gone with it.
    static QPointer<QTranslator> translator;
    if (translator)
        return true;
    auto *loaded = new QTranslator(QCoreApplication::instance());
    if (!loaded->load(QStringLiteral(":/i18n/tapwright_ja.qm")) ||
        !QCoreApplication::installTranslator(loaded)) {
        delete loaded;
        return false;
    }
    translator = loaded;
    return true;
}

QString quotedPort(const LinkError &error)
{
    return error.device.isEmpty() || error.device == error.port
               ? QStringLiteral("\"%1\"").arg(shown(error.port))
               : QStringLiteral("\"%1\" (%2)").arg(shown(error.port), shown(error.device));
}

QString describe(const LinkError &e)
{
    switch (e.kind) {
    case LinkError::None:
        return QString();
    case LinkError::NoPortGiven:
        return Messages::tr("no serial port given");
    case LinkError::BadPortNumber:
        return Messages::tr(
                   "port \"%1\" is not a valid port number (use 1 or more, or a device path)")
            .arg(shown(e.port));
    case LinkError::NotFound:
        return Messages::tr("cannot open %1: no such device")
            .arg(Messages::tr("port %1").arg(quotedPort(e)));
    case LinkError::PermissionDenied:
        return withReason(
            e,
            QT_TRANSLATE_NOOP("Messages",
                              "cannot open %1 (the user may need to be in the \"dialout\" group)"),
            QT_TRANSLATE_NOOP(
                "Messages",
                "cannot open %1: %2 (the user may need to be in the \"dialout\" group)"));
    case LinkError::Busy:
        // The system's words for a port in use ("Permission error while
        // locking the device") mislead, and are in English: ours say it all.
        return Messages::tr("cannot open %1: it is in use by another program or window")
            .arg(Messages::tr("port %1").arg(quotedPort(e)));
    case LinkError::NotASerialPort:
        return Messages::tr("cannot open %1: it is not a serial port")
            .arg(Messages::tr("port %1").arg(quotedPort(e)));
    case LinkError::OpenFailed:
        return withReason(e, QT_TRANSLATE_NOOP("Messages", "cannot open %1"),
                          QT_TRANSLATE_NOOP("Messages", "cannot open %1: %2"));
    case LinkError::WriteFailed:
        return withReason(
            e, QT_TRANSLATE_NOOP("Messages", "writing to %1 failed; the port was closed"),
            QT_TRANSLATE_NOOP("Messages", "writing to %1 failed: %2; the port was closed"));
    case LinkError::Stalled:
        return Messages::tr("%1 stopped sending; the frames still queued were dropped")
            .arg(Messages::tr("port %1").arg(quotedPort(e)));
    }
    return QString();
}

QString atLine(const RunReport &r, const QString &message)
{
    return QStringLiteral("%1:%2: %3\n    %4")
        .arg(shown(r.file), QString::number(r.line), message, shown(r.lineText));
}

QString describe(const RunReport &r)
{
    const QString file = shown(r.file);
    const QString line = QString::number(r.line);
    switch (r.kind) {
    case RunReport::None:
        return QString();
    case RunReport::NoMacroFile:
        return Messages::tr("no macro file chosen");
    case RunReport::BadCounter:
        if (hasWideDigits(r.value))
            return Messages::tr("the pass counter must be written in half-width digits, got \"%1\"")
                .arg(shown(r.value));
        return (passCounterOutOfRange(r.value)
                    ? Messages::tr(
                          "the pass counter must be a number of passes from 0 to %1, got \"%2\" "
                          "(out of range)")
                    : Messages::tr(
                          "the pass counter must be a number of passes from 0 to %1, got \"%2\""))
            .arg(QString::number(MaxPassCounter), shown(r.value));
    case RunReport::CounterOverflow:
        return atLine(
            r, Messages::tr("REPEAT cannot raise the pass counter past %1").arg(MaxPassCounter));
    case RunReport::PortFailed:
        return describe(r.link);
    case RunReport::MacroOpenFailed:
        return Messages::tr("cannot open macro file \"%1\": %2").arg(file, shown(r.reason));
    case RunReport::AddrOpenFailed:
        return Messages::tr("cannot open address file \"%1\": %2").arg(file, shown(r.reason));
    case RunReport::MacroReadFailed:
    case RunReport::AddrReadFailed:
        return Messages::tr("%1: reading failed after line %2: %3")
            .arg(file, line, shown(r.reason));
    case RunReport::MissingNumber:
        return atLine(r, missingNumber(r));
    case RunReport::BadNumber:
        return atLine(r, badNumber(r));
    case RunReport::LinkFailed:
        // The last frames can fail while they drain, after every line.
        return r.line > 0 ? atLine(r, describe(r.link)) : describe(r.link);
    case RunReport::NotText:
        return Messages::tr("%1: %2", "a file that is no text file, and why")
            .arg(file, shown(r.reason));
    case RunReport::LineTooLong:
        return Messages::tr("%1:%2: line too long (more than %3 characters)")
            .arg(file, line, QString::number(MaxLineLength));
    case RunReport::CounterPastEnd:
        return Messages::tr(
                   "%1: the pass counter %2 is past the end of the address file (%3); nothing was "
                   "typed")
            .arg(file, shown(r.value), sizeOf(r.file, r.line));
    case RunReport::BadField:
        return atLine(r, badField(r));
    case RunReport::UnclosedQuote:
        return QStringLiteral("%1:%2: %3").arg(file, line, unclosedQuote());
    case RunReport::MissingField:
        return Messages::tr("%1:%2: warning: the entry has %3, no field %4: SENDSTR %4 typed "
                            "nothing")
            .arg(file, line, fields(r.value.toLongLong()), number(r.field));
    case RunReport::Unsendable:
        if (r.field > 0)
            return Messages::tr("%1:%2: warning: field %3: cannot enter %4, skipped")
                .arg(file, line, number(r.field), describeCharacter(r.value));
        return Messages::tr("%1:%2: warning: cannot enter %3, skipped")
            .arg(file, line, describeCharacter(r.value));
    case RunReport::EncodingGuessed:
        return Messages::tr("%1:%2: warning: %3").arg(file, line, encodingGuess(r));
    case RunReport::KeyCount:
    case RunReport::RepeatCount:
    case RunReport::StringSpace:
        return Messages::tr("%1:%2: warning: %3").arg(file, line, habitText(r));
    case RunReport::NoPorts:
        return Messages::tr("no port given for the run");
    case RunReport::PortTwice:
        return Messages::tr(
                   "the port \"%1\" is given twice: a serial port can drive one device only")
            .arg(shown(r.value));
    case RunReport::PortInUse:
        return Messages::tr("the port \"%1\" is in use by %2").arg(shown(r.value), r.reason);
    case RunReport::CheckFailed:
        return Messages::tr("the check found errors in the files: nothing was sent");
    case RunReport::JournalFailed:
        return Messages::tr("warning: cannot write the run's journal \"%1\": %2; the run goes on, "
                            "but cannot be resumed from it after a crash")
            .arg(file, shown(r.reason));
    case RunReport::UnknownCommand:
        if (r.command.isEmpty())
            return Messages::tr(
                       "%1:%2: warning: the line starts with a space, so its command word is "
                       "empty; the step does nothing")
                .arg(file, line);
        return Messages::tr(
                   "%1:%2: warning: \"%3\" is neither a command nor a key name; the step does "
                   "nothing")
            .arg(file, line, shown(r.command));
    }
    return QString();
}

namespace {

/// The words of a finding, without the head that says where and how bad.
QString findingText(const CheckItem &item)
{
    const RunReport &r = item.report;
    const QString command = shown(r.command);
    const QString suggestion = shown(item.suggestion);
    switch (item.kind) {
    case CheckItem::Run:
        break;
    case CheckItem::NegativeWait:
        return Messages::tr("%1 %2: a negative wait does not wait").arg(command, shown(r.value));
    case CheckItem::LongWait:
        return Messages::tr("%1 %2: more than a day (%3 s)")
            .arg(command, shown(r.value), number(qint64(LongWaitSeconds)));
    case CheckItem::HashLine:
        if (r.command == QLatin1String("#"))
            return Messages::tr("the line presses the # key; there are no comments");
        return Messages::tr(
                   "the line does nothing; there are no comments (\"%1\" is neither a command nor "
                   "a key name)")
            .arg(command);
    case CheckItem::Unreachable:
        return Messages::tr(
                   "REPEAT on line %1 starts the pass again: this line and the ones after it are "
                   "never reached")
            .arg(item.count);
    case CheckItem::GetStrNoAddress:
        return Messages::tr(
            "GETSTR reads nothing: there is no address file, so SENDSTR types nothing");
    case CheckItem::NoGetStr:
        return Messages::tr("there is no GETSTR in the macro, so the address file is never read");
    case CheckItem::NoRepeat:
        if (item.count == 1)
            return Messages::tr(
                       "there is no REPEAT in the macro, so it runs once and uses only the first "
                       "of the %1 from the counter on")
                .arg(addressesOf(r.file, item.total));
        return Messages::tr(
                   "there is no REPEAT in the macro, so it runs once and uses only the first %1 of "
                   "the %2 from the counter on")
            .arg(number(item.count), addressesOf(r.file, item.total));
    case CheckItem::PartialLastPass:
        return Messages::tr(
                   "the address list runs out part-way through a pass: the last pass gets only %1 "
                   "of its %2 (%3 from the counter on)")
            .arg(number(item.total % item.count), addressesOf(r.file, item.count),
                 sizeOf(r.file, item.total));
    case CheckItem::NoAddressLeft:
        if (fieldFormatOf(r.file) == FieldFormat::Csv)
            return Messages::tr(
                "no entry is left from the counter on; the run ends at the first GETSTR");
        return Messages::tr(
            "no address line is left from the counter on; the run ends at the first GETSTR");
    case CheckItem::TabsInEntry:
        return Messages::tr(
                   "the line holds tabs, which cannot be entered, and SENDSTR on line %1 of the "
                   "macro types whole lines; SENDSTR 1 types the first field, SENDSTR 2 the "
                   "second, and so on")
            .arg(item.count);
    case CheckItem::MoreFindings:
        return (item.count == 1 ? Messages::tr("and 1 more line with warnings, not listed")
                                : Messages::tr("and %1 more lines with warnings, not listed"))
            .arg(number(item.count));
    }

    switch (r.kind) {
    case RunReport::MacroOpenFailed:
        return Messages::tr("cannot open macro file: %1").arg(shown(r.reason));
    case RunReport::AddrOpenFailed:
        return Messages::tr("cannot open address file: %1").arg(shown(r.reason));
    case RunReport::MacroReadFailed:
    case RunReport::AddrReadFailed:
        return Messages::tr("reading failed after line %1: %2")
            .arg(QString::number(r.line), shown(r.reason));
    case RunReport::NotText:
        return Messages::tr("%1", "a file that is no text file: the reader's reason")
            .arg(shown(r.reason));
    case RunReport::LineTooLong:
        return Messages::tr("line too long (more than %1 characters)").arg(MaxLineLength);
    case RunReport::MissingNumber:
        return missingNumber(r);
    case RunReport::BadNumber:
        return badNumber(r);
    case RunReport::CounterPastEnd:
        return Messages::tr(
                   "the pass counter %1 is past the end of the address file (%2); nothing would be "
                   "typed")
            .arg(shown(r.value), sizeOf(r.file, r.line));
    case RunReport::BadField:
        return badField(r);
    case RunReport::UnclosedQuote:
        return unclosedQuote();
    case RunReport::MissingField:
        return Messages::tr("the entry has %1, no field %2: SENDSTR %2 types nothing for it")
            .arg(fields(r.value.toLongLong()), number(r.field));
    case RunReport::Unsendable: {
        if (r.field > 0) {
            // The same words, about one field of the entry.
            CheckItem whole = item;
            whole.report.field = 0;
            return Messages::tr("field %1: %2").arg(number(r.field), findingText(whole));
        }
        if (item.characters.size() <= 1) {
            if (item.suggestion.isEmpty())
                return Messages::tr("cannot enter %1").arg(describeCharacter(r.value));
            return Messages::tr("cannot enter %1; use %2")
                .arg(describeCharacter(r.value), describeText(item.suggestion));
        }
        QStringList named;
        for (const CheckItem::Character &c : item.characters)
            named << (c.suggestion.isEmpty()
                          ? describeCharacter(c.text)
                          : Messages::tr("%1 (use %2)", "a character and what to use instead")
                                .arg(describeCharacter(c.text), describeText(c.suggestion)));
        return Messages::tr("cannot enter %1 characters: %2")
            .arg(number(item.characters.size()),
                 named.join(Messages::tr(", ", "between the characters of a list")));
    }
    case RunReport::EncodingGuessed:
        return encodingGuess(r);
    case RunReport::KeyCount:
    case RunReport::RepeatCount:
    case RunReport::StringSpace:
        return habitText(r);
    case RunReport::UnknownCommand:
        if (r.command.isEmpty())
            return item.suggestion.isEmpty()
                       ? Messages::tr(
                             "the line starts with a space, so its command word is empty; the step "
                             "does nothing")
                       : Messages::tr(
                             "the line starts with a space, so its command word is empty; the step "
                             "does nothing (without the space it would be \"%1\")")
                             .arg(suggestion);
        if (item.suggestion.isEmpty())
            return Messages::tr("\"%1\" is neither a command nor a key name; the step does nothing")
                .arg(command);
        return Messages::tr("\"%1\" is neither a command nor a key name; did you mean \"%2\"?")
            .arg(command, suggestion);
    case RunReport::CounterOverflow:
        return Messages::tr("REPEAT cannot raise the pass counter past %1").arg(MaxPassCounter);
    case RunReport::PortFailed:
    case RunReport::LinkFailed:
        return describe(r.link).section(QLatin1Char('\n'), 0, 0);
    case RunReport::None:
    case RunReport::NoMacroFile:
    case RunReport::BadCounter:
    case RunReport::JournalFailed:
    case RunReport::NoPorts:
    case RunReport::PortTwice:
    case RunReport::PortInUse:
    case RunReport::CheckFailed:
        break;
    }
    // The run's other reports (the port, the counter box) have no place in a
    // check; word them as the run does, on one line.
    return describe(r).section(QLatin1Char('\n'), 0, 0);
}

} // namespace

QString describe(const CheckItem &item)
{
    const RunReport &r = item.report;
    QString where = shown(r.file);
    // These reports carry a count of lines, not the line they are about.
    const bool aboutLine =
        r.line > 0 && !(item.kind == CheckItem::Run && (r.kind == RunReport::MacroReadFailed ||
                                                        r.kind == RunReport::AddrReadFailed ||
                                                        r.kind == RunReport::CounterPastEnd));
    if (aboutLine)
        where += QLatin1Char(':') + QString::number(r.line);
    return (item.isError() ? Messages::tr("%1: error: %2") : Messages::tr("%1: warning: %2"))
        .arg(where, findingText(item));
}

QString describe(const RecordedNote &note, qint64 firstLine)
{
    const QString text = shown(note.text);
    QString words;
    switch (note.kind) {
    case RecordedNote::SpaceDropped:
        words = Messages::tr("the space in \"%1\" was not recorded: STRING cannot hold a space, "
                             "so the device gets the parts without it")
                    .arg(text);
        break;
    case RecordedNote::FromAddress:
        words = note.field == 0
                    ? Messages::tr("\"%1\" is the next entry: recorded as SENDSTR, so each pass "
                                   "types its own entry")
                          .arg(text)
                    : Messages::tr("\"%1\" is field %2 of the next entry: recorded as SENDSTR %2, "
                                   "so each pass types that field of its own entry")
                          .arg(text, QString::number(note.field));
        break;
    case RecordedNote::NoKeyName:
        words = Messages::tr("the key %1 was not recorded: no macro name presses it").arg(text);
        break;
    }
    return Messages::tr("line %1: %2").arg(QString::number(firstLine + note.line), words);
}

QString describeDuration(double seconds)
{
    const QString second = Messages::tr("s", "unit of time: seconds");
    if (seconds < 59.95)
        return QString::number(seconds, 'f', 1) + u' ' + second;
    auto twoUnits = [](qint64 big, const QString &bigUnit, qint64 small, const QString &smallUnit) {
        QString text = QString::number(big) + u' ' + bigUnit;
        if (small > 0)
            text += u' ' + QString::number(small) + u' ' + smallUnit;
        return text;
    };
    const QString minute = Messages::tr("min", "unit of time: minutes");
    const QString hour = Messages::tr("h", "unit of time: hours");
    const qint64 wholeSeconds = std::llround(seconds);
    if (wholeSeconds < 3600)
        return twoUnits(wholeSeconds / 60, minute, wholeSeconds % 60, second);
    const qint64 minutes = std::llround(seconds / 60.0);
    if (minutes < 24 * 60)
        return twoUnits(minutes / 60, hour, minutes % 60, minute);
    const qint64 hours = std::llround(seconds / 3600.0);
    return twoUnits(hours / 24, Messages::tr("d", "unit of time: days"), hours % 24, hour);
}

QString describe(const Estimate &e)
{
    if (e.passes == Estimate::Unknown)
        return Messages::tr("estimate: none, the files have errors");
    const QString frames =
        (e.framesPerPass == 1 ? Messages::tr("%1 frame") : Messages::tr("%1 frames"))
            .arg(number(e.framesPerPass));
    const QString pass =
        (e.typesAddresses ? Messages::tr("estimate: %1, %2 a pass (without the addresses)")
                          : Messages::tr("estimate: %1, %2 a pass"))
            .arg(frames, describeDuration(e.secondsPerPass));
    switch (e.passes) {
    case Estimate::Unknown:
    case Estimate::OnePass:
        break;
    case Estimate::UntilStopped:
        return Messages::tr("%1; until stopped").arg(pass);
    case Estimate::FromAddresses:
        return Messages::tr("%1; %2 from the address list; about %3 in all")
            .arg(pass,
                 (e.passCount == 1 ? Messages::tr("%1 pass") : Messages::tr("%1 passes"))
                     .arg(number(e.passCount)),
                 describeDuration(e.totalSeconds));
    }
    return Messages::tr("%1; one pass; about %2 in all")
        .arg(pass, describeDuration(e.totalSeconds));
}

namespace {

QPair<qint64, qint64> errorsAndWarnings(const CheckReport &report)
{
    qint64 errors = 0, warnings = 0;
    for (const CheckItem &item : report.items)
        ++(item.isError() ? errors : warnings);
    return {errors, warnings};
}

QString errorCount(qint64 errors)
{
    return (errors == 1 ? Messages::tr("%1 error") : Messages::tr("%1 errors")).arg(errors);
}

} // namespace

QString verdict(const CheckReport &report)
{
    const auto [errors, warnings] = errorsAndWarnings(report);
    const QString warningCount =
        (warnings == 1 ? Messages::tr("%1 warning") : Messages::tr("%1 warnings")).arg(warnings);
    if (errors > 0)
        return Messages::tr("%1, %2: as they are, the files stop the run")
            .arg(errorCount(errors), warningCount);
    if (warnings > 0)
        return Messages::tr("no errors (%1)").arg(warningCount);
    return Messages::tr("no problems found");
}

QString refusedByCheck(const CheckReport &report)
{
    return Messages::tr("the check found %1 in the files: nothing was sent")
        .arg(errorCount(errorsAndWarnings(report).first));
}

QString describeCharacter(QStringView c)
{
    const char32_t code =
        c.size() == 2 ? QChar::surrogateToUcs4(c[0], c[1]) : (c.isEmpty() ? 0 : c[0].unicode());
    if (code == u'\t')
        return Messages::tr("tab");
    if (code == u'\n')
        return Messages::tr("line break");
    const QString hex = QStringLiteral("U+%1").arg(uint(code), 4, 16, QLatin1Char('0')).toUpper();
    const QChar::Category category = QChar::category(code);
    const bool invisible = category == QChar::Other_Control || category == QChar::Other_Format ||
                           category == QChar::Other_Surrogate || QChar::isSpace(code);
    if (invisible)
        return hex;
    return QStringLiteral("'%1' (%2)").arg(c.toString(), hex);
}

QString describe(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Cp932:
        return Messages::tr("code page 932");
    case TextEncoding::Utf8:
        return Messages::tr("UTF-8");
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        return Messages::tr("UTF-16");
    case TextEncoding::Utf32LE:
    case TextEncoding::Utf32BE:
        return Messages::tr("UTF-32");
    }
    return QString();
}

QString describe(PortState state)
{
    switch (state) {
    case PortState::Waiting:
        return Messages::tr("waiting");
    case PortState::Running:
        return Messages::tr("running");
    case PortState::Paused:
        return Messages::tr("paused");
    case PortState::PortGone:
        return Messages::tr("port gone");
    case PortState::Done:
        return Messages::tr("done");
    case PortState::Failed:
        return Messages::tr("failed");
    }
    return QString();
}

QString portGone(const LinkError &error, const QString &howToEnd)
{
    const QString text =
        Messages::tr("port %1 is gone; waiting for it to come back").arg(shown(error.port));
    return howToEnd.isEmpty() ? text : text + QStringLiteral(" (") + howToEnd + u')';
}

QString portBack(const QString &port, const QString &howToGoOn)
{
    return Messages::tr("port %1 is back: bring the handheld back to where a pass starts, "
                        "clearing the half-typed entry, then %2")
        .arg(shown(port), howToGoOn);
}

} // namespace tapwright
