#include "device/framedecoder.h"
#include "testutil.h"

static QStringList decodeAll(const QByteArray &bytes)
{
    FrameDecoder decoder;
    QStringList pieces = decoder.feed(bytes);
    return pieces + decoder.flush();
}

class TestFrameDecoder : public QObject
{
    Q_OBJECT
    QList<QStringList> names_, buttons_;
    QList<CharLine> chars_;

private Q_SLOTS:
    void initTestCase()
    {
        names_ = dataLines(u"keynames.txt"_s);
        buttons_ = dataLines(u"buttons.txt"_s);
        chars_ = charTableFile();
    }

    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("pieces");
        // A key comes back as the first name that presses it (F1 for F6, HENKAN
        // for I1), a key only the keypad has by its caption.
        const auto firstName = [this](const QStringList &code) {
            for (const QStringList &f : names_) {
                if (f.mid(1) == code)
                    return u'[' + f.value(0) + u']';
            }
            return QString();
        };
        for (const QStringList &f : names_)
            QTest::newRow(qPrintable(f.value(0)))
                << framesOf({codeAt(f, 1)}) << QStringList{firstName(f.mid(1))};
        for (const QStringList &f : buttons_) {
            if (f.size() == 5 && firstName(f.mid(2)).isEmpty())
                QTest::newRow(qPrintable(f.value(1)))
                    << framesOf({codeAt(f, 2)}) << QStringList{u'[' + f.value(1) + u']'};
        }
        // A voiced hiragana is one piece, a half-width pair stays two.
        for (const CharLine &line : chars_) {
            QStringList pieces;
            for (QChar c : line.text)
                pieces << QString(c);
            QTest::newRow(qPrintable(line.tag)) << framesOf(line.codes) << pieces;
        }
    }
    void roundTrip()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, pieces);
        QCOMPARE(decodeAll(bytes), pieces);
    }

    void resyncsAfterGarbageHoweverTheBytesAreSplit()
    {
        const auto hex = QByteArray::fromHex;
        const std::pair<QByteArray, QString> rows[] = {
            {framesOf({{2, 2, 1}, {2, 10, 5}, {2, 1, 1}, {2, 10, 4}}), u"か|゜|あ|゛"_s},
            {framesOf({{2, 2, 1}, {3, 1, 1}, {2, 10, 4}}), u"か|[UP]|゛"_s},
            {hex("f2027f") + framesOf({{3, 1, 1}}), u"<F2 02 7F>|[UP]"_s},
            {framesOf({{1, 1, 6}}) + hex("00ff") + framesOf({{1, 1, 7}}), u"A|<00 FF>|B"_s},
            {hex("f2f202") + framesOf({{1, 1, 6}}), u"<F2 F2 02>|A"_s},
            {hex("f2020100") + framesOf({{1, 1, 6}}), u"<F2 02 01 00>|A"_s},
            {framesOf({{0xF2, 0x02, 0x01}, {9, 6, 2}}) + hex("f20201000003"),
             u"[?242,2,1]|[&ENTER]|<F2 02 01 00 00 03>"_s}};
        for (const auto &[bytes, pieces] : rows) {
            // Bytes arrive from a port in whatever chunks the system hands over.
            for (qsizetype chunk = 1; chunk <= bytes.size(); chunk += 3) {
                FrameDecoder decoder;
                QStringList got;
                for (qsizetype at = 0; at < bytes.size(); at += chunk)
                    got += decoder.feed(bytes.mid(at, chunk));
                QCOMPARE(got + decoder.flush(), pieces.split(u'|'));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestFrameDecoder)
#include "tst_framedecoder.moc"
