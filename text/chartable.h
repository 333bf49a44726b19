#pragma once

#include "link/keycode.h"

#include <QString>
#include <QStringView>
#include <vector>

namespace tapwright {

/// One entry of the character table: a text the device can enter and the one
/// or two keys that enter it (a base kana, then its sound mark).
struct CharEntry
{
    QString key;
    std::vector<KeyCode> codes;
};

/// The device's character table: 364 entries. Tables 1 (half-width) and 2
/// (full-width) each give one frame per character; the 25 voiced hiragana and
/// the 25 half-width kana-plus-mark pairs give two.
const std::vector<CharEntry> &CharTable();

/// The entry whose key equals `text` code unit for code unit, or nullptr.
/// Nothing is normalised: case, width and kana type all matter.
const CharEntry *findChar(QStringView text);

/// The frames that one UTF-16 code unit takes when it is sent on its own, as
/// SendStr() sends text: 1, or 2 for a voiced hiragana; 0 for a unit the device
/// cannot enter (a half of a surrogate pair among them). No text is built.
int framesOf(char16_t unit);

/// Whether the device can enter the code unit on its own.
inline bool canEnter(char16_t unit)
{
    return framesOf(unit) > 0;
}

/// The character that `code` enters on its own: the reverse of the
/// single-frame entries. Empty for codes no character has.
QString charOf(const KeyCode &code);

} // namespace tapwright
