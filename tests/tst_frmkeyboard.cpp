#include "link/keytable.h"
#include "ptypair.h"
#include "testutil.h"
#include "ui/frmInput.h"
#include "ui/frmKeyboard.h"
#include "ui/frmMain.h"
#include "ui/seams.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

using namespace tapwright;
using namespace tapwright::ui;

class TestFrmKeyboard : public QObject
{
    Q_OBJECT
    std::unique_ptr<PtyPair> pty_;
    QStringList messages_;
    /// Frame of button f1, sent last so that anything sent before it shows up.
    const QByteArray marker = framesOf({{3, 6, 1}});

    QPushButton *connectButton() { return frmKeyboard::instance()->Command1[ConnectButtonIndex]; }

    frmKeyboard *connected()
    {
        frmKeyboard *keypad = frmKeyboard::instance();
        // Whatever the code under test does wrong, never a real serial port.
        if (keypad->cmbCommPort->currentText() != pty_->path())
            return nullptr;
        connectButton()->click();
        return keypad->MSComm1().isOpen() ? keypad : nullptr;
    }

    bool disconnected() { return connectButton()->text() == u"切断"_s && !isOpen(); }
    bool isOpen() { return frmKeyboard::instance()->MSComm1().isOpen(); }

private Q_SLOTS:
    void initTestCase()
    {
        seams().showMessage = [this](QWidget *, const QString &text) { messages_ << text; };
    }

    void init()
    {
        messages_.clear();
        pty_ = std::make_unique<PtyPair>();
        // Before any load: the main window's own default names a real port.
        frmMain::instance()->cmbCommPort->setEditText(pty_->path());
    }

    void cleanup()
    {
        if (frmKeyboard::exists())
            frmKeyboard::instance()->close();
        if (frmInput::exists())
            frmInput::instance()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        pty_.reset();
    }

    void cleanupTestCase() { delete frmMain::instance(); }

    void connectUsesTheBoxAtTheClick()
    {
        frmKeyboard *keypad = frmKeyboard::instance();
        QCOMPARE(keypad->cmbCommPort->currentText(), pty_->path()); // the main window's
        QVERIFY(disconnected());
        QVERIFY(frmInput::exists() && frmInput::instance()->isVisible());
        PtyPair other;
        keypad->cmbCommPort->setEditText(other.path());
        connectButton()->click();
        QCOMPARE(connectButton()->text(), u"接続中"_s);
        QVERIFY(isOpen());
        QCOMPARE(keypad->CommPort, other.path());
        keypad->Command1[17]->click();
        QCOMPARE(other.pump(8).toHex(' '), QByteArray("f2 02 01 00 00 03 01 01"));
        connectButton()->click();
        QVERIFY(disconnected());
        QVERIFY(messages_.isEmpty());
    }

    void keyClicks()
    {
        frmKeyboard *keypad = frmKeyboard::instance();
        keypad->Command1[17]->click(); // disconnected: dropped, not kept
        QVERIFY(connected());
        for (std::size_t index : {17, 20, 36, 5}) // ↑ ■ * f6
            keypad->Command1[index]->click();
        for (int none : {16, -1, 40, 1000})
            keypad->Command1_Click(none);
        keypad->Command1_Click(0);
        const QByteArray sent = framesOf({{3, 1, 1}, {3, 6, 2}, {3, 2, 12}, {3, 6, 6}}) + marker;
        QCOMPARE(pty_->pump(sent.size()).toHex(' '), sent.toHex(' '));
    }

    void openFailure_data()
    {
        QTest::addColumn<QString>("port"); // empty: the pty, held by another link
        QTest::addColumn<QString>("why");
        QTest::newRow("busy") << QString() << u"使用中"_s;
        QTest::newRow("missing") << u"/dev/tapwright-no-such-port"_s << u"デバイスがありません"_s;
    }
    void openFailure()
    {
        QFETCH(QString, port);
        QFETCH(QString, why);
        SerialLink holder;
        holder.setCommPort(pty_->path());
        if (port.isEmpty()) {
            port = pty_->path();
            QVERIFY(holder.OpenPort());
        }
        frmKeyboard::instance()->cmbCommPort->setEditText(port);
        connectButton()->click();
        QCOMPARE(messages_.size(), 1);
        QVERIFY2(messages_.first().contains(port) && messages_.first().contains(why),
                 qPrintable(messages_.first()));
        QVERIFY(disconnected());
    }

    void closeDrainsAndHidesTheTypingWindow()
    {
        QPointer<frmKeyboard> keypad = connected();
        QVERIFY(keypad);
        frmInput::instance()->Text1->setText(u"kept"_s);
        keypad->SendStr(u"ab"_s);
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
        QCOMPARE(frmInput::instance()->Text1->text(), u"kept"_s);
        QTRY_VERIFY(keypad.isNull());
    }

    void unplugReportedOnce()
    {
        frmKeyboard *keypad = connected();
        QVERIFY(keypad);
        pty_->hangUp();
        for (int i = 0; i < 20; ++i)
            keypad->Command1_Click(17);
        QTRY_COMPARE(messages_.size(), 1);
        QVERIFY2(messages_.first().contains(u"書き込みに失敗"_s), qPrintable(messages_.first()));
        QVERIFY(disconnected());
        keypad->Command1_Click(17);
        QTest::qWait(50);
        QCOMPARE(messages_.size(), 1);
    }
};

QTEST_MAIN(TestFrmKeyboard)
#include "tst_frmkeyboard.moc"
