#pragma once

#include <QElapsedTimer>

class QEventLoop;

namespace tapwright {

/// Where waits get their time and where they sleep. The real one sleeps in
/// the event loop; tests put a fake clock in its place.
class WaitClock
{
public:
    virtual ~WaitClock() = default;
    virtual qint64 nowNs() const = 0;
    /// Lets pending events be delivered and sleeps in the event loop until
    /// `deadlineNs`, or until wake(). With the deadline already past, delivers
    /// what is pending and returns.
    virtual void sleepUntil(qint64 deadlineNs) = 0;
    /// Ends the current sleepUntil() at once.
    virtual void wake() = 0;
};

/// The real clock: a steady clock and Qt's event loop, with no polling.
class EventLoopClock : public WaitClock
{
public:
    EventLoopClock();
    qint64 nowNs() const override;
    void sleepUntil(qint64 deadlineNs) override;
    void wake() override;

private:
    QElapsedTimer timer_;
    QEventLoop *loop_ = nullptr;
};

} // namespace tapwright
