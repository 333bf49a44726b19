#include "link/framedecoder.h"
#include "link/keytable.h"
#include "testutil.h"
#include "text/chartable.h"

#include <algorithm>

static QStringList decodeAll(const QByteArray &bytes)
{
    FrameDecoder decoder;
    QStringList pieces = decoder.feed(bytes);
    return pieces + decoder.flush();
}

class TestFrameDecoder : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyKeyNameAndCharacterRoundTrips()
    {
        // Names that share a code (F1 and F6) come back as the first of them.
        const std::vector<KeyName> &names = keyNameTable();
        for (const KeyName &key : names) {
            const auto first = std::find_if(names.begin(), names.end(), [&key](const KeyName &k) {
                return k.code == key.code;
            });
            QCOMPARE(decodeAll(framesOf({key.code})), QStringList{u'[' + first->name + u']'});
        }
        for (const CharEntry &entry : CharTable()) {
            const QStringList pieces = decodeAll(framesOf(entry.codes));
            QCOMPARE(pieces.join(QString()), entry.key);
            QCOMPARE(pieces.size(), entry.key.size()); // a composed kana is one piece, ｶﾞ two
        }
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
