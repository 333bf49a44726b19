#include "macro/journal.h"
#include "testutil.h"

class TestJournal : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;

private Q_SLOTS:
    void initTestCase() { journalsIn(dir_.path()); }
    void init() { QDir(journalFolder()).removeRecursively(); }

    void aRunIsFollowedAndClosedAndPairsAreApart()
    {
        QDir::setCurrent(dir_.path());
        RunJournal run;
        QCOMPARE(run.begin(u"m.mac"_s, u"a.txt"_s, u"/dev/pts/9"_s, 3, 5).kind, RunReport::None);
        QCOMPARE(run.update(4, 7).kind, RunReport::None);
        // Found by the absolute paths, whichever way the user wrote them.
        const std::optional<JournalEntry> e = openJournalOf(dir_.filePath(u"m.mac"_s), u"a.txt"_s);
        QVERIFY(e && e->started.isValid() && e->updated >= e->started);
        QCOMPARE(u"%1 %2 %3 %4 %5"_s.arg(e->addrFile, e->port)
                     .arg(e->counterAtStart)
                     .arg(e->passesDelivered())
                     .arg(e->addressEntries),
                 dir_.filePath(u"a.txt /dev/pts/9 3 1 7"_s));
        QCOMPARE(run.finish().kind, RunReport::None);
        QVERIFY(!openJournalOf(u"m.mac"_s, u"a.txt"_s) && readJournal(e->path)->done);
        QCOMPARE(openJournals().open.size(), 0);
        // Each pair of files has a journal of its own.
        const QString m = dir_.filePath(u"m"_s), a = dir_.filePath(u"a"_s);
        const QStringList paths{journalPath(m, a), journalPath(a, m), journalPath(m, QString()),
                                journalPath(m + u'a', QString()),
                                journalPath(m + u"/a"_s, QString())};
        QCOMPARE(QSet<QString>(paths.begin(), paths.end()).size(), paths.size());
    }

    void damagedJournalsAreSkipped_data()
    {
        QTest::addColumn<QByteArray>("text");
        // Written before entries were counted: "addressLines", the same number.
        const QByteArray good = R"({"format":"tapwright-journal","version":1,"macro":"/m",)"
                                R"("counterAtStart":1,"counter":2,"addressLines":4,)"
                                R"("updated":"2026-01-02T03:04:05"})";
        QTest::newRow("good") << good; // the others differ from it in one point
        QTest::newRow("cut short") << good.chopped(9);
        QTest::newRow("not ours") << QByteArray(good).replace("tapwright-journal", "other");
        QTest::newRow("later version") << QByteArray(good).replace("version\":1", "version\":2");
        QTest::newRow("counter below its start") << QByteArray(good).replace(":2,", ":0,");
        QTest::newRow("counter past its largest")
            << QByteArray(good).replace(":2,", ":2147483648,");
        QTest::newRow("no time") << QByteArray(good).replace("2026", "x");
        QTest::newRow("huge") << good + QByteArray(5 << 20, ' ');
        const QByteArray split = good.chopped(1) + R"(,"split":true,"delivered":"1-3,5")" + '}';
        QTest::newRow("split, falling numbers") << QByteArray(split).replace("1-3,5", "5,1-3");
        QTest::newRow("split, more entries than any list")
            << QByteArray(split).replace("1-3,5", "1-99999999999");
    }
    void damagedJournalsAreSkipped()
    {
        QFETCH(QByteArray, text);
        QDir().mkpath(journalFolder());
        const QString path = writeFile(journalFolder() + u"/x.json"_s, text);
        const bool good = QLatin1String(QTest::currentDataTag()) == "good"_L1;
        QCOMPARE(readJournal(path).has_value(), good);
        const JournalList list = openJournals();
        QCOMPARE(list.open.size(), good ? 1 : 0);
        QCOMPARE(list.damaged, good ? QStringList() : QStringList{path});
    }

    // A split run's port keeps a journal of its own, with the entries it delivered.
    void aPortsPartOfASplitListIsKept_data()
    {
        QTest::addColumn<QList<qint64>>("delivered");
        QTest::addColumn<QByteArray>("text"); // as written
        QTest::newRow("none") << QList<qint64>{} << "\"\""_ba;
        QTest::newRow("ranges") << QList<qint64>{3, 1, 2, 5, 9, 8} << "\"1-3,5,8-9\""_ba;
        QList<qint64> half; // of a million entries over two ports, at worst
        for (qint64 n = 2; n <= 1000000; n += 2)
            half << n;
        QTest::newRow("every other of a million") << half << "\"2,4,6,"_ba;
    }
    void aPortsPartOfASplitListIsKept()
    {
        QFETCH(QList<qint64>, delivered);
        QFETCH(QByteArray, text);
        const QString m = dir_.filePath(u"m"_s), a = dir_.filePath(u"a"_s);
        RunJournal one, other, port;
        one.begin(m, a, u"A"_s, 0, 0); // a one-port run's, as it always was
        other.beginSplit(m, a, u"B"_s, 0, 2, {});
        port.beginSplit(m, a, u"A"_s, 0, 2, {});
        for (qint64 n : delivered)
            port.addDelivered({AddressEntry{QString(), n, n}});
        QCOMPARE(port.update(1, 2).kind, RunReport::None);
        QFile file(journalPath(m, a, u"A"_s));
        QVERIFY(file.open(QFile::ReadOnly) && file.readAll().contains("\"delivered\": " + text));
        file.close(); // Windows replaces no file that is open
        std::sort(delivered.begin(), delivered.end());
        const QList<JournalEntry> open = openPortJournalsOf(m, a); // not the one-port run's
        const JournalEntry e = open.value(open.value(0).port == u"A"_s ? 0 : 1);
        QVERIFY(open.size() == 2 && e.split && e.addressEntries == 2 && e.counter == 1);
        QCOMPARE(e.deliveredEntries, delivered);
        QVERIFY(openJournals().open.size() == 1 && !openJournals().open[0].split); // one port's
        // Going on from the journals: it keeps what the list knows as delivered.
        port.beginSplit(m, a, u"A"_s, 1, 2,
                        QSet<qint64>(delivered.begin(), delivered.end()) - QSet<qint64>{2, 3});
        delivered.removeAll(2), delivered.removeAll(3);
        QCOMPARE(readJournal(e.path)->deliveredEntries, delivered);
        other.finish(); // the list is done, for every port
        QVERIFY(openPortJournalsOf(m, a).isEmpty());
    }

#ifdef Q_OS_UNIX
    void aFailedWriteWarnsOnce()
    {
        // The data folder is a file: nothing can be made in it, not even by root.
        const QString blocked = writeFile(dir_.filePath(u"file"_s), "x");
        journalsIn(blocked);
        RunJournal run;
        const RunReport first = run.begin(u"/m"_s, QString(), u"1"_s, 0, 0);
        const bool quiet =
            run.update(1, 0).kind == RunReport::None && run.finish().kind == RunReport::None;
        journalsIn(dir_.path());
        QVERIFY2(first.kind == RunReport::JournalFailed && first.isWarning() &&
                     first.file.startsWith(blocked + u'/') && !first.reason.isEmpty(),
                 qPrintable(first.file));
        QVERIFY(quiet); // once a run
    }
#endif
};

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
