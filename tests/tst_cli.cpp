#include "ptypair.h"
#include "testutil.h"

#include <csignal>

/// A text of `count` letters a to j, and the codes that type it.
static std::pair<QString, Codes> letters(int count)
{
    std::pair<QString, Codes> result;
    for (int i = 0; i < count; ++i) {
        result.first += QChar(u'a' + i % 10);
        result.second.push_back(KeyCode{1, 4, 6 + i % 10});
    }
    return result;
}

class TestCli : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        writeFile(dir_.filePath(u"a.mac"_s), "GETSTR\r\nSENDSTR\r\nENTER\r\nREPEAT\r\n");
        writeFile(dir_.filePath(u"a.txt"_s), "a1\na2\na3\n");
        writeFile(dir_.filePath(u"r.mac"_s), "UP\nSLEEP 1,5\nDOWN\n");
        writeFile(dir_.filePath(u"s.mac"_s), "UP\r\nSLEEP 100\r\nREPEAT\r\n");
        writeFile(dir_.filePath(u"v.mac"_s), "MOJI\r\nSTRING がｶﾞA\r\n&ENTER\r\n");
        // 2,000 characters are 16,000 bytes: far more than a pty holds, so most
        // of them are still queued when the macro ends.
        writeFile(dir_.filePath(u"long.mac"_s),
                  "UP\r\nSTRING " + letters(2000).first.toLatin1() + "\r\n");
    }

    void commands_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QByteArray>("interruptAt");
        const QString tryHelp = u"\nTry 'tapwright-cli --help'.\n"_s;

        // Every command exits only once its last frame has left the port.
        QTest::newRow("key") << u"key --port PTY UP up &ENTER F12 &submenu"_s << 0 << QString()
                             << QString()
                             << framesOf({{3, 1, 1}, {3, 1, 1}, {9, 6, 2}, {3, 3, 2}, {9, 6, 4}})
                             << QByteArray();
        QTest::newRow("key, more than the pty holds")
            << u"key --fast --port PTY"_s + u" F12"_s.repeated(2500) << 0 << QString() << QString()
            << framesOf(Codes(2500, KeyCode{3, 3, 2})) << QByteArray();
        const auto [tail, tailCodes] = letters(3000);
        Codes typed{{1, 2, 1},  {1, 10, 4}, {1, 2, 2},  {1, 10, 4}, {1, 9, 14}, {2, 2, 1},
                    {2, 10, 4}, {2, 6, 1},  {2, 10, 5}, {1, 9, 14}, {1, 1, 6}};
        typed.insert(typed.end(), tailCodes.begin(), tailCodes.end());
        QTest::newRow("type, more than the pty holds")
            << u"type --fast --port=PTY ｶﾞｷﾞ_がぱ_アA𠀋"_s + tail << 0 << QString()
            << u"tapwright-cli: warning: skipped 2 characters the device cannot enter: ア 𠀋\n"_s
            << framesOf(typed) << QByteArray();
        Codes longRun{{3, 1, 1}};
        const Codes longCodes = letters(2000).second;
        longRun.insert(longRun.end(), longCodes.begin(), longCodes.end());
        QTest::newRow("run ending in a long STRING")
            << u"run --fast --port PTY long.mac"_s << 0
            << u"1 UP\n2 STRING\nend of the macro file; pass counter 0\n"_s << QString()
            << framesOf(longRun) << QByteArray();

        QTest::newRow("run through an address list")
            << u"run --port PTY --addr a.txt --counter 1 a.mac"_s << 0
            << u"1 GETSTR\n2 SENDSTR\naddress: a2\n3 ENTER\n4 REPEAT\ncounter 2\n5 GETSTR\n"
               "6 SENDSTR\naddress: a3\n7 ENTER\n8 REPEAT\ncounter 3\n9 GETSTR\n"
               "end of the address file: the list is done; pass counter 3\n"_s
            << QString()
            << framesOf({{1, 4, 6}, {1, 14, 2}, {3, 6, 2}, {1, 4, 6}, {1, 14, 3}, {3, 6, 2}})
            << QByteArray();
        QTest::newRow("run with a bad number")
            << u"run --port PTY r.mac"_s << 1
            << u"1 UP\n2 SLEEP\nthe run ended on an error; pass counter 0\n"_s
            << u"tapwright-cli: r.mac:2: SLEEP needs a number of seconds, got \"1,5\"\n"
               "    SLEEP 1,5\n"_s
            << framesOf({{3, 1, 1}}) << QByteArray();
        QTest::newRow("run stopped by Ctrl-C")
            << u"run --port PTY --counter 5 s.mac"_s << 0
            << u"1 UP\n2 SLEEP\nstopped; pass counter 5\n"_s
            << u"tapwright-cli: stopping; the frames on the line still go out (press Ctrl-C again "
               "to drop the rest)\n"_s
            << framesOf({{3, 1, 1}}) << QByteArray("2 SLEEP");
        // A virtual terminal shows what the device would enter.
        QTest::newRow("run on the virtual terminal")
            << u"run --port virtual --fast v.mac"_s << 0
            << u"1 MOJI\ndevice: [MOJI]\n2 STRING\n3 &ENTER\ndevice: がｶﾞA[&ENTER]\n"
               "end of the macro file; pass counter 0\n"_s
            << QString() << QByteArray() << QByteArray();

        QTest::newRow("unknown key")
            << u"key --port PTY UP SUBMENU"_s << 2 << QString()
            << u"tapwright-cli: unknown key name \"SUBMENU\"; nothing was sent"_s + tryHelp
            << QByteArray() << QByteArray();
        QTest::newRow("no port") << u"key UP"_s << 2 << QString()
                                 << u"tapwright-cli: key needs --port PORT"_s + tryHelp
                                 << QByteArray() << QByteArray();
        QTest::newRow("monitor, two ports")
            << u"monitor /dev/null x"_s << 2 << QString()
            << u"tapwright-cli: monitor takes at most one PORT"_s + tryHelp << QByteArray()
            << QByteArray();
        QTest::newRow("missing port")
            << u"key --port /dev/tapwright-missing UP"_s << 1 << QString()
            << u"tapwright-cli: cannot open port \"/dev/tapwright-missing\": no such device\n"_s
            << QByteArray() << QByteArray();
    }
    /// Runs the tool ("PTY" in `args` is the pty; "_" is a space in an argument),
    /// reading the pty as a device would while the tool runs: a full pty would
    /// block it. Once the output shows `interruptAt`, the tool gets a SIGINT.
    void commands()
    {
        QFETCH(QString, args);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QByteArray, wire);
        QFETCH(QByteArray, interruptAt);
        PtyPair pty;
        QProcess process;
        process.setWorkingDirectory(dir_.path());
        process.start(qEnvironmentVariable("TAPWRIGHT_CLI"),
                      args.split(u' ')
                          .replaceInStrings(u"PTY"_s, pty.path())
                          .replaceInStrings(u"_"_s, u" "_s));
        QVERIFY2(process.waitForStarted(5000), qPrintable(process.errorString()));
        QByteArray sent, printed;
        // Generous for a loaded machine, yet far below the test's own timeout.
        const QDeadlineTimer deadline(30000);
        while (process.state() != QProcess::NotRunning && !process.waitForFinished(20)) {
            sent += pty.read(1 << 20, 1);
            printed += process.readAllStandardOutput();
            if (!interruptAt.isEmpty() && printed.contains(interruptAt) &&
                process.processId() > 0) { // never 0: that would signal this test too
                ::kill(pid_t(process.processId()), SIGINT);
                interruptAt.clear();
            }
            if (deadline.hasExpired()) {
                process.kill();
                process.waitForFinished(5000);
                QFAIL(qPrintable(u"still running; it printed: "_s + QString::fromUtf8(printed)));
            }
        }
        QCOMPARE(QString::fromUtf8(process.readAllStandardError()), err);
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), exitCode);
        QCOMPARE(QString::fromUtf8(printed + process.readAllStandardOutput()), out);
        sent += pty.readAvailable();
        QCOMPARE(sent.size(), wire.size()); // the count first: a short tail shows plainly
        QVERIFY(sent == wire);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
