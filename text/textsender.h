#pragma once

#include "link/link.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>

namespace tapwright {

/// Sends the frames of `text` if it is a key of the character table (one
/// character, or a half-width kana and its mark); sends nothing otherwise.
void SendChar(KeySink &link, QStringView text);

/// Sends a text one UTF-16 code unit at a time through SendChar, in order.
/// Characters the table lacks are skipped; nothing waits between characters.
void SendStr(KeySink &link, QStringView Str);

/// Shows the text wherever `showLabel` puts it, then sends it as SendStr does.
void SendAddress(KeySink &link, const std::function<void(const QString &)> &showLabel,
                 const QString &text);

/// What SendStr would skip of a text.
struct Unsendable
{
    /// Each skipped character once, in order of first appearance; a character
    /// outside the BMP whole.
    QStringList characters;
    /// How many characters (code points) are skipped in all.
    int count = 0;

    bool isEmpty() const { return count == 0; }
};

/// The characters of `text` that SendStr would skip. Costs no allocation when
/// there are none.
Unsendable unsendableCharacters(QStringView text);

/// Text from a file as it may be shown anywhere, on a terminal above all:
/// every control character (C0, DEL, C1, and the line and paragraph
/// separators) by its code, "U+001B", so that a file can never retitle,
/// clear or recolour the user's terminal. Everything else stands as it is.
QString visibleText(QStringView text);

} // namespace tapwright
