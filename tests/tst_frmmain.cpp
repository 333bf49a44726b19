#include "guitest.h"

class TestFrmMain : public QObject
{
    Q_OBJECT
    PtyPair pty_;
    QTemporaryDir dir_;
    QStringList events_;  ///< what reached the desktop: messages, dialogs, documents, the end
    QStringList answers_; ///< what the file dialog answers, in order
    frmMain *w = nullptr;

    /// Presses start with `macro` chosen (null: none); returns when the run has ended.
    void run(const QByteArray &macro, const QString &counter = u"0"_s)
    {
        // Whatever the code under test does wrong, never a real serial port.
        const QString port = w->cmbCommPort->currentText();
        QVERIFY2(port == pty_.path() || port.startsWith("/dev/tapwright-"_L1), qPrintable(port));
        w->MacroFile = macro.isNull() ? QString() : writeFile(dir_.filePath(u"m.mac"_s), macro);
        w->txtCounter->setText(counter);
        w->cmdSend->click();
    }
    bool idle()
    {
        return w->cmdSend->isEnabled() && !w->cmdStop->isEnabled() && !w->MSComm1().isOpen();
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
        s.openDocument = [this](const QUrl &url) { events_ << u"open "_s + url.toLocalFile(); };
        s.endProcess = [this] { events_ << u"end"_s; };
        w = frmMain::instance();
        // "1" is this machine's console: init() replaces it before any test runs.
        QCOMPARE(w->cmbCommPort->currentText(), u"1"_s);
        QCOMPARE(w->cmbCommPort->count(), 16);
        QCOMPARE(w->windowTitle(), u"Tapwright version 2.00"_s);
        QCOMPARE(w->txtCounter->text(), u"0"_s);
        QVERIFY(idle());
    }

    void init()
    {
        events_.clear();
        pty_.readAvailable(); // what an earlier test left
        w->cmbCommPort->setEditText(pty_.path());
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
        // One dialog for both items: it opens on the last file chosen with either.
        QCOMPARE(events_.mid(1).join(u'|'),
                 u"dialog on "_s + addr + u"|dialog on "_s + macro + u"|dialog on "_s + macro);
        w->AddrFile.clear();
    }

    void runPassesAndStop()
    {
        // The stop button is clicked as the counter shows 3: were it disabled,
        // the run would not end.
        QObject watcher;
        connect(w->txtCounter, &QLineEdit::textChanged, &watcher, [this](const QString &t) {
            if (t == "3"_L1)
                w->cmdStop->click();
        });
        run("BASEWAIT 0\r\nUP\r\nREPEAT\r\n");
        QVERIFY(idle());
        QCOMPARE(w->txtCounter->text(), u"3"_s);
        QCOMPARE(w->lblStatus->text(), u"9 REPEAT"_s);
        QCOMPARE(w->lblAddr->text(), u"糸冬了"_s);
        QCOMPARE(pty_.readAvailable(), framesOf({{3, 1, 1}, {3, 1, 1}, {3, 1, 1}}));
        QVERIFY(events_.isEmpty());
    }

    void stopDuringSleepAndAnEmptyFile()
    {
        QTimer::singleShot(100, w->cmdStop, &QPushButton::click);
        run("UP\r\nSLEEP 60\r\nDOWN\r\n");
        QCOMPARE(w->lblStatus->text(), u"2 SLEEP"_s);
        QCOMPARE(pty_.readAvailable(), framesOf({{3, 1, 1}}));
        w->lblAddr->clear();
        run("", u"5"_s);
        QCOMPARE(w->lblAddr->text(), u"糸冬了"_s);
        QCOMPARE(w->txtCounter->text(), u"5"_s);
        QVERIFY(pty_.readAvailable().isEmpty() && events_.isEmpty());
    }

    void reports()
    {
        const std::tuple<const char *, const char *, const char *, QString> rows[] = {
            {nullptr, nullptr, "0", u"マクロファイルが指定されていません。"_s},
            {"/dev/tapwright-none", "UP", "0",
             u"ポート \"/dev/tapwright-none\" を開けません: デバイスがありません。"_s},
            {nullptr, "UP\r\nSLEEP 1,5", "0",
             u"m.mac:2: SLEEP には秒数が必要です。"
             "\"1,5\" は数値ではありません。\n    SLEEP 1,5"_s},
            {nullptr, "UP", "1,5",
             u"カウンタの値 \"1,5\" は整数ではありません。\n"
             "-2147483648 から 2147483647 までの整数を入力してください。"_s}};
        for (const auto &[port, macro, counter, message] : rows) {
            events_.clear();
            w->cmbCommPort->setEditText(port ? QString::fromUtf8(port) : pty_.path());
            run(QByteArray(macro), QString::fromUtf8(counter));
            QCOMPARE(events_.join(u'\n').remove(dir_.path() + u'/'), message);
            QVERIFY(idle());
        }
    }

    void helpOnlyWithAHelpFile()
    {
        const QString before = QDir::currentPath();
        QTemporaryDir cwd;
        QDir::setCurrent(cwd.path());
        w->mnuHelpContents->trigger(); // no help file: nothing at all happens
        writeFile(cwd.filePath(u"help.mht"_s), QByteArray());
        w->mnuHelpContents->trigger();
        QDir::setCurrent(before);
        QCOMPARE(events_, QStringList{u"open "_s + cwd.filePath(u"help.mht"_s)});
    }

    // Tells the program to end: keep it last.
    void exitDuringRun()
    {
        w->lblAddr->clear();
        QTimer::singleShot(100, w->mnuFileExit, &QAction::trigger);
        run("UP\r\nSLEEP 60\r\nDOWN\r\n"); // must come back at once, not after 60 s
        QCOMPARE(events_, QStringList{u"end"_s});
        QVERIFY(!w->MSComm1().isOpen());
        QVERIFY(w->lblAddr->text().isEmpty()); // no end sequence: the program is ending
        QCOMPARE(pty_.readAvailable(), framesOf({{3, 1, 1}}));
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
