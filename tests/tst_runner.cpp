#include "macro/runner.h"
#include "link/seriallink.h"
#include "ptypair.h"
#include "testutil.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <map>

using namespace tapwright;

namespace {

/// Virtual time. A sleep jumps to its deadline, unless an action scheduled
/// before it wakes the sleeper first.
class FakeClock : public WaitClock
{
public:
    qint64 nowNs() const override { return now; }
    void sleepUntil(qint64 deadlineNs) override
    {
        ++sleeps;
        if (onSleep)
            onSleep(sleeps);
        woken = false;
        while (!actions.empty() && actions.begin()->first <= deadlineNs) {
            auto action = actions.begin();
            now = std::max(now, action->first);
            auto run = action->second;
            actions.erase(action);
            run();
            if (woken)
                return;
        }
        now = std::max(now, deadlineNs);
    }
    void wake() override { woken = true; }

    void at(double seconds, std::function<void()> action)
    {
        actions.emplace(qint64(seconds * 1e9), std::move(action));
    }

    qint64 now = 0;
    int sleeps = 0;
    bool woken = false;
    std::multimap<qint64, std::function<void()>> actions;
    std::function<void(int)> onSleep;
};

/// Records frames with the virtual time they were sent at.
class FakeLink : public Link
{
public:
    explicit FakeLink(const FakeClock &clock) : clock_(clock) {}
    bool OpenPort() override
    {
        ++opens;
        if (openFails) {
            setLastError({LinkError::NotFound, commPort(), commPort(),
                          QStringLiteral("No such file or directory")});
            return false;
        }
        open_ = true;
        return true;
    }
    void ClosePort(CloseMode) override
    {
        if (open_)
            ++closes;
        open_ = false;
    }
    void SendKey(int row, int column, int table) override
    {
        if (!open_)
            return;
        codes.push_back(KeyCode{table, row, column});
        times.push_back(clock_.now);
    }
    bool isOpen() const override { return open_; }
    void unplug()
    {
        open_ = false;
        Q_EMIT failed(LinkError{LinkError::WriteFailed, commPort(), commPort(),
                                QStringLiteral("Input/output error")});
    }

    bool openFails = false;
    int opens = 0;
    int closes = 0;
    std::vector<KeyCode> codes;
    std::vector<qint64> times;

private:
    const FakeClock &clock_;
    bool open_ = false;
};

/// Keeps a log of everything the runner shows.
class LogHost : public RunnerHost
{
public:
    QString macro, addr, port = QStringLiteral("7"), counter = QStringLiteral("0");
    QStringList log;
    QList<RunReport> reports;
    bool running = false;

    QString macroFile() const override { return macro; }
    QString addrFile() const override { return addr; }
    QString portText() const override { return port; }
    QString counterText() const override { return counter; }
    void setCounterText(const QString &t) override
    {
        counter = t;
        log << QStringLiteral("counter ") + t;
    }
    void setStatus(const QString &t) override { log << QStringLiteral("status ") + t; }
    void setAddress(const QString &t) override { log << QStringLiteral("address ") + t; }
    void setRunning(bool on) override
    {
        running = on;
        log << (on ? QStringLiteral("running") : QStringLiteral("idle"));
    }
    void report(const RunReport &r) override
    {
        reports << r;
        log << QStringLiteral("report ") + describe(r);
    }
};

struct Fixture
{
    QTemporaryDir dir;
    FakeClock clock;
    FakeLink link{clock};
    LogHost host;
    MacroRunner runner{host, link};

    Fixture() { runner.setClock(&clock); }

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    void macroFile(const QByteArray &bytes) { host.macro = write(QStringLiteral("m.mac"), bytes); }
    void addrFile(const QByteArray &bytes) { host.addr = write(QStringLiteral("a.txt"), bytes); }
    void stopAt(double seconds)
    {
        clock.at(seconds, [this] { runner.requestStop(); });
    }
};

const KeyCode Up{3, 1, 1};
const KeyCode Down{3, 1, 2};
const KeyCode Enter{3, 6, 2};

} // namespace

class TestRunner : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void noMacroFileTouchesNothing();
    void badCounterDoesNotStart_data();
    void badCounterDoesNotStart();
    void counterSkipsAddressLines_data();
    void counterSkipsAddressLines();
    void emptyMacroOpensAndClosesThePort();
    void passesCountAndStatusCountsOn();
    void baseWaitFollowsEveryStepButRepeat();
    void stopDuringSleep();
    void stopBeforeRepeatKeepsTheCounter();
    void passWithoutWaitsCanBeStopped();
    void addressListDoneEndsNormally();
    void sendStrShowsThenSends();
    void stringTypesFieldOneOnly();
    void macroFileChangedDuringRunTakesEffectNextPass();
    void reports_data();
    void reports();
    void missingFiles_data();
    void missingFiles();
    void portThatCannotOpen();
    void counterCannotOverflow();
    void linkFailureEndsTheRun();
    void waitSecondsEdges();
    void realPortEndToEnd();
    void unpluggedMidRun();
};

void TestRunner::noMacroFileTouchesNothing()
{
    Fixture f;
    QCOMPARE(f.runner.run(), RunEnd::NotStarted);
    QCOMPARE(f.host.log, QStringList{QStringLiteral("report no macro file chosen")});
    QCOMPARE(f.link.opens, 0);
    QVERIFY(!f.runner.MacroExe);
}

void TestRunner::badCounterDoesNotStart_data()
{
    QTest::addColumn<QString>("counter");
    QTest::newRow("letters") << QStringLiteral("abc");
    QTest::newRow("empty") << QString();
    QTest::newRow("comma") << QStringLiteral("1,5");
    QTest::newRow("past 32 bits") << QStringLiteral("2147483648");
    QTest::newRow("below 32 bits") << QStringLiteral("-2147483649");
    QTest::newRow("exponent") << QStringLiteral("1e3");
}

void TestRunner::badCounterDoesNotStart()
{
    QFETCH(QString, counter);
    Fixture f;
    f.macroFile("UP\r\n");
    f.host.counter = counter;
    QCOMPARE(f.runner.run(), RunEnd::NotStarted);
    QCOMPARE(f.host.log,
             QStringList{QStringLiteral("report the pass counter must be a whole number from "
                                        "-2147483648 to 2147483647, got \"%1\"")
                             .arg(counter)});
    QCOMPARE(f.link.opens, 0);
}

void TestRunner::counterSkipsAddressLines_data()
{
    QTest::addColumn<QString>("counter");
    QTest::addColumn<QString>("first");
    QTest::newRow("0 skips none") << QStringLiteral("0") << QStringLiteral("a1");
    QTest::newRow("3 skips three") << QStringLiteral("3") << QStringLiteral("a4");
    QTest::newRow("negative skips none") << QStringLiteral("-5") << QStringLiteral("a1");
    QTest::newRow("2.5 rounds to even 2") << QStringLiteral("2.5") << QStringLiteral("a3");
    QTest::newRow("3.5 rounds to even 4") << QStringLiteral("3.5") << QStringLiteral("a5");
    QTest::newRow("spaces around") << QStringLiteral(" 1 ") << QStringLiteral("a2");
}

void TestRunner::counterSkipsAddressLines()
{
    QFETCH(QString, counter);
    QFETCH(QString, first);
    Fixture f;
    f.macroFile("GETSTR\r\nSENDSTR\r\n");
    f.addrFile("a1\r\na2\r\na3\r\na4\r\na5\r\na6\r\n");
    f.host.counter = counter;
    QCOMPARE(f.runner.run(), RunEnd::EndOfMacro);
    QVERIFY(f.host.log.contains(QStringLiteral("address ") + first));
}

void TestRunner::emptyMacroOpensAndClosesThePort()
{
    Fixture f;
    f.macroFile("");
    f.host.counter = QStringLiteral("4");
    QCOMPARE(f.runner.run(), RunEnd::EndOfMacro);
    QCOMPARE(f.host.log, (QStringList{QStringLiteral("running"), QStringLiteral("address "),
                                      QStringLiteral("idle"), QStringLiteral("address 糸冬了")}));
    QCOMPARE(f.link.opens, 1);
    QVERIFY(!f.link.isOpen());
    QCOMPARE(f.link.commPort(), QStringLiteral("7"));
    QCOMPARE(f.host.counter, QStringLiteral("4"));
}

void TestRunner::passesCountAndStatusCountsOn()
{
    Fixture f;
    f.macroFile("up\r\n\r\nDown 5\r\nREPEAT\r\nnever reached\r\n");
    // The base wait of 0 still lets events through: stop in the third pass.
    f.clock.onSleep = [&](int) {
        if (f.link.codes.size() == 6)
            f.runner.requestStop();
    };
    QCOMPARE(f.runner.run(), RunEnd::Stopped);
    QCOMPARE(f.host.log,
             (QStringList{QStringLiteral("running"), QStringLiteral("address "),
                          QStringLiteral("status 1 UP"), QStringLiteral("status 2 DOWN"),
                          QStringLiteral("status 3 REPEAT"), QStringLiteral("counter 1"),
                          QStringLiteral("status 4 UP"), QStringLiteral("status 5 DOWN"),
                          QStringLiteral("status 6 REPEAT"), QStringLiteral("counter 2"),
                          QStringLiteral("status 7 UP"), QStringLiteral("status 8 DOWN"),
                          QStringLiteral("idle"), QStringLiteral("address 糸冬了")}));
    QCOMPARE(f.link.codes, (std::vector<KeyCode>{Up, Down, Up, Down, Up, Down}));
    QCOMPARE(f.link.closes, 1);
}

void TestRunner::baseWaitFollowsEveryStepButRepeat()
{
    Fixture f;
    f.macroFile("BASEWAIT 0.5\r\nUP\r\nSLEEP 2\r\nDOWN\r\nREPEAT\r\n");
    f.clock.onSleep = [&](int) {
        if (f.link.codes.size() == 4)
            f.runner.requestStop();
    };
    QCOMPARE(f.runner.run(), RunEnd::Stopped);
    // BASEWAIT's own step already waits the new base wait. REPEAT adds none.
    QCOMPARE(f.link.codes, (std::vector<KeyCode>{Up, Down, Up, Down}));
    const std::vector<qint64> ms = [&] {
        std::vector<qint64> v;
        for (qint64 t : f.link.times)
            v.push_back(t / 1000000);
        return v;
    }();
    QCOMPARE(ms, (std::vector<qint64>{500, 3500, 4500, 7500}));
}

void TestRunner::stopDuringSleep()
{
    Fixture f;
    f.macroFile("UP\r\nSLEEP 60\r\nDOWN\r\nREPEAT\r\n");
    f.stopAt(1.0);
    QCOMPARE(f.runner.run(), RunEnd::Stopped);
    QCOMPARE(f.link.codes, std::vector<KeyCode>{Up});
    QVERIFY(!f.link.isOpen());
    QCOMPARE(f.host.log.last(), QStringLiteral("address 糸冬了"));
    QCOMPARE(f.clock.now, qint64(1000000000)); // returned when the stop came
}

void TestRunner::stopBeforeRepeatKeepsTheCounter()
{
    Fixture f;
    f.macroFile("UP\r\nSLEEP 5\r\nREPEAT\r\n");
    f.host.counter = QStringLiteral("10");
    f.stopAt(3.0);
    QCOMPARE(f.runner.run(), RunEnd::Stopped);
    QCOMPARE(f.host.counter, QStringLiteral("10"));
    QVERIFY(!f.host.log.contains(QStringLiteral("status 3 REPEAT")));
}

void TestRunner::passWithoutWaitsCanBeStopped()
{
    // Only REPEAT and blank lines: no step ever waits, but REPEAT gives the
    // event loop a turn, so a stop still gets through.
    Fixture f;
    f.macroFile("\r\nREPEAT\r\n");
    f.clock.onSleep = [&](int n) {
        if (n == 100)
            f.runner.requestStop();
    };
    QCOMPARE(f.runner.run(), RunEnd::Stopped);
    QCOMPARE(f.host.counter, QStringLiteral("100"));
}

void TestRunner::addressListDoneEndsNormally()
{
    Fixture f;
    f.macroFile("GETSTR\r\nSENDSTR\r\nENTER\r\nREPEAT\r\n");
    f.addrFile("a\r\nb\r\nc\r\n");
    f.host.counter = QStringLiteral("1");
    QCOMPARE(f.runner.run(), RunEnd::AddressListDone);
    QVERIFY(f.host.reports.isEmpty());
    // Two passes took "b" and "c"; the counter tells how many lines are used.
    QCOMPARE(f.host.counter, QStringLiteral("3"));
    QCOMPARE(f.link.codes, (std::vector<KeyCode>{{1, 4, 7}, Enter, {1, 4, 8}, Enter}));
    QCOMPARE(f.host.log.last(), QStringLiteral("address 糸冬了"));
}

void TestRunner::sendStrShowsThenSends()
{
    Fixture f;
    f.macroFile("SENDSTR\r\nGETSTR\r\nSENDSTR\r\nGETSTR\r\nSENDSTR\r\n");
    f.addrFile("ｶﾞ 1\r\n\r\n");
    QCOMPARE(f.runner.run(), RunEnd::EndOfMacro);
    // Before the first GETSTR the address is empty; a blank line is an empty address.
    QCOMPARE(f.host.log.filter(QStringLiteral("address")),
             (QStringList{QStringLiteral("address "), QStringLiteral("address "),
                          QStringLiteral("address ｶﾞ 1"), QStringLiteral("address "),
                          QStringLiteral("address 糸冬了")}));
    QCOMPARE(f.link.codes,
             (std::vector<KeyCode>{{1, 2, 1}, {1, 10, 4}, {1, 9, 14}, {1, 14, 1}}));
}

void TestRunner::stringTypesFieldOneOnly()
{
    Fixture f;
    f.macroFile("string Ab cd\r\nSTRING\r\nSTRING  x\r\nSTRING\tA\r\n");
    QCOMPARE(f.runner.run(), RunEnd::EndOfMacro);
    QVERIFY(f.host.reports.isEmpty());
    QCOMPARE(f.link.codes, (std::vector<KeyCode>{{1, 1, 6}, {1, 4, 7}}));
}

void TestRunner::macroFileChangedDuringRunTakesEffectNextPass()
{
    Fixture f;
    f.macroFile("UP\r\nSLEEP 1\r\nUP\r\nREPEAT\r\n");
    const QString second = f.write(QStringLiteral("second.mac"), "DOWN\r\n");
    f.clock.at(0.5, [&] { f.host.macro = second; });
    QCOMPARE(f.runner.run(), RunEnd::EndOfMacro);
    QCOMPARE(f.link.codes, (std::vector<KeyCode>{Up, Up, Down}));
}

void TestRunner::reports_data()
{
    QTest::addColumn<QByteArray>("macro");
    QTest::addColumn<QString>("message");
    QTest::newRow("comma")
        << QByteArray("UP\r\nSLEEP 1,5\r\n")
        << QStringLiteral("m.mac:2: SLEEP needs a number of seconds, got \"1,5\"\n    SLEEP 1,5");
    QTest::newRow("no number") << QByteArray("sleep\r\n")
                               << QStringLiteral("m.mac:1: SLEEP needs a number of seconds\n"
                                                 "    sleep");
    QTest::newRow("two spaces") << QByteArray("BASEWAIT  1\r\n")
                                << QStringLiteral("m.mac:1: BASEWAIT needs a number of seconds\n"
                                                  "    BASEWAIT  1");
    QTest::newRow("unit") << QByteArray("\r\n\r\nBASEWAIT 1s\r\n")
                          << QStringLiteral("m.mac:3: BASEWAIT needs a number of seconds, got "
                                            "\"1s\"\n    BASEWAIT 1s");
    QTest::newRow("LF line ends count lines too")
        << QByteArray("UP\nDOWN\nSLEEP x\n")
        << QStringLiteral("m.mac:3: SLEEP needs a number of seconds, got \"x\"\n    SLEEP x");
}

void TestRunner::reports()
{
    QFETCH(QByteArray, macro);
    QFETCH(QString, message);
    Fixture f;
    f.macroFile(macro);
    QCOMPARE(f.runner.run(), RunEnd::Failed);
    QCOMPARE(f.host.reports.size(), 1);
    QCOMPARE(describe(f.host.reports.front()).replace(f.dir.path() + QLatin1Char('/'), QString()),
             message);
    // The end sequence ran before the report.
    QCOMPARE(f.host.log.mid(f.host.log.size() - 3, 2),
             (QStringList{QStringLiteral("idle"), QStringLiteral("address 糸冬了")}));
    QVERIFY(!f.link.isOpen());
}

void TestRunner::missingFiles_data()
{
    QTest::addColumn<bool>("macroMissing");
    QTest::addColumn<QString>("message");
    QTest::newRow("macro") << true
                           << QStringLiteral("cannot open macro file \"DIR/none.mac\": No such file "
                                             "or directory");
    QTest::newRow("address") << false
                             << QStringLiteral("cannot open address file \"DIR/none.txt\": No "
                                               "such file or directory");
}

void TestRunner::missingFiles()
{
    QFETCH(bool, macroMissing);
    QFETCH(QString, message);
    Fixture f;
    f.macroFile("UP\r\n");
    if (macroMissing)
        f.host.macro = f.dir.filePath(QStringLiteral("none.mac"));
    else
        f.host.addr = f.dir.filePath(QStringLiteral("none.txt"));
    QCOMPARE(f.runner.run(), RunEnd::Failed);
    QCOMPARE(f.host.reports.size(), 1);
    QCOMPARE(describe(f.host.reports.front()), QString(message).replace(QStringLiteral("DIR"), f.dir.path()));
    QVERIFY(f.link.codes.empty());
    QVERIFY(!f.link.isOpen());
    QVERIFY(!f.host.running);
}

void TestRunner::portThatCannotOpen()
{
    Fixture f;
    f.macroFile("UP\r\n");
    f.link.openFails = true;
    QCOMPARE(f.runner.run(), RunEnd::Failed);
    QCOMPARE(f.host.reports.front().kind, RunReport::PortFailed);
    QCOMPARE(f.host.log.last(), QStringLiteral("report cannot open port \"7\": no such device"));
    QVERIFY(!f.host.running);
}

void TestRunner::counterCannotOverflow()
{
    Fixture f;
    f.macroFile("REPEAT\r\n");
    f.host.counter = QStringLiteral("2147483646");
    QCOMPARE(f.runner.run(), RunEnd::Failed);
    QCOMPARE(f.host.counter, QStringLiteral("2147483647"));
    QCOMPARE(describe(f.host.reports.front()).section(QLatin1Char(':'), 2),
             QStringLiteral(" REPEAT cannot raise the pass counter past 2147483647\n    REPEAT"));
}

void TestRunner::linkFailureEndsTheRun()
{
    Fixture f;
    f.macroFile("UP\r\nSLEEP 10\r\nUP\r\nREPEAT\r\n");
    f.clock.at(2.0, [&] { f.link.unplug(); });
    QCOMPARE(f.runner.run(), RunEnd::Failed);
    QCOMPARE(f.link.codes, std::vector<KeyCode>{Up});
    QCOMPARE(f.host.reports.size(), 1);
    QCOMPARE(describe(f.host.reports.front()).replace(f.dir.path() + QLatin1Char('/'), QString()),
             QStringLiteral("m.mac:2: writing to port \"7\" failed: Input/output error; the port "
                            "was closed\n    SLEEP 10"));
}

void TestRunner::waitSecondsEdges()
{
    Fixture f;
    f.runner.MacroExe = true;
    f.runner.WaitSeconds(-1.0f);
    QCOMPARE(f.clock.sleeps, 0); // negative: no events at all
    f.runner.WaitSeconds(0.0f);
    QCOMPARE(f.clock.sleeps, 1); // zero: events once
    const qint64 start = f.clock.now;
    f.runner.WaitSeconds(0.25f);
    QVERIFY(f.clock.now - start > 250000000);
    QVERIFY(f.clock.now - start < 250001000);
    f.runner.MacroExe = false;
    const int before = f.clock.sleeps;
    f.runner.WaitSeconds(100.0f);
    QCOMPARE(f.clock.sleeps, before); // already stopped: returns at its first check
}

void TestRunner::realPortEndToEnd()
{
    PtyPair pty;
    SerialLink link;
    LogHost host;
    MacroRunner runner(host, link);
    QTemporaryDir dir;
    const QString macro = dir.filePath(QStringLiteral("m.mac"));
    QFile f(macro);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("BASEWAIT 0.01\nUP\nSTRING ｶﾞ1\n&enter\n");
    f.close();
    host.macro = macro;
    host.port = pty.path();
    QCOMPARE(runner.run(), RunEnd::EndOfMacro);
    QCOMPARE(pty.readAvailable(), framesOf({Up, {1, 2, 1}, {1, 10, 4}, {1, 14, 1}, {9, 6, 2}}));
}

void TestRunner::unpluggedMidRun()
{
    auto pty = std::make_unique<PtyPair>();
    SerialLink link;
    LogHost host;
    MacroRunner runner(host, link);
    QTemporaryDir dir;
    const QString macro = dir.filePath(QStringLiteral("m.mac"));
    QFile f(macro);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("UP\r\nSLEEP 0.02\r\nREPEAT\r\n");
    f.close();
    host.macro = macro;
    host.port = pty->path();
    QTimer::singleShot(200, [&] { pty->hangUp(); });
    QCOMPARE(runner.run(), RunEnd::Failed);
    QCOMPARE(host.reports.size(), 1);
    QCOMPARE(host.reports.front().kind, RunReport::LinkFailed);
    QVERIFY(!link.isOpen());
    QVERIFY(!host.running);
    QCOMPARE(host.log.last().left(7), QStringLiteral("report "));
}

QTEST_GUILESS_MAIN(TestRunner)
#include "tst_runner.moc"
