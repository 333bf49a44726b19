#include "guitest.h"

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
    PtyPair pty_;
    QTemporaryDir dir_;
    QStringList events_;  ///< what reached the desktop: messages, dialogs, documents, the end
    QStringList answers_; ///< what the file dialog answers, in order
    QByteArray sentDuringRun_;
    frmMain *w = nullptr;

    /// Presses start with `macro` chosen (null: none); returns when the run has ended. A run
    /// still going after a few seconds is stopped from here and fails the test, so that a
    /// slip in the counter or the stop button shows at once instead of at ctest's timeout.
    void run(const QByteArray &macro, const QString &counter = u"0"_s, int guardMs = 3000)
    {
        // Whatever the code under test does wrong, never a real serial port.
        const QString port = w->cmbCommPort->currentText();
        QVERIFY2(port.startsWith("/dev/pts/"_L1), qPrintable(port));
        w->MacroFile = macro.isNull() ? QString() : writeFile(dir_.filePath(u"m.mac"_s), macro);
        w->txtCounter->setText(counter);
        int overruns = 0;
        QTimer guard;
        connect(&guard, &QTimer::timeout, w, [this, &overruns, &guard] {
            // First the stop flag; should the run ignore it, as the program quitting.
            if (overruns++ == 0)
                w->runner().requestStop();
            else
                w->runner().abandon();
            guard.setInterval(1000);
        });
        guard.start(guardMs);
        // Read while the run goes on: a run that sends without end must not
        // also stall on a full line when it closes the port.
        QSocketNotifier reader(pty_.masterFd(), QSocketNotifier::Read);
        connect(&reader, &QSocketNotifier::activated, this, &TestFrmMain::takeSent);
        w->cmdSend->click();
        guard.stop();
        QVERIFY2(overruns == 0, "the run went on too long and was stopped by the test");
    }
    /// Moves what the pty holds now into sentDuringRun_.
    void takeSent()
    {
        char buffer[4096];
        for (ssize_t n; (n = ::read(pty_.masterFd(), buffer, sizeof buffer)) > 0;)
            sentDuringRun_.append(buffer, n);
    }
    /// Every byte sent since the last call.
    QByteArray sent() { return std::exchange(sentDuringRun_, {}) + pty_.readAvailable(); }
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
        Seams &s = seams();
        s.showMessage = [this](QWidget *, const QString &text) { events_ << text; };
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
        w = frmMain::instance();
        // "1" is this machine's console: init() replaces it before any test runs.
        QCOMPARE(w->cmbCommPort->currentText(), u"1"_s);
        QCOMPARE(w->cmbCommPort->count(), 17); // "1" to "16", then the system's port
        QCOMPARE(w->cmbCommPort->itemText(15), u"16"_s);
        QCOMPARE(w->cmbCommPort->itemText(16), u"/dev/ttyUSB0"_s);
        QCOMPARE(w->cmbCommPort->currentIndex(), -1);
        QCOMPARE(w->windowTitle(), u"Tapwright version 2.00"_s);
        QCOMPARE(state(), u"[] [] [0] send - closed"_s);
        QVERIFY(!w->MacroExe());
    }

    void init()
    {
        events_.clear();
        sent(); // what an earlier test left
        w->cmbCommPort->setEditText(pty_.path());
        w->AddrFile.clear();
    }

    void cleanupTestCase() { delete w; }

    void fileChoices()
    {
        const QString addr = u"/data/住所.txt"_s, macro = u"/data/entry.mac"_s;
        answers_ = {addr, macro, QString(), QString()};
        w->mnuFileAddr->trigger();
        w->mnuFileMacro->trigger();
        w->mnuFileMacro->trigger(); // cancelled
        w->mnuFileAddr->trigger();  // cancelled
        QCOMPARE(w->AddrFile, addr);
        QCOMPARE(w->MacroFile, macro);
        QCOMPARE(w->lblAddrFile->text(), addr);
        QCOMPARE(w->lblMacroFile->text(), macro);
        // One dialog for both items: it opens on the last file chosen with either.
        QCOMPARE(events_.mid(1).join(u'|'),
                 u"dialog on "_s + addr + u"|dialog on "_s + macro + u"|dialog on "_s + macro);
    }

    void passes_data()
    {
        QTest::addColumn<QString>("counter");
        QTest::addColumn<QStringList>("written");
        QTest::newRow("from 0") << u"0"_s << QStringList{u"1"_s, u"2"_s, u"3"_s};
        QTest::newRow("from 7") << u"7"_s << QStringList{u"8"_s, u"9"_s, u"10"_s};
        QTest::newRow("from -2") << u"-2"_s << QStringList{u"-1"_s, u"0"_s, u"1"_s};
        QTest::newRow("2.5 rounds down") << u"2.5"_s << QStringList{u"3"_s, u"4"_s, u"5"_s};
        QTest::newRow("3.5 rounds up") << u"3.5"_s << QStringList{u"5"_s, u"6"_s, u"7"_s};
    }
    void passes()
    {
        QFETCH(QString, counter);
        QFETCH(QStringList, written);
        // Stop is pressed at the third write of the counter, whatever it reads, so a
        // wrong count ends the run just the same.
        QStringList seen;
        QObject watcher;
        connect(w->txtCounter, &QLineEdit::textChanged, &watcher, [&] {
            if (!w->runner().isRunning())
                return;
            seen << state();
            if (seen.size() == 3)
                w->cmdStop->click();
        });
        RUN("BASEWAIT 0\r\nup\r\nREPEAT\r\n", counter);
        // The step number goes on across passes.
        const QStringList expected{u"[3 REPEAT] [] [%1] - stop open"_s.arg(written[0]),
                                   u"[6 REPEAT] [] [%1] - stop open"_s.arg(written[1]),
                                   u"[9 REPEAT] [] [%1] - stop open"_s.arg(written[2])};
        QCOMPARE(seen, expected);
        QCOMPARE(state(), u"[9 REPEAT] [糸冬了] [%1] send - closed"_s.arg(written[2]));
        QCOMPARE(sent(), framesOf({{3, 1, 1}, {3, 1, 1}, {3, 1, 1}}));
        QVERIFY(events_.isEmpty() && !w->MacroExe());
    }

    void runs_data()
    {
        QTest::addColumn<QByteArray>("macro");
        QTest::addColumn<QByteArray>("addresses"); // null: no address file
        QTest::addColumn<QString>("counter");
        QTest::addColumn<QString>("stopAt"); // the step caption at which stop is pressed
        QTest::addColumn<QString>("during");
        QTest::addColumn<Codes>("codes");
        QTest::addColumn<QString>("after");
        const QByteArray none;
        const QByteArray list = "ab\r\ncd\r\nef\r\n";
        // The status keeps the last run's step until this run's first, and the address
        // is cleared at the start.
        QTest::newRow("empty file") << QByteArray("") << none << u"5"_s << QString() << QString()
                                    << Codes{} << u"[old] [糸冬了] [5] send - closed"_s;
        QTest::newRow("no REPEAT: one pass")
            << QByteArray("up\r\ndown\r\n\r\n") << none << u"5"_s << QString() << QString()
            << Codes{{3, 1, 1}, {3, 1, 2}} << u"[2 DOWN] [糸冬了] [5] send - closed"_s;
        QTest::newRow("stop during SLEEP")
            << QByteArray("UP\r\nsleep 60\r\nDOWN\r\n") << none << u"0"_s << u"2 SLEEP"_s
            << u"[2 SLEEP] [] [0] - stop open"_s << Codes{{3, 1, 1}}
            << u"[2 SLEEP] [糸冬了] [0] send - closed"_s;
        QTest::newRow("stop before REPEAT: counter kept")
            << QByteArray("STRING ab\r\nSLEEP 60\r\nREPEAT\r\n") << none << u"4"_s << u"2 SLEEP"_s
            << u"[2 SLEEP] [] [4] - stop open"_s << Codes{{1, 4, 6}, {1, 4, 7}}
            << u"[2 SLEEP] [糸冬了] [4] send - closed"_s;
        QTest::newRow("first address")
            << QByteArray("GETSTR\r\nSENDSTR\r\nSLEEP 60\r\n") << list << u"0"_s << u"3 SLEEP"_s
            << u"[3 SLEEP] [ab] [0] - stop open"_s << Codes{{1, 4, 6}, {1, 4, 7}}
            << u"[3 SLEEP] [糸冬了] [0] send - closed"_s;
        QTest::newRow("counter 2 skips two addresses")
            << QByteArray("GETSTR\r\nSENDSTR\r\nSLEEP 60\r\n") << list << u"2"_s << u"3 SLEEP"_s
            << u"[3 SLEEP] [ef] [2] - stop open"_s << Codes{{1, 4, 10}, {1, 4, 11}}
            << u"[3 SLEEP] [糸冬了] [2] send - closed"_s;
        QTest::newRow("negative counter skips none")
            << QByteArray("GETSTR\r\nSENDSTR\r\nSLEEP 60\r\n") << list << u"-1"_s << u"3 SLEEP"_s
            << u"[3 SLEEP] [ab] [-1] - stop open"_s << Codes{{1, 4, 6}, {1, 4, 7}}
            << u"[3 SLEEP] [糸冬了] [-1] send - closed"_s;
        QTest::newRow("half-width kana address")
            << QByteArray("GETSTR\r\nSENDSTR\r\nSLEEP 60\r\n") << QByteArray("\xB1\xB2\r\n")
            << u"0"_s << u"3 SLEEP"_s << u"[3 SLEEP] [ｱｲ] [0] - stop open"_s
            << Codes{{1, 1, 1}, {1, 1, 2}} << u"[3 SLEEP] [糸冬了] [0] send - closed"_s;
        QTest::newRow("SENDSTR without an address file")
            << QByteArray("GETSTR\r\nSENDSTR\r\nSLEEP 60\r\n") << none << u"0"_s << u"3 SLEEP"_s
            << u"[3 SLEEP] [] [0] - stop open"_s << Codes{}
            << u"[3 SLEEP] [糸冬了] [0] send - closed"_s;
    }
    void runs()
    {
        QFETCH(QByteArray, macro);
        QFETCH(QByteArray, addresses);
        QFETCH(QString, counter);
        QFETCH(QString, stopAt);
        QFETCH(QString, during);
        QFETCH(Codes, codes);
        QFETCH(QString, after);
        if (!addresses.isNull())
            w->AddrFile = writeFile(dir_.filePath(u"a.txt"_s), addresses);
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
        RUN(macro, counter);
        QCOMPARE(seen, during);
        QCOMPARE(state(), after);
        QCOMPARE(sent().toHex(' '), framesOf(codes).toHex(' '));
        QVERIFY(events_.isEmpty() && !w->MacroExe());
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("macro"); // null: none chosen
        QTest::addColumn<QString>("counter");
        QTest::addColumn<QString>("message");
        const QString badCounter = u"カウンタの値 \"%1\" は整数ではありません。\n"
                                   "-2147483648 から 2147483647 までの整数を入力してください。"_s;
        const QString outOfRange = u"カウンタの値 \"%1\" は範囲外です。\n"
                                   "-2147483648 から 2147483647 までの整数を入力してください。"_s;
        QTest::newRow("no macro file")
            << QByteArray() << u"0"_s << u"マクロファイルが指定されていません。"_s;
        QTest::newRow("no macro file, bad counter")
            << QByteArray() << u"x"_s << u"マクロファイルが指定されていません。"_s;
        QTest::newRow("comma") << QByteArray("UP") << u"1,5"_s << badCounter.arg(u"1,5"_s);
        QTest::newRow("word") << QByteArray("UP") << u"abc"_s << badCounter.arg(u"abc"_s);
        QTest::newRow("empty") << QByteArray("UP") << u""_s << badCounter.arg(u""_s);
        QTest::newRow("too large")
            << QByteArray("UP") << u"3000000000"_s << outOfRange.arg(u"3000000000"_s);
        QTest::newRow("rounds past the top")
            << QByteArray("UP") << u"2147483647.5"_s << outOfRange.arg(u"2147483647.5"_s);
        QTest::newRow("too small")
            << QByteArray("UP") << u"-2147483649"_s << outOfRange.arg(u"-2147483649"_s);
        QTest::newRow("infinite") << QByteArray("UP") << u"inf"_s << badCounter.arg(u"inf"_s);
    }
    void refused()
    {
        QFETCH(QByteArray, macro);
        QFETCH(QString, counter);
        QFETCH(QString, message);
        w->lblStatus->setText(u"old"_s);
        w->lblAddr->setText(u"old"_s);
        RUN(macro, counter);
        // Nothing at all changes, not even the address label's end mark.
        QCOMPARE(events_, QStringList{message});
        QCOMPARE(state(), u"[old] [old] [%1] send - closed"_s.arg(counter));
        QVERIFY(sent().isEmpty() && !w->MacroExe());
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("macro");
        QTest::addColumn<bool>("busy");       // another program holds the port
        QTest::addColumn<QString>("message"); // its first line, the file's folder left out
        QTest::addColumn<Codes>("codes");
        QTest::addColumn<QString>("after");
        QTest::newRow("bad SLEEP")
            << QByteArray("UP\r\nSLEEP 1,5\r\nDOWN") << false
            << u"m.mac:2: SLEEP には秒数が必要です。\"1,5\" は数値ではありません。"_s
            << Codes{{3, 1, 1}} << u"[2 SLEEP] [糸冬了] [0] send - closed"_s;
        QTest::newRow("busy port")
            << QByteArray("UP") << true
            << u"ポート \"%1\" を開けません: 他のプログラムかウィンドウが使用中です。"_s.arg(
                   pty_.path())
            << Codes{} << u"[old] [糸冬了] [0] send - closed"_s;
    }
    void failures()
    {
        QFETCH(QByteArray, macro);
        QFETCH(bool, busy);
        QFETCH(QString, message);
        QFETCH(Codes, codes);
        QFETCH(QString, after);
        SerialLink holder;
        holder.setCommPort(pty_.path());
        QVERIFY(!busy || holder.OpenPort());
        w->lblStatus->setText(u"old"_s);
        RUN(macro);
        // A run that cannot go on still ends with the end mark and the buttons restored.
        QCOMPARE(events_.size(), 1);
        QCOMPARE(events_[0].section(u'\n', 0, 0).remove(dir_.path() + u'/'), message);
        QCOMPARE(state(), after);
        QCOMPARE(sent().toHex(' '), framesOf(codes).toHex(' '));
    }

    void layoutKeptUnderTheBars()
    {
        // The status bar adds to the window; the client area keeps its size.
        QCOMPARE(w->centralWidget()->size(), QSize(twipsX(w, 5295), twipsY(w, 2910)));
        QCOMPARE(w->width(), twipsX(w, 5295));
        QVERIFY(w->statusBar()->y() > w->centralWidget()->geometry().bottom());
        // The new menu stands between the specified ones.
        QStringList menus;
        for (QAction *a : w->menuBar()->actions())
            menus << a->text();
        QCOMPARE(menus,
                 (QStringList{u"ファイル(&F)"_s, u"表示(&V)"_s, u"実行(&R)"_s, u"ヘルプ(&H)"_s}));
        // The captions the user goes by.
        QCOMPARE(
            (QStringList{w->cmdSend->text(), w->cmdStop->text(), w->lblCounter->text(),
                         w->lblPort->text(), w->frmMacroFile->title(), w->frmAddrFile->title()}),
            (QStringList{u"実行"_s, u"停止"_s, u"カウンタ"_s, u"ポート"_s, u"マクロファイル"_s,
                         u"アドレスファイル"_s}));
    }

    void pause_data()
    {
        QTest::addColumn<bool>("byKey");  // Ctrl+P to pause and the Pause key to resume
        QTest::addColumn<bool>("resume"); // else stop while paused
        QTest::newRow("menu, resume") << false << true;
        QTest::newRow("keys, resume") << true << true;
        QTest::newRow("menu, stop while paused") << false << false;
    }
    void pause()
    {
        QFETCH(bool, byKey);
        QFETCH(bool, resume);
        if (byKey) {
            w->show();
            w->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(w));
        }
        // Idle: the item does nothing, and the bar says nothing.
        QVERIFY(!w->mnuRunPause->isEnabled());
        w->mnuRunPause->trigger();
        QVERIFY(!w->mnuRunPause->isChecked() && !w->runner().isPaused());
        QCOMPARE(w->lblRunState->text(), QString());

        const QByteArray all = framesOf({{1, 4, 6},
                                         {1, 4, 7},
                                         {1, 4, 8},
                                         {1, 4, 9},
                                         {1, 4, 10},
                                         {1, 4, 11},
                                         {1, 4, 12},
                                         {1, 4, 13},
                                         {1, 4, 14}});
        // The test steps through its phases from a timer: a nested wait would
        // hold up the run's own waits underneath it.
        int phase = 0;
        qsizetype atPause = -1, afterWait = -1;
        QStringList seen; // run state label, item checked, runner paused
        auto look = [&] {
            seen << u"%1 %2 %3"_s.arg(w->lblRunState->text(),
                                      w->mnuRunPause->isChecked() ? "checked"_L1 : "-"_L1,
                                      w->runner().isPaused() ? "paused"_L1 : "-"_L1);
        };
        QDeadlineTimer pausedFor;
        QTimer step;
        connect(&step, &QTimer::timeout, this, [&] {
            takeSent();
            if (phase == 0 && !sentDuringRun_.isEmpty()) {
                look();
                atPause = sentDuringRun_.size();
                if (byKey)
                    QTest::keyClick(w, Qt::Key_P, Qt::ControlModifier);
                else
                    w->mnuRunPause->trigger();
                look();
                // Long enough for several frames at 600 baud.
                pausedFor.setRemainingTime(1000);
                phase = 1;
            } else if (phase == 1 && pausedFor.hasExpired()) {
                afterWait = sentDuringRun_.size();
                look();
                if (!resume)
                    w->cmdStop->click();
                else if (byKey)
                    QTest::keyClick(w, Qt::Key_Pause);
                else
                    w->mnuRunPause->trigger();
                look();
                phase = 2;
            }
        });
        step.start(5);
        RUN("STRING abcdefghi\r\n", u"0"_s, 10000);
        step.stop();
        w->hide();
        QCOMPARE(phase, 2);
        // No more than the two frames the line already held went out while paused.
        QVERIFY2(afterWait - atPause <= 16, qPrintable(u"%1 bytes"_s.arg(afterWait - atPause)));
        QCOMPARE(seen, (QStringList{u"実行中 - -"_s, u"一時停止中 checked paused"_s,
                                    u"一時停止中 checked paused"_s,
                                    resume ? u"実行中 - -"_s : u"一時停止中 checked paused"_s}));
        const QByteArray got = sent();
        if (resume)
            QCOMPARE(got.toHex(' '), all.toHex(' ')); // nothing lost, nothing twice
        else
            QVERIFY(got.size() < all.size() && all.startsWith(got));
        QCOMPARE(w->lblRunState->text(), QString());
        QVERIFY(!w->mnuRunPause->isEnabled() && !w->mnuRunPause->isChecked());
        QVERIFY(!w->runner().isPaused() && events_.isEmpty());
    }

    void warnings_data()
    {
        QTest::addColumn<QByteArray>("macro");
        QTest::addColumn<Codes>("codes");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("last");
        QTest::newRow("kanji in STRING")
            << QByteArray("\xEF\xBB\xBFSTRING a山b田\r\nUP\r\n")
            << Codes{{1, 4, 6}, {1, 4, 7}, {3, 1, 1}} << u"警告 2 件"_s
            << u"m.mac:1: 入力できない文字 '田' (U+7530) を飛ばしました。"_s;
        QTest::newRow("unknown word")
            << QByteArray("ENTRE\r\n") << Codes{} << u"警告 1 件"_s
            << u"m.mac:1: \"ENTRE\" はコマンドでもキー名でもないため何もしません。"_s;
        // Each run counts afresh.
        QTest::newRow("clean run after warnings")
            << QByteArray("UP\r\n") << Codes{{3, 1, 1}} << QString() << QString();
    }
    void warnings()
    {
        QFETCH(QByteArray, macro);
        QFETCH(Codes, codes);
        QFETCH(QString, count);
        QFETCH(QString, last);
        RUN(macro);
        QCOMPARE(w->lblWarningCount->text(), count);
        QCOMPARE(w->lblLastWarning->text(), last);
        if (!last.isEmpty()) // the tooltip names the file in full
            QVERIFY(w->lblLastWarning->toolTip().startsWith(dir_.filePath(u"m.mac:1: "_s)));
        QCOMPARE(sent().toHex(' '), framesOf(codes).toHex(' '));
        // No message box for a warning.
        QVERIFY(events_.isEmpty());
        // A long warning must not widen the window.
        w->layout()->activate();
        QCOMPARE(w->width(), twipsX(w, 5295));
    }

    void progress_data()
    {
        QTest::addColumn<QByteArray>("macro");
        QTest::addColumn<QByteArray>("addresses"); // null: none
        QTest::addColumn<QString>("counter");
        QTest::addColumn<QString>("first");   // the bar's first progress
        QTest::addColumn<QString>("pattern"); // what every progress shown must match
        QTest::addColumn<QString>("last");    // the pass shown last
        const QByteArray macro("BASEWAIT 0.05\r\nGETSTR\r\nSENDSTR\r\nREPEAT\r\n");
        const QByteArray list("a\r\nb\r\nc\r\nd\r\n");
        QTest::newRow("address list")
            << macro << list << u"0"_s << u"パス 1 / 4  残り約 1.0 秒"_s
            << u"パス [1-4] / 4  残り約 \\d+\\.\\d 秒"_s << u"パス 4 / 4"_s;
        QTest::newRow("from line 3") << macro << list << u"2"_s << u"パス 3 / 4  残り約 0.5 秒"_s
                                     << u"パス [34] / 4  残り約 \\d+\\.\\d 秒"_s << u"パス 4 / 4"_s;
        // Stopped from the guard's first tick, which is no failure here.
        QTest::newRow("until stopped")
            << QByteArray("BASEWAIT 0.05\r\nUP\r\nREPEAT\r\n") << QByteArray() << u"0"_s
            << u"パス 1  残り —"_s << u"パス \\d+  残り —"_s << QString();
    }
    void progress()
    {
        QFETCH(QByteArray, macro);
        QFETCH(QByteArray, addresses);
        QFETCH(QString, counter);
        QFETCH(QString, first);
        QFETCH(QString, pattern);
        QFETCH(QString, last);
        if (!addresses.isNull())
            w->AddrFile = writeFile(dir_.filePath(u"a.txt"_s), addresses);
        // Sampled from a timer: a nested QTRY wait would hold up the run's own waits.
        QStringList seen;
        QTimer look;
        connect(&look, &QTimer::timeout, this, [&] {
            const QString now = w->lblProgress->text();
            if (!now.isEmpty() && (seen.isEmpty() || seen.last() != now))
                seen << now;
            if (seen.size() >= 4 && last.isEmpty())
                w->cmdStop->click();
        });
        look.start(1);
        RUN(macro, counter, 5000);
        look.stop();
        QVERIFY(!seen.isEmpty());
        QCOMPARE(seen.first(), first);
        const QRegularExpression shape(QRegularExpression::anchoredPattern(pattern));
        for (const QString &text : seen)
            QVERIFY2(shape.match(text).hasMatch(), qPrintable(text));
        if (!last.isEmpty()) {
            QVERIFY2(seen.last().startsWith(last), qPrintable(seen.join(u" | "_s)));
            // Once a pass is done the time left is known.
            QVERIFY2(seen.last().contains(u"残り約 "_s), qPrintable(seen.join(u" | "_s)));
        }
        QCOMPARE(w->lblProgress->text(), QString()); // only during a run
        // The longest progress must not widen the window either.
        w->lblProgress->setText(u"パス 2147483647 / 2147483647  残り約 24855 d 3 h"_s);
        w->layout()->activate();
        QCOMPARE(w->width(), twipsX(w, 5295));
        w->lblProgress->clear();
        sent();
    }

    void sendLogOfARun()
    {
        SendLog &log = w->sendLog();
        log.now = [] { return QTime(9, 8, 7, 6); };
        const qint64 before = log.firstSerial() + qint64(log.lines().size());
        RUN("\xEF\xBB\xBFSTRING A山b\r\nUP\r\nSLEEP\r\n");
        QStringList lines;
        for (qint64 s = std::max(before, log.firstSerial());
             s < log.firstSerial() + qint64(log.lines().size()); ++s)
            lines << log.lines()[std::size_t(s - log.firstSerial())].text;
        lines.replaceInStrings(dir_.path() + u'/', QString());
        QCOMPARE(
            lines,
            (QStringList{
                u"09:08:07.006  1 STRING"_s,
                u"09:08:07.006  警告: m.mac:1: 入力できない文字 '山' (U+5C71) を飛ばしました。"_s,
                u"09:08:07.006    Ab"_s, u"09:08:07.006  2 UP"_s, u"09:08:07.006    [UP]"_s,
                u"09:08:07.006  3 SLEEP"_s,
                u"09:08:07.006  エラー: m.mac:3: SLEEP には秒数が必要です。"_s,
                u"                  SLEEP"_s}));
        QCOMPARE(events_.size(), 1);
        QCOMPARE(sent(), framesOf({{1, 1, 6}, {1, 4, 7}, {3, 1, 1}}));
        log.now = [] { return QTime::currentTime(); };
    }

    void helpFollowsTheWorkingDirectory()
    {
        // Where else 目次 looks is the lookup's own test; here, that the
        // folder is the current one at the moment of the click.
        const QString before = QDir::currentPath();
        QTemporaryDir first, second;
        writeFile(second.filePath(u"help.mht"_s), QByteArray());
        QDir::setCurrent(first.path());
        QDir::setCurrent(second.path());
        w->mnuHelpContents->trigger();
        QDir::setCurrent(before);
        QCOMPARE(events_, QStringList{u"open "_s + second.filePath(u"help.mht"_s)});
    }

    void focusStaysOffTheCounter()
    {
        w->show();
        // An earlier test's window may have taken the activation with it.
        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        w->cmdSend->setFocus();
        QTRY_VERIFY(w->cmdSend->hasFocus());
        writeFile(dir_.filePath(u"m.mac"_s), "SLEEP 30");
        w->MacroFile = dir_.filePath(u"m.mac"_s);
        QTimer::singleShot(0, w, [this] {
            // The start button went grey under the focus: the stop button has it now.
            events_ << (w->cmdStop->hasFocus() ? u"stop has focus"_s : u"focus elsewhere"_s);
            w->cmdStop->click();
        });
        w->cmdSend->click();
        QCOMPARE(events_, QStringList{u"stop has focus"_s});
        QVERIFY(w->cmdSend->hasFocus());
        QCOMPARE(w->txtCounter->selectedText(), QString());
        w->hide();
    }

    void longAddressIsCut()
    {
        const int width = w->lblAddr->width();
        const QString address =
            u"東京都千代田区千代田一丁目一番一号 ビルディング 二十三階"_s.repeated(3);
        RunnerHost *host = w;
        host->setAddress(address);
        QCOMPARE(w->lblAddr->width(), width);
        QCOMPARE(w->lblAddr->toolTip(), address);
        // It looks as a label showing the text cut with "…" would.
        QLabel cut(w->lblAddr->fontMetrics().elidedText(address, Qt::ElideRight, width));
        cut.setFont(w->lblAddr->font());
        cut.resize(w->lblAddr->size());
        const auto picture = [](QWidget *label) {
            return label->grab().toImage().convertToFormat(QImage::Format_RGB32);
        };
        QCOMPARE(picture(w->lblAddr), picture(&cut));
        host->setAddress(QString());
    }

    // Tells the program to end: keep it last.
    void exitDuringRun()
    {
        w->lblAddr->clear();
        QTimer::singleShot(100, w->mnuFileExit, &QAction::trigger);
        RUN("UP\r\nSLEEP 60\r\nDOWN\r\n"); // must come back at once, not after 60 s
        QCOMPARE(events_, QStringList{u"end"_s});
        QVERIFY(!w->MSComm1().isOpen());
        QVERIFY(w->lblAddr->text().isEmpty()); // no end sequence: the program is ending
        QCOMPARE(sent(), framesOf({{3, 1, 1}}));
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
