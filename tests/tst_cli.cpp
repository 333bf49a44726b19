#include "ptypair.h"
#include "testutil.h"

#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

// Runs the real tapwright-cli against a pty, end to end.

using tapwright::KeyCode;

class TestCli : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;

    struct Result
    {
        int exitCode = -1;
        QString out;
        QString err;
        QByteArray wire;
    };

    /// Runs the tool in the temporary folder with `args`, in which "PTY"
    /// stands for the path of a fresh pty.
    Result runCli(QStringList args)
    {
        PtyPair pty;
        args.replaceInStrings(u"PTY"_s, pty.path());
        QProcess process;
        process.setWorkingDirectory(dir_.path());
        process.start(qEnvironmentVariable("TAPWRIGHT_CLI"), args);
        Result r;
        if (!process.waitForStarted())
            return r;
        // Read the wire while the tool runs, as a device would.
        while (!process.waitForFinished(20))
            r.wire += pty.read(1 << 20, 1);
        r.wire += pty.readAvailable();
        r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.out = QString::fromUtf8(process.readAllStandardOutput());
        r.err = QString::fromUtf8(process.readAllStandardError());
        return r;
    }
    Result runCli(const QString &line) { return runCli(line.split(u' ', Qt::SkipEmptyParts)); }
    void writeMacro(const QByteArray &bytes) { writeFile(dir_.filePath(u"m.mac"_s), bytes); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(qEnvironmentVariable("TAPWRIGHT_CLI")), "TAPWRIGHT_CLI not set");
    }

    void keyPressesInOrder()
    {
        const Result r = runCli(u"key --port PTY UP up &ENTER F12 &submenu"_s);
        QCOMPARE(r.err, QString());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.wire, framesOf({{3, 1, 1}, {3, 1, 1}, {9, 6, 2}, {3, 3, 2}, {9, 6, 4}}));
    }

    void typeSendsAndWarnsOnce()
    {
        const Result r = runCli({u"type"_s, u"--port=PTY"_s, u"ｶﾞｷﾞ がぱ アA𠀋"_s});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, u"tapwright-cli: warning: skipped 2 characters the device cannot enter: "
                        "ア 𠀋\n"_s);
        const Codes sent{{1, 2, 1},  {1, 10, 4}, {1, 2, 2},  {1, 10, 4}, {1, 9, 14}, {2, 2, 1},
                         {2, 10, 4}, {2, 6, 1},  {2, 10, 5}, {1, 9, 14}, {1, 1, 6}};
        QCOMPARE(r.wire, framesOf(sent));
    }

    void typeLongTextLosesNothing()
    {
        // 24,000 bytes, more than the pty holds at once: the tool must not
        // exit before the last frame is out.
        const QString text = u"abcdefghij"_s.repeated(300);
        Codes codes;
        for (QChar c : text)
            codes.push_back(KeyCode{1, 4, 6 + c.unicode() - u'a'});
        const Result r = runCli({u"type"_s, u"--port"_s, u"PTY"_s, text});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.wire.size(), qsizetype(24000));
        QVERIFY(r.wire == framesOf(codes));
    }

    void errors_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("err");
        const QString tryHelp = u"\nTry 'tapwright-cli --help'."_s;
        QTest::newRow("unknown key name")
            << u"key --port PTY UP SUBMENU"_s << 2
            << u"unknown key name \"SUBMENU\"; nothing was sent"_s + tryHelp;
        QTest::newRow("key without --port")
            << u"key UP"_s << 2 << u"key needs --port PORT"_s + tryHelp;
        QTest::newRow("monitor, unknown option")
            << u"monitor --bogus"_s << 2 << u"unknown option --bogus"_s + tryHelp;
        QTest::newRow("monitor, two ports")
            << u"monitor /dev/null x"_s << 2 << u"monitor takes at most one PORT"_s + tryHelp;
        QTest::newRow("no command") << QString() << 2 << u"no command given"_s + tryHelp;
        QTest::newRow("port failure")
            << u"key --port /dev/tapwright-missing UP"_s << 1
            << u"cannot open port \"/dev/tapwright-missing\": no such device"_s;
    }
    void errors()
    {
        QFETCH(QString, args);
        QFETCH(int, exitCode);
        QFETCH(QString, err);
        const Result r = runCli(args);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.err, u"tapwright-cli: "_s + err + u'\n');
        QVERIFY(r.wire.isEmpty());
    }

    void runTakesTheAddressList()
    {
        writeMacro("GETSTR\r\nSENDSTR\r\nENTER\r\nREPEAT\r\n");
        writeFile(dir_.filePath(u"a.txt"_s), "a1\na2\na3\n");
        const Result r = runCli(u"run --port PTY --addr a.txt --counter 1 m.mac"_s);
        QCOMPARE(r.err, QString());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, u"1 GETSTR\n2 SENDSTR\naddress: a2\n3 ENTER\n4 REPEAT\ncounter 2\n"
                        "5 GETSTR\n6 SENDSTR\naddress: a3\n7 ENTER\n8 REPEAT\ncounter 3\n9 GETSTR\n"
                        "end of the address file: the list is done; pass counter 3\n"_s);
        QCOMPARE(r.wire,
                 framesOf({{1, 4, 6}, {1, 14, 2}, {3, 6, 2}, {1, 4, 6}, {1, 14, 3}, {3, 6, 2}}));
    }

    void runReportsFileAndLine()
    {
        writeMacro("UP\nSLEEP 1,5\nDOWN\n");
        const Result r = runCli(u"run --port PTY m.mac"_s);
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err, u"tapwright-cli: m.mac:2: SLEEP needs a number of seconds, got \"1,5\"\n"
                        "    SLEEP 1,5\n"_s);
        QCOMPARE(r.wire, framesOf({{3, 1, 1}}));
    }

    void runStopsOnInterrupt()
    {
        writeMacro("UP\r\nSLEEP 100\r\nREPEAT\r\n");
        PtyPair pty;
        QProcess process;
        process.setWorkingDirectory(dir_.path());
        process.start(qEnvironmentVariable("TAPWRIGHT_CLI"),
                      u"run --port %1 --counter 5 m.mac"_s.arg(pty.path()).split(u' '));
        QVERIFY(process.waitForStarted());
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += process.readAllStandardOutput()).contains("2 SLEEP"),
                                 10000);
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 0);
        out += process.readAllStandardOutput();
        QCOMPARE(QString::fromUtf8(out), u"1 UP\n2 SLEEP\nstopped; pass counter 5\n"_s);
        QVERIFY(process.readAllStandardError().contains("stopping"));
        QCOMPARE(pty.readAvailable(), framesOf({{3, 1, 1}}));
    }

    void virtualTerminalShowsWhatTheDeviceEnters()
    {
        writeMacro("MOJI\r\nSTRING がｶﾞA\r\n&ENTER\r\n");
        const Result r = runCli(u"run --port virtual --fast m.mac"_s);
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains(u"device: [MOJI]\n"_s), qPrintable(r.out));
        QVERIFY2(r.out.contains(u"device: がｶﾞA[&ENTER]\n"_s), qPrintable(r.out));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
