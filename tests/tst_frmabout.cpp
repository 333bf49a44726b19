#include "ui/common.h"
#include "ui/frmAbout.h"
#include "ui/frmMain.h"
#include "ui/seams.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QWindow>

using namespace tapwright::ui;

namespace {

/// Twips to pixels worked out here rather than through the helpers under test.
int px(int twips, int dpi)
{
    return qRound(twips * dpi / 1440.0);
}

QRect twipsAt(const QWidget *w, int left, int top, int width, int height)
{
    return QRect(px(left, w->logicalDpiX()), px(top, w->logicalDpiY()), px(width, w->logicalDpiX()),
                 px(height, w->logicalDpiY()));
}

/// What the About item of the main window's Help menu does.
frmAbout *chooseAbout()
{
    // Offscreen windows have no stacking to change.
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        QTest::ignoreMessage(QtWarningMsg, "This plugin does not support raise()");
    frmMain::instance()->mnuHelpAbout->trigger();
    return frmAbout::instance();
}

/// The number of About boxes alive, closed ones awaiting deletion included.
int aboutBoxes()
{
    int count = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        count += qobject_cast<frmAbout *>(w) != nullptr;
    return count;
}

} // namespace

class TestFrmAbout : public QObject
{
    Q_OBJECT
private:
    QStringList messages_;

private Q_SLOTS:
    void initTestCase()
    {
        // The main window is only created and shown: its start button, which
        // would open a port, is never pressed.
        seams().showMessage = [this](QWidget *, const QString &text) { messages_ << text; };
        seams().chooseFile = [](QWidget *, const QString &, const QString &) { return QString(); };
        seams().openDocument = [](const QUrl &) {};
        seams().endProcess = [] { QFAIL("the program was told to end"); };
        frmMain *main = frmMain::instance();
        main->move(100, 80);
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main));
    }

    void cleanup()
    {
        if (frmAbout::exists())
            delete frmAbout::instance();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(aboutBoxes(), 0);
        QCOMPARE(messages_, QStringList());
    }

    void cleanupTestCase() { delete frmMain::instance(); }

    void showsNameVersionAndCopyright()
    {
        frmAbout *about = chooseAbout();
        QVERIFY(about->isVisible());
        QCOMPARE(about->windowTitle(), QStringLiteral("Tapwright"));
        QCOMPARE(about->Label1->text(), QStringLiteral("Tapwright version 2.00"));
        QVERIFY(!frmMain::instance()->Copyright.isEmpty());
        QCOMPARE(about->lblCopyright->text(), frmMain::instance()->Copyright);
        QCOMPARE(about->Image1->pixmap().deviceIndependentSize().toSize(), QSize(32, 32));

        // An ordinary sizable window, opening at its client size.
        const Qt::WindowFlags flags = about->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(flags.testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(about->size(), twipsAt(about, 0, 0, 5925, 3300).size());
        QVERIFY(about->minimumSize() != about->maximumSize());
    }

    void controlsPlaced_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips");
        QTest::newRow("Image1") << QStringLiteral("Image1") << QRect(120, 240, 480, 480);
        QTest::newRow("Label1") << QStringLiteral("Label1") << QRect(840, 240, 4935, 255);
        QTest::newRow("lblCopyright")
            << QStringLiteral("lblCopyright") << QRect(840, 480, 4935, 255);
        QTest::newRow("cmdOK") << QStringLiteral("cmdOK") << QRect(4440, 2760, 1335, 375);
    }

    void controlsPlaced()
    {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        frmAbout *about = chooseAbout();
        const QWidget *control = about->findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(),
                 twipsAt(about, twips.x(), twips.y(), twips.width(), twips.height()));
    }

    void placedOverMainWindow_data()
    {
        // Each row closes the box with OK, so the next one reopens it after the
        // main window moved.
        QTest::addColumn<QPoint>("mainAt");
        QTest::newRow("near the corner") << QPoint(0, 0);
        QTest::newRow("moved") << QPoint(300, 200);
        QTest::newRow("moved again") << QPoint(410, 37);
    }

    void placedOverMainWindow()
    {
        QFETCH(QPoint, mainAt);
        frmMain *main = frmMain::instance();
        main->move(mainAt);
        frmAbout *about = chooseAbout();
        const QPoint offset(px(256, about->logicalDpiX()), px(256, about->logicalDpiY()));
        QVERIFY(offset.x() > 0 && offset.y() > 0);
        QCOMPARE(about->pos(), main->pos() + offset);
        about->cmdOK->click();
    }

    void askedTwiceKeepsOneBoxUnreloaded()
    {
        frmMain *main = frmMain::instance();
        main->move(100, 80);
        QPointer<frmAbout> first = chooseAbout();
        const QPoint at = first->pos();
        first->Label1->setText(QStringLiteral("changed"));
        main->move(200, 150);

        frmAbout *again = chooseAbout();
        QCOMPARE(again, first.data());
        QCOMPARE(aboutBoxes(), 1);
        QCOMPARE(again->Label1->text(), QStringLiteral("changed"));
        QCOMPARE(again->pos(), at);
        QVERIFY(again->isVisible());
    }

    void closingUnloads_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("OK clicked") << 0;
        QTest::newRow("Space on OK") << 1;
        QTest::newRow("close box") << 2;
    }

    void closingUnloads()
    {
        QFETCH(int, how);
        QPointer<frmAbout> about = chooseAbout();
        about->Label1->setText(QStringLiteral("changed"));
        if (how == 0)
            QTest::mouseClick(about->cmdOK, Qt::LeftButton);
        else if (how == 1)
            QTest::keyClick(about->cmdOK, Qt::Key_Space);
        else
            about->windowHandle()->close();

        QVERIFY(!frmAbout::exists());
        QVERIFY(!about->isVisible());
        QTRY_VERIFY(about.isNull());

        frmAbout *next = chooseAbout();
        QCOMPARE(next->Label1->text(), QStringLiteral("Tapwright version 2.00"));
        QCOMPARE(aboutBoxes(), 1);
    }

    void askedRightAfterClosingGetsNewBox()
    {
        // Before the event loop runs, the closed box still lingers.
        QPointer<frmAbout> closed = chooseAbout();
        closed->cmdOK->click();
        QPointer<frmAbout> next = chooseAbout();
        QVERIFY(next != closed);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(closed.isNull());
        QVERIFY(next);
        QVERIFY(frmAbout::exists());
        QVERIFY(next->isVisible());
    }

    void okHasFocusAndIsNotDefault()
    {
        frmAbout *about = chooseAbout();
        QVERIFY(QTest::qWaitForWindowActive(about));
        QCOMPARE(QApplication::focusWidget(), about->cmdOK);
        QVERIFY(!about->cmdOK->isDefault());
        QVERIFY(!about->cmdOK->autoDefault());

        // First in the tab order: the first control after the window itself
        // that Tab can reach.
        QWidget *first = about->nextInFocusChain();
        while (first != about && !(first->focusPolicy() & Qt::TabFocus))
            first = first->nextInFocusChain();
        QCOMPARE(first, about->cmdOK);

        for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
            QTest::keyClick(about->cmdOK, Qt::Key(key));
            QVERIFY2(frmAbout::exists() && about->isVisible(), qPrintable(QString::number(key)));
        }
    }

    void mainWindowStaysUsable()
    {
        frmMain *main = frmMain::instance();
        frmAbout *about = chooseAbout();
        QVERIFY(QTest::qWaitForWindowActive(about));
        QVERIFY(!about->isModal());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);

        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
        main->txtCounter->selectAll();
        QTest::keyClicks(main->txtCounter, QStringLiteral("42"));
        QCOMPARE(main->txtCounter->text(), QStringLiteral("42"));
        QVERIFY(about->isVisible());
        main->txtCounter->setText(QStringLiteral("0"));
    }

    void iconIsDrawn()
    {
        const QIcon icon = appIcon();
        for (int side : {16, 32, 48, 64})
            QVERIFY(icon.availableSizes().contains(QSize(side, side)));
        const QImage image = icon.pixmap(QSize(32, 32), 1.0).toImage();
        QCOMPARE(image.size(), QSize(32, 32));
        QSet<QRgb> colours;
        int opaque = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                colours.insert(image.pixel(x, y));
                opaque += qAlpha(image.pixel(x, y)) == 255;
            }
        QVERIFY2(opaque > 32 * 32 / 2, qPrintable(QString::number(opaque)));
        QVERIFY(colours.size() > 4);
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
