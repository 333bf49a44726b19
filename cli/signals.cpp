#include "cli/signals.h"

#include "cli/output.h"
#include "cli/output_sys.h"

namespace tapwright::cli {

void ClosedStdoutWatch::lookEveryMoment()
{
    look_.setInterval(StdoutLookMs);
    QObject::connect(&look_, &QTimer::timeout, [this] {
        if (stdoutReaderGone()) {
            look_.stop();
            stdoutFoundClosed();
        }
    });
    look_.start();
}

} // namespace tapwright::cli
