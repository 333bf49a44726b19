#pragma once

#include <QByteArray>

#include <functional>
#include <memory>

namespace tapwright::cli {

/// True when stdout is a terminal.
bool stdoutIsTerminal();
/// The width of the terminal on stdout in columns; 80 when it tells none.
int stdoutColumns();
/// What takes the terminal on stdout back to the start of its line and
/// erases that line.
QByteArray clearLineSequence();
/// What moves the cursor on stdout one line up; empty where the terminal
/// cannot.
QByteArray lineUpSequence();
/// Rings the bell of the terminal we print to: stdout's, or stderr's when
/// stdout goes elsewhere; off a terminal nothing, and a file or a pipe gets
/// no bell character.
void ringBell();

/// Single keys from a terminal on stdin, while it lives: each key arrives as
/// it is pressed, without echo and without waiting for Enter; Ctrl-C and
/// Ctrl-Z still raise their signals (on Windows, Ctrl-C its console event). The terminal's own
/// settings come back on release() and at the end. Off a terminal it does nothing, and stdin is
/// left alone.
class TerminalKeys
{
public:
    explicit TerminalKeys(std::function<void(char key)> onKey);
    ~TerminalKeys();
    TerminalKeys(const TerminalKeys &) = delete;
    TerminalKeys &operator=(const TerminalKeys &) = delete;

    /// True when stdin is a terminal.
    bool isTerminal() const { return terminal_; }
    /// Gives the terminal its own settings back and stops reading it (before
    /// the process stops, or the shell would get a terminal without echo).
    void release();
    /// Sets the terminal up for single keys again and reads it, once this
    /// process is in its foreground: from the background that would stop us.
    /// A running job that `fg` brings forward gets no signal, so until then
    /// the foreground is looked for every moment.
    void takeOver();

private:
    void readKeys();

    bool terminal_ = false;
    bool held_ = false;
    /// The saved settings and what watches the terminal, as each system has them.
    struct Platform;
    std::unique_ptr<Platform> platform_;
    std::function<void(char)> onKey_;
};

} // namespace tapwright::cli
