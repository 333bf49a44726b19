#pragma once

#include <array>
#include <cstdint>

namespace tapwright {

/// One key or one character of the device: the code table, and the row and
/// column within it. Tables 1 and 2 hold characters, 3 the keys, 9 the keys in
/// their "&" form.
struct KeyCode
{
    int table = 0;
    int row = 0;
    int column = 0;

    friend bool operator==(const KeyCode &a, const KeyCode &b)
    {
        return a.table == b.table && a.row == b.row && a.column == b.column;
    }
    friend bool operator!=(const KeyCode &a, const KeyCode &b) { return !(a == b); }
};

/// The eight bytes that carry one KeyCode to the device.
using KeyFrame = std::array<std::uint8_t, 8>;

/// The five bytes every frame starts with.
inline constexpr std::array<std::uint8_t, 5> FrameHeader{0xF2, 0x02, 0x01, 0x00, 0x00};

/// Builds the frame F2 02 01 00 00 table row column. Each field is cut to its
/// low byte, as the device's protocol carries one byte per field.
KeyFrame makeKeyFrame(const KeyCode &code);

} // namespace tapwright
