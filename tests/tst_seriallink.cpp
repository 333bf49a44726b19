#include "link/seriallink.h"
#include "ptypair.h"
#include "testutil.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <thread>

using namespace tapwright;

namespace {

/// Reads `count` bytes from the pty while letting the link's event loop run.
QByteArray pumpAndRead(PtyPair &pty, qsizetype count, int timeoutMs = 5000)
{
    QByteArray data;
    QDeadlineTimer deadline(timeoutMs);
    while (data.size() < count && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        data += pty.read(count - data.size(), 5);
    }
    return data;
}

std::vector<KeyCode> manyCodes(int n)
{
    std::vector<KeyCode> codes;
    for (int i = 0; i < n; ++i)
        codes.push_back(KeyCode{1 + i % 2, 1 + (i / 2) % 15, 1 + (i / 30) % 15});
    return codes;
}

void sendAll(Link &link, const std::vector<KeyCode> &codes)
{
    for (const KeyCode &c : codes)
        link.SendKey(c.row, c.column, c.table);
}

} // namespace

class TestSerialLink : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void upGivesItsFrame();
    void lineSettingsAtOpen();
    void closedPortDropsSilently();
    void openOnOpenPortKeepsThePort();
    void bytesLeaveUnconverted();
    void closeWaitsForEveryQueuedByte();
    void burstFarLargerThanAnyBuffer();
    void openFailures_data();
    void openFailures();
    void busyPort();
    void unpluggedDeviceReportedOnce();
    void stalledPortGivesUpAndSaysSo();
    void discardDuringDrainEndsIt();
    void reopenAfterClose();
    void resolve_data();
    void resolve();
    void describeTexts_data();
    void describeTexts();
    // Leaves the event loops unusable: keep it last.
    void quittingDuringDrainDropsTheQueue();
};

void TestSerialLink::initTestCase()
{
    qRegisterMetaType<LinkError>();
}

void TestSerialLink::upGivesItsFrame()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    SerialLink link;
    link.setCommPort(pty.path());
    QVERIFY2(link.OpenPort(), qPrintable(describe(link.lastError())));
    link.SendKey(1, 1, 3);
    QCOMPARE(pumpAndRead(pty, 8).toHex(' '), QByteArray("f2 02 01 00 00 03 01 01"));
    link.ClosePort();
    QVERIFY(!link.isOpen());
}

void TestSerialLink::lineSettingsAtOpen()
{
    PtyPair pty;
    SerialLink link;
    link.setCommPort(pty.path());
    QVERIFY(link.OpenPort());
    const QSerialPort &port = link.port();
    QCOMPARE(port.baudRate(QSerialPort::Output), 600);
    QCOMPARE(port.dataBits(), QSerialPort::Data8);
    QCOMPARE(port.parity(), QSerialPort::EvenParity);
    QCOMPARE(port.stopBits(), QSerialPort::OneStop);
    QCOMPARE(port.flowControl(), QSerialPort::NoFlowControl);
    QCOMPARE(port.openMode(), QIODevice::WriteOnly);
}

void TestSerialLink::closedPortDropsSilently()
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
}

void TestSerialLink::openOnOpenPortKeepsThePort()
{
    PtyPair first, second;
    SerialLink link;
    link.setCommPort(first.path());
    QVERIFY(link.OpenPort());
    link.setCommPort(second.path());
    QVERIFY(link.OpenPort());
    link.SendKey(1, 2, 3);
    link.ClosePort();
    QCOMPARE(first.readAvailable().toHex(' '), QByteArray("f2 02 01 00 00 03 01 02"));
    QVERIFY(second.readAvailable().isEmpty());
}

void TestSerialLink::bytesLeaveUnconverted()
{
    // LF, CR, XON, XOFF and F2 must not be translated, doubled or swallowed.
    PtyPair pty;
    SerialLink link;
    link.setCommPort(pty.path());
    QVERIFY(link.OpenPort());
    link.SendKey(0x0D, 0x11, 0x0A);
    link.SendKey(0xF2, 0x13, 0x00);
    link.SendKey(0x7F, 0x0A, 0xFF);
    link.ClosePort();
    QCOMPARE(pty.readAvailable().toHex(' '),
             QByteArray("f2 02 01 00 00 0a 0d 11 f2 02 01 00 00 00 f2 13 f2 02 01 00 00 ff 7f 0a"));
}

void TestSerialLink::closeWaitsForEveryQueuedByte()
{
    // Nobody reads while the frames are queued and the port is closed: every
    // byte must still arrive, in order, once the reader looks.
    PtyPair pty;
    SerialLink link;
    link.setCommPort(pty.path());
    QVERIFY(link.OpenPort());
    const auto codes = manyCodes(200);
    sendAll(link, codes);
    link.ClosePort(Link::CloseMode::Drain);
    QVERIFY(!link.isOpen());
    const QByteArray got = pty.read(1600, 2000);
    QCOMPARE(got.size(), 1600);
    QCOMPARE(got, framesOf(codes));
}

void TestSerialLink::burstFarLargerThanAnyBuffer()
{
    // 20,000 frames: far beyond a 512-byte transmit buffer and the pty's own.
    PtyPair pty;
    SerialLink link;
    link.setCommPort(pty.path());
    QVERIFY(link.OpenPort());
    const auto codes = manyCodes(20000);
    const QByteArray expected = framesOf(codes);
    QByteArray got;
    std::thread reader([&] { got = pty.read(expected.size(), 10000); });
    sendAll(link, codes);
    link.ClosePort(Link::CloseMode::Drain);
    reader.join();
    QCOMPARE(got.size(), expected.size());
    QVERIFY(got == expected);
}

void TestSerialLink::openFailures_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << QString() << int(LinkError::NoPortGiven)
                           << QStringLiteral("no serial port given");
    QTest::newRow("blank") << QStringLiteral("  \t") << int(LinkError::NoPortGiven)
                           << QStringLiteral("no serial port given");
    QTest::newRow("zero") << QStringLiteral("0") << int(LinkError::BadPortNumber)
                          << QStringLiteral("port \"0\" is not a valid port number (use 1 or "
                                            "more, or a device path)");
    QTest::newRow("missing path")
        << QStringLiteral("/dev/tapwright-no-such-port") << int(LinkError::NotFound)
        << QStringLiteral("cannot open port \"/dev/tapwright-no-such-port\": no such device");
    QTest::newRow("missing bare name")
        << QStringLiteral("ttyTapwrightNone") << int(LinkError::NotFound)
        << QStringLiteral("cannot open port \"ttyTapwrightNone\" (/dev/ttyTapwrightNone): no such "
                          "device");
}

void TestSerialLink::openFailures()
{
    QFETCH(QString, port);
    QFETCH(int, kind);
    QFETCH(QString, message);
    SerialLink link;
    link.setCommPort(port);
    QVERIFY(!link.OpenPort());
    QVERIFY(!link.isOpen());
    QCOMPARE(int(link.lastError().kind), kind);
    QCOMPARE(describe(link.lastError()), message);
}

void TestSerialLink::busyPort()
{
    PtyPair pty;
    SerialLink holder, other;
    holder.setCommPort(pty.path());
    QVERIFY(holder.OpenPort());
    other.setCommPort(pty.path());
    QVERIFY(!other.OpenPort());
    QVERIFY(!other.isOpen());
    QCOMPARE(other.lastError().kind, LinkError::Busy);
    const QString message = describe(other.lastError());
    QVERIFY2(message.startsWith(QStringLiteral("cannot open port \"%1\": it is in use by another "
                                               "program or window")
                                    .arg(pty.path())),
             qPrintable(message));
    // The holder is not disturbed, and the port is free again once it lets go.
    holder.SendKey(1, 1, 3);
    holder.ClosePort();
    QCOMPARE(pty.readAvailable().size(), 8);
    QVERIFY2(other.OpenPort(), qPrintable(describe(other.lastError())));
}

void TestSerialLink::unpluggedDeviceReportedOnce()
{
    auto pty = std::make_unique<PtyPair>();
    SerialLink link;
    QSignalSpy failed(&link, &Link::failed);
    link.setCommPort(pty->path());
    QVERIFY(link.OpenPort());
    link.SendKey(1, 1, 3);
    QCOMPARE(pumpAndRead(*pty, 8).size(), 8);

    pty->hangUp();
    for (int i = 0; i < 50; ++i)
        link.SendKey(1, 1, 3);
    QTRY_COMPARE(failed.count(), 1);
    QVERIFY(!link.isOpen());
    for (int i = 0; i < 5; ++i)
        link.SendKey(1, 1, 3); // dropped: the port is closed now
    link.ClosePort();
    QTest::qWait(50);
    QCOMPARE(failed.count(), 1);
    const auto error = failed.at(0).at(0).value<LinkError>();
    QCOMPARE(error.kind, LinkError::WriteFailed);
    QVERIFY2(describe(error).startsWith(QStringLiteral("writing to port \"%1\" failed")
                                            .arg(link.commPort())),
             qPrintable(describe(error)));
    QVERIFY(describe(error).endsWith(QStringLiteral("; the port was closed")));
}

void TestSerialLink::stalledPortGivesUpAndSaysSo()
{
    // Nobody ever reads: the pty fills and the queue stops moving.
    PtyPair pty;
    SerialLink link;
    link.setStallTimeout(300);
    QSignalSpy failed(&link, &Link::failed);
    link.setCommPort(pty.path());
    QVERIFY(link.OpenPort());
    sendAll(link, manyCodes(10000));
    link.ClosePort(Link::CloseMode::Drain);
    QVERIFY(!link.isOpen());
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).value<LinkError>().kind, LinkError::Stalled);
}

void TestSerialLink::discardDuringDrainEndsIt()
{
    // The user quits while a close is still draining: the discard must end
    // the wait at once instead of leaving the first close waiting forever.
    PtyPair pty;
    SerialLink link;
    link.setCommPort(pty.path());
    QVERIFY(link.OpenPort());
    sendAll(link, manyCodes(10000));
    QTimer::singleShot(50, &link, [&link] { link.ClosePort(Link::CloseMode::Discard); });
    link.ClosePort(Link::CloseMode::Drain);
    QVERIFY(!link.isOpen());
    QVERIFY(!link.lastError().isError());
}

void TestSerialLink::reopenAfterClose()
{
    PtyPair pty;
    SerialLink link;
    link.setCommPort(pty.path());
    for (int i = 0; i < 3; ++i) {
        QVERIFY(link.OpenPort());
        link.SendKey(2, 5, 3);
        link.ClosePort();
    }
    QCOMPARE(pty.readAvailable(), framesOf({{3, 2, 5}, {3, 2, 5}, {3, 2, 5}}));
}

void TestSerialLink::resolve_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("kind");
#ifdef Q_OS_WIN
    QTest::newRow("1") << "1" << "COM1" << int(LinkError::None);
#else
    QTest::newRow("1 is the first serial port") << "1" << "/dev/ttyS0" << int(LinkError::None);
    QTest::newRow("16") << "16" << "/dev/ttyS15" << int(LinkError::None);
    QTest::newRow("spaces around") << " 3 " << "/dev/ttyS2" << int(LinkError::None);
#endif
    QTest::newRow("path") << "/dev/ttyUSB0" << "/dev/ttyUSB0" << int(LinkError::None);
    QTest::newRow("by-id path") << "/dev/serial/by-id/usb-x" << "/dev/serial/by-id/usb-x"
                                << int(LinkError::None);
    QTest::newRow("bare name") << "ttyUSB0" << "ttyUSB0" << int(LinkError::None);
    QTest::newRow("number with sign") << "+1" << "+1" << int(LinkError::None);
    QTest::newRow("empty") << "" << "" << int(LinkError::NoPortGiven);
    QTest::newRow("blank") << "   " << "" << int(LinkError::NoPortGiven);
    QTest::newRow("zero") << "0" << "" << int(LinkError::BadPortNumber);
    QTest::newRow("huge") << "99999999999999" << "" << int(LinkError::BadPortNumber);
}

void TestSerialLink::resolve()
{
    QFETCH(QString, text);
    QFETCH(QString, device);
    QFETCH(int, kind);
    const PortName name = resolvePortName(text);
    QCOMPARE(int(name.error.kind), kind);
    QCOMPARE(name.device, device);
}

void TestSerialLink::describeTexts_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("message");
    QTest::newRow("permission")
        << int(LinkError::PermissionDenied) << "Permission denied"
        << "cannot open port \"1\" (/dev/ttyS0): Permission denied (the user may need to be in "
           "the \"dialout\" group)";
    QTest::newRow("busy") << int(LinkError::Busy) << "" << "cannot open port \"1\" (/dev/ttyS0): it "
                                                           "is in use by another program or window";
    QTest::newRow("write") << int(LinkError::WriteFailed) << "Input/output error"
                           << "writing to port \"1\" (/dev/ttyS0) failed: Input/output error; the "
                              "port was closed";
    QTest::newRow("stalled") << int(LinkError::Stalled) << ""
                             << "port \"1\" (/dev/ttyS0) stopped sending; the frames still queued "
                                "were dropped";
}

void TestSerialLink::describeTexts()
{
    QFETCH(int, kind);
    QFETCH(QString, reason);
    QFETCH(QString, message);
    const LinkError error{LinkError::Kind(kind), QStringLiteral("1"), QStringLiteral("/dev/ttyS0"),
                          reason};
    QCOMPARE(describe(error), message);
}

void TestSerialLink::quittingDuringDrainDropsTheQueue()
{
    // Nobody reads, so the drain would wait; the program quits meanwhile.
    PtyPair pty;
    SerialLink link;
    QSignalSpy failed(&link, &Link::failed);
    link.setCommPort(pty.path());
    QVERIFY(link.OpenPort());
    sendAll(link, manyCodes(10000));
    QTimer::singleShot(50, [] { QCoreApplication::exit(0); });
    link.ClosePort(Link::CloseMode::Drain);
    QVERIFY(!link.isOpen());
    QCOMPARE(failed.count(), 0);
    QVERIFY(pty.readAvailable().size() < 80000);
}

QTEST_GUILESS_MAIN(TestSerialLink)
#include "tst_seriallink.moc"
