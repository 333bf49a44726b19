#include "ptypair.h"
#include "testutil.h"
#include "ui/frmMain.h"
#include "ui/seams.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace tapwright;
using namespace tapwright::ui;

class TestFrmMain : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void startUpState();
    void menus();
    void fileChoices();
    void runPassesAndStop();
    void stopDuringSleep();
    void noMacroFile();
    void emptyMacroFile();
    void reports_data();
    void reports();
    void help();
    void exitDuringRun();

private:
    QString writeMacro(const QByteArray &bytes);
    QByteArray pumpAndRead(qsizetype count);

    std::unique_ptr<PtyPair> pty_;
    QTemporaryDir dir_;
    QStringList messages_;
    QStringList answers_;         // what the file dialog answers, in order
    QStringList dialogSelections_; // what it was opened on
    QStringList filters_;
    QList<QUrl> documents_;
    int endProcessCalls_ = 0;
};

void TestFrmMain::initTestCase()
{
    Seams &s = seams();
    s.showMessage = [this](QWidget *, const QString &text) { messages_ << text; };
    s.chooseFile = [this](QWidget *, const QString &filter, const QString &selected) -> QString {
        filters_ << filter;
        dialogSelections_ << selected;
        return answers_.isEmpty() ? QString() : answers_.takeFirst();
    };
    s.openDocument = [this](const QUrl &url) { documents_ << url; };
    s.endProcess = [this] { ++endProcessCalls_; };
}

void TestFrmMain::init()
{
    messages_.clear();
    answers_.clear();
    dialogSelections_.clear();
    documents_.clear();
    pty_ = std::make_unique<PtyPair>();
    // Never the default "1": that is the machine's own console here.
    frmMain::instance()->cmbCommPort->setEditText(pty_->path());
    frmMain::instance()->txtCounter->setText(QStringLiteral("0"));
}

void TestFrmMain::cleanupTestCase()
{
    delete frmMain::instance();
}

QString TestFrmMain::writeMacro(const QByteArray &bytes)
{
    const QString path = dir_.filePath(QStringLiteral("m.mac"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

QByteArray TestFrmMain::pumpAndRead(qsizetype count)
{
    QByteArray data;
    for (int i = 0; i < 500 && data.size() < count; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        data += pty_->read(count - data.size(), 5);
    }
    return data;
}

void TestFrmMain::startUpState()
{
    frmMain *w = frmMain::instance();
    QCOMPARE(w->windowTitle(), QStringLiteral("Tapwright version 2.00"));
    QCOMPARE(w->Title, QStringLiteral("Tapwright"));
    QCOMPARE(w->Version, QStringLiteral("version 2.00"));
    QVERIFY(!w->Copyright.isEmpty());
    QCOMPARE(w->cmbCommPort->count(), 16);
    for (int i = 0; i < 16; ++i)
        QCOMPARE(w->cmbCommPort->itemText(i), QString::number(i + 1));
    QCOMPARE(w->cmbCommPort->currentIndex(), -1);
    QVERIFY(w->cmbCommPort->isEditable());
    QCOMPARE(w->txtCounter->text(), QStringLiteral("0"));
    QVERIFY(w->cmdSend->isEnabled());
    QVERIFY(!w->cmdStop->isEnabled());
    QCOMPARE(w->cmdSend->text(), QStringLiteral("実行"));
    QCOMPARE(w->cmdStop->text(), QStringLiteral("停止"));
    QCOMPARE(w->lblCounter->text(), QStringLiteral("カウンタ"));
    QCOMPARE(w->lblPort->text(), QStringLiteral("ポート"));
    QCOMPARE(w->frmMacroFile->title(), QStringLiteral("マクロファイル"));
    QCOMPARE(w->frmAddrFile->title(), QStringLiteral("アドレスファイル"));
    for (QLabel *l : {w->lblAddr, w->lblMacroFile, w->lblAddrFile, w->lblStatus})
        QVERIFY(l->text().isEmpty());
    QVERIFY(w->MacroFile.isEmpty() && w->AddrFile.isEmpty() && w->CommPort.isEmpty());
    QVERIFY(!w->MacroExe());
    // A fixed border: the window cannot be resized.
    QCOMPARE(w->minimumSize(), w->maximumSize());
    QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(w->windowFlags() & Qt::WindowMinimizeButtonHint));
    // Keyboard order: port, start, counter, stop.
    auto nextTabStop = [](QWidget *from) {
        QWidget *next = from->nextInFocusChain();
        while (from->isAncestorOf(next) || !(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        return next;
    };
    QCOMPARE(nextTabStop(w->cmbCommPort), static_cast<QWidget *>(w->cmdSend));
    QCOMPARE(nextTabStop(w->cmdSend), static_cast<QWidget *>(w->txtCounter));
    QCOMPARE(nextTabStop(w->txtCounter), static_cast<QWidget *>(w->cmdStop));
}

void TestFrmMain::menus()
{
    frmMain *w = frmMain::instance();
    auto texts = [](QMenu *menu) {
        QStringList list;
        for (QAction *a : menu->actions())
            list << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return list;
    };
    QCOMPARE(w->mnuFile->title(), QStringLiteral("ファイル(&F)"));
    QCOMPARE(texts(w->mnuFile),
             (QStringList{QStringLiteral("マクロファイルを開く(&M)..."),
                          QStringLiteral("アドレスファイルを開く(&A)..."), QStringLiteral("-"),
                          QStringLiteral("終了(&X)")}));
    QCOMPARE(w->mnuView->title(), QStringLiteral("表示(&V)"));
    QCOMPARE(texts(w->mnuView), QStringList{QStringLiteral("キーボード(&K)")});
    QCOMPARE(w->mnuHelp->title(), QStringLiteral("ヘルプ(&H)"));
    QCOMPARE(texts(w->mnuHelp), (QStringList{QStringLiteral("目次(&C)"), QStringLiteral("-"),
                                             QStringLiteral("バージョン情報(&A)")}));
    for (QMenu *m : {w->mnuFile, w->mnuView, w->mnuHelp}) {
        for (QAction *a : m->actions())
            QVERIFY(a->shortcut().isEmpty());
    }
}

void TestFrmMain::fileChoices()
{
    frmMain *w = frmMain::instance();
    const QString addr = QStringLiteral("/data/住所.txt");
    const QString macro = QStringLiteral("/data/entry.mac");
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
    QCOMPARE(filters_.size(), 4);
    QCOMPARE(filters_.front(), QStringLiteral("すべて (*)"));
    w->AddrFile.clear();
    w->lblAddrFile->clear();
}

void TestFrmMain::runPassesAndStop()
{
    frmMain *w = frmMain::instance();
    w->MacroFile = writeMacro("BASEWAIT 0\r\nUP\r\nREPEAT\r\n");
    w->txtCounter->setText(QStringLiteral("0"));
    bool buttonsWhileRunning = false;
    QMetaObject::Connection c =
        connect(w->txtCounter, &QLineEdit::textChanged, this, [&](const QString &text) {
            buttonsWhileRunning = !w->cmdSend->isEnabled() && w->cmdStop->isEnabled();
            if (text == QLatin1String("3"))
                w->cmdStop->click();
        });
    w->cmdSend->click(); // returns when the run has ended
    disconnect(c);
    QVERIFY(buttonsWhileRunning);
    QCOMPARE(w->txtCounter->text(), QStringLiteral("3"));
    QCOMPARE(w->lblStatus->text(), QStringLiteral("9 REPEAT"));
    QCOMPARE(w->lblAddr->text(), QStringLiteral("糸冬了"));
    QVERIFY(w->cmdSend->isEnabled());
    QVERIFY(!w->cmdStop->isEnabled());
    QVERIFY(!w->MSComm1().isOpen());
    QCOMPARE(w->CommPort, pty_->path());
    QCOMPARE(pty_->readAvailable(), framesOf({{3, 1, 1}, {3, 1, 1}, {3, 1, 1}}));
    QVERIFY(messages_.isEmpty());
}

void TestFrmMain::stopDuringSleep()
{
    frmMain *w = frmMain::instance();
    w->MacroFile = writeMacro("UP\r\nSLEEP 60\r\nDOWN\r\n");
    QTimer::singleShot(100, w->cmdStop, &QPushButton::click);
    w->cmdSend->click();
    QCOMPARE(w->lblStatus->text(), QStringLiteral("2 SLEEP"));
    QCOMPARE(w->lblAddr->text(), QStringLiteral("糸冬了"));
    QCOMPARE(pty_->readAvailable(), framesOf({{3, 1, 1}}));
}

void TestFrmMain::noMacroFile()
{
    frmMain *w = frmMain::instance();
    w->MacroFile.clear();
    w->lblAddr->setText(QStringLiteral("before"));
    w->cmdSend->click();
    QCOMPARE(messages_, QStringList{QStringLiteral("マクロファイルが指定されていません。")});
    QCOMPARE(w->lblAddr->text(), QStringLiteral("before"));
    QVERIFY(w->cmdSend->isEnabled());
    QVERIFY(!w->cmdStop->isEnabled());
    QVERIFY(!w->MacroExe());
}

void TestFrmMain::emptyMacroFile()
{
    frmMain *w = frmMain::instance();
    w->MacroFile = writeMacro("");
    w->txtCounter->setText(QStringLiteral("5"));
    w->cmdSend->click();
    QVERIFY(messages_.isEmpty());
    QCOMPARE(w->lblAddr->text(), QStringLiteral("糸冬了"));
    QCOMPARE(w->txtCounter->text(), QStringLiteral("5"));
    QVERIFY(pty_->readAvailable().isEmpty());
}

void TestFrmMain::reports_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QByteArray>("macro");
    QTest::addColumn<QString>("counter");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing port")
        << QStringLiteral("/dev/tapwright-none") << QByteArray("UP\r\n") << QStringLiteral("0")
        << QStringLiteral("ポート \"/dev/tapwright-none\" を開けません: デバイスがありません。");
    QTest::newRow("bad number")
        << QString() << QByteArray("UP\r\nSLEEP 1,5\r\n") << QStringLiteral("0")
        << QStringLiteral("DIR/m.mac:2: SLEEP には秒数が必要です。\"1,5\" は数値ではありません。\n"
                          "    SLEEP 1,5");
    QTest::newRow("bad counter")
        << QString() << QByteArray("UP\r\n") << QStringLiteral("1,5")
        << QStringLiteral("カウンタの値 \"1,5\" は整数ではありません。\n"
                          "-2147483648 から 2147483647 までの整数を入力してください。");
}

void TestFrmMain::reports()
{
    QFETCH(QString, port);
    QFETCH(QByteArray, macro);
    QFETCH(QString, counter);
    QFETCH(QString, message);
    frmMain *w = frmMain::instance();
    if (!port.isEmpty())
        w->cmbCommPort->setEditText(port);
    w->MacroFile = writeMacro(macro);
    w->txtCounter->setText(counter);
    w->lblAddr->clear();
    w->cmdSend->click();
    QCOMPARE(messages_, QStringList{message.replace(QStringLiteral("DIR"), dir_.path())});
    QVERIFY(w->cmdSend->isEnabled());
    QVERIFY(!w->cmdStop->isEnabled());
    QVERIFY(!w->MSComm1().isOpen());
}

void TestFrmMain::help()
{
    frmMain *w = frmMain::instance();
    const QString before = QDir::currentPath();
    QTemporaryDir cwd;
    QDir::setCurrent(cwd.path());
    w->mnuHelpContents->trigger();
    QVERIFY(documents_.isEmpty()); // no help file: nothing at all happens
    QFile(cwd.filePath(QStringLiteral("help.mht"))).open(QIODevice::WriteOnly);
    w->mnuHelpContents->trigger();
    QDir::setCurrent(before);
    QCOMPARE(documents_,
             QList<QUrl>{QUrl::fromLocalFile(cwd.filePath(QStringLiteral("help.mht")))});
}

void TestFrmMain::exitDuringRun()
{
    frmMain *w = frmMain::instance();
    w->MacroFile = writeMacro("UP\r\nSLEEP 60\r\nDOWN\r\n");
    w->lblAddr->clear();
    QTimer::singleShot(100, w->mnuFileExit, &QAction::trigger);
    w->cmdSend->click(); // must come back at once, not after 60 s
    QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join(QLatin1Char('\n'))));
    QCOMPARE(endProcessCalls_, 1);
    QVERIFY(!w->MSComm1().isOpen());
    // No end sequence: the program is ending.
    QVERIFY(w->lblAddr->text().isEmpty());
    QCOMPARE(pty_->readAvailable(), framesOf({{3, 1, 1}}));
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
