#include "device/portlink.h"
#include "ptypair.h"
#include "testutil.h"

/// A port link with spies on what it tells its owner.
struct Watched : PortLink
{
    QStringList pieces() const { return piecesOf(received); }
    QSignalSpy received{this, &PortLink::received};
    QSignalSpy opened{this, &PortLink::opened};
    QSignalSpy failures{this, &Link::failed};
};

class TestPortLink : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void theTextPicksTheLink_data()
    {
        QTest::addColumn<QString>("port"); // "pty": a fresh pseudo-terminal
        QTest::addColumn<bool>("isVirtual");
        QTest::addColumn<int>("error"); // LinkError::Kind of the open
        QTest::newRow("virtual") << u"virtual"_s << true << int(LinkError::None);
        QTest::newRow("blanks around") << u" virtual\t"_s << true << int(LinkError::None);
        QTest::newRow("a serial port") << u"pty"_s << false << int(LinkError::None);
        // Only the exact word: anything else is a device name, and there is none.
        QTest::newRow("capital") << u"Virtual"_s << false << int(LinkError::NotFound);
        QTest::newRow("no port") << u"0"_s << false << int(LinkError::BadPortNumber);
        QTest::newRow("blank") << u"  "_s << false << int(LinkError::NoPortGiven);
    }
    /// Keys reach the device the port text names, and only that one.
    void theTextPicksTheLink()
    {
        QFETCH(QString, port);
        QFETCH(bool, isVirtual);
        QFETCH(int, error);
        PtyPair pty;
        Watched link;
        link.setCommPort(port == "pty"_L1 ? pty.path() : port);
        QCOMPARE(link.OpenPort(), error == LinkError::None);
        QCOMPARE(int(link.lastError().kind), error);
        QCOMPARE(link.isOpen(), error == LinkError::None);
        QCOMPARE(link.isVirtual(), isVirtual);
        QCOMPARE(link.opened.count(), error == LinkError::None ? 1 : 0);
        link.SendKey(6, 2, 3);
        link.ClosePort(Link::CloseMode::Drain);
        QVERIFY(!link.isOpen());
        QCOMPARE(link.pieces(), isVirtual ? QStringList{u"[ENTER]"_s} : QStringList());
        const bool toPty = port == "pty"_L1;
        QCOMPARE(pty.readAvailable(), toPty ? framesOf({{3, 6, 2}}) : QByteArray());
        link.SendKey(6, 2, 3); // closed: dropped by either link
        QCoreApplication::processEvents();
        QCOMPARE(link.pieces().size(), isVirtual ? 1 : 0);
        QCOMPARE(pty.readAvailable(), QByteArray());
    }

    /// An open link stays as it is until it closes, whatever the text says by
    /// then; the next open takes the text anew.
    void anOpenLinkIsKeptUntilClosed()
    {
        PtyPair pty;
        Watched link;
        link.setCommPort(u"virtual"_s);
        QVERIFY(link.OpenPort());
        link.setCommPort(pty.path());
        QVERIFY(link.OpenPort() && link.isVirtual());
        QCOMPARE(link.opened.count(), 1); // nothing was opened the second time
        link.SendKey(1, 1, 3);
        link.ClosePort(Link::CloseMode::Drain);
        QCOMPARE(link.pieces(), QStringList{u"[UP]"_s});

        QVERIFY(link.OpenPort() && !link.isVirtual());
        link.setCommPort(u"virtual"_s);
        QVERIFY(link.OpenPort() && !link.isVirtual());
        link.SendKey(2, 2, 3);
        link.ClosePort(Link::CloseMode::Drain);
        QCOMPARE(pty.readAvailable(), framesOf({{3, 2, 2}}));
        QCOMPARE(link.pieces(), QStringList{u"[UP]"_s});
    }

    /// The failure of the link underneath is this link's: its signal, its
    /// last error, and the next good open clears it.
    void failuresAreItsOwn()
    {
        PtyPair pty;
        Watched link;
        link.setCommPort(pty.path());
        QVERIFY(link.OpenPort());
        pty.hangUp(); // as an unplugged adapter
        for (int i = 0; i < 5; ++i)
            link.SendKey(1, 1, 3);
        QTRY_COMPARE_WITH_TIMEOUT(link.failures.count(), 1, 5000);
        QCOMPARE(link.failures.at(0).at(0).value<LinkError>().kind, LinkError::WriteFailed);
        QCOMPARE(link.lastError().kind, LinkError::WriteFailed);
        QVERIFY(!link.isOpen());
        link.setCommPort(u"virtual"_s);
        QVERIFY(link.OpenPort());
        QCOMPARE(link.lastError().kind, LinkError::None);
    }

    /// Set before the open or during a burst, pacing off lets queued frames
    /// go at once: 30 paced frames would take four and a half seconds.
    void pacingReachesEitherLink()
    {
        for (int run = 0; run < 4; ++run) {
            const bool isVirtual = run < 2, beforeOpen = run % 2 == 0;
            PtyPair pty;
            Watched link;
            if (beforeOpen)
                link.setPaced(false);
            link.setCommPort(isVirtual ? u"virtual"_s : pty.path());
            QVERIFY(link.OpenPort());
            for (int i = 0; i < 30; ++i)
                link.SendKey(1, 1, 3);
            QVERIFY(link.framesInFlight() > 0);
            QVERIFY(link.nsUntilProgress() > 0);
            if (!beforeOpen)
                link.setPaced(false);
            QVERIFY(!link.isPaced());
            QByteArray got;
            QTRY_VERIFY_WITH_TIMEOUT(((got += pty.readNow()), link.framesInFlight() == 0), 2500);
            link.ClosePort(Link::CloseMode::Drain);
            QCOMPARE(link.pieces().size(), isVirtual ? 30 : 0);
            QCOMPARE((got + pty.readAvailable()).size(), isVirtual ? 0 : 30 * 8);
        }
    }
};

QTEST_GUILESS_MAIN(TestPortLink)
#include "tst_portlink.moc"
