#pragma once

#include "link/keycode.h"

#include <optional>
#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>

namespace tapwright {

/// One thing the device enters, as the decoder finds it on the line.
struct DevicePiece
{
    enum Kind
    {
        /// A character of table 1 or 2: the character itself; a base kana
        /// followed by its sound mark in table 2 comes out as the one voiced
        /// character ("か" then "゛" gives "が"); in table 1 the two half-width
        /// characters are given as they are ("ｶﾞ").
        Character,
        /// A key of table 3 or 9: its macro name in brackets, "[UP]",
        /// "[&ENTER]"; a key with no macro name (the keypad's "f6" to "f10")
        /// by its keypad caption, "[f6]".
        Key,
        /// A frame whose code no table holds: "[?t,r,c]", the three numbers in
        /// decimal.
        Unknown,
        /// Bytes that do not form a frame: "<F2 02 7F>", upper-case hex
        /// separated by spaces, in angle brackets.
        Noise,
    };
    Kind kind = Character;
    QString text; ///< as shown, in the forms above

    /// Whether what follows goes on a line of its own: after a key, an
    /// unknown frame or noise; characters gather on one line.
    bool endsLine() const { return kind != Character; }
};
using DevicePieces = QList<DevicePiece>;

/// Turns the byte stream that goes to the device back into what the device
/// would enter (see DevicePiece), for the virtual terminal, the monitor and
/// the send log. It resynchronises on the next F2 02 01 00 00 after noise.
class FrameDecoder
{
public:
    /// Feeds bytes as they arrive (any split); returns the pieces that are
    /// complete. A base kana of table 2 that may still take a sound mark is held
    /// back until the next frame or flush().
    DevicePieces feed(const QByteArray &bytes);
    /// Gives out whatever is held back: a pending kana, and a partial frame as
    /// hex.
    DevicePieces flush();

    /// The piece one frame gives on its own, with no composition.
    static DevicePiece describe(const KeyCode &code);

private:
    QByteArray pending_;          ///< a frame, or the start of one, not yet whole
    QByteArray noise_;            ///< bytes that form no frame, not yet given out
    std::optional<KeyCode> held_; ///< a base kana waiting for a possible mark
};

} // namespace tapwright

Q_DECLARE_METATYPE(tapwright::DevicePieces)
