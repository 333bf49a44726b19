#pragma once

#include "link/link.h"

#include <QSerialPort>
#include <QString>

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

/// Opens `port` for the port text at the device's line settings (600 baud,
/// 8E1, no flow control) and reads the settings back. On success the result
/// is no error but names the device; on failure the port stays closed.
LinkError openAtLineSettings(QSerialPort &port, const QString &portText,
                             QIODevice::OpenMode mode);

/// The link over a real serial port, at the device's line settings: 600 baud,
/// even parity, 8 data bits, 1 stop bit, no flow control. Bytes leave exactly
/// as sent; every frame queues, in order, however many are sent at once.
class SerialLink : public Link
{
    Q_OBJECT
public:
    explicit SerialLink(QObject *parent = nullptr);
    /// Discards whatever is still queued: the owner is going away.
    ~SerialLink() override;

    bool OpenPort() override;
    void ClosePort(CloseMode mode = CloseMode::Drain) override;
    void SendKey(int row, int column, int table) override;
    bool isOpen() const override;

    /// The port object, for reading back its line settings.
    const QSerialPort &port() const { return *port_; }

    /// How long a drain waits for queued bytes that do not move.
    void setStallTimeout(int ms) { stallTimeoutMs_ = ms; }

private:
    void onPortError(QSerialPort::SerialPortError error);
    void fail(LinkError::Kind kind, const QString &reason);
    qint64 systemOutputQueue() const;
    /// Waits, with the event loop running, until the queue is empty; false
    /// when it gave up or the program is quitting.
    bool drain();

    QSerialPort *port_;
    QString openedPortText_;
    QString openedDevice_;
    int stallTimeoutMs_;
    bool opening_ = false;
    bool failing_ = false;
};

} // namespace tapwright
