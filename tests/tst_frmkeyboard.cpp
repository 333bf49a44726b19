#include "guitest.h"

class TestFrmKeyboard : public QObject
{
    Q_OBJECT
    PtyPair pty_;
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
        frmMain::instance()->cmbCommPort->setEditText(pty_.path());
    }

    void init() { messages_.clear(); }

    void cleanup() { closeKeypadWindows(); }

    void cleanupTestCase() { delete frmMain::instance(); }

    void eachButtonSendsItsKey_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<KeyCode>("code"); // 0,0,0: no button
        for (const QStringList &f : buttons_) {
            if (f.value(2) != "connect"_L1)
                QTest::newRow(qPrintable((f.value(0) + u' ' + f.value(1)).trimmed()))
                    << f.value(0).toInt() << f.value(1) << codeAt(f, 2);
        }
    }
    /// The real window's button: its caption, and the exact frame at the port.
    void eachButtonSendsItsKey()
    {
        QFETCH(int, index);
        QFETCH(QString, caption);
        QFETCH(KeyCode, code);
        clickConnect(pty_.path());
        QVERIFY(keypad()->MSComm1().isOpen());
        QPushButton *button = keypad()->Command1[std::size_t(index)];
        if (code == KeyCode{}) {
            QVERIFY(!button);
            keypad()->Command1_Click(index);
        } else {
            QVERIFY(button);
            QCOMPARE(button->text(), caption);
            button->click();
        }
        keypad()->close(); // drains: whatever the click sent is at the master now
        QCOMPARE(pty_.readNow().toHex(' '),
                 (code == KeyCode{} ? QByteArray() : framesOf({code})).toHex(' '));
    }

    void clicksSendOnlyWhileConnected()
    {
        QCOMPARE(keypad()->cmbCommPort->currentText(), pty_.path()); // the main window's
        QVERIFY(disconnected());
        keypad()->Command1[17]->click(); // disconnected: dropped, not kept
        PtyPair other;
        clickConnect(other.path()); // the box as it is at the click counts
        QCOMPARE(connectButton()->text(), u"接続中"_s);
        for (int index : {-1, 40, 1000, 17}) // none of the outside indices sends
            keypad()->Command1_Click(index);
        clickConnect(); // disconnects, draining
        QVERIFY(disconnected());
        QCOMPARE(other.readNow().toHex(' '), framesOf({{3, 1, 1}}).toHex(' '));
        QVERIFY(messages_.isEmpty() && pty_.readAvailable().isEmpty());
    }

    void closeDrainsAndHidesTheTypingWindow()
    {
        clickConnect(pty_.path());
        QPointer<frmKeyboard> closed = keypad();
        frmInput::instance()->Text1->setText(u"kept"_s);
        closed->SendStr(u"ab"_s);
        closed->Command1_Click(0);
        closed->close();
        QVERIFY(!frmKeyboard::exists());
        // Everything queued went out before the port closed.
        QCOMPARE(pty_.readAvailable(), framesOf({{1, 4, 6}, {1, 4, 7}, {3, 6, 1}}));
        QVERIFY(frmInput::exists() && !frmInput::instance()->isVisible());
        QCOMPARE(frmInput::instance()->Text1->text(), u"kept"_s);
        QTRY_VERIFY_WITH_TIMEOUT(closed.isNull(), 5000);
    }

    /// Connected to "virtual", the keypad's own device window shows the keys
    /// at the line's pace, and nothing goes to a serial port.
    void virtualDevice()
    {
        clickConnect(u" virtual "_s);
        QVERIFY(keypad()->MSComm1().isOpen() && keypad()->MSComm1().isVirtual());
        frmDevice *device = keypad()->deviceWindow();
        QVERIFY(device->isVisible());
        QCOMPARE(device->windowTitle(), u"仮想デバイス (キーボード) — Tapwright"_s);
        QVERIFY(device != frmMain::instance()->deviceWindow()); // each window its own
        keypad()->Command1[17]->click();
        keypad()->Command1[28]->click();
        keypad()->SendStr(u"ab"_s);
        keypad()->Command1[1]->click();
        QTRY_COMPARE_WITH_TIMEOUT(device->txtDevice->toPlainText(), u"[UP]\n[2]\nab[ENTER]"_s,
                                  5000);
        clickConnect(); // disconnects
        QVERIFY(disconnected());
        QVERIFY(messages_.isEmpty() && pty_.readAvailable().isEmpty());
    }

    void busyPortAndUnplugReportedOnce()
    {
        std::optional<SerialLink> holder(std::in_place);
        holder->setCommPort(pty_.path());
        QVERIFY(holder->OpenPort()); // the closed keypad let the port go
        clickConnect(pty_.path());
        // In the user's words, not the system's.
        const QString busy =
            u"ポート \"%1\" を開けません: 他のプログラムかウィンドウが使用中です。"_s;
        QCOMPARE(messages_, QStringList{busy.arg(pty_.path())});
        QVERIFY(disconnected());
        holder.reset();
        clickConnect();
        pty_.hangUp();
        for (int i = 0; i < 20; ++i)
            keypad()->Command1_Click(17);
        QTRY_COMPARE_WITH_TIMEOUT(messages_.size(), 2, 5000);
        QVERIFY2(messages_[1].contains(u"書き込みに失敗"_s), qPrintable(messages_[1]));
        QVERIFY(disconnected());
        keypad()->Command1_Click(17);
        QTest::qWait(50);
        QCOMPARE(messages_.size(), 2);
    }
};

QTEST_MAIN(TestFrmKeyboard)
#include "tst_frmkeyboard.moc"
