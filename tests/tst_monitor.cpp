#include "link/seriallink.h"
#include "macro/messages.h"
#include "ptypair.h"
#include "testutil.h"
#include "text/textsender.h"

#include <fcntl.h>
#include <sys/ioctl.h>

struct Monitor : QProcess
{
    explicit Monitor(const QString &port = QString())
    {
        start(qEnvironmentVariable("TAPWRIGHT_CLI"),
              (u"monitor "_s + port).split(u' ', Qt::SkipEmptyParts));
        if (port.isEmpty()) // a virtual terminal: its path comes first
            path = lines(1).value(0).section(u' ', -1);
    }
    ~Monitor() override { kill(), waitForFinished(); }
    /// The lines so far once there are `count` (or after 20 s), running `meanwhile`.
    QStringList lines(qsizetype count = 0, const std::function<void()> &meanwhile = {})
    {
        for (QDeadlineTimer deadline(20000);; waitForReadyRead(50)) {
            out += readAllStandardOutput();
            QStringList all = QString::fromUtf8(out).split(u'\n');
            all.removeLast(); // what follows the last newline is not a line yet
            if (all.size() >= count || deadline.hasExpired() || state() == NotRunning)
                return all;
            if (meanwhile)
                meanwhile();
        }
    }
    QByteArray out;
    QString path;
};

/// Sends through a SerialLink of its own, as each separate sender would.
static void sendWithNewLink(const QString &port, const std::function<void(Link &)> &send)
{
    SerialLink link;
    link.setCommPort(port);
    QVERIFY2(link.OpenPort(), qPrintable(describe(link.lastError())));
    send(link);
    link.ClosePort(Link::CloseMode::Drain);
}

class TestMonitor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void virtualTerminalAcrossSendersUntilSigterm()
    {
        Monitor monitor;
        // Whatever the code under test does wrong, never a real serial port.
        QVERIFY2(monitor.path.startsWith("/dev/pts/"_L1), qPrintable(monitor.path));
        sendWithNewLink(monitor.path, [](Link &link) {
            link.SendKey(1, 1, 3);
            SendStr(link, u"がｶﾞa[b"_s);
            link.SendKey(6, 2, 3);
        });
        QCOMPARE(monitor.lines(3).mid(1), (QStringList{u"[UP]"_s, u"がｶﾞa[b[ENTER]"_s}));
        // A sender killed while it held the terminal for its own use never
        // gives it back: the monitor does, or only root could send again.
        const QByteArray path = QFile::encodeName(monitor.path);
        const int ours = ::open(path, O_RDWR | O_NOCTTY), killed = ::open(path, O_RDWR | O_NOCTTY);
        QVERIFY(ours >= 0 && killed >= 0 && ::ioctl(killed, TIOCEXCL) == 0);
        ::close(killed);
        int on = 1;
        QTRY_VERIFY_WITH_TIMEOUT(::ioctl(ours, TIOCGEXCL, &on) == 0 && on == 0, 10000);
        ::close(ours);
        // A sender that leaves the line as it finds it: 0A and 0D must not be
        // translated on the way.
        QFile plain(monitor.path);
        QVERIFY(plain.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
                plain.write(framesOf({{1, 2, 1}, {1, 10, 4}, {1, 13, 1}, {3, 6, 2}})) == 32);
        plain.close();
        QCOMPARE(monitor.lines(4).mid(3), QStringList{u"ｶﾞ､[ENTER]"_s});
        // The terminal outlives each sender; an unended line shows once it goes quiet.
        sendWithNewLink(monitor.path, [](Link &link) {
            SendStr(link, u"ぱ<x"_s);
            link.SendKey(6, 6, 3);
            SendStr(link, u"xyzか"_s);
        });
        QCOMPARE(monitor.lines(6).mid(4), (QStringList{u"ぱ<x[f6]"_s, u"xyzか"_s}));
        // Sent just before SIGTERM: the line, held kana too, must still come out.
        sendWithNewLink(monitor.path, [](Link &link) { SendStr(link, u"pqは"_s); });
        monitor.terminate(); // SIGTERM
        QVERIFY(monitor.waitForFinished(20000) && monitor.exitCode() == 0);
        QCOMPARE(monitor.lines().mid(6), QStringList{u"pqは"_s});
        QCOMPARE(monitor.readAllStandardError(), QByteArray());
    }

    void readsAGivenPortUntilItIsLost()
    {
        PtyPair pty;
        Monitor monitor(pty.path());
        // The monitor says nothing once it has the port open, so knock until it
        // answers; knocks sent before it opened are lost, later ones may follow.
        QFile device;
        QVERIFY(device.open(pty.masterFd(), QIODevice::WriteOnly | QIODevice::Unbuffered));
        const auto knock = [&device] { device.write(framesOf({{3, 1, 1}})); };
        QCOMPARE(monitor.lines(1, knock).value(0), u"[UP]"_s);
        const qsizetype from = monitor.lines().size();
        const QByteArray noise = QByteArray::fromHex("7f7f");
        QCOMPARE(device.write(noise +
                              framesOf({{1, 4, 6}, {1, 4, 7}, {3, 6, 2}, {2, 6, 1}, {2, 10, 5}}) +
                              QByteArray::fromHex("f20201")),
                 45);
        QStringList payload;
        for (qsizetype count = from + 3; payload.size() < 3 && count < from + 20; ++count)
            (payload = monitor.lines(count).mid(from)).removeAll(u"[UP]"_s);
        QCOMPARE(payload, (QStringList{u"<7F 7F>"_s, u"ab[ENTER]"_s, u"ぱ<F2 02 01>"_s}));
        pty.hangUp(); // the adapter is unplugged
        QVERIFY(monitor.waitForFinished(20000) && monitor.exitCode() == 1);
        const QString err = QString::fromUtf8(monitor.readAllStandardError());
        QVERIFY2(err.startsWith(u"tapwright-cli: reading port \"%1\" failed"_s.arg(pty.path())),
                 qPrintable(err));
    }
};

QTEST_GUILESS_MAIN(TestMonitor)
#include "tst_monitor.moc"
