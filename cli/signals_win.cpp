#include "cli/signals.h"

#include "cli/output.h"
#include "cli/output_sys.h"

#include <QMetaObject>

#include <mutex>
#include <utility>

#include <windows.h>

namespace tapwright::cli {

namespace {

// How long a closing console waits for the run to stop. The system ends
// the process once the handler returns, or after five seconds anyway.
constexpr DWORD CloseGraceMs = 4500;

} // namespace

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
    lookEveryMoment();
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
