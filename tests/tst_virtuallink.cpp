#include "link/virtuallink.h"
#include "testutil.h"
#include "text/textsender.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace tapwright;

namespace {

/// Every piece the link has handed out so far, in order.
QStringList allPieces(const QSignalSpy &spy)
{
    QStringList pieces;
    for (const QList<QVariant> &call : spy)
        pieces += call.at(0).toStringList();
    return pieces;
}

QString receivedText(const QSignalSpy &spy)
{
    return allPieces(spy).join(QString());
}

int receivedPieces(const QSignalSpy &spy)
{
    return int(allPieces(spy).size());
}

} // namespace

class TestVirtualLink : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void unpacedRoundTrip();
    void closedLinkDrops();
    void drainDeliversEverything_data();
    void drainDeliversEverything();
    void discardDrops();
    void discardDuringDrainEndsIt();
    void pacedModePaces();
    void kanaIsNotSplitFromItsQueuedMark();
};

void TestVirtualLink::unpacedRoundTrip()
{
    VirtualLink link;
    link.setPaced(false);
    QSignalSpy spy(&link, &VirtualLink::received);
    QVERIFY(link.OpenPort());
    const QString text = QStringLiteral("ｶﾞｷﾞ がぱ Aa1あ゛か");
    SendStr(link, text);
    link.SendKey(6, 2, 3); // ENTER, a key amid the text
    SendStr(link, QStringLiteral("ぽ"));
    QCOMPARE(spy.count(), 0); // nothing before the event loop runs
    QTRY_COMPARE(link.pendingFrames(), 0);
    QCOMPARE(receivedText(spy), text + QStringLiteral("[ENTER]ぽ"));
}

void TestVirtualLink::closedLinkDrops()
{
    VirtualLink link;
    link.setPaced(false);
    QSignalSpy spy(&link, &VirtualLink::received);
    link.SendKey(1, 1, 3); // never opened
    QVERIFY(link.OpenPort());
    link.ClosePort();
    link.SendKey(1, 1, 3); // closed again
    QCOMPARE(link.pendingFrames(), 0);
    QTest::qWait(50);
    QCOMPARE(spy.count(), 0);
}

void TestVirtualLink::drainDeliversEverything_data()
{
    QTest::addColumn<bool>("paced");
    QTest::newRow("paced") << true;
    QTest::newRow("unpaced") << false;
}

void TestVirtualLink::drainDeliversEverything()
{
    QFETCH(bool, paced);
    VirtualLink link;
    link.setPaced(paced);
    QSignalSpy spy(&link, &VirtualLink::received);
    QVERIFY(link.OpenPort());
    SendStr(link, QStringLiteral("abが"));
    link.ClosePort(Link::CloseMode::Drain);
    QVERIFY(!link.isOpen());
    QCOMPARE(link.pendingFrames(), 0);
    QCOMPARE(receivedText(spy), QStringLiteral("abが"));
}

void TestVirtualLink::discardDrops()
{
    VirtualLink link;
    link.setPaced(false);
    QSignalSpy spy(&link, &VirtualLink::received);
    QVERIFY(link.OpenPort());
    SendStr(link, QStringLiteral("abc"));
    link.ClosePort(Link::CloseMode::Discard);
    QVERIFY(!link.isOpen());
    QCOMPARE(link.pendingFrames(), 0);
    QTest::qWait(50);
    QCOMPARE(spy.count(), 0);
}

void TestVirtualLink::discardDuringDrainEndsIt()
{
    // 1,000 paced frames would take minutes: only the discard can end this.
    VirtualLink link;
    QSignalSpy spy(&link, &VirtualLink::received);
    QVERIFY(link.OpenPort());
    for (int i = 0; i < 1000; ++i)
        link.SendKey(1, 1, 3);
    QTimer::singleShot(50, &link, [&link] { link.ClosePort(Link::CloseMode::Discard); });
    link.ClosePort(Link::CloseMode::Drain);
    QVERIFY(!link.isOpen());
    QCOMPARE(link.pendingFrames(), 0);
    QVERIFY(receivedPieces(spy) < 1000);
}

void TestVirtualLink::pacedModePaces()
{
    VirtualLink link;
    QVERIFY(link.isPaced());
    QSignalSpy spy(&link, &VirtualLink::received);
    QVERIFY(link.OpenPort());
    SendStr(link, QStringLiteral("xyz"));
    QCoreApplication::processEvents();
    QVERIFY(receivedPieces(spy) < 3);
    QCOMPARE(link.pendingFrames(), 3 - receivedPieces(spy));
    QTRY_COMPARE_WITH_TIMEOUT(receivedPieces(spy), 3, 10000);
    QCOMPARE(receivedText(spy), QStringLiteral("xyz"));
}

void TestVirtualLink::kanaIsNotSplitFromItsQueuedMark()
{
    // Paced, the base comes out one frame time before its mark; the queue is
    // not empty in between, so the base must wait for it.
    VirtualLink link;
    QSignalSpy spy(&link, &VirtualLink::received);
    QVERIFY(link.OpenPort());
    SendStr(link, QStringLiteral("ばか"));
    link.ClosePort();
    QCOMPARE(allPieces(spy), (QStringList{QStringLiteral("ば"), QStringLiteral("か")}));
}

QTEST_GUILESS_MAIN(TestVirtualLink)
#include "tst_virtuallink.moc"
