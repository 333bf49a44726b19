#include "cli/monitor.h"

#include "cli/commands.h"
#include "cli/output.h"
#include "cli/signals.h"
#include "device/framedecoder.h"
#include "link/serialport.h"
#include "macro/messages.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace tapwright::cli {

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

/// Decodes bytes as they arrive and prints what the device would enter.
class LinePrinter
{
public:
    LinePrinter()
    {
        lines_.onIdle = [this] { lines_.add(decoder_.flush()); };
    }
    void bytes(const QByteArray &data)
    {
        if (!data.isEmpty())
            lines_.add(decoder_.feed(data));
    }
    /// Gives out everything still held back.
    void finish()
    {
        lines_.add(decoder_.flush());
        lines_.flush();
    }

private:
    FrameDecoder decoder_;
    DeviceLines lines_;
};

/// A pseudo-terminal of our own that any program can send to by its path.
class VirtualTerminal
{
public:
    ~VirtualTerminal()
    {
        if (closes_ >= 0)
            ::close(closes_);
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
        // Every close of the terminal, by any program, is told on this.
        closes_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (closes_ < 0 || ::inotify_add_watch(closes_, name, IN_CLOSE) < 0)
            return systemReason(errno);
        return QString();
    }

    QString path() const { return path_; }
    int masterFd() const { return master_; }
    /// Readable when a program has closed the terminal.
    int closesFd() const { return closes_; }

    /// A sender has let go of the terminal: a sender takes it for its own use
    /// (TIOCEXCL) and gives it back as it closes, but one that was killed
    /// never does, and the flag stays with the terminal, which our slave
    /// keeps. Then nobody but root could open it again until we restart, so
    /// it is given back here. A program that closes the terminal while a
    /// sender still holds it (one that failed to open it does not count)
    /// ends that sender's exclusive use early; nothing worse.
    void senderLeft()
    {
        char events[4096];
        while (::read(closes_, events, sizeof events) > 0) {
        }
        ::ioctl(slave_, TIOCNXCL);
    }

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
    int closes_ = -1;
    QString path_;
};

} // namespace

int monitorCommand(const QString &portText)
{
    QEventLoop loop;
    StopSignals stop([&loop](int) { loop.quit(); });
    if (!stop.isValid())
        return failure(QCoreApplication::translate("tapwright-cli", "cannot watch for signals: %1")
                           .arg(systemReason(stop.error())));

    int exitCode = ExitOk;
    auto fail = [&loop, &exitCode](const QString &message) {
        exitCode = failure(message);
        loop.quit();
    };
    LinePrinter printer;

    if (portText.isEmpty()) {
        VirtualTerminal terminal;
        const QString problem = terminal.open();
        if (!problem.isEmpty())
            return failure(
                QCoreApplication::translate("tapwright-cli", "cannot create a virtual terminal: %1")
                    .arg(problem));
        QSocketNotifier readable(terminal.masterFd(), QSocketNotifier::Read);
        auto readSome = [&] {
            int error = 0;
            printer.bytes(terminal.readAvailable(error));
            if (error != 0) {
                readable.setEnabled(false);
                fail(QCoreApplication::translate("tapwright-cli",
                                                 "reading the virtual terminal %1 failed: %2")
                         .arg(terminal.path(), systemReason(error)));
            }
        };
        QObject::connect(&readable, &QSocketNotifier::activated, &loop, readSome);
        QSocketNotifier closed(terminal.closesFd(), QSocketNotifier::Read);
        QObject::connect(&closed, &QSocketNotifier::activated, &loop,
                         [&terminal] { terminal.senderLeft(); });
        printOut(QCoreApplication::translate("tapwright-cli", "virtual terminal on %1")
                     .arg(terminal.path()) +
                 QLatin1Char('\n'));
        loop.exec();
        if (exitCode == ExitOk)
            readSome(); // what arrived just before the signal
        printer.finish();
        return exitCode;
    }

    SerialPort port;
    const LinkError error = port.open(portText, SerialPort::Mode::Read);
    if (error.isError())
        return failure(describe(error));
    QObject::connect(&port, &SerialPort::readyRead, &loop,
                     [&printer, &port] { printer.bytes(port.readAvailable()); });
    QObject::connect(&port, &SerialPort::readFailed, &loop, [&](const QString &reason) {
        fail(QCoreApplication::translate("tapwright-cli", "reading port \"%1\" failed: %2")
                 .arg(portText, reason));
    });
    loop.exec();
    // What arrived just before the signal.
    printer.bytes(port.readAvailable());
    printer.finish();
    return exitCode;
}

} // namespace tapwright::cli
