#include "macro/checker.h"
#include "macro/messages.h"
#include "testutil.h"

/// A file's bytes: UTF-8 with a BOM, so that the reader's guess cannot sway
/// the tests, and CR LF line ends; null for null lines.
static QByteArray text(QString lines)
{
    return lines.isNull() ? QByteArray()
                          : "\xEF\xBB\xBF" + lines.replace(u'\n', u"\r\n"_s).toUtf8();
}

/// What an estimate counts the passes on, by Estimate::Passes.
static const char *const passes[] = {"none", "once", "stopped", "list"};

class TestChecker : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;

    /// Writes m.mac and the address file (a.txt, or a.csv), each unless null,
    /// into the test's directory, which is the current one: the reports name
    /// them as given. Gives the address file's name, null for none.
    static QString write(const QByteArray &macro, const QByteArray &addr,
                         const QString &name = u"a.txt"_s)
    {
        for (const char *file : {"m.mac", "a.txt", "a.csv"})
            QFile::remove(QLatin1String(file));
        if (!macro.isNull())
            writeFile(u"m.mac"_s, macro);
        return addr.isNull() ? QString() : writeFile(name, addr);
    }

    /// The findings as tests/data/findings.txt writes them, one a line, then
    /// "= " and what the estimate counts the passes on.
    static QString findings(const CheckReport &report)
    {
        static const char *const kinds[] = {
            "",          "negative",  "long",    "hash",      "unreachable", "no-addr",
            "no-getstr", "no-repeat", "partial", "none-left", "tabs",        "more"};
        // clang-format off
        static const char *const runKinds[] = {
            "",         "",         "",         "",           "",        "open",
            "open",     "read",     "read",     "missing",    "bad",     "",
            "past-end", "not-text", "too-long", "bad-field", "unclosed", "unsendable",
            "unknown", "missing-field", "guess", "key-count", "repeat-count", "string-space"};
        // clang-format on
        QString out;
        for (const CheckItem &item : report.items) {
            const RunReport &r = item.report;
            out +=
                r.file + (r.line > 0 ? u":%1"_s.arg(r.line) : QString()) +
                (item.isError() ? u" E "_s : u" W "_s) +
                QLatin1String(item.kind == CheckItem::Run ? runKinds[r.kind] : kinds[item.kind]) +
                (r.field > 0 ? u"@%1"_s.arg(r.field) : QString());
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
    void initTestCase() { QVERIFY(dir_.isValid() && QDir::setCurrent(dir_.path())); }

    void findings_data()
    {
        QTest::addColumn<QByteArray>("macro"); // null: no file
        QTest::addColumn<QByteArray>("addr");
        QTest::addColumn<QString>("name"); // of the address file
        QTest::addColumn<int>("counter");
        QTest::addColumn<QString>("expected");
        const auto file = [](QString lines) {
            return text(lines == u"-"_s ? QString() : lines.replace(u"\\n"_s, u"\n"_s));
        };
        for (QStringList f : dataLines(u"findings.txt"_s)) {
            f.replaceInStrings(u"\\t"_s, u"\t"_s).replaceInStrings(u"\\q"_s, u"\""_s);
            const QString found = f.value(5).replace(u"\\n"_s, u"\n"_s);
            const bool csv = f.value(2).startsWith(u"csv:"_s);
            QTest::newRow(qPrintable(f[0]))
                << file(f.value(1)) << file(f.value(2).mid(csv ? 4 : 0))
                << (csv ? u"a.csv"_s : u"a.txt"_s) << f.value(3).toInt()
                << found + (found.isEmpty() ? u"= "_s : u"\n= "_s) + f.value(4);
        }
        // Files the data file cannot hold. UTF-8 Café reads as Cafﾃｩ in code
        // page 932, which the device can type.
        const QString txt = u"a.txt"_s;
        QTest::newRow("encoding guessed") << QByteArray("STRING Caf\xC3\xA9") << QByteArray() << txt
                                          << 0 << u"m.mac:1 W guess\n= once"_s;
        QTest::newRow("NUL bytes") << QByteArray("UP\0\r\n", 5) << QByteArray() << txt << 0
                                   << u"m.mac E not-text\n= none"_s;
        QTest::newRow("UTF-32 address file")
            << text(u"UP"_s) << QByteArray("\xFF\xFE\0\0U\0\0\0", 8) << txt << 0
            << u"a.txt E not-text\n= none"_s;
        QTest::newRow("line too long")
            << text(u"UP\n"_s + QString(MaxLineLength + 1, u'x')) << QByteArray() << txt << 0
            << u"m.mac:2 E too-long\n= none"_s;
        // A quote left open holds the rest of the file, up to the longest line.
        QTest::newRow("quoted field too long")
            << text(u"GETSTR"_s) << text(u"a\n\"b\n"_s + QString(MaxLineLength, u'x')) << u"a.csv"_s
            << 0 << u"a.csv:2 E unclosed\n= none"_s;
    }
    void findings()
    {
        QFETCH(QByteArray, macro);
        QFETCH(QByteArray, addr);
        QFETCH(QString, name);
        QFETCH(int, counter);
        QFETCH(QString, expected);
        const CheckReport report = checkFiles(u"m.mac"_s, write(macro, addr, name), counter);
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
                                                       "a.txt W more #8999/0\n= list"_s);
        report = checkFiles(u"m.mac"_s, u"a.txt"_s, 0, [](qint64) { return false; });
        QVERIFY(report.cancelled);
        QCOMPARE(report.estimate.passes, Estimate::Unknown);
    }

    void estimate_data()
    {
        QTest::addColumn<QString>("macro");
        QTest::addColumn<QString>("addr"); // null: no file
        QTest::addColumn<int>("counter");
        QTest::addColumn<QString>(
            "expected"); // on what, frames and seconds a pass, passes, seconds
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
        QTest::newRow("paced")
            << u"BASEWAIT 0.1\nUP\nSTRING がa\nGETSTR\nSENDSTR\nSLEEP 1\nREPEAT"_s
            << u"ab\n\nばか"_s << 0 << u"list 4 1.793 3 6.400"_s;
        // 3,000 passes of 3 × 0.6 s and SENDSTR's 2f for "abcd", then 0.6 s
        // of the pass that finds no line.
        const QString list = u"BASEWAIT 0.6\nGETSTR\nSENDSTR\nREPEAT"_s,
                      lines = u"abcd\n"_s.repeated(2999) + u"abcd"_s;
        QTest::newRow("hours") << list << lines << 0 << u"list 0 1.800 3000 6280.600"_s;
        QTest::newRow("from the counter on")
            << list << lines << 1000 << u"list 0 1.800 2000 4187.267"_s;
        // The first pass waits 0 after UP; the passes after it wait 2.
        // Only the field typed counts: 2f for "ab", none for the tab and "xyz".
        QTest::newRow("a field") << u"GETSTR\nSENDSTR 2\nREPEAT"_s << u"xyz\tab\nxyz\tab"_s << 0
                                 << u"list 0 0.000 2 0.587"_s;
        QTest::newRow("base wait carried into the next pass")
            << u"UP\nBASEWAIT 2\nREPEAT"_s << QString() << 0 << u"stopped 1 4.000 0 0.000"_s;
    }
    void estimate()
    {
        QFETCH(QString, macro);
        QFETCH(QString, addr);
        QFETCH(int, counter);
        QFETCH(QString, expected);
        const CheckReport report = checkFiles(u"m.mac"_s, write(text(macro), text(addr)), counter);
        QVERIFY(report.items.isEmpty());
        const Estimate &e = report.estimate;
        QCOMPARE(QString::asprintf("%s %lld %.3f %lld %.3f", passes[e.passes], e.framesPerPass,
                                   e.secondsPerPass, e.passCount, e.totalSeconds),
                 expected);
        QCOMPARE(e.typesAddresses, macro.contains(u"SENDSTR"_s));
    }
};

QTEST_GUILESS_MAIN(TestChecker)
#include "tst_checker.moc"
