#include "link/seriallink.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace tapwright {

namespace {

// How long queued bytes may sit without any of them leaving before a drain
// gives up. At 600 baud a byte leaves every 18 ms, so a port that makes no
// progress for this long is not coming back.
constexpr int StallTimeoutMs = 10000;
// How often a drain looks at the system's output queue. The system tells us
// when the port can take more bytes, but not when its queue has emptied.
constexpr int DrainPollMs = 20;

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

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
#ifdef Q_OS_WIN
    result.device = QStringLiteral("COM%1").arg(number);
#else
    result.device = QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
    return result;
}

SerialLink::SerialLink(QObject *parent)
    : Link(parent), port_(new QSerialPort(this)), stallTimeoutMs_(StallTimeoutMs)
{
    connect(port_, &QSerialPort::errorOccurred, this, &SerialLink::onPortError);
}

SerialLink::~SerialLink()
{
    ClosePort(CloseMode::Discard);
}

bool SerialLink::isOpen() const
{
    return port_->isOpen();
}

LinkError openAtLineSettings(QSerialPort &port, const QString &portText,
                             QIODevice::OpenMode mode)
{
    const PortName name = resolvePortName(portText);
    if (name.error.isError())
        return name.error;
    LinkError error{LinkError::OpenFailed, portText.trimmed(), name.device, QString()};

#ifdef Q_OS_UNIX
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
    const int access = (mode & QIODevice::WriteOnly ? W_OK : 0) | (mode & QIODevice::ReadOnly ? R_OK : 0);
    if (::access(QFile::encodeName(path).constData(), access) != 0 && errno == EACCES) {
        error.kind = LinkError::PermissionDenied;
        error.reason = systemReason(EACCES);
        return error;
    }
#endif

    port.setPortName(name.device);
    port.setBaudRate(600);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::EvenParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);

    if (!port.open(mode)) {
        switch (port.error()) {
        case QSerialPort::DeviceNotFoundError:
            error.kind = LinkError::NotFound;
            break;
        case QSerialPort::PermissionError:
            // Access was checked above, so what is left is somebody else
            // holding the port: its lock file, or the exclusive-use flag.
            error.kind = LinkError::Busy;
            break;
        default:
            error.kind = LinkError::OpenFailed;
            break;
        }
        error.reason = port.errorString();
        port.clearError();
        return error;
    }

    // Qt sets the line up while opening; read it back, so that a driver that
    // quietly refused a setting is caught here and not by a garbled device.
    if (port.baudRate(QSerialPort::Output) != 600 || port.dataBits() != QSerialPort::Data8 ||
        port.parity() != QSerialPort::EvenParity || port.stopBits() != QSerialPort::OneStop ||
        port.flowControl() != QSerialPort::NoFlowControl) {
        error.reason = QStringLiteral("the port does not accept 600 baud, 8E1");
        port.close();
        return error;
    }
    error.kind = LinkError::None;
    return error;
}

bool SerialLink::OpenPort()
{
    if (port_->isOpen())
        return true;
    opening_ = true;
    const LinkError result = openAtLineSettings(*port_, commPort(), QIODevice::WriteOnly);
    opening_ = false;
    if (result.isError()) {
        setLastError(result);
        return false;
    }
    openedPortText_ = result.port;
    openedDevice_ = result.device;
    setLastError(LinkError());
    return true;
}

void SerialLink::ClosePort(CloseMode mode)
{
    if (!port_->isOpen())
        return;
    bool drained = false;
    if (mode == CloseMode::Drain) {
        drained = drain();
        if (!port_->isOpen())
            return; // failed, or discarded by a nested close, while waiting
    }
    if (drained) {
#ifdef Q_OS_UNIX
        // The queue is empty; what may still sit in the UART's FIFO leaves
        // within a few byte times.
        ::tcdrain(port_->handle());
#endif
    } else {
        // Also when the program is quitting in the middle of a drain: the
        // system would otherwise hold the close until its queue had gone out.
        port_->clear(QSerialPort::Output);
    }
    port_->close();
}

void SerialLink::SendKey(int row, int column, int table)
{
    if (!port_->isOpen())
        return;
    const KeyFrame frame = makeKeyFrame(KeyCode{table, row, column});
    // QSerialPort keeps its own unbounded write buffer and feeds the system
    // as it takes bytes, so a burst of any length queues in order.
    port_->write(reinterpret_cast<const char *>(frame.data()), qint64(frame.size()));
}

qint64 SerialLink::systemOutputQueue() const
{
#ifdef Q_OS_UNIX
    int pending = 0;
    if (::ioctl(port_->handle(), TIOCOUTQ, &pending) == 0 && pending > 0)
        return pending;
#endif
    return 0;
}

bool SerialLink::drain()
{
    QEventLoop loop;
    bool done = false;
    qint64 lastPending = -1;
    QElapsedTimer sinceProgress;
    sinceProgress.start();

    auto check = [&] {
        if (done)
            return;
        if (!port_->isOpen()) {
            done = true;
        } else {
            const qint64 pending = port_->bytesToWrite() + systemOutputQueue();
            if (pending == 0) {
                done = true;
            } else if (pending != lastPending) {
                lastPending = pending;
                sinceProgress.restart();
            } else if (sinceProgress.elapsed() > stallTimeoutMs_) {
                done = true;
                fail(LinkError::Stalled, QString());
            }
        }
        if (done)
            loop.quit();
    };

    QTimer poll;
    poll.setInterval(DrainPollMs);
    connect(&poll, &QTimer::timeout, &loop, check);
    connect(port_, &QSerialPort::bytesWritten, &loop, check);
    connect(this, &Link::failed, &loop, check);
    check();
    if (!done) {
        poll.start();
        // Returns early only when the whole program is told to quit.
        loop.exec();
    }
    return done && port_->isOpen() && port_->bytesToWrite() == 0;
}

void SerialLink::onPortError(QSerialPort::SerialPortError error)
{
    if (opening_ || failing_ || !port_->isOpen())
        return;
    switch (error) {
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
    case QSerialPort::UnknownError:
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::PermissionError:
        fail(LinkError::WriteFailed, port_->errorString());
        break;
    default:
        break;
    }
}

void SerialLink::fail(LinkError::Kind kind, const QString &reason)
{
    if (failing_)
        return;
    failing_ = true;
    const LinkError error{kind, openedPortText_, openedDevice_, reason};
    setLastError(error);
    if (port_->isOpen()) {
        port_->clear(QSerialPort::Output);
        port_->close();
    }
    port_->clearError();
    failing_ = false;
    Q_EMIT failed(error);
}

} // namespace tapwright
