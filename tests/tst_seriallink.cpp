#include "link/seriallink.h"
#include "macro/messages.h"
#include "ptypair.h"
#include "testutil.h"
#include "text/textsender.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

struct OpenLink
{
    /// Unpaced, the link hands frames over as fast as the pty takes them.
    explicit OpenLink(const PtyPair &pty, const Codes &codes = {}, bool paced = true)
    {
        link.setPaced(paced);
        link.setCommPort(pty.path());
        link.OpenPort();
        for (const KeyCode &c : codes)
            link.SendKey(c.row, c.column, c.table);
    }
    SerialLink link;
    QSignalSpy failed{&link, &Link::failed};
};

class TestSerialLink : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { qRegisterMetaType<LinkError>(); }

    void anOpenPortSendsEveryFrameExactlyAndNothingElse()
    {
        PtyPair pty, other;
        SerialLink link;
        QSignalSpy failed(&link, &Link::failed);
        link.setPaced(false); // the bytes are the point here, not their pace
        link.setCommPort(pty.path());
        link.SendKey(1, 2, 3); // not open yet: dropped, silently
        QVERIFY(link.OpenPort());
        link.setCommPort(other.path());
        QVERIFY(link.OpenPort()); // already open: stays on the first pty
        link.SendKey(1, 1, 3);
        SendStr(link, u"ｶﾞ"_s);
        // LF, CR, XON, XOFF and F2 must not be translated, doubled or swallowed.
        link.SendKey(0x0D, 0x11, 0x0A);
        link.SendKey(0xF2, 0x13, 0x00);
        QCOMPARE(pty.read(40).toHex(' '),
                 QByteArray("f2 02 01 00 00 03 01 01 f2 02 01 00 00 01 02 01 "
                            "f2 02 01 00 00 01 0a 04 f2 02 01 00 00 0a 0d 11 "
                            "f2 02 01 00 00 00 f2 13"));
        link.ClosePort(Link::CloseMode::Drain);
        link.SendKey(1, 2, 3); // closed again: dropped
        QVERIFY(pty.readAvailable().isEmpty() && other.readAvailable().isEmpty());
        QCOMPARE(failed.count(), 0);
    }

    void opensAt600Baud8E1WithoutFlowControl()
    {
        PtyPair pty;
        OpenLink open(pty);
        QVERIFY(open.link.isOpen());
        QVERIFY(open.link.lineSettings() == (LineSettings{600, 8, 'E', 1, false}));
        // The pty's own record, read through its master. Its driver keeps no
        // parity and forces 8 data bits, so only the odd flag would show there;
        // speed, stop bits and flow control it keeps as the port set them.
        termios record{};
        QCOMPARE(::tcgetattr(pty.masterFd(), &record), 0);
        QCOMPARE(::cfgetospeed(&record), speed_t(B600));
        QCOMPARE(::cfgetispeed(&record), speed_t(B600));
        QCOMPARE(record.c_cflag & (PARODD | CSTOPB | CRTSCTS), tcflag_t(0));
        QCOMPARE(record.c_iflag & (IXON | IXOFF), tcflag_t(0));
    }

    void aLineLeftAtTheSettingsByAKilledProgramOpensAgain()
    {
        PtyPair pty;
        termios left{};
        {
            // What a program killed while the port was open leaves behind:
            // the line as Qt had set it, not restored.
            OpenLink open(pty);
            QVERIFY(open.link.isOpen());
            QCOMPARE(::tcgetattr(pty.slaveFd(), &left), 0);
        }
        const int fd = ::open(QFile::encodeName(pty.path()).constData(), O_WRONLY | O_NOCTTY);
        QVERIFY(fd >= 0 && ::tcsetattr(fd, TCSANOW, &left) == 0);
        ::close(fd);
        for (int again = 0; again < 2; ++again) {
            OpenLink open(pty, {{3, 1, 1}}, false);
            QVERIFY2(open.link.isOpen(), qPrintable(describe(open.link.lastError())));
            QCOMPARE(open.link.lineSettings().parity, 'E');
            open.link.ClosePort();
            QCOMPARE(pty.read(8), framesOf({{3, 1, 1}}));
        }
    }

    void aPacedLinkIsNeverMoreThanTwoFramesAheadOfTheLine()
    {
        // Read as fast as the pty gives: whatever is there at a moment has
        // left the link, and at most two frames of it may be ahead of what
        // the line has carried since the first one. A loaded machine reads
        // late, which only leaves the line more time.
        PtyPair pty;
        QElapsedTimer sinceFirst;
        sinceFirst.start();
        OpenLink open(pty, Codes(20, KeyCode{2, 5, 6}));
        QByteArray got;
        while (got.size() < 160 && sinceFirst.elapsed() < 20000) {
            QTest::qWait(5);
            got += pty.readNow();
            const qint64 carried = sinceFirst.nsecsElapsed() / frameNs();
            QVERIFY2(got.size() <= (2 + carried) * 8,
                     qPrintable(u"%1 bytes after %2 frame times"_s.arg(got.size()).arg(carried)));
        }
        QCOMPARE(got, framesOf(Codes(20, KeyCode{2, 5, 6})));
    }

    void aDroppedQueueNeverCutsWhatAPtyHolds()
    {
        // 600 frames sit unread in the pty: dropping the queue drops none of
        // them, and closing the pty must not cut them to what its reader's
        // buffer holds.
        PtyPair pty;
        const Codes codes(600, KeyCode{1, 4, 6});
        OpenLink open(pty, codes, false);
        QTRY_COMPARE_WITH_TIMEOUT(open.link.framesInFlight(), 0, 5000);
        open.link.ClosePort(Link::CloseMode::Discard);
        QVERIFY(!open.link.isOpen());
        QCOMPARE(pty.read(4800, 2000), framesOf(codes));
    }

    void portNumbersNameTheSystemsPorts()
    {
        // Port n is the system's port n - 1, all with one prefix.
        const QString prefix = resolvePortName(u"1"_s).device.chopped(1);
        QVERIFY(!prefix.isEmpty());
        for (int n = 1; n <= 16; ++n)
            QCOMPARE(resolvePortName(QString::number(n)).device, prefix + QString::number(n - 1));
        QCOMPARE(resolvePortName(u"+1"_s).device, u"+1"_s); // a name, not a number
        for (const QString &bad : {u"0"_s, u"99999999999999"_s})
            QCOMPARE(resolvePortName(bad).error.kind, LinkError::BadPortNumber);
    }

    // The program quitting leaves the event loops unusable: keep this last.
    void aDrainEndsOnAHangUpAStallADiscardOrTheProgramQuitting()
    {
        // 'S': the stall found while sending, with no drain asked for.
        for (char how : {'h', 's', 'S', 'd', 'q'}) {
            PtyPair pty; // never read: it fills, and the drain would wait forever
            OpenLink open(pty, Codes(10000, KeyCode{1, 1, 6}), false);
            SerialLink &link = open.link;
            QVERIFY(link.isOpen());
            // Long enough never to cut in before the others, short enough to
            // end a drain that they failed to end.
            const bool stall = how == 's' || how == 'S';
            link.setStallTimeout(stall ? 300 : 5000);
            QTimer::singleShot(50, &link, [&] {
                if (how == 'h')
                    pty.hangUp(); // as an unplugged adapter
                else if (how == 'd')
                    link.ClosePort(Link::CloseMode::Discard);
                else if (how == 'q')
                    QCoreApplication::exit(0);
            });
            if (how == 'S')
                QTRY_VERIFY_WITH_TIMEOUT(!link.isOpen(), 5000);
            else
                link.ClosePort(Link::CloseMode::Drain);
            QVERIFY(!link.isOpen());
            link.SendKey(1, 1, 3); // closed: dropped, and no second report
            QTest::qWait(50);
            QCOMPARE(open.failed.count(), how == 'h' || stall ? 1 : 0);
            if (how == 'h' || stall)
                QCOMPARE(open.failed.at(0).at(0).value<LinkError>().kind,
                         how == 'h' ? LinkError::WriteFailed : LinkError::Stalled);
            // Only whole frames ever reach the device, however the queue ends.
            const QByteArray got = pty.readAvailable();
            QVERIFY(got.size() < 80000);
            QVERIFY2(got.size() % 8 == 0, qPrintable(u"%1: %2 bytes"_s.arg(how).arg(got.size())));
            QCOMPARE(got, framesOf(Codes(got.size() / 8, KeyCode{1, 1, 6})));
        }
    }
};

QTEST_GUILESS_MAIN(TestSerialLink)
#include "tst_seriallink.moc"
