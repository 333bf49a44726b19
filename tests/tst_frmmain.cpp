#include "ptypair.h"
#include "testutil.h"
#include "ui/frmMain.h"
#include "ui/seams.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

using namespace tapwright;
using namespace tapwright::ui;

class TestFrmMain : public QObject
{
    Q_OBJECT
    std::unique_ptr<PtyPair> pty_;
    QTemporaryDir dir_;
    QStringList messages_;
    QStringList answers_;          // what the file dialog answers, in order
    QStringList dialogSelections_; // what it was opened on
    QList<QUrl> documents_;
    int endProcessCalls_ = 0;
    frmMain *w = nullptr;

    QString writeMacro(const QByteArray &bytes)
    {
        return writeFile(dir_.filePath(u"m.mac"_s), bytes);
    }
    bool idle() const { return w->cmdSend->isEnabled() && !w->cmdStop->isEnabled(); }

private Q_SLOTS:
    void initTestCase()
    {
        Seams &s = seams();
        s.showMessage = [this](QWidget *, const QString &text) { messages_ << text; };
        s.chooseFile = [this](QWidget *, const QString &, const QString &selected) {
            dialogSelections_ << selected;
            return answers_.isEmpty() ? QString() : answers_.takeFirst();
        };
        s.openDocument = [this](const QUrl &url) { documents_ << url; };
        s.endProcess = [this] { ++endProcessCalls_; };
        w = frmMain::instance();
    }

    void init()
    {
        messages_.clear();
        pty_ = std::make_unique<PtyPair>();
        // Never the default "1": that is the machine's own console here.
        w->cmbCommPort->setEditText(pty_->path());
        w->txtCounter->setText(u"0"_s);
    }

    void cleanupTestCase() { delete w; }

    void startUpState()
    {
        QCOMPARE(w->cmbCommPort->count(), 16);
        QCOMPARE(w->cmbCommPort->currentIndex(), -1);
        QVERIFY(idle());
        for (QLabel *l : {w->lblAddr, w->lblMacroFile, w->lblAddrFile, w->lblStatus})
            QVERIFY(l->text().isEmpty());
        QVERIFY(w->MacroFile.isEmpty() && w->AddrFile.isEmpty() && w->CommPort().isEmpty());
        QVERIFY(!w->MacroExe());
    }

    void fileChoices()
    {
        const QString addr = u"/data/住所.txt"_s, macro = u"/data/entry.mac"_s;
        answers_ = {addr, macro, QString(), QString()};
        w->mnuFileAddr->trigger();
        w->mnuFileMacro->trigger();
        w->mnuFileMacro->trigger(); // cancelled
        w->mnuFileAddr->trigger();  // cancelled
        QCOMPARE(w->AddrFile, addr);
        QCOMPARE(w->lblAddrFile->text(), addr);
        QCOMPARE(w->MacroFile, macro);
        QCOMPARE(w->lblMacroFile->text(), macro);
        // One dialog for both items: it opens on the last file chosen with either.
        QCOMPARE(dialogSelections_.mid(1), (QStringList{addr, macro, macro}));
        w->AddrFile.clear();
        w->lblAddrFile->clear();
    }

    void runPassesAndStop()
    {
        w->MacroFile = writeMacro("BASEWAIT 0\r\nUP\r\nREPEAT\r\n");
        bool buttonsWhileRunning = false;
        QMetaObject::Connection c =
            connect(w->txtCounter, &QLineEdit::textChanged, this, [&](const QString &text) {
                buttonsWhileRunning = !w->cmdSend->isEnabled() && w->cmdStop->isEnabled();
                if (text == "3"_L1)
                    w->cmdStop->click();
            });
        w->cmdSend->click(); // returns when the run has ended
        disconnect(c);
        QVERIFY(buttonsWhileRunning);
        QCOMPARE(w->txtCounter->text(), u"3"_s);
        QCOMPARE(w->lblStatus->text(), u"9 REPEAT"_s);
        QCOMPARE(w->lblAddr->text(), u"糸冬了"_s);
        QVERIFY(idle());
        QVERIFY(!w->MSComm1().isOpen());
        QCOMPARE(w->CommPort(), pty_->path());
        QCOMPARE(pty_->readAvailable(), framesOf({{3, 1, 1}, {3, 1, 1}, {3, 1, 1}}));
        QVERIFY(messages_.isEmpty());
    }

    void stopDuringSleep()
    {
        w->MacroFile = writeMacro("UP\r\nSLEEP 60\r\nDOWN\r\n");
        QTimer::singleShot(100, w->cmdStop, &QPushButton::click);
        w->cmdSend->click();
        QCOMPARE(w->lblStatus->text(), u"2 SLEEP"_s);
        QCOMPARE(w->lblAddr->text(), u"糸冬了"_s);
        QCOMPARE(pty_->readAvailable(), framesOf({{3, 1, 1}}));
    }

    void emptyMacroFile()
    {
        w->MacroFile = writeMacro("");
        w->txtCounter->setText(u"5"_s);
        w->cmdSend->click();
        QVERIFY(messages_.isEmpty());
        QCOMPARE(w->lblAddr->text(), u"糸冬了"_s);
        QCOMPARE(w->txtCounter->text(), u"5"_s);
        QVERIFY(pty_->readAvailable().isEmpty());
    }

    void reports_data()
    {
        QTest::addColumn<QString>("port"); // empty: the pty
        QTest::addColumn<QByteArray>("macro");
        QTest::addColumn<QString>("counter");
        QTest::addColumn<QString>("message");
        QTest::newRow("no macro file")
            << QString() << QByteArray() << u"0"_s << u"マクロファイルが指定されていません。"_s;
        QTest::newRow("missing port")
            << u"/dev/tapwright-none"_s << QByteArray("UP\r\n") << u"0"_s
            << u"ポート \"/dev/tapwright-none\" を開けません: デバイスがありません。"_s;
        QTest::newRow("bad number")
            << QString() << QByteArray("UP\r\nSLEEP 1,5\r\n") << u"0"_s
            << u"DIR/m.mac:2: SLEEP には秒数が必要です。\"1,5\" は数値ではありません。\n"
               "    SLEEP 1,5"_s;
        QTest::newRow("bad counter")
            << QString() << QByteArray("UP\r\n") << u"1,5"_s
            << u"カウンタの値 \"1,5\" は整数ではありません。\n"
               "-2147483648 から 2147483647 までの整数を入力してください。"_s;
    }
    void reports()
    {
        QFETCH(QString, port);
        QFETCH(QByteArray, macro);
        QFETCH(QString, counter);
        QFETCH(QString, message);
        if (!port.isEmpty())
            w->cmbCommPort->setEditText(port);
        w->MacroFile = macro.isNull() ? QString() : writeMacro(macro);
        w->txtCounter->setText(counter);
        w->lblAddr->setText(u"before"_s);
        w->cmdSend->click();
        QCOMPARE(messages_, QStringList{message.replace(u"DIR"_s, dir_.path())});
        QVERIFY(idle());
        QVERIFY(!w->MSComm1().isOpen());
        if (macro.isNull()) // the run never started
            QCOMPARE(w->lblAddr->text(), u"before"_s);
    }

    void help()
    {
        const QString before = QDir::currentPath();
        QTemporaryDir cwd;
        QDir::setCurrent(cwd.path());
        w->mnuHelpContents->trigger();
        QVERIFY(documents_.isEmpty()); // no help file: nothing at all happens
        writeFile(cwd.filePath(u"help.mht"_s), QByteArray());
        w->mnuHelpContents->trigger();
        QDir::setCurrent(before);
        QCOMPARE(documents_, QList<QUrl>{QUrl::fromLocalFile(cwd.filePath(u"help.mht"_s))});
    }

    // Tells the program to end: keep it last.
    void exitDuringRun()
    {
        w->MacroFile = writeMacro("UP\r\nSLEEP 60\r\nDOWN\r\n");
        w->lblAddr->clear();
        QTimer::singleShot(100, w->mnuFileExit, &QAction::trigger);
        w->cmdSend->click(); // must come back at once, not after 60 s
        QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join(u'\n')));
        QCOMPARE(endProcessCalls_, 1);
        QVERIFY(!w->MSComm1().isOpen());
        // No end sequence: the program is ending.
        QVERIFY(w->lblAddr->text().isEmpty());
        QCOMPARE(pty_->readAvailable(), framesOf({{3, 1, 1}}));
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
