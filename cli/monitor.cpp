#include "cli/monitor.h"

#include "cli/commands.h"
#include "link/framedecoder.h"
#include "link/seriallink.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <termios.h>
#include <unistd.h>

namespace tapwright::cli {

namespace {

// Text that stops arriving for this long is shown even without a key to end
// its line, and a kana still waiting for a mark is given up on.
constexpr int IdleMs = 300;

void printTo(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    // Whoever reads our output (a pipe, a test) must see each line at once.
    std::fflush(stream);
}

int usageError(const QString &message)
{
    printTo(stderr,
            QStringLiteral("tapwright-cli: %1\nTry 'tapwright-cli --help'.\n").arg(message));
    return ExitUsage;
}

int failure(const QString &message)
{
    printTo(stderr, QStringLiteral("tapwright-cli: %1\n").arg(message));
    return ExitFailure;
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

/// Gathers decoded pieces into lines: a key or a run of noise ends a line,
/// plain characters wait for one, or for the line to go quiet.
class LinePrinter
{
public:
    LinePrinter()
    {
        idle_.setSingleShot(true);
        idle_.setInterval(IdleMs);
        QObject::connect(&idle_, &QTimer::timeout, &idle_, [this] { finish(); });
    }

    void bytes(const QByteArray &data)
    {
        if (data.isEmpty())
            return;
        add(decoder_.feed(data));
        idle_.start();
    }

    /// Gives out everything still held back.
    void finish()
    {
        idle_.stop();
        add(decoder_.flush());
        if (!line_.isEmpty())
            printLine();
    }

private:
    static bool endsLine(const QString &piece)
    {
        // Every character piece is one code unit, so a longer piece in
        // brackets is a key and not the character "[" or "<".
        return piece.size() > 1 &&
               (piece.startsWith(QLatin1Char('[')) || piece.startsWith(QLatin1Char('<')));
    }

    void add(const QStringList &pieces)
    {
        for (const QString &piece : pieces) {
            line_ += piece;
            if (endsLine(piece))
                printLine();
        }
    }

    void printLine()
    {
        printTo(stdout, line_ + QLatin1Char('\n'));
        line_.clear();
    }

    FrameDecoder decoder_;
    QString line_;
    QTimer idle_;
};

int signalPipe[2] = {-1, -1};

using SigAction = struct sigaction;

extern "C" void onStopSignal(int)
{
    const int saved = errno;
    const char byte = 0;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

/// Turns SIGINT and SIGTERM into an event of the event loop while it lives,
/// and puts the previous handlers back afterwards.
class StopSignals
{
public:
    StopSignals()
    {
        if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
            error_ = errno;
            return;
        }
        SigAction action{};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &action, &oldInt_);
        ::sigaction(SIGTERM, &action, &oldTerm_);
        installed_ = true;
        notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    }
    ~StopSignals()
    {
        notifier_.reset();
        if (installed_) {
            ::sigaction(SIGINT, &oldInt_, nullptr);
            ::sigaction(SIGTERM, &oldTerm_, nullptr);
        }
        for (int &fd : signalPipe) {
            if (fd >= 0)
                ::close(fd);
            fd = -1;
        }
    }
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    bool isValid() const { return installed_; }
    int error() const { return error_; }
    QSocketNotifier *notifier() const { return notifier_.get(); }

private:
    SigAction oldInt_{};
    SigAction oldTerm_{};
    bool installed_ = false;
    int error_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
};

/// A pseudo-terminal of our own that any program can send to by its path.
class VirtualTerminal
{
public:
    ~VirtualTerminal()
    {
        if (slave_ >= 0)
            ::close(slave_);
        if (master_ >= 0)
            ::close(master_);
    }

    /// Returns an empty string on success, else the reason.
    QString open()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            return systemReason(errno);
        char name[128] = {};
        if (::ptsname_r(master_, name, sizeof name) != 0)
            return systemReason(errno);
        path_ = QString::fromLocal8Bit(name);
        // Without a slave held open, the master hangs up whenever the last
        // sender lets go; holding one keeps it open across senders.
        slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slave_ < 0)
            return systemReason(errno);
        // Raw, so that frame bytes such as 0A and 0D reach us unchanged from
        // senders that do not set the line up themselves.
        termios raw{};
        if (::tcgetattr(slave_, &raw) != 0)
            return systemReason(errno);
        ::cfmakeraw(&raw);
        if (::tcsetattr(slave_, TCSANOW, &raw) != 0)
            return systemReason(errno);
        if (::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK) != 0)
            return systemReason(errno);
        return QString();
    }

    QString path() const { return path_; }
    int masterFd() const { return master_; }

    /// Everything that has arrived so far; `error` is set when reading failed.
    QByteArray readAvailable(int &error)
    {
        QByteArray data;
        error = 0;
        for (;;) {
            char buffer[4096];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) {
                data.append(buffer, qsizetype(n));
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                    error = errno;
                else if (n == 0)
                    error = EIO;
                return data;
            }
        }
    }

private:
    int master_ = -1;
    int slave_ = -1;
    QString path_;
};

/// Opens `portText` for reading at the device's line settings. Returns the
/// error that stopped it.
LinkError openPort(QSerialPort &port, const QString &portText)
{
    const PortName name = resolvePortName(portText);
    if (name.error.isError())
        return name.error;
    LinkError error{LinkError::OpenFailed, portText.trimmed(), name.device, QString()};
    // Checked here, as SerialLink does, to tell the user which of the
    // common reasons it is.
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
    if (::access(QFile::encodeName(path).constData(), R_OK) != 0 && errno == EACCES) {
        error.kind = LinkError::PermissionDenied;
        error.reason = systemReason(EACCES);
        return error;
    }

    port.setPortName(name.device);
    port.setBaudRate(600);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::EvenParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    if (!port.open(QIODevice::ReadOnly)) {
        switch (port.error()) {
        case QSerialPort::DeviceNotFoundError:
            error.kind = LinkError::NotFound;
            break;
        case QSerialPort::PermissionError:
            error.kind = LinkError::Busy; // access was checked above
            break;
        default:
            break;
        }
        error.reason = port.errorString();
        return error;
    }
    return LinkError();
}

} // namespace

int monitorCommand(const QStringList &args)
{
    QStringList ports;
    bool onlyPositional = false;
    for (const QString &arg : args) {
        if (!onlyPositional && arg == QLatin1String("--"))
            onlyPositional = true;
        else if (!onlyPositional && arg.size() > 1 && arg.startsWith(QLatin1Char('-')))
            return usageError(QStringLiteral("unknown option %1").arg(arg));
        else
            ports << arg;
    }
    if (ports.size() > 1)
        return usageError(QStringLiteral("monitor takes at most one PORT"));

    StopSignals stop;
    if (!stop.isValid())
        return failure(
            QStringLiteral("cannot watch for signals: %1").arg(systemReason(stop.error())));

    QEventLoop loop;
    int exitCode = ExitOk;
    auto fail = [&loop, &exitCode](const QString &message) {
        exitCode = failure(message);
        loop.quit();
    };
    LinePrinter printer;
    QObject::connect(stop.notifier(), &QSocketNotifier::activated, &loop, &QEventLoop::quit);

    if (ports.isEmpty()) {
        VirtualTerminal terminal;
        const QString problem = terminal.open();
        if (!problem.isEmpty())
            return failure(QStringLiteral("cannot create a virtual terminal: %1").arg(problem));
        QSocketNotifier readable(terminal.masterFd(), QSocketNotifier::Read);
        auto readSome = [&] {
            int error = 0;
            printer.bytes(terminal.readAvailable(error));
            if (error != 0) {
                readable.setEnabled(false);
                fail(QStringLiteral("reading the virtual terminal %1 failed: %2")
                         .arg(terminal.path(), systemReason(error)));
            }
        };
        QObject::connect(&readable, &QSocketNotifier::activated, &loop, readSome);
        printTo(stdout, QStringLiteral("virtual terminal on %1\n").arg(terminal.path()));
        loop.exec();
        if (exitCode == ExitOk)
            readSome(); // what arrived just before the signal
        printer.finish();
        return exitCode;
    }

    QSerialPort port;
    const LinkError error = openPort(port, ports.front());
    if (error.isError())
        return failure(describe(error));
    QObject::connect(&port, &QSerialPort::readyRead, &loop,
                     [&printer, &port] { printer.bytes(port.readAll()); });
    QObject::connect(
        &port, &QSerialPort::errorOccurred, &loop, [&](QSerialPort::SerialPortError e) {
            if (!port.isOpen())
                return; // reported already
            switch (e) {
            case QSerialPort::ReadError:
            case QSerialPort::ResourceError:
            case QSerialPort::UnknownError:
            case QSerialPort::DeviceNotFoundError:
            case QSerialPort::PermissionError:
                break; // the port is gone: an unplugged adapter
            default:
                return;
            }
            const QString reason = port.errorString();
            port.close();
            fail(QStringLiteral("reading port \"%1\" failed: %2").arg(ports.front(), reason));
        });
    loop.exec();
    if (port.isOpen()) {
        // What arrived just before the signal.
        port.waitForReadyRead(0);
        printer.bytes(port.readAll());
    }
    printer.finish();
    return exitCode;
}

} // namespace tapwright::cli
