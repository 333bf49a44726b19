#include "guitest.h"

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
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("pad");
        QTest::addColumn<QString>("before");
        QTest::addColumn<Codes>("codes");
        QTest::addColumn<QString>("after");
        const QString ab = u"ab"_s;
        QTest::newRow("pad 5") << int(Qt::Key_5) << true << QString() << Codes{{3, 2, 5}} << u"5"_s;
        QTest::newRow("main-row 5") << int(Qt::Key_5) << false << QString() << Codes{} << u"5"_s;
        QTest::newRow("backspace in empty box")
            << int(Qt::Key_Backspace) << false << QString() << Codes{{3, 6, 3}} << QString();
        QTest::newRow("insert") << int(Qt::Key_Insert) << false << ab << Codes{} << ab;
        QTest::newRow("enter, empty")
            << int(Qt::Key_Return) << false << QString() << Codes{{3, 6, 2}} << QString();
        QTest::newRow("enter with text")
            << int(Qt::Key_Return) << false << ab << Codes{{1, 4, 6}, {1, 4, 7}} << QString();
    }
    void keys()
    {
        QFETCH(int, key);
        QFETCH(bool, pad);
        QFETCH(QString, before);
        QFETCH(Codes, codes);
        QFETCH(QString, after);
        input_->Text1->setText(before);
        QTest::keyClick(input_->Text1, Qt::Key(key), pad ? Qt::KeypadModifier : Qt::NoModifier);
        keypad_->Command1_Click(0); // f1, last, so that anything sent before shows up
        const QByteArray sent = framesOf(codes) + framesOf({{3, 6, 1}});
        QCOMPARE(pty_.read(sent.size()).toHex(' '), sent.toHex(' '));
        QCOMPARE(input_->Text1->text(), after);
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
