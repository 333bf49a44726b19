#pragma once

#include <functional>

// Between the portable half of the output (output.cpp) and the half each
// system has its own of (output_*.cpp, and signals_*.cpp for the watch).

namespace tapwright::cli {

/// Who hears first that stdout is closed: the ClosedStdoutWatch that lives,
/// or nobody (empty).
void setStdoutClosedCallback(std::function<void()> onClosed);

/// How often a watched stdout is looked at while nothing is printed (a long
/// SLEEP): a reader that went away then still ends the run soon.
inline constexpr int StdoutLookMs = 200;

/// Whether stdout is a pipe whose reader has gone, looked at without writing
/// anything to it.
bool stdoutReaderGone();

} // namespace tapwright::cli
