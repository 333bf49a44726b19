#include "guitest.h"

#include "ui/frmCheck.h"

class TestFrmCheck : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;
    QStringList events_;
    frmMain *w = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        seams().showMessage = [this](QWidget *, const QString &text) { events_ << text; };
        seams().endProcess = [] { QFAIL("the program was told to end"); };
        w = frmMain::instance();
    }
    void cleanupTestCase()
    {
        if (frmCheck::exists())
            delete frmCheck::instance();
        delete w;
    }
    void init() { events_.clear(); }

    void report_data()
    {
        QTest::addColumn<Fields>("f"); // as in data/check-window.txt
        for (const auto &[name, fields] : dataRecords(u"check-window.txt"_s))
            QTest::newRow(qPrintable(name)) << fields;
    }
    void report()
    {
        QFETCH(Fields, f);
        w->MacroFile = writeFile(dir_.filePath(u"m.mac"_s), f[u"macro"_s].toUtf8());
        w->AddrFile = f.contains(u"addresses"_s)
                          ? writeFile(dir_.filePath(u"a.txt"_s), f[u"addresses"_s].toUtf8())
                          : QString();
        w->txtCounter->setText(f[u"counter"_s]);
        QVERIFY(w->mnuRunCheck->isEnabled());
        w->mnuRunCheck->trigger();
        QStringList got = colouredBlocks(frmCheck::instance()->txtReport->document());
        got.replaceInStrings(dir_.path() + u'/', QString());
        QCOMPARE(got, f[u"lines"_s].split(u'\n'));
        QVERIFY(frmCheck::instance()->isVisible());
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(events_.isEmpty());
        QCOMPARE(w->txtCounter->text(), f[u"counter"_s]); // a check changes nothing
    }

    void refusedWithABadCounter()
    {
        w->MacroFile = writeFile(dir_.filePath(u"m.mac"_s), "UP\r\n");
        w->txtCounter->setText(u"x1"_s);
        frmCheck::instance()->txtReport->setPlainText(u"before"_s);
        w->mnuRunCheck->trigger();
        QCOMPARE(events_.size(), 1);
        QCOMPARE(events_[0].section(u'\n', 0, 0), u"カウンタの値 \"x1\" は整数ではありません。"_s);
        QCOMPARE(frmCheck::instance()->txtReport->toPlainText(), u"before"_s);
    }

    /// Not during a run: it would read the files the run is reading.
    void idleOnly()
    {
        w->MacroFile = writeFile(dir_.filePath(u"m.mac"_s), "SLEEP 0.3\r\n");
        w->txtCounter->setText(u"0"_s);
        TestLine line;
        w->cmbCommPort->setEditText(line.path());
        QVERIFY(safePort(line.path()));
        bool enabledDuringRun = true;
        QTimer::singleShot(100, w, [&] { enabledDuringRun = w->mnuRunCheck->isEnabled(); });
        w->cmdSend->click();
        QVERIFY(!enabledDuringRun);
        QVERIFY(w->mnuRunCheck->isEnabled());
    }
};

QTEST_MAIN(TestFrmCheck)
#include "tst_frmcheck.moc"
