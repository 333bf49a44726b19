#include "link/keytable.h"
#include "testutil.h"

#include <QSet>

using namespace tapwright;

class TestKeyTable : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keyName_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<KeyCode>("code"); // table 0: no such name
        QTest::newRow("0 is column 10") << u"0"_s << KeyCode{3, 2, 10};
        QTest::newRow("# is column 11") << u"#"_s << KeyCode{3, 2, 11};
        QTest::newRow("* is column 12") << u"*"_s << KeyCode{3, 2, 12};
        QTest::newRow("F6 shares F1") << u"F6"_s << KeyCode{3, 3, 1};
        QTest::newRow("F11 shares F1") << u"F11"_s << KeyCode{3, 3, 1};
        QTest::newRow("SUNMENU") << u"SUNMENU"_s << KeyCode{3, 6, 4};
        QTest::newRow("&SUBMENU") << u"&SUBMENU"_s << KeyCode{9, 6, 4};
        QTest::newRow("SUBMENU without &") << u"SUBMENU"_s << KeyCode{};
        QTest::newRow("&SUNMENU with N") << u"&SUNMENU"_s << KeyCode{};
        QTest::newRow("lower case") << u"up"_s << KeyCode{};
        QTest::newRow("F31") << u"F31"_s << KeyCode{};
        QTest::newRow("empty") << QString() << KeyCode{};
    }
    void keyName()
    {
        QFETCH(QString, word);
        QFETCH(KeyCode, code);
        QCOMPARE(findKeyName(word).value_or(KeyCode{}), code);
    }

    void keyNameInvariants()
    {
        QCOMPARE(keyNameTable().size(), std::size_t(116));
        QSet<QString> names;
        for (const KeyName &key : keyNameTable()) {
            QVERIFY2(!names.contains(key.name), qPrintable(key.name));
            names.insert(key.name);
            QVERIFY(key.code.row >= 1 && key.code.row <= 15);
            QVERIFY(key.code.column >= 1 && key.code.column <= 15);
            // An "&" form is table 9 at its plain name's place; "&SUBMENU"'s is SUNMENU.
            const bool ampersand = key.name.startsWith(u'&');
            QCOMPARE(key.code.table, ampersand ? 9 : 3);
            const QString plain = key.name == "&SUBMENU"_L1 ? u"SUNMENU"_s : key.name.mid(1);
            if (ampersand)
                QCOMPARE(findKeyName(plain).value_or(KeyCode{}),
                         (KeyCode{3, key.code.row, key.code.column}));
        }
    }

    void buttonTableInvariants()
    {
        QCOMPARE(buttonTable().size(), std::size_t(ButtonCount));
        for (int index : {16, ConnectButtonIndex, -1, 40, 32767})
            QVERIFY2(!buttonCode(index), qPrintable(QString::number(index)));
        // The keypad never sends the "&" forms.
        for (const ButtonEntry &b : buttonTable())
            QVERIFY(!b.code || b.code->table == 3);
        QCOMPARE(buttonTable()[20].caption, u"■"_s);
        QCOMPARE(*buttonCode(20), *findKeyName(u"ENTER"));
        // The keypad's f1 is row 6, not the macro's F1.
        QCOMPARE(*buttonCode(0), (KeyCode{3, 6, 1}));
    }
};

QTEST_GUILESS_MAIN(TestKeyTable)
#include "tst_keytable.moc"
