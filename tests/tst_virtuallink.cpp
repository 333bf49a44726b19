#include "device/virtuallink.h"
#include "testutil.h"
#include "text/textsender.h"

struct Open : VirtualLink
{
    explicit Open(bool paced)
    {
        setPaced(paced);
        OpenPort();
    }
    QStringList pieces() const { return piecesOf(spy); }
    QByteArray bytes() const
    {
        QByteArray all;
        for (const QList<QVariant> &call : bytesSpy)
            all += call.at(0).toByteArray();
        return all;
    }
    QSignalSpy spy{this, &VirtualLink::received};
    QSignalSpy bytesSpy{this, &VirtualLink::lineBytes};
};

class TestVirtualLink : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pacingKeepsOrderAndKanaAndADiscardEndsADrain()
    {
        Open link(true);
        SendStr(link, u"xばか"_s);
        QCoreApplication::processEvents();
        QVERIFY(link.pieces().size() < 3);
        // The base comes out a frame time before its mark, and must wait for it.
        QTRY_COMPARE_WITH_TIMEOUT(link.pieces(), (QStringList{u"x"_s, u"ば"_s, u"か"_s}), 10000);
        const qsizetype textBytes = link.bytes().size();
        // 1,000 paced frames would take minutes: only the discard can end this.
        for (int i = 0; i < 1000; ++i)
            link.SendKey(1, 1, 3);
        QTimer::singleShot(50, &link, [&link] { link.ClosePort(Link::CloseMode::Discard); });
        // Should the discard leave the frames queued, they come out fast, and
        // the count below fails.
        QTimer::singleShot(5000, &link, [&link] { link.setPaced(false); });
        link.ClosePort(Link::CloseMode::Drain);
        QVERIFY(!link.isOpen());
        QCOMPARE(link.framesInFlight(), 0);
        const qsizetype delivered = link.pieces().size();
        QTest::qWait(50);
        QCOMPARE(link.pieces().size(), delivered);
        QVERIFY(delivered < 1003);
        // The frames that came out, not those the discard dropped; and none
        // of them once the port opens again.
        QCOMPARE(link.framesSent(), link.bytes().size() / 8);
        link.OpenPort();
        QCOMPARE(link.framesSent(), 0);
        // The line's bytes: each frame that came out, and none of those dropped.
        QCOMPARE(link.bytes().mid(textBytes).toHex(' '),
                 framesOf(Codes(std::size_t(delivered - 3), {3, 1, 1})).toHex(' '));
    }
};

QTEST_GUILESS_MAIN(TestVirtualLink)
#include "tst_virtuallink.moc"
