#include "macro/checker.h"
#include "macro/messages.h"
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

    /// The findings as data, one a line: "file[:line] E|W kind [value]
    /// [>suggestion] [#count/total]", then "= " and the passes of the estimate.
    static QString findings(const CheckReport &report)
    {
        static const char *const kinds[] = {
            "",          "negative",  "long",    "hash",      "unreachable", "no-addr",
            "no-getstr", "no-repeat", "partial", "none-left", "more"};
        static const char *const runKinds[] = {
            "",         "",         "",         "",           "",        "open",
            "open",     "read",     "read",     "missing",    "bad",     "",
            "past-end", "not-text", "too-long", "unsendable", "unknown", "guess"};
        static const char *const passes[] = {"none", "once", "until stopped", "from list"};
        QString out;
        for (const CheckItem &item : report.items) {
            const RunReport &r = item.report;
            out += r.file + (r.line > 0 ? u":%1"_s.arg(r.line) : QString()) +
                   (item.isError() ? u" E "_s : u" W "_s) +
                   QLatin1String(item.kind == CheckItem::Run ? runKinds[r.kind] : kinds[item.kind]);
            for (const CheckItem::Character &c : item.characters)
                out += u' ' + c.text + (c.suggestion.isEmpty() ? QString() : u'>' + c.suggestion);
            if (item.characters.isEmpty() && !r.value.isEmpty())
                out += u' ' + r.value;
            if (item.characters.isEmpty() && !item.suggestion.isEmpty())
                out += u" >"_s + item.suggestion;
            if (item.count || item.total)
                out += u" #%1/%2"_s.arg(item.count).arg(item.total);
            out += u'\n';
        }
        return out + u"= "_s + QLatin1String(passes[report.estimate.passes]);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        QVERIFY(QDir::setCurrent(dir_.path()));
    }

    void findings_data()
    {
        QTest::addColumn<QByteArray>("macro");
        QTest::addColumn<QByteArray>("addr"); // null: no address file
        QTest::addColumn<int>("counter");
        QTest::addColumn<QString>("expected");
        const QByteArray noAddr;
        auto row = [&](const char *tag, const QString &macro, const QByteArray &addr, int counter,
                       const QString &expected) {
            QTest::newRow(tag) << (macro.isNull() ? QByteArray() : text(macro)) << addr << counter
                               << expected;
        };
        row("near word", u"UPP"_s, noAddr, 0, u"m.mac:1 W unknown >UP\n= once"_s);
        row("swapped letters, lower case", u"basewiat 1"_s, noAddr, 0,
            u"m.mac:1 W unknown 1 >BASEWAIT\n= once"_s);
        row("full-width letters", u"ＵＰ"_s, noAddr, 0, u"m.mac:1 W unknown >UP\n= once"_s);
        row("& form keeps its &", u"&SUNMENU"_s, noAddr, 0,
            u"m.mac:1 W unknown >&SUBMENU\n= once"_s);
        row("plain form without &", u"SUBMENU"_s, noAddr, 0,
            u"m.mac:1 W unknown >SUNMENU\n= once"_s);
        row("nothing near", u"HELLO"_s, noAddr, 0, u"m.mac:1 W unknown\n= once"_s);
        // Every one-letter word is one edit from some key: no guess at all.
        row("one letter", u"X"_s, noAddr, 0, u"m.mac:1 W unknown\n= once"_s);
        row("leading space", u" up"_s, noAddr, 0, u"m.mac:1 W unknown up >UP\n= once"_s);
        row("spaces only", u"  "_s, noAddr, 0, u"m.mac:1 W unknown\n= once"_s);
        row("# and text", u"# note"_s, noAddr, 0, u"m.mac:1 W hash note\n= once"_s);
        row("# alone is a key", u"#"_s, noAddr, 0, u"= once"_s);
        row("#word", u"#note"_s, noAddr, 0, u"m.mac:1 W hash\n= once"_s);
        row("missing number", u"UP\nSLEEP"_s, noAddr, 0, u"m.mac:2 E missing\n= none"_s);
        row("two spaces: empty number", u"SLEEP  5"_s, noAddr, 0, u"m.mac:1 E missing\n= none"_s);
        row("bad number", u"BASEWAIT 1,5"_s, noAddr, 0, u"m.mac:1 E bad 1,5\n= none"_s);
        row("negative", u"SLEEP -1"_s, noAddr, 0, u"m.mac:1 W negative -1\n= once"_s);
        row("more than a day", u"BASEWAIT 86400.5\nUP"_s, noAddr, 0,
            u"m.mac:1 W long 86400.5\n= once"_s);
        row("a day is no slip", u"SLEEP 86400"_s, noAddr, 0, u"= once"_s);
        // One finding a line, each character once.
        row("katakana, voiced katakana, kanji", u"STRING アガ山aア山"_s, noAddr, 0,
            u"m.mac:1 W unsendable ア>ｱ ガ>ｶﾞ 山\n= once"_s);
        row("NFKC and no half-width form", u"STRING ①ヵ\tｶﾞ"_s, noAddr, 0,
            u"m.mac:1 W unsendable ①>1 ヵ \t\n= once"_s);
        row("after REPEAT", u"UP\nREPEAT\n\nUPP\nSLEEP"_s, noAddr, 0,
            u"m.mac:4 W unreachable #2/0\n= until stopped"_s);
        // Without an address file GETSTR does nothing: the run goes past it.
        row("GETSTR, no address file", u"GETSTR\nSENDSTR\nGETSTR\nUP"_s, noAddr, 0,
            u"m.mac:1 W no-addr\nm.mac:3 W no-addr\n= once"_s);
        row("no GETSTR", u"UP\nREPEAT"_s, text(u"a"_s), 0, u"a.txt W no-getstr\n= until stopped"_s);
        row("no REPEAT", u"GETSTR\nSENDSTR"_s, text(u"ab\nc\nd"_s), 0,
            u"a.txt W no-repeat #1/3\n= once"_s);
        // Two GETSTRs a pass, five lines from the counter on: the third pass
        // gets one line and ends at its second GETSTR.
        row("list runs out part-way", u"GETSTR\nGETSTR\nREPEAT"_s, text(u"1\n2\n3\n4\n5\n6\n7"_s),
            2, u"a.txt W partial #2/5\n= from list"_s);
        row("counter at the end", u"GETSTR\nREPEAT"_s, text(u"1\n2"_s), 2,
            u"a.txt W none-left\n= from list"_s);
        row("counter past the end", u"GETSTR\nREPEAT"_s, text(u"1\n2"_s), 3,
            u"a.txt:2 E past-end 3\n= none"_s);
        // Lines before the counter are never typed; those after keep their
        // own numbers.
        row("addresses from the counter on", u"GETSTR\nSENDSTR\nREPEAT"_s, text(u"ア\nb\nア"_s), 1,
            u"a.txt:3 W unsendable ア>ｱ\n= from list"_s);
        row("negative counter skips nothing", u"GETSTR\nREPEAT"_s, text(u"1"_s), -5,
            u"= from list"_s);
        row("no macro file", QString(), noAddr, 0, u"m.mac E open\n= none"_s);
        // UTF-8 Café reads as Cafﾃｩ in code page 932, which the device can type.
        QTest::newRow("encoding guessed")
            << QByteArray("STRING Caf\xC3\xA9") << noAddr << 0 << u"m.mac:1 W guess\n= once"_s;
        QTest::newRow("NUL bytes")
            << QByteArray("UP\0\r\n", 5) << noAddr << 0 << u"m.mac E not-text\n= none"_s;
        row("UTF-32 address file", u"UP"_s, QByteArray("\xFF\xFE\0\0U\0\0\0", 8), 0,
            u"a.txt E not-text\n= none"_s);
        row("line too long", u"UP\n"_s + QString(MaxLineLength + 1, u'x'), noAddr, 0,
            u"m.mac:2 E too-long\n= none"_s);
    }
    void findings()
    {
        QFETCH(QByteArray, macro);
        QFETCH(QByteArray, addr);
        QFETCH(int, counter);
        QFETCH(QString, expected);
        QFile::remove(u"m.mac"_s);
        write(macro, addr);
        const CheckReport report =
            checkFiles(u"m.mac"_s, addr.isNull() ? QString() : u"a.txt"_s, counter);
        QCOMPARE(findings(report), expected);
        QCOMPARE(report.hasErrors(), expected.contains(u" E "_s));
    }

    /// A list of kanji lists its first lines and counts the rest; the check
    /// can be stopped part-way.
    void findingsAreBounded()
    {
        write(text(u"GETSTR\nSENDSTR\nREPEAT"_s), text(u"山田 ア山\n"_s.repeated(9999) + u"b"_s));
        qint64 told = 0;
        CheckReport report = checkFiles(u"m.mac"_s, u"a.txt"_s, 0, [&told](qint64 lines) {
            told = lines;
            return true;
        });
        QCOMPARE(told, 8192);
        QCOMPARE(report.items.size(), MaxListedLines + 1);
        QCOMPARE(findings(report).section(u'\n', 999), u"a.txt:1000 W unsendable 山 田 ア>ｱ\n"
                                                       "a.txt W more #8999/0\n= from list"_s);
        QCOMPARE(describe(report.items.at(999)),
                 u"a.txt:1000: warning: cannot enter 3 characters: '山' (U+5C71), '田' (U+7530), "
                 "'ア' (U+30A2) (use 'ｱ' (U+FF71))"_s);
        QCOMPARE(describe(report.items.last()),
                 u"a.txt: warning: and 8,999 more lines with warnings, not listed"_s);
        report = checkFiles(u"m.mac"_s, u"a.txt"_s, 0, [](qint64) { return false; });
        QVERIFY(report.cancelled);
        QCOMPARE(report.estimate.passes, Estimate::Unknown);
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
};

QTEST_GUILESS_MAIN(TestChecker)
#include "tst_checker.moc"
