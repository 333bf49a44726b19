#include "link/keytable.h"
#include "testutil.h"

#include <QSet>
#include <QTest>

using namespace tapwright;

class TestKeyTable : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keyName_data();
    void keyName();
    void notKeyNames_data();
    void notKeyNames();
    void keyNameInvariants();
    void button_data();
    void button();
    void buttonTableInvariants();
    void asciiUpperOnlyTouchesAscii_data();
    void asciiUpperOnlyTouchesAscii();
};

void TestKeyTable::keyName_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<KeyCode>("code");
    QTest::newRow("UP") << "UP" << KeyCode{3, 1, 1};
    QTest::newRow("RIGHT") << "RIGHT" << KeyCode{3, 1, 4};
    QTest::newRow("1") << "1" << KeyCode{3, 2, 1};
    QTest::newRow("9") << "9" << KeyCode{3, 2, 9};
    QTest::newRow("0 is column 10") << "0" << KeyCode{3, 2, 10};
    QTest::newRow("# is column 11") << "#" << KeyCode{3, 2, 11};
    QTest::newRow("* is column 12") << "*" << KeyCode{3, 2, 12};
    QTest::newRow("ONHOOK") << "ONHOOK" << KeyCode{3, 2, 13};
    QTest::newRow("OFFHOOK") << "OFFHOOK" << KeyCode{3, 2, 14};
    QTest::newRow("HENKAN") << "HENKAN" << KeyCode{3, 6, 1};
    QTest::newRow("ENTER") << "ENTER" << KeyCode{3, 6, 2};
    QTest::newRow("CLEAR") << "CLEAR" << KeyCode{3, 6, 3};
    QTest::newRow("SUNMENU") << "SUNMENU" << KeyCode{3, 6, 4};
    QTest::newRow("MOJI") << "MOJI" << KeyCode{3, 6, 5};
    QTest::newRow("I1 is HENKAN") << "I1" << KeyCode{3, 6, 1};
    QTest::newRow("I5 is MOJI") << "I5" << KeyCode{3, 6, 5};
    QTest::newRow("F1") << "F1" << KeyCode{3, 3, 1};
    QTest::newRow("F6 shares F1") << "F6" << KeyCode{3, 3, 1};
    QTest::newRow("F11 shares F1") << "F11" << KeyCode{3, 3, 1};
    QTest::newRow("F12") << "F12" << KeyCode{3, 3, 2};
    QTest::newRow("F15") << "F15" << KeyCode{3, 3, 5};
    QTest::newRow("F16") << "F16" << KeyCode{3, 4, 1};
    QTest::newRow("F20") << "F20" << KeyCode{3, 4, 5};
    QTest::newRow("F25 shares F20") << "F25" << KeyCode{3, 4, 5};
    QTest::newRow("F30 shares F20") << "F30" << KeyCode{3, 4, 5};
    QTest::newRow("&UP") << "&UP" << KeyCode{9, 1, 1};
    QTest::newRow("&0") << "&0" << KeyCode{9, 2, 10};
    QTest::newRow("&ENTER") << "&ENTER" << KeyCode{9, 6, 2};
    QTest::newRow("&SUBMENU") << "&SUBMENU" << KeyCode{9, 6, 4};
    QTest::newRow("&F30") << "&F30" << KeyCode{9, 4, 5};
}

void TestKeyTable::keyName()
{
    QFETCH(QString, word);
    QFETCH(KeyCode, code);
    const auto found = findKeyName(word);
    QVERIFY(found.has_value());
    QCOMPARE(*found, code);
}

void TestKeyTable::notKeyNames_data()
{
    QTest::addColumn<QString>("word");
    QTest::newRow("lower case is not upper-cased here") << "up";
    QTest::newRow("SUBMENU without &") << "SUBMENU";
    QTest::newRow("&SUNMENU with N") << "&SUNMENU";
    QTest::newRow("F0") << "F0";
    QTest::newRow("F31") << "F31";
    QTest::newRow("I6") << "I6";
    QTest::newRow("10") << "10";
    QTest::newRow("empty") << "";
    QTest::newRow("full-width UP") << QStringLiteral("ＵＰ");
    QTest::newRow("trailing space") << "UP ";
    QTest::newRow("keypad caption f6") << "f6";
    QTest::newRow("&& alone") << "&";
}

void TestKeyTable::notKeyNames()
{
    QFETCH(QString, word);
    QVERIFY(!findKeyName(word).has_value());
}

void TestKeyTable::keyNameInvariants()
{
    const auto &table = keyNameTable();
    QCOMPARE(table.size(), std::size_t(116));
    QSet<QString> names;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const KeyName &key = table[i];
        QVERIFY2(!names.contains(key.name), qPrintable(key.name));
        names.insert(key.name);
        const bool ampersand = key.name.startsWith(QLatin1Char('&'));
        // The first 58 are the plain names; the "&" forms follow in the same order.
        QCOMPARE(ampersand, i >= 58);
        QCOMPARE(key.code.table, ampersand ? 9 : 3);
        QVERIFY(key.code.row >= 1 && key.code.row <= 15);
        QVERIFY(key.code.column >= 1 && key.code.column <= 15);
        if (ampersand) {
            const KeyName &plain = table[i - 58];
            QCOMPARE(key.code.row, plain.code.row);
            QCOMPARE(key.code.column, plain.code.column);
            if (plain.name != QLatin1String("SUNMENU"))
                QCOMPARE(key.name, QLatin1Char('&') + plain.name);
        }
    }
    QCOMPARE(keyNameOf(KeyCode{3, 6, 2}), QStringLiteral("ENTER"));
    QCOMPARE(keyNameOf(KeyCode{9, 6, 4}), QStringLiteral("&SUBMENU"));
    QCOMPARE(keyNameOf(KeyCode{3, 6, 6}), QString()); // keypad-only "f6"
}

void TestKeyTable::button_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<KeyCode>("code");
    QTest::newRow("f1 is row 6, not F1") << 0 << "f1" << KeyCode{3, 6, 1};
    QTest::newRow("f10") << 9 << "f10" << KeyCode{3, 6, 10};
    QTest::newRow("i1") << 10 << "i1" << KeyCode{3, 6, 1};
    QTest::newRow("i5") << 14 << "i5" << KeyCode{3, 6, 5};
    QTest::newRow("henkan") << 15 << QStringLiteral("変換") << KeyCode{3, 6, 1};
    QTest::newRow("up") << 17 << QStringLiteral("↑") << KeyCode{3, 1, 1};
    QTest::newRow("menu") << 18 << QStringLiteral("メニュ") << KeyCode{3, 6, 4};
    QTest::newRow("left") << 19 << QStringLiteral("←") << KeyCode{3, 1, 3};
    QTest::newRow("enter square") << 20 << QStringLiteral("■") << KeyCode{3, 6, 2};
    QTest::newRow("right") << 21 << QStringLiteral("→") << KeyCode{3, 1, 4};
    QTest::newRow("moji") << 22 << QStringLiteral("文字") << KeyCode{3, 6, 5};
    QTest::newRow("down") << 23 << QStringLiteral("↓") << KeyCode{3, 1, 2};
    QTest::newRow("off") << 24 << "OFF" << KeyCode{3, 2, 14};
    QTest::newRow("clear") << 25 << QStringLiteral("クリア") << KeyCode{3, 6, 3};
    QTest::newRow("on") << 26 << "ON" << KeyCode{3, 2, 13};
    QTest::newRow("1") << 27 << "1" << KeyCode{3, 2, 1};
    QTest::newRow("9") << 35 << "9" << KeyCode{3, 2, 9};
    QTest::newRow("*") << 36 << "*" << KeyCode{3, 2, 12};
    QTest::newRow("0") << 37 << "0" << KeyCode{3, 2, 10};
    QTest::newRow("#") << 38 << "#" << KeyCode{3, 2, 11};
}

void TestKeyTable::button()
{
    QFETCH(int, index);
    QFETCH(QString, caption);
    QFETCH(KeyCode, code);
    QCOMPARE(buttonTable()[std::size_t(index)].caption, caption);
    const auto found = buttonCode(index);
    QVERIFY(found.has_value());
    QCOMPARE(*found, code);
}

void TestKeyTable::buttonTableInvariants()
{
    QCOMPARE(buttonTable().size(), std::size_t(ButtonCount));
    for (int i = 0; i < ButtonCount; ++i)
        QCOMPARE(buttonTable()[std::size_t(i)].index, i);
    // No button at 16; the connect button and anything out of range press no key.
    for (int index : {16, ConnectButtonIndex, -1, 40, 32767})
        QVERIFY2(!buttonCode(index).has_value(), qPrintable(QString::number(index)));
    // The keypad never sends the "&" forms, and "■" is the macro's ENTER.
    for (const ButtonEntry &b : buttonTable()) {
        if (b.code)
            QCOMPARE(b.code->table, 3);
    }
    QCOMPARE(*buttonCode(20), *findKeyName(u"ENTER"));
}

void TestKeyTable::asciiUpperOnlyTouchesAscii_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("letters") << "&enTer" << "&ENTER";
    QTest::newRow("digits and signs") << "f12#*" << "F12#*";
    QTest::newRow("full-width stays") << QStringLiteral("ｕｐ") << QStringLiteral("ｕｐ");
    QTest::newRow("latin-1 stays") << QStringLiteral("éß") << QStringLiteral("éß");
    QTest::newRow("tab stays") << "a\tb" << "A\tB";
}

void TestKeyTable::asciiUpperOnlyTouchesAscii()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(asciiUpper(in), out);
}

QTEST_GUILESS_MAIN(TestKeyTable)
#include "tst_keytable.moc"
