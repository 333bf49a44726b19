#include "link/seriallink.h"
#include "macro/runner.h"
#include "ptypair.h"
#include "testutil.h"

#include <QTemporaryDir>
#include <QTimer>

#include <map>

using namespace tapwright;

/// All the runner deals with: a host that logs what it is shown, a link that
/// records each frame with the time it went, and virtual time, in which a
/// sleep jumps to its deadline unless an action due before then wakes it.
class World : public Link, public RunnerHost, public WaitClock
{
public:
    QString macro, addr, port = u"7"_s, counter = u"0"_s;
    QStringList log;
    QList<RunReport> reports;
    bool running = false, openFails = false, open = false, woken = false;
    int opens = 0, sleeps = 0;
    Codes codes;
    std::vector<qint64> times; ///< in ms
    qint64 now = 0;
    std::multimap<qint64, std::function<void()>> actions;
    std::function<void(int)> onSleep;

    QString macroFile() const override { return macro; }
    QString addrFile() const override { return addr; }
    QString portText() const override { return port; }
    QString counterText() const override { return counter; }
    void setCounterText(const QString &t) override { log << u"counter "_s + (counter = t); }
    void setStatus(const QString &t) override { log << u"status "_s + t; }
    void setAddress(const QString &t) override { log << u"address "_s + t; }
    void setRunning(bool on) override { log << ((running = on) ? u"running"_s : u"idle"_s); }
    void report(const RunReport &r) override
    {
        reports << r;
        log << u"report "_s + describe(r);
    }

    bool OpenPort() override
    {
        ++opens;
        if (openFails)
            setLastError({LinkError::NotFound, commPort(), commPort(), QString()});
        return open = !openFails;
    }
    void ClosePort(CloseMode) override { open = false; }
    bool isOpen() const override { return open; }
    void SendKey(int row, int column, int table) override
    {
        if (!open)
            return;
        codes.push_back(KeyCode{table, row, column});
        times.push_back(now / 1000000);
    }
    void unplug()
    {
        open = false;
        Q_EMIT failed(
            LinkError{LinkError::WriteFailed, commPort(), commPort(), u"Input/output error"_s});
    }

    qint64 nowNs() const override { return now; }
    void sleepUntil(qint64 deadlineNs) override
    {
        ++sleeps;
        if (onSleep)
            onSleep(sleeps);
        woken = false;
        while (!woken && !actions.empty() && actions.begin()->first <= deadlineNs) {
            auto action = actions.extract(actions.begin());
            now = std::max(now, action.key());
            action.mapped()();
        }
        if (!woken)
            now = std::max(now, deadlineNs);
    }
    void wake() override { woken = true; }
    void at(double s, std::function<void()> f) { actions.emplace(qint64(s * 1e9), std::move(f)); }
};

struct Fake
{
    QTemporaryDir dir;
    World w;
    MacroRunner runner{w, w};

    Fake() { runner.setClock(&w); }
    void macroFile(const QByteArray &b) { w.macro = writeFile(dir.filePath(u"m.mac"_s), b); }
    void addrFile(const QByteArray &b) { w.addr = writeFile(dir.filePath(u"a.txt"_s), b); }
    void stopAt(double seconds)
    {
        w.at(seconds, [this] { runner.requestStop(); });
    }
    void stopAfterCodes(std::size_t n)
    {
        w.onSleep = [this, n](int) {
            if (w.codes.size() == n)
                runner.requestStop();
        };
    }
    QString onlyReport() const
    {
        return w.reports.size() == 1 ? describe(w.reports.front()).remove(dir.path() + u'/')
                                     : u"%1 reports"_s.arg(w.reports.size());
    }
};

// What a report row breaks.
static constexpr int Nothing = 0, MacroFile = 1, AddrFile = 2, Port = 3, Unplugged = 4;

static const KeyCode Up{3, 1, 1}, Down{3, 1, 2};

class TestRunner : public QObject
{
    Q_OBJECT
    static QStringList seq(const QString &items) { return items.split(u'|'); }
    const QString EndSequence = u"idle|address 糸冬了"_s;

private Q_SLOTS:
    void notStarted_data()
    {
        QTest::addColumn<QString>("counter");
        QTest::addColumn<QString>("report");
        QTest::newRow("no macro file") << u"0"_s << u"no macro file chosen"_s;
        for (const QString &bad : {u"abc"_s, QString(), u"1,5"_s, u"2147483648"_s})
            QTest::addRow("counter \"%s\"", qPrintable(bad))
                << bad
                << u"the pass counter must be a whole number from -2147483648 to "
                   "2147483647, got \"%1\""_s.arg(bad);
    }
    void notStarted()
    {
        QFETCH(QString, counter);
        QFETCH(QString, report);
        Fake f;
        if (!report.startsWith("no macro"_L1))
            f.macroFile("UP\r\n");
        f.w.counter = counter;
        QCOMPARE(f.runner.run(), RunEnd::NotStarted);
        QCOMPARE(f.w.log, QStringList{u"report "_s + report});
        QCOMPARE(f.w.opens, 0);
        QVERIFY(!f.runner.MacroExe);
    }

    void addressList_data()
    {
        QTest::addColumn<QString>("counter");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("after");
        QTest::newRow("0 skips none") << u"0"_s << u"a1"_s << u"4"_s;
        QTest::newRow("3 skips three") << u"3"_s << u"a4"_s << u"4"_s;
        QTest::newRow("negative skips none") << u"-5"_s << u"a1"_s << u"-1"_s;
    }
    void addressList()
    {
        QFETCH(QString, counter);
        QFETCH(QString, first);
        QFETCH(QString, after);
        Fake f;
        f.macroFile("GETSTR\r\nSENDSTR\r\nENTER\r\nREPEAT\r\n");
        f.addrFile("a1\r\na2\r\na3\r\na4\r\n");
        f.w.counter = counter;
        // A GETSTR past the last line ends the run normally.
        QCOMPARE(f.runner.run(), RunEnd::AddressListDone);
        QVERIFY(f.w.reports.isEmpty());
        QCOMPARE(f.w.log.filter(u"address a"_s).value(0), u"address "_s + first);
        QCOMPARE(f.w.counter, after);
        QCOMPARE(f.w.log.last(), u"address 糸冬了"_s);
    }

    void emptyMacroOpensAndClosesThePort()
    {
        Fake f;
        f.macroFile("");
        f.w.counter = u"4"_s;
        QCOMPARE(f.runner.run(), RunEnd::EndOfMacro);
        QCOMPARE(f.w.log, seq(u"running|address |"_s + EndSequence));
        QCOMPARE(f.w.opens, 1);
        QVERIFY(!f.w.isOpen());
        QCOMPARE(f.w.counter, u"4"_s);
    }

    void passesCountAndStatusCountsOn()
    {
        Fake f;
        f.macroFile("up\r\n\r\nDown 5\r\nREPEAT\r\nnever reached\r\n");
        // The base wait of 0 still lets events through: stop in the third pass.
        f.stopAfterCodes(6);
        QCOMPARE(f.runner.run(), RunEnd::Stopped);
        QCOMPARE(f.w.log, seq(u"running|address |status 1 UP|status 2 DOWN|status 3 REPEAT|"
                              "counter 1|status 4 UP|status 5 DOWN|status 6 REPEAT|counter 2|"
                              "status 7 UP|status 8 DOWN|"_s +
                              EndSequence));
        QCOMPARE(f.w.codes, (Codes{Up, Down, Up, Down, Up, Down}));
    }

    void baseWaitFollowsEveryStepButRepeat()
    {
        Fake f;
        f.macroFile("BASEWAIT 0.5\r\nUP\r\nSLEEP 2\r\nDOWN\r\nREPEAT\r\n");
        f.stopAfterCodes(4);
        QCOMPARE(f.runner.run(), RunEnd::Stopped);
        // BASEWAIT's own step already waits the new base wait. REPEAT adds none.
        QCOMPARE(f.w.codes, (Codes{Up, Down, Up, Down}));
        QCOMPARE(f.w.times, (std::vector<qint64>{500, 3500, 4500, 7500}));
    }

    void stopDuringSleepBeforeRepeat()
    {
        Fake f;
        f.macroFile("UP\r\nSLEEP 60\r\nDOWN\r\nREPEAT\r\n");
        f.w.counter = u"10"_s;
        f.stopAt(1.0);
        QCOMPARE(f.runner.run(), RunEnd::Stopped);
        QCOMPARE(f.w.codes, Codes{Up});
        QVERIFY(!f.w.isOpen());
        QCOMPARE(f.w.counter, u"10"_s);
        QCOMPARE(f.w.log.mid(f.w.log.size() - 2), seq(EndSequence));
        QCOMPARE(f.w.now, qint64(1000000000)); // returned when the stop came
    }

    void passWithoutWaitsCanBeStopped()
    {
        // No step ever waits, but REPEAT gives the event loop a turn, so a
        // stop still gets through.
        Fake f;
        f.macroFile("\r\nREPEAT\r\n");
        f.w.onSleep = [&](int n) {
            if (n == 100)
                f.runner.requestStop();
        };
        QCOMPARE(f.runner.run(), RunEnd::Stopped);
        QCOMPARE(f.w.counter, u"100"_s);
    }

    void textStepsAndANewMacroFileForTheNextPass()
    {
        Fake f;
        // SENDSTR before any GETSTR sends nothing; a blank address line is an
        // empty address; STRING types field 1 only, in its own case.
        f.macroFile("SENDSTR\r\nGETSTR\r\nSENDSTR\r\nGETSTR\r\nSENDSTR\r\n"
                    "string Ab cd\r\nSTRING  x\r\nSLEEP 1\r\nREPEAT\r\n");
        f.addrFile("ｶﾞ 1\r\n\r\n");
        const QString next = writeFile(f.dir.filePath(u"next.mac"_s), "DOWN\r\n");
        f.w.at(0.5, [&] { f.w.macro = next; }); // chosen during the SLEEP
        QCOMPARE(f.runner.run(), RunEnd::EndOfMacro);
        QCOMPARE(f.w.log.filter(u"address"_s),
                 seq(u"address |address |address ｶﾞ 1|address |address 糸冬了"_s));
        QCOMPARE(f.w.codes, (Codes{{1, 2, 1}, {1, 10, 4}, {1, 9, 14}, {1, 14, 1}, {1, 1, 6},
                                   {1, 4, 7}, Down}));
    }

    void reports_data()
    {
        QTest::addColumn<QByteArray>("macro");
        QTest::addColumn<int>("broken");
        QTest::addColumn<QString>("message");
        auto row = [](const char *tag, const char *macro, int broken, const QString &message) {
            QTest::newRow(tag) << QByteArray(macro) << broken << message;
        };
        row("no number", "sleep\r\n", Nothing,
            u"m.mac:1: SLEEP needs a number of seconds\n    sleep"_s);
        row("two spaces", "BASEWAIT  1\r\n", Nothing,
            u"m.mac:1: BASEWAIT needs a number of seconds\n    BASEWAIT  1"_s);
        row("unit", "\r\n\r\nBASEWAIT 1s\r\n", Nothing,
            u"m.mac:3: BASEWAIT needs a number of seconds, got \"1s\"\n    BASEWAIT 1s"_s);
        row("counter overflow", "REPEAT\r\n", Nothing,
            u"m.mac:1: REPEAT cannot raise the pass counter past 2147483647\n    REPEAT"_s);
        row("missing macro file", "UP\r\n", MacroFile,
            u"cannot open macro file \"none\": No such file or directory"_s);
        row("missing address file", "UP\r\n", AddrFile,
            u"cannot open address file \"none\": No such file or directory"_s);
        row("port that cannot open", "UP\r\n", Port, u"cannot open port \"7\": no such device"_s);
        row("link failure", "UP\r\nSLEEP 10\r\nUP\r\nREPEAT\r\n", Unplugged,
            u"m.mac:2: writing to port \"7\" failed: Input/output error; the port was closed\n"
            "    SLEEP 10"_s);
    }
    void reports()
    {
        QFETCH(QByteArray, macro);
        QFETCH(int, broken);
        QFETCH(QString, message);
        Fake f;
        f.macroFile(macro);
        f.w.counter = u"2147483646"_s; // one REPEAT raises it to its largest
        if (broken == MacroFile)
            f.w.macro = f.dir.filePath(u"none"_s);
        if (broken == AddrFile)
            f.w.addr = f.dir.filePath(u"none"_s);
        f.w.openFails = broken == Port;
        if (broken == Unplugged)
            f.w.at(2.0, [&] { f.w.unplug(); });
        QCOMPARE(f.runner.run(), RunEnd::Failed);
        QCOMPARE(f.onlyReport(), message);
        QVERIFY(!f.w.isOpen());
        QVERIFY(!f.w.running);
        if (broken == Unplugged)
            QCOMPARE(f.w.codes, Codes{Up});
        else if (broken != Nothing)
            QVERIFY(f.w.codes.empty());
        if (broken == Nothing || broken == Unplugged) // the end sequence ran before the report
            QCOMPARE(f.w.log.mid(f.w.log.size() - 3, 2), seq(EndSequence));
        QCOMPARE(f.w.counter, macro == "REPEAT\r\n" ? u"2147483647"_s : u"2147483646"_s);
    }

    void waitSecondsEdges()
    {
        Fake f;
        f.runner.MacroExe = true;
        f.runner.WaitSeconds(-1.0f);
        QCOMPARE(f.w.sleeps, 0); // negative: no events at all
        f.runner.WaitSeconds(0.0f);
        QCOMPARE(f.w.sleeps, 1); // zero: events once
        const qint64 start = f.w.now;
        f.runner.WaitSeconds(0.25f);
        QVERIFY(f.w.now - start > 250000000);
        QVERIFY(f.w.now - start < 250001000);
        f.runner.MacroExe = false;
        const int before = f.w.sleeps;
        f.runner.WaitSeconds(100.0f);
        QCOMPARE(f.w.sleeps, before); // already stopped: returns at its first check
    }

    void realPortEndToEndThenUnplugged()
    {
        QTemporaryDir dir;
        PtyPair pty;
        SerialLink link;
        World host;
        MacroRunner runner(host, link);
        host.macro = writeFile(dir.filePath(u"m.mac"_s),
                               "BASEWAIT 0.01\nUP\nSTRING ｶﾞ1\n&enter\nSLEEP 0.2\nREPEAT\n");
        host.port = pty.path();
        // Once the first pass is out, the adapter is unplugged while the run sleeps.
        QByteArray wire;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (pty.isValid() && host.log.contains(u"status 5 SLEEP"_s)) {
                wire = pty.read(40);
                pty.hangUp();
            }
        });
        poll.start(5);
        QCOMPARE(runner.run(), RunEnd::Failed);
        QCOMPARE(wire, framesOf({Up, {1, 2, 1}, {1, 10, 4}, {1, 14, 1}, {9, 6, 2}}));
        QCOMPARE(host.reports.size(), 1);
        QCOMPARE(host.reports.front().kind, RunReport::LinkFailed);
        QVERIFY(!link.isOpen());
        QVERIFY(!host.running);
    }
};

QTEST_GUILESS_MAIN(TestRunner)
#include "tst_runner.moc"
