#pragma once

// A real pseudo-terminal for link tests: the code under test opens the slave
// by its path like any serial device, and the test reads the master side,
// whose bytes are the truth about what went out.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

class PtyPair
{
public:
    PtyPair()
    {
        char name[128] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
            master_ = slave_ = -1;
            return;
        }
        termios raw{};
        ::tcgetattr(master_, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(master_, TCSANOW, &raw);
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        // A program the test starts must not hold our ends open: the line
        // would never hang up.
        ::fcntl(master_, F_SETFD, FD_CLOEXEC);
        ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
        path_ = QString::fromLocal8Bit(name);
    }
    ~PtyPair() { hangUp(); }
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isValid() const { return master_ >= 0; }
    QString path() const { return path_; }
    int masterFd() const { return master_; }

    /// Hangs the terminal up, as an unplugged adapter would: the slave then
    /// fails every write. Our own slave descriptor goes too, so that nothing
    /// keeps the line alive.
    void hangUp()
    {
        for (int *fd : {&master_, &slave_}) {
            if (*fd >= 0)
                ::close(*fd);
            *fd = -1;
        }
    }

    /// Reads until `count` bytes are in or `timeoutMs` passes without any byte
    /// arriving; with `pumping`, the event loop runs meanwhile, for code under
    /// test that writes from it.
    QByteArray read(qsizetype count, int timeoutMs = 5000, bool pumping = false)
    {
        QByteArray data;
        QDeadlineTimer quiet(timeoutMs);
        while (data.size() < count && !quiet.hasExpired()) {
            if (pumping)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            pollfd pfd{master_, POLLIN, 0};
            char buffer[4096];
            const ssize_t n = ::poll(&pfd, 1, pumping ? 5 : int(quiet.remainingTime())) > 0
                                  ? ::read(master_, buffer, sizeof buffer)
                                  : 0;
            if (n > 0) {
                data.append(buffer, n);
                quiet.setRemainingTime(timeoutMs);
            } else if (n < 0 && errno != EAGAIN) {
                break;
            }
        }
        return data;
    }
    QByteArray pump(qsizetype count) { return read(count, 5000, true); }

    QByteArray readAvailable(int waitMs = 50) { return read(1 << 30, waitMs); }

private:
    int master_ = -1;
    int slave_ = -1;
    QString path_;
};
