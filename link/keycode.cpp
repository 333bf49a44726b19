#include "link/keycode.h"

namespace tapwright {

KeyFrame makeKeyFrame(const KeyCode &code)
{
    KeyFrame frame{};
    for (std::size_t i = 0; i < FrameHeader.size(); ++i)
        frame[i] = FrameHeader[i];
    frame[5] = static_cast<std::uint8_t>(code.table & 0xFF);
    frame[6] = static_cast<std::uint8_t>(code.row & 0xFF);
    frame[7] = static_cast<std::uint8_t>(code.column & 0xFF);
    return frame;
}

} // namespace tapwright
