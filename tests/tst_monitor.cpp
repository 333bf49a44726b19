#include "link/seriallink.h"
#include "ptypair.h"
#include "testutil.h"
#include "text/textsender.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>

// Runs the real `tapwright-cli monitor` and sends to it as a user would.

using namespace tapwright;

namespace {

constexpr int WaitMs = 20000;

/// A running monitor and the lines it has printed so far.
class Monitor
{
public:
    explicit Monitor(const QStringList &args)
    {
        process_.start(qEnvironmentVariable("TAPWRIGHT_CLI"),
                       QStringList{QStringLiteral("monitor")} + args);
    }
    ~Monitor()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }

    QProcess &process() { return process_; }

    /// Complete lines so far, without their newlines.
    QStringList lines()
    {
        output_ += process_.readAllStandardOutput();
        QStringList result = QString::fromUtf8(output_).split(QLatin1Char('\n'));
        result.removeLast(); // what follows the last newline is not a line yet
        return result;
    }

    /// Lines from `from` on, once there are at least `count` of them.
    QStringList waitForLines(qsizetype from, qsizetype count)
    {
        QDeadlineTimer deadline(WaitMs);
        while (lines().size() < from + count && !deadline.hasExpired()) {
            if (process_.state() == QProcess::NotRunning)
                break;
            process_.waitForReadyRead(50);
        }
        return lines().mid(from);
    }

private:
    QProcess process_;
    QByteArray output_;
};

/// Sends through a SerialLink of its own, as each separate sender would.
void sendWithNewLink(const QString &port, const std::function<void(Link &)> &send)
{
    SerialLink link;
    link.setCommPort(port);
    QVERIFY2(link.OpenPort(), qPrintable(describe(link.lastError())));
    send(link);
    link.ClosePort(Link::CloseMode::Drain);
}

void writeMaster(PtyPair &pty, const QByteArray &bytes)
{
    QCOMPARE(::write(pty.masterFd(), bytes.constData(), std::size_t(bytes.size())),
             ssize_t(bytes.size()));
}

/// Waits until a monitor on the slave of `pty` reads what the master sends.
void waitUntilReading(Monitor &monitor, PtyPair &pty)
{
    // The monitor says nothing once it has the port open, so knock until it
    // answers; bytes sent before it opened may be lost.
    const QByteArray knock = framesOf({{3, 1, 1}});
    QDeadlineTimer deadline(WaitMs);
    while (!monitor.lines().contains(QStringLiteral("[UP]")) && !deadline.hasExpired() &&
           monitor.process().state() != QProcess::NotRunning) {
        writeMaster(pty, knock);
        monitor.process().waitForReadyRead(200);
    }
    QVERIFY2(monitor.lines().contains(QStringLiteral("[UP]")),
             monitor.process().readAllStandardError().constData());
}

} // namespace

class TestMonitor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void virtualTerminalAcrossSenders();
    void stopsOnSignalAndPrintsWhatIsPending_data();
    void stopsOnSignalAndPrintsWhatIsPending();
    void readsAGivenPort();
    void lostPortExitsOne();
    void errors_data();
    void errors();
};

void TestMonitor::initTestCase()
{
    QVERIFY2(QFile::exists(qEnvironmentVariable("TAPWRIGHT_CLI")), "TAPWRIGHT_CLI not set");
}

void TestMonitor::virtualTerminalAcrossSenders()
{
    Monitor monitor{QStringList()};
    const QStringList first = monitor.waitForLines(0, 1);
    QCOMPARE(first.size(), 1);
    QVERIFY2(first.front().startsWith(QStringLiteral("virtual terminal on /dev/pts/")),
             qPrintable(first.front()));
    const QString path = first.front().mid(first.front().lastIndexOf(QLatin1Char(' ')) + 1);

    sendWithNewLink(path, [](Link &link) {
        link.SendKey(1, 1, 3);
        SendStr(link, QStringLiteral("がｶﾞa[b"));
        link.SendKey(6, 2, 3);
    });
    QCOMPARE(monitor.waitForLines(1, 2),
             (QStringList{QStringLiteral("[UP]"), QStringLiteral("がｶﾞa[b[ENTER]")}));

    // The first sender has let go; the terminal must still be there for the next.
    sendWithNewLink(path, [](Link &link) {
        SendStr(link, QStringLiteral("ぱ<x"));
        link.SendKey(6, 6, 3);
    });
    QCOMPARE(monitor.waitForLines(3, 1), QStringList{QStringLiteral("ぱ<x[f6]")});

    // A sender that leaves the line as it finds it: 0A and 0D must not be
    // translated on the way.
    const int plain = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NOCTTY);
    QVERIFY(plain >= 0);
    const QByteArray bytes = framesOf({{1, 2, 1}, {1, 10, 4}, {1, 13, 1}, {3, 6, 2}});
    QCOMPARE(::write(plain, bytes.constData(), std::size_t(bytes.size())), ssize_t(bytes.size()));
    ::close(plain);
    QCOMPARE(monitor.waitForLines(4, 1), QStringList{QStringLiteral("ｶﾞ､[ENTER]")});

    // No key ends this line: it shows once the line goes quiet, kana and all.
    sendWithNewLink(path, [](Link &link) { SendStr(link, QStringLiteral("xyzか")); });
    QCOMPARE(monitor.waitForLines(5, 1), QStringList{QStringLiteral("xyzか")});
    QCOMPARE(monitor.process().state(), QProcess::Running);
}

void TestMonitor::stopsOnSignalAndPrintsWhatIsPending_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
}

void TestMonitor::stopsOnSignalAndPrintsWhatIsPending()
{
    QFETCH(int, signal);
    Monitor monitor{QStringList()};
    const QStringList first = monitor.waitForLines(0, 1);
    QCOMPARE(first.size(), 1);
    const QString path = first.front().mid(first.front().lastIndexOf(QLatin1Char(' ')) + 1);

    // Sent just before the signal: the monitor must still read it and give
    // out the line, the held kana too, before it exits.
    sendWithNewLink(path, [](Link &link) { SendStr(link, QStringLiteral("pqは")); });
    ::kill(pid_t(monitor.process().processId()), signal);
    QVERIFY(monitor.process().waitForFinished(WaitMs));
    QCOMPARE(monitor.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(monitor.process().exitCode(), 0);
    QCOMPARE(monitor.lines().mid(1), QStringList{QStringLiteral("pqは")});
    QCOMPARE(monitor.process().readAllStandardError(), QByteArray());
}

void TestMonitor::readsAGivenPort()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    Monitor monitor({pty.path()});

    waitUntilReading(monitor, pty);
    if (QTest::currentTestFailed())
        return;
    const qsizetype from = monitor.lines().size();

    writeMaster(pty, QByteArray::fromHex("7f7f") + framesOf({{1, 4, 6}, {1, 4, 7}, {3, 6, 2}}));
    writeMaster(pty, framesOf({{2, 6, 1}, {2, 10, 5}}) + QByteArray::fromHex("f20201"));
    // Knocks still on their way when the first answer came may follow it.
    const auto payload = [&monitor, from] {
        QStringList lines = monitor.lines().mid(from);
        lines.removeAll(QStringLiteral("[UP]"));
        return lines;
    };
    QTRY_VERIFY_WITH_TIMEOUT(payload().size() >= 3, WaitMs);
    QCOMPARE(payload(), (QStringList{QStringLiteral("<7F 7F>"), QStringLiteral("ab[ENTER]"),
                                     QStringLiteral("ぱ<F2 02 01>")}));
    monitor.process().terminate();
    QVERIFY(monitor.process().waitForFinished(WaitMs));
    QCOMPARE(monitor.process().exitCode(), 0);
}

void TestMonitor::lostPortExitsOne()
{
    PtyPair pty;
    // The monitor must not inherit the master, or the line never hangs up.
    QVERIFY(::fcntl(pty.masterFd(), F_SETFD, FD_CLOEXEC) == 0);
    Monitor monitor{QStringList{pty.path()}};
    waitUntilReading(monitor, pty);
    if (QTest::currentTestFailed())
        return;
    pty.hangUp(); // the adapter is unplugged
    QVERIFY(monitor.process().waitForFinished(WaitMs));
    QCOMPARE(monitor.process().exitCode(), 1);
    const QString err = QString::fromUtf8(monitor.process().readAllStandardError());
    QVERIFY2(
        err.startsWith(QStringLiteral("tapwright-cli: reading port \"%1\" failed").arg(pty.path())),
        qPrintable(err));
}

void TestMonitor::errors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err");
    const QString tryHelp = QStringLiteral("Try 'tapwright-cli --help'.\n");
    QTest::newRow("unknown option")
        << QStringList{QStringLiteral("--bogus")} << 2
        << QStringLiteral("tapwright-cli: unknown option --bogus\n") + tryHelp;
    QTest::newRow("two ports") << QStringList{QStringLiteral("/dev/null"), QStringLiteral("x")} << 2
                               << QStringLiteral(
                                      "tapwright-cli: monitor takes at most one PORT\n") +
                                      tryHelp;
    QTest::newRow("missing port")
        << QStringList{QStringLiteral("/dev/tapwright-missing")} << 1
        << QStringLiteral("tapwright-cli: cannot open port \"/dev/tapwright-missing\": no such "
                          "device\n");
    QTest::newRow("port zero")
        << QStringList{QStringLiteral("0")} << 1
        << QStringLiteral("tapwright-cli: port \"0\" is not a valid port number (use 1 or more, or "
                          "a device path)\n");
}

void TestMonitor::errors()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, err);
    Monitor monitor(args);
    QVERIFY(monitor.process().waitForFinished(WaitMs));
    QCOMPARE(monitor.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(monitor.process().exitCode(), exitCode);
    QCOMPARE(QString::fromUtf8(monitor.process().readAllStandardError()), err);
    QCOMPARE(monitor.lines(), QStringList());
}

QTEST_GUILESS_MAIN(TestMonitor)
#include "tst_monitor.moc"
