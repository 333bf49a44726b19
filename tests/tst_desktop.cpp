#include "guitest.h"
#include "ui/desktop.h"

/// Where the program meets what is installed beside it: the help it opens,
/// and Qt's Japanese words for the standard dialogs.
class TestDesktop : public QObject
{
    Q_OBJECT

    QStringList events_;

    /// The words on a file dialog's buttons, without their access keys.
    static QStringList fileDialogButtons()
    {
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        QStringList words;
        for (QAbstractButton *button : dialog.findChild<QDialogButtonBox *>()->buttons())
            words << button->text().remove(u'&');
        words.sort();
        return words;
    }

private Q_SLOTS:
    void initTestCase()
    {
        seams().showMessage = [this](QWidget *, const QString &text) { events_ << text; };
    }

    void helpLookup_data()
    {
        QTest::addColumn<QStringList>("present"); // of: here, installed, beside
        QTest::addColumn<bool>("viewer");         // a viewer takes the document
        // What the user sees, "|" between: %1 to %3 are the places in order, %4
        // to %6 the same as the system writes them.
        QTest::addColumn<QString>("events");
        const QString none = u"ヘルプが見つかりません。次の場所を探しました。\n\n%4\n%5\n%6"_s;
        QTest::newRow("help.mht comes first")
            << QStringList{u"here"_s, u"installed"_s, u"beside"_s} << true << u"open %1"_s;
        QTest::newRow("the installed manual")
            << QStringList{u"installed"_s, u"beside"_s} << true << u"open %2"_s;
        QTest::newRow("the manual beside the program")
            << QStringList{u"beside"_s} << true << u"open %3"_s;
        QTest::newRow("nothing: every place is named") << QStringList{} << true << none;
        QTest::newRow("a folder is not a document") << QStringList{u"here/"_s} << true << none;
        QTest::newRow("no viewer: the file is named")
            << QStringList{u"beside"_s} << false
            << u"open %3|ヘルプ \"%6\" を開けませんでした。\n"
               "この種類の文書を表示するプログラムが見つかりません。"_s;
    }
    void helpLookup()
    {
        QFETCH(QStringList, present);
        QFETCH(bool, viewer);
        QFETCH(QString, events);
        QTemporaryDir root;
        const QString here = root.filePath(u"work"_s);
        const QString program = root.filePath(u"prefix/bin"_s);
        QVERIFY(QDir().mkpath(here) && QDir().mkpath(program));
        const QStringList places = helpCandidates(here, program);
        QCOMPARE(places.size(), 3);
        QCOMPARE(places[0], here + u"/help.mht"_s);
        // The installed copy stays inside the program's prefix.
        QVERIFY2(places[1].startsWith(root.filePath(u"prefix/"_s)), qPrintable(places[1]));
        QCOMPARE(places[2], program + u"/manual/index.html"_s);
        const QStringList names{u"here"_s, u"installed"_s, u"beside"_s};
        for (const QString &entry : present) {
            const QString path = places[names.indexOf(entry.chopped(entry.endsWith(u'/')))];
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            if (entry.endsWith(u'/'))
                QVERIFY(QDir().mkpath(path));
            else
                writeFile(path, "<html></html>");
        }

        events_.clear();
        seams().openDocument = [&](const QUrl &url) {
            events_ << u"open "_s + url.toLocalFile();
            return viewer;
        };
        openHelp(nullptr, here, program);
        for (int i = 0; i < 3; ++i) // not arg(): it would take the lowest number present
            events.replace(u"%%1"_s.arg(i + 1), places[i])
                .replace(u"%%1"_s.arg(i + 4), QDir::toNativeSeparators(places[i]));
        QCOMPARE(events_.join(u'|'), events);
    }

    void standardDialogs_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("beside"); // the .qm beside the program, as on Windows
        QTest::addColumn<QStringList>("buttons");
        const QStringList japanese{u"キャンセル"_s, u"開く(O)"_s};
        QTest::newRow("Japanese, Qt's own place") << u"ja_JP"_s << false << japanese;
        QTest::newRow("Japanese, beside the program") << u"ja_JP"_s << true << japanese;
        QTest::newRow("English") << u"en_US"_s << true << QStringList{u"Cancel"_s, u"Open"_s};
    }
    void standardDialogs()
    {
        QFETCH(QString, locale);
        QFETCH(bool, beside);
        QFETCH(QStringList, buttons);
        QTemporaryDir program;
#ifdef Q_OS_WIN
        if (!beside)
            QSKIP("the Windows build has no Qt translations of its own; they come beside it");
#endif
        // Debian's file, which the Windows zip carries.
        QVERIFY(!beside ||
                (QDir(program.path()).mkdir(u"translations"_s) &&
                 QFile::copy(QStringLiteral(TAPWRIGHT_HOST_QT_TRANSLATIONS "/qtbase_ja.qm"),
                             program.filePath(u"translations/qtbase_ja.qm"_s))));
        QTranslator words;
        const bool loaded = loadQtTranslation(words, QLocale(locale), program.path());
        QCOMPARE(loaded, locale.startsWith(u"ja"_s));
        if (loaded)
            QCoreApplication::installTranslator(&words);
        const QStringList shown = fileDialogButtons();
        QCoreApplication::removeTranslator(&words);
        QCOMPARE(shown, buttons);
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
