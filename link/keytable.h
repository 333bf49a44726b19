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

/// Index of the keypad's connect button in the button array.
inline constexpr int ConnectButtonIndex = 39;
/// Number of indices of the keypad's button array (0 to 39).
inline constexpr int ButtonCount = 40;

/// One entry of the keypad's button array.
struct ButtonEntry
{
    int index;
    QString caption;             ///< empty for index 16, which has no button
    std::optional<KeyCode> code; ///< none for index 16 and the connect button
};

/// The button table, indices 0 to 39.
const std::vector<ButtonEntry> &buttonTable();

/// The key that keypad button `index` presses; none for index 16, the connect
/// button and any index outside 0 to 39.
std::optional<KeyCode> buttonCode(int index);

/// Upper-cases the ASCII letters a-z and leaves every other character alone,
/// the way macro command words are upper-cased.
QString asciiUpper(QStringView text);

} // namespace tapwright
