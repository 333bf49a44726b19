#include "ui/common.h"
#include "ui/frmAbout.h"
#include "ui/frmMain.h"
#include "ui/seams.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace tapwright::ui;
using namespace Qt::StringLiterals;

class TestFrmAbout : public QObject
{
    Q_OBJECT
    QStringList messages_;

    static frmAbout *chooseAbout()
    {
        // Offscreen windows have no stacking to change.
        if (QGuiApplication::platformName() == "offscreen"_L1)
            QTest::ignoreMessage(QtWarningMsg, "This plugin does not support raise()");
        frmMain::instance()->mnuHelpAbout->trigger();
        return frmAbout::instance();
    }
    /// About boxes alive, closed ones awaiting deletion included.
    static int aboutBoxes()
    {
        const QWidgetList all = QApplication::topLevelWidgets();
        return int(std::count_if(all.begin(), all.end(),
                                 [](QWidget *w) { return qobject_cast<frmAbout *>(w); }));
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The main window is only created and shown: its start button, which
        // would open a port, is never pressed.
        seams().showMessage = [this](QWidget *, const QString &text) { messages_ << text; };
        seams().endProcess = [] { QFAIL("the program was told to end"); };
        frmMain *main = frmMain::instance();
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
        QCOMPARE(about->windowTitle(), u"Tapwright"_s);
        QCOMPARE(about->Label1->text(), u"Tapwright version 2.00"_s);
        QVERIFY(!frmMain::instance()->Copyright.isEmpty());
        QCOMPARE(about->lblCopyright->text(), frmMain::instance()->Copyright);
        QVERIFY(!about->Image1->pixmap().isNull());
    }

    void placedOverMainWindow()
    {
        // Closed with OK, the box is placed anew over the moved main window.
        frmMain *main = frmMain::instance();
        for (const QPoint &mainAt : {QPoint(0, 0), QPoint(410, 37)}) {
            main->move(mainAt);
            frmAbout *about = chooseAbout();
            // 256 twips, worked out here rather than through the helpers under test.
            const QPoint offset(qRound(256 * about->logicalDpiX() / 1440.0),
                                qRound(256 * about->logicalDpiY() / 1440.0));
            QVERIFY(offset.x() > 0 && offset.y() > 0);
            QCOMPARE(about->pos(), main->pos() + offset);
            about->cmdOK->click();
        }
    }

    void askedTwiceKeepsOneBoxUnreloaded()
    {
        frmMain *main = frmMain::instance();
        QPointer<frmAbout> first = chooseAbout();
        const QPoint at = first->pos();
        first->Label1->setText(u"changed"_s);
        main->move(main->pos() + QPoint(100, 70));
        frmAbout *again = chooseAbout();
        QCOMPARE(again, first.data());
        QCOMPARE(aboutBoxes(), 1);
        QCOMPARE(again->Label1->text(), u"changed"_s);
        QCOMPARE(again->pos(), at);
        QVERIFY(again->isVisible());
    }

    void okUnloads()
    {
        QPointer<frmAbout> about = chooseAbout();
        about->Label1->setText(u"changed"_s);
        QTest::mouseClick(about->cmdOK, Qt::LeftButton);
        QVERIFY(!frmAbout::exists());
        QVERIFY(!about->isVisible());
        QTRY_VERIFY(about.isNull());
        QCOMPARE(chooseAbout()->Label1->text(), u"Tapwright version 2.00"_s); // a new box
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
