#include "guitest.h"

class TestFrmKeyboard : public QObject
{
    Q_OBJECT
    PtyPair pty_;
    QStringList messages_;

    frmKeyboard *keypad() { return frmKeyboard::instance(); }
    QPushButton *connectButton() { return keypad()->Command1[ConnectButtonIndex]; }
    bool disconnected()
    {
        return connectButton()->text() == u"切断"_s && !keypad()->MSComm1().isOpen();
    }

private Q_SLOTS:
    void initTestCase()
    {
        seams().showMessage = [this](QWidget *, const QString &text) { messages_ << text; };
        // Before any load: the main window's own default names a real port.
        frmMain::instance()->cmbCommPort->setEditText(pty_.path());
    }

    void init() { messages_.clear(); }

    void cleanup() { closeKeypadWindows(); }

    void cleanupTestCase() { delete frmMain::instance(); }

    void clicksSendOnlyWhileConnected()
    {
        QCOMPARE(keypad()->cmbCommPort->currentText(), pty_.path()); // the main window's
        QVERIFY(disconnected());
        keypad()->Command1[17]->click(); // disconnected: dropped, not kept
        PtyPair other;
        clickConnect(other.path()); // the box as it is at the click counts
        QCOMPARE(connectButton()->text(), u"接続中"_s);
        for (int index : {17, 20, 36, 5, 16, -1, 40, 1000, 0}) // ↑ ■ * f6, none, f1
            keypad()->Command1_Click(index);
        const QByteArray sent = framesOf({{3, 1, 1}, {3, 6, 2}, {3, 2, 12}, {3, 6, 6}, {3, 6, 1}});
        QCOMPARE(other.read(sent.size()).toHex(' '), sent.toHex(' '));
        clickConnect(); // disconnects
        QVERIFY(disconnected());
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
        QTRY_VERIFY(closed.isNull());
    }

    void busyPortAndUnplugReportedOnce()
    {
        std::optional<SerialLink> holder(std::in_place);
        holder->setCommPort(pty_.path());
        QVERIFY(holder->OpenPort()); // the closed keypad let the port go
        clickConnect(pty_.path());
        QCOMPARE(messages_.size(), 1);
        QVERIFY2(messages_[0].contains(pty_.path()) && messages_[0].contains(u"使用中"_s),
                 qPrintable(messages_[0]));
        QVERIFY(disconnected());
        holder.reset();
        clickConnect();
        pty_.hangUp();
        for (int i = 0; i < 20; ++i)
            keypad()->Command1_Click(17);
        QTRY_COMPARE(messages_.size(), 2);
        QVERIFY2(messages_[1].contains(u"書き込みに失敗"_s), qPrintable(messages_[1]));
        QVERIFY(disconnected());
        keypad()->Command1_Click(17);
        QTest::qWait(50);
        QCOMPARE(messages_.size(), 2);
    }
};

QTEST_MAIN(TestFrmKeyboard)
#include "tst_frmkeyboard.moc"
