#pragma once

#include "link/keycode.h"

#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

namespace tapwright {

/// A key name of the macro language and the key it presses.
struct KeyName
{
    QString name;
    KeyCode code;
};

/// The 116 key names of macro files: the 58 plain names (table 3) followed by
/// their 58 "&" forms (table 9), in lookup order.
const std::vector<KeyName> &keyNameTable();

/// Finds the key name equal to `word`, compared exactly. Macro words are
/// upper-cased before they get here, so "up" must be passed as "UP".
std::optional<KeyCode> findKeyName(QStringView word);

/// The reverse of findKeyName: the first name that presses `code`, or an empty
/// string when no macro name does (keypad-only keys such as "f6").
QString keyNameOf(const KeyCode &code);

/// The keypad's buttons by their index in its button array, in the order of
/// buttonTable(). The digits 1 to 9 follow each other.
enum KeypadButton : int
{
    ButtonF1 = 0,      ///< f1 to f10 follow
    ButtonI1 = 10,     ///< i1 to i5 follow
    ButtonHenkan = 15, ///< 変換
    ButtonNone = 16,   ///< an index with no button
    ButtonUp = 17,
    ButtonMenu = 18,
    ButtonLeft = 19,
    ButtonEnter = 20, ///< ■
    ButtonRight = 21,
    ButtonCharacter = 22, ///< 文字
    ButtonDown = 23,
    ButtonOff = 24,
    ButtonClear = 25,
    ButtonOn = 26,
    ButtonDigit1 = 27,
    ButtonStar = 36,
    ButtonDigit0 = 37,
    ButtonHash = 38,
    ConnectButtonIndex = 39, ///< connects and disconnects; no key
    ButtonCount = 40,        ///< the number of indices, 0 to 39
};

/// One entry of the keypad's button array.
struct ButtonEntry
{
    int index;
    QString caption;             ///< empty for ButtonNone
    std::optional<KeyCode> code; ///< none for ButtonNone and the connect button
};

/// The button table, indices 0 to 39.
const std::vector<ButtonEntry> &buttonTable();

/// The key that keypad button `index` presses; none for ButtonNone, the
/// connect button and any index outside 0 to 39.
std::optional<KeyCode> buttonCode(int index);

/// Upper-cases the ASCII letters a-z and leaves every other character alone,
/// the way macro command words are upper-cased.
QString asciiUpper(QStringView text);

} // namespace tapwright
