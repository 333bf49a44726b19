#include "device/virtuallink.h"

#include "device/framedecoder.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <deque>
#include <vector>

namespace tapwright {

namespace {

/// When frame `n` (counted from 1) of a burst is complete, measured from the
/// start of the burst. Computed from the start each time, so rounding never
/// adds up over a long text.
qint64 dueNs(qint64 n)
{
    return frameNs(n);
}

} // namespace

struct VirtualLink::Private
{
    explicit Private(VirtualLink *owner) : q(owner) {}

    VirtualLink *q;
    bool open = false;
    std::deque<KeyFrame> queue;
    FrameDecoder decoder;
    /// Runs only while frames are queued: the link costs nothing when idle.
    QTimer timer;
    QElapsedTimer burstClock;
    /// Frames of the current burst that have come out already.
    qint64 burstDone = 0;
    /// Frames that came off the line since the port opened.
    qint64 sent = 0;
    /// The event loops of ClosePort(Drain) calls in progress.
    std::vector<QEventLoop *> drains;

    /// Counts the wake-ups of drains, to tell them from a program that quits.
    qint64 drainWakeups = 0;

    void quitDrains()
    {
        ++drainWakeups;
        for (QEventLoop *loop : drains)
            loop->quit();
    }

    void startBurst()
    {
        burstClock.start();
        burstDone = 0;
        scheduleNext();
    }

    void scheduleNext()
    {
        if (!q->isPaced()) {
            timer.start(0);
            return;
        }
        const qint64 waitNs = dueNs(burstDone + 1) - burstClock.nsecsElapsed();
        // Rounded up: a timer that fired early would only find nothing due.
        timer.start(int(std::max<qint64>(0, (waitNs + 999999) / 1000000)));
    }

    void deliver()
    {
        QByteArray bytes;
        DevicePieces pieces;
        const qint64 elapsed = burstClock.nsecsElapsed();
        // A busy event loop does not slow the line down: whatever fell due
        // meanwhile comes out now, together.
        while (!queue.empty() && (!q->isPaced() || dueNs(burstDone + 1) <= elapsed)) {
            const KeyFrame frame = queue.front();
            queue.pop_front();
            ++burstDone;
            ++sent;
            const QByteArray frameBytes(reinterpret_cast<const char *>(frame.data()),
                                        qsizetype(frame.size()));
            bytes += frameBytes;
            pieces += decoder.feed(frameBytes);
        }
        // A kana whose mark is still queued must stay held; once the line is
        // idle, no mark is coming.
        if (queue.empty())
            pieces += decoder.flush();
        else
            scheduleNext();

        const QPointer<VirtualLink> self(q);
        if (!bytes.isEmpty())
            Q_EMIT q->lineBytes(bytes);
        if (self && !pieces.isEmpty())
            Q_EMIT q->received(pieces);
        if (!self)
            return;
        // Looked at after the signal: a receiver may have sent more.
        if (queue.empty())
            quitDrains();
    }
};

VirtualLink::VirtualLink(QObject *parent) : Link(parent), d(std::make_unique<Private>(this))
{
    d->timer.setSingleShot(true);
    d->timer.setTimerType(Qt::PreciseTimer);
    connect(&d->timer, &QTimer::timeout, this, [this] { d->deliver(); });
}

VirtualLink::~VirtualLink()
{
    // Nobody is left to receive what was still on its way.
    d->queue.clear();
    d->timer.stop();
    d->quitDrains();
}

void VirtualLink::setPaced(bool paced)
{
    if (isPaced() == paced)
        return;
    Link::setPaced(paced);
    if (!d->queue.empty())
        d->startBurst();
}

bool VirtualLink::OpenPort()
{
    if (!d->open) {
        d->open = true;
        d->sent = 0;
        setLastError(LinkError());
    }
    return true;
}

void VirtualLink::ClosePort(CloseMode mode)
{
    if (!d->open)
        return;
    if (mode == CloseMode::Drain && !d->queue.empty()) {
        QEventLoop loop;
        d->drains.push_back(&loop);
        // Again if a receiver sent more just as the queue ran empty. A loop
        // that returns without being woken means the program is quitting:
        // what is left is dropped below.
        while (d->open && !d->queue.empty()) {
            const qint64 wakeups = d->drainWakeups;
            loop.exec();
            if (d->drainWakeups == wakeups)
                break;
        }
        d->drains.erase(std::find(d->drains.begin(), d->drains.end(), &loop));
        if (!d->open)
            return; // discarded by a nested close while waiting
    }
    d->open = false;
    if (d->queue.empty())
        return;
    d->queue.clear();
    d->timer.stop();
    d->quitDrains();
    // A kana that already came out was only waiting for a mark that now never
    // comes; it did reach the terminal.
    const DevicePieces pieces = d->decoder.flush();
    if (!pieces.isEmpty())
        Q_EMIT received(pieces);
}

void VirtualLink::SendKey(int row, int column, int table)
{
    if (!d->open)
        return;
    d->queue.push_back(makeKeyFrame(KeyCode{table, row, column}));
    if (!d->timer.isActive())
        d->startBurst();
}

bool VirtualLink::isOpen() const
{
    return d->open;
}

int VirtualLink::framesInFlight() const
{
    return int(d->queue.size());
}

qint64 VirtualLink::nsUntilProgress() const
{
    if (d->queue.empty())
        return 0;
    if (!isPaced())
        return 1000000; // the next turn of the event loop
    return std::max<qint64>(1, dueNs(d->burstDone + 1) - d->burstClock.nsecsElapsed());
}

qint64 VirtualLink::framesSent() const
{
    return d->sent;
}

} // namespace tapwright
