#include "guitest.h"

#include "macro/messages.h"
#include "ui/frmCheck.h"
#include "ui/frmMultiRun.h"

class TestFrmMultiRun : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;
    QStringList messages_;
    frmMain *w = nullptr;

    /// The window with `count` rows of the virtual port.
    frmMultiRun *window(int count)
    {
        frmMultiRun *multi = frmMultiRun::instance();
        multi->show();
        while (multi->tblPorts->rowCount() > 1)
            multi->cmdRemovePort->click();
        multi->portBox(0)->setEditText(u"virtual"_s);
        while (multi->tblPorts->rowCount() < count)
            multi->cmdAddPort->click();
        return multi;
    }
    static QString state(frmMultiRun *multi, int row)
    {
        return multi->tblPorts->item(row, frmMultiRun::ColState)->text();
    }
    static bool allIn(frmMultiRun *multi, tapwright::PortState s)
    {
        for (int row = 0; row < multi->tblPorts->rowCount(); ++row)
            if (state(multi, row) != tapwright::describe(s))
                return false;
        return true;
    }

private Q_SLOTS:
    void initTestCase()
    {
        journalsIn(dir_.filePath(u"data"_s));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
        seams().showMessage = [this](QWidget *, const QString &text) { messages_ << text; };
        seams().ask = [](QWidget *, const QString &, const QString &, const QString &) {
            return true;
        };
        w = frmMain::instance();
        w->txtCounter->setText(u"0"_s);
    }
    void init() { messages_.clear(); }
    void cleanupTestCase()
    {
        if (frmMultiRun::exists())
            delete frmMultiRun::instance();
        delete w;
    }

    void devices_data()
    {
        QTest::addColumn<bool>("split");
        QTest::newRow("each") << false;
        QTest::newRow("split") << true;
    }
    /// Three virtual devices run one list at once, each in a window of its
    /// own: every one gets the whole list, or every entry goes to one of them.
    void devices()
    {
        QFETCH(bool, split);
        const QStringList entries{u"aa"_s, u"bb"_s, u"cc"_s, u"dd"_s, u"ee"_s};
        w->MacroFile =
            writeFile(dir_.filePath(u"m.mac"_s), "GETSTR\r\nSENDSTR\r\nENTER\r\nREPEAT\r\n");
        w->AddrFile = writeFile(dir_.filePath(u"a.txt"_s), entries.join(u"\r\n"_s).toLatin1());
        const QStringList shown =
            QStringList(entries).replaceInStrings(QRegularExpression(u"$"_s), u"[ENTER]"_s);
        frmMultiRun *multi = window(3);
        (split ? multi->optSplit : multi->optEach)->setChecked(true);
        QSignalSpy finished(&multi->run(), &MultiRun::finished);
        multi->cmdStartAll->click();
        QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join(u'\n')));
        QVERIFY(!multi->cmdStartAll->isEnabled() && !multi->optEach->isEnabled());
        QVERIFY(finished.wait(60000));
        QVERIFY(multi->cmdStartAll->isEnabled() && !multi->cmdStopAll->isEnabled());
        QVERIFY(allIn(multi, PortState::Done));

        QStringList typed;
        for (int port = 0; port < 3; ++port) {
            frmDevice *device = multi->deviceWindow(port);
            QVERIFY(device && device->isVisible());
            QCOMPARE(device->windowTitle(), multi->tr("Device (%1)").arg(port + 1));
            const QStringList lines =
                device->txtDevice->toPlainText().split(u'\n', Qt::SkipEmptyParts);
            if (!split)
                QCOMPARE(lines, shown);
            typed += lines;
            device->txtDevice->clear();
        }
        typed.sort();
        if (split) {
            QCOMPARE(typed, shown);
            QCOMPARE(multi->barShared->value(), 5);
            QVERIFY(multi->barShared->isVisible());
            QVERIFY(multi->tblPorts->isColumnHidden(frmMultiRun::ColProgress));
        } else {
            QCOMPARE(typed.size(), 15);
            QVERIFY(!multi->barShared->isVisible());
            auto *bar = qobject_cast<QProgressBar *>(
                multi->tblPorts->cellWidget(1, frmMultiRun::ColProgress));
            QCOMPARE(bar->value(), bar->maximum());
        }
        // A line a port and the total stay in the window.
        const QStringList report = multi->txtReport->toPlainText().split(u'\n');
        QCOMPARE(report.size(), 4);
        QCOMPARE(report[0], multi->tr("%1: %2, pass counter %3")
                                .arg(u"virtual"_s, describe(PortState::Done),
                                     split ? report[0].section(u' ', -1) : u"5"_s));
        QCOMPARE(report[3], split ? multi->tr("total: %1 of %2 entries delivered").arg(5).arg(5)
                                  : multi->tr("total: %1 passes").arg(15));
        multi->optEach->setChecked(true);
    }

    void stopping_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QList<int>>("stopped"); // the rows that end
        QTest::newRow("stop all") << u"all"_s << QList<int>{0, 1, 2};
        QTest::newRow("a row's own stop") << u"row"_s << QList<int>{1};
        QTest::newRow("closing the window") << u"close"_s << QList<int>{0, 1, 2};
    }
    /// Pause all and stop all reach every row; a row's own buttons only its port.
    void stopping()
    {
        QFETCH(QString, how);
        QFETCH(QList<int>, stopped);
        w->MacroFile = writeFile(dir_.filePath(u"loop.mac"_s), "STRING ab\r\nREPEAT\r\n");
        w->AddrFile.clear();
        frmMultiRun *multi = window(3);
        QPointer<frmMultiRun> alive = multi;
        multi->cmdStartAll->click();
        QTRY_VERIFY_WITH_TIMEOUT(allIn(multi, PortState::Running), 20000);
        multi->cmdPauseAll->click();
        QTRY_VERIFY_WITH_TIMEOUT(allIn(multi, PortState::Paused), 20000);
        for (int row = 0; row < 3; ++row)
            QVERIFY(multi->pauseButton(row)->isChecked());
        multi->pauseButton(2)->click();
        QTRY_COMPARE_WITH_TIMEOUT(state(multi, 2), describe(PortState::Running), 20000);
        QCOMPARE(state(multi, 0), describe(PortState::Paused));
        multi->cmdPauseAll->click(); // goes on everywhere
        QTRY_VERIFY_WITH_TIMEOUT(allIn(multi, PortState::Running), 20000);

        if (how == "all"_L1)
            multi->cmdStopAll->click();
        else if (how == "row"_L1)
            multi->stopButton(1)->click();
        else
            multi->close();
        for (int row = 0; row < 3; ++row) {
            const auto s = stopped.contains(row) ? PortState::Done : PortState::Running;
            if (how != "close"_L1)
                QTRY_COMPARE_WITH_TIMEOUT(state(multi, row), describe(s), 20000);
        }
        if (how == "close"_L1) {
            // Not unseen: the runs end, and the window goes only then.
            QTRY_VERIFY_WITH_TIMEOUT(alive.isNull(), 20000);
            return;
        }
        QVERIFY(multi->run().isRunning() == (stopped.size() < 3));
        multi->cmdStopAll->click();
        QTRY_VERIFY_WITH_TIMEOUT(!multi->run().isRunning(), 20000);
    }

    /// A failed check opens the check window, and nothing starts.
    void checkFails()
    {
        w->MacroFile = writeFile(dir_.filePath(u"bad.mac"_s), "SLEEP x\r\n");
        w->AddrFile.clear();
        frmMultiRun *multi = window(2);
        multi->cmdStartAll->click();
        QVERIFY(frmCheck::exists() && frmCheck::instance()->isVisible());
        QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join(u'\n')));
        QVERIFY(!multi->run().isRunning() && multi->cmdStartAll->isEnabled());
        frmCheck::instance()->close();
    }

#ifdef Q_OS_UNIX
    /// The keypad's port is refused by name, and nothing starts; a port list
    /// is remembered for the next window.
    void portInUse()
    {
        TestLine line;
        w->MacroFile = writeFile(dir_.filePath(u"m1.mac"_s), "STRING a\r\n");
        clickConnect(line.path());
        frmMultiRun *multi = window(2);
        multi->portBox(1)->setEditText(line.path());
        multi->cmdStartAll->click();
        QCOMPARE(messages_.size(), 1);
        QVERIFY2(messages_[0].contains(line.path()) &&
                     messages_[0].contains(multi->tr("the keypad")),
                 qPrintable(messages_[0]));
        QVERIFY(!multi->run().isRunning() && multi->cmdStartAll->isEnabled());
        QVERIFY(line.readAvailable().isEmpty());
        frmKeyboard::instance()->close();

        // The other way round: the main window and the keypad leave its port alone.
        w->MacroFile = writeFile(dir_.filePath(u"m1.mac"_s), "STRING a\r\nSLEEP 60\r\n");
        multi->cmdStartAll->click();
        QTRY_VERIFY(multi->run().isRunning());
        w->cmbCommPort->setEditText(line.path());
        w->cmdSend->click();
        clickConnect(line.path());
        QCOMPARE(messages_.size(), 3);
        QVERIFY(messages_[1] == messages_[2] && messages_[1].contains(line.path()) &&
                messages_[1].contains(multi->tr("the run over several ports")));
        QVERIFY(!frmKeyboard::instance()->MSComm1().isOpen() && !w->runner().isRunning());
        multi->cmdStopAll->click();
        QTRY_VERIFY(!multi->run().isRunning());
        frmKeyboard::instance()->close();

        multi->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(frmMultiRun::instance()->tblPorts->rowCount(), 2);
        QCOMPARE(frmMultiRun::instance()->portBox(1)->currentText(), line.path());
    }
#endif
};

QTEST_MAIN(TestFrmMultiRun)
#include "tst_frmmultirun.moc"
