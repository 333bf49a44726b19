#include "macro/macrofile.h"

#include "link/keytable.h"

#include <cmath>

namespace tapwright {

QStringList splitFields(const QString &line)
{
    QStringList fields = line.split(QLatin1Char(' '), Qt::KeepEmptyParts);
    fields[0] = asciiUpper(fields[0]);
    return fields;
}

bool MacroReader::open(const QString &path)
{
    return reader_.open(path);
}

bool MacroReader::openText(const QString &text)
{
    // With a BOM the reader takes UTF-8 without guessing.
    return reader_.openBytes(QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8());
}

void MacroReader::close()
{
    reader_.close();
}

std::optional<MacroStep> MacroReader::next()
{
    for (;;) {
        std::optional<QString> line = reader_.readLine();
        if (!line)
            return std::nullopt;
        if (line->isEmpty())
            continue; // blank lines are not steps
        MacroStep step;
        step.line = reader_.lineNumber();
        step.fields = splitFields(*line);
        step.text = std::move(*line);
        return step;
    }
}

QString MacroReader::errorString() const
{
    return reader_.errorString();
}

FoundCommand findCommand(QStringView word)
{
    if (const auto key = findKeyName(word))
        return {Command::Key, *key};
    static const struct
    {
        const char *word;
        Command command;
    } commands[] = {
        {"BASEWAIT", Command::BaseWait}, {"SLEEP", Command::Sleep},     {"REPEAT", Command::Repeat},
        {"GETSTR", Command::GetStr},     {"SENDSTR", Command::SendStr}, {"STRING", Command::String},
    };
    for (const auto &c : commands) {
        if (word == QLatin1String(c.word))
            return {c.command, KeyCode{}};
    }
    return {};
}

namespace {

std::optional<double> parseDecimal(QStringView text)
{
    qsizetype i = 0;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        ++i;
    qsizetype digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            ++digits;
        } else if (c == QLatin1Char('.') && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    bool ok = false;
    // Only ASCII digits, one sign and one point got here, which toDouble reads
    // the same in every locale.
    const double value = text.toString().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

std::optional<float> parseSeconds(QStringView text)
{
    const auto value = parseDecimal(text);
    if (!value || std::fabs(*value) > MaxWaitSeconds)
        return std::nullopt;
    return static_cast<float>(*value);
}

bool passCounterOutOfRange(QStringView text)
{
    return parseDecimal(text.trimmed()) && !parsePassCounter(text);
}

std::optional<qint32> parsePassCounter(QStringView text)
{
    const auto value = parseDecimal(text.trimmed());
    if (!value)
        return std::nullopt;
    // Half to even, as banks round.
    const double rounded =
        *value - std::floor(*value) == 0.5 ? 2.0 * std::round(*value / 2.0) : std::round(*value);
    if (rounded < double(MinPassCounter) || rounded > double(MaxPassCounter))
        return std::nullopt;
    return static_cast<qint32>(rounded);
}

} // namespace tapwright
