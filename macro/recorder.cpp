#include "macro/recorder.h"

#include "link/keytable.h"
#include "macro/checker.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tapwright {

namespace {

/// Seconds in whole tenths, the precision a recording keeps; never below 0.
qint64 tenthsOf(double seconds)
{
    return seconds > 0 ? std::llround(seconds * 10) : 0;
}

/// The frames a send put on the line: one for a key, the text's for a text.
qint64 framesOf(const RecordedSend &send)
{
    return send.kind == RecordedSend::Key ? 1 : framesOfText(send.text);
}

/// Which SENDSTR types `text` from `entry`: the field's number, 0 for the
/// whole entry, or none. With one field the whole entry is the plainer word;
/// with several a field is what the user most likely meant.
std::optional<int> addressField(const QString &text, const AddressEntry &entry,
                                FieldFormat format)
{
    if (text.isEmpty())
        return std::nullopt;
    const QStringList fields = fieldsOf(entry.text, format);
    if (fields.size() == 1 && text == entry.text)
        return 0;
    const qsizetype at = fields.indexOf(text);
    if (at >= 0)
        return int(at + 1);
    if (text == entry.text)
        return 0;
    return std::nullopt;
}

} // namespace

QString recordedSeconds(qint64 tenths)
{
    const qint64 whole = tenths / 10;
    const qint64 tenth = tenths % 10;
    return tenth == 0 ? QString::number(whole) : QStringLiteral("%1.%2").arg(whole).arg(tenth);
}

RecordedMacro recordedLines(const QList<RecordedSend> &sends, RecordedWaits waits,
                            const std::optional<AddressEntry> &next, FieldFormat format,
                            bool repeat)
{
    // The pause before each send: from the moment the line would have
    // carried the previous send's frames, since the run's sending does not
    // wait for them either. None before the first.
    const qint64 held = std::llround(HeldPauseSeconds * 10);
    std::vector<qint64> pauses(size_t(sends.size()), 0);
    std::vector<std::optional<int>> fields(size_t(sends.size()));
    qint64 base = 0;
    bool getStr = false;
    for (qsizetype i = 0; i < sends.size(); ++i) {
        const RecordedSend &send = sends[i];
        if (i > 0) {
            const RecordedSend &before = sends[i - 1];
            const double busy = double(framesOf(before)) * frameSeconds();
            pauses[size_t(i)] = tenthsOf(double(send.ms - before.ms) / 1000.0 - busy);
            const qint64 p = pauses[size_t(i)];
            if (p >= held && (base == 0 || p < base))
                base = p;
        }
        if (send.kind == RecordedSend::Text && next)
            fields[size_t(i)] = addressField(send.text, *next, format);
        getStr = getStr || fields[size_t(i)].has_value();
    }
    if (waits == RecordedWaits::None)
        base = 0;

    RecordedMacro macro;
    QStringList &lines = macro.lines;
    const auto note = [&macro](RecordedNote::Kind kind, int field, const QString &text) {
        macro.notes << RecordedNote{kind, int(macro.lines.size()), field, text};
    };
    if (base > 0)
        lines << QStringLiteral("BASEWAIT ") + recordedSeconds(base);
    if (getStr)
        lines << QStringLiteral("GETSTR");
    for (qsizetype i = 0; i < sends.size(); ++i) {
        const RecordedSend &send = sends[i];
        // The run waits the base wait after the step before and after the
        // SLEEP itself: the SLEEP is what is left of the pause.
        const qint64 sleep = pauses[size_t(i)] - 2 * base;
        if (waits == RecordedWaits::Sleeps && sleep > 0)
            lines << QStringLiteral("SLEEP ") + recordedSeconds(sleep);
        if (send.kind == RecordedSend::Key) {
            const QString name = keyNameOfButton(send.button);
            if (name.isEmpty()) {
                if (buttonCode(send.button))
                    note(RecordedNote::NoKeyName, 0, buttonTable()[size_t(send.button)].caption);
                continue;
            }
            lines << name;
            continue;
        }
        if (const std::optional<int> field = fields[size_t(i)]) {
            // SENDSTR types the field whole, spaces and all.
            note(RecordedNote::FromAddress, *field, send.text);
            lines << (*field == 0 ? QStringLiteral("SENDSTR")
                                  : QStringLiteral("SENDSTR %1").arg(*field));
            continue;
        }
        // STRING's text ends at the first space: one STRING for each part,
        // and a note where a run of spaces was left out.
        bool dropped = false;
        const QStringList parts = send.text.split(u' ');
        for (qsizetype k = 0; k < parts.size(); ++k) {
            dropped = dropped || k > 0;
            if (parts[k].isEmpty())
                continue;
            if (dropped)
                note(RecordedNote::SpaceDropped, 0, send.text);
            dropped = false;
            lines << QStringLiteral("STRING ") + parts[k];
        }
        if (dropped)
            note(RecordedNote::SpaceDropped, 0, send.text);
    }
    if (repeat)
        lines << QStringLiteral("REPEAT");
    // A note about what would have come last belongs to the last line.
    for (RecordedNote &n : macro.notes)
        n.line = std::clamp(n.line, 0, std::max(0, int(lines.size()) - 1));
    return macro;
}

QString keyNameOfButton(int index)
{
    const std::optional<KeyCode> code = buttonCode(index);
    if (!code)
        return QString();
    // The caption's own name where it has one (i1 is I1, not HENKAN).
    const QString caption = asciiUpper(buttonTable()[size_t(index)].caption);
    if (findKeyName(caption) == code)
        return caption;
    return keyNameOf(*code);
}

} // namespace tapwright
