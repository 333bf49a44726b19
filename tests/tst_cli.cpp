#include "ptypair.h"
#include "testutil.h"

#include <csignal>

class TestCli : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;

    /// Runs the tool, reading the pty ("PTY" in `args`; "_" is a space in an argument) as
    /// a device would. Once the output shows `interruptAt`, the tool gets a SIGINT.
    void check(const QString &args, int exitCode, const QString &out, const QString &err,
               const QByteArray &wire, const char *interruptAt = nullptr)
    {
        PtyPair pty;
        QProcess process;
        process.setWorkingDirectory(dir_.path());
        process.start(qEnvironmentVariable("TAPWRIGHT_CLI"),
                      args.split(u' ')
                          .replaceInStrings(u"PTY"_s, pty.path())
                          .replaceInStrings(u"_"_s, u" "_s));
        QByteArray sent, printed;
        while (process.state() != QProcess::NotRunning && !process.waitForFinished(20)) {
            sent += pty.read(1 << 20, 1);
            if (interruptAt && (printed += process.readAllStandardOutput()).contains(interruptAt) &&
                process.processId() > 0) { // never 0: that would signal this test too
                ::kill(pid_t(process.processId()), SIGINT);
                interruptAt = nullptr;
            }
        }
        QCOMPARE(QString::fromUtf8(process.readAllStandardError()), err);
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), exitCode);
        QCOMPARE(QString::fromUtf8(printed + process.readAllStandardOutput()), out);
        QVERIFY((sent + pty.readAvailable()) == wire);
    }

private Q_SLOTS:
    void keyAndTypeSendEverythingInOrder()
    {
        check(u"key --port PTY UP up &ENTER F12 &submenu"_s, 0, {}, {},
              framesOf({{3, 1, 1}, {3, 1, 1}, {9, 6, 2}, {3, 3, 2}, {9, 6, 4}}));
        // More than the pty holds: the tool must not exit before the last frame is out.
        const QString tail = u"abcdefghij"_s.repeated(300);
        Codes sent{{1, 2, 1},  {1, 10, 4}, {1, 2, 2},  {1, 10, 4}, {1, 9, 14}, {2, 2, 1},
                   {2, 10, 4}, {2, 6, 1},  {2, 10, 5}, {1, 9, 14}, {1, 1, 6}};
        for (QChar c : tail)
            sent.push_back(KeyCode{1, 4, 6 + c.unicode() - u'a'});
        check(u"type --port=PTY ｶﾞｷﾞ_がぱ_アA𠀋"_s + tail, 0, {},
              u"tapwright-cli: warning: skipped 2 characters the device cannot enter: ア 𠀋\n"_s,
              framesOf(sent));
    }

    void errorsSendNothing()
    {
        const QString tryHelp = u"\nTry 'tapwright-cli --help'.\n"_s;
        check(u"key --port PTY UP SUBMENU"_s, 2, {},
              u"tapwright-cli: unknown key name \"SUBMENU\"; nothing was sent"_s + tryHelp, {});
        check(u"key UP"_s, 2, {}, u"tapwright-cli: key needs --port PORT"_s + tryHelp, {});
        check(u"monitor /dev/null x"_s, 2, {},
              u"tapwright-cli: monitor takes at most one PORT"_s + tryHelp, {});
        check(u"key --port /dev/tapwright-missing UP"_s, 1, {},
              u"tapwright-cli: cannot open port \"/dev/tapwright-missing\": no such device\n"_s,
              {});
    }

    void runs()
    {
        writeFile(dir_.filePath(u"a.mac"_s), "GETSTR\r\nSENDSTR\r\nENTER\r\nREPEAT\r\n");
        writeFile(dir_.filePath(u"a.txt"_s), "a1\na2\na3\n");
        check(u"run --port PTY --addr a.txt --counter 1 a.mac"_s, 0,
              u"1 GETSTR\n2 SENDSTR\naddress: a2\n3 ENTER\n4 REPEAT\ncounter 2\n5 GETSTR\n"
              "6 SENDSTR\naddress: a3\n7 ENTER\n8 REPEAT\ncounter 3\n9 GETSTR\n"
              "end of the address file: the list is done; pass counter 3\n"_s,
              {}, framesOf({{1, 4, 6}, {1, 14, 2}, {3, 6, 2}, {1, 4, 6}, {1, 14, 3}, {3, 6, 2}}));
        writeFile(dir_.filePath(u"r.mac"_s), "UP\nSLEEP 1,5\nDOWN\n");
        check(u"run --port PTY r.mac"_s, 1,
              u"1 UP\n2 SLEEP\nthe run ended on an error; pass counter 0\n"_s,
              u"tapwright-cli: r.mac:2: SLEEP needs a number of seconds, got \"1,5\"\n"
              "    SLEEP 1,5\n"_s,
              framesOf({{3, 1, 1}}));
        writeFile(dir_.filePath(u"s.mac"_s), "UP\r\nSLEEP 100\r\nREPEAT\r\n");
        check(u"run --port PTY --counter 5 s.mac"_s, 0,
              u"1 UP\n2 SLEEP\nstopped; pass counter 5\n"_s,
              u"tapwright-cli: stopping; the frames already queued still go out (press Ctrl-C "
              "again to drop them)\n"_s,
              framesOf({{3, 1, 1}}), "2 SLEEP");
        // A virtual terminal shows what the device would enter.
        writeFile(dir_.filePath(u"v.mac"_s), "MOJI\r\nSTRING がｶﾞA\r\n&ENTER\r\n");
        check(u"run --port virtual --fast v.mac"_s, 0,
              u"1 MOJI\ndevice: [MOJI]\n2 STRING\n3 &ENTER\ndevice: がｶﾞA[&ENTER]\n"
              "end of the macro file; pass counter 0\n"_s,
              {}, {});
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
