#pragma once

#include <functional>

// Between the portable half of the output (output.cpp) and the half each
// system has its own of (output_*.cpp, and signals_*.cpp for the watch).

namespace tapwright::cli {

/// Who hears first that stdout is closed: the ClosedStdoutWatch that lives,
/// or nobody (empty).
void setStdoutClosedCallback(std::function<void()> onClosed);

/// How often a watched stdout is looked at while nothing is printed (a long
/// SLEEP), where the system cannot tell us that its reader went away: the
/// stop that follows must still reach the device within the promised 0.3 s,
/// the two frames on their way included.
inline constexpr int StdoutLookMs = 50;

/// Whether stdout is a pipe whose reader has gone, looked at without writing
/// anything to it.
bool stdoutReaderGone();

} // namespace tapwright::cli
