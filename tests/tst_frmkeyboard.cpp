#include "guitest.h"
#include "ui/keypadsends.h"

class TestFrmKeyboard : public QObject
{
    Q_OBJECT
    TestLine line_;
    QStringList messages_;
    QList<QStringList> buttons_;

    frmKeyboard *keypad() { return frmKeyboard::instance(); }
    QPushButton *connectButton() { return keypad()->Command1[ConnectButtonIndex]; }
    bool disconnected()
    {
        return connectButton()->text() == u"切断"_s && !keypad()->MSComm1().isOpen();
    }

private Q_SLOTS:
    void initTestCase()
    {
        buttons_ = dataLines(u"buttons.txt"_s);
        seams().showMessage = [this](QWidget *, const QString &text) { messages_ << text; };
        // Before any load: the main window's own default names a real port.
        frmMain::instance()->cmbCommPort->setEditText(line_.path());
    }

    void init() { messages_.clear(); }

    void cleanup() { closeKeypadWindows(); }

    void cleanupTestCase() { delete frmMain::instance(); }

    /// The real window's buttons: their captions, and the exact frames at the port.
    void eachButtonSendsItsKey()
    {
        clickConnect(line_.path());
        line_.listen(keypad()->MSComm1());
        Codes codes;
        for (const QStringList &f : buttons_) {
            const int index = f.value(0).toInt();
            QPushButton *button = keypad()->Command1[std::size_t(index)];
            if (f.value(2) == "connect"_L1)
                continue;
            if (codeAt(f, 2) == KeyCode{}) { // no button, and nothing sent
                QVERIFY(!button);
                keypad()->Command1_Click(index);
                continue;
            }
            QCOMPARE(button ? button->text() : QString(), f.value(1));
            button->click();
            codes.push_back(codeAt(f, 2));
        }
        keypad()->close(); // drains: whatever the clicks sent is at the master now
        QCOMPARE(line_.readNow().toHex(' '), framesOf(codes).toHex(' '));
    }

    void clicksSendOnlyWhileConnected()
    {
        QCOMPARE(keypad()->cmbCommPort->currentText(), line_.path()); // the main window's
        QVERIFY(disconnected());
        QSignalSpy pressed(&KeypadSends::instance(), &KeypadSends::keyPressed);
        keypad()->Command1[17]->click(); // disconnected: dropped, not kept
        TestLine other;
        clickConnect(other.path()); // the box as it is at the click counts
        other.listen(keypad()->MSComm1());
        QCOMPARE(connectButton()->text(), u"接続中"_s);
        for (int index : {-1, 40, 1000, 17}) // none of the outside indices sends
            keypad()->Command1_Click(index);
        clickConnect(); // disconnects, draining
        QVERIFY(disconnected());
        QCOMPARE(other.readNow().toHex(' '), framesOf({{3, 1, 1}}).toHex(' '));
        QVERIFY(messages_.isEmpty() && line_.readAvailable().isEmpty());
        // Recorded, connected or not; the connect button and the outside
        // indices are no keys.
        QCOMPARE(pressed, (QList<QVariantList>{{17}, {17}}));
    }

    /// Connected to "virtual", the keypad's own device window shows the keys
    /// at the line's pace, and nothing goes to a serial port.
    void virtualDevice()
    {
        clickConnect(u" virtual "_s);
        QVERIFY(keypad()->MSComm1().isOpen() && keypad()->MSComm1().isVirtual());
        frmDevice *device = keypad()->deviceWindow();
        QVERIFY(device->isVisible());
        QVERIFY(device != frmMain::instance()->deviceWindow()); // each window its own
        keypad()->Command1[17]->click();
        keypad()->Command1[28]->click();
        keypad()->SendStr(u"ab"_s);
        keypad()->Command1[1]->click();
        QTRY_COMPARE_WITH_TIMEOUT(device->txtDevice->toPlainText(), u"[UP]\n[2]\nab[ENTER]"_s,
                                  5000);
        clickConnect(); // disconnects
        QVERIFY(disconnected());
        QVERIFY(messages_.isEmpty() && line_.readAvailable().isEmpty());
    }

    void busyPortAndUnplugReportedOnce()
    {
#ifdef Q_OS_UNIX
        {
            SerialLink holder; // the closed keypad let the port go
            holder.setCommPort(line_.path());
            QVERIFY(holder.OpenPort());
            clickConnect(line_.path()); // the words are those of tst_frmmain's busy port
            QCOMPARE(messages_.size(), 1);
            QVERIFY(disconnected());
        }
        clickConnect();
        line_.pty().hangUp();
        for (int i = 0; i < 20; ++i)
            keypad()->Command1_Click(17);
        QTRY_COMPARE_WITH_TIMEOUT(messages_.size(), 2, 5000);
        QVERIFY2(messages_[1].contains(u"書き込みに失敗"_s), qPrintable(messages_[1]));
        QVERIFY(disconnected());
        keypad()->Command1_Click(17);
        QTest::qWait(50);
        QCOMPARE(messages_.size(), 2);
#else
        QSKIP("a busy port and a pulled cable need a serial port");
#endif
    }
};

QTEST_MAIN(TestFrmKeyboard)
#include "tst_frmkeyboard.moc"
