#include "link/keytable.h"
#include "ptypair.h"
#include "testutil.h"
#include "ui/common.h"
#include "ui/frmInput.h"
#include "ui/frmKeyboard.h"
#include "ui/frmMain.h"
#include "ui/seams.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

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

/// Frame of keypad button f1, pressed last so that anything sent before it
/// shows up.
const QByteArray marker = framesOf({{3, 6, 1}});

} // namespace

class TestFrmInput : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void keys_data();
    void keys();
    void autoRepeatPressesEachTime();
    void keysWithoutKeypad_data();
    void keysWithoutKeypad();
    void followsTheKeypadsFirstPlacement();
    void loadSitsUnderTheKeypad();
    void closeHidesKeypadAndItsItemShowsOnlyIt();
    void keypadReloadShowsTheHiddenTypingWindow();
    void keypadReloadLoadsAClosedTypingWindow();

private:
    /// What reached the device up to and including the marker.
    QByteArray sentUpToMarker(qsizetype before);

    PtyPair pty_;
    frmKeyboard *keypad_ = nullptr;
    frmInput *input_ = nullptr;
};

void TestFrmInput::initTestCase()
{
    seams().showMessage = [](QWidget *, const QString &text) { messages << text; };
    QVERIFY(pty_.isValid());
    // Before any load: the main window's own default names a real port.
    frmMain::instance()->cmbCommPort->setEditText(pty_.path());
}

void TestFrmInput::init()
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
    QVERIFY(messages.isEmpty());
}

void TestFrmInput::cleanupTestCase()
{
    if (frmKeyboard::exists())
        frmKeyboard::instance()->close();
    if (frmInput::exists())
        frmInput::instance()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete frmMain::instance();
}

QByteArray TestFrmInput::sentUpToMarker(qsizetype before)
{
    keypad_->Command1_Click(0);
    return pumpAndRead(pty_, before + marker.size());
}

void TestFrmInput::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QByteArray>("frames");
    QTest::addColumn<QString>("after");
    const int none = Qt::NoModifier;
    const int pad = Qt::KeypadModifier;
    const QString ab = QStringLiteral("ab");
    QTest::newRow("pad 5") << int(Qt::Key_5) << pad << QString() << framesOf({{3, 2, 5}})
                           << QStringLiteral("5");
    QTest::newRow("main-row 5") << int(Qt::Key_5) << none << QString() << QByteArray()
                                << QStringLiteral("5");
    QTest::newRow("pad 0") << int(Qt::Key_0) << pad << QString() << framesOf({{3, 2, 10}})
                           << QStringLiteral("0");
    QTest::newRow("pad 9") << int(Qt::Key_9) << pad << QString() << framesOf({{3, 2, 9}})
                           << QStringLiteral("9");
    QTest::newRow("pad *") << int(Qt::Key_Asterisk) << pad << QString() << framesOf({{3, 2, 12}})
                           << QStringLiteral("*");
    QTest::newRow("pad -") << int(Qt::Key_Minus) << pad << QString() << framesOf({{3, 2, 11}})
                           << QStringLiteral("-");
    QTest::newRow("main-row -") << int(Qt::Key_Minus) << none << QString() << QByteArray()
                                << QStringLiteral("-");
    QTest::newRow("up") << int(Qt::Key_Up) << none << ab << framesOf({{3, 1, 1}}) << ab;
    QTest::newRow("pad up") << int(Qt::Key_Up) << pad << ab << framesOf({{3, 1, 1}}) << ab;
    QTest::newRow("down") << int(Qt::Key_Down) << none << ab << framesOf({{3, 1, 2}}) << ab;
    QTest::newRow("left") << int(Qt::Key_Left) << none << ab << framesOf({{3, 1, 3}}) << ab;
    QTest::newRow("shift left") << int(Qt::Key_Left) << int(Qt::ShiftModifier) << ab
                                << framesOf({{3, 1, 3}}) << ab;
    QTest::newRow("right") << int(Qt::Key_Right) << none << ab << framesOf({{3, 1, 4}}) << ab;
    QTest::newRow("home") << int(Qt::Key_Home) << none << ab << framesOf({{3, 6, 5}}) << ab;
    QTest::newRow("end") << int(Qt::Key_End) << none << ab << framesOf({{3, 2, 14}}) << ab;
    QTest::newRow("page up") << int(Qt::Key_PageUp) << none << ab << framesOf({{3, 6, 4}}) << ab;
    QTest::newRow("pad page down")
        << int(Qt::Key_PageDown) << pad << ab << framesOf({{3, 2, 13}}) << ab;
    QTest::newRow("backspace") << int(Qt::Key_Backspace) << none << ab << framesOf({{3, 6, 3}})
                               << QStringLiteral("a");
    QTest::newRow("backspace, empty box")
        << int(Qt::Key_Backspace) << none << QString() << framesOf({{3, 6, 3}}) << QString();
    QTest::newRow("delete") << int(Qt::Key_Delete) << none << ab << framesOf({{3, 6, 3}}) << ab;
    QTest::newRow("pad delete") << int(Qt::Key_Delete) << pad << ab << framesOf({{3, 6, 3}}) << ab;
    QTest::newRow("insert") << int(Qt::Key_Insert) << none << ab << QByteArray() << ab;
    QTest::newRow("enter, empty box")
        << int(Qt::Key_Return) << none << QString() << framesOf({{3, 6, 2}}) << QString();
    QTest::newRow("enter") << int(Qt::Key_Return) << none << ab << framesOf({{1, 4, 6}, {1, 4, 7}})
                           << QString();
    QTest::newRow("pad enter") << int(Qt::Key_Enter) << pad << ab
                               << framesOf({{1, 4, 6}, {1, 4, 7}}) << QString();
}

void TestFrmInput::keys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, before);
    QFETCH(QByteArray, frames);
    QFETCH(QString, after);
    input_->Text1->setText(before);
    QTest::keyClick(input_->Text1, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(sentUpToMarker(frames.size()).toHex(' '), (frames + marker).toHex(' '));
    QCOMPARE(input_->Text1->text(), after);
}

void TestFrmInput::autoRepeatPressesEachTime()
{
    for (int i = 0; i < 3; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, QString(), i > 0);
        QCoreApplication::sendEvent(input_->Text1, &press);
    }
    const QByteArray down = framesOf({{3, 1, 2}});
    QCOMPARE(sentUpToMarker(3 * down.size()).toHex(' '), (down + down + down + marker).toHex(' '));
}

void TestFrmInput::keysWithoutKeypad_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("up") << int(Qt::Key_Up) << int(Qt::NoModifier);
    QTest::newRow("pad 5") << int(Qt::Key_5) << int(Qt::KeypadModifier);
    QTest::newRow("enter") << int(Qt::Key_Return) << int(Qt::NoModifier);
}

void TestFrmInput::keysWithoutKeypad()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    keypad_->close();
    input_->Text1->setText(QStringLiteral("ab"));
    QTest::keyClick(input_->Text1, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QVERIFY(!frmKeyboard::exists());
}

void TestFrmInput::followsTheKeypadsFirstPlacement()
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
    QCOMPARE(input->pos(), QPoint(321, 123 + twipsY(input, 5000)));
    QTest::qWait(1200);
    keypad->move(10, 10);
    QCOMPARE(input->pos(), QPoint(321, 123 + twipsY(input, 5000)));
}

void TestFrmInput::loadSitsUnderTheKeypad()
{
    input_->close();
    QVERIFY(!frmInput::exists());
    keypad_->move(200, 150);
    frmInput *fresh = frmInput::instance();
    QCOMPARE(fresh->pos(), QPoint(200, 150 + twipsY(fresh, 5000)));
    const frmMain *main = frmMain::instance();
    QCOMPARE(fresh->windowTitle(), main->Title + QStringLiteral(" ") + main->Version);
    QVERIFY(fresh->Text1->text().isEmpty());
}

void TestFrmInput::closeHidesKeypadAndItsItemShowsOnlyIt()
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

void TestFrmInput::keypadReloadShowsTheHiddenTypingWindow()
{
    QPointer<frmInput> same = input_;
    input_->Text1->setText(QStringLiteral("xyz"));
    input_->setWindowTitle(QStringLiteral("not loaded again"));
    const QPoint at = input_->pos() + QPoint(40, 30);
    input_->move(at);
    keypad_->close();
    QVERIFY(frmInput::exists() && !input_->isVisible());

    frmKeyboard::instance();
    QVERIFY(same);
    QCOMPARE(frmInput::instance(), same.data());
    QVERIFY(same->isVisible());
    QCOMPARE(same->windowTitle(), QStringLiteral("not loaded again"));
    QCOMPARE(same->pos(), at);
    QCOMPARE(same->Text1->text(), QStringLiteral("xyz"));
}

void TestFrmInput::keypadReloadLoadsAClosedTypingWindow()
{
    input_->Text1->setText(QStringLiteral("xyz"));
    keypad_->close();
    input_->close();
    QVERIFY(!frmKeyboard::exists() && !frmInput::exists());

    frmKeyboard::instance();
    QVERIFY(frmInput::exists());
    frmInput *fresh = frmInput::instance();
    QVERIFY(fresh->isVisible());
    QVERIFY(fresh->Text1->text().isEmpty());
    const frmMain *main = frmMain::instance();
    QCOMPARE(fresh->windowTitle(), main->Title + QStringLiteral(" ") + main->Version);
}

QTEST_MAIN(TestFrmInput)
#include "tst_frminput.moc"
