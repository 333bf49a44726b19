#include "link/keytable.h"
#include "testutil.h"

class TestKeyTable : public QObject
{
    Q_OBJECT
    QList<QStringList> names_;

private Q_SLOTS:
    void initTestCase() { names_ = dataLines(u"keynames.txt"_s); }

    void keyNames_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<KeyCode>("code"); // 0,0,0: no key name
        for (const QStringList &f : names_)
            QTest::newRow(qPrintable(f.value(0))) << f.value(0) << codeAt(f, 1);
        // Only SUNMENU's "&" form is spelt differently, and words are matched exactly.
        for (const char *word :
             {"SUBMENU", "&SUNMENU", "up", "&up", "F0", "F31", "I6", "UP ", "&", ""})
            QTest::addRow("not '%s'", word) << QString::fromLatin1(word) << KeyCode{};
    }
    void keyNames()
    {
        QFETCH(QString, word);
        QFETCH(KeyCode, code);
        QCOMPARE(findKeyName(word).value_or(KeyCode{}), code);
    }

    /// The other direction: the table has no name the file lacks.
    void nothingBeyondTheFile()
    {
        QStringList table, file;
        for (const KeyName &key : keyNameTable())
            table << key.name + u' ' + codeText(key.code);
        for (const QStringList &f : names_)
            file << f.value(0) + u' ' + f.mid(1).join(u',');
        table.sort();
        file.sort();
        QCOMPARE(table, file);
    }

    void buttons_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<KeyCode>("code"); // 0,0,0: presses no key
        for (const QStringList &f : dataLines(u"buttons.txt"_s))
            QTest::newRow(qPrintable(f.value(0)))
                << f.value(0).toInt() << f.value(1) << codeAt(f, 2);
        for (int outside : {-1, 40, 1000, std::numeric_limits<int>::min()})
            QTest::addRow("%d", outside) << outside << QString() << KeyCode{};
    }
    void buttons()
    {
        QFETCH(int, index);
        QFETCH(QString, caption);
        QFETCH(KeyCode, code);
        QCOMPARE(int(buttonTable().size()), ButtonCount);
        QCOMPARE(buttonCode(index).value_or(KeyCode{}), code);
        if (index >= 0 && index < ButtonCount) {
            QCOMPARE(buttonTable()[std::size_t(index)].index, index);
            QCOMPARE(buttonTable()[std::size_t(index)].caption, caption);
        }
    }
};

QTEST_GUILESS_MAIN(TestKeyTable)
#include "tst_keytable.moc"
