#include "device/framedecoder.h"
#include "testutil.h"

/// Each piece as its kind's letter (character, key, unknown, noise) and its text.
static QStringList shown(const DevicePieces &pieces)
{
    QStringList all;
    for (const DevicePiece &piece : pieces)
        all << u"ckun"_s.at(piece.kind) + piece.text;
    return all;
}

class TestFrameDecoder : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("pieces");
        const QList<QStringList> names = dataLines(u"keynames.txt"_s);
        // A key comes back as the first name that presses it (F1 for F6, HENKAN
        // for I1), a key only the keypad has by its caption.
        const auto firstName = [&names](const QStringList &code) {
            for (const QStringList &f : names) {
                if (f.mid(1) == code)
                    return u"k["_s + f.value(0) + u']';
            }
            return QString();
        };
        for (const QStringList &f : names)
            QTest::newRow(qPrintable(f.value(0)))
                << framesOf({codeAt(f, 1)}) << QStringList{firstName(f.mid(1))};
        for (const QStringList &f : dataLines(u"buttons.txt"_s)) {
            if (f.size() == 5 && firstName(f.mid(2)).isEmpty())
                QTest::newRow(qPrintable(f.value(1)))
                    << framesOf({codeAt(f, 2)}) << QStringList{u"k["_s + f.value(1) + u']'};
        }
        // A voiced hiragana is one piece, a half-width pair stays two.
        for (const CharLine &line : charTableFile()) {
            QStringList pieces;
            for (QChar c : line.text)
                pieces << u'c' + QString(c);
            QTest::newRow(qPrintable(line.tag)) << framesOf(line.codes) << pieces;
        }
    }
    void roundTrip()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, pieces);
        FrameDecoder decoder;
        DevicePieces got = decoder.feed(bytes);
        QCOMPARE(shown(got + decoder.flush()), pieces);
    }

    void resyncsAfterGarbageHoweverTheBytesAreSplit()
    {
        const auto hex = QByteArray::fromHex;
        const std::pair<QByteArray, QString> rows[] = {
            {framesOf({{2, 2, 1}, {2, 10, 5}, {2, 1, 1}, {2, 10, 4}}), u"cか|c゜|cあ|c゛"_s},
            {framesOf({{2, 2, 1}, {3, 1, 1}, {2, 10, 4}}), u"cか|k[UP]|c゛"_s},
            {hex("f2027f") + framesOf({{3, 1, 1}}), u"n<F2 02 7F>|k[UP]"_s},
            {framesOf({{1, 1, 6}}) + hex("00ff") + framesOf({{1, 1, 7}}), u"cA|n<00 FF>|cB"_s},
            {hex("f2f202") + framesOf({{1, 1, 6}}), u"n<F2 F2 02>|cA"_s},
            {hex("f2020100") + framesOf({{1, 1, 6}}), u"n<F2 02 01 00>|cA"_s},
            {framesOf({{0xF2, 0x02, 0x01}, {9, 6, 2}}) + hex("f20201000003"),
             u"u[?242,2,1]|k[&ENTER]|n<F2 02 01 00 00 03>"_s}};
        for (const auto &[bytes, pieces] : rows) {
            // Bytes arrive from a port in whatever chunks the system hands over.
            for (qsizetype chunk = 1; chunk <= bytes.size(); chunk += 3) {
                FrameDecoder decoder;
                DevicePieces got;
                for (qsizetype at = 0; at < bytes.size(); at += chunk)
                    got += decoder.feed(bytes.mid(at, chunk));
                QCOMPARE(shown(got + decoder.flush()), pieces.split(u'|'));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestFrameDecoder)
#include "tst_framedecoder.moc"
