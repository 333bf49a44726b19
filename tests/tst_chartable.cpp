#include "testutil.h"
#include "text/chartable.h"

#include <QSet>

using namespace tapwright;

class TestCharTable : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lookup_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Codes>("codes"); // none: not a key
        auto row = [](const char *tag, char16_t c, KeyCode code) {
            QTest::newRow(tag) << QString(QChar(c)) << Codes{code};
        };
        row("A", u'A', {1, 1, 6});
        row("space", u' ', {1, 9, 14});
        row("ideographic space", 0x3000, {2, 9, 14});
        row("reverse solidus", u'\\', {1, 8, 14});
        row("fullwidth yen", 0xFFE5, {2, 8, 14});
        row("apostrophe", u'\'', {1, 7, 13});
        row("right single quote", 0x2019, {2, 7, 13});
        row("grave", u'`', {1, 9, 15});
        row("left single quote", 0x2018, {2, 9, 15});
        row("digit 0", u'0', {1, 15, 5});
        row("number sign", u'#', {1, 15, 6});
        row("asterisk", u'*', {1, 15, 7});
        for (const QString &none :
             {u""_s, u"ア"_s, u"\u00A5"_s, u"\t"_s, u"AB"_s, u"ｳﾞ"_s, u"ゔ"_s, u"か\u3099"_s,
              u"ｶﾟ"_s, u"＂"_s, u"～"_s, u"ｶﾞｶ"_s, QString(QChar(0xD840))})
            QTest::addRow("not a key: %s", qPrintable(none)) << none << Codes{};
    }
    void lookup()
    {
        QFETCH(QString, text);
        QFETCH(Codes, codes);
        const CharEntry *entry = findChar(text);
        QCOMPARE(entry ? entry->codes : Codes{}, codes);
    }

    void sizeAndShape()
    {
        QCOMPARE(CharTable().size(), std::size_t(364));
        QSet<QString> keys;
        for (const CharEntry &e : CharTable()) {
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
                continue;
            }
            // A two-frame entry sends a base and then a mark of the same table.
            QCOMPARE(e.codes[0].table, e.codes[1].table);
            QVERIFY(e.codes[1].row == 10 && (e.codes[1].column == 4 || e.codes[1].column == 5));
        }
    }

    void halfWidthTableCoversExactlyAsciiAndKana()
    {
        QSet<char16_t> expected, seen;
        for (char16_t c = 0x20; c <= 0x7E; ++c)
            expected.insert(c);
        for (char16_t c = 0xFF61; c <= 0xFF9F; ++c)
            expected.insert(c);
        for (const CharEntry &e : CharTable()) {
            if (e.codes.size() == 1 && e.codes[0].table == 1)
                seen.insert(e.key[0].unicode());
        }
        QCOMPARE(seen, expected);
    }

    void fullWidthMirrorsHalfWidth()
    {
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
        QVERIFY(charOf({3, 1, 1}).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCharTable)
#include "tst_chartable.moc"
