#include "link/framedecoder.h"
#include "link/keytable.h"
#include "testutil.h"
#include "text/chartable.h"
#include "text/textsender.h"

#include <algorithm>

using namespace tapwright;

/// Everything the decoder gives for `bytes` fed in one go, flushed.
static QStringList decodeAll(const QByteArray &bytes)
{
    FrameDecoder decoder;
    QStringList pieces = decoder.feed(bytes);
    return pieces + decoder.flush();
}

static QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

class TestFrameDecoder : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyKeyNameRoundTrips()
    {
        // Names that share a code (I1 and HENKAN, F1 and F6) come back as the
        // first of them.
        const std::vector<KeyName> &names = keyNameTable();
        for (const KeyName &key : names) {
            const auto first = std::find_if(names.begin(), names.end(), [&key](const KeyName &k) {
                return k.code == key.code;
            });
            QCOMPARE(decodeAll(framesOf({key.code})), QStringList{u'[' + first->name + u']'});
        }
    }

    void everyCharacterRoundTrips()
    {
        for (const CharEntry &entry : CharTable()) {
            RecordingSink sink;
            SendChar(sink, entry.key);
            const QStringList pieces = decodeAll(framesOf(sink.codes));
            QCOMPARE(pieces.join(QString()), entry.key);
            // One piece per character: a composed kana is one, ｶﾞ is two.
            QCOMPARE(pieces.size(), entry.key.size());
        }
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("pieces"); // joined by '|'
        auto row = [](const char *tag, const QByteArray &bytes, const char16_t *pieces) {
            QTest::newRow(tag) << bytes << QString::fromUtf16(pieces);
        };
        row("mark that does not fit", framesOf({{2, 2, 1}, {2, 10, 5}, {2, 1, 1}, {2, 10, 4}}),
            u"か|゜|あ|゛");
        row("key between base and mark", framesOf({{2, 2, 1}, {3, 1, 1}, {2, 10, 4}}),
            u"か|[UP]|゛");
        row("noise before a frame", hex("f2027f") + framesOf({{3, 1, 1}}), u"<F2 02 7F>|[UP]");
        row("noise between frames", framesOf({{1, 1, 6}}) + hex("00ff") + framesOf({{1, 1, 7}}),
            u"A|<00 FF>|B");
        row("resync in a false start", hex("f2f202") + framesOf({{1, 1, 6}}), u"<F2 F2 02>|A");
        row("header cut short", hex("f2020100") + framesOf({{1, 1, 6}}), u"<F2 02 01 00>|A");
        row("noise breaks kana and mark",
            framesOf({{2, 2, 1}}) + hex("55") + framesOf({{2, 10, 4}}), u"か|<55>|゛");
        row("header bytes in a frame", framesOf({{0xF2, 0x02, 0x01}, {1, 1, 6}}), u"[?242,2,1]|A");
    }
    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, pieces);
        QCOMPARE(decodeAll(bytes), pieces.split(u'|'));
    }

    void anySplitGivesTheSameOutput()
    {
        // Bytes arrive from a port in whatever chunks the system hands over.
        const QByteArray bytes = framesOf({{2, 6, 3}, {2, 10, 5}, {3, 1, 1}}) + hex("f202017f") +
                                 framesOf({{2, 2, 1}, {2, 10, 4}, {9, 6, 2}}) +
                                 hex("f2020100000301");
        const QStringList whole = decodeAll(bytes);
        for (qsizetype chunk = 1; chunk <= 9; ++chunk) {
            FrameDecoder decoder;
            QStringList pieces;
            for (qsizetype at = 0; at < bytes.size(); at += chunk)
                pieces += decoder.feed(bytes.mid(at, chunk));
            QCOMPARE(pieces + decoder.flush(), whole);
        }
    }
};

QTEST_GUILESS_MAIN(TestFrameDecoder)
#include "tst_framedecoder.moc"
