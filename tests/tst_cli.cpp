#include "ptypair.h"
#include "testutil.h"

#include <csignal>
#include <sys/ioctl.h>
#include <sys/stat.h>

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

/// The tool at work on a pty, which the test reads as the device would while
/// it runs: a full pty would block it.
struct Tool
{
    PtyPair device;
    QProcess process;
    QByteArray sent, out, err;

    /// "PTY" in `args` is the pty; "_" is a space in an argument.
    void start(const QString &dir, const QString &args)
    {
        process.setWorkingDirectory(dir);
        process.start(qEnvironmentVariable("TAPWRIGHT_CLI"),
                      args.split(u' ')
                          .replaceInStrings(u"PTY"_s, device.path())
                          .replaceInStrings(u"_"_s, u" "_s));
    }
    ~Tool()
    {
        signal(SIGCONT); // a stopped tool would not die of SIGKILL before it
        process.kill();
        process.waitForFinished(5000);
    }
    /// Reads what comes until `done` holds; false when it does not within
    /// `ms` (generous for a loaded machine) or the tool ends first.
    bool waitFor(const std::function<bool()> &done, int ms = 10000)
    {
        for (const QDeadlineTimer deadline(ms); !deadline.hasExpired();) {
            const bool running = process.state() != QProcess::NotRunning;
            if (running)
                process.waitForFinished(10);
            sent += device.read(1 << 20, 1);
            out += process.readAllStandardOutput();
            if (done())
                return true;
            if (!running)
                return false;
        }
        return false;
    }
    bool finish(int ms = 30000)
    {
        return waitFor([this] { return process.state() == QProcess::NotRunning; }, ms);
    }
    bool printed(const QByteArray &text)
    {
        return waitFor([&] { return out.contains(text); });
    }
    void signal(int number)
    {
        if (process.processId() > 0) // never 0: that would signal this test too
            ::kill(pid_t(process.processId()), number);
    }
    /// The tool's state letter from /proc: 'T' once it has stopped itself.
    char state() const
    {
        QFile stat(u"/proc/%1/stat"_s.arg(process.processId()));
        if (!stat.open(QIODevice::ReadOnly))
            return '?';
        const QByteArray line = stat.readAll();
        const qsizetype at = line.lastIndexOf(')') + 2;
        return at > 1 && at < line.size() ? line[at] : '?';
    }
    /// All stderr so far.
    QByteArray errors() { return err += process.readAllStandardError(); }
    QString what() { return QString::fromUtf8(out + errors()); }
};

/// Whether the terminal reads lines with echo, as a shell leaves it.
static bool lineMode(int fd)
{
    termios settings{};
    return ::tcgetattr(fd, &settings) == 0 && (settings.c_lflag & ICANON) &&
           (settings.c_lflag & ECHO);
}

/// Whether a paused tool stays so: a frame already on its way still
/// arrives, then nothing does for a second, and the run takes no step.
static bool staysPaused(Tool &tool, const QByteArray &paused)
{
    // Bounded by count too: a run that goes on would never fall quiet. Two
    // frames may be on their way, far fewer than 8.
    tool.sent += tool.device.read(64, 1000);
    const qsizetype at = tool.out.size();
    const QByteArray more = tool.device.read(64, 1000);
    tool.out += tool.process.readAllStandardOutput();
    return more.isEmpty() && tool.out.size() == at && tool.out.endsWith(paused);
}

/// Whole frames of `code` only, and at least one.
static bool onlyFramesOf(const QByteArray &sent, KeyCode code)
{
    return !sent.isEmpty() && sent == framesOf(Codes(sent.size() / 8, code));
}

/// Columns a text takes on a terminal: enough for hiragana and ASCII.
static int columnsOf(const QString &text)
{
    int columns = 0;
    for (const QChar c : text)
        columns += c.unicode() >= 0x3000 ? 2 : 1;
    return columns;
}

/// What a terminal makes of `bytes` when "\r\033[K" and "\n" are the only
/// controls in them.
struct Screen
{
    QStringList lines;  ///< finished with "\n", as they stay on the screen
    QStringList erased; ///< what stood on a line before "\r\033[K" erased it
    QString current;    ///< the line the cursor is on at the end
};
static Screen screenOf(const QByteArray &bytes)
{
    Screen screen;
    const QString text = QString::fromUtf8(bytes);
    const QString clear = u"\r\033[K"_s;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.mid(i, clear.size()) == clear) {
            if (!screen.current.isEmpty())
                screen.erased << std::exchange(screen.current, QString());
            i += clear.size() - 1;
        } else if (text[i] == u'\n') {
            screen.lines << std::exchange(screen.current, QString());
        } else {
            screen.current += text[i];
        }
    }
    return screen;
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
        writeFile(dir_.filePath(u"long.txt"_s),
                  u"とうきょうと ちよだく まるのうち\na2\na3\n"_s.toUtf8());
        writeFile(dir_.filePath(u"r.mac"_s), "UP\nSLEEP 1,5\nDOWN\n");
        writeFile(dir_.filePath(u"s.mac"_s), "UP\r\nSLEEP 100\r\nREPEAT\r\n");
        writeFile(dir_.filePath(u"v.mac"_s), "MOJI\r\nSTRING がｶﾞA\r\n&ENTER\r\n");
        writeFile(dir_.filePath(u"up.mac"_s), "UP\r\nREPEAT\r\n");
        writeFile(dir_.filePath(u"p.mac"_s), "UP\r\nSLEEP 0.5\r\nDOWN\r\nREPEAT\r\n");
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
        QTest::newRow("type counts every skipped character")
            << u"type --fast --port=PTY アアアA"_s << 0 << QString()
            << u"tapwright-cli: warning: skipped 3 characters the device cannot enter: ア\n"_s
            << framesOf({{1, 1, 6}}) << QByteArray();
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
    /// Runs the tool; once the output shows `interruptAt`, it gets a SIGINT.
    void commands()
    {
        QFETCH(QString, args);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QByteArray, wire);
        QFETCH(QByteArray, interruptAt);
        Tool tool;
        tool.start(dir_.path(), args);
        QVERIFY2(tool.process.waitForStarted(5000), qPrintable(tool.process.errorString()));
        if (!interruptAt.isEmpty()) {
            QVERIFY2(tool.printed(interruptAt), qPrintable(tool.what()));
            tool.signal(SIGINT);
        }
        QVERIFY2(tool.finish(), qPrintable(u"still running; it printed: "_s + tool.what()));
        QCOMPARE(QString::fromUtf8(tool.errors()), err);
        QCOMPARE(tool.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.process.exitCode(), exitCode);
        QCOMPARE(QString::fromUtf8(tool.out + tool.process.readAllStandardOutput()), out);
        tool.sent += tool.device.readAvailable();
        QCOMPARE(tool.sent.size(), wire.size()); // the count first: a short tail shows plainly
        QVERIFY(tool.sent == wire);
    }

    void stopSignals_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QByteArray>("input"); ///< stdin, a file
        QTest::newRow("SIGTERM") << int(SIGTERM) << QByteArray();
        QTest::newRow("SIGHUP, a closed terminal") << int(SIGHUP) << QByteArray();
        // Off a terminal, no key pauses.
        QTest::newRow("SIGTERM, p on a stdin file") << int(SIGTERM) << QByteArray("p p\n");
    }
    /// Both end a run as the first Ctrl-C does.
    void stopSignals()
    {
        QFETCH(int, number);
        QFETCH(QByteArray, input);
        Tool tool;
        if (!input.isEmpty())
            tool.process.setStandardInputFile(writeFile(dir_.filePath(u"keys.txt"_s), input));
        tool.start(dir_.path(), u"run --port PTY --counter 5 s.mac"_s);
        QVERIFY2(tool.printed("2 SLEEP\n"), qPrintable(tool.what()));
        tool.signal(number);
        QVERIFY2(tool.finish(), qPrintable(tool.what()));
        QCOMPARE(QString::fromUtf8(tool.errors()),
                 u"tapwright-cli: stopping; the frames on the line still go out (press Ctrl-C "
                 "again to drop the rest)\n"_s);
        QCOMPARE(tool.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.process.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(tool.out + tool.process.readAllStandardOutput()),
                 u"1 UP\n2 SLEEP\nstopped; pass counter 5\n"_s);
        QVERIFY(tool.sent + tool.device.readAvailable() == framesOf({{3, 1, 1}}));
    }

    void closedStdout_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<bool>("terminal"); ///< a terminal that hangs up, not a pipe
        // Lines come faster than anyone reads: a write finds the pipe closed.
        QTest::newRow("while it prints") << u"run --fast --port PTY up.mac"_s << false;
        // Nothing is printed for 100 s: the tool must notice by itself.
        QTest::newRow("in a long wait") << u"run --port PTY s.mac"_s << false;
        QTest::newRow("a terminal hangs up") << u"run --fast --port PTY up.mac"_s << true;
    }
    /// stdout is a pipe whose reader goes away, as with `| head -n 2`, or a
    /// terminal that hangs up.
    void closedStdout()
    {
        QFETCH(QString, args);
        QFETCH(bool, terminal);
        const QString fifo = dir_.filePath(u"out.fifo"_s);
        PtyPair outTerminal;
        int reader = outTerminal.masterFd();
        if (!terminal) {
            QFile::remove(fifo);
            QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
            // Opened before the tool, so that its open for writing finds a reader.
            reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            QVERIFY(reader >= 0);
        }
        Tool tool;
        tool.process.setStandardOutputFile(terminal ? outTerminal.path() : fifo);
        tool.start(dir_.path(), args);
        QByteArray head;
        QVERIFY2(tool.waitFor([&] {
            char buffer[256];
            const ssize_t n = ::read(reader, buffer, sizeof buffer);
            head += QByteArray(buffer, std::max<ssize_t>(n, 0));
            return head.count('\n') >= 2;
        }),
                 qPrintable(QString::fromUtf8(head)));
        if (terminal)
            outTerminal.hangUp();
        else
            ::close(reader);
        QVERIFY2(tool.finish(), qPrintable(tool.what()));
        QVERIFY(head.startsWith("1 UP\n2 "));
        const QString err = QString::fromUtf8(tool.errors());
        QVERIFY2(err.startsWith(u"tapwright-cli: the standard output is closed; what it would "
                                "show goes to stderr\ntapwright-cli: stopping;"_s),
                 qPrintable(err));
        QVERIFY2(QRegularExpression(u"\nstopped; pass counter \\d+\n$"_s).match(err).hasMatch(),
                 qPrintable(err));
        QCOMPARE(tool.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.process.exitCode(), 0);
        tool.sent += tool.device.readAvailable();
        QVERIFY2(onlyFramesOf(tool.sent, {3, 1, 1}), tool.sent.toHex(' ').constData());
    }

    void pause_data()
    {
        QTest::addColumn<QByteArray>("pause"); ///< a key, or empty for Ctrl-Z
        QTest::addColumn<bool>("suspend");     ///< Ctrl-Z and fg while paused by the key
        QTest::addColumn<QByteArray>("resume");
        QTest::newRow("p, p") << QByteArray("p") << false << QByteArray("p");
        QTest::newRow("space, p") << QByteArray(" ") << false << QByteArray("p");
        QTest::newRow("Ctrl-Z, fg") << QByteArray() << false << QByteArray();
        // fg must not end a pause that Ctrl-Z did not make.
        QTest::newRow("p, Ctrl-Z, fg, p") << QByteArray("p") << true << QByteArray("p");
    }
    /// A terminal as stdin, in line mode with echo as a shell leaves it.
    void pause()
    {
        QFETCH(QByteArray, pause);
        QFETCH(bool, suspend);
        QFETCH(QByteArray, resume);
        PtyPair keys;
        termios settings{};
        QCOMPARE(::tcgetattr(keys.masterFd(), &settings), 0);
        settings.c_lflag |= ICANON | ECHO | ISIG;
        QCOMPARE(::tcsetattr(keys.masterFd(), TCSANOW, &settings), 0);
        Tool tool;
        tool.process.setStandardInputFile(keys.path());
        tool.start(dir_.path(), u"run --port PTY p.mac"_s);
        QVERIFY2(tool.printed("1 UP\n"), qPrintable(tool.what()));
        QVERIFY(!lineMode(keys.masterFd()));

        const QByteArray paused = "paused (press p or space to go on)\n";
        if (pause.isEmpty()) {
            tool.signal(SIGTSTP);
            QVERIFY2(tool.printed(paused), qPrintable(tool.what()));
            QTRY_COMPARE_WITH_TIMEOUT(tool.state(), 'T', 10000);
            // The shell gets its terminal back as it was.
            QVERIFY(lineMode(keys.masterFd()));
            tool.signal(SIGCONT);
        } else {
            // Neither Enter nor echo: the key alone pauses, and is not shown.
            QCOMPARE(::write(keys.masterFd(), pause.constData(), 1), 1);
            QVERIFY2(tool.printed(paused), qPrintable(tool.what()));
            QCOMPARE(keys.readAvailable(), QByteArray());
            QVERIFY2(staysPaused(tool, paused), qPrintable(tool.what()));
            if (suspend) {
                tool.signal(SIGTSTP);
                QTRY_COMPARE_WITH_TIMEOUT(tool.state(), 'T', 10000);
                QVERIFY(lineMode(keys.masterFd()));
                tool.signal(SIGCONT);
                QTRY_VERIFY_WITH_TIMEOUT(!lineMode(keys.masterFd()), 10000);
                QVERIFY2(staysPaused(tool, paused), qPrintable(tool.what()));
            }
            QCOMPARE(::write(keys.masterFd(), resume.constData(), 1), 1);
        }
        QVERIFY2(tool.printed(paused + "resumed\n"), qPrintable(tool.what()));
        QVERIFY(!lineMode(keys.masterFd()));
        const qsizetype before = tool.sent.size();
        QVERIFY2(tool.waitFor([&] { return tool.sent.size() > before; }), qPrintable(tool.what()));

        tool.signal(SIGINT);
        QVERIFY2(tool.finish(), qPrintable(tool.what()));
        QCOMPARE(tool.process.exitCode(), 0);
        QVERIFY2(QRegularExpression(u"\nstopped; pass counter \\d+\n$"_s)
                     .match(QString::fromUtf8(tool.out))
                     .hasMatch(),
                 qPrintable(tool.what()));
        QVERIFY(lineMode(keys.masterFd()));
        tool.sent += tool.device.readAvailable();
        QCOMPARE(tool.sent.size() % 8, 0);
    }

    void statusLine_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("columns"); ///< 0: the pty's size left unset
        QTest::addColumn<bool>("cut");    ///< the address does not fit
        QTest::newRow("an unsized terminal, 80 columns") << u"PTY"_s << 0 << false;
        QTest::newRow("50 columns cut the address") << u"PTY"_s << 50 << true;
        // Its device: lines come between the steps at any moment.
        QTest::newRow("the virtual terminal's lines") << u"virtual"_s << 0 << false;
    }
    /// stdout a terminal: the lines a run prints stay as they are off one,
    /// and one status line below them is redrawn in place, then cleared.
    void statusLine()
    {
        QFETCH(QString, port);
        QFETCH(int, columns);
        QFETCH(bool, cut);
        PtyPair screen;
        if (columns > 0) {
            winsize size{};
            size.ws_col = ushort(columns);
            size.ws_row = 24;
            QCOMPARE(::ioctl(screen.masterFd(), TIOCSWINSZ, &size), 0);
        }
        Tool tool;
        tool.process.setStandardOutputFile(screen.path());
        tool.start(dir_.path(), u"run --port %1 --addr long.txt a.mac"_s.arg(port));
        QByteArray shown;
        QVERIFY2(tool.waitFor(
                     [&] {
                         // Read as it comes: a full terminal would hold the tool up.
                         shown += screen.readNow();
                         return tool.process.state() == QProcess::NotRunning;
                     },
                     30000),
                 qPrintable(QString::fromUtf8(shown) + tool.what()));
        shown += screen.readAvailable();
        QCOMPARE(tool.process.exitCode(), 0);
        QCOMPARE(tool.errors(), QByteArray());

        const QString end = u"end of the address file: the list is done; pass counter 3"_s;
        QVERIFY2(shown.endsWith("\r\033[K" + end.toUtf8() + "\n"), shown.right(200).constData());
        const Screen seen = screenOf(shown);
        QCOMPARE(seen.current, QString());
        QStringList steps;
        for (const QString &line : seen.lines) {
            if (!line.startsWith(u"device: "_s))
                steps << line;
        }
        const QString address = u"とうきょうと ちよだく まるのうち"_s;
        QCOMPARE(steps.join(u'\n'),
                 u"1 GETSTR\n2 SENDSTR\naddress: "_s + address +
                     u"\n3 ENTER\n4 REPEAT\ncounter 1\n5 GETSTR\n6 SENDSTR\naddress: a2\n"
                     "7 ENTER\n8 REPEAT\ncounter 2\n9 GETSTR\n10 SENDSTR\naddress: a3\n11 ENTER\n"
                     "12 REPEAT\ncounter 3\n13 GETSTR\n"_s +
                     end);
        if (port == u"virtual"_s)
            QVERIFY2(seen.lines.size() > steps.size(), qPrintable(seen.lines.join(u'\n')));

        // The first pass types the long address for seconds: redrawn many times.
        const QRegularExpression firstPass(
            u"^pass 1 of 3 · \\d+\\.\\d s · about [^·]+ to go · (.+)$"_s);
        int passOne = 0;
        for (const QString &status : seen.erased) {
            QVERIFY2(columnsOf(status) < (columns > 0 ? columns : 80), qPrintable(status));
            QVERIFY2(status.startsWith(u"pass "_s), qPrintable(status));
            const QRegularExpressionMatch match = firstPass.match(status);
            if (!match.hasMatch())
                continue;
            ++passOne;
            const QString typed = match.captured(1);
            if (!cut) {
                QCOMPARE(typed, address);
                continue;
            }
            // Cut where the next character would no longer fit.
            QVERIFY2(typed.endsWith(u'…'), qPrintable(status));
            const QString kept = typed.chopped(1);
            QVERIFY2(!kept.isEmpty() && address.startsWith(kept), qPrintable(status));
            QVERIFY2(columnsOf(status) + columnsOf(address.mid(kept.size(), 1)) >= columns,
                     qPrintable(status));
        }
        QVERIFY2(passOne > 0, qPrintable(seen.erased.join(u'\n')));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
