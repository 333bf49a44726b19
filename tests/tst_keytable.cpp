#include "link/keytable.h"
#include "testutil.h"

class TestKeyTable : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keyNames_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<KeyCode>("code"); // 0,0,0: no key name
        for (const QString &row :
             u"0=3,2,10 #=3,2,11 *=3,2,12 F6=3,3,1 F11=3,3,1 F30=3,4,5 SUNMENU=3,6,4 "
             "&SUBMENU=9,6,4 SUBMENU=0,0,0 &SUNMENU=0,0,0 up=0,0,0 F31=0,0,0"_s.split(u' ')) {
            const QStringList n = row.section(u'=', 1).split(u',');
            QTest::newRow(qPrintable(row.section(u'=', 0, 0)))
                << row.section(u'=', 0, 0) << KeyCode{n[0].toInt(), n[1].toInt(), n[2].toInt()};
        }
    }
    void keyNames()
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

    void keypadButtons()
    {
        QCOMPARE(buttonTable()[20].caption, u"■"_s);
        QCOMPARE(*buttonCode(20), *findKeyName(u"ENTER"));
        QCOMPARE(*buttonCode(0), (KeyCode{3, 6, 1})); // the keypad's f1 is not the macro's F1
    }
};

QTEST_GUILESS_MAIN(TestKeyTable)
#include "tst_keytable.moc"
