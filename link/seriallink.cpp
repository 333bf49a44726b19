#include "link/seriallink.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace tapwright {

namespace {

// How long queued bytes may sit without any of them leaving before the link
// gives up, while sending or in a drain. At 600 baud a byte leaves every
// 18 ms, so a port that makes no progress for this long is not coming back.
constexpr int StallTimeoutMs = 10000;
// How often the link looks at the system's output queue while bytes wait in
// it. The system tells us when the port can take more bytes, but not when its
// queue has emptied.
constexpr int PollMs = 10;
constexpr qint64 PollNs = std::chrono::nanoseconds(std::chrono::milliseconds(PollMs)).count();
constexpr qint64 FrameBytes = 8;
// After a close that drops the queue, how long the frames already in the
// system may take to leave before they are cut off, beyond their line time.
constexpr qint64 DiscardGraceNs = std::chrono::nanoseconds(std::chrono::milliseconds(300)).count();

} // namespace

PortName resolvePortName(const QString &text)
{
    PortName result;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        result.error = {LinkError::NoPortGiven, text, QString(), QString()};
        return result;
    }
    bool allDigits = true;
    for (QChar c : trimmed)
        allDigits = allDigits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!allDigits) {
        result.device = trimmed;
        return result;
    }
    bool ok = false;
    const int number = trimmed.toInt(&ok);
    if (!ok || number < 1 || number > 255) {
        result.error = {LinkError::BadPortNumber, trimmed, QString(), QString()};
        return result;
    }
    result.device = SerialPort::numberedPort(number);
    return result;
}

SerialLink::SerialLink(QObject *parent)
    : Link(parent), port_(new SerialPort(this)), stallTimeoutMs_(StallTimeoutMs)
{
    clock_.start();
    feedTimer_.setSingleShot(true);
    feedTimer_.setTimerType(Qt::PreciseTimer);
    connect(&feedTimer_, &QTimer::timeout, this, &SerialLink::feed);
    connect(port_, &SerialPort::writeFailed, this, &SerialLink::onWriteFailed);
    connect(port_, &SerialPort::bytesWritten, this, &SerialLink::feed);
}

SerialLink::~SerialLink()
{
    // No event loop from here on: what the system holds (two frames at most)
    // leaves as the port closes; the rest is dropped whole. The port's own
    // close on deletion drops what is left, as a whole frame.
    queue_.clear();
    lingering_ = false;
    delete port_;
}

bool SerialLink::isOpen() const
{
    return port_->isOpen() && !lingering_;
}

void SerialLink::closeDroppingWholeFrames()
{
    // Whole frames are dropped from our queue. What the port object and the
    // system already hold stays: it may end in the start of a frame, and the
    // device would read every later frame shifted if the rest were cut off.
    // The port stays open out of sight until it has gone, or until the link
    // opens again or goes away.
    queue_.clear();
    lingering_ = true;
    feed();
}

bool SerialLink::isPseudoTerminal() const
{
    return port_->isPseudoTerminal();
}

void SerialLink::endLingering()
{
    if (!lingering_)
        return;
    lingering_ = false;
    feedTimer_.stop();
    // Closing a pseudo-terminal leaves its reader what it already holds; a
    // serial port would otherwise keep the close waiting for a stuck line.
    if (!isPseudoTerminal())
        port_->clearOutput();
    port_->close();
}

bool SerialLink::OpenPort()
{
    if (isOpen())
        return true;
    endLingering();
    opening_ = true;
    const LinkError result = port_->open(commPort());
    opening_ = false;
    if (result.isError()) {
        setLastError(result);
        return false;
    }
    openedPortText_ = result.port;
    openedDevice_ = result.device;
    queue_.clear();
    lineFreeAtNs_ = 0;
    framesSent_ = 0;
    lastPending_ = -1;
    setLastError(LinkError());
    return true;
}

qint64 SerialLink::pendingBytes() const
{
    if (!port_->isOpen())
        return 0;
    return port_->bytesToWrite() + port_->systemQueue();
}

int SerialLink::lineFrames() const
{
    const qint64 queued = (pendingBytes() + FrameBytes - 1) / FrameBytes;
    if (!isPaced())
        return int(queued);
    const qint64 frame = frameNs();
    const qint64 left = lineFreeAtNs_ - clock_.nsecsElapsed();
    const qint64 onLine = left > 0 ? (left + frame - 1) / frame : 0;
    return int(std::max(queued, onLine));
}

int SerialLink::framesInFlight() const
{
    return int(queue_.size()) + lineFrames();
}

qint64 SerialLink::nsUntilProgress() const
{
    if (!isOpen())
        return 0;
    if (isPaced()) {
        const qint64 frame = frameNs();
        const qint64 left = lineFreeAtNs_ - clock_.nsecsElapsed();
        // The line model counts down one frame at a time.
        if (left > 0)
            return std::max<qint64>(1, left - (left - 1) / frame * frame);
    }
    return pendingBytes() > 0 || !queue_.empty() ? PollNs : 0;
}

void SerialLink::SendKey(int row, int column, int table)
{
    if (!isOpen())
        return;
    queue_.push_back(makeKeyFrame(KeyCode{table, row, column}));
    feed();
}

void SerialLink::feed()
{
    if (lingering_) {
        // A pseudo-terminal cannot tell what its reader has taken, so it
        // lingers until the link opens again or goes away.
        if (pendingBytes() == 0 && !isPseudoTerminal())
            endLingering();
        else if (port_->bytesToWrite() > 0 || pendingBytes() > 0)
            feedTimer_.start(PollMs);
        return;
    }
    if (!port_->isOpen() || failing_)
        return;
    // The system holds as many frames as may be ahead of the line.
    const int room = leadFor(isPaced());
    // One frame at a time, and only once the port object has passed the last
    // one on: it then never holds more than part of one frame, which always
    // goes out whole.
    while (!queue_.empty() && port_->bytesToWrite() == 0 && lineFrames() < room) {
        const KeyFrame frame = queue_.front();
        queue_.pop_front();
        const qint64 now = clock_.nsecsElapsed();
        lineFreeAtNs_ = std::max(lineFreeAtNs_, now) + frameNs();
        ++framesSent_;
        port_->write(
            QByteArray(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size())));
        if (!isOpen())
            return; // the write failed and closed the port
    }
    // A port that takes nothing fails here, as a drain would find it; frames
    // waiting behind the stuck ones are dropped whole. Looked at on every
    // call, so that bytes that left unseen are not taken for stuck ones.
    if (stalled())
        return fail(LinkError::Stalled, QString());
    if (queue_.empty() && pendingBytes() == 0) {
        feedTimer_.stop();
        return;
    }
    // bytesWritten() wakes us for the port object's bytes; the line model
    // and the system's queue have to be looked at.
    qint64 waitNs = PollNs;
    if (isPaced() && port_->bytesToWrite() == 0) {
        const qint64 frame = frameNs();
        const qint64 untilRoom = lineFreeAtNs_ - (room - 1) * frame - clock_.nsecsElapsed();
        if (untilRoom > 0)
            waitNs = std::max<qint64>(waitNs / 10, untilRoom);
    }
    feedTimer_.start(int((waitNs + 999999) / 1000000));
}

bool SerialLink::stalled()
{
    // Bytes that move, or frames that the line model lets out.
    const qint64 pending = pendingBytes();
    const qint64 now = clock_.nsecsElapsed();
    if (pending != lastPending_ || pending == 0) {
        lastPending_ = pending;
        movedAtNs_ = now;
        return false;
    }
    return now - movedAtNs_ > qint64(stallTimeoutMs_) * 1000000;
}

bool SerialLink::waitUntilSent(bool framesOnly, qint64 limitNs)
{
    QEventLoop loop;
    bool done = false;
    bool gaveUp = false;
    QElapsedTimer total;
    total.start();

    auto check = [&] {
        if (done)
            return;
        if (!isOpen()) {
            done = true;
        } else {
            const qint64 pending = pendingBytes();
            const bool empty =
                framesOnly ? pending == 0 : queue_.empty() && pending == 0 && lineFrames() == 0;
            if (empty) {
                done = true;
            } else if (limitNs >= 0 && total.nsecsElapsed() > limitNs) {
                done = gaveUp = true;
            } else if (stalled()) {
                done = gaveUp = true;
                fail(LinkError::Stalled, QString());
            }
        }
        if (done)
            loop.quit();
    };

    QTimer poll;
    poll.setInterval(PollMs);
    connect(&poll, &QTimer::timeout, &loop, check);
    connect(port_, &SerialPort::bytesWritten, &loop, check);
    connect(this, &Link::failed, &loop, check);
    check();
    if (!done) {
        poll.start();
        // Returns early only when the whole program is told to quit.
        loop.exec();
    }
    return done && !gaveUp && isOpen();
}

void SerialLink::ClosePort(CloseMode mode)
{
    if (!isOpen())
        return;
    bool sent = false;
    if (mode == CloseMode::Drain) {
        sent = waitUntilSent(false, -1);
    } else {
        // Whole frames are dropped from our queue; the one or two the system
        // holds leave within their line time, so the device never gets part
        // of a frame.
        queue_.clear();
        feedTimer_.stop();
        if (isPseudoTerminal()) {
            // Its reader may be behind, and a close would cut off whatever
            // it has not taken yet.
            closeDroppingWholeFrames();
            return;
        }
        const qint64 frames = lineFrames();
        sent = waitUntilSent(true, frameNs(frames) + DiscardGraceNs);
    }
    if (!isOpen())
        return; // failed, or closed by a nested close, while waiting
    if (!sent) {
        // Also when the program is quitting in the middle of a drain: the
        // system would otherwise hold the close until its queue had gone out.
        closeDroppingWholeFrames();
        return;
    }
    queue_.clear();
    feedTimer_.stop();
    // The queue is empty; what may still sit in the UART's FIFO leaves
    // within a few byte times.
    port_->drainHardware();
    port_->close();
}

void SerialLink::onWriteFailed(const QString &reason)
{
    if (lingering_) {
        endLingering(); // the port is gone, and the cut frame with it
        return;
    }
    if (opening_ || failing_ || !port_->isOpen())
        return;
    fail(LinkError::WriteFailed, reason);
}

void SerialLink::fail(LinkError::Kind kind, const QString &reason)
{
    if (failing_)
        return;
    failing_ = true;
    const LinkError error{kind, openedPortText_, openedDevice_, reason};
    setLastError(error);
    if (port_->isOpen()) {
        if (kind == LinkError::Stalled)
            closeDroppingWholeFrames();
        else
            port_->close(); // a write failed: nothing more goes out anyway
    }
    queue_.clear();
    feedTimer_.stop();
    failing_ = false;
    Q_EMIT failed(error);
}

} // namespace tapwright
