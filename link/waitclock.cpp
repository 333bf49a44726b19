#include "link/waitclock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace tapwright {

EventLoopClock::EventLoopClock()
{
    timer_.start();
}

qint64 EventLoopClock::nowNs() const
{
    return timer_.nsecsElapsed();
}

void EventLoopClock::sleepUntil(qint64 deadlineNs)
{
    const qint64 remaining = deadlineNs - nowNs();
    if (remaining <= 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    // Sleep in the event loop: a timer for the deadline, and wake() for the
    // stop request. Nothing polls.
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    const qint64 ms = (remaining + 999999) / 1000000;
    timer.start(int(std::min<qint64>(ms, INT_MAX)));
    QEventLoop *outer = loop_;
    loop_ = &loop;
    loop.exec();
    loop_ = outer;
}

void EventLoopClock::wake()
{
    if (loop_)
        loop_->quit();
}

} // namespace tapwright
