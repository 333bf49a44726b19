#include "link/seriallink.h"
#include "ptypair.h"
#include "testutil.h"
#include "text/textsender.h"

#include <QProcess>

#include <csignal>

// Runs the real `tapwright-cli monitor` and sends to it as a user would.

using namespace tapwright;

static constexpr int WaitMs = 20000;

static bool writeAll(int fd, const QByteArray &bytes)
{
    return ::write(fd, bytes.constData(), std::size_t(bytes.size())) == ssize_t(bytes.size());
}

/// A running monitor and the lines it has printed so far.
class Monitor
{
public:
    explicit Monitor(const QString &args = QString())
    {
        process.start(qEnvironmentVariable("TAPWRIGHT_CLI"),
                      (u"monitor "_s + args).split(u' ', Qt::SkipEmptyParts));
    }
    ~Monitor()
    {
        process.kill();
        process.waitForFinished();
    }

    QStringList lines()
    {
        output_ += process.readAllStandardOutput();
        QStringList result = QString::fromUtf8(output_).split(u'\n');
        result.removeLast(); // what follows the last newline is not a line yet
        return result;
    }

    bool waitFor(const std::function<bool()> &done, const std::function<void()> &meanwhile = {})
    {
        QDeadlineTimer deadline(WaitMs);
        while (!done() && !deadline.hasExpired() && process.state() != QProcess::NotRunning) {
            if (meanwhile)
                meanwhile();
            process.waitForReadyRead(50);
        }
        return done();
    }

    QStringList waitForLines(qsizetype from, qsizetype count)
    {
        waitFor([&] { return lines().size() >= from + count; });
        return lines().mid(from);
    }

    QString terminalPath()
    {
        const QString first = waitForLines(0, 1).value(0);
        return first.startsWith("virtual terminal on /dev/pts/"_L1)
                   ? first.mid(first.lastIndexOf(u' ') + 1)
                   : QString();
    }

    int exitCode()
    {
        return process.waitForFinished(WaitMs) && process.exitStatus() == QProcess::NormalExit
                   ? process.exitCode()
                   : -1;
    }
    QString err() { return QString::fromUtf8(process.readAllStandardError()); }

    QProcess process;

private:
    QByteArray output_;
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
    void initTestCase()
    {
        QVERIFY2(QFile::exists(qEnvironmentVariable("TAPWRIGHT_CLI")), "TAPWRIGHT_CLI not set");
    }

    void virtualTerminalAcrossSenders()
    {
        Monitor monitor;
        const QString path = monitor.terminalPath();
        QVERIFY2(!path.isEmpty(), qPrintable(monitor.err()));
        sendWithNewLink(path, [](Link &link) {
            link.SendKey(1, 1, 3);
            SendStr(link, u"がｶﾞa[b"_s);
            link.SendKey(6, 2, 3);
        });
        QCOMPARE(monitor.waitForLines(1, 2), (QStringList{u"[UP]"_s, u"がｶﾞa[b[ENTER]"_s}));

        // The first sender has let go; the terminal must still be there for the next.
        sendWithNewLink(path, [](Link &link) {
            SendStr(link, u"ぱ<x"_s);
            link.SendKey(6, 6, 3);
        });
        QCOMPARE(monitor.waitForLines(3, 1), QStringList{u"ぱ<x[f6]"_s});

        // A sender that leaves the line as it finds it: 0A and 0D must not be
        // translated on the way.
        const int plain = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NOCTTY);
        QVERIFY(plain >= 0);
        QVERIFY(writeAll(plain, framesOf({{1, 2, 1}, {1, 10, 4}, {1, 13, 1}, {3, 6, 2}})));
        ::close(plain);
        QCOMPARE(monitor.waitForLines(4, 1), QStringList{u"ｶﾞ､[ENTER]"_s});

        // No key ends this line: it shows once the line goes quiet, kana and all.
        sendWithNewLink(path, [](Link &link) { SendStr(link, u"xyzか"_s); });
        QCOMPARE(monitor.waitForLines(5, 1), QStringList{u"xyzか"_s});
        QCOMPARE(monitor.process.state(), QProcess::Running);
    }

    void stopsOnSignalAndPrintsWhatIsPending()
    {
        for (int signal : {SIGTERM, SIGINT}) {
            Monitor monitor;
            // Sent just before the signal: the monitor must still read it and
            // give out the line, the held kana too, before it exits.
            sendWithNewLink(monitor.terminalPath(), [](Link &link) { SendStr(link, u"pqは"_s); });
            ::kill(pid_t(monitor.process.processId()), signal);
            QCOMPARE(monitor.exitCode(), 0);
            QCOMPARE(monitor.lines().mid(1), QStringList{u"pqは"_s});
            QCOMPARE(monitor.err(), QString());
        }
    }

    void readsAGivenPortUntilItIsLost()
    {
        PtyPair pty;
        Monitor monitor(pty.path());
        // The monitor says nothing once it has the port open, so knock until it
        // answers; bytes sent before it opened may be lost.
        const QByteArray knock = framesOf({{3, 1, 1}});
        QVERIFY2(monitor.waitFor([&] { return monitor.lines().contains(u"[UP]"_s); },
                                 [&] { writeAll(pty.masterFd(), knock); }),
                 qPrintable(monitor.err()));
        const qsizetype from = monitor.lines().size();
        QVERIFY(writeAll(pty.masterFd(),
                         QByteArray::fromHex("7f7f") + framesOf({{1, 4, 6}, {1, 4, 7}, {3, 6, 2}}) +
                             framesOf({{2, 6, 1}, {2, 10, 5}}) + QByteArray::fromHex("f20201")));
        // Knocks still on their way when the first answer came may follow it.
        const auto payload = [&monitor, from] {
            QStringList lines = monitor.lines().mid(from);
            lines.removeAll(u"[UP]"_s);
            return lines;
        };
        QVERIFY(monitor.waitFor([&] { return payload().size() >= 3; }));
        QCOMPARE(payload(), (QStringList{u"<7F 7F>"_s, u"ab[ENTER]"_s, u"ぱ<F2 02 01>"_s}));

        pty.hangUp(); // the adapter is unplugged
        QCOMPARE(monitor.exitCode(), 1);
        const QString err = monitor.err();
        QVERIFY2(err.startsWith(u"tapwright-cli: reading port \"%1\" failed"_s.arg(pty.path())),
                 qPrintable(err));
    }
};

QTEST_GUILESS_MAIN(TestMonitor)
#include "tst_monitor.moc"
