#include "link/seriallink.h"
#include "ptypair.h"
#include "testutil.h"

#include <algorithm>
#include <array>
#include <csignal>
#include <sys/ioctl.h>
#include <sys/stat.h>

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
    // A stopped tool would not die of SIGKILL before SIGCONT.
    ~Tool() { signal(SIGCONT), process.kill(), process.waitForFinished(5000); }
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
        const QByteArray line = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
        return (line.mid(line.lastIndexOf(')') + 2, 1) + '?').front();
    }
    /// All stderr so far.
    QByteArray errors() { return err += process.readAllStandardError(); }
    QString what() { return QString::fromUtf8(out + errors()); }
};

// What the tool has printed, for a failure message.
#define WHAT qPrintable(tool.what())

/// Whether the terminal reads lines with echo, as a shell leaves it.
static bool lineMode(int fd)
{
    termios settings{};
    return ::tcgetattr(fd, &settings) == 0 && (settings.c_lflag & ICANON) &&
           (settings.c_lflag & ECHO);
}

/// Sets the terminal to line mode with echo and signal keys, as a shell
/// leaves it.
static bool asAShellLeavesIt(const PtyPair &keys)
{
    termios settings{};
    if (::tcgetattr(keys.masterFd(), &settings) != 0)
        return false;
    settings.c_lflag |= ICANON | ECHO | ISIG;
    return ::tcsetattr(keys.masterFd(), TCSANOW, &settings) == 0;
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
    const QStringList pieces = QString::fromUtf8(bytes).split(u"\r\033[K"_s);
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0 && !screen.current.isEmpty())
            screen.erased << std::exchange(screen.current, QString());
        QStringList parts = (screen.current + pieces[i]).split(u'\n');
        screen.current = parts.takeLast();
        screen.lines << parts;
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
        journalsIn(dir_.path());
        writeFile(dir_.filePath(u"a.mac"_s), "GETSTR\r\nSENDSTR\r\nENTER\r\nREPEAT\r\n");
        writeFile(dir_.filePath(u"a.txt"_s), "a1\na2\na3\n");
        writeFile(dir_.filePath(u"esc.txt"_s), "a\x1b]0;x\x07\n");
        writeFile(dir_.filePath(u"nine.txt"_s), "b1\nb2\nb3\nb4\nb5\nb6\nb7\nb8\nb9\n");
        writeFile(dir_.filePath(u"keys.txt"_s), "p p\n");
        QCOMPARE(::mkfifo(QFile::encodeName(dir_.filePath(u"port.fifo"_s)).constData(), 0600), 0);
        writeFile(dir_.filePath(u"long.txt"_s),
                  u"とうきょうと ちよだく まるのうち\na2\na3\n"_s.toUtf8());
        writeFile(dir_.filePath(u"r.mac"_s), "UP\nSLEEP 1,5\nDOWN\n");
        writeFile(dir_.filePath(u"s.mac"_s), "UP\r\nSLEEP 100\r\nREPEAT\r\n");
        writeFile(dir_.filePath(u"v.mac"_s), "MOJI\r\nSTRING がｶﾞA\r\n&ENTER\r\n");
        writeFile(dir_.filePath(u"up.mac"_s), "UP\r\nREPEAT\r\n");
        writeFile(dir_.filePath(u"p.mac"_s), "UP\r\nSLEEP 0.5\r\nDOWN\r\nREPEAT\r\n");
        writeFile(dir_.filePath(u"z.mac"_s), "UP\r\nSLEEP 4\r\nDOWN\r\n");
        writeFile(dir_.filePath(u"t.mac"_s), "UP\r\nSTRING " + QByteArray(200, 'a') + "\r\n");
        // Far more than a pty holds: most of it is still queued when the macro ends.
        writeFile(dir_.filePath(u"long.mac"_s), "UP\r\nSTRING " + QByteArray(2000, 'a') + "\r\n");
    }

    void commands_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<int>("signal"); ///< sent once the output shows "2 SLEEP"
        const QHash<QString, int> signalOf{
            {u"INT"_s, SIGINT}, {u"TERM"_s, SIGTERM}, {u"HUP"_s, SIGHUP}};
        for (auto &[name, f] : dataRecords(u"cli-runs.txt"_s)) {
            QTest::newRow(qPrintable(name))
                << f[u"args"_s] << f[u"exit"_s].toInt()
                << f[u"out"_s].replace(u"NOSUCHFILE"_s, noSuchFileReason()) << f[u"err"_s]
                << framesOf(codesOf(f[u"wire"_s])) << signalOf.value(f[u"signal"_s]);
        }
        // More than a pty holds: 3,000 frames are 24,000 bytes, and most of
        // them are still queued when the text has been handed over.
        Codes typed{{1, 2, 1},  {1, 10, 4}, {1, 2, 2},  {1, 10, 4}, {1, 9, 14}, {2, 2, 1},
                    {2, 10, 4}, {2, 6, 1},  {2, 10, 5}, {1, 9, 14}, {1, 1, 6}};
        typed.resize(typed.size() + 3000, {1, 4, 7});
        QTest::newRow("type, more than the pty holds")
            << u"type --fast --port=PTY ｶﾞｷﾞ_がぱ_アアA𠀋"_s + QString(3000, u'b') << 0 << QString()
            << u"tapwright-cli: warning: skipped 3 characters the device cannot enter: ア 𠀋\n"_s
            << framesOf(typed) << 0;
        for (const QString &line : dataText(u"cli-errors.txt"_s).split(u'\n')) {
            const QStringList fields = line.split(u" @@ "_s);
            if (fields.size() != 3 || fields[0].startsWith(u'#'))
                continue; // a comment or a blank line
            const QString message = u"tapwright-cli: "_s + fields[2].trimmed() + u'\n';
            QTest::newRow(qPrintable(fields[1]))
                << fields[1] << fields[0].toInt() << QString()
                << (fields[0] == u"2"_s ? message + u"Try 'tapwright-cli --help'.\n"_s : message)
                << QByteArray() << 0;
        }
    }
    /// Runs the tool; once the output shows "2 SLEEP", it gets `signal`.
    void commands()
    {
        QFETCH(QString, args);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QByteArray, wire);
        QFETCH(int, signal);
        Tool tool;
        SerialLink holder;
        if (args.contains(u"HELD"_s)) {
            holder.setCommPort(tool.device.path());
            QVERIFY(holder.OpenPort());
            args.replace(u"HELD"_s, u"PTY"_s);
        }
        tool.process.setStandardInputFile(dir_.filePath(u"keys.txt"_s));
        tool.start(dir_.path(), args);
        QVERIFY2(tool.process.waitForStarted(5000), qPrintable(tool.process.errorString()));
        if (signal != 0) {
            QVERIFY2(tool.printed("2 SLEEP\n"), WHAT);
            tool.signal(signal);
        }
        QVERIFY2(tool.finish(), qPrintable(u"still running; it printed: "_s + tool.what()));
        QCOMPARE(QString::fromUtf8(tool.errors()), err.replace(u"PTY"_s, tool.device.path()));
        QCOMPARE(tool.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.process.exitCode(), exitCode);
        QCOMPARE(QString::fromUtf8(tool.out + tool.process.readAllStandardOutput()), out);
        tool.sent += tool.device.readAvailable();
        QCOMPARE(tool.sent.size(), wire.size()); // the count first: a short tail shows plainly
        QVERIFY(tool.sent == wire);
    }

    void keyAndTypeDropOnlyWholeFrames_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("signal"); ///< 0: the pty is not read until the tool gives up
        QTest::addColumn<QByteArray>("frame");
        const QByteArray b = framesOf({{1, 4, 7}}), up = framesOf({{3, 1, 1}});
        QTest::newRow("type, a pty that stops taking bytes")
            << u"type --fast --port=PTY "_s + QString(20000, u'b') << 0 << b;
        QTest::newRow("type, SIGINT") << u"type --port=PTY "_s + QString(100, u'b') << SIGINT << b;
        QTest::newRow("key, SIGTERM")
            << u"key --port=PTY"_s + u" UP"_s.repeated(100) << SIGTERM << up;
    }
    /// Whatever ends them, key and type send only whole frames, and a signal
    /// hears how many.
    void keyAndTypeDropOnlyWholeFrames()
    {
        QFETCH(QString, args);
        QFETCH(int, signal);
        QFETCH(QByteArray, frame);
        Tool tool;
        tool.start(dir_.path(), args);
        QVERIFY2(tool.process.waitForStarted(5000), qPrintable(tool.process.errorString()));
        if (signal == 0) {
            QTRY_VERIFY_WITH_TIMEOUT(tool.errors().contains("stopped sending"), 30000);
        } else {
            QVERIFY2(tool.waitFor([&] { return tool.sent.size() > 3 * 8; }), WHAT);
            tool.signal(signal);
        }
        QVERIFY2(tool.finish(), WHAT);
        QCOMPARE(tool.process.exitCode(), 1);
        tool.sent += tool.device.readAvailable();
        const qsizetype frames = tool.sent.size() / 8;
        QCOMPARE(tool.sent.size() % 8, 0);
        QCOMPARE(tool.sent, frame.repeated(frames));
        if (signal != 0)
            QVERIFY2(
                tool.errors().endsWith(
                    u"stopped: sent %1 of 100 frames (one a key or a character)\n"_s.arg(frames)
                        .toUtf8()),
                WHAT);
    }

    /// A run killed in its 7th pass goes on from its journal: the device gets
    /// every entry once but for the pass that was cut.
    void killedAndResumed()
    {
        QByteArray letters, stream; // the list, and what all of it types
        for (char c = 'a'; c < 'a' + 20; ++c)
            letters += c + "\n"_ba,
                stream += framesOf({{1, 4 + (c - 'a') / 10, 6 + (c - 'a') % 10}, {3, 6, 2}});
        writeFile(dir_.filePath(u"k.txt"_s), letters);
        const QByteArray entry = "GETSTR\r\nSENDSTR\r\nENTER\r\n";
        writeFile(dir_.filePath(u"k.mac"_s), entry + entry + "REPEAT\r\n");
        Tool killed, resumed, journal;
        killed.start(dir_.path(), u"run --port PTY --addr k.txt k.mac"_s);
        QVERIFY(killed.waitFor([&] { return killed.sent.size() >= 25 * 8; }));
        killed.signal(SIGKILL);
        killed.finish();
        killed.sent += killed.device.read(64, 500);
        journal.start(dir_.path(), u"journal"_s);
        QVERIFY(journal.finish());
        QVERIFY2(journal.out.contains("passes delivered: 6 (pass counter 0 to 6)\n  next address "
                                      "line: 13 (m)\n"),
                 qPrintable(journal.what()));
        resumed.start(dir_.path(), u"run --port PTY --addr k.txt --resume k.mac"_s);
        QVERIFY(resumed.finish());
        QCOMPARE(resumed.errors(), "tapwright-cli: resuming from the journal: passes delivered 6, "
                                   "pass counter 6, next address line 13 (m)\n");
        resumed.sent += resumed.device.readAvailable();
        QVERIFY(stream.startsWith(killed.sent) && stream.endsWith(resumed.sent));
        QCOMPARE(stream.size() - resumed.sent.size(), 6 * 32); // from the 7th pass on
    }

    void closedStdout_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<bool>("terminal"); ///< a terminal that hangs up, not a pipe
        QTest::addColumn<Codes>("typed");   ///< each frame after the first UP
        const Codes up{{3, 1, 1}};
        // Lines come faster than anyone reads: a write finds the pipe closed.
        QTest::newRow("while it prints") << u"run --fast --port PTY up.mac"_s << false << up;
        // Nothing is printed for 100 s, or while text is typed: it must notice.
        QTest::newRow("in a long wait") << u"run --port PTY s.mac"_s << false << up;
        QTest::newRow("while it types") << u"run --port PTY t.mac"_s << false << Codes{{1, 4, 6}};
        QTest::newRow("a terminal hangs up") << u"run --fast --port PTY up.mac"_s << true << up;
    }
    /// stdout is a pipe whose reader goes away, as with `| head -n 2`, or a
    /// terminal that hangs up.
    void closedStdout()
    {
        QFETCH(QString, args);
        QFETCH(bool, terminal);
        QFETCH(Codes, typed);
        const QByteArray fifo = QFile::encodeName(dir_.filePath(u"out.fifo"_s));
        PtyPair outTerminal;
        int reader = outTerminal.masterFd();
        if (!terminal) {
            QFile::remove(QFile::decodeName(fifo));
            QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
            // Opened before the tool, so that its open for writing finds a reader.
            QVERIFY((reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) >= 0);
        }
        Tool tool;
        tool.process.setStandardOutputFile(terminal ? outTerminal.path() : QFile::decodeName(fifo));
        tool.start(dir_.path(), args);
        QByteArray head;
        QVERIFY2(tool.waitFor([&] {
            char buffer[256];
            head += QByteArray(buffer, std::max<ssize_t>(::read(reader, buffer, sizeof buffer), 0));
            return head.count('\n') >= 2;
        }),
                 head.constData());
        const qsizetype atClose = (tool.sent += tool.device.readNow()).size();
        terminal ? outTerminal.hangUp() : void(::close(reader));
        QVERIFY2(tool.finish(), WHAT);
        QVERIFY(head.startsWith("1 UP\n"));
        const QString err = QString::fromUtf8(tool.errors());
        QVERIFY2(err.startsWith(u"tapwright-cli: the standard output is closed; what it would "
                                "show goes to stderr\ntapwright-cli: stopping;"_s) &&
                     err.contains(QRegularExpression(u"\nstopped; pass counter \\d+\n$"_s)),
                 qPrintable(err));
        QCOMPARE(tool.process.exitCode(), 0);
        tool.sent += tool.device.readAvailable();
        QVERIFY(!tool.sent.isEmpty() &&
                tool.sent == framesOf(Codes{{3, 1, 1}}) +
                                 framesOf(Codes(tool.sent.size() / 8 - 1, typed.front())));
        // On a paced line the stop is noticed at once: only the two frames
        // already on their way may follow.
        QVERIFY(args.contains(u"--fast"_s) || tool.sent.size() - atClose <= 16);
    }

private:
    /// Starts `args` with `keys` as stdin, a terminal as a shell leaves it, and
    /// waits until the output shows `shown`.
    bool startOnATerminal(Tool &tool, PtyPair &keys, const QString &args, const char *shown)
    {
        if (!asAShellLeavesIt(keys))
            return false;
        tool.process.setStandardInputFile(keys.path());
        tool.start(dir_.path(), args);
        return tool.printed(shown);
    }

private Q_SLOTS:
    /// A terminal as stdin, in line mode with echo as a shell leaves it.
    void pause()
    {
        PtyPair keys;
        Tool tool;
        QVERIFY2(startOnATerminal(tool, keys, u"run --port PTY p.mac"_s, "1 UP\n"), WHAT);
        QVERIFY(!lineMode(keys.masterFd()));

        const QByteArray paused = "paused (press p or space to go on)\n", resumed = "resumed\n";
        // Ctrl-Z: the shell gets its terminal back as it was; then fg.
        const auto suspendAndGoOn = [&] {
            tool.signal(SIGTSTP);
            QTRY_COMPARE_WITH_TIMEOUT(tool.state(), 'T', 10000);
            QVERIFY(lineMode(keys.masterFd()));
            tool.signal(SIGCONT);
            QTRY_VERIFY_WITH_TIMEOUT(!lineMode(keys.masterFd()), 10000);
        };
        // Ctrl-Z pauses the run, and fg goes on.
        suspendAndGoOn();
        QVERIFY2(tool.printed(paused + resumed), WHAT);
        // Neither Enter nor echo: the key alone pauses, and is not shown. fg must
        // not end a pause that Ctrl-Z did not make.
        QCOMPARE(::write(keys.masterFd(), " ", 1), 1);
        QVERIFY2(tool.printed(resumed + paused), WHAT);
        QCOMPARE(keys.readAvailable(), QByteArray());
        QVERIFY2(staysPaused(tool, paused), WHAT);
        suspendAndGoOn();
        QVERIFY2(staysPaused(tool, paused), WHAT);
        QCOMPARE(::write(keys.masterFd(), "p", 1), 1);
        QVERIFY2(tool.printed(paused + resumed + paused + resumed), WHAT);
        const qsizetype before = tool.sent.size();
        QVERIFY2(tool.waitFor([&] { return tool.sent.size() > before; }), WHAT);

        // The terminal is given back as it was at the end too.
        tool.signal(SIGINT);
        QVERIFY2(tool.finish(), WHAT);
        QVERIFY(lineMode(keys.masterFd()));
        tool.sent += tool.device.readAvailable();
        QCOMPARE(tool.sent.size() % 8, 0);
    }

    /// On a terminal a pulled cable is waited out, and r goes on once it is back.
    void aPulledCableOnATerminal()
    {
        PtyPair keys, back;
        Tool tool;
        const QString name = dir_.filePath(u"by-id"_s);
        QVERIFY(QFile::link(tool.device.path(), name));
        tool.process.setStandardInputFile(keys.path());
        tool.start(dir_.path(), u"run --port ./by-id p.mac"_s);
        QVERIFY2(tool.printed("3 DOWN\n"), WHAT);
        QFile::remove(name);
        tool.device.hangUp();
        QTRY_VERIFY2_WITH_TIMEOUT(tool.errors().contains(" is gone; waiting for it"), WHAT, 10000);
        QVERIFY(QFile::link(back.path(), name));
        QTRY_VERIFY2_WITH_TIMEOUT(tool.errors().endsWith(", then press r to go on\n"), WHAT, 10000);
        QCOMPARE(::write(keys.masterFd(), "r", 1), 1);
        QVERIFY2(tool.printed("resumed\n"), WHAT);
        QCOMPARE(back.read(8), framesOf({{3, 1, 1}})); // the pass again from its UP
        tool.signal(SIGINT);
        QVERIFY2(tool.finish(), WHAT);
        QCOMPARE(tool.process.exitCode(), 0);
        QFile::remove(name);
    }

    /// SLEEP 4, stopped with Ctrl-Z as it starts, for longer than the whole
    /// wait: after fg, the rest of the wait is still waited.
    void ctrlZKeepsTheRestOfAWait()
    {
        PtyPair keys;
        Tool tool;
        QVERIFY2(startOnATerminal(tool, keys, u"run --port PTY z.mac"_s, "2 SLEEP\n"), WHAT);
        tool.signal(SIGTSTP);
        QTRY_COMPARE_WITH_TIMEOUT(tool.state(), 'T', 10000);
        QTest::qWait(4500);
        tool.sent += tool.device.readAvailable();
        tool.signal(SIGCONT);
        // Time stopped counted as waited would send DOWN at once.
        QCOMPARE(tool.device.read(8, 1500), QByteArray());
        QVERIFY2(tool.finish(), WHAT);
        QCOMPARE(tool.sent + tool.device.readAvailable(), framesOf({{3, 1, 1}, {3, 1, 2}}));
    }

    void severalPorts_data()
    {
        QTest::addColumn<QString>("ports"); ///< P0, P1, P2 are ptys
        QTest::addColumn<QString>("addr");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("total");
        QTest::newRow("each, two ports")
            << u"--port P0 --port P1"_s << u"a.txt"_s << 0 << u"2 ports: 2 ended well"_s;
        QTest::newRow("each, the second of three cannot open")
            << u"--port P0 --port /dev/tapwright-missing --port P2"_s << u"a.txt"_s << 1
            << u"3 ports: 2 ended well, 1 failed"_s;
        QTest::newRow("split over three") << u"--split --port P0 --port P1 --port P2"_s
                                          << u"nine.txt"_s << 0 << u"3 ports: 3 ended well"_s;
    }
    /// A run over several ptys against a run on one port, the truth:
    /// each port gets what the one got and prints its lines under its name;
    /// split, the ports together get it, each entry once.
    void severalPorts()
    {
        QFETCH(QString, ports);
        QFETCH(QString, addr);
        QFETCH(int, exitCode);
        QFETCH(QString, total);
        // Unpaced: the lists are far less than a pty holds.
        const QString rest = u" --fast --addr "_s + addr + u" a.mac"_s;
        Tool one;
        one.start(dir_.path(), u"run --port PTY"_s + rest);
        QVERIFY2(one.finish() && one.process.exitCode() == 0, qPrintable(one.what()));
        const QByteArray wire = one.sent + one.device.readAvailable();
        const QStringList lines = QString::fromUtf8(one.out).split(u'\n', Qt::SkipEmptyParts);

        std::array<PtyPair, 3> ptys;
        QStringList args = (u"run "_s + ports + rest).split(u' ');
        for (int i = 0; i < 3; ++i)
            args.replaceInStrings(u"P%1"_s.arg(i), ptys[i].path());
        QProcess tool;
        tool.setWorkingDirectory(dir_.path());
        tool.start(qEnvironmentVariable("TAPWRIGHT_CLI"), args);
        QVERIFY(tool.waitForFinished(30000));
        const QString err = QString::fromUtf8(tool.readAllStandardError());
        QCOMPARE(tool.exitCode(), exitCode);
        QVERIFY2(exitCode == 0 ? err.isEmpty() : err.contains(u"cannot open port"_s),
                 qPrintable(err));
        QString out = QString::fromUtf8(tool.readAllStandardOutput());
        for (int i = 0; i < 3; ++i)
            out.replace(ptys[i].path(), u"P%1"_s.arg(i));
        QStringList printed = out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(printed.takeLast(), total);

        const bool split = ports.contains(u"--split"_s);
        std::vector<QByteArray> frames, sent;
        QStringList addresses;
        for (int i = 0; i < 3; ++i) {
            const QString tag = u"[P%1] "_s.arg(i);
            if (!ports.contains(tag.mid(1, 2)))
                continue;
            QStringList mine;
            for (const QString &line : std::as_const(printed)) {
                if (line.startsWith(tag))
                    mine << line.mid(tag.size());
            }
            const QByteArray got = ptys[i].readAvailable();
            if (!split) {
                QCOMPARE(mine, lines);
                QCOMPARE(got.size(), wire.size());
                QVERIFY(got == wire);
            }
            addresses << mine.filter(QRegularExpression(u"^address: "_s));
            for (qsizetype at = 0; at < got.size(); at += 8)
                frames.push_back(got.mid(at, 8));
        }
        if (!split)
            return;
        for (qsizetype at = 0; at < wire.size(); at += 8)
            sent.push_back(wire.mid(at, 8));
        std::sort(frames.begin(), frames.end());
        std::sort(sent.begin(), sent.end());
        QVERIFY(frames == sent);
        addresses.sort();
        QStringList all = lines.filter(QRegularExpression(u"^address: "_s));
        all.sort();
        QCOMPARE(addresses, all);
    }

    /// Two ports on a terminal: a status line each, redrawn in place as one
    /// block, and gone before the lines that follow.
    void statusLines()
    {
        PtyPair screen;
        Tool tool;
        tool.process.setStandardOutputFile(screen.path());
        tool.start(dir_.path(), u"run --port virtual --port virtual --addr a.txt a.mac"_s);
        QByteArray shown;
        const auto ended = [&] {
            shown += screen.readNow();
            return tool.process.state() == QProcess::NotRunning;
        };
        QVERIFY2(tool.waitFor(ended, 30000), qPrintable(QString::fromUtf8(shown) + tool.what()));
        shown += screen.readAvailable();
        QCOMPARE(tool.process.exitCode(), 0);
        // A block: the first port's line, the second's, and what clears both.
        QString rest = QString::fromUtf8(shown);
        const qsizetype length = rest.size();
        rest.remove(QRegularExpression(u"virtual 1 · [a-z]+ · pass [1-3] of 3 · [^\r\n]*\r?\n"
                                       "virtual 2 · [a-z]+ · pass [1-3] of 3 · [^\r\n\033]*"
                                       "\r\033\\[K\033\\[A\r\033\\[K"_s));
        QVERIFY2(rest.size() < length && !rest.contains(u'·'), qPrintable(rest));
        rest.remove(u"\r\033[K"_s);
        QVERIFY2(rest.endsWith(u"\n[virtual 1] end of the address file: the list is done; "
                               "pass counter 3\n[virtual 2] end of the address file: the list is "
                               "done; pass counter 3\n2 ports: 2 ended well\n"_s),
                 qPrintable(rest));
    }

    void statusLine_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("columns"); ///< 0: the pty's size left unset
        QTest::newRow("an unsized terminal, 80 columns") << u"PTY"_s << 0;
        QTest::newRow("50 columns cut the address") << u"PTY"_s << 50;
        // Its device: lines come between the steps at any moment.
        QTest::newRow("the virtual terminal's lines") << u"virtual"_s << 0;
    }
    /// stdout a terminal: the lines a run prints stay as they are off one,
    /// and one status line below them is redrawn in place, then cleared.
    void statusLine()
    {
        QFETCH(QString, port);
        QFETCH(int, columns);
        const bool cut = columns == 50; // the address does not fit
        PtyPair screen;
        const winsize size{ushort(24), ushort(columns), 0, 0};
        QVERIFY(columns == 0 || ::ioctl(screen.masterFd(), TIOCSWINSZ, &size) == 0);
        Tool tool;
        tool.process.setStandardOutputFile(screen.path());
        tool.start(dir_.path(), u"run --port %1 --addr long.txt a.mac"_s.arg(port));
        QByteArray shown;
        // Read as it comes: a full terminal would hold the tool up.
        const auto ended = [&] {
            shown += screen.readNow();
            return tool.process.state() == QProcess::NotRunning;
        };
        QVERIFY2(tool.waitFor(ended, 30000), qPrintable(QString::fromUtf8(shown) + tool.what()));
        shown += screen.readAvailable();
        QCOMPARE(tool.process.exitCode(), 0);
        QCOMPARE(tool.errors(), QByteArray());

        const QString end = u"end of the address file: the list is done; pass counter 3"_s;
        QVERIFY2(shown.endsWith("\r\033[K" + end.toUtf8() + "\n"), shown.right(200).constData());
        const Screen seen = screenOf(shown);
        QCOMPARE(seen.current, QString());
        const QStringList steps = seen.lines.filter(QRegularExpression(u"^(?!device: )"_s));
        const QString address = u"とうきょうと ちよだく まるのうち"_s;
        QCOMPARE(steps.join(u'\n'),
                 u"1 GETSTR\n2 SENDSTR\naddress: "_s + address +
                     u"\n3 ENTER\n4 REPEAT\ncounter 1\n5 GETSTR\n6 SENDSTR\naddress: a2\n"
                     "7 ENTER\n8 REPEAT\ncounter 2\n9 GETSTR\n10 SENDSTR\naddress: a3\n11 ENTER\n"
                     "12 REPEAT\ncounter 3\n13 GETSTR\n"_s +
                     end);
        // Its device: lines come between the steps.
        QVERIFY(port != u"virtual"_s || seen.lines.size() > steps.size());

        // The first pass types the long address for seconds: redrawn many times.
        const QRegularExpression firstPass(
            u"^pass 1 of 3 · \\d+\\.\\d s · about [^·]+ to go · (.+)$"_s);
        int passOne = 0;
        for (const QString &status : seen.erased) {
            QVERIFY2(status.startsWith(u"pass "_s) && columnsOf(status) < (columns ? columns : 80),
                     qPrintable(status));
            const QString typed = firstPass.match(status).captured(1);
            if (typed.isEmpty())
                continue;
            ++passOne;
            if (!cut) {
                QCOMPARE(typed, address);
                continue;
            }
            // Cut where the next character would no longer fit.
            const QString kept = typed.chopped(1);
            QVERIFY2(typed.endsWith(u'…') && !kept.isEmpty() && address.startsWith(kept) &&
                         columnsOf(status) + columnsOf(address.mid(kept.size(), 1)) >= columns,
                     qPrintable(status));
        }
        QVERIFY2(passOne > 0, qPrintable(seen.erased.join(u'\n')));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
