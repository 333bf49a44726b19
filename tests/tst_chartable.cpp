#include "testutil.h"
#include "text/chartable.h"

class TestCharTable : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lookupsAndShape()
    {
        const auto codesOf = [](const QString &text) {
            const CharEntry *entry = findChar(text);
            return entry ? entry->codes : Codes{};
        };
        QCOMPARE(codesOf(u"\\"_s), (Codes{{1, 8, 14}}));
        QCOMPARE(codesOf(u"\uFFE5"_s), (Codes{{2, 8, 14}})); // fullwidth yen
        QCOMPARE(codesOf(u"\u2019"_s), (Codes{{2, 7, 13}})); // right single quote
        // Nothing is normalised: no yen sign, no decomposed or half-width ヴ, no pairs.
        for (const QString &none : {u""_s, u"ア"_s, u"\u00A5"_s, u"\t"_s, u"AB"_s, u"ｳﾞ"_s, u"ゔ"_s,
                                    u"か\u3099"_s, u"＂"_s, u"ｶﾞｶ"_s, QString(QChar(0xD840))})
            QVERIFY2(codesOf(none).empty(), qPrintable(none));
        QCOMPARE(CharTable().size(), std::size_t(364));
        QSet<QString> keys;
        QSet<char16_t> halfWidth, expected;
        for (const CharEntry &e : CharTable()) {
            QVERIFY2(!keys.contains(e.key), qPrintable(e.key));
            keys.insert(e.key);
            QVERIFY(e.codes.size() == 1 || e.codes.size() == 2);
            for (const KeyCode &c : e.codes) {
                QVERIFY(c.table == 1 || c.table == 2);
                QVERIFY(c.row >= 1 && c.row <= 15 && c.column >= 1 && c.column <= 15);
            }
            if (e.codes.size() == 1 && e.codes[0].table == 1)
                halfWidth.insert(e.key[0].unicode());
        }
        for (char16_t c = 0x20; c <= 0xFF9F; c = c == 0x7E ? 0xFF61 : c + 1) // 0020-007E, FF61-FF9F
            expected.insert(c);
        QCOMPARE(halfWidth, expected);
        // Table 2 fills every cell that table 1 fills, but for two.
        QStringList emptyInTable2;
        for (int row = 1; row <= 15; ++row) {
            for (int column = 1; column <= 15; ++column) {
                const QString half = charOf({1, row, column}), full = charOf({2, row, column});
                QVERIFY2(!half.isEmpty() || full.isEmpty(), qPrintable(full));
                if (full.isEmpty() && !half.isEmpty())
                    emptyInTable2 << half;
            }
        }
        QCOMPARE(emptyInTable2, (QStringList{u"\""_s, u"~"_s}));
    }
};

QTEST_GUILESS_MAIN(TestCharTable)
#include "tst_chartable.moc"
