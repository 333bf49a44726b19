#include "testutil.h"
#include "text/chartable.h"

/// Whether `full` is the full-width form of `half`, by Unicode's compatibility
/// forms and not by the tables: Ａ folds to A, ｡ to 。, and a half-width
/// katakana stands for the hiragana 0x60 below its full-width katakana.
static bool isCounterpart(const QString &half, const QString &full)
{
    if (half.isEmpty() || full.isEmpty())
        return half.isEmpty() && full.isEmpty();
    const QString folded = half.normalized(QString::NormalizationForm_KC);
    if (folded.size() == 1 && folded[0] >= u'\u30A1' && folded[0] <= u'\u30F6')
        return full == QChar(folded[0].unicode() - 0x60);
    return full.normalized(QString::NormalizationForm_KC) == half || folded == full;
}

class TestCharTable : public QObject
{
    Q_OBJECT
    QList<CharLine> file_;

private Q_SLOTS:
    void initTestCase() { file_ = charTableFile(); }

    /// Each entry of the file is in the table, and its cells give its text back.
    void entries()
    {
        for (const CharLine &line : file_) {
            const CharEntry *entry = findChar(line.text);
            QVERIFY2(entry && entry->codes == line.codes, qPrintable(line.tag));
            QString entered;
            for (const KeyCode &code : line.codes)
                entered += charOf(code);
            // A voiced hiragana is its base composed with the combining form of ゛ or ゜.
            if (line.codes.size() == 2 && line.codes[0].table == 2)
                entered = entered.replace(u'\u309B', u'\u3099')
                              .replace(u'\u309C', u'\u309A')
                              .normalized(QString::NormalizationForm_C);
            QCOMPARE(entered, line.text);
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

    /// A slipped cell in either grid breaks the pairing of the two.
    void fullWidthCounterparts()
    {
        // Where table 2 holds no compatibility form of table 1: ’ for ', ￥ for \,
        // ‘ for `, the two spacing sound marks, and the empty places of " and ~.
        const QStringList odd{u"7,13"_s, u"8,6"_s,  u"8,14"_s, u"9,13"_s,
                              u"9,15"_s, u"10,4"_s, u"10,5"_s};
        QStringList unpaired;
        for (int row = 1; row <= 15; ++row) {
            for (int column = 1; column <= 15; ++column) {
                if (!isCounterpart(charOf({1, row, column}), charOf({2, row, column})))
                    unpaired << u"%1,%2"_s.arg(row).arg(column);
            }
        }
        QCOMPARE(unpaired, odd);
    }
};

QTEST_GUILESS_MAIN(TestCharTable)
#include "tst_chartable.moc"
