#pragma once

#include <functional>

// Between the portable half of the output (output.cpp) and the half each
// system has its own of (output_unix.cpp, output_win.cpp).

namespace tapwright::cli {

/// Who hears first that stdout is closed: the ClosedStdoutWatch that lives,
/// or nobody (empty).
void setStdoutClosedCallback(std::function<void()> onClosed);

/// Whether stdout is a pipe whose reader has gone, looked at without writing
/// anything to it.
bool stdoutReaderGone();

} // namespace tapwright::cli
