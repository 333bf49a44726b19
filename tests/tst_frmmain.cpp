#include "guitest.h"
#include "macro/journal.h"
#include "text/textsender.h"
#include "ui/frmCheck.h"

/// Runs the macro and returns from the test if the run failed a check.
#define RUN(...)                                                                                   \
    do {                                                                                           \
        run(__VA_ARGS__);                                                                          \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)

class TestFrmMain : public QObject
{
    Q_OBJECT
    TestLine line_;
    QTemporaryDir dir_;
    QStringList events_;  ///< what reached the desktop: messages, dialogs, documents, the end
    QStringList answers_; ///< what the file dialog answers, in order
    bool goOn_ = false;   ///< what the offer of a journal is answered
    QByteArray sentDuringRun_;
    frmMain *w = nullptr;

    /// Presses start with `macro` chosen (null: none); returns when the run has ended. A run
    /// still going after a few seconds is stopped from here and fails the test, so that a
    /// slip in the counter or the stop button shows at once instead of at ctest's timeout.
    void run(const QByteArray &macro, const QString &counter = u"0"_s, int guardMs = 3000)
    {
        const QString port = w->cmbCommPort->currentText();
        QVERIFY2(safePort(port), qPrintable(port));
        w->MacroFile = macro.isNull() ? QString() : writeFile(dir_.filePath(u"m.mac"_s), macro);
        w->txtCounter->setText(counter);
        bool overran = false;
        QTimer guard; // as the program quitting, which ends any run
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, w, [&] { overran = true, w->runner().abandon(); });
        guard.start(guardMs);
#ifdef Q_OS_UNIX
        // Read while the run goes on: a run that sends without end must not
        // also stall on a full line when it closes the port.
        QSocketNotifier reader(line_.pty().masterFd(), QSocketNotifier::Read);
        connect(&reader, &QSocketNotifier::activated, this, &TestFrmMain::takeSent);
#endif
        w->cmdSend->click();
        guard.stop();
        QVERIFY2(!overran, "the run went on too long and was stopped by the test");
    }
    /// Moves what the line holds now into sentDuringRun_.
    void takeSent()
    {
        sentDuringRun_ += line_.readNow();
    }
    /// Every byte sent since the last call.
    QByteArray sent()
    {
        return std::exchange(sentDuringRun_, {}) + line_.readAvailable();
    }
    /// The window as the user sees it: step, address, counter, the buttons, the port.
    QString state() const
    {
        return u"[%1] [%2] [%3] %4 %5 %6"_s.arg(w->lblStatus->text(), w->lblAddr->text(),
                                                w->txtCounter->text(),
                                                w->cmdSend->isEnabled() ? "send"_L1 : "-"_L1,
                                                w->cmdStop->isEnabled() ? "stop"_L1 : "-"_L1,
                                                w->MSComm1().isOpen() ? "open"_L1 : "closed"_L1);
    }

private Q_SLOTS:
    void initTestCase()
    {
        journalsIn(dir_.path());
        Seams &s = seams();
        s.showMessage = [this](QWidget *, const QString &text) { events_ << text; };
        s.ask = [this](QWidget *, const QString &text, const QString &yes, const QString &no) {
            return events_ << text << yes + u'|' + no, goOn_;
        };
        s.chooseFile = [this](QWidget *, const QString &, const QString &selected) {
            events_ << u"dialog on "_s + selected;
            return answers_.isEmpty() ? QString() : answers_.takeFirst();
        };
        s.openDocument = [this](const QUrl &url) {
            events_ << u"open "_s + url.toLocalFile();
            return true;
        };
        s.listPorts = [] { return QList<PortInfo>{{u"/dev/ttyUSB0"_s, u"FT232R USB UART"_s}}; };
        s.endProcess = [this] { events_ << u"end"_s; };
        s.announceEnd = [this](QWidget *, const QString &text) { events_ << u"notice: "_s + text; };
        w = frmMain::instance();
        line_.listen(w->MSComm1());
        w->sendLog().now = [] { return QTime(9, 8, 7, 6); };
        // "1" is this machine's console: init() replaces it before any test runs.
        QCOMPARE(w->cmbCommPort->currentText(), u"1"_s);
        QVERIFY(w->statusBar()->currentMessage().contains(u" virtual "_s));
        w->cmbCommPort->setEditText(u"2"_s); // gone, and not back with "1"
        w->cmbCommPort->setEditText(u"1"_s);
        QCOMPARE(w->statusBar()->currentMessage(), QString());
        QCOMPARE(state(), u"[] [] [0] send - closed"_s);
        // The two buttons are told apart by their captions alone.
        QCOMPARE(w->cmdSend->text() + u'|' + w->cmdStop->text(), u"実行|停止"_s);
    }

    void init()
    {
        events_.clear();
        sent(); // what an earlier test left
        w->cmbCommPort->setEditText(line_.path());
        w->AddrFile.clear();
    }

    void cleanupTestCase() { delete w; }

    void fileChoices_data()
    {
        // The dialog answers with forward slashes, as Qt's does; on Windows the
        // window shows the path as the system writes it.
        QTest::addColumn<QStringList>("answers"); // the address file, the macro
        QTest::addColumn<QStringList>("onWindows");
        QTest::newRow("unix") << QStringList{u"/data/住所.txt"_s, u"/data/entry.mac"_s}
                              << QStringList{u"\\data\\住所.txt"_s, u"\\data\\entry.mac"_s};
        QTest::newRow("windows") << QStringList{u"C:/マクロ/住所録.txt"_s,
                                                u"C:/マクロ/住所録.mac"_s}
                                 << QStringList{u"C:\\マクロ\\住所録.txt"_s,
                                                u"C:\\マクロ\\住所録.mac"_s};
    }
    void fileChoices()
    {
        QFETCH(QStringList, answers);
        QFETCH(QStringList, onWindows);
#ifdef Q_OS_WIN
        const QString addr = onWindows[0], macro = onWindows[1];
#else
        const QString addr = answers[0], macro = answers[1];
#endif
        answers_ = answers << QString() << QString();
        w->mnuFileAddr->trigger();
        w->mnuFileMacro->trigger();
        w->mnuFileMacro->trigger(); // cancelled
        w->mnuFileAddr->trigger();  // cancelled
        QCOMPARE(w->AddrFile, addr);
        QCOMPARE(w->MacroFile, macro);
        QCOMPARE(w->lblAddrFile->text(), addr);
        QCOMPARE(w->lblMacroFile->text(), macro);
        // One dialog for both items: it opens on the last file chosen with either.
        QCOMPARE(events_.mid(1, 3).join(u'|'),
                 u"dialog on "_s + addr + u"|dialog on "_s + macro + u"|dialog on "_s + macro);
        // The check before the run quotes the path as shown.
        w->cmdSend->click();
        const QString found = frmCheck::instance()->txtReport->toPlainText();
        frmCheck::instance()->close();
        QVERIFY2(found.startsWith(macro + u": "_s), qPrintable(found));
    }

    void runs_data()
    {
        QTest::addColumn<Fields>("f"); // as in data/main-runs.txt
        for (const auto &[name, fields] : dataRecords(u"main-runs.txt"_s))
            QTest::newRow(qPrintable(name)) << fields;
    }
    void runs()
    {
        QFETCH(Fields, f);
        const QString during = f[u"during"_s], stopAt = during.section(u']', 0, 0).mid(1);
        const bool busy = QLatin1String(QTest::currentDataTag()) == "busy port"_L1;
#ifndef Q_OS_UNIX
        if (busy)
            QSKIP("the virtual port is never busy: this needs a serial port");
#endif
        SerialLink holder;
        holder.setCommPort(line_.path());
        QVERIFY(!busy || holder.OpenPort()); // another program holds the port
        w->lblStatus->setText(u"old"_s);
        w->lblAddr->setText(u"old"_s);
        // Looks in every 5 ms while the run waits; the steps stopped at are long
        // SLEEPs, so none is missed.
        QString seen;
        QTimer look;
        connect(&look, &QTimer::timeout, this, [&] {
            if (!stopAt.isEmpty() && seen.isEmpty() && w->lblStatus->text() == stopAt) {
                seen = state();
                w->cmdStop->click();
            }
        });
        look.start(5);
        const qsizetype logLines = w->sendLog().text().count(u'\n');
        RUN(f.contains(u"macro"_s) ? f[u"macro"_s].toUtf8() : QByteArray(), f[u"counter"_s]);
        QCOMPARE(seen, during);
        QCOMPARE(events_.join(u'|').section(u'\n', 0, 0).remove(dir_.path() + u'/'),
                 f[u"message"_s].replace(u"PTY"_s, line_.path()));
        QCOMPARE(state(), f[u"after"_s]);
        QCOMPARE(sent().toHex(' '), framesOf(codesOf(f[u"codes"_s])).toHex(' '));
        if (f.contains(u"check"_s)) {
            const QString found = frmCheck::instance()->txtReport->toPlainText();
            frmCheck::instance()->close();
            QCOMPARE(found.section(u'\n', 0, 0).remove(dir_.path() + u'/'), f[u"check"_s]);
        }
        QVERIFY(!w->MacroExe());
        if (f.contains(u"log"_s))
            QCOMPARE(w->sendLog().text().remove(dir_.path() + u'/').split(u'\n').mid(logLines),
                     f[u"log"_s].split(u'\n'));
        if (!f.contains(u"warnings"_s))
            return;
        QCOMPARE(w->lblWarningCount->text(), f[u"warnings"_s]);
        QCOMPARE(w->lblLastWarning->text(), f[u"last"_s]);
        if (!f[u"last"_s].isEmpty()) // the tooltip names the file in full
            QCOMPARE(shownToolTip(w->lblLastWarning), dir_.filePath(f[u"last"_s]));
        w->layout()->activate();
        QCOMPARE(w->width(), twipsX(w, 5295));
    }

    void pause()
    {
        QVERIFY(!w->mnuRunPause->isEnabled()); // idle: nothing to pause
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        const QString address = u"A&<B>ぱぴぷぺぽ"_s;
        w->AddrFile =
            writeFile(dir_.filePath(u"a.txt"_s), "\xef\xbb\xbf" + address.toUtf8() + "\r\n");
        // Ctrl+P once a frame is out, Pause once the line has long been quiet; from timers,
        // as a nested wait would hold up the run's own waits.
        QString during;
        qsizetype bytes = 0; // on the line while paused
        QTimer step;
        connect(&step, &QTimer::timeout, this, [&] {
            takeSent();
            if (during.isEmpty() && !sentDuringRun_.isEmpty()) {
                QTest::keyClick(w, Qt::Key_P, Qt::ControlModifier);
                during = w->lblRunState->text() + (w->mnuRunPause->isChecked() ? u" ✓"_s : u""_s);
                QTimer::singleShot(1000, w, [&] {
                    takeSent();
                    bytes = sentDuringRun_.size();
                    during += u'|' + w->lblAddr->text() + u'|' + shownToolTip(w->lblAddr);
                    QTest::keyClick(w, Qt::Key_Pause);
                });
            }
        });
        step.start(5);
        RUN("GETSTR\r\nSENDSTR\r\n", u"0"_s, 10000);
        w->hide();
        // Paused, the address shows what the device has (a frame a character), the rest grey.
        const qsizetype got = bytes / 8;
        QCOMPARE(during, u"一時停止中 ✓|"_s + address.left(got).toHtmlEscaped() +
                             u"<span style=\"color:#808080\">"_s +
                             address.mid(got).toHtmlEscaped() + u"</span>|"_s + address);
        RecordingSink frames;
        tapwright::SendStr(frames, address);
        QCOMPARE(sent(), framesOf(frames.codes));
        QCOMPARE(w->lblRunState->text(), QString());
        QVERIFY(!w->mnuRunPause->isEnabled() && !w->runner().isPaused());
    }

    void progress()
    {
        w->AddrFile = writeFile(dir_.filePath(u"a.txt"_s), "a\r\nb\r\nc\r\nd\t\r\n");
        // Sampled from a timer: a nested QTRY wait would hold up the run's own waits.
        QStringList seen;
        QTimer look;
        connect(&look, &QTimer::timeout, this, [&] {
            const QString now = w->lblProgress->text();
            if (!now.isEmpty() && (seen.isEmpty() || seen.last() != now))
                seen << now;
        });
        look.start(1);
        RUN("BASEWAIT 0.05\r\nGETSTR\r\nSENDSTR\r\nREPEAT\r\n", u"0"_s, 5000);
        look.stop();
        // Once a pass is done the time left is known; how it counts down is the runner's test.
        // The entry is named by its first field.
        QCOMPARE(seen.value(0), u"パス 1 / 4  残り約 1.0 秒"_s);
        QVERIFY2(QRegularExpression(u"^パス 4 / 4  残り約 \\d+\\.\\d 秒  d$"_s)
                     .match(seen.last())
                     .hasMatch(),
                 qPrintable(seen.join(u" | "_s)));
        QCOMPARE(w->lblProgress->text(), QString()); // only during a run
        sent();
    }

    void offerToGoOn()
    {
        const QByteArray entry = "GETSTR\r\nSENDSTR\r\nENTER\r\n", pass = entry + entry + "REPEAT";
        const QString macro = writeFile(dir_.filePath(u"m.mac"_s), pass);
        const QString addr = writeFile(dir_.filePath(u"j.txt"_s),
                                       "a\nb\nc\nd\ne\nf\ng\nh\ni\nj\nk\nl\nm\nn\no\np\n");
        for (const bool goOn : {false, true}) {
            RunJournal journal; // six passes of two entries each reached the device
            journal.begin(macro, addr, line_.path(), 0, 0);
            journal.update(6, 12);
            w->txtCounter->setText(u"0"_s);
            events_.clear(), goOn_ = goOn;
            w->offerJournal();
            QVERIFY2(events_.value(0).contains(
                         u"端末に届いたパス: 6 件 (カウンタ 6)\n次のアドレス: m\n"_s),
                     qPrintable(events_.value(0)));
            QCOMPARE(events_.mid(1), QStringList{u"続ける|記録を閉じる"_s});
            QCOMPARE(openJournalOf(macro, addr).has_value(), goOn); // no closes it
            QCOMPARE(w->txtCounter->text(), goOn ? u"6"_s : u"0"_s);
        }
        QCOMPARE(
            u"%1 %2"_s.arg(QDir::fromNativeSeparators(w->AddrFile), w->cmbCommPort->currentText()),
            u"%1 %2"_s.arg(addr, line_.path()));
        RUN(pass, u"6"_s); // on from the 13th line, not the 7th
        QCOMPARE(sent(), framesOf(codesOf(u"1,5,8 3,6,2 1,5,9 3,6,2 1,5,10 3,6,2 1,5,11 3,6,2"_s)));
    }

    void helpFollowsTheWorkingDirectory()
    {
        // Where else 目次 looks is the lookup's own test; here, that the
        // folder is the current one at the moment of the click.
        const QString before = QDir::currentPath();
        QTemporaryDir here;
        writeFile(here.filePath(u"help.mht"_s), QByteArray());
        QDir::setCurrent(here.path());
        w->mnuHelpContents->trigger();
        QDir::setCurrent(before);
        QCOMPARE(events_, QStringList{u"open "_s + here.filePath(u"help.mht"_s)});
    }

    void focusStaysOffTheCounter()
    {
        w->show();
        // An earlier test's window may have taken the activation with it.
        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        w->cmdSend->setFocus();
        QTRY_VERIFY(w->cmdSend->hasFocus());
        w->MacroFile = writeFile(dir_.filePath(u"m.mac"_s), "SLEEP 30");
        // Started with F5 and stopped with Shift+F5; the menu items as the buttons.
        const auto items = [this] {
            return u"%1 %2"_s.arg(w->mnuRunStart->isEnabled()).arg(w->mnuRunStop->isEnabled());
        };
        QTimer::singleShot(0, w, [&] {
            // The start button went grey under the focus: the stop button has it now.
            events_ << (w->cmdStop->hasFocus() ? u"stop has focus"_s : u"focus elsewhere"_s)
                    << items();
            QTest::keyClick(w, Qt::Key_F5, Qt::ShiftModifier);
        });
        QElapsedTimer took;
        took.start();
        QTest::keyClick(w, Qt::Key_F5);
        QVERIFY(took.elapsed() < 20000); // stopped, not left to its 30 s
        events_ << items() << w->cmdSend->shortcut().toString() + w->cmdStop->shortcut().toString();
        QCOMPARE(events_.join(u'|'), u"stop has focus|0 1|1 0|"_s);
        QVERIFY(w->cmdSend->hasFocus());
        QCOMPARE(w->txtCounter->selectedText(), QString());
        w->hide();
    }

    void aLongRunsEndIsTold_data()
    {
        QTest::addColumn<QByteArray>("macro");
        QTest::addColumn<QString>("counter"); ///< passes from the second address on
        QTest::addColumn<bool>("stop");       ///< the stop button, once the run goes
        QTest::addColumn<int>("tookS");       ///< as the run's clock says
        QTest::addColumn<QString>("notice");
        QTest::newRow("to the end of the list") << "GETSTR\r\nSENDSTR\r\nREPEAT\r\n"_ba << u"1"_s
                                                << false << 72 * 60 << u"完了: 2 件, 1 時間 12 分"_s;
        QTest::newRow("stopped") << "SLEEP 30\r\n"_ba << u"1"_s << true << 61
                                 << u"停止: 0 件, 1 分 1 秒"_s;
        // The second REPEAT would raise the counter past its largest.
        QTest::newRow("failed") << "UP\r\nREPEAT\r\n"_ba << u"2147483646"_s << false << 3600
                                << u"失敗: 1 件, 1 時間"_s;
        QTest::newRow("a minute is not long") << "UP\r\n"_ba << u"1"_s << false << 60 << QString();
    }
    void aLongRunsEndIsTold()
    {
        QFETCH(QByteArray, macro);
        QFETCH(QString, counter);
        QFETCH(bool, stop);
        QFETCH(int, tookS);
        QFETCH(QString, notice);
        w->AddrFile = macro.contains("GETSTR") ? writeFile(dir_.filePath(u"a.txt"_s), "a\r\nb\r\nc\r\n")
                                               : QString();
        const QScopeGuard realClock(
            [this, real = w->endNotice().nowMs] { w->endNotice().nowMs = real; });
        qint64 now = 0;
        w->endNotice().nowMs = [&] { return std::exchange(now, now + tookS * 1000); };
        if (stop)
            QTimer::singleShot(100, w->cmdStop, &QPushButton::click);
        RUN(macro, counter);
        QCOMPARE(events_.filter(u"notice: "_s).join(u'|'),
                 notice.isEmpty() ? notice : u"notice: "_s + notice);
    }

    void longPathsKeepTheName_data()
    {
        QTest::addColumn<double>("lines"); // the path's width in the label's widths
        QTest::newRow("one line") << 0.5;
        QTest::newRow("wrapped") << 1.6;
        QTest::newRow("elided") << 4.0;
    }
    void longPathsKeepTheName()
    {
        QFETCH(double, lines);
        PathLabel *label = w->lblAddrFile;
        const QFontMetrics metrics = label->fontMetrics();
        const int width = label->contentsRect().width();
        const QString name = QDir::toNativeSeparators(u"/住所録 2026.txt"_s);
        QString path = u"/データ"_s;
        while (metrics.horizontalAdvance(path + name) < lines * width)
            path += u"/フォルダ"_s;
        answers_ = {path + name};
        w->mnuFileAddr->trigger();
        path = QDir::toNativeSeparators(path);
        const QStringList shown = label->shownLines();
        QCOMPARE(label->text() + u'|' + shownToolTip(label), w->AddrFile + u'|' + path + name);
        for (const QString &line : shown)
            QVERIFY(shown.size() <= 2 && metrics.horizontalAdvance(line) <= width);
        // Whole where it fits; else the start of the path, and the name whole after "…".
        QVERIFY2(lines < 2 ? shown.join(QString()) == path + name
                           : path.startsWith(shown[0]) && shown[1].startsWith(u"…"_s) &&
                                 shown[1].endsWith(name) &&
                                 path.endsWith(shown[1].chopped(name.size()).mid(1)),
                 qPrintable(shown.join(u'|')));
    }

    void dropChoosesTheFile_data()
    {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<bool>("taken");
        const QUrl file = QUrl::fromLocalFile(u"/data/住所録.txt"_s);
        QTest::newRow("one file") << QList<QUrl>{file} << true;
        QTest::newRow("two files") << QList<QUrl>{file, file} << false;
        QTest::newRow("not local") << QList<QUrl>{QUrl(u"https://example.com/a.txt"_s)} << false;
        QTest::newRow("a folder") << QList<QUrl>{QUrl::fromLocalFile(dir_.path())} << false;
    }
    void dropChoosesTheFile()
    {
        QFETCH(QList<QUrl>, urls);
        QFETCH(bool, taken);
        for (QGroupBox *frame : {w->frmMacroFile, w->frmAddrFile}) {
            QString &chosen = frame == w->frmMacroFile ? w->MacroFile : w->AddrFile;
            chosen = frame->findChild<PathLabel *>()->text();
            const QString path = taken ? QDir::toNativeSeparators(urls[0].toLocalFile()) : chosen;
            QMimeData data;
            data.setUrls(urls);
            QDragEnterEvent enter(QPoint(9, 9), Qt::CopyAction, &data, Qt::LeftButton, {});
            QDropEvent drop(QPointF(9, 9), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(frame, &enter);
            QApplication::sendEvent(frame, &drop);
            QCOMPARE(enter.isAccepted(), taken);
            QCOMPARE(chosen + u'|' + frame->findChild<PathLabel *>()->text(), path + u'|' + path);
        }
    }

    void addressShownAsText()
    {
        const int width = w->lblAddr->width();
        RunnerHost *host = w;
        const QString address = u"<b>東京都千代田区</b>\x1b[2J"_s.repeated(5);
        host->setAddress(address);
        // A long one is cut at the label's edge; the tooltip has it whole.
        QCOMPARE(w->lblAddr->width(), width);
        const QString shown = u"<b>東京都千代田区</b>U+001B[2J"_s.repeated(5);
        QCOMPARE(w->lblAddr->text(), shown);
        QCOMPARE(shownToolTip(w->lblAddr), shown);
        host->setAddress(QString());
    }

    // Tells the program to end: keep it last.
    void exitDuringRun()
    {
        w->lblAddr->clear();
        // Once the first frame is out, also on a line that carries it at its pace.
        QTimer::singleShot(400, w->mnuFileExit, &QAction::trigger);
        RUN("UP\r\nSLEEP 60\r\nDOWN\r\n"); // must come back at once, not after 60 s
        QCOMPARE(events_, QStringList{u"end"_s});
        QVERIFY(!w->MSComm1().isOpen());
        QVERIFY(w->lblAddr->text().isEmpty()); // no end sequence: the program is ending
        QCOMPARE(sent(), framesOf({{3, 1, 1}}));
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
