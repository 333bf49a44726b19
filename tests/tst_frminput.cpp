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
        const Qt::KeyboardModifier pad = Qt::KeypadModifier;
        auto row = [](const char *tag, Keys keys, const QString &before, Codes codes,
                      const QString &after) {
            QTest::newRow(tag) << keys << before << codes << after;
        };
        // The codes are written out from the device's key list, not looked up in the code.
        row("up", {Qt::Key_Up}, u"a|b"_s, {{3, 1, 1}}, u"ab"_s);
        row("down", {Qt::Key_Down}, u"a|b"_s, {{3, 1, 2}}, u"ab"_s);
        row("left", {Qt::Key_Left}, u"a|b"_s, {{3, 1, 3}}, u"ab"_s);
        row("right", {Qt::Key_Right}, u"a|b"_s, {{3, 1, 4}}, u"ab"_s);
        row("end", {Qt::Key_End}, u"a|b"_s, {{3, 2, 14}}, u"ab"_s);
        row("page down", {Qt::Key_PageDown}, u"a|b"_s, {{3, 2, 13}}, u"ab"_s);
        row("home", {Qt::Key_Home}, u"a|b"_s, {{3, 6, 5}}, u"ab"_s);
        row("page up", {Qt::Key_PageUp}, u"a|b"_s, {{3, 6, 4}}, u"ab"_s);
        // The box still edits: the keys are never swallowed.
        row("backspace", {Qt::Key_Backspace}, u"a|b"_s, {{3, 6, 3}}, u"b"_s);
        row("delete", {Qt::Key_Delete}, u"a|b"_s, {{3, 6, 3}}, u"a"_s);
        row("pad - is #", {pad | Qt::Key_Minus}, u"a|b"_s, {{3, 2, 11}}, u"a-b"_s);
        row("pad *", {pad | Qt::Key_Asterisk}, u"a|b"_s, {{3, 2, 12}}, u"a*b"_s);
        row("main-row *", {Qt::Key_Asterisk}, u"a|b"_s, {}, u"a*b"_s);
        row("main-row -", {Qt::Key_Minus}, u"a|b"_s, {}, u"a-b"_s);
        // The pad's digits press the keypad's (0 is column 10); the main rows' are text only.
        for (int n = 0; n <= 9; ++n) {
            const Qt::Key key = Qt::Key(Qt::Key_0 + n);
            const QString typed = u"a%1b"_s.arg(n);
            QTest::addRow("pad %d", n)
                << Keys{pad | key} << u"a|b"_s << Codes{{3, 2, n ? n : 10}} << typed;
            QTest::addRow("main-row %d", n) << Keys{key} << u"a|b"_s << Codes{} << typed;
        }
        // The pad's other keys, and the pad without Num Lock giving editing keys.
        row("pad +", {pad | Qt::Key_Plus}, u"a|b"_s, {}, u"a+b"_s);
        row("pad home", {pad | Qt::Key_Home}, u"a|b"_s, {{3, 6, 5}}, u"ab"_s);
        // Shift, Ctrl and Alt change nothing; their own presses send nothing.
        row("shift up", {Qt::ShiftModifier | Qt::Key_Up}, u"a|b"_s, {{3, 1, 1}}, u"ab"_s);
        row("shift pad 4", {Qt::ShiftModifier | pad | Qt::Key_4}, u"a|b"_s, {{3, 2, 4}}, u"a4b"_s);
        row("escape", {Qt::Key_Escape}, u"a|b"_s, {}, u"ab"_s);
        row("letter", {Qt::Key_X}, u"a|b"_s, {}, u"axb"_s);
        // Enter on the pad as on the main rows (see submit()).
        row("pad enter, empty box", {pad | Qt::Key_Enter}, QString(), {{3, 6, 2}}, QString());
        row("pad 5, then enter", {pad | Qt::Key_5, Qt::Key_Return}, QString(),
            {{3, 2, 5}, {1, 14, 5}}, QString());
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

    void statusLineBelowTheBox()
    {
        // The box keeps its place in the top 495 twips; the line adds to the window.
        QCOMPARE(input_->Text1->geometry(), twipsRect(input_, 120, 120, 2895, 270));
        QCOMPARE(input_->width(), twipsX(input_, 3120));
        QVERIFY(input_->lblStatus->y() >= twipsY(input_, 495));
        QVERIFY(input_->lblStatus->geometry().bottom() < input_->height());
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
