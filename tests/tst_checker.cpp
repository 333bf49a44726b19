#include "cli/check.h"
#include "macro/checker.h"
#include "testutil.h"

/// A file's bytes: UTF-8 with a BOM, so that the reader's guess cannot sway
/// the tests, and CR LF line ends.
static QByteArray text(const QString &lines)
{
    QString crlf = lines;
    crlf.replace(u'\n', u"\r\n"_s);
    return "\xEF\xBB\xBF" + crlf.toUtf8();
}

class TestChecker : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;

    /// Writes m.mac and, unless `addr` is null, a.txt into the test's
    /// directory, which is the current one: the reports name them as given.
    void write(const QByteArray &macro, const QByteArray &addr)
    {
        QFile::remove(u"a.txt"_s);
        for (const auto &[name, bytes] : {std::pair{u"m.mac"_s, macro}, {u"a.txt"_s, addr}}) {
            if (bytes.isNull())
                continue;
            QFile file(name);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(file.write(bytes), bytes.size());
        }
    }

    /// The report as the command prints it, estimate included.
    static QString render(const CheckReport &report)
    {
        QString out;
        for (const CheckItem &item : report.items)
            out += describe(item) + u'\n';
        return out + describe(report.estimate) + u'\n';
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        QVERIFY(QDir::setCurrent(dir_.path()));
    }

    void reports_data()
    {
        QTest::addColumn<QByteArray>("macro");
        QTest::addColumn<QByteArray>("addr"); // null: no address file
        QTest::addColumn<int>("counter");
        QTest::addColumn<QString>("expected");
        const QString once = u"estimate: 0 frames, 0.0 s a pass; one pass; about 0.0 s in all\n"_s;
        const QString none = u"estimate: none, the files have errors\n"_s;
        const QByteArray noAddr;

        QTest::newRow("near word") << text(u"UPP"_s) << noAddr << 0
                                   << u"m.mac:1: warning: \"UPP\" is neither a command nor a key "
                                      "name; did you mean \"UP\"?\n"_s +
                                          once;
        QTest::newRow("swapped letters, lower case")
            << text(u"basewiat 1"_s) << noAddr << 0
            << u"m.mac:1: warning: \"BASEWIAT\" is neither a command nor a key name; did you mean "
               "\"BASEWAIT\"?\n"_s +
                   once;
        QTest::newRow("full-width letters") << text(u"ＵＰ"_s) << noAddr << 0
                                            << u"m.mac:1: warning: \"ＵＰ\" is neither a command "
                                               "nor a key name; did you mean \"UP\"?\n"_s +
                                                   once;
        QTest::newRow("& form keeps its &")
            << text(u"&SUNMENU"_s) << noAddr << 0
            << u"m.mac:1: warning: \"&SUNMENU\" is neither a command nor a key name; did you mean "
               "\"&SUBMENU\"?\n"_s +
                   once;
        QTest::newRow("plain form without &")
            << text(u"SUBMENU"_s) << noAddr << 0
            << u"m.mac:1: warning: \"SUBMENU\" is neither a command nor a key name; did you mean "
               "\"SUNMENU\"?\n"_s +
                   once;
        QTest::newRow("nothing near") << text(u"HELLO"_s) << noAddr << 0
                                      << u"m.mac:1: warning: \"HELLO\" is neither a command nor "
                                         "a key name; the step does nothing\n"_s +
                                             once;
        // Every one-letter word is one edit from some key: no guess at all.
        QTest::newRow("one letter") << text(u"X"_s) << noAddr << 0
                                    << u"m.mac:1: warning: \"X\" is neither a command nor a key "
                                       "name; the step does nothing\n"_s +
                                           once;
        QTest::newRow("leading space")
            << text(u" up"_s) << noAddr << 0
            << u"m.mac:1: warning: the line starts with a space, so its command word is empty; "
               "the step does nothing (without the space it would be \"UP\")\n"_s +
                   once;
        QTest::newRow("spaces only") << text(u"  "_s) << noAddr << 0
                                     << u"m.mac:1: warning: the line starts with a space, so its "
                                        "command word is empty; the step does nothing\n"_s +
                                            once;
        QTest::newRow("# and text") << text(u"# note"_s) << noAddr << 0
                                    << u"m.mac:1: warning: the line presses the # key; there are "
                                       "no comments\n"_s
                                       u"estimate: 1 frame, 0.1 s a pass; one pass; about 0.1 "
                                       "s in all\n"_s;
        QTest::newRow("# alone is a key")
            << text(u"#"_s) << noAddr << 0
            << u"estimate: 1 frame, 0.1 s a pass; one pass; about 0.1 s in all\n"_s;
        QTest::newRow("#word") << text(u"#note"_s) << noAddr << 0
                               << u"m.mac:1: warning: the line does nothing; there are no "
                                  "comments (\"#NOTE\" is neither a command nor a key name)\n"_s +
                                      once;
        QTest::newRow("missing number")
            << text(u"UP\nSLEEP"_s) << noAddr << 0
            << u"m.mac:2: error: SLEEP needs a number of seconds\n"_s + none;
        QTest::newRow("two spaces: empty number")
            << text(u"SLEEP  5"_s) << noAddr << 0
            << u"m.mac:1: error: SLEEP needs a number of seconds\n"_s + none;
        QTest::newRow("bad number") << text(u"BASEWAIT 1,5"_s) << noAddr << 0
                                    << u"m.mac:1: error: BASEWAIT needs a number of seconds, got "
                                       "\"1,5\"\n"_s +
                                           none;
        QTest::newRow("negative") << text(u"SLEEP -1"_s) << noAddr << 0
                                  << u"m.mac:1: warning: SLEEP -1: a negative wait does not "
                                     "wait\n"_s +
                                         once;
        QTest::newRow("more than a day")
            << text(u"BASEWAIT 86400.5\nUP"_s) << noAddr << 0
            << u"m.mac:1: warning: BASEWAIT 86400.5: more than a day (86,400 s)\n"
               "estimate: 1 frame, 2 d a pass; one pass; about 2 d in all\n"_s;
        QTest::newRow("a day is no slip")
            << text(u"SLEEP 86400"_s) << noAddr << 0
            << u"estimate: 0 frames, 1 d a pass; one pass; about 1 d in all\n"_s;
        QTest::newRow("katakana, voiced katakana, kanji")
            << text(u"STRING アガ山a"_s) << noAddr << 0
            << u"m.mac:1: warning: cannot enter 'ア' (U+30A2); use 'ｱ' (U+FF71)\n"
               "m.mac:1: warning: cannot enter 'ガ' (U+30AC); use 'ｶﾞ' (U+FF76 U+FF9E)\n"
               "m.mac:1: warning: cannot enter '山' (U+5C71)\n"
               "estimate: 1 frame, 0.1 s a pass; one pass; about 0.1 s in all\n"_s;
        QTest::newRow("NFKC and no half-width form")
            << text(u"STRING ①ヵ\tｶﾞ"_s) << noAddr << 0
            << u"m.mac:1: warning: cannot enter '①' (U+2460); use '1' (U+0031)\n"
               "m.mac:1: warning: cannot enter 'ヵ' (U+30F5)\n"
               "m.mac:1: warning: cannot enter U+0009\n"
               "estimate: 2 frames, 0.3 s a pass; one pass; about 0.3 s in all\n"_s;
        QTest::newRow("after REPEAT")
            << text(u"UP\nREPEAT\n\nUPP\nSLEEP"_s) << noAddr << 0
            << u"m.mac:4: warning: REPEAT on line 2 starts the pass again: this line and the ones "
               "after it are never reached\n"
               "estimate: 1 frame, 0.1 s a pass; until stopped\n"_s;
        // Without an address file GETSTR does nothing: the run goes past it.
        QTest::newRow("GETSTR, no address file")
            << text(u"GETSTR\nSENDSTR\nGETSTR\nUP"_s) << noAddr << 0
            << u"m.mac:1: warning: GETSTR reads nothing: there is no address file, so SENDSTR "
               "types nothing\n"
               "m.mac:3: warning: GETSTR reads nothing: there is no address file, so SENDSTR "
               "types nothing\n"
               "estimate: 1 frame, 0.1 s a pass (without the addresses); one pass; about 0.1 s "
               "in all\n"_s;
        QTest::newRow("no GETSTR") << text(u"UP\nREPEAT"_s) << text(u"a"_s) << 0
                                   << u"a.txt: warning: there is no GETSTR in the macro, so the "
                                      "address file is never read\n"
                                      "estimate: 1 frame, 0.1 s a pass; until stopped\n"_s;
        QTest::newRow("no REPEAT")
            << text(u"GETSTR\nSENDSTR"_s) << text(u"ab\nc\nd"_s) << 0
            << u"a.txt: warning: there is no REPEAT in the macro, so it runs once and uses only "
               "the first of the 3 address lines from the counter on\n"
               "estimate: 0 frames, 0.0 s a pass (without the addresses); one pass; about 0.3 s "
               "in all\n"_s;
        // Two GETSTRs a pass, five lines from the counter on: the third pass
        // gets one line and ends at its second GETSTR.
        QTest::newRow("list runs out part-way")
            << text(u"GETSTR\nGETSTR\nREPEAT"_s) << text(u"1\n2\n3\n4\n5\n6\n7"_s) << 2
            << u"a.txt: warning: the address list runs out part-way through a pass: the last "
               "pass gets only 1 of its 2 address lines (5 lines from the counter on)\n"
               "estimate: 0 frames, 0.0 s a pass; 2 passes from the address list; about 0.0 s in "
               "all\n"_s;
        QTest::newRow("counter at the end")
            << text(u"GETSTR\nREPEAT"_s) << text(u"1\n2"_s) << 2
            << u"a.txt: warning: no address line is left from the counter on; the run ends at "
               "the first GETSTR\n"
               "estimate: 0 frames, 0.0 s a pass; 0 passes from the address list; about 0.0 s in "
               "all\n"_s;
        QTest::newRow("counter past the end")
            << text(u"GETSTR\nREPEAT"_s) << text(u"1\n2"_s) << 3
            << u"a.txt: error: the pass counter 3 is past the end of the address file (2 lines); "
               "nothing would be typed\n"_s +
                   none;
        // Lines before the counter are never typed; those after keep their
        // own numbers.
        QTest::newRow("addresses from the counter on")
            << text(u"GETSTR\nSENDSTR\nREPEAT"_s) << text(u"ア\nb\nア"_s) << 1
            << u"a.txt:3: warning: cannot enter 'ア' (U+30A2); use 'ｱ' (U+FF71)\n"
               "estimate: 0 frames, 0.0 s a pass (without the addresses); 2 passes from the "
               "address list; about 0.1 s in all\n"_s;
        QTest::newRow("negative counter skips nothing")
            << text(u"GETSTR\nREPEAT"_s) << text(u"1"_s) << -5
            << u"estimate: 0 frames, 0.0 s a pass; 1 pass from the address list; about 0.0 s in "
               "all\n"_s;
        QTest::newRow("no macro file")
            << QByteArray() << noAddr << 0
            << u"m.mac: error: cannot open macro file: "_s + noSuchFileReason() + u"\n"_s + none;
        QTest::newRow("NUL bytes") << QByteArray("UP\0\r\n", 5) << noAddr << 0
                                   << u"m.mac: error: contains NUL bytes: not a text file (a "
                                      "UTF-16 file needs a byte order mark)\n"_s +
                                          none;
        QTest::newRow("UTF-32 address file")
            << text(u"UP"_s) << QByteArray("\xFF\xFE\0\0U\0\0\0", 8) << 0
            << u"a.txt: error: is UTF-32, which cannot be read; save it as code page 932, UTF-8 "
               "or UTF-16\n"_s +
                   none;
        QTest::newRow("line too long")
            << text(u"UP\n"_s + QString(MaxLineLength + 1, u'x')) << noAddr << 0
            << u"m.mac:2: error: line too long (more than 1048576 characters)\n"_s + none;
    }
    void reports()
    {
        QFETCH(QByteArray, macro);
        QFETCH(QByteArray, addr);
        QFETCH(int, counter);
        QFETCH(QString, expected);
        QFile::remove(u"m.mac"_s);
        write(macro, addr);
        const CheckReport report =
            checkFiles(u"m.mac"_s, addr.isNull() ? QString() : u"a.txt"_s, counter);
        QCOMPARE(render(report), expected);
        QCOMPARE(report.hasErrors(), expected.contains(u": error: "_s));
    }

    void estimate()
    {
        // One frame is 88 bits at 600 baud: f = 0.146667 s. A frame is handed
        // over once fewer than two are ahead of the line; each step then waits.
        //   BASEWAIT 0.1   0.1                               t = 0.1
        //   UP             1 frame, line busy until 0.246667 t = 0.2
        //   STRING がa     3 frames, the third handed at 0.393333, line busy
        //                  until 0.686667                    t = 0.493333
        //   GETSTR, SENDSTR, SLEEP 1: 0.1, 0.1, 1.1          t = 1.793333
        //   REPEAT         the line is long done
        // The addresses "ab", "" and "ばか" (3 frames) make SENDSTR hand its last
        // frame 0.093333, 0 and 0.24 s later: passes of 1.886667, 1.793333 and
        // 2.033333 s. A fourth pass runs up to GETSTR, which finds no line, and
        // the line carries STRING's frames, to 0.686667: 6.4 s in all.
        write(text(u"BASEWAIT 0.1\nUP\nSTRING がa\nGETSTR\nSENDSTR\nSLEEP 1\nREPEAT"_s),
              text(u"ab\n\nばか"_s));
        const CheckReport report = checkFiles(u"m.mac"_s, u"a.txt"_s, 0);
        QVERIFY(report.items.isEmpty());
        const Estimate &e = report.estimate;
        QCOMPARE(e.passes, Estimate::FromAddresses);
        QCOMPARE(e.framesPerPass, 4);
        QVERIFY(e.typesAddresses);
        QCOMPARE(e.passCount, 3);
        QVERIFY2(qAbs(e.secondsPerPass - 1.793333) < 1e-5,
                 qPrintable(QString::number(e.secondsPerPass)));
        QVERIFY2(qAbs(e.totalSeconds - 6.4) < 1e-5, qPrintable(QString::number(e.totalSeconds)));
        QCOMPARE(describe(e), u"estimate: 4 frames, 1.8 s a pass (without the addresses); 3 "
                              "passes from the address list; about 6.4 s in all"_s);
    }

    void estimateWording_data()
    {
        QTest::addColumn<QString>("macro");
        QTest::addColumn<int>("counter");
        QTest::addColumn<QString>("expected");
        // 3,000 lines of "abcd": each pass is 3 × 0.6 s of waits, and SENDSTR
        // hands its fourth frame 2f = 0.293333 s after its first: 6,280 s; the
        // pass that finds no line adds BASEWAIT's 0.6 s.
        const QString list = u"BASEWAIT 0.6\nGETSTR\nSENDSTR\nREPEAT"_s;
        QTest::newRow("hours") << list << 0
                               << u"estimate: 0 frames, 1.8 s a pass (without the addresses); "
                                  "3,000 passes from the address list; about 1 h 45 min in all"_s;
        QTest::newRow("from the counter on")
            << list << 1000
            << u"estimate: 0 frames, 1.8 s a pass (without the addresses); 2,000 passes from the "
               "address list; about 1 h 10 min in all"_s;
        // The first pass waits 0 after UP; the passes after it wait 2.
        QTest::newRow("base wait carried into the next pass")
            << u"UP\nBASEWAIT 2\nREPEAT"_s << 0
            << u"estimate: 1 frame, 4.0 s a pass; until stopped"_s;
    }
    void estimateWording()
    {
        QFETCH(QString, macro);
        QFETCH(int, counter);
        QFETCH(QString, expected);
        write(text(macro), text(QString(u"abcd\n"_s).repeated(2999) + u"abcd"_s));
        QCOMPARE(describe(checkFiles(u"m.mac"_s, u"a.txt"_s, counter).estimate), expected);
    }

    void durations_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("0") << 0.0 << u"0.0 s"_s;
        QTest::newRow("59.94") << 59.94 << u"59.9 s"_s;
        QTest::newRow("59.96") << 59.96 << u"1 min"_s;
        QTest::newRow("61") << 61.0 << u"1 min 1 s"_s;
        QTest::newRow("3599.4") << 3599.4 << u"59 min 59 s"_s;
        QTest::newRow("3599.6") << 3599.6 << u"1 h"_s;
        QTest::newRow("4330") << 4330.0 << u"1 h 12 min"_s;
        QTest::newRow("86369") << 86369.0 << u"23 h 59 min"_s;
        QTest::newRow("86371") << 86371.0 << u"1 d"_s;
        QTest::newRow("90000") << 90000.0 << u"1 d 1 h"_s;
    }
    void durations()
    {
        QFETCH(double, seconds);
        QFETCH(QString, expected);
        QCOMPARE(describeDuration(seconds), expected);
    }

    void command_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output"); // the report, or the usage message
        const QString clean = u"estimate: 1 frame, 0.1 s a pass; one pass; about 0.1 s in all\n"_s;
        QTest::newRow("clean") << QStringList{u"m.mac"_s} << 0 << clean;
        QTest::newRow("a run's command line")
            << QStringList{u"--port"_s, u"virtual"_s, u"--fast"_s, u"--counter=0"_s, u"m.mac"_s}
            << 0 << clean;
        QTest::newRow("warning") << QStringList{u"m.mac"_s, u"--addr"_s, u"a.txt"_s} << 0
                                 << u"a.txt: warning: there is no GETSTR in the macro, so the "
                                    "address file is never read\n"_s +
                                        clean;
        QTest::newRow("error") << QStringList{u"m.mac"_s, u"--addr=a.txt"_s, u"--counter"_s, u"9"_s}
                               << 1
                               << u"a.txt: error: the pass counter 9 is past the end of the "
                                  "address file (1 line); nothing would be typed\n"
                                  "estimate: none, the files have errors\n"_s;
        QTest::newRow("missing file")
            << QStringList{u"nope.mac"_s} << 1
            << u"nope.mac: error: cannot open macro file: "_s + noSuchFileReason() +
                   u"\nestimate: none, the files have errors\n"_s;
        QTest::newRow("no MACRO") << QStringList{u"--addr"_s, u"a.txt"_s} << 2
                                  << u"check needs exactly one MACRO file"_s;
        QTest::newRow("two MACROs")
            << QStringList{u"m.mac"_s, u"a.txt"_s} << 2 << u"check needs exactly one MACRO file"_s;
        QTest::newRow("unknown option")
            << QStringList{u"--quick"_s, u"m.mac"_s} << 2 << u"unknown option --quick"_s;
        QTest::newRow("option without value")
            << QStringList{u"m.mac"_s, u"--addr"_s} << 2 << u"--addr needs a value"_s;
        QTest::newRow("bad counter")
            << QStringList{u"m.mac"_s, u"--counter"_s, u"x"_s} << 2
            << u"--counter must be a whole number from -2147483648 to 2147483647, got \"x\""_s;
        QTest::newRow("-- ends the options")
            << QStringList{u"--"_s, u"--addr"_s} << 1
            << u"--addr: error: cannot open macro file: "_s + noSuchFileReason() +
                   u"\nestimate: none, the files have errors\n"_s;
    }
    void command()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        write(text(u"UP"_s), text(u"x"_s));
        const cli::CheckOutput out = cli::checkOutput(args);
        QCOMPARE(out.exitCode, exitCode);
        QCOMPARE(exitCode == 2 ? out.usage : out.text, output);
        QVERIFY(exitCode == 2 ? out.text.isEmpty() : out.usage.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestChecker)
#include "tst_checker.moc"
