#include "ui/keypadsends.h"

namespace tapwright::ui {

KeypadSends &KeypadSends::instance()
{
    static KeypadSends sends;
    return sends;
}

} // namespace tapwright::ui
