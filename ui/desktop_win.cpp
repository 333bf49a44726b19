#include "ui/desktop.h"

namespace tapwright::ui {

// A program started on Windows always has its desktop.
bool hasDesktopSession()
{
    return true;
}

} // namespace tapwright::ui
