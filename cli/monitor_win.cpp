#include "cli/monitor.h"

#include "cli/output.h"

#include <QCoreApplication>

namespace tapwright::cli {

// Listening on a port needs a pseudo-terminal or a second serial port, and
// neither is there on Windows; the virtual port shows what a run would send.
int monitorCommand(const QString &)
{
    return failure(QCoreApplication::translate("tapwright-cli",
                                               "monitor is not available on Windows; use --port "
                                               "virtual to see what the device would enter"));
}

} // namespace tapwright::cli
