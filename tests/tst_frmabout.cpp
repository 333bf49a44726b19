#include "guitest.h"

class TestFrmAbout : public QObject
{
    Q_OBJECT
    static frmAbout *chooseAbout()
    {
        // Offscreen windows have no stacking to change.
        if (QGuiApplication::platformName() == "offscreen"_L1)
            QTest::ignoreMessage(QtWarningMsg, "This plugin does not support raise()");
        frmMain::instance()->mnuHelpAbout->trigger();
        return frmAbout::instance();
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Only shown: its start button, which would open a port, is never pressed.
        seams().endProcess = [] { QFAIL("the program was told to end"); };
        frmMain::instance()->show();
        QVERIFY(QTest::qWaitForWindowExposed(frmMain::instance(), 3000));
    }

    void cleanupTestCase() { delete frmMain::instance(); }

    void oneBoxPlacedOverTheMainWindow()
    {
        frmMain *main = frmMain::instance();
        main->move(410, 37);
        QPointer<frmAbout> about = chooseAbout();
        QCOMPARE(about->Label1->text(), u"Tapwright version 2.00"_s);
        QVERIFY(!QApplication::activeModalWidget()); // the main window stays usable
        // 256 twips, worked out here rather than through the helpers under test.
        const QPoint offset(qRound(256 * about->logicalDpiX() / 1440.0),
                            qRound(256 * about->logicalDpiY() / 1440.0));
        QCOMPARE(about->pos(), main->pos() + offset);
        about->Label1->setText(u"changed"_s);
        main->move(main->pos() + QPoint(100, 70));
        QCOMPARE(chooseAbout(), about.data());
        QCOMPARE(about->Label1->text(), u"changed"_s);
        QCOMPARE(about->pos(), main->pos() - QPoint(100, 70) + offset);
        QTest::mouseClick(about->cmdOK, Qt::LeftButton);
        QVERIFY(!frmAbout::exists());
        QTRY_VERIFY_WITH_TIMEOUT(about.isNull(), 3000);
        about = chooseAbout();
        QCOMPARE(about->Label1->text(), u"Tapwright version 2.00"_s);
        QCOMPARE(about->pos(), main->pos() + offset);
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
