#pragma once

#include "link/link.h"
#include "link/serialport.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <deque>

namespace tapwright {

/// The system's device name for a port text: a positive whole number n names
/// the platform's serial port n (COMn on Windows, /dev/ttyS(n-1) on Linux);
/// any other text is a device name or path, used as given. Blank text and
/// numbers that name no port give an error instead.
struct PortName
{
    QString device;
    LinkError error;
};
PortName resolvePortName(const QString &text);

/// The link over a real serial port, at the device's line settings: 600 baud,
/// even parity, 8 data bits, 1 stop bit, no flow control. Bytes leave exactly
/// as sent, in whole frames.
///
/// Frames wait in the link's own queue and go to the system one at a time, no
/// faster than the line carries them: the system never holds more than the
/// frame on the wire and one behind it (unpaced: a few frames). So a close
/// that must drop frames drops whole ones, from the link's queue, and what the
/// system still holds leaves within two frame times.
class SerialLink : public Link
{
    Q_OBJECT
public:
    explicit SerialLink(QObject *parent = nullptr);
    /// Drops what is still queued: the owner is going away.
    ~SerialLink() override;

    bool OpenPort() override;
    void ClosePort(CloseMode mode = CloseMode::Drain) override;
    void SendKey(int row, int column, int table) override;
    bool isOpen() const override;
    int framesInFlight() const override;
    qint64 nsUntilProgress() const override;
    qint64 framesSent() const override { return framesSent_; }

    /// The line settings the port reports, while it is open.
    LineSettings lineSettings() const { return port_->lineSettings(); }

    /// How long queued bytes may sit without moving, while sending or in a
    /// drain, before the link fails with LinkError::Stalled.
    void setStallTimeout(int ms) { stallTimeoutMs_ = ms; }

private:
    void onWriteFailed(const QString &reason);
    void fail(LinkError::Kind kind, const QString &reason);
    /// Bytes the system and the port object still hold.
    qint64 pendingBytes() const;
    /// Frames the system holds or the line is still carrying.
    int lineFrames() const;
    /// Hands queued frames to the system while the line has room for them,
    /// and sets the timer for the next one.
    void feed();
    /// Waits, with the event loop running, until the link holds nothing, or
    /// with `framesOnly`, until the system holds nothing. False when it gave
    /// up, the line stalled, or the program is quitting.
    bool waitUntilSent(bool framesOnly, qint64 limitNs);
    /// Whether the bytes the system holds have stayed as they were for the
    /// stall timeout; each call that finds them moved starts it again.
    bool stalled();
    /// Closes to the owner, dropping the queue; what the system holds still
    /// goes out, so that no frame is cut.
    void closeDroppingWholeFrames();
    /// Closes for real.
    void endLingering();
    bool isPseudoTerminal() const;

    SerialPort *port_;
    QString openedPortText_;
    QString openedDevice_;
    int stallTimeoutMs_;
    bool opening_ = false;
    bool failing_ = false;
    std::deque<KeyFrame> queue_;
    QElapsedTimer clock_;
    /// When the line will have carried every frame handed to the system, on
    /// the clock above; the system itself cannot tell for a pty or for the
    /// frame in a UART's FIFO.
    qint64 lineFreeAtNs_ = 0;
    QTimer feedTimer_;
    /// Closed to its owner, but open until the rest of a cut frame is out.
    bool lingering_ = false;
    qint64 framesSent_ = 0;
    /// What stalled() found last, and when they last moved, on clock_.
    qint64 lastPending_ = -1;
    qint64 movedAtNs_ = 0;
};

} // namespace tapwright
