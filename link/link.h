#pragma once

#include "link/keycode.h"

#include <QMetaType>
#include <QObject>
#include <QString>

#include <chrono>

namespace tapwright {

/// Anything that can press a key of the device. The text operations send
/// through this, so they work the same on a serial port, a virtual terminal or
/// a recorder in a test.
class KeySink
{
public:
    virtual ~KeySink() = default;
    /// Sends the frame of (table, row, column); argument order as the device
    /// manual gives it.
    virtual void SendKey(int row, int column, int table) = 0;
};

/// Why a port could not be opened, or why an open port stopped working.
struct LinkError
{
    enum Kind
    {
        None,
        NoPortGiven,      ///< the port text was empty or blank
        BadPortNumber,    ///< digits that name no port (0, or too large)
        NotFound,         ///< no such device
        PermissionDenied, ///< the user may not open the device
        Busy,             ///< another program, or the other window, holds it
        NotASerialPort,   ///< a file, a FIFO or a device such as /dev/null
        OpenFailed,       ///< any other failure to open or set up the port
        WriteFailed,      ///< a write failed on an open port (device gone)
        Stalled,          ///< queued bytes stopped leaving, during a run or while closing
    };
    Kind kind = None;
    QString port;   ///< the port text as the user gave it
    QString device; ///< the system's name for it, e.g. /dev/ttyS0
    QString reason; ///< the system's own words, if any

    bool isError() const { return kind != None; }
};

} // namespace tapwright

Q_DECLARE_METATYPE(tapwright::LinkError)

namespace tapwright {

/// One connection to the device. The owner sets the port text, opens, sends
/// frames and closes. Frames sent while closed are dropped without a word:
/// pressing keys while disconnected is an ordinary thing to do.
class Link : public QObject, public KeySink
{
    Q_OBJECT
public:
    enum class CloseMode {
        Drain,   ///< return only after every queued byte has left the port
        Discard, ///< drop whatever is still queued and return at once
    };

    using QObject::QObject;

    /// The port text used by the next OpenPort: a number n for the system's
    /// serial port n, or a device name or path.
    void setCommPort(const QString &text) { commPort_ = text; }
    QString commPort() const { return commPort_; }

    /// Opens the port named by commPort() unless it is open already; an open
    /// port is kept as it is, even if commPort() names another one by now.
    /// Returns false when the port could not be opened; lastError() says why
    /// and the port stays closed.
    virtual bool OpenPort() = 0;
    /// Closes the port if it is open.
    virtual void ClosePort(CloseMode mode = CloseMode::Drain) = 0;
    virtual bool isOpen() const = 0;

    /// The last open failure or port failure.
    const LinkError &lastError() const { return lastError_; }

    /// Paced (the default): frames go onto the line no faster than it carries
    /// them, so that the program always knows what the device has received.
    /// Unpaced: as fast as the port takes them, for a device with a buffer of
    /// its own and for tests.
    virtual void setPaced(bool paced) { paced_ = paced; }
    bool isPaced() const { return paced_; }

    /// Frames handed to the link that the line has not carried yet: those the
    /// program or the system still holds, and the one on the wire.
    virtual int framesInFlight() const { return 0; }
    /// How long until framesInFlight() may next go down, in nanoseconds; a
    /// hint for when to look again, 0 when there is nothing to wait for.
    virtual qint64 nsUntilProgress() const { return 0; }
    /// Frames that have gone, or are going, to the line since the port opened;
    /// not those dropped from the queue.
    virtual qint64 framesSent() const { return 0; }

Q_SIGNALS:
    /// An open port failed (a write error, an unplugged device). Emitted once
    /// per failure; the port is closed by then.
    void failed(const tapwright::LinkError &error);

protected:
    void setLastError(const LinkError &error) { lastError_ = error; }

private:
    QString commPort_;
    LinkError lastError_;
    bool paced_ = true;
};

/// One frame is 8 bytes of 11 bits each on the line (start bit, 8 data bits,
/// even parity, stop bit).
inline constexpr qint64 FrameBits = 88;
/// The device's line speed.
inline constexpr qint64 LineBaud = 600;

/// Time counted in frames on the device's line; exact, so that a long text
/// timed from its start never gathers rounding.
using FrameTimes = std::chrono::duration<qint64, std::ratio<FrameBits, LineBaud>>;
/// How long one frame takes on the line: 146.67 ms.
inline constexpr FrameTimes FrameTime{1};

/// `frames` frame times in nanoseconds, rounded down.
constexpr qint64 frameNs(qint64 frames = 1)
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(frames * FrameTime).count();
}

/// Frames that may be ahead of the line: on a paced link the frame on the
/// wire and one behind it, so that the line never idles between frames and
/// the device is never more than two frame times behind what the program
/// shows.
inline constexpr int PacedLead = 2;
/// Unpaced, a few more: the port takes them as fast as it can.
inline constexpr int UnpacedLead = 4;

/// The lead for a link paced or not.
constexpr int leadFor(bool paced)
{
    return paced ? PacedLead : UnpacedLead;
}

} // namespace tapwright
