#include "guitest.h"

#include "ui/frmCheck.h"

class TestFrmCheck : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;
    QStringList events_;
    frmMain *w = nullptr;

    /// The report as shown, a line a block, each with its colour: "text|#rrggbb".
    static QStringList shown()
    {
        QStringList lines;
        for (QTextBlock b = frmCheck::instance()->txtReport->document()->begin(); b.isValid();
             b = b.next())
            lines << b.text() + u'|' +
                         b.begin().fragment().charFormat().foreground().color().name();
        return lines;
    }

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
        QTest::addColumn<QByteArray>("macro");
        QTest::addColumn<QByteArray>("addresses"); // null: no address file
        QTest::addColumn<QString>("counter");
        QTest::addColumn<QStringList>("lines"); // "m.mac" and "a.txt" stand for the paths
        const QString red = u"|#c00000"_s, orange = u"|#b35900"_s, plain = u"|#000000"_s;
        QTest::newRow("typo and kanji")
            << QByteArray("\xEF\xBB\xBFUPP\r\nSTRING a山\r\n") << QByteArray() << u"0"_s
            << QStringList{
                   u"m.mac:1: 警告: \"UPP\" はコマンドでもキー名でもありません。\"UP\" のことですか?"_s +
                       orange,
                   u"m.mac:2: 警告: 入力できない文字 '山' (U+5C71) は飛ばされます。"_s + orange,
                   u"見積もり: 1 回 1 フレーム、0.1 秒。REPEAT がないため 1 回だけ。全体で約 0.1 秒。"_s +
                       plain,
                   u"エラーはありません (警告 2 件)。"_s + plain};
        QTest::newRow("error and the counter past the list")
            << QByteArray("SLEEP x\r\nGETSTR\r\nREPEAT\r\n") << QByteArray("a\r\n") << u"3"_s
            << QStringList{
                   u"m.mac:1: エラー: SLEEP には秒数が必要です。\"x\" は数値ではありません。"_s +
                       red,
                   u"a.txt: エラー: カウンタ 3 はアドレスファイルの行数 (1 行) を超えています。何も入力されません。"_s +
                       red,
                   u"見積もり: なし (ファイルにエラーがあります)。"_s + plain,
                   u"エラー 2 件、警告 0 件: このままでは実行が止まります。"_s + plain};
    }
    void report()
    {
        QFETCH(QByteArray, macro);
        QFETCH(QByteArray, addresses);
        QFETCH(QString, counter);
        QFETCH(QStringList, lines);
        w->MacroFile = writeFile(dir_.filePath(u"m.mac"_s), macro);
        w->AddrFile =
            addresses.isNull() ? QString() : writeFile(dir_.filePath(u"a.txt"_s), addresses);
        w->txtCounter->setText(counter);
        QVERIFY(w->mnuRunCheck->isEnabled());
        w->mnuRunCheck->trigger();
        QStringList got = shown();
        got.replaceInStrings(dir_.path() + u'/', QString());
        QCOMPARE(got, lines);
        QVERIFY(frmCheck::instance()->isVisible());
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(events_.isEmpty());
        QCOMPARE(w->txtCounter->text(), counter); // a check changes nothing
    }

    void refused_data()
    {
        QTest::addColumn<bool>("macro");
        QTest::addColumn<QString>("counter");
        QTest::addColumn<QString>("message");
        QTest::newRow("bad counter")
            << true << u"x1"_s << u"カウンタの値 \"x1\" は整数ではありません。"_s;
    }
    void refused()
    {
        QFETCH(bool, macro);
        QFETCH(QString, counter);
        QFETCH(QString, message);
        w->MacroFile = macro ? writeFile(dir_.filePath(u"m.mac"_s), "UP\r\n") : QString();
        w->txtCounter->setText(counter);
        frmCheck::instance()->txtReport->setPlainText(u"before"_s);
        w->mnuRunCheck->trigger();
        QCOMPARE(events_.size(), 1);
        QCOMPARE(events_[0].section(u'\n', 0, 0), message);
        QCOMPARE(frmCheck::instance()->txtReport->toPlainText(), u"before"_s);
    }

    void oneWindowAndIdleOnly()
    {
        w->MacroFile = writeFile(dir_.filePath(u"m.mac"_s), "SLEEP 0.3\r\n");
        w->AddrFile.clear();
        w->txtCounter->setText(u"0"_s);
        w->mnuRunCheck->trigger();
        QPointer<frmCheck> first = frmCheck::instance();
        w->mnuRunCheck->trigger();
        QCOMPARE(frmCheck::instance(), first.data());
        // Not during a run: it would read the files the run is reading.
        PtyPair pty;
        w->cmbCommPort->setEditText(pty.path());
        QVERIFY(pty.path().startsWith("/dev/pts/"_L1));
        bool enabledDuringRun = true;
        QTimer::singleShot(100, w, [&] { enabledDuringRun = w->mnuRunCheck->isEnabled(); });
        w->cmdSend->click();
        QVERIFY(!enabledDuringRun);
        QVERIFY(w->mnuRunCheck->isEnabled());
    }
};

QTEST_MAIN(TestFrmCheck)
#include "tst_frmcheck.moc"
