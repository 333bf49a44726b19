#pragma once

// The line the window tests give the windows in place of the device, with
// the same calls on both systems. On Linux it is a pseudo-terminal, opened
// like any serial port. A Windows program cannot have one, so there it is the
// virtual port, and the bytes are those that come off the virtual line of the
// links it listens to.

#include "device/portlink.h"

#include <QtTest>

#ifdef Q_OS_UNIX
#include "ptypair.h"

class TestLine
{
public:
    QString path() const { return pty_.path(); }
    PtyPair &pty() { return pty_; }
    void listen(tapwright::PortLink &) {}
    /// Reads until `count` bytes are in or `quietMs` passes without one.
    QByteArray read(qsizetype count, int quietMs = 5000) { return pty_.read(count, quietMs); }
    /// What came so far, without waiting.
    QByteArray readNow() { return pty_.readNow(); }
    /// What comes until the line has been quiet for a moment.
    QByteArray readAvailable() { return pty_.readAvailable(); }

private:
    PtyPair pty_;
};
#else
class TestLine
{
public:
    QString path() const { return tapwright::VirtualLink::portName(); }
    /// Takes what `link` sends on the virtual port from now on.
    void listen(tapwright::PortLink &link)
    {
        for (const QPointer<tapwright::PortLink> &known : links_)
            if (known == &link)
                return;
        links_ << &link;
        QObject::connect(&link, &tapwright::PortLink::lineBytes, &context_,
                         [this](const QByteArray &bytes) { bytes_ += bytes; });
    }
    QByteArray read(qsizetype count, int quietMs = 5000)
    {
        for (QDeadlineTimer quiet(quietMs); bytes_.size() < count && !quiet.hasExpired();) {
            const qsizetype had = bytes_.size();
            QTest::qWait(2);
            if (bytes_.size() != had)
                quiet.setRemainingTime(quietMs);
        }
        return readNow();
    }
    QByteArray readNow() { return std::exchange(bytes_, {}); }
    QByteArray readAvailable() { return read(1 << 30, 50); }

private:
    QByteArray bytes_;
    QList<QPointer<tapwright::PortLink>> links_;
    QObject context_;
};
#endif
