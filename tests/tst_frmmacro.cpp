#include "guitest.h"

#include "device/framedecoder.h"
#include "macro/checker.h"
#include "macro/recorder.h"
#include "ui/frmMacro.h"
#include "ui/keypadsends.h"
#include "ui/macrohighlighter.h"

class TestFrmMacro : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;
    QStringList events_;
    QStringList saveAnswers_;
    bool yes_ = true;
    qint64 now_ = 0;
    frmMain *main_ = nullptr;
    frmMacro *w = nullptr;

    static QByteArray fileBytes(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
    }
    /// The finding that leads to `line`; null for none.
    QListWidgetItem *findingAt(qint64 line) const
    {
        for (int i = 0; i < w->lstFindings->count(); ++i)
            if (w->lstFindings->item(i)->data(Qt::UserRole).toLongLong() == line)
                return w->lstFindings->item(i);
        return nullptr;
    }

private Q_SLOTS:
    void initTestCase()
    {
        journalsIn(dir_.path());
        Seams &s = seams();
        s.showMessage = [this](QWidget *, const QString &text) { events_ << text; };
        s.ask = [this](QWidget *, const QString &text, const QString &, const QString &) {
            return events_ << text, yes_;
        };
        s.chooseSaveFile = [this](QWidget *, const QString &, const QString &) {
            return saveAnswers_.isEmpty() ? QString() : saveAnswers_.takeFirst();
        };
        s.choose = [this](QWidget *, const QString &text, const QStringList &) {
            return events_ << text, 1; // discard
        };
        s.endProcess = [] { QFAIL("the program was told to end"); };
        main_ = frmMain::instance();
        w = frmMacro::instance();
        w->clock = [this] { return now_; };
    }
    void cleanupTestCase()
    {
        closeKeypadWindows();
        delete w;
        delete main_;
    }
    void init()
    {
        yes_ = true;
        main_->AddrFile.clear();
        main_->showMacroFile(QString());
        main_->txtCounter->setText(u"0"_s);
        QVERIFY(w->newMacro()); // changes a test left are discarded
        events_.clear();
    }

    void record_data()
    {
        QTest::addColumn<int>("waits");
        QTest::addColumn<QString>("lines"); // the file's lines, between bars
        QTest::newRow("no waits") << 0 << u"GETSTR|UP|UP|ENTER|SENDSTR 1|SENDSTR 2|REPEAT"_s;
        // A second between the clicks, less the frame the line carried.
        QTest::newRow("base wait")
            << 1 << u"BASEWAIT 0.9|GETSTR|UP|UP|ENTER|SENDSTR 1|SENDSTR 2|REPEAT"_s;
    }
    /// Done once by hand on the virtual keypad, then run for the whole list.
    void record()
    {
        QFETCH(int, waits);
        QFETCH(QString, lines);
        main_->AddrFile =
            writeFile(dir_.filePath(u"list.txt"_s), "\xd4\xcf\xc0\xde \xc0\xdb\xb3\t0312\r\n"
                                                    "\xbd\xbd\xde\xb7 \xcf\xbb\xb5\t0645\r\n");
        w->cmbWaits->setCurrentIndex(waits);
        clickConnect(u"virtual"_s);
        frmInput *input = frmInput::instance();
        w->mnuRecord->trigger();
        for (int button : {int(ButtonUp), int(ButtonUp), int(ButtonEnter)}) {
            frmKeyboard::instance()->Command1_Click(button);
            now_ += 1000;
        }
        for (const QString &text : {u"ﾔﾏﾀﾞ ﾀﾛｳ"_s, u"0312"_s}) {
            input->Text1->setText(text);
            QTest::keyClick(input->Text1, Qt::Key_Return);
            now_ += 1500;
        }
        w->mnuRecord->trigger(); // stop; yes to REPEAT
        w->checkNow();           // the recorder's notes stand in the list, at their lines
        const int field2 = int(lines.split(u'|').indexOf(u"SENDSTR 2"_s)) + 1;
        QVERIFY(findingAt(field2) &&
                findingAt(field2)->text().contains(u"%1 行目: \"0312\""_s.arg(field2)));
        const QString path = dir_.filePath(u"recorded.mac"_s);
        saveAnswers_ = QStringList{path};
        QVERIFY(w->saveAs());
        QCOMPARE(fileBytes(path), (lines.replace(u'|', u"\r\n"_s) + u"\r\n"_s).toLatin1());
        QCOMPARE(main_->MacroFile, QDir::toNativeSeparators(path)); // asked, and yes
        QCOMPARE(checkFiles(path, main_->AddrFile, 0).items.size(), 0);
        if (waits != 0)
            return; // the waits would only make the run slow
#ifdef Q_OS_UNIX
        PtyPair pty;
        DeviceStandIn device(pty);
        main_->cmbCommPort->setEditText(pty.path());
#else
        TestLine device;
        device.listen(main_->MSComm1());
        main_->cmbCommPort->setEditText(device.path());
#endif
        QVERIFY(safePort(main_->cmbCommPort->currentText()));
        w->mnuRun->trigger();
#ifdef Q_OS_UNIX
        const QByteArray sent = device.settle();
#else
        const QByteArray sent = device.readAvailable();
#endif
        FrameDecoder decoder;
        QString entered;
        for (const DevicePiece &piece : decoder.feed(sent) + decoder.flush())
            entered += piece.text;
        QCOMPARE(entered, u"[UP][UP][ENTER]ﾔﾏﾀﾞ ﾀﾛｳ0312[UP][UP][ENTER]ｽｽﾞｷ ﾏｻｵ0645"_s);
    }

    void liveCheck_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("line");
        QTest::addColumn<QString>("word"); // in the finding
        QTest::addColumn<bool>("error");
        QTest::newRow("typo") << u"UP\nUPP\nENTER\n"_s << qint64(2) << u"UPP"_s << false;
        QTest::newRow("bad wait") << u"UP\nDOWN\nSLEEP x\n"_s << qint64(3) << u"x"_s << true;
    }
    /// A fault shows in the list and underlined; a click on it goes to its line.
    void liveCheck()
    {
        QFETCH(QString, text);
        QFETCH(qint64, line);
        QFETCH(QString, word);
        QFETCH(bool, error);
        w->txtMacro->setPlainText(text);
        QTRY_VERIFY_WITH_TIMEOUT(findingAt(line), 1000);
        const QString finding = findingAt(line)->text();
        QVERIFY2(finding.contains(word) && finding.contains(u":%1:"_s.arg(line)),
                 qPrintable(finding));
        QVERIFY(!findingAt(line - 1));
        const QTextBlock block = w->txtMacro->document()->findBlockByNumber(int(line - 1));
        const QTextCharFormat format = block.layout()->formats().value(0).format;
        QCOMPARE(format.underlineStyle(), QTextCharFormat::WaveUnderline);
        QCOMPARE(format.underlineColor() == QColor(0xd0, 0, 0), error);
        w->txtMacro->moveCursor(QTextCursor::Start);
        Q_EMIT w->lstFindings->itemClicked(findingAt(line));
        QCOMPARE(w->txtMacro->textCursor().blockNumber() + 1, line);
    }

    void colours()
    {
        using H = MacroHighlighter;
        const QHash<QString, QString> parts{{H::keyColour().name(), u"key"_s},
                                            {H::commandColour().name(), u"command"_s},
                                            {H::numberColour().name(), u"number"_s},
                                            {H::textColour().name(), u"text"_s}};
        w->txtMacro->setPlainText(u"up\nSLEEP 1.5\nSTRING ﾔﾏﾀﾞ x\nSENDSTR 2\nUPP 1"_s);
        QStringList got;
        for (QTextBlock b = w->txtMacro->document()->begin(); b.isValid(); b = b.next())
            for (const QTextLayout::FormatRange &r : b.layout()->formats())
                got << b.text().mid(r.start, r.length) + u'|' +
                           parts.value(r.format.foreground().color().name());
        QCOMPARE(got.join(u' '), u"up|key SLEEP|command 1.5|number STRING|command ﾔﾏﾀﾞ|text "
                                 u"SENDSTR|command 2|number"_s);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // as read and as saved again
        QTest::addColumn<int>("bom");
        QTest::addColumn<QByteArray>("added"); // "DOWN" and a line end, as saved
        QTest::newRow("cp932 crlf")
            << QByteArray("STRING \xd4\x8e\x52\r\nUP\r\n") << 0 << QByteArray("DOWN\r\n");
        QTest::newRow("cp932 cr, last line open")
            << QByteArray("UP\rSTRING \x81\x60") << 0 << QByteArray("DOWN\r");
        QTest::newRow("utf-8 bom lf")
            << QByteArray("\xef\xbb\xbfSTRING \xe5\xb1\xb1\nUP\n") << 3 << QByteArray("DOWN\n");
        QTest::newRow("utf-8 lf") << QByteArray("STRING \xef\xbd\xb1\xe5\xb1\xb1\nUP\n") << 0
                                  << QByteArray("DOWN\n");
        QTest::newRow("utf-16le crlf") << QByteArray("\xff\xfeU\0P\0\r\0\n\0", 10) << 2
                                       << QByteArray("D\0O\0W\0N\0\r\0\n\0", 12);
        QTest::newRow("utf-16be lf")
            << QByteArray("\xfe\xff\0U\0P\0\n", 8) << 2 << QByteArray("\0D\0O\0W\0N\0\n", 10);
    }
    /// Saved the way it was read: encoding, BOM, line ends, the last line's end.
    void roundTrip()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, bom);
        QFETCH(QByteArray, added);
        const QString path = writeFile(dir_.filePath(u"trip.mac"_s), bytes);
        QVERIFY(w->openMacro(path));
        QVERIFY(w->save());
        QCOMPARE(fileBytes(path).toHex(' '), bytes.toHex(' '));
        QTextCursor(w->txtMacro->document()).insertText(u"DOWN\n"_s);
        QVERIFY(w->save());
        QCOMPARE(fileBytes(path).toHex(' '), (bytes.left(bom) + added + bytes.mid(bom)).toHex(' '));
        QVERIFY(events_.isEmpty());
    }

    void refused_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("words"); // in the message
        QTest::newRow("snowman") << u"UP\nSTRING ☃\n"_s << u"2 行目の '☃' (U+2603)"_s;
        QTest::newRow("yen, no backslash") << u"STRING ¥1\n"_s << u"1 行目の '¥' (U+00A5)"_s;
    }
    /// A character code page 932 lacks is refused with its line; nothing is written.
    void refused()
    {
        QFETCH(QString, text);
        QFETCH(QString, words);
        const QString path = writeFile(dir_.filePath(u"kept.mac"_s), "UP\r\n");
        QVERIFY(w->openMacro(path));
        w->txtMacro->setPlainText(text);
        QVERIFY(!w->save());
        QVERIFY2(events_.size() == 1 && events_[0].contains(words),
                 qPrintable(events_.join(u'\n')));
        QCOMPARE(fileBytes(path), QByteArray("UP\r\n"));
    }

    void saveFails_data()
    {
        QTest::addColumn<QString>("saveAs"); // empty: save over it
        QTest::newRow("no room for the new file beside it") << QString();
        QTest::newRow("a folder that is a file") << u"kept.mac/new.mac"_s;
    }
    /// The old file stays whole, and a box says what failed.
    void saveFails()
    {
        QFETCH(QString, saveAs);
        // Room for the name, none for the name of the file written beside it.
        const QString path = writeFile(dir_.filePath(QString(250, u'm') + u".mac"_s), "UP\r\n");
        writeFile(dir_.filePath(u"kept.mac"_s), "UP\r\n");
        QVERIFY(w->openMacro(path));
        QTextCursor(w->txtMacro->document()).insertText(u"DOWN\n"_s);
        saveAnswers_ = QStringList{dir_.filePath(saveAs)};
        QVERIFY(!(saveAs.isEmpty() ? w->save() : w->saveAs()));
        QVERIFY2(events_.size() == 1 && events_[0].contains(u"保存できません"_s),
                 qPrintable(events_.join(u'\n')));
        QCOMPARE(fileBytes(path), QByteArray("UP\r\n"));
        QVERIFY(w->txtMacro->document()->isModified());
    }
};

QTEST_MAIN(TestFrmMacro)
#include "tst_frmmacro.moc"
