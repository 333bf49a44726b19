#include "link/virtuallink.h"
#include "testutil.h"
#include "text/textsender.h"

#include <QSignalSpy>
#include <QTimer>

using namespace tapwright;

/// An open virtual link and every piece it has handed out so far.
struct Open
{
    explicit Open(bool paced)
    {
        link.setPaced(paced);
        if (!link.OpenPort())
            qFatal("cannot open a virtual link");
    }
    QStringList pieces() const
    {
        QStringList all;
        for (const QList<QVariant> &call : spy)
            all += call.at(0).toStringList();
        return all;
    }
    VirtualLink link;
    QSignalSpy spy{&link, &VirtualLink::received};
};

class TestVirtualLink : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void drainDeliversEverything()
    {
        for (bool paced : {true, false}) {
            Open open(paced);
            SendStr(open.link, u"ｶﾞ が"_s);
            open.link.SendKey(6, 2, 3);
            SendStr(open.link, u"ぽ"_s);
            QCOMPARE(open.spy.count(), 0); // nothing before the event loop runs
            open.link.ClosePort(Link::CloseMode::Drain);
            QVERIFY(!open.link.isOpen());
            QCOMPARE(open.link.pendingFrames(), 0);
            QCOMPARE(open.pieces().join(QString()), u"ｶﾞ が[ENTER]ぽ"_s);
        }
    }

    void discardDrops()
    {
        Open open(false);
        SendStr(open.link, u"abc"_s);
        open.link.ClosePort(Link::CloseMode::Discard);
        QVERIFY(!open.link.isOpen());
        QCOMPARE(open.link.pendingFrames(), 0);
        QTest::qWait(50);
        QCOMPARE(open.spy.count(), 0);
    }

    void discardDuringDrainEndsIt()
    {
        // 1,000 paced frames would take minutes: only the discard can end this.
        Open open(true);
        for (int i = 0; i < 1000; ++i)
            open.link.SendKey(1, 1, 3);
        VirtualLink &link = open.link;
        QTimer::singleShot(50, &link, [&link] { link.ClosePort(Link::CloseMode::Discard); });
        link.ClosePort(Link::CloseMode::Drain);
        QVERIFY(!link.isOpen());
        QCOMPARE(link.pendingFrames(), 0);
        QVERIFY(open.pieces().size() < 1000);
    }

    void pacingKeepsOrderAndKana()
    {
        QVERIFY(VirtualLink().isPaced());
        Open open(true);
        SendStr(open.link, u"xばか"_s);
        QCoreApplication::processEvents();
        QVERIFY(open.pieces().size() < 3);
        // The base comes out one frame time before its mark; the queue is not
        // empty in between, so the base must wait for it.
        QTRY_COMPARE_WITH_TIMEOUT(open.pieces(), (QStringList{u"x"_s, u"ば"_s, u"か"_s}), 10000);
    }
};

QTEST_GUILESS_MAIN(TestVirtualLink)
#include "tst_virtuallink.moc"
