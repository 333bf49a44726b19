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
    // A script of claims ("A+": port A claims), deliveries ("A=3"), give-backs
    // ("A<3", or "A!3" with frames on the line) against a small list.
    void claimsFollowTheList_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qint64>("skip");
        QTest::addColumn<QList<qint64>>("before"); // delivered, from the journals
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("claims"); // numbers, W(ait), D(one), F(ailed)
        QTest::addColumn<qint64>("total");
        QTest::addColumn<QString>("delivered");
        QTest::addColumn<QString>("cut");
        const QByteArray six = "a\nb\nc\nd\ne\nf\n";
        QTest::newRow("given back first, lowest first")
            << u"a.txt"_s << six << 0LL << QList<qint64>{} << u"A+ B+ C+ C<3 B<2 A+ B+ C+"_s
            << u"1 2 3 2 3 4"_s << 6LL << u""_s << u""_s;
        QTest::newRow("wait while others hold, done when delivered")
            << u"a.txt"_s << QByteArray("a\nb\n") << 0LL << QList<qint64>{}
            << u"A+ B+ C+ A=1 C+ B=2 C+"_s << u"1 2 W W D"_s << 2LL << u"1A 2B"_s << u""_s;
        QTest::newRow("cut on the line is named, and delivered once")
            << u"a.txt"_s << QByteArray("a\nb\n") << 0LL << QList<qint64>{}
            << u"A+ B+ A+ B!2 A+ A=2 A+ A=1 A+"_s << u"1 2 W 2 W D"_s << 2LL << u"2A 1A"_s
            << u"2B"_s;
        QTest::newRow("only the holder delivers, once")
            << u"a.txt"_s << QByteArray("a\nb\n") << 0LL << QList<qint64>{}
            << u"A+ B=1 A=1 A=1 B<1 A+ A=2 A+"_s << u"1 2 D"_s << 2LL << u"1A 2A"_s << u""_s;
        QTest::newRow("skip and the journals' deliveries")
            << u"a.txt"_s << six << 1LL << QList<qint64>{1, 3, 5, 9} << u"A+ A+ B+ B+"_s
            << u"2 4 6 W"_s << 3LL << u""_s << u""_s;
        QTest::newRow("no such file") << u"none.txt"_s << QByteArray() << 0LL << QList<qint64>{}
                                      << u"A+"_s << u"F"_s << -1LL << u""_s << u""_s;
        QTest::newRow("counter past the end") << u"a.txt"_s << six << 7LL << QList<qint64>{}
                                              << u"A+"_s << u"F"_s << -1LL << u""_s << u""_s;
        QTest::newRow("unreadable part-way")
            << u"a.csv"_s << QByteArray("a\nb\n\"c\n") << 0LL << QList<qint64>{}
            << u"A+ A+ A+ A<1 B+"_s << u"1 2 F 1"_s << -1LL << u""_s << u""_s;
    }
    void claimsFollowTheList()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, text);
        QFETCH(qint64, skip);
        QFETCH(QList<qint64>, before);
        QFETCH(QString, script);
        const QString path = dir_.filePath(file);
        QFile::remove(path);
        if (!text.isEmpty())
            writeFile(path, text);
        SharedEntries list;
        const RunReport opened = list.open(path, skip, QSet<qint64>(before.begin(), before.end()));
        QStringList claims;
        for (const QString &op : script.split(u' ')) {
            const QString port = op.left(1);
            const AddressEntry entry{QString(), 0, op.mid(2).toLongLong()};
            if (op.at(1) == u'+') {
                const SharedEntries::Claimed c = list.claim(port);
                claims << (c.result == SharedEntries::Claim::Entry ? QString::number(c.entry.number)
                           : c.result == SharedEntries::Claim::Wait ? u"W"_s
                           : c.result == SharedEntries::Claim::Done ? u"D"_s
                                                                    : u"F"_s);
                QCOMPARE(c.report.isError(), c.result == SharedEntries::Claim::Failed);
            } else if (op.at(1) == u'=') {
                list.delivered({entry}, port);
            } else {
                list.giveBack({entry}, port, op.at(1) == u'!');
            }
        }
        QTEST(claims.join(u' '), "claims");
        QCOMPARE(opened.isError(), claims.join(u' ') == u"F"_s); // a file that cannot open
        QTEST(list.total(), "total");
        QTEST(named(list.deliveries()), "delivered");
        QTEST(named(list.cut()), "cut");
        QCOMPARE(list.deliveredCount(), list.deliveries().size());
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
        QList<qint64> numbers;
        for (const EntryDelivery &d : list.deliveries()) {
            QCOMPARE(d.entry.text, QString::number(d.entry.number));
            numbers << d.entry.number;
        }
        std::sort(numbers.begin(), numbers.end());
        QList<qint64> all(entries);
        std::iota(all.begin(), all.end(), 1);
        QCOMPARE(numbers, all);
        QCOMPARE(list.claim(u"late"_s).result, SharedEntries::Claim::Done);
    }
};

QTEST_GUILESS_MAIN(TestSharedEntries)
#include "tst_sharedentries.moc"
