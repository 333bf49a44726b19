#include "guitest.h"

using Keys = QList<QKeyCombination>;

static const QString NotConnected = u"キーボードが接続されていません。送信していません。"_s;

class TestFrmInput : public QObject
{
    Q_OBJECT
    PtyPair pty_;
    QStringList messages_;
    frmKeyboard *keypad_ = nullptr;
    frmInput *input_ = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        seams().showMessage = [this](QWidget *, const QString &text) { messages_ << text; };
        // Before any load: the main window's own default names a real port.
        frmMain::instance()->cmbCommPort->setEditText(pty_.path());
    }

    void init()
    {
        keypad_ = frmKeyboard::instance();
        if (!keypad_->MSComm1().isOpen())
            clickConnect();
        QVERIFY(keypad_->MSComm1().isOpen());
        input_ = frmInput::instance();
        QVERIFY(messages_.isEmpty());
    }

    void cleanupTestCase() { delete frmMain::instance(); }

    void keys_data()
    {
        QTest::addColumn<Keys>("keys");
        QTest::addColumn<QString>("before"); // the box's text; "|" marks the caret
        QTest::addColumn<Codes>("codes");
        QTest::addColumn<QString>("after");
        for (const QStringList &f : dataLines(u"typingkeys.txt"_s)) {
            Keys keys;
            for (const QString &key : f[1].split(u'|'))
                keys << QKeySequence::fromString(key, QKeySequence::PortableText)[0];
            QTest::newRow(qPrintable(f[0])) << keys << f[2] << codesOf(f.mid(4).join(u' ')) << f[3];
        }
        // The pad's digits press the keypad's (0 is column 10); the main rows' are text only.
        for (int n = 0; n <= 9; ++n) {
            const Qt::Key key = Qt::Key(Qt::Key_0 + n);
            const QString typed = u"a%1b"_s.arg(n);
            QTest::addRow("pad %d", n)
                << Keys{Qt::KeypadModifier | key} << u"a|b"_s << Codes{{3, 2, n ? n : 10}} << typed;
            QTest::addRow("main-row %d", n) << Keys{key} << u"a|b"_s << Codes{} << typed;
        }
    }
    void keys()
    {
        QFETCH(Keys, keys);
        QFETCH(QString, before);
        QFETCH(Codes, codes);
        QFETCH(QString, after);
        input_->Text1->setText(QString(before).remove(u'|'));
        input_->Text1->setCursorPosition(std::max(0, int(before.indexOf(u'|'))));
        for (const QKeyCombination &key : keys)
            QTest::keyClick(input_->Text1, key.key(), key.keyboardModifiers());
        keypad_->Command1_Click(0); // f1, last, so that anything sent before shows up
        const QByteArray sent = framesOf(codes) + framesOf({{3, 6, 1}});
        QCOMPARE(pty_.read(sent.size()).toHex(' '), sent.toHex(' '));
        QCOMPARE(input_->Text1->text(), after);
    }

    void heldKeyRepeats()
    {
        input_->Text1->clear();
        for (bool repeat : {false, true, true}) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_8, Qt::KeypadModifier, u"8"_s, repeat);
            QApplication::sendEvent(input_->Text1, &press);
        }
        const QByteArray sent = framesOf({{3, 2, 8}, {3, 2, 8}, {3, 2, 8}});
        QCOMPARE(pty_.read(sent.size()).toHex(' '), sent.toHex(' '));
        QCOMPARE(input_->Text1->text(), u"888"_s);
    }

    void submit_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Codes>("codes");
        QTest::addColumn<QString>("box"); // what stays in the box
        QTest::addColumn<QString>("status");
        const QString skipped = u"入力できない文字を飛ばしました (%1 文字): %2"_s;
        QTest::newRow("sent") << true << u"ab"_s << Codes{{1, 4, 6}, {1, 4, 7}} << QString()
                              << QString();
        QTest::newRow("empty box")
            << true << QString() << Codes{{3, 6, 2}} << QString() << QString();
        // Each skipped character is counted, and named once.
        QTest::newRow("kanji") << true << u"山a田山"_s << Codes{{1, 4, 6}} << QString()
                               << skipped.arg(3).arg(u"山 田"_s);
        // A character outside the BMP is one character, named whole.
        QTest::newRow("emoji") << true << u"\U0001F600b"_s << Codes{{1, 4, 7}} << QString()
                               << skipped.arg(1).arg(u"\U0001F600"_s);
        QTest::newRow("many kinds") << true << u"一二三四五六七八九"_s << Codes{} << QString()
                                    << skipped.arg(9).arg(u"一 二 三 四 五 六 七 八 …"_s);
        QTest::newRow("disconnected") << false << u"山a"_s << Codes{} << u"山a"_s << NotConnected;
        QTest::newRow("disconnected, empty box")
            << false << QString() << Codes{} << QString() << NotConnected;
    }
    void submit()
    {
        QFETCH(bool, connected);
        QFETCH(QString, text);
        QFETCH(Codes, codes);
        QFETCH(QString, box);
        QFETCH(QString, status);
        if (!connected)
            clickConnect();
        input_->lblStatus->setText(u"old"_s);
        input_->Text1->setText(text);
        QTest::keyClick(input_->Text1, Qt::Key_Return);
        if (!connected)
            clickConnect();
        keypad_->Command1_Click(0); // f1, last, so that anything sent before shows up
        const QByteArray sent = framesOf(codes) + framesOf({{3, 6, 1}});
        QCOMPARE(pty_.read(sent.size()).toHex(' '), sent.toHex(' '));
        QCOMPARE(input_->Text1->text(), box);
        QCOMPARE(input_->lblStatus->text(), status);
        QVERIFY(messages_.isEmpty());
    }

    void followsTheKeypadsFirstPlacement()
    {
        // The window system places the keypad only after the typing window took
        // its place from it; the typing window follows that first placement only.
        input_->Text1->setText(u"old"_s);
        closeKeypadWindows();
        frmMain::instance()->mnuKeyboard_Click();
        frmInput *input = frmInput::instance();
        QVERIFY(input->isVisible() && input->Text1->text().isEmpty());
        frmKeyboard::instance()->move(321, 123);
        const QPoint under(321, 123 + twipsY(input, 5000));
        QCOMPARE(input->pos(), under);
        QTest::qWait(1200);
        frmKeyboard::instance()->move(10, 10);
        QCOMPARE(input->pos(), under);
    }

    void closingOneWindowHidesTheOther()
    {
        QPointer<frmKeyboard> keypad = keypad_;
        input_->close();
        QVERIFY(!frmInput::exists() && !keypad->isVisible() && keypad->MSComm1().isOpen());
        // The keypad closing only hides the typing window; a new keypad shows it again.
        QPointer<frmInput> input = frmInput::instance();
        input->show();
        input->Text1->setText(u"xyz"_s);
        const QPoint at = input->pos() + QPoint(40, 30);
        input->move(at);
        keypad->close();
        QVERIFY(input && !input->isVisible());
        frmKeyboard::instance();
        QCOMPARE(frmInput::instance(), input.data());
        QVERIFY(input->isVisible());
        QCOMPARE(input->pos(), at);
        QCOMPARE(input->Text1->text(), u"xyz"_s);
    }
};

QTEST_MAIN(TestFrmInput)
#include "tst_frminput.moc"
