#pragma once

#include <QString>

namespace tapwright::cli {

/// `tapwright-cli monitor [PORT]`: shows what arrives on a port, decoded as the
/// device would enter it. Without PORT it creates a pseudo-terminal, prints
/// "virtual terminal on /dev/pts/N" and decodes whatever any program sends
/// there. Runs until interrupted; returns the exit code.
int monitorCommand(const QString &port);

} // namespace tapwright::cli
