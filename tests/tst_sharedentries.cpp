#include "macro/sharedentries.h"
#include "testutil.h"

#include <QRandomGenerator>
#include <QThread>

#include <numeric>
#include <thread>

class TestSharedEntries : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;

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
        // Claims (numbers, W(ait), D(one), F(ailed), ! a report) | total | delivered | cut.
        QTest::addColumn<QString>("expected");
        QTest::newRow("given back first, lowest first")
            << u"six.txt 0"_s << u"A+ B+ C+ C<3 B<2 A+ B+ C+"_s << u"1 2 3 2 3 4 | 6 | |"_s;
        QTest::newRow("wait while others hold, done when delivered")
            << u"two.txt 0"_s << u"A+ B+ C+ A=1 C+ B=2 C+"_s << u"1 2 W W D | 2 | 1A 2B |"_s;
        QTest::newRow("cut on the line is named, and delivered once")
            << u"two.txt 0"_s << u"A+ B+ A+ B!2 A+ A=2 A+ A=1 A+"_s
            << u"1 2 W 2 W D | 2 | 2A 1A | 2B"_s;
        QTest::newRow("only the holder delivers, once")
            << u"two.txt 0"_s << u"A+ B=1 A=1 A=1 B<1 A+ A=2 A+"_s << u"1 2 D | 2 | 1A 2A |"_s;
        QTest::newRow("skip and the journals' deliveries")
            << u"six.txt 1 1 3 5 9"_s << u"A+ A+ B+ B+"_s << u"2 4 6 W | 3 | |"_s;
        QTest::newRow("no such file") << u"none.txt 0"_s << u"A+"_s << u"F! | -1 | |"_s;
        QTest::newRow("counter past the end") << u"six.txt 7"_s << u"A+"_s << u"F! | -1 | |"_s;
        QTest::newRow("unreadable part-way")
            << u"bad.csv 0"_s << u"A+ A+ A+ A<1 B+"_s << u"1 2 F! 1 | -1 | |"_s;
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
        QStringList got;
        for (const QString &op : script.split(u' ')) {
            const AddressEntry entry{QString(), 0, op.mid(2).toLongLong()};
            if (op.at(1) == u'=') {
                shared.delivered({entry}, op.left(1));
            } else if (op.at(1) != u'+') {
                shared.giveBack({entry}, op.left(1), op.at(1) == u'!');
            } else if (const SharedEntries::Claimed c = shared.claim(op.left(1));
                       c.result == SharedEntries::Claim::Entry) {
                got << QString::number(c.entry.number);
            } else {
                got << u"EWDF"_s.mid(int(c.result), 1) + u"!"_s.left(c.report.isError());
            }
        }
        QCOMPARE(opened.isError(), got == QStringList{u"F!"_s}); // a file that cannot open
        got << u"|"_s << QString::number(shared.total());
        for (const QList<EntryDelivery> &list : {shared.deliveries(), shared.cut()}) {
            got << u"|"_s;
            for (const EntryDelivery &d : list)
                got << QString::number(d.entry.number) + d.port;
        }
        QTEST(got.join(u' '), "expected");
    }

    // Ports at once, each giving back some of its entries as a cut pass would:
    // every entry is delivered exactly once, and none is lost.
    void manyPortsAtOnce_data()
    {
        QTest::addColumn<int>("ports");
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("givenBack"); // percent of the claims
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
        std::vector<std::thread> threads;
        for (int p = 0; p < ports; ++p)
            threads.emplace_back([&list, port = QString::number(p), givenBack] {
                for (SharedEntries::Claimed c;
                     (c = list.claim(port)).result <= SharedEntries::Claim::Wait;) {
                    if (c.result == SharedEntries::Claim::Wait)
                        QThread::yieldCurrentThread();
                    else if (QRandomGenerator::global()->bounded(100) < givenBack)
                        list.giveBack({c.entry}, port, QRandomGenerator::global()->bounded(2));
                    else
                        list.delivered({c.entry}, port);
                }
            });
        for (auto &t : threads)
            t.join();
        QList<qint64> numbers(entries), got; // as read: each entry's text is its number
        std::iota(numbers.begin(), numbers.end(), 1);
        for (const EntryDelivery &d : list.deliveries())
            got << (d.entry.text == QString::number(d.entry.number) ? d.entry.number : 0);
        std::sort(got.begin(), got.end());
        QCOMPARE(got, numbers);
        QCOMPARE(list.claim(u"late"_s).result, SharedEntries::Claim::Done);
    }
};

QTEST_GUILESS_MAIN(TestSharedEntries)
#include "tst_sharedentries.moc"
