#include "cli/output.h"
#include "cli/output_sys.h"

#include <QMetaObject>
#include <QStringView>

#include <algorithm>
#include <mutex>
#include <utility>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace tapwright::cli {

namespace {

// How often a watched stdout is looked at while nothing is printed (a long
// SLEEP): a reader that went away then still ends the run soon.
constexpr int StdoutLookMs = 200;

// The most one call writes: WriteFile and WriteConsoleW count in DWORDs.
constexpr qsizetype WriteChunk = 1 << 20;

// How long a closing console waits for the run to stop. The system ends
// the process once the handler returns, or after five seconds anyway.
constexpr DWORD CloseGraceMs = 4500;

/// The reader of a pipe has gone. Windows says ERROR_NO_DATA (the pipe is
/// being closed) or ERROR_BROKEN_PIPE; wine, for a pipe of the host's,
/// ERROR_PIPE_NOT_CONNECTED.
bool isClosedPipe(DWORD error)
{
    return error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE ||
           error == ERROR_PIPE_NOT_CONNECTED;
}

bool isConsole(HANDLE handle)
{
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0;
}

} // namespace

qsizetype writeStd(StdStream stream, const QByteArray &bytes, bool &closed)
{
    closed = false;
    const HANDLE handle =
        GetStdHandle(stream == StdStream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return 0;
    if (isConsole(handle)) {
        // A console takes the UTF-16 text as it is: no code page comes
        // between, and Japanese shows whatever the console's code page.
        const QString text = QString::fromUtf8(bytes);
        qsizetype done = 0;
        while (done < text.size()) {
            DWORD n = 0;
            const DWORD chunk = DWORD(std::min(text.size() - done, WriteChunk));
            if (!WriteConsoleW(handle, text.utf16() + done, chunk, &n, nullptr) || n == 0)
                break;
            done += qsizetype(n);
        }
        return done == text.size() ? bytes.size() : QStringView(text).left(done).toUtf8().size();
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        DWORD n = 0;
        const DWORD chunk = DWORD(std::min(bytes.size() - done, WriteChunk));
        if (!WriteFile(handle, bytes.constData() + done, chunk, &n, nullptr)) {
            closed = isClosedPipe(GetLastError());
            break;
        }
        if (n == 0)
            break;
        done += qsizetype(n);
    }
    return done;
}

// A closed pipe raises no signal here: only the failed write tells.
struct ClosedStdoutWatch::Platform
{
};

ClosedStdoutWatch::ClosedStdoutWatch(std::function<void()> onClosed)
    : platform_(std::make_unique<Platform>())
{
    setStdoutClosedCallback(std::move(onClosed));
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE || GetFileType(out) != FILE_TYPE_PIPE)
        return;
    look_.setInterval(StdoutLookMs);
    QObject::connect(&look_, &QTimer::timeout, [this, out] {
        // A write of nothing puts nothing in a pipe that is still read, and
        // fails on one whose reader has gone. (Under wine, a pipe of the
        // host's takes it either way: there the next line's write tells.)
        DWORD n = 0;
        if (!WriteFile(out, "", 0, &n, nullptr) && isClosedPipe(GetLastError())) {
            look_.stop();
            stdoutFoundClosed();
        }
    });
    look_.start();
}

ClosedStdoutWatch::~ClosedStdoutWatch()
{
    look_.stop();
    setStdoutClosedCallback(nullptr);
}

namespace {

/// Where the console's events go: they come on a thread of their own and are
/// handed over to the main thread.
struct ControlTarget
{
    /// Lives in the main thread.
    QObject receiver;
    std::function<void(DWORD)> deliver;
};

// The target of the StopSignals that lives, for the handler's thread.
std::mutex controlMutex;
ControlTarget *controlTarget = nullptr;

/// Set when the StopSignals that lives is gone, and with it the run.
HANDLE stoppedEvent()
{
    static const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
}

BOOL WINAPI onConsoleControl(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
        break;
    default:
        return FALSE;
    }
    {
        const std::lock_guard<std::mutex> lock(controlMutex);
        if (!controlTarget)
            return FALSE;
        ControlTarget *target = controlTarget;
        // Dropped with the receiver if the StopSignals goes first.
        QMetaObject::invokeMethod(
            &target->receiver, [target, event] { target->deliver(event); }, Qt::QueuedConnection);
    }
    // A closed console ends the process once this returns: the run gets a
    // moment to stop and print its counter first.
    if (event == CTRL_CLOSE_EVENT && stoppedEvent() != nullptr)
        WaitForSingleObject(stoppedEvent(), CloseGraceMs);
    return TRUE;
}

} // namespace

struct StopSignals::Platform
{
    ControlTarget target;
};

StopSignals::StopSignals(std::function<void(int)> onSignal)
    : platform_(std::make_unique<Platform>()), onSignal_(std::move(onSignal))
{
    platform_->target.deliver = [this](DWORD event) { handle(int(event)); };
    if (stoppedEvent() != nullptr)
        ResetEvent(stoppedEvent());
    {
        const std::lock_guard<std::mutex> lock(controlMutex);
        controlTarget = &platform_->target;
    }
    if (!SetConsoleCtrlHandler(onConsoleControl, TRUE)) {
        error_ = int(GetLastError());
        const std::lock_guard<std::mutex> lock(controlMutex);
        controlTarget = nullptr;
        return;
    }
    installed_ = true;
}

void StopSignals::handle(int)
{
    // Ctrl-C, Ctrl-Break and a closed console all ask the same.
    onSignal_(++count_);
}

void StopSignals::catchJobControl(std::function<void()>, std::function<void()>)
{
    // No Ctrl-Z stops a console program.
}

StopSignals::~StopSignals()
{
    if (installed_)
        SetConsoleCtrlHandler(onConsoleControl, FALSE);
    {
        const std::lock_guard<std::mutex> lock(controlMutex);
        controlTarget = nullptr;
    }
    if (stoppedEvent() != nullptr)
        SetEvent(stoppedEvent());
}

} // namespace tapwright::cli
