#pragma once

#include <QStringList>

namespace tapwright::cli {

/// Exit codes of the command-line tool.
enum Exit {
    ExitOk = 0,
    ExitFailure = 1, ///< the port or a file failed, or a run ended on an error
    ExitUsage = 2,   ///< the command line was wrong; nothing was sent
};

/// Runs one command line (without the program name) and returns its exit code.
int run(const QStringList &args);

} // namespace tapwright::cli
