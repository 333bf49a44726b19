#pragma once

// A real pseudo-terminal: the code under test opens the slave like any serial
// device; the master's bytes are the truth about what went out.

#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

class PtyPair
{
public:
    PtyPair()
    {
        char name[128] = {};
        ::openpty(&master_, &slave_, name, nullptr, nullptr);
        termios raw{};
        ::tcgetattr(master_, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(master_, TCSANOW, &raw);
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        // A program the test starts must not hold our ends: the line would never hang up.
        ::fcntl(master_, F_SETFD, FD_CLOEXEC);
        ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
        path_ = QString::fromLocal8Bit(name);
    }
    ~PtyPair() { hangUp(); }

    QString path() const { return path_; }
    int masterFd() const { return master_; }
    /// Our own descriptor of the slave, for reading the line's settings.
    int slaveFd() const { return slave_; }

    /// As an unplugged adapter: the slave then fails every write.
    void hangUp()
    {
        ::close(master_);
        ::close(slave_);
        master_ = slave_ = -1;
    }

    /// Reads until `count` bytes are in or `quietMs` passes without one, running
    /// the event loop meanwhile for code under test that writes from it.
    QByteArray read(qsizetype count, int quietMs = 5000)
    {
        QByteArray data;
        for (QDeadlineTimer quiet(quietMs); data.size() < count && !quiet.hasExpired();) {
            char buffer[4096];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) {
                data.append(buffer, n);
                quiet.setRemainingTime(quietMs);
            } else if (n < 0 && errno != EAGAIN) {
                break; // hung up, or nobody has the slave open
            } else {
                QTest::qWait(2);
            }
        }
        return data;
    }
    QByteArray readAvailable() { return read(1 << 30, 50); }
    /// What the master holds at this moment, without waiting: for QTRY_* loops,
    /// which run the event loop themselves.
    QByteArray readNow()
    {
        QByteArray data;
        char buffer[4096];
        for (ssize_t n; (n = ::read(master_, buffer, sizeof buffer)) > 0;)
            data.append(buffer, n);
        return data;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    QString path_;
};

#include "link/link.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

/// Stands in for the device on a pty: a thread that takes one 8-byte frame
/// every 146.67 ms, as a 600 baud 8E1 line carries them, and keeps what came.
class DeviceStandIn
{
public:
    explicit DeviceStandIn(const PtyPair &pty) : fd_(pty.masterFd())
    {
        thread_ = std::thread([this] { run(); });
    }
    ~DeviceStandIn() { stop(); }
    /// Takes nothing more, as a device that stopped reading; what came stays.
    void stop()
    {
        done_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    QByteArray received() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return received_;
    }
    /// Waits, with the event loop running, until nothing more comes.
    QByteArray settle(int quietMs = 1000)
    {
        for (qsizetype last = -1; received().size() != last;) {
            last = received().size();
            QTest::qWait(quietMs);
        }
        return received();
    }

private:
    void run()
    {
        using namespace std::chrono;
        const auto frame = nanoseconds(tapwright::frameNs());
        auto next = steady_clock::now();
        while (!done_) {
            next += frame;
            std::this_thread::sleep_until(next);
            // Up to one frame's bytes, whatever is there of it now.
            char buffer[8];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0) {
                std::lock_guard<std::mutex> lock(mutex_);
                received_.append(buffer, n);
            }
        }
    }

    int fd_;
    std::atomic<bool> done_{false};
    mutable std::mutex mutex_;
    QByteArray received_;
    std::thread thread_;
};
