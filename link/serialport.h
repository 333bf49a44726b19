#pragma once

#include "link/link.h"

#include <memory>
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

namespace tapwright {

/// The line settings a port reports back once it is open.
struct LineSettings
{
    qint64 baud = 0;
    int dataBits = 0;
    char parity = '?'; ///< 'N', 'E' or 'O'
    int stopBits = 0;
    bool flowControl = true;

    friend bool operator==(const LineSettings &a, const LineSettings &b)
    {
        return a.baud == b.baud && a.dataBits == b.dataBits && a.parity == b.parity &&
               a.stopBits == b.stopBits && a.flowControl == b.flowControl;
    }
};

/// A serial port that the system knows of.
struct PortInfo
{
    QString name;        ///< what the port box takes: a device path, or COMn
    QString description; ///< the system's words for it; may be empty

    friend bool operator==(const PortInfo &a, const PortInfo &b)
    {
        return a.name == b.name && a.description == b.description;
    }
};

/// The system's serial port at the level of bytes: what the serial link needs
/// of the platform for writing, and what a monitor needs for listening. One
/// implementation a platform, each in a file of its own.
class SerialPort : public QObject
{
    Q_OBJECT
public:
    /// What the port is opened for.
    enum class Mode
    {
        Write, ///< sending to the device
        Read,  ///< listening to what arrives, as on a loopback cable
    };

    explicit SerialPort(QObject *parent = nullptr);
    /// Closes without waiting.
    ~SerialPort() override;

    /// The system's name for its numbered port n (from 1): COMn, or
    /// /dev/ttyS(n-1).
    static QString numberedPort(int number);
    /// The serial ports the system knows of now, without opening any.
    static QList<PortInfo> systemPorts();

    /// Opens the port text (a number or a device name) at the device's line
    /// settings and reads them back. No error on success, naming the device;
    /// the port stays closed on failure.
    LinkError open(const QString &portText, Mode mode = Mode::Write);
    bool isOpen() const;
    /// Whether the port opened last is a pseudo-terminal. Nothing tells what
    /// its reader has taken: its output queue always looks empty.
    bool isPseudoTerminal() const;
    /// In read mode, what has arrived and not been taken yet, also what
    /// arrived a moment ago and has not been announced by readyRead().
    QByteArray readAvailable();
    /// Queues bytes and returns at once; they go out as the system takes them.
    void write(const QByteArray &bytes);
    /// Bytes that we still hold.
    qint64 bytesToWrite() const;
    /// Bytes that the system still holds, as far as it can tell (0 for a
    /// pseudo-terminal).
    qint64 systemQueue() const;
    /// Waits for what the UART itself may still hold: a few byte times. Call
    /// only when the queues are empty.
    void drainHardware();
    /// Drops what we and the system hold.
    void clearOutput();
    void close();
    LineSettings lineSettings() const;

Q_SIGNALS:
    /// Some queued bytes went to the system.
    void bytesWritten();
    /// A write failed on the open port (the device is gone); emitted once.
    void writeFailed(const QString &reason);
    /// In read mode, bytes have arrived.
    void readyRead();
    /// In read mode, reading failed (the device is gone); emitted once, and
    /// the port is closed.
    void readFailed(const QString &reason);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace tapwright
