#include "device/portlink.h"
#include "macro/messages.h"
#include "macro/multirun.h"
#include "ptypair.h"
#include "testutil.h"

#include <QMetaMethod>
#include <QThread>

using namespace tapwright;

namespace {

const char *const ListMacro = "BASEWAIT 0\r\nGETSTR\r\nSENDSTR\r\nENTER\r\nREPEAT\r\n";

/// A host for one run on one port, to compare a run over several with.
struct OneHost : RunnerHost
{
    QString macro, addr, port, counter = u"0"_s;
    QString macroFile() const override { return macro; }
    QString addrFile() const override { return addr; }
    QString portText() const override { return port; }
    QString counterText() const override { return counter; }
    void setCounterText(const QString &text) override { counter = text; }
    void setStatus(const QString &) override {}
    void setAddress(const QString &) override {}
    void setRunning(bool) override {}
    void report(const RunReport &) override {}
    void checkFailed(const CheckReport &) override {}
};

/// The entries of an address list "e1\r\ne2\r\n...".
QByteArray listOf(int entries, const char *prefix = "e")
{
    QByteArray list;
    for (int i = 1; i <= entries; ++i)
        list += prefix + QByteArray::number(i) + "\r\n";
    return list;
}

} // namespace

class TestMultiRun : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    int signalsSeen = 0;
    int offThread = 0;

    QString file(const QString &name, const QByteArray &bytes)
    {
        return writeFile(dir.filePath(name), bytes);
    }

    /// Counts every signal of `run`, and those that come in another thread
    /// than the test's.
    void watchThreads(MultiRun &run)
    {
        const QMetaMethod any = metaObject()->method(metaObject()->indexOfSlot("anySignal()"));
        const QMetaObject *meta = run.metaObject();
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            if (meta->method(i).methodType() == QMetaMethod::Signal)
                connect(&run, meta->method(i), this, any, Qt::DirectConnection);
        }
    }

    /// Waits for the end of every port's run; false when it did not come.
    static bool waitForEnd(MultiRun &run, int ms = 45000)
    {
        QSignalSpy finished(&run, &MultiRun::finished);
        return !run.isRunning() || finished.wait(ms);
    }

public Q_SLOTS:
    void anySignal()
    {
        ++signalsSeen;
        if (QThread::currentThread() != thread())
            ++offThread;
    }

private Q_SLOTS:
    void initTestCase() { journalsIn(dir.filePath(u"data"_s)); }

    void eachPortGetsWhatOneRunSends_data()
    {
        QTest::addColumn<QByteArray>("macro");
        QTest::addColumn<QByteArray>("list"); // empty: no address file
        // One letter a port: p a pty, v the virtual device, x a port that
        // cannot open.
        QTest::addColumn<QString>("ports");
        QTest::newRow("a list, 3 ptys") << QByteArray(ListMacro) << listOf(7) << u"ppp"_s;
        QTest::newRow("fields and keys")
            << QByteArray("GETSTR\r\nSENDSTR 2\r\nDOWN\r\nSENDSTR 1\r\n"
                          "ENTER\r\nREPEAT\r\n")
            << QByteArray("a,ｱ\r\nb,ｲ\r\nc,ｳ\r\n") << u"ppp"_s;
        QTest::newRow("no list") << QByteArray("STRING ab\r\nENTER\r\n") << QByteArray()
                                 << u"ppp"_s;
        QTest::newRow("one cannot open, two virtual")
            << QByteArray(ListMacro) << listOf(4) << u"pxvpv"_s;
    }
    void eachPortGetsWhatOneRunSends()
    {
        QFETCH(QByteArray, macro);
        QFETCH(QByteArray, list);
        QFETCH(QString, ports);
        OneHost one;
        one.macro = file(u"each.mac"_s, macro);
        one.addr = list.isEmpty() ? QString() : file(u"each.txt"_s, list);
        QByteArray expected;
        {
            PtyPair pty;
            one.port = pty.path();
            PortLink link;
            link.setPaced(false);
            MacroRunner runner(one, link);
            runner.run();
            expected = pty.readAvailable();
        }
        QVERIFY(!expected.isEmpty());

        std::vector<std::unique_ptr<PtyPair>> ptys;
        MultiRunSettings settings;
        settings.macroFile = one.macro;
        settings.addrFile = one.addr;
        settings.paced = false;
        settings.journal = false;
        for (const QChar kind : ports) {
            ptys.push_back(kind == u'p' ? std::make_unique<PtyPair>() : nullptr);
            settings.ports << (kind == u'p'   ? ptys.back()->path()
                               : kind == u'v' ? u"virtual"_s
                                              : dir.filePath(u"no-such-port"_s));
        }
        MultiRun run;
        signalsSeen = offThread = 0;
        watchThreads(run);
        QSignalSpy opened(&run, &MultiRun::deviceOpened);
        QCOMPARE(run.start(settings).kind, RunReport::None);
        QVERIFY(run.isRunning());
        QVERIFY(waitForEnd(run));
        QCOMPARE(run.ends().size(), ports.size());
        for (int i = 0; i < ports.size(); ++i) {
            const PortEnd end = run.ends().at(i);
            QCOMPARE(end.port, settings.ports.at(i));
            if (ports.at(i) == u'x') {
                QCOMPARE(end.end, RunEnd::Failed);
                QCOMPARE(end.report.kind, RunReport::PortFailed);
                QCOMPARE(run.state(i), PortState::Failed);
                continue;
            }
            QCOMPARE(run.state(i), PortState::Done);
            QCOMPARE(end.counter, one.counter);
            if (ports.at(i) == u'p')
                QCOMPARE(ptys.at(std::size_t(i))->readAvailable().toHex(' '), expected.toHex(' '));
        }
        QCOMPARE(opened.size(), ports.count(u'v'));
        QVERIFY(signalsSeen > 0);
        QCOMPARE(offThread, 0);
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("ports"); // "pty", "link" (a symlink to it), or as is
        QTest::addColumn<QString>("inUseBy");   // the pty is in use by this, when given
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("named");
        QTest::newRow("none") << QStringList() << QString() << int(RunReport::NoPorts) << QString();
        QTest::newRow("twice") << QStringList{u"pty"_s, u"virtual"_s, u"pty"_s} << QString()
                               << int(RunReport::PortTwice) << u"pty"_s;
        QTest::newRow("twice, once by a link") << QStringList{u"pty"_s, u"link"_s} << QString()
                                               << int(RunReport::PortTwice) << u"link"_s;
        QTest::newRow("in use") << QStringList{u"virtual"_s, u"link"_s} << u"the keypad"_s
                                << int(RunReport::PortInUse) << u"link"_s;
    }
    void refusals()
    {
        QFETCH(QStringList, ports);
        QFETCH(QString, inUseBy);
        QFETCH(int, kind);
        QFETCH(QString, named);
        PtyPair pty;
        const QString link = dir.filePath(u"refused-link"_s);
        QFile::remove(link);
        QVERIFY(QFile::link(pty.path(), link));
        const auto real = [&](const QString &port) {
            return port == u"pty"_s ? pty.path() : port == u"link"_s ? link : port;
        };
        MultiRunSettings settings;
        settings.macroFile = file(u"refused.mac"_s, "STRING a\r\n");
        settings.journal = false;
        for (const QString &port : ports)
            settings.ports << real(port);
        if (!inUseBy.isEmpty())
            settings.portsInUse = {{pty.path(), inUseBy}};
        MultiRun run;
        const RunReport report = run.start(settings);
        QCOMPARE(int(report.kind), kind);
        QCOMPARE(report.value, real(named));
        QCOMPARE(report.reason, inUseBy);
        QVERIFY(describe(report).contains(inUseBy));
        QVERIFY(!run.isRunning());
        QCOMPARE(pty.readAvailable(), QByteArray());
    }

    void stopAndPauseReachTheirPorts_data()
    {
        QTest::addColumn<int>("only"); // the port paused and stopped alone; -1: all
        QTest::newRow("all") << -1;
        QTest::newRow("the second alone") << 1;
    }
    void stopAndPauseReachTheirPorts()
    {
        QFETCH(int, only);
        PtyPair ptys[3];
        std::vector<std::unique_ptr<DeviceStandIn>> devices;
        MultiRunSettings settings;
        settings.macroFile = file(u"long.mac"_s, ListMacro);
        settings.addrFile = file(u"long.txt"_s, listOf(200));
        settings.journal = false;
        for (const PtyPair &pty : ptys) {
            settings.ports << pty.path();
            devices.push_back(std::make_unique<DeviceStandIn>(pty));
        }
        MultiRun run;
        QCOMPARE(run.start(settings).kind, RunReport::None);
        const auto received = [&](int port) { return devices.at(port)->received().size(); };
        const auto hit = [&](int port) { return only < 0 || port == only; };
        for (int i = 0; i < 3; ++i)
            QTRY_VERIFY_WITH_TIMEOUT(received(i) >= 16, 10000);
        only < 0 ? run.setPausedAll(true) : run.setPaused(only, true);
        for (int i = 0; i < 3; ++i)
            QTRY_COMPARE(run.state(i), hit(i) ? PortState::Paused : PortState::Running);
        // The frames already on their line go out; then nothing more.
        qsizetype before[3];
        for (int i = 0; i < 3; ++i)
            before[i] = hit(i) ? devices.at(i)->settle(500).size() : received(i);
        QTest::qWait(1000);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(received(i) > before[i], !hit(i));
        only < 0 ? run.setPausedAll(false) : run.setPaused(only, false);
        for (int i = 0; i < 3; ++i) {
            QTRY_COMPARE(run.state(i), PortState::Running);
            QTRY_VERIFY_WITH_TIMEOUT(received(i) > before[i] + 8, 10000);
        }
        if (only >= 0) {
            run.stop(only);
            QTRY_COMPARE_WITH_TIMEOUT(run.state(only), PortState::Done, 10000);
            QVERIFY(run.isRunning());
        }
        run.stopAll();
        QVERIFY(waitForEnd(run));
        for (const PortEnd &end : run.ends())
            QCOMPARE(end.end, RunEnd::Stopped);
    }

    void aFailedCheckStartsNothing()
    {
        PtyPair pty;
        MultiRunSettings settings;
        settings.macroFile = file(u"bad.mac"_s, "STRING a\r\nSLEEP x\r\n");
        settings.ports = {pty.path(), u"virtual"_s};
        MultiRun run;
        QSignalSpy check(&run, &MultiRun::checkFailed);
        QCOMPARE(run.start(settings).kind, RunReport::CheckFailed);
        QCOMPARE(check.size(), 1);
        QVERIFY(!run.isRunning());
        QCOMPARE(pty.readAvailable(), QByteArray());
    }
};

QTEST_MAIN(TestMultiRun)
#include "tst_multirun.moc"
