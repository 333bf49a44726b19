#include "macro/sharedentries.h"
#include "testutil.h"

#include <QRandomGenerator>
#include <QThread>

#include <memory>
#include <numeric>

class TestSharedEntries : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;

    static QString named(const QList<EntryDelivery> &list)
    {
        QStringList names;
        for (const EntryDelivery &d : list)
            names << QString::number(d.entry.number) + d.port;
        return names.join(u' ');
    }

private Q_SLOTS:
    void initTestCase()
    {
        writeFile(dir_.filePath(u"six.txt"_s), "a\nb\nc\nd\ne\nf\n");
        writeFile(dir_.filePath(u"two.txt"_s), "a\nb\n");
        writeFile(dir_.filePath(u"bad.csv"_s), "a\nb\n\"c\n"); // a quote never closed
    }

    // A script of claims ("A+": port A claims), deliveries ("A=3"), give-backs
    // ("A<3", or "A!3" with frames on the line) against a small list.
    void claimsFollowTheList_data()
    {
        QTest::addColumn<QString>("list"); // the file, the entries skipped, those delivered before
        QTest::addColumn<QString>("script");
        // The claims (numbers, W(ait), D(one), F(ailed)) | total | delivered | cut.
        QTest::addColumn<QString>("expected");
        QTest::newRow("given back first, lowest first")
            << u"six.txt 0"_s << u"A+ B+ C+ C<3 B<2 A+ B+ C+"_s << u"1 2 3 2 3 4 | 6 |  | "_s;
        QTest::newRow("wait while others hold, done when delivered")
            << u"two.txt 0"_s << u"A+ B+ C+ A=1 C+ B=2 C+"_s << u"1 2 W W D | 2 | 1A 2B | "_s;
        QTest::newRow("cut on the line is named, and delivered once")
            << u"two.txt 0"_s << u"A+ B+ A+ B!2 A+ A=2 A+ A=1 A+"_s
            << u"1 2 W 2 W D | 2 | 2A 1A | 2B"_s;
        QTest::newRow("only the holder delivers, once")
            << u"two.txt 0"_s << u"A+ B=1 A=1 A=1 B<1 A+ A=2 A+"_s << u"1 2 D | 2 | 1A 2A | "_s;
        QTest::newRow("skip and the journals' deliveries")
            << u"six.txt 1 1 3 5 9"_s << u"A+ A+ B+ B+"_s << u"2 4 6 W | 3 |  | "_s;
        QTest::newRow("no such file") << u"none.txt 0"_s << u"A+"_s << u"F | -1 |  | "_s;
        QTest::newRow("counter past the end") << u"six.txt 7"_s << u"A+"_s << u"F | -1 |  | "_s;
        QTest::newRow("unreadable part-way")
            << u"bad.csv 0"_s << u"A+ A+ A+ A<1 B+"_s << u"1 2 F 1 | -1 |  | "_s;
    }
    void claimsFollowTheList()
    {
        QFETCH(QString, list);
        QFETCH(QString, script);
        const QStringList opening = list.split(u' ');
        QSet<qint64> before;
        for (const QString &n : opening.mid(2))
            before << n.toLongLong();
        SharedEntries shared;
        const RunReport opened =
            shared.open(dir_.filePath(opening.at(0)), opening.at(1).toLongLong(), before);
        QStringList claims;
        for (const QString &op : script.split(u' ')) {
            const QString port = op.left(1);
            const AddressEntry entry{QString(), 0, op.mid(2).toLongLong()};
            if (op.at(1) == u'+') {
                const SharedEntries::Claimed c = shared.claim(port);
                claims << (c.result == SharedEntries::Claim::Entry ? QString::number(c.entry.number)
                           : c.result == SharedEntries::Claim::Wait ? u"W"_s
                           : c.result == SharedEntries::Claim::Done ? u"D"_s
                                                                    : u"F"_s);
                QCOMPARE(c.report.isError(), c.result == SharedEntries::Claim::Failed);
            } else if (op.at(1) == u'=') {
                shared.delivered({entry}, port);
            } else {
                shared.giveBack({entry}, port, op.at(1) == u'!');
            }
        }
        QCOMPARE(opened.isError(), claims == QStringList{u"F"_s}); // a file that cannot open
        QTEST(u"%1 | %2 | %3 | %4"_s.arg(claims.join(u' ')).arg(shared.total())
                  .arg(named(shared.deliveries()), named(shared.cut())),
              "expected");
        QCOMPARE(shared.deliveredCount(), shared.deliveries().size());
    }

    // Ports at once, each giving back some of its entries as a cut pass would:
    // every entry is delivered exactly once, and none is lost.
    void manyPortsAtOnce_data()
    {
        QTest::addColumn<int>("ports");
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("givenBack"); // percent of the claims
        QTest::newRow("one port, no cuts") << 1 << 200 << 0;
        QTest::newRow("16 ports, cuts") << 16 << 2000 << 20;
        QTest::newRow("more ports than entries") << 16 << 5 << 50;
    }
    void manyPortsAtOnce()
    {
        QFETCH(int, ports);
        QFETCH(int, entries);
        QFETCH(int, givenBack);
        QByteArray text;
        for (int i = 1; i <= entries; ++i)
            text += QByteArray::number(i) + '\n';
        SharedEntries list;
        QCOMPARE(list.open(writeFile(dir_.filePath(u"many.txt"_s), text), 0).kind, RunReport::None);
        std::vector<std::unique_ptr<QThread>> threads;
        for (int p = 0; p < ports; ++p) {
            threads.emplace_back(QThread::create([&list, p, givenBack] {
                const QString port = QString::number(p);
                for (;;) {
                    const SharedEntries::Claimed c = list.claim(port);
                    if (c.result == SharedEntries::Claim::Wait)
                        QThread::yieldCurrentThread();
                    else if (c.result != SharedEntries::Claim::Entry)
                        return;
                    else if (QRandomGenerator::global()->bounded(100) < givenBack)
                        list.giveBack({c.entry}, port, QRandomGenerator::global()->bounded(2));
                    else
                        list.delivered({c.entry}, port);
                }
            }));
            threads.back()->start();
        }
        for (auto &t : threads)
            QVERIFY(t->wait(60000));
        QList<qint64> numbers; // as read: its text is its number
        for (const EntryDelivery &d : list.deliveries())
            numbers << (d.entry.text == QString::number(d.entry.number) ? d.entry.number : 0);
        std::sort(numbers.begin(), numbers.end());
        QList<qint64> all(entries);
        std::iota(all.begin(), all.end(), 1);
        QCOMPARE(numbers, all);
        QCOMPARE(list.claim(u"late"_s).result, SharedEntries::Claim::Done);
    }
};

QTEST_GUILESS_MAIN(TestSharedEntries)
#include "tst_sharedentries.moc"
