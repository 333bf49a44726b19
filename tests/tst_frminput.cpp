#include "link/keytable.h"
#include "ptypair.h"
#include "testutil.h"
#include "ui/common.h"
#include "ui/frmInput.h"
#include "ui/frmKeyboard.h"
#include "ui/frmMain.h"
#include "ui/seams.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

using namespace tapwright;
using namespace tapwright::ui;

class TestFrmInput : public QObject
{
    Q_OBJECT
    PtyPair pty_;
    QStringList messages_;
    frmKeyboard *keypad_ = nullptr;
    frmInput *input_ = nullptr;
    /// Frame of keypad button f1, pressed last so that anything sent before it shows up.
    const QByteArray marker = framesOf({{3, 6, 1}});

    QByteArray sentUpToMarker(qsizetype before)
    {
        keypad_->Command1_Click(0);
        return pty_.pump(before + marker.size());
    }

private Q_SLOTS:
    void initTestCase()
    {
        seams().showMessage = [this](QWidget *, const QString &text) { messages_ << text; };
        QVERIFY(pty_.isValid());
        // Before any load: the main window's own default names a real port.
        frmMain::instance()->cmbCommPort->setEditText(pty_.path());
    }

    void init()
    {
        keypad_ = frmKeyboard::instance();
        if (!keypad_->MSComm1().isOpen()) {
            // Whatever the code under test does wrong, never a real serial port.
            QCOMPARE(keypad_->cmbCommPort->currentText(), pty_.path());
            keypad_->Command1_Click(ConnectButtonIndex);
        }
        QVERIFY(keypad_->MSComm1().isOpen());
        input_ = frmInput::instance();
        input_->Text1->clear();
        QVERIFY(messages_.isEmpty());
    }

    void cleanupTestCase()
    {
        if (frmKeyboard::exists())
            frmKeyboard::instance()->close();
        if (frmInput::exists())
            frmInput::instance()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete frmMain::instance();
    }

    void keys_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<bool>("pad");
        QTest::addColumn<QString>("before");
        QTest::addColumn<Codes>("codes");
        QTest::addColumn<QString>("after");
        const QString ab = u"ab"_s;
        auto row = [](const char *tag, Qt::Key key, bool pad, const QString &before,
                      const Codes &codes, const QString &after) {
            QTest::newRow(tag) << key << pad << before << codes << after;
        };
        row("pad 5", Qt::Key_5, true, {}, {{3, 2, 5}}, u"5"_s);
        row("main-row 5", Qt::Key_5, false, {}, {}, u"5"_s);
        row("backspace", Qt::Key_Backspace, false, ab, {{3, 6, 3}}, u"a"_s);
        row("backspace, empty box", Qt::Key_Backspace, false, {}, {{3, 6, 3}}, {});
        row("insert", Qt::Key_Insert, false, ab, {}, ab);
        row("enter, empty box", Qt::Key_Return, false, {}, {{3, 6, 2}}, {});
        row("enter", Qt::Key_Return, false, ab, {{1, 4, 6}, {1, 4, 7}}, {});
        row("pad enter", Qt::Key_Enter, true, ab, {{1, 4, 6}, {1, 4, 7}}, {});
    }
    void keys()
    {
        QFETCH(Qt::Key, key);
        QFETCH(bool, pad);
        QFETCH(QString, before);
        QFETCH(Codes, codes);
        QFETCH(QString, after);
        input_->Text1->setText(before);
        QTest::keyClick(input_->Text1, key, pad ? Qt::KeypadModifier : Qt::NoModifier);
        const QByteArray frames = framesOf(codes);
        QCOMPARE(sentUpToMarker(frames.size()).toHex(' '), (frames + marker).toHex(' '));
        QCOMPARE(input_->Text1->text(), after);
    }

    void autoRepeatPressesEachTime()
    {
        for (int i = 0; i < 3; ++i) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, QString(), i > 0);
            QCoreApplication::sendEvent(input_->Text1, &press);
        }
        const QByteArray down = framesOf({{3, 1, 2}, {3, 1, 2}, {3, 1, 2}});
        QCOMPARE(sentUpToMarker(down.size()).toHex(' '), (down + marker).toHex(' '));
    }

    void followsTheKeypadsFirstPlacement()
    {
        // The window system places the keypad only after the typing window took
        // its place from it; the typing window follows that first placement only.
        input_->close();
        keypad_->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        frmMain::instance()->mnuKeyboard_Click();
        frmKeyboard *keypad = frmKeyboard::instance();
        frmInput *input = frmInput::instance();
        keypad->move(321, 123);
        const QPoint under(321, 123 + twipsY(input, 5000));
        QCOMPARE(input->pos(), under);
        QTest::qWait(1200);
        keypad->move(10, 10);
        QCOMPARE(input->pos(), under);
    }

    void closedTypingWindowComesBackFresh()
    {
        input_->Text1->setText(u"xyz"_s);
        input_->close();
        QVERIFY(!frmInput::exists());
        frmInput *fresh = frmInput::instance();
        QVERIFY(fresh->Text1->text().isEmpty());
        // Loading the keypad loads it too, and shows it.
        fresh->Text1->setText(u"xyz"_s);
        keypad_->close();
        fresh->close();
        QVERIFY(!frmKeyboard::exists() && !frmInput::exists());
        frmKeyboard::instance();
        QVERIFY(frmInput::exists() && frmInput::instance()->isVisible());
        QVERIFY(frmInput::instance()->Text1->text().isEmpty());
    }

    void closeHidesKeypadAndItsItemShowsOnlyIt()
    {
        frmMain::instance()->mnuKeyboard_Click();
        input_->show();
        QVERIFY(keypad_->isVisible());
        input_->close();
        QVERIFY(!frmInput::exists());
        QVERIFY(frmKeyboard::exists() && !keypad_->isVisible());
        QVERIFY(keypad_->MSComm1().isOpen());

        QPointer<frmKeyboard> same = keypad_;
        frmMain::instance()->mnuKeyboard_Click();
        QCOMPARE(frmKeyboard::instance(), same.data());
        QVERIFY(keypad_->isVisible());
        QVERIFY(!frmInput::exists());
    }

    void keypadReloadShowsTheHiddenTypingWindow()
    {
        QPointer<frmInput> same = input_;
        input_->Text1->setText(u"xyz"_s);
        const QPoint at = input_->pos() + QPoint(40, 30);
        input_->move(at);
        keypad_->close();
        QVERIFY(frmInput::exists() && !input_->isVisible());

        frmKeyboard::instance();
        QVERIFY(same);
        QCOMPARE(frmInput::instance(), same.data());
        QVERIFY(same->isVisible());
        QCOMPARE(same->pos(), at);
        QCOMPARE(same->Text1->text(), u"xyz"_s);
    }
};

QTEST_MAIN(TestFrmInput)
#include "tst_frminput.moc"
