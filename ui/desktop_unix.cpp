#include "ui/desktop.h"

#include <QtGlobal>

namespace tapwright::ui {

bool hasDesktopSession()
{
    // A platform chosen by hand (offscreen, vnc, ...) is the user's to judge.
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace tapwright::ui
