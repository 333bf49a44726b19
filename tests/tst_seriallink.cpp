#include "link/seriallink.h"
#include "ptypair.h"
#include "testutil.h"
#include "text/textsender.h"

#include <QSignalSpy>
#include <QTimer>

using namespace tapwright;

static Codes manyCodes(int n)
{
    Codes codes;
    for (int i = 0; i < n; ++i)
        codes.push_back(KeyCode{1 + i % 2, 1 + (i / 2) % 15, 1 + (i / 30) % 15});
    return codes;
}

/// A link opened on `pty` with `codes` queued.
struct OpenLink
{
    explicit OpenLink(const PtyPair &pty, const Codes &codes = {})
    {
        link.setCommPort(pty.path());
        if (!link.OpenPort())
            qFatal("cannot open %s", qPrintable(describe(link.lastError())));
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

    void upAndCharactersGiveTheirFrames()
    {
        PtyPair pty;
        OpenLink open(pty);
        // The device wants 600 baud, 8 data bits, even parity, one stop bit.
        termios line{};
        QCOMPARE(::tcgetattr(pty.masterFd(), &line), 0);
        QCOMPARE(::cfgetospeed(&line), speed_t(B600));
        QCOMPARE(line.c_cflag & CSTOPB, tcflag_t(0));
        // A pty always reads as 8 bits without parity: ask the port instead.
        QCOMPARE(open.link.port().parity(), QSerialPort::EvenParity);
        open.link.SendKey(1, 1, 3);
        SendStr(open.link, u"ｶﾞ1"_s);
        QCOMPARE(pty.pump(32).toHex(' '), QByteArray("f2 02 01 00 00 03 01 01 "
                                                     "f2 02 01 00 00 01 02 01 "
                                                     "f2 02 01 00 00 01 0a 04 "
                                                     "f2 02 01 00 00 01 0e 01"));
    }

    void closedPortDropsSilently()
    {
        PtyPair pty;
        SerialLink link;
        QSignalSpy failed(&link, &Link::failed);
        link.setCommPort(pty.path());
        link.SendKey(1, 1, 3); // never opened
        QVERIFY(link.OpenPort());
        link.ClosePort();
        link.SendKey(1, 1, 3); // closed again
        QCoreApplication::processEvents();
        QVERIFY(pty.readAvailable().isEmpty());
        QCOMPARE(failed.count(), 0);
        QVERIFY(!link.lastError().isError());
        QVERIFY(link.OpenPort()); // and it opens again
        link.SendKey(2, 5, 3);
        link.ClosePort();
        QCOMPARE(pty.readAvailable(), framesOf({{3, 2, 5}}));
    }

    void openOnOpenPortKeepsThePort()
    {
        PtyPair first, second;
        OpenLink open(first);
        open.link.setCommPort(second.path());
        QVERIFY(open.link.OpenPort());
        open.link.SendKey(1, 2, 3);
        open.link.ClosePort();
        QCOMPARE(first.readAvailable().toHex(' '), QByteArray("f2 02 01 00 00 03 01 02"));
        QVERIFY(second.readAvailable().isEmpty());
    }

    void bytesLeaveUnconverted()
    {
        // LF, CR, XON, XOFF and F2 must not be translated, doubled or swallowed.
        PtyPair pty;
        OpenLink open(pty, {{0x0A, 0x0D, 0x11}, {0x00, 0xF2, 0x13}, {0xFF, 0x7F, 0x0A}});
        open.link.ClosePort();
        QCOMPARE(pty.readAvailable().toHex(' '), QByteArray("f2 02 01 00 00 0a 0d 11 "
                                                            "f2 02 01 00 00 00 f2 13 "
                                                            "f2 02 01 00 00 ff 7f 0a"));
    }

    void closeWaitsForEveryQueuedByte()
    {
        // Nobody reads while the frames are queued and the port is closed:
        // every byte must still arrive, in order, once the reader looks.
        PtyPair pty;
        const Codes codes = manyCodes(200);
        OpenLink open(pty, codes);
        open.link.ClosePort(Link::CloseMode::Drain);
        QVERIFY(!open.link.isOpen());
        const QByteArray got = pty.read(1600, 2000);
        QCOMPARE(got.size(), 1600);
        QCOMPARE(got, framesOf(codes));
    }

    void openFailures_data()
    {
        QTest::addColumn<QString>("port"); // "PTY": the pty, held by another link
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << QString() << u"no serial port given"_s;
        QTest::newRow("zero") << u"0"_s
                              << u"port \"0\" is not a valid port number (use 1 or more, or a "
                                 "device path)"_s;
        QTest::newRow("missing path")
            << u"/dev/tapwright-no-such-port"_s
            << u"cannot open port \"/dev/tapwright-no-such-port\": no such device"_s;
        QTest::newRow("missing bare name")
            << u"ttyTapwrightNone"_s
            << u"cannot open port \"ttyTapwrightNone\" (/dev/ttyTapwrightNone): no such device"_s;
        QTest::newRow("busy") << u"PTY"_s
                              << u"cannot open port \"PTY\": it is in use by another program or "
                                 "window"_s;
    }
    void openFailures()
    {
        QFETCH(QString, port);
        QFETCH(QString, message);
        PtyPair pty;
        std::optional<OpenLink> holder;
        if (port == "PTY"_L1)
            holder.emplace(pty);
        SerialLink link;
        link.setCommPort(port.replace("PTY"_L1, pty.path()));
        QVERIFY(!link.OpenPort());
        QVERIFY(!link.isOpen());
        const QString text = describe(link.lastError());
        message.replace("PTY"_L1, pty.path());
        // The system may add its own reason to "busy".
        QVERIFY2(holder ? text.startsWith(message) : text == message, qPrintable(text));
        if (holder) {
            // The port is free once the holder lets go.
            holder->link.ClosePort();
            QVERIFY2(link.OpenPort(), qPrintable(describe(link.lastError())));
        }
    }

    void unpluggedDeviceReportedOnce()
    {
        PtyPair pty;
        OpenLink open(pty, {{3, 1, 1}});
        QCOMPARE(pty.pump(8).size(), 8);
        pty.hangUp();
        for (int i = 0; i < 50; ++i)
            open.link.SendKey(1, 1, 3);
        QTRY_COMPARE(open.failed.count(), 1);
        QVERIFY(!open.link.isOpen());
        open.link.SendKey(1, 1, 3); // dropped: the port is closed now
        open.link.ClosePort();
        QTest::qWait(50);
        QCOMPARE(open.failed.count(), 1);
        const auto error = open.failed.at(0).at(0).value<LinkError>();
        QCOMPARE(error.kind, LinkError::WriteFailed);
        const QString text = describe(error);
        QVERIFY2(text.startsWith(u"writing to port \"%1\" failed"_s.arg(pty.path())),
                 qPrintable(text));
        QVERIFY(text.endsWith("; the port was closed"_L1));
    }

    void stalledPortGivesUpAndSaysSo()
    {
        // Nobody ever reads: the pty fills and the queue stops moving.
        PtyPair pty;
        OpenLink open(pty, manyCodes(10000));
        open.link.setStallTimeout(300);
        open.link.ClosePort(Link::CloseMode::Drain);
        QVERIFY(!open.link.isOpen());
        QCOMPARE(open.failed.count(), 1);
        QCOMPARE(open.failed.at(0).at(0).value<LinkError>().kind, LinkError::Stalled);
    }

    void portNumbersNameSerialDevices()
    {
        QCOMPARE(resolvePortName(u" 1 "_s).device, u"/dev/ttyS0"_s);
        QCOMPARE(resolvePortName(u"16"_s).device, u"/dev/ttyS15"_s);
        QCOMPARE(resolvePortName(u"+1"_s).device, u"+1"_s); // a name, not a number
        QCOMPARE(resolvePortName(u"99999999999999"_s).error.kind, LinkError::BadPortNumber);
    }

    void describeTexts()
    {
        const auto text = [](LinkError::Kind kind, const char *reason) {
            return describe(LinkError{kind, u"1"_s, u"/dev/ttyS0"_s, QString::fromLatin1(reason)});
        };
        QCOMPARE(text(LinkError::PermissionDenied, "Permission denied"),
                 u"cannot open port \"1\" (/dev/ttyS0): Permission denied (the user may need to "
                 "be in the \"dialout\" group)"_s);
        QCOMPARE(text(LinkError::WriteFailed, "Input/output error"),
                 u"writing to port \"1\" (/dev/ttyS0) failed: Input/output error; the port was "
                 "closed"_s);
        QCOMPARE(
            text(LinkError::Stalled, ""),
            u"port \"1\" (/dev/ttyS0) stopped sending; the frames still queued were dropped"_s);
    }

    // The program quitting leaves the event loops unusable: keep this last.
    void aDiscardOrTheProgramQuittingEndsADrain()
    {
        for (bool quit : {false, true}) {
            // Nobody reads, so the drain would wait forever.
            PtyPair pty;
            OpenLink open(pty, manyCodes(10000));
            SerialLink &link = open.link;
            QTimer::singleShot(50, &link, [&link, quit] {
                if (quit)
                    QCoreApplication::exit(0);
                else
                    link.ClosePort(Link::CloseMode::Discard);
            });
            link.ClosePort(Link::CloseMode::Drain);
            QVERIFY(!link.isOpen());
            QCOMPARE(open.failed.count(), 0);
            QVERIFY(pty.readAvailable().size() < 80000);
        }
    }
};

QTEST_GUILESS_MAIN(TestSerialLink)
#include "tst_seriallink.moc"
