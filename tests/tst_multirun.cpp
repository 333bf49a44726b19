#include "device/portlink.h"
#include "macro/journal.h"
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
    QString macro, addr, port, counter;
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

/// An address list "e1\r\ne2\r\n...".
QByteArray listOf(int entries, const char *prefix = "e")
{
    QByteArray list;
    for (int i = 1; i <= entries; ++i)
        list += prefix + QByteArray::number(i) + "\r\n";
    return list;
}

/// Waits for the end of every port's run; false when it did not come.
bool waitForEnd(MultiRun &run, int ms = 45000)
{
    QSignalSpy finished(&run, &MultiRun::finished);
    return !run.isRunning() || finished.wait(ms);
}

} // namespace

class TestMultiRun : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    int signalsSeen = 0, offThread = 0;

    QString file(const QString &name, const QByteArray &bytes)
    {
        return writeFile(dir.filePath(name), bytes);
    }

public Q_SLOTS:
    void anySignal() { ++signalsSeen, offThread += QThread::currentThread() != thread(); }

private Q_SLOTS:
    void initTestCase() { journalsIn(dir.filePath(u"data"_s)); }

    void eachPortGetsWhatOneRunSends_data()
    {
        QTest::addColumn<QByteArray>("macro");
        QTest::addColumn<QByteArray>("list"); // empty: no address file
        // A letter a port: p a pty, v the virtual device, x one that cannot open.
        QTest::addColumn<QString>("ports");
        // Entries the first port's journal has taken, to go on from; -1: a new run.
        QTest::addColumn<int>("resumed");
        QTest::newRow("a list, 3 ptys") << QByteArray(ListMacro) << listOf(7) << u"ppp"_s << -1;
        QTest::newRow("one cannot open, two virtual")
            << QByteArray(ListMacro) << listOf(4) << u"pxvpv"_s << -1;
        // The last port had typed its whole list: it types nothing again.
        QTest::newRow("resumed") << QByteArray(ListMacro) << listOf(6) << u"ppp"_s << 4;
    }
    void eachPortGetsWhatOneRunSends()
    {
        QFETCH(QByteArray, macro);
        QFETCH(QByteArray, list);
        QFETCH(QString, ports);
        QFETCH(int, resumed);
        OneHost one;
        one.macro = file(u"each.mac"_s, macro);
        one.addr = list.isEmpty() ? QString() : file(u"each.txt"_s, list);
        // What one run on one port sends going on from this entry, its
        // counter one past: the entries taken, not the counter, say where.
        const auto oneRun = [&one](int from) {
            PtyPair pty;
            one.port = pty.path();
            one.counter = QString::number(from < 0 ? 0 : from + 1);
            PortLink link;
            link.setPaced(false);
            MacroRunner runner(one, link);
            runner.setAddressSkip(std::max(from, 0));
            runner.run();
            return std::pair(pty.readAvailable().toHex(' '), one.counter);
        };
        const auto [whole, counter] = oneRun(-1);
        const auto [rest, resumedCounter] = oneRun(resumed);

        std::vector<std::unique_ptr<PtyPair>> ptys;
        MultiRunSettings settings;
        settings.macroFile = one.macro;
        settings.addrFile = one.addr;
        settings.paced = false;
        settings.resume = resumed >= 0;
        for (const QChar kind : ports) {
            ptys.push_back(kind == u'p' ? std::make_unique<PtyPair>() : nullptr);
            settings.ports << (kind == u'p'   ? ptys.back()->path()
                               : kind == u'v' ? u"virtual"_s
                                              : dir.filePath(u"no-such-port"_s));
            QFile::remove(journalPath(one.macro, one.addr, settings.ports.back()));
        }
        RunJournal journal, ended;
        if (resumed >= 0) {
            journal.begin(one.macro, one.addr, settings.ports.first(), resumed + 1, resumed, true);
            ended.begin(one.macro, one.addr, settings.ports.back(), 0, 0, true);
            ended.update(6, 6), ended.finish();
        }
        MultiRun run;
        signalsSeen = offThread = 0;
        const QMetaObject *meta = run.metaObject();
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            if (meta->method(i).methodType() == QMetaMethod::Signal)
                connect(&run, meta->method(i), this,
                        metaObject()->method(metaObject()->indexOfSlot("anySignal()")));
        }
        QSignalSpy opened(&run, &MultiRun::deviceOpened);
        QCOMPARE(run.start(settings).kind, RunReport::None);
        QVERIFY(waitForEnd(run));
        for (int i = 0; i < ports.size(); ++i) {
            const PortEnd end = run.ends().at(i);
            if (ports.at(i) == u'x') {
                QCOMPARE(end.end, RunEnd::Failed);
                QCOMPARE(end.report.kind, RunReport::PortFailed);
                QCOMPARE(run.state(i), PortState::Failed);
                continue;
            }
            const bool done = resumed >= 0 && i == ports.size() - 1;
            QCOMPARE(run.state(i), PortState::Done);
            QCOMPARE(end.counter, done                     ? u"6"_s
                                  : i == 0 && resumed >= 0 ? resumedCounter
                                                           : counter);
            if (ports.at(i) == u'p')
                QCOMPARE(ptys.at(std::size_t(i))->readAvailable().toHex(' '),
                         done                     ? QByteArray()
                         : i == 0 && resumed >= 0 ? rest
                                                  : whole);
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
        QTest::addColumn<QByteArray>("macro");
        const QByteArray good = "STRING a\r\n";
        QTest::newRow("none") << QStringList() << QString() << int(RunReport::NoPorts) << QString()
                              << good;
        QTest::newRow("twice") << QStringList{u"pty"_s, u"virtual"_s, u"pty"_s} << QString()
                               << int(RunReport::PortTwice) << u"pty"_s << good;
        QTest::newRow("twice, once by a link") << QStringList{u"pty"_s, u"link"_s} << QString()
                                               << int(RunReport::PortTwice) << u"link"_s << good;
        QTest::newRow("in use") << QStringList{u"virtual"_s, u"link"_s} << u"the keypad"_s
                                << int(RunReport::PortInUse) << u"link"_s << good;
        QTest::newRow("a failed check") << QStringList{u"pty"_s, u"virtual"_s} << QString()
                                        << int(RunReport::CheckFailed) << QString()
                                        << QByteArray("STRING a\r\nSLEEP x\r\n");
    }
    void refusals()
    {
        QFETCH(QStringList, ports);
        QFETCH(QString, inUseBy);
        QFETCH(int, kind);
        QFETCH(QString, named);
        QFETCH(QByteArray, macro);
        PtyPair pty;
        const QString link = dir.filePath(u"link "_s + QLatin1String(QTest::currentDataTag()));
        QVERIFY(QFile::link(pty.path(), link));
        const auto real = [&](const QString &port) {
            return port == u"pty"_s ? pty.path() : port == u"link"_s ? link : port;
        };
        MultiRunSettings settings;
        settings.macroFile = file(u"refused.mac"_s, macro);
        for (const QString &port : ports)
            settings.ports << real(port);
        if (!inUseBy.isEmpty())
            settings.portsInUse = {{pty.path(), inUseBy}};
        MultiRun run;
        QSignalSpy check(&run, &MultiRun::checkFailed);
        const RunReport report = run.start(settings);
        QCOMPARE(int(report.kind), kind);
        QCOMPARE(check.size(), int(kind == RunReport::CheckFailed));
        QCOMPARE(report.value, real(named));
        QCOMPARE(report.reason, inUseBy);
        QVERIFY(describe(report).contains(inUseBy));
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
        qsizetype before[3];
        for (int i = 0; i < 3; ++i) {
            QTRY_COMPARE(run.state(i), hit(i) ? PortState::Paused : PortState::Running);
            // The frames already on their line go out; then nothing more.
            before[i] = hit(i) ? devices.at(i)->settle(500).size() : received(i);
        }
        QTest::qWait(1000);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(received(i) > before[i], !hit(i));
        only < 0 ? run.setPausedAll(false) : run.setPaused(only, false);
        for (int i = 0; i < 3; ++i)
            QTRY_VERIFY_WITH_TIMEOUT(received(i) > before[i] + 8, 10000);
        only < 0 ? run.stopAll() : run.stop(only);
        QTRY_COMPARE_WITH_TIMEOUT(run.state(std::max(only, 0)), PortState::Done, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(run.isRunning(), only >= 0, 10000);
        run.stopAll();
        QVERIFY(waitForEnd(run));
        for (const PortEnd &end : run.ends())
            QCOMPARE(end.end, RunEnd::Stopped);
    }

    void splitDeliversEveryEntryOnceThroughAPulledPort()
    {
        const QByteArray list = listOf(60, "k"); // 2-3 characters an entry
        MultiRunSettings settings;
        settings.macroFile = file(u"split.mac"_s, ListMacro);
        settings.addrFile = file(u"split.txt"_s, list);
        settings.split = true;
        settings.canWaitForPort = true;
        std::vector<std::unique_ptr<PtyPair>> ptys;
        std::vector<std::unique_ptr<DeviceStandIn>> devices;
        const auto plugIn = [&] {
            ptys.push_back(std::make_unique<PtyPair>());
            devices.push_back(std::make_unique<DeviceStandIn>(*ptys.back()));
        };
        for (int i = 0; i < 3; ++i)
            plugIn();
        // The second port's name is pointed at a new pty when it comes back.
        const QString byId = dir.filePath(u"split-by-id"_s);
        QVERIFY(QFile::link(ptys[1]->path(), byId));
        settings.ports = {ptys[0]->path(), byId, ptys[2]->path()};
        MultiRun run;
        connect(&run, &MultiRun::portBack, &run, [&run](int port) { run.setPaused(port, false); });
        bool sawGone = false;
        connect(&run, &MultiRun::counterChanged, this, [&](int port, const QString &counter) {
            if (port != 1 || counter != u"3"_s)
                return;
            QTimer::singleShot(150, this, [&] { // in the middle of its fourth pass
                devices[1]->stop();
                QFile::remove(byId);
                ptys[1]->hangUp();
                QTRY_VERIFY(sawGone = run.state(1) == PortState::PortGone);
                plugIn();
                QFile::link(ptys.back()->path(), byId);
            });
        });
        QCOMPARE(run.start(settings).kind, RunReport::None);
        QVERIFY(waitForEnd(run, 50000));
        QVERIFY(sawGone);
        for (const PortEnd &end : run.ends())
            QCOMPARE(end.end, RunEnd::AddressListDone);

        // Each device's entries, ended by their keys; a last one without was cut.
        QMap<QString, int> typed;
        QString cutPart;
        for (const auto &device : devices) {
            FrameDecoder decoder;
            QString line;
            for (const DevicePiece &piece : decoder.feed(device->settle(300)) + decoder.flush()) {
                if (piece.kind == DevicePiece::Character)
                    line += piece.text;
                else if (piece.kind == DevicePiece::Key)
                    ++typed[std::exchange(line, QString())];
            }
            cutPart += line;
        }
        const QList<EntryDelivery> cut = run.sharedEntries()->cut();
        QCOMPARE(cut.size(), 1);
        QCOMPARE(cut.first().port, byId);
        const QString cutEntry = cut.first().entry.text;
        QVERIFY2(cutEntry.startsWith(cutPart), qPrintable(cutPart));
        QStringList entries = QString::fromLatin1(list).split(u"\r\n"_s, Qt::SkipEmptyParts);
        entries.sort();
        QCOMPARE(typed.keys(), entries);
        for (auto it = typed.cbegin(); it != typed.cend(); ++it)
            QVERIFY2(it.value() == 1 || (it.key() == cutEntry && it.value() == 2),
                     qPrintable(it.key()));
        QCOMPARE(run.sharedEntries()->deliveredCount(), 60);
    }
};

QTEST_MAIN(TestMultiRun)
#include "tst_multirun.moc"
