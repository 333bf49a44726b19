#include "link/serialport.h"

#include "link/seriallink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace tapwright {

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

/// Sets even parity on the port Qt has opened at no parity. A pseudo-terminal
/// keeps no parity bit, and the system refuses a set-up in which nothing it
/// asked for took effect: a line left at our settings by a killed program
/// would refuse it. The odd flag, which a pseudo-terminal does keep, is set
/// first, so that going to even parity always changes it. All of it happens on
/// the one descriptor: a second open would meet the exclusive-use flag.
bool setEvenParity(QSerialPort &port)
{
    termios line{};
    if (::tcgetattr(port.handle(), &line) == 0) {
        line.c_cflag |= PARODD;
        ::tcsetattr(port.handle(), TCSANOW, &line);
    }
    return port.setParity(QSerialPort::EvenParity);
}

/// Whether a character device is a terminal, as every serial port is; a
/// device such as /dev/null is not.
bool isTerminalDevice(const QString &path)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return true; // nothing to tell
    const bool terminal = ::isatty(fd) != 0;
    ::close(fd);
    return terminal;
}

/// Opens `port` for the port text at the device's line settings (600 baud,
/// 8E1, no flow control) and reads the settings back. On success the result
/// is no error but names the device; on failure the port stays closed.
LinkError openAtLineSettings(QSerialPort &port, const QString &portText, QIODevice::OpenMode mode)
{
    const PortName name = resolvePortName(portText);
    if (name.error.isError())
        return name.error;
    LinkError error{LinkError::OpenFailed, portText.trimmed(), name.device, QString()};

    // Qt accepts bare names ("ttyUSB0") and looks for them under /dev. The
    // checks tell the user which of the common reasons it is.
    QString path = name.device;
    if (!path.startsWith(QLatin1Char('/')) && !path.startsWith(QLatin1String("./")) &&
        !path.startsWith(QLatin1String("../")))
        path = QStringLiteral("/dev/") + path;
    error.device = path;
    if (!QFileInfo::exists(path)) {
        error.kind = LinkError::NotFound;
        error.reason = systemReason(ENOENT);
        return error;
    }
    // Looked at before anything opens it: Qt would leave a lock file for a
    // file, and the reader of a FIFO would see a writer come and go.
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) == 0 && !S_ISCHR(info.st_mode)) {
        error.kind = LinkError::NotASerialPort;
        return error;
    }
    const int access =
        (mode & QIODevice::WriteOnly ? W_OK : 0) | (mode & QIODevice::ReadOnly ? R_OK : 0);
    if (::access(QFile::encodeName(path).constData(), access) != 0 && errno == EACCES) {
        error.kind = LinkError::PermissionDenied;
        error.reason = systemReason(EACCES);
        return error;
    }

    port.setPortName(name.device);
    port.setBaudRate(int(LineBaud));
    port.setDataBits(QSerialPort::Data8);
    // Even parity follows on the open port (setEvenParity() says why).
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);

    if (port.open(mode) && !setEvenParity(port)) {
        error.reason = port.errorString();
        port.clearError();
        port.close();
        return error;
    }
    if (!port.isOpen()) {
        error.reason = port.errorString();
        switch (port.error()) {
        case QSerialPort::DeviceNotFoundError:
            error.kind = LinkError::NotFound;
            break;
        case QSerialPort::PermissionError:
            // Access was checked above, so what is left is somebody else
            // holding the port: its lock file, or the exclusive-use flag.
            // The kind says so in the user's language; Qt's words would
            // speak of a permission.
            error.kind = LinkError::Busy;
            error.reason.clear();
            break;
        default:
            // A character device that takes no line settings.
            if (!isTerminalDevice(path)) {
                error.kind = LinkError::NotASerialPort;
                error.reason.clear();
            }
            break;
        }
        port.clearError();
        return error;
    }

    // Qt sets the line up while opening; read it back, so that a driver that
    // quietly refused a setting is caught here and not by a garbled device.
    if (port.baudRate(QSerialPort::Output) != LineBaud || port.dataBits() != QSerialPort::Data8 ||
        port.parity() != QSerialPort::EvenParity || port.stopBits() != QSerialPort::OneStop ||
        port.flowControl() != QSerialPort::NoFlowControl) {
        error.reason = QStringLiteral("the port does not accept 600 baud, 8E1");
        port.close();
        return error;
    }
    error.kind = LinkError::None;
    return error;
}

} // namespace

struct SerialPort::Private
{
    QSerialPort port;
    Mode mode = Mode::Write;
    bool pseudoTerminal = false;
};

SerialPort::SerialPort(QObject *parent) : QObject(parent), d(std::make_unique<Private>())
{
    connect(&d->port, &QSerialPort::bytesWritten, this, &SerialPort::bytesWritten);
    connect(&d->port, &QSerialPort::readyRead, this, &SerialPort::readyRead);
    connect(&d->port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (!d->port.isOpen())
            return;
        switch (e) {
        case QSerialPort::WriteError:
        case QSerialPort::ReadError:
        case QSerialPort::ResourceError:
        case QSerialPort::UnknownError:
        case QSerialPort::DeviceNotFoundError:
        case QSerialPort::PermissionError:
            break; // the port is gone: an unplugged adapter
        default:
            return;
        }
        const QString reason = d->port.errorString();
        d->port.clearError();
        if (d->mode == Mode::Write) {
            Q_EMIT writeFailed(reason);
        } else {
            d->port.close();
            Q_EMIT readFailed(reason);
        }
    });
}

SerialPort::~SerialPort()
{
    // Not a pseudo-terminal's: that would drop what its reader has not taken.
    if (d->port.isOpen() && d->port.bytesToWrite() > 0 && !d->pseudoTerminal)
        d->port.clear(QSerialPort::Output);
    d->port.close();
}

QString SerialPort::numberedPort(int number)
{
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
}

QList<PortInfo> SerialPort::systemPorts()
{
    // Qt reads sysfs (or udev) and opens no device.
    QList<PortInfo> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        QString description = info.description();
        if (!info.manufacturer().isEmpty() && !description.contains(info.manufacturer()))
            description = description.isEmpty() ? info.manufacturer()
                                                : info.manufacturer() + u' ' + description;
        ports.append({info.systemLocation(), description});
    }
    // Names that stay the same whichever USB socket the adapter is in.
    const QFileInfoList stable = QDir(QStringLiteral("/dev/serial/by-id"))
                                     .entryInfoList(QDir::System | QDir::Files, QDir::Name);
    for (const QFileInfo &link : stable)
        ports.append({link.absoluteFilePath(), QStringLiteral("→ ") + link.canonicalFilePath()});
    return ports;
}

LinkError SerialPort::open(const QString &portText, Mode mode)
{
    d->mode = mode;
    const LinkError result = openAtLineSettings(
        d->port, portText, mode == Mode::Write ? QIODevice::WriteOnly : QIODevice::ReadOnly);
    d->pseudoTerminal =
        !result.isError() && QFileInfo(result.device).canonicalFilePath().startsWith(u"/dev/pts/");
    return result;
}

bool SerialPort::isOpen() const
{
    return d->port.isOpen();
}

bool SerialPort::isPseudoTerminal() const
{
    return d->pseudoTerminal;
}

QByteArray SerialPort::readAvailable()
{
    if (!d->port.isOpen() || d->mode != Mode::Read)
        return QByteArray();
    // Bytes that reached the system a moment ago are not in Qt's buffer yet.
    d->port.waitForReadyRead(0);
    return d->port.readAll();
}

void SerialPort::write(const QByteArray &bytes)
{
    d->port.write(bytes);
}

qint64 SerialPort::bytesToWrite() const
{
    return d->port.isOpen() ? d->port.bytesToWrite() : 0;
}

qint64 SerialPort::systemQueue() const
{
    int pending = 0;
    if (d->port.isOpen() && ::ioctl(d->port.handle(), TIOCOUTQ, &pending) == 0 && pending > 0)
        return pending;
    return 0;
}

void SerialPort::drainHardware()
{
    if (d->port.isOpen())
        ::tcdrain(d->port.handle());
}

void SerialPort::clearOutput()
{
    if (d->port.isOpen())
        d->port.clear(QSerialPort::Output);
}

void SerialPort::close()
{
    d->port.close();
}

LineSettings SerialPort::lineSettings() const
{
    const QSerialPort &p = d->port;
    const char parity = p.parity() == QSerialPort::EvenParity  ? 'E'
                        : p.parity() == QSerialPort::OddParity ? 'O'
                        : p.parity() == QSerialPort::NoParity  ? 'N'
                                                               : '?';
    return LineSettings{p.baudRate(QSerialPort::Output), int(p.dataBits()), parity,
                        p.stopBits() == QSerialPort::OneStop   ? 1
                        : p.stopBits() == QSerialPort::TwoStop ? 2
                                                               : 0,
                        p.flowControl() != QSerialPort::NoFlowControl};
}

} // namespace tapwright
