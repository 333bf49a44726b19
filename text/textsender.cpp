#include "text/textsender.h"

#include "text/chartable.h"

#include <algorithm>

namespace tapwright {

void SendChar(KeySink &link, QStringView text)
{
    const CharEntry *entry = findChar(text);
    if (!entry)
        return;
    for (const KeyCode &code : entry->codes)
        link.SendKey(code.row, code.column, code.table);
}

void SendStr(KeySink &link, QStringView Str)
{
    // One code unit at a time: a half-width kana and its mark go out as two
    // lookups, which sends the same frames as the pair entry would.
    const qsizetype n = Str.size();
    for (qsizetype i = 0; i < n; ++i)
        SendChar(link, Str.mid(i, 1));
}

void SendAddress(KeySink &link, const std::function<void(const QString &)> &showLabel,
                 const QString &text)
{
    if (showLabel)
        showLabel(text);
    SendStr(link, text);
}

Unsendable unsendableCharacters(QStringView text)
{
    Unsendable skipped;
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return canEnter(c.unicode()); }))
        return skipped; // the common case
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        if (!pair && canEnter(text[i].unicode()))
            continue;
        const QStringView c = text.mid(i, pair ? 2 : 1);
        ++skipped.count;
        if (!skipped.characters.contains(c))
            skipped.characters.append(c.toString());
        i += pair ? 1 : 0;
    }
    return skipped;
}

QString visibleText(QStringView text)
{
    const auto hidden = [](char16_t c) {
        return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
    };
    // The common case, text with nothing to hide, costs no copy.
    if (std::none_of(text.begin(), text.end(), [&](QChar c) { return hidden(c.unicode()); }))
        return text.toString();
    QString shown;
    shown.reserve(text.size() + 16);
    for (const QChar c : text) {
        if (hidden(c.unicode()))
            shown += QStringLiteral("U+%1").arg(uint(c.unicode()), 4, 16, QLatin1Char('0')).toUpper();
        else
            shown += c;
    }
    return shown;
}

} // namespace tapwright
