#include "testutil.h"
#include "text/chartable.h"

class TestCharTable : public QObject
{
    Q_OBJECT
    QList<CharLine> file_;

private Q_SLOTS:
    void initTestCase() { file_ = charTableFile(); }

    /// Each entry of the file is in the table; the cells' texts are checked
    /// one by one below.
    void entries()
    {
        for (const CharLine &line : file_) {
            const CharEntry *entry = findChar(line.text);
            QVERIFY2(entry && entry->codes == line.codes, qPrintable(line.tag));
        }
    }

    /// The other direction: the table, its cells and its code units hold
    /// nothing the file lacks. Nothing is normalised.
    void nothingBeyondTheFile()
    {
        QHash<QString, Codes> byText;
        QHash<QString, QString> byCell;
        for (const CharLine &line : file_) {
            byText.insert(line.text, line.codes);
            if (line.codes.size() == 1)
                byCell.insert(codeText(line.codes[0]), line.text);
        }
        QCOMPARE(byText.size(), 364);
        QCOMPARE(CharTable().size(), std::size_t(364));
        QStringList extra;
        for (const CharEntry &entry : CharTable()) {
            if (byText.value(entry.key) != entry.codes)
                extra << entry.key;
        }
        for (int table : {0, 1, 2, 3, 9}) {
            for (int row = 0; row <= 16; ++row) {
                for (int column = 0; column <= 16; ++column) {
                    const KeyCode cell{table, row, column};
                    if (charOf(cell) != byCell.value(codeText(cell)))
                        extra << codeText(cell);
                }
            }
        }
        // The half-width set is exactly printable ASCII and the half-width katakana.
        for (int unit = 0; unit <= 0xFFFF; ++unit) {
            const QString text = QChar(char16_t(unit));
            const Codes codes = byText.value(text);
            const bool halfWidth =
                (unit >= 0x20 && unit <= 0x7E) || (unit >= 0xFF61 && unit <= 0xFF9F);
            if (framesOf(char16_t(unit)) != int(codes.size()) || !findChar(text) != codes.empty() ||
                halfWidth != (codes.size() == 1 && codes[0].table == 1))
                extra << text;
        }
        // No decomposed or half-width ヴ, no other pairs.
        for (const QString &none : {u""_s, u"AB"_s, u"ｳﾞ"_s, u"か\u3099"_s, u"ｶﾞｶ"_s})
            extra << (findChar(none) ? none : QString());
        extra.removeAll(QString());
        QCOMPARE(extra, QStringList());
    }
};

QTEST_GUILESS_MAIN(TestCharTable)
#include "tst_chartable.moc"
