#include "testutil.h"
#include "text/chartable.h"

#include <QSet>
#include <QTest>

using namespace tapwright;
using Codes = std::vector<KeyCode>;
Q_DECLARE_METATYPE(Codes)

class TestCharTable : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lookup_data();
    void lookup();
    void notKeys_data();
    void notKeys();
    void sizeAndShape();
    void halfWidthTableCoversExactlyAsciiAndKana();
    void fullWidthMirrorsHalfWidth();
    void reverseLookup();
};

void TestCharTable::lookup_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Codes>("codes");
    auto row = [](const char *tag, char16_t c, KeyCode code) {
        QTest::newRow(tag) << QString(QChar(c)) << Codes{code};
    };
    row("A", u'A', {1, 1, 6});
    row("a", u'a', {1, 4, 6});
    row("full-width A", 0xFF21, {2, 1, 6});
    row("full-width a", 0xFF41, {2, 4, 6});
    row("half-width a-kana", 0xFF71, {1, 1, 1});
    row("hiragana a", 0x3042, {2, 1, 1});
    row("space", u' ', {1, 9, 14});
    row("ideographic space", 0x3000, {2, 9, 14});
    row("quotation mark", u'"', {1, 8, 6});
    row("reverse solidus", u'\\', {1, 8, 14});
    row("fullwidth yen", 0xFFE5, {2, 8, 14});
    row("apostrophe", u'\'', {1, 7, 13});
    row("right single quote", 0x2019, {2, 7, 13});
    row("grave", u'`', {1, 9, 15});
    row("left single quote", 0x2018, {2, 9, 15});
    row("tilde", u'~', {1, 9, 13});
    row("ampersand", u'&', {1, 7, 15});
    row("left parenthesis", u'(', {1, 8, 2});
    row("digit 1", u'1', {1, 14, 1});
    row("digit 0", u'0', {1, 15, 5});
    row("number sign", u'#', {1, 15, 6});
    row("asterisk", u'*', {1, 15, 7});
    row("full-width number sign", 0xFF03, {2, 15, 6});
    row("half-width voiced mark", 0xFF9E, {1, 10, 4});
    row("voiced mark", 0x309B, {2, 10, 4});
    row("small tsu", 0x3063, {2, 12, 1});
    row("prolonged sound mark", 0x30FC, {2, 12, 5});
    row("halfwidth corner bracket", 0xFF62, {1, 9, 11});
    row("question mark", u'?', {1, 13, 5});
    QTest::newRow("ga") << QStringLiteral("が") << Codes{{2, 2, 1}, {2, 10, 4}};
    QTest::newRow("zo") << QStringLiteral("ぞ") << Codes{{2, 3, 5}, {2, 10, 4}};
    QTest::newRow("du") << QStringLiteral("づ") << Codes{{2, 4, 3}, {2, 10, 4}};
    QTest::newRow("bo") << QStringLiteral("ぼ") << Codes{{2, 6, 5}, {2, 10, 4}};
    QTest::newRow("pa") << QStringLiteral("ぱ") << Codes{{2, 6, 1}, {2, 10, 5}};
    QTest::newRow("po") << QStringLiteral("ぽ") << Codes{{2, 6, 5}, {2, 10, 5}};
    QTest::newRow("half-width ga") << QStringLiteral("ｶﾞ") << Codes{{1, 2, 1}, {1, 10, 4}};
    QTest::newRow("half-width do") << QStringLiteral("ﾄﾞ") << Codes{{1, 4, 5}, {1, 10, 4}};
    QTest::newRow("half-width pa") << QStringLiteral("ﾊﾟ") << Codes{{1, 6, 1}, {1, 10, 5}};
    QTest::newRow("half-width po") << QStringLiteral("ﾎﾟ") << Codes{{1, 6, 5}, {1, 10, 5}};
}

void TestCharTable::lookup()
{
    QFETCH(QString, text);
    QFETCH(Codes, codes);
    const CharEntry *entry = findChar(text);
    QVERIFY(entry);
    QCOMPARE(entry->codes, codes);
}

void TestCharTable::notKeys_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("full-width katakana a") << QStringLiteral("ア");
    QTest::newRow("yen sign 00A5") << QStringLiteral("\u00A5");
    QTest::newRow("tab") << QStringLiteral("\t");
    QTest::newRow("CR") << QStringLiteral("\r");
    QTest::newRow("LF") << QStringLiteral("\n");
    QTest::newRow("AB") << QStringLiteral("AB");
    QTest::newRow("half-width vu") << QStringLiteral("ｳﾞ");
    QTest::newRow("vu") << QStringLiteral("ゔ");
    QTest::newRow("combining voiced mark") << QStringLiteral("\u3099");
    QTest::newRow("ka plus combining mark") << QStringLiteral("か\u3099");
    QTest::newRow("half-width ka plus semi-voiced") << QStringLiteral("ｶﾟ");
    QTest::newRow("full-width quotation mark") << QStringLiteral("＂");
    QTest::newRow("full-width tilde") << QStringLiteral("～");
    QTest::newRow("high surrogate") << QString(QChar(0xD840));
    QTest::newRow("three characters") << QStringLiteral("ｶﾞｶ");
}

void TestCharTable::notKeys()
{
    QFETCH(QString, text);
    QVERIFY(!findChar(text));
}

void TestCharTable::sizeAndShape()
{
    const auto &table = CharTable();
    QCOMPARE(table.size(), std::size_t(364));
    QSet<QString> keys;
    int single = 0, voicedHiragana = 0, halfWidthPairs = 0;
    for (const CharEntry &e : table) {
        QVERIFY2(!keys.contains(e.key), qPrintable(e.key));
        keys.insert(e.key);
        QVERIFY(e.codes.size() == 1 || e.codes.size() == 2);
        for (const KeyCode &c : e.codes) {
            QVERIFY(c.table == 1 || c.table == 2);
            QVERIFY(c.row >= 1 && c.row <= 15);
            QVERIFY(c.column >= 1 && c.column <= 15);
        }
        if (e.codes.size() == 1) {
            QCOMPARE(e.key.size(), 1);
            ++single;
        } else {
            // A two-frame entry sends its base and then a mark of the same table.
            QCOMPARE(e.codes[0].table, e.codes[1].table);
            QCOMPARE(e.codes[1].row, 10);
            QVERIFY(e.codes[1].column == 4 || e.codes[1].column == 5);
            if (e.key.size() == 1) {
                QCOMPARE(e.codes[0].table, 2);
                ++voicedHiragana;
            } else {
                QCOMPARE(e.key.size(), 2);
                QCOMPARE(e.codes[0].table, 1);
                // The pair sends exactly what its two characters send alone.
                QCOMPARE(findChar(e.key.left(1))->codes[0], e.codes[0]);
                QCOMPARE(findChar(e.key.mid(1))->codes[0], e.codes[1]);
                ++halfWidthPairs;
            }
        }
    }
    QCOMPARE(single, 314);
    QCOMPARE(voicedHiragana, 25);
    QCOMPARE(halfWidthPairs, 25);
}

void TestCharTable::halfWidthTableCoversExactlyAsciiAndKana()
{
    QSet<char16_t> expected;
    for (char16_t c = 0x20; c <= 0x7E; ++c)
        expected.insert(c);
    for (char16_t c = 0xFF61; c <= 0xFF9F; ++c)
        expected.insert(c);
    QSet<char16_t> seen;
    for (const CharEntry &e : CharTable()) {
        if (e.codes.size() == 1 && e.codes[0].table == 1)
            seen.insert(e.key[0].unicode());
    }
    QCOMPARE(seen.size(), 158);
    QCOMPARE(seen, expected);
}

void TestCharTable::fullWidthMirrorsHalfWidth()
{
    // Every filled cell of table 2 has a table-1 counterpart at the same place;
    // only the quotation mark and the tilde have none.
    int filled = 0;
    for (int row = 1; row <= 15; ++row) {
        for (int column = 1; column <= 15; ++column) {
            const QString half = charOf({1, row, column});
            const QString full = charOf({2, row, column});
            if (!full.isEmpty()) {
                ++filled;
                QVERIFY2(!half.isEmpty(), qPrintable(full));
            } else if (!half.isEmpty()) {
                QVERIFY2(half == QLatin1String("\"") || half == QLatin1String("~"),
                         qPrintable(half));
            }
        }
    }
    QCOMPARE(filled, 156);
    QVERIFY(charOf({2, 8, 6}).isEmpty());
    QVERIFY(charOf({2, 9, 13}).isEmpty());
}

void TestCharTable::reverseLookup()
{
    for (const CharEntry &e : CharTable()) {
        if (e.codes.size() == 1)
            QCOMPARE(charOf(e.codes[0]), e.key);
    }
    QVERIFY(charOf({3, 1, 1}).isEmpty());
}

QTEST_GUILESS_MAIN(TestCharTable)
#include "tst_chartable.moc"
