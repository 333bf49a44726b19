#include "ptypair.h"
#include "testutil.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// Runs the real tapwright-cli against a pty, end to end.

namespace {

struct Result
{
    int exitCode = -1;
    QString out;
    QString err;
    QByteArray wire;
};

Result runCli(const QStringList &args, PtyPair *pty = nullptr, const QString &dir = QString())
{
    QProcess process;
    if (!dir.isEmpty())
        process.setWorkingDirectory(dir);
    process.start(qEnvironmentVariable("TAPWRIGHT_CLI"), args);
    Result r;
    if (!process.waitForStarted())
        return r;
    // Read the wire while the tool runs, as a device would.
    while (!process.waitForFinished(20)) {
        if (pty)
            r.wire += pty->read(1 << 20, 1);
    }
    if (pty)
        r.wire += pty->readAvailable();
    r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = QString::fromUtf8(process.readAllStandardOutput());
    r.err = QString::fromUtf8(process.readAllStandardError());
    return r;
}

} // namespace

using tapwright::KeyCode;

class TestCli : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void keyPressesInOrder();
    void typeSendsAndWarnsOnce();
    void typeLongTextLosesNothing();
    void usageErrors_data();
    void usageErrors();
    void portFailureExitsOne();
    void help();
    void runTakesTheAddressList();
    void runReportsFileAndLine();
    void runStopsOnInterrupt();
    void runCounterMustBeANumber();
    void virtualTerminalShowsWhatTheDeviceEnters();
};

namespace {
QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile f(dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return f.fileName();
}
} // namespace

void TestCli::initTestCase()
{
    QVERIFY2(QFile::exists(qEnvironmentVariable("TAPWRIGHT_CLI")), "TAPWRIGHT_CLI not set");
}

void TestCli::keyPressesInOrder()
{
    PtyPair pty;
    const Result r = runCli({QStringLiteral("key"), QStringLiteral("--port"), pty.path(),
                             QStringLiteral("UP"), QStringLiteral("up"), QStringLiteral("&ENTER"),
                             QStringLiteral("F12"), QStringLiteral("&submenu")},
                            &pty);
    QCOMPARE(r.err, QString());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.wire, framesOf({{3, 1, 1}, {3, 1, 1}, {9, 6, 2}, {3, 3, 2}, {9, 6, 4}}));
}

void TestCli::typeSendsAndWarnsOnce()
{
    PtyPair pty;
    const Result r = runCli({QStringLiteral("type"), QStringLiteral("--port=") + pty.path(),
                             QStringLiteral("ｶﾞｷﾞ がぱ アA𠀋")},
                            &pty);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QStringLiteral("tapwright-cli: warning: skipped 2 characters the device cannot "
                                   "enter: ア 𠀋\n"));
    QCOMPARE(r.wire, framesOf({{1, 2, 1}, {1, 10, 4}, {1, 2, 2}, {1, 10, 4}, {1, 9, 14},
                               {2, 2, 1}, {2, 10, 4}, {2, 6, 1}, {2, 10, 5}, {1, 9, 14},
                               {1, 1, 6}}));
}

void TestCli::typeLongTextLosesNothing()
{
    // 3,000 characters: 24,000 bytes, more than the pty holds at once. The
    // tool must not exit before the last frame is out.
    PtyPair pty;
    QString text;
    std::vector<KeyCode> codes;
    for (int i = 0; i < 3000; ++i) {
        text += QChar(u'a' + i % 10);
        codes.push_back(KeyCode{1, 4, 6 + i % 10});
    }
    const Result r = runCli({QStringLiteral("type"), QStringLiteral("--port"), pty.path(), text},
                            &pty);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.wire.size(), qsizetype(24000));
    QVERIFY(r.wire == framesOf(codes));
}

void TestCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("err");
    QTest::newRow("unknown key name")
        << QStringList{QStringLiteral("key"), QStringLiteral("--port"), QStringLiteral("PTY"),
                       QStringLiteral("UP"), QStringLiteral("SUBMENU")}
        << QStringLiteral("tapwright-cli: unknown key name \"SUBMENU\"; nothing was sent\n");
    QTest::newRow("two unknown key names")
        << QStringList{QStringLiteral("key"), QStringLiteral("--port"), QStringLiteral("PTY"),
                       QStringLiteral("UPP"), QStringLiteral("1"), QStringLiteral("&sunmenu")}
        << QStringLiteral("tapwright-cli: unknown key names \"UPP\", \"&sunmenu\"; nothing was "
                          "sent\n");
    QTest::newRow("key without --port")
        << QStringList{QStringLiteral("key"), QStringLiteral("UP")}
        << QStringLiteral("tapwright-cli: key needs --port PORT\n");
    QTest::newRow("type without --port")
        << QStringList{QStringLiteral("type"), QStringLiteral("abc")}
        << QStringLiteral("tapwright-cli: type needs --port PORT\n");
    QTest::newRow("type with two texts")
        << QStringList{QStringLiteral("type"), QStringLiteral("--port"), QStringLiteral("PTY"),
                       QStringLiteral("a"), QStringLiteral("b")}
        << QStringLiteral("tapwright-cli: type needs exactly one TEXT argument (quote it)\n");
    QTest::newRow("--port without value")
        << QStringList{QStringLiteral("key"), QStringLiteral("--port")}
        << QStringLiteral("tapwright-cli: --port needs a value\n");
    QTest::newRow("unknown command")
        << QStringList{QStringLiteral("press")}
        << QStringLiteral("tapwright-cli: unknown command \"press\"\n");
    QTest::newRow("no command") << QStringList{} << QStringLiteral("tapwright-cli: no command given\n");
}

void TestCli::usageErrors()
{
    QFETCH(QStringList, args);
    QFETCH(QString, err);
    PtyPair pty;
    args.replaceInStrings(QStringLiteral("PTY"), pty.path());
    const Result r = runCli(args, &pty);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.err, err + QStringLiteral("Try 'tapwright-cli --help'.\n"));
    QVERIFY(r.wire.isEmpty());
}

void TestCli::portFailureExitsOne()
{
    const Result r = runCli({QStringLiteral("key"), QStringLiteral("--port"),
                             QStringLiteral("/dev/tapwright-missing"), QStringLiteral("UP")});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err, QStringLiteral("tapwright-cli: cannot open port \"/dev/tapwright-missing\": no "
                                   "such device\n"));
}

void TestCli::help()
{
    const Result r = runCli({QStringLiteral("--help")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.contains(QStringLiteral("key  --port PORT NAME...")));
    QVERIFY(r.out.contains(QStringLiteral("type --port PORT TEXT")));
}

void TestCli::runTakesTheAddressList()
{
    QTemporaryDir dir;
    writeFile(dir, QStringLiteral("m.mac"), "GETSTR\r\nSENDSTR\r\nENTER\r\nREPEAT\r\n");
    writeFile(dir, QStringLiteral("a.txt"), "a1\na2\na3\n");
    PtyPair pty;
    const Result r =
        runCli({QStringLiteral("run"), QStringLiteral("--port"), pty.path(),
                QStringLiteral("--addr"), QStringLiteral("a.txt"), QStringLiteral("--counter"),
                QStringLiteral("1"), QStringLiteral("m.mac")},
               &pty, dir.path());
    QCOMPARE(r.err, QString());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QStringLiteral("1 GETSTR\n2 SENDSTR\naddress: a2\n3 ENTER\n4 REPEAT\n"
                                   "counter 2\n5 GETSTR\n6 SENDSTR\naddress: a3\n7 ENTER\n"
                                   "8 REPEAT\ncounter 3\n9 GETSTR\n"
                                   "end of the address file: the list is done; pass counter 3\n"));
    QCOMPARE(r.wire,
             framesOf({{1, 4, 6}, {1, 14, 2}, {3, 6, 2}, {1, 4, 6}, {1, 14, 3}, {3, 6, 2}}));
}

void TestCli::runReportsFileAndLine()
{
    QTemporaryDir dir;
    writeFile(dir, QStringLiteral("m.mac"), "UP\nSLEEP 1,5\nDOWN\n");
    PtyPair pty;
    const Result r = runCli(
        {QStringLiteral("run"), QStringLiteral("--port"), pty.path(), QStringLiteral("m.mac")},
        &pty, dir.path());
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err, QStringLiteral("tapwright-cli: m.mac:2: SLEEP needs a number of seconds, got "
                                   "\"1,5\"\n    SLEEP 1,5\n"));
    QCOMPARE(r.wire, framesOf({{3, 1, 1}}));
}

void TestCli::runStopsOnInterrupt()
{
    QTemporaryDir dir;
    writeFile(dir, QStringLiteral("m.mac"), "UP\r\nSLEEP 100\r\nREPEAT\r\n");
    PtyPair pty;
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(qEnvironmentVariable("TAPWRIGHT_CLI"),
                  {QStringLiteral("run"), QStringLiteral("--port"), pty.path(),
                   QStringLiteral("--counter"), QStringLiteral("5"), QStringLiteral("m.mac")});
    QVERIFY(process.waitForStarted());
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += process.readAllStandardOutput()).contains("2 SLEEP"), 10000);
    ::kill(pid_t(process.processId()), SIGINT);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 0);
    out += process.readAllStandardOutput();
    QCOMPARE(QString::fromUtf8(out), QStringLiteral("1 UP\n2 SLEEP\nstopped; pass counter 5\n"));
    QVERIFY(process.readAllStandardError().contains("stopping"));
    QCOMPARE(pty.readAvailable(), framesOf({{3, 1, 1}}));
}

void TestCli::runCounterMustBeANumber()
{
    const Result r =
        runCli({QStringLiteral("run"), QStringLiteral("--port"), QStringLiteral("virtual"),
                QStringLiteral("--counter"), QStringLiteral("x"), QStringLiteral("m.mac")});
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.err.startsWith(QStringLiteral("tapwright-cli: --counter must be a whole number")));
}

void TestCli::virtualTerminalShowsWhatTheDeviceEnters()
{
    QTemporaryDir dir;
    writeFile(dir, QStringLiteral("m.mac"), "MOJI\r\nSTRING がｶﾞA\r\n&ENTER\r\n");
    const Result r =
        runCli({QStringLiteral("run"), QStringLiteral("--port"), QStringLiteral("virtual"),
                QStringLiteral("--fast"), QStringLiteral("m.mac")},
               nullptr, dir.path());
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.contains(QStringLiteral("device: [MOJI]\n")), qPrintable(r.out));
    QVERIFY2(r.out.contains(QStringLiteral("device: がｶﾞA[&ENTER]\n")), qPrintable(r.out));

    const Result keys =
        runCli({QStringLiteral("key"), QStringLiteral("--port"), QStringLiteral("virtual"),
                QStringLiteral("--fast"), QStringLiteral("up"), QStringLiteral("&submenu")});
    QCOMPARE(keys.exitCode, 0);
    QCOMPARE(keys.out, QStringLiteral("device: [UP]\ndevice: [&SUBMENU]\n"));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
