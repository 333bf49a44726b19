#include "cli/terminal.h"

#include <QWinEventNotifier>

#include <iterator>

#include <windows.h>

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace tapwright::cli {

struct TerminalKeys::Platform
{
    HANDLE input = nullptr;
    DWORD mode = 0;
    std::unique_ptr<QWinEventNotifier> notifier;
};

namespace {

HANDLE stdoutHandle()
{
    return GetStdHandle(STD_OUTPUT_HANDLE);
}

bool isConsole(HANDLE handle, DWORD &mode)
{
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

} // namespace

bool stdoutIsTerminal()
{
    DWORD mode = 0;
    return isConsole(stdoutHandle(), mode);
}

void ringBell()
{
    for (const DWORD stream : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        const HANDLE handle = GetStdHandle(stream);
        DWORD mode = 0;
        if (isConsole(handle, mode)) {
            DWORD written = 0;
            WriteConsoleW(handle, L"\a", 1, &written, nullptr);
            return;
        }
    }
}

int stdoutColumns()
{
    CONSOLE_SCREEN_BUFFER_INFO info = {};
    // The visible window, not the buffer, which is often far wider.
    if (GetConsoleScreenBufferInfo(stdoutHandle(), &info)) {
        const int columns = info.srWindow.Right - info.srWindow.Left + 1;
        if (columns > 0)
            return columns;
    }
    return 80;
}

namespace {

/// Whether the console on stdout takes escape sequences.
bool consoleTakesEscapes()
{
    // A console takes the escape as one only when asked to (and one from
    // before Windows 10 cannot): asked once, on the first use.
    static const bool escapes = [] {
        DWORD mode = 0;
        const HANDLE out = stdoutHandle();
        if (!isConsole(out, mode))
            return false;
        return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
               SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
    }();
    return escapes;
}

} // namespace

QByteArray lineUpSequence()
{
    return consoleTakesEscapes() ? QByteArrayLiteral("\033[A") : QByteArray();
}

QByteArray clearLineSequence()
{
    if (consoleTakesEscapes())
        return QByteArrayLiteral("\r\033[K");
    // Overwritten with spaces instead; the status line leaves the last
    // column free, so these do not wrap either.
    return '\r' + QByteArray(qMax(stdoutColumns() - 1, 0), ' ') + '\r';
}

TerminalKeys::TerminalKeys(std::function<void(char)> onKey)
    : platform_(std::make_unique<Platform>()), onKey_(std::move(onKey))
{
    platform_->input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    terminal_ = isConsole(platform_->input, mode);
    takeOver();
}

TerminalKeys::~TerminalKeys()
{
    release();
}

void TerminalKeys::takeOver()
{
    if (!terminal_)
        return;
    Platform &p = *platform_;
    if (!held_ && !GetConsoleMode(p.input, &p.mode))
        return;
    // Keys one by one and unechoed; Ctrl-C stays the console's event. Mouse
    // and window events are not wanted: each would wake us for nothing.
    const DWORD keys = (p.mode & ~DWORD(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_MOUSE_INPUT |
                                        ENABLE_WINDOW_INPUT)) |
                       ENABLE_PROCESSED_INPUT;
    if (!SetConsoleMode(p.input, keys))
        return;
    held_ = true;
    if (!p.notifier) {
        p.notifier = std::make_unique<QWinEventNotifier>(p.input);
        QObject::connect(p.notifier.get(), &QWinEventNotifier::activated, p.notifier.get(),
                         [this] { readKeys(); });
    }
    p.notifier->setEnabled(true);
}

void TerminalKeys::release()
{
    Platform &p = *platform_;
    if (p.notifier)
        p.notifier->setEnabled(false);
    if (!held_)
        return;
    held_ = false;
    SetConsoleMode(p.input, p.mode);
}

void TerminalKeys::readKeys()
{
    Platform &p = *platform_;
    // The handle stays signalled while any event is waiting, whatever its
    // kind: all of them are taken, or this would run again at once.
    for (;;) {
        DWORD waiting = 0;
        INPUT_RECORD records[64];
        DWORD n = 0;
        if (!GetNumberOfConsoleInputEvents(p.input, &waiting) ||
            (waiting > 0 &&
             !ReadConsoleInputW(p.input, records, qMin(waiting, DWORD(std::size(records))), &n))) {
            // The console has gone: nothing more will come.
            p.notifier->setEnabled(false);
            return;
        }
        if (waiting == 0)
            return;
        for (DWORD i = 0; i < n; ++i) {
            if (records[i].EventType != KEY_EVENT)
                continue;
            const KEY_EVENT_RECORD &key = records[i].Event.KeyEvent;
            const wchar_t c = key.uChar.UnicodeChar;
            // Only the plain characters a terminal would send as one byte.
            if (!key.bKeyDown || c == 0 || c >= 0x80)
                continue;
            for (WORD repeat = 0; repeat < qMax(key.wRepeatCount, WORD(1)); ++repeat)
                onKey_(char(c));
        }
    }
}

} // namespace tapwright::cli
