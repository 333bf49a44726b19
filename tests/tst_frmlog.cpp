#include "guitest.h"

class TestFrmLog : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;
    QStringList events_;
    QString saveAnswer_;

    static SendLog &log() { return frmMain::instance()->sendLog(); }
    /// Feeds a step with the frames it sent.
    static void step(const QString &status, const Codes &codes)
    {
        log().addStep(status);
        for (const KeyCode &code : codes)
            log().addFrame(code);
    }

private Q_SLOTS:
    void initTestCase()
    {
        seams().showMessage = [this](QWidget *, const QString &text) { events_ << text; };
        seams().chooseSaveFile = [this](QWidget *, const QString &, const QString &selected) {
            events_ << u"save on "_s + selected;
            return saveAnswer_;
        };
        seams().endProcess = [] { QFAIL("the program was told to end"); };
        log().now = [] { return QTime(12, 3, 4, 120); };
    }
    void cleanupTestCase()
    {
        if (frmLog::exists())
            delete frmLog::instance();
        delete frmMain::instance();
    }
    void init() { events_.clear(); }

    void linesAndColours()
    {
        const int before = int(log().lines().size());
        step(u"1 STRING"_s, {{2, 2, 1}, {2, 10, 4}, {1, 1, 6}});
        // A kana waits for a possible sound mark; the next step gives it out alone.
        step(u"2 STRING"_s, {{2, 2, 1}});
        log().addMessage(SendLog::Warning,
                         u"m.mac:2: 入力できない文字 '田' (U+7530) を飛ばしました。"_s);
        step(u"3 UP"_s, {{3, 1, 1}});
        log().addMessage(SendLog::Error, u"m.mac:4: SLEEP には秒数が必要です。\n    SLEEP"_s);
        // Steps black, frames blue, warnings orange, errors red.
        const QString black = u"|#000000"_s, blue = u"|#204a87"_s, red = u"|#c00000"_s;
        const QStringList expected{
            u"12:03:04.120  1 STRING"_s + black,
            u"12:03:04.120    がA"_s + blue,
            u"12:03:04.120  2 STRING"_s + black,
            u"12:03:04.120    か"_s + blue,
            u"12:03:04.120  警告: m.mac:2: 入力できない文字 '田' (U+7530) を飛ばしました。|#b35900"_s,
            u"12:03:04.120  3 UP"_s + black,
            u"12:03:04.120    [UP]"_s + blue,
            u"12:03:04.120  エラー: m.mac:4: SLEEP には秒数が必要です。"_s + red,
            u"                  SLEEP"_s + red};
        QStringList text = expected;
        text.replaceInStrings(QRegularExpression(u"\\|#.*"_s), QString());
        QCOMPARE(log().text().split(u'\n').mid(before), text << QString());
        frmMain::instance()->mnuViewLog->trigger(); // the first window: it shows the whole log
        QCOMPARE(colouredBlocks(frmLog::instance()->txtLog->document()).mid(before), expected);
    }

    void frameLineGrowsInTheOpenWindow()
    {
        frmLog *window = frmLog::instance();
        step(u"5 STRING"_s, {{1, 1, 6}});
        window->refresh();
        // Later frames of the same step, shown while the window is open.
        log().addFrame({1, 1, 7});
        QTRY_COMPARE_WITH_TIMEOUT(window->txtLog->document()->lastBlock().text(),
                                  u"12:03:04.120    AB"_s, 3000);
        step(u"6 UP"_s, {});
        window->refresh();
        // The frames line, shown while it grew, is there once.
        QCOMPARE(window->txtLog->toPlainText(), log().text().chopped(1));
    }

    void staysBounded()
    {
        frmLog *window = frmLog::instance();
        for (int n = 1; n <= 2 * SendLog::MaxLines; ++n)
            step(u"%1 UP"_s.arg(n), {});
        window->refresh();
        QCOMPARE(int(log().lines().size()), SendLog::MaxLines);
        QCOMPARE(log().lines().front().text, u"12:03:04.120  10001 UP"_s);
        QCOMPARE(window->txtLog->toPlainText(), log().text().chopped(1));
    }

    void followsPastALongLine()
    {
        frmLog *window = frmLog::instance();
        window->show();
        QScrollBar *down = window->txtLog->verticalScrollBar();
        for (int n = 0; n < 40; ++n) // more than the window shows
            step(u"UP"_s, {});
        // Once the long line's horizontal bar is in, the view is a line shorter;
        // then a log scrolled up stays where the user left it.
        int at = -1;
        for (const QString &status : {u"7 UP"_s, u"8 "_s + QString(500, u'x'), u"9 UP"_s, u"10"_s}) {
            step(status, {});
            window->refresh();
            QCoreApplication::processEvents();
            QCOMPARE(down->value(), at < 0 ? down->maximum() : at);
            if (status == u"9 UP"_s)
                down->triggerAction(QAbstractSlider::SliderPageStepSub), at = down->value();
        }
    }

    void save_data()
    {
        QTest::addColumn<QString>("answer"); // the dialog's answer, relative to the folder
        QTest::newRow("saved") << u"log.txt"_s;
        QTest::newRow("cancelled") << QString();
        QTest::newRow("no such folder") << u"nowhere/log.txt"_s;
    }
    void save()
    {
        QFETCH(QString, answer);
        const bool written = answer == "log.txt"_L1;
        saveAnswer_ = answer.isEmpty() ? QString() : dir_.filePath(answer);
        step(u"7 STRING"_s, {{2, 2, 1}, {2, 10, 4}});
        log().flush();
        frmLog::instance()->cmdSave->click();
        QCOMPARE(events_.value(0).left(8), u"save on "_s);
        QFile file(saveAnswer_);
        QCOMPARE(file.exists(), written);
        if (written) {
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            QCOMPARE(QString::fromUtf8(bytes), log().text());
            QVERIFY(bytes.endsWith("12:03:04.120    \xE3\x81\x8C\n")); // が in UTF-8
            // The dialog opens on the last file saved.
            frmLog::instance()->cmdSave->click();
            QCOMPARE(events_.value(1), u"save on "_s + saveAnswer_);
        } else if (!answer.isEmpty()) {
            QCOMPARE(events_.size(), 2);
            // As the system writes paths: C:\…\log.txt on Windows.
            QVERIFY2(events_[1].startsWith(u"送信ログを \""_s +
                                           QDir::toNativeSeparators(saveAnswer_) +
                                           u"\" に保存できません。"_s),
                     qPrintable(events_[1]));
        }
    }
};

QTEST_MAIN(TestFrmLog)
#include "tst_frmlog.moc"
