#include "guitest.h"
#include "ui/keypadsends.h"

using Keys = QList<QKeyCombination>;

class TestFrmInput : public QObject
{
    Q_OBJECT
    TestLine line_;
    QStringList messages_;
    frmKeyboard *keypad_ = nullptr;
    frmInput *input_ = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        seams().showMessage = [this](QWidget *, const QString &text) { messages_ << text; };
        // Before any load: the main window's own default names a real port.
        frmMain::instance()->cmbCommPort->setEditText(line_.path());
    }

    void init()
    {
        keypad_ = frmKeyboard::instance();
        if (!keypad_->MSComm1().isOpen())
            clickConnect();
        QVERIFY(keypad_->MSComm1().isOpen());
        line_.listen(keypad_->MSComm1());
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
        QCOMPARE(line_.read(sent.size()).toHex(' '), sent.toHex(' '));
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
        QCOMPARE(line_.read(sent.size()).toHex(' '), sent.toHex(' '));
        QCOMPARE(input_->Text1->text(), u"888"_s);
    }

    void submit_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Codes>("codes");
        QTest::addColumn<QString>("box"); // what stays in the box
        QTest::addColumn<QString>("status");
        for (const QStringList &f : dataLines(u"typing-enter.txt"_s))
            QTest::newRow(qPrintable(f[0]))
                << (f[1] == "yes"_L1) << f[2] << codesOf(f.mid(5).join(u' ')) << f[3] << f[4];
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
        QSignalSpy typed(&KeypadSends::instance(), &KeypadSends::textTyped);
        QTest::keyClick(input_->Text1, Qt::Key_Return);
        // Recorded, connected or not; an empty Enter is the ■ key, not a text.
        QCOMPARE(typed, text.isEmpty() ? QList<QVariantList>{} : QList<QVariantList>{{text}});
        if (!connected)
            clickConnect();
        keypad_->Command1_Click(0); // f1, last, so that anything sent before shows up
        const QByteArray sent = framesOf(codes) + framesOf({{3, 6, 1}});
        QCOMPARE(line_.read(sent.size()).toHex(' '), sent.toHex(' '));
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
