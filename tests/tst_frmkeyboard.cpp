#include "link/keytable.h"
#include "ptypair.h"
#include "testutil.h"
#include "ui/frmInput.h"
#include "ui/frmKeyboard.h"
#include "ui/frmMain.h"
#include "ui/seams.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>
#include <thread>

using namespace tapwright;
using namespace tapwright::ui;

namespace {

QStringList messages;

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

/// Frame of button f1, sent last so that anything sent before it shows up.
const QByteArray marker = framesOf({{3, 6, 1}});

void unloadAll()
{
    if (frmKeyboard::exists())
        frmKeyboard::instance()->close();
    if (frmInput::exists())
        frmInput::instance()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestFrmKeyboard : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void loadTakesTheMainWindowsSettings();
    void connectUsesTheBoxAtTheClick();
    void keyFrames_data();
    void keyFrames();
    void noButton_data();
    void noButton();
    void openFailure_data();
    void openFailure();
    void closeDrainsAndNextLoadIsFresh();
    void closeDuringDisconnectDrain();
    void unplugReportedOnce();

private:
    frmKeyboard *connected();
    std::unique_ptr<PtyPair> pty_;
};

void TestFrmKeyboard::initTestCase()
{
    seams().showMessage = [](QWidget *, const QString &text) { messages << text; };
}

void TestFrmKeyboard::init()
{
    messages.clear();
    pty_ = std::make_unique<PtyPair>();
    QVERIFY(pty_->isValid());
    // Before any load: the main window's own default names a real port.
    frmMain::instance()->cmbCommPort->setEditText(pty_->path());
}

void TestFrmKeyboard::cleanup()
{
    unloadAll();
    pty_.reset();
}

void TestFrmKeyboard::cleanupTestCase()
{
    unloadAll();
    delete frmMain::instance();
}

frmKeyboard *TestFrmKeyboard::connected()
{
    frmKeyboard *keypad = frmKeyboard::instance();
    // Whatever the code under test does wrong, never a real serial port.
    if (keypad->cmbCommPort->currentText() != pty_->path())
        return nullptr;
    keypad->Command1[ConnectButtonIndex]->click();
    return keypad->MSComm1().isOpen() ? keypad : nullptr;
}

void TestFrmKeyboard::loadTakesTheMainWindowsSettings()
{
    frmMain *main = frmMain::instance();
    frmKeyboard *keypad = frmKeyboard::instance();
    QCOMPARE(keypad->windowTitle(), main->Title + QStringLiteral(" ") + main->Version);
    QCOMPARE(keypad->cmbCommPort->currentText(), pty_->path());
    QCOMPARE(keypad->cmbCommPort->count(), 16);
    QCOMPARE(keypad->cmbCommPort->itemText(15), QStringLiteral("16"));
    QCOMPARE(keypad->Command1[ConnectButtonIndex]->text(), QStringLiteral("切断"));
    QVERIFY(!keypad->MSComm1().isOpen());
    QVERIFY(frmInput::exists() && frmInput::instance()->isVisible());

    // Tab goes through the keys by index, then the connect button, the port box.
    QList<QWidget *> expected;
    for (QPushButton *button : keypad->Command1)
        if (button)
            expected << button;
    expected << keypad->cmbCommPort;
    QList<QWidget *> chain;
    QWidget *w = expected.first();
    do {
        if (expected.contains(w))
            chain << w;
        w = w->nextInFocusChain();
    } while (w != expected.first());
    QCOMPARE(chain, expected);
}

void TestFrmKeyboard::connectUsesTheBoxAtTheClick()
{
    PtyPair other;
    frmKeyboard *keypad = frmKeyboard::instance();
    keypad->cmbCommPort->setEditText(other.path());
    keypad->Command1[ConnectButtonIndex]->click();
    QCOMPARE(keypad->Command1[ConnectButtonIndex]->text(), QStringLiteral("接続中"));
    QVERIFY(keypad->MSComm1().isOpen());
    QCOMPARE(keypad->CommPort, other.path());
    keypad->Command1[17]->click();
    QCOMPARE(pumpAndRead(other, 8).toHex(' '), QByteArray("f2 02 01 00 00 03 01 01"));

    keypad->Command1[ConnectButtonIndex]->click();
    QCOMPARE(keypad->Command1[ConnectButtonIndex]->text(), QStringLiteral("切断"));
    QVERIFY(!keypad->MSComm1().isOpen());
    QVERIFY(messages.isEmpty());
}

void TestFrmKeyboard::keyFrames_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("↑") << 17 << framesOf({{3, 1, 1}});
    QTest::newRow("■") << 20 << framesOf({{3, 6, 2}});
    QTest::newRow("0") << 37 << framesOf({{3, 2, 10}});
    QTest::newRow("#") << 38 << framesOf({{3, 2, 11}});
    QTest::newRow("f6") << 5 << framesOf({{3, 6, 6}});
    QTest::newRow("変換") << 15 << framesOf({{3, 6, 1}});
    QTest::newRow("OFF") << 24 << framesOf({{3, 2, 14}});
}

void TestFrmKeyboard::keyFrames()
{
    QFETCH(int, index);
    QFETCH(QByteArray, frame);
    frmKeyboard *keypad = frmKeyboard::instance();
    keypad->Command1[std::size_t(index)]->click(); // disconnected: dropped, not kept
    QVERIFY(connected());
    keypad->Command1[std::size_t(index)]->click();
    keypad->Command1_Click(0);
    QCOMPARE(pumpAndRead(*pty_, 16).toHex(' '), (frame + marker).toHex(' '));
}

void TestFrmKeyboard::noButton_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("16") << 16;
    QTest::newRow("-1") << -1;
    QTest::newRow("40") << 40;
    QTest::newRow("1000") << 1000;
}

void TestFrmKeyboard::noButton()
{
    QFETCH(int, index);
    frmKeyboard *keypad = connected();
    QVERIFY(keypad);
    keypad->Command1_Click(index);
    keypad->Command1_Click(0);
    QCOMPARE(pumpAndRead(*pty_, 8).toHex(' '), marker.toHex(' '));
    QVERIFY(keypad->MSComm1().isOpen());
    QCOMPARE(keypad->Command1[ConnectButtonIndex]->text(), QStringLiteral("接続中"));
}

void TestFrmKeyboard::openFailure_data()
{
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("why");
    QTest::newRow("busy") << true << QString() << QStringLiteral("使用中");
    QTest::newRow("missing") << false << QStringLiteral("/dev/tapwright-no-such-port")
                             << QStringLiteral("デバイスがありません");
}

void TestFrmKeyboard::openFailure()
{
    QFETCH(bool, busy);
    QFETCH(QString, port);
    QFETCH(QString, why);
    if (port.isEmpty())
        port = pty_->path();
    SerialLink holder;
    holder.setCommPort(pty_->path());
    if (busy)
        QVERIFY(holder.OpenPort());
    frmKeyboard *keypad = frmKeyboard::instance();
    keypad->cmbCommPort->setEditText(port);
    keypad->Command1[ConnectButtonIndex]->click();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains(port) && messages.first().contains(why),
             qPrintable(messages.first()));
    QCOMPARE(keypad->Command1[ConnectButtonIndex]->text(), QStringLiteral("切断"));
    QVERIFY(!keypad->MSComm1().isOpen());
}

void TestFrmKeyboard::closeDrainsAndNextLoadIsFresh()
{
    QPointer<frmKeyboard> keypad = connected();
    QVERIFY(keypad);
    frmInput::instance()->Text1->setText(QStringLiteral("kept"));
    keypad->SendStr(QStringLiteral("ab"));
    keypad->Command1_Click(0);
    keypad->close();
    QVERIFY(!frmKeyboard::exists());
    // Everything queued went out before the port closed, and the port is free.
    QCOMPARE(pty_->readAvailable().toHex(' '),
             (framesOf({{1, 4, 6}, {1, 4, 7}}) + marker).toHex(' '));
    SerialLink other;
    other.setCommPort(pty_->path());
    QVERIFY(other.OpenPort());
    QVERIFY(frmInput::exists() && !frmInput::instance()->isVisible());
    QCOMPARE(frmInput::instance()->Text1->text(), QStringLiteral("kept"));
    QTRY_VERIFY(keypad.isNull());

    frmMain::instance()->cmbCommPort->setEditText(QStringLiteral("/dev/tapwright-other"));
    frmKeyboard *fresh = frmKeyboard::instance();
    QCOMPARE(fresh->cmbCommPort->currentText(), QStringLiteral("/dev/tapwright-other"));
    QCOMPARE(fresh->Command1[ConnectButtonIndex]->text(), QStringLiteral("切断"));
}

void TestFrmKeyboard::closeDuringDisconnectDrain()
{
    // The window stays responsive while a disconnect waits for the queue; a
    // close meanwhile still lets every byte out and unloads the window.
    QPointer<frmKeyboard> keypad = connected();
    QVERIFY(keypad);
    const QString text(10000, QLatin1Char('a'));
    const QByteArray expected = framesOf(std::vector<KeyCode>(10000, KeyCode{1, 4, 6}));
    keypad->SendStr(text);
    QByteArray got;
    std::thread reader;
    bool closedWhileOpen = false;
    QTimer::singleShot(50, keypad.data(), [&] {
        closedWhileOpen = keypad->MSComm1().isOpen();
        reader = std::thread([&] { got = pty_->read(expected.size(), 10000); });
        keypad->close();
    });
    keypad->Command1_Click(ConnectButtonIndex);
    if (reader.joinable())
        reader.join();
    QVERIFY(closedWhileOpen);
    QVERIFY(!frmKeyboard::exists());
    QCOMPARE(got.size(), expected.size());
    QVERIFY(got == expected);
    QTRY_VERIFY(keypad.isNull());
    QVERIFY(messages.isEmpty());
}

void TestFrmKeyboard::unplugReportedOnce()
{
    frmKeyboard *keypad = connected();
    QVERIFY(keypad);
    pty_->hangUp();
    for (int i = 0; i < 20; ++i)
        keypad->Command1_Click(17);
    QTRY_COMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains(QStringLiteral("書き込みに失敗")),
             qPrintable(messages.first()));
    QCOMPARE(keypad->Command1[ConnectButtonIndex]->text(), QStringLiteral("切断"));
    QVERIFY(!keypad->MSComm1().isOpen());
    keypad->Command1_Click(17);
    QTest::qWait(50);
    QCOMPARE(messages.size(), 1);
}

QTEST_MAIN(TestFrmKeyboard)
#include "tst_frmkeyboard.moc"
