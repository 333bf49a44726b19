#include "link/framedecoder.h"
#include "link/keytable.h"
#include "testutil.h"
#include "text/chartable.h"
#include "text/textsender.h"

#include <algorithm>
#include <QTest>

using namespace tapwright;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

/// Everything the decoder gives for `bytes` fed in one go, flushed.
QStringList decodeAll(const QByteArray &bytes)
{
    FrameDecoder decoder;
    QStringList pieces = decoder.feed(bytes);
    return pieces + decoder.flush();
}

} // namespace

class TestFrameDecoder : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyKeyNameRoundTrips();
    void everyCharacterRoundTrips();
    void decode_data();
    void decode();
    void anySplitGivesTheSameOutput_data();
    void anySplitGivesTheSameOutput();
    void heldBackUntilTheNextFrameOrFlush();
    void longNoiseComesOutInPieces();
};

void TestFrameDecoder::everyKeyNameRoundTrips()
{
    // Names that share a code (I1 and HENKAN, F1 and F6) come back as the
    // first of them.
    const std::vector<KeyName> &names = keyNameTable();
    for (const KeyName &key : names) {
        const auto first = std::find_if(names.begin(), names.end(),
                                        [&key](const KeyName &k) { return k.code == key.code; });
        QCOMPARE(decodeAll(framesOf({key.code})),
                 QStringList{QLatin1Char('[') + first->name + QLatin1Char(']')});
    }
}

void TestFrameDecoder::everyCharacterRoundTrips()
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

void TestFrameDecoder::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("pieces");
    const auto frames = [](std::vector<KeyCode> codes) { return framesOf(codes); };

    QTest::newRow("keypad-only key by its caption")
        << frames({{3, 6, 6}, {3, 6, 10}})
        << QStringList{QStringLiteral("[f6]"), QStringLiteral("[f10]")};
    QTest::newRow("shared code by its first name")
        << frames({{3, 6, 1}, {9, 6, 4}})
        << QStringList{QStringLiteral("[HENKAN]"), QStringLiteral("[&SUBMENU]")};
    QTest::newRow("unknown codes")
        << frames({{1, 3, 12}, {9, 6, 6}, {0, 242, 19}})
        << QStringList{QStringLiteral("[?1,3,12]"), QStringLiteral("[?9,6,6]"),
                       QStringLiteral("[?0,242,19]")};
    QTest::newRow("voiced and semi-voiced")
        << frames({{2, 2, 1}, {2, 10, 4}, {2, 6, 1}, {2, 10, 5}})
        << QStringList{QStringLiteral("が"), QStringLiteral("ぱ")};
    QTest::newRow("mark that does not fit the base")
        << frames({{2, 2, 1}, {2, 10, 5}, {2, 1, 1}, {2, 10, 4}})
        << QStringList{QStringLiteral("か"), QStringLiteral("゜"), QStringLiteral("あ"),
                       QStringLiteral("゛")};
    QTest::newRow("base then another base")
        << frames({{2, 2, 1}, {2, 2, 1}, {2, 10, 4}})
        << QStringList{QStringLiteral("か"), QStringLiteral("が")};
    QTest::newRow("key between base and mark")
        << frames({{2, 2, 1}, {3, 1, 1}, {2, 10, 4}})
        << QStringList{QStringLiteral("か"), QStringLiteral("[UP]"), QStringLiteral("゛")};
    QTest::newRow("half-width mark after full-width base")
        << frames({{2, 2, 1}, {1, 10, 4}})
        << QStringList{QStringLiteral("か"), QStringLiteral("ﾞ")};
    QTest::newRow("half-width pair stays two")
        << frames({{1, 2, 1}, {1, 10, 4}}) << QStringList{QStringLiteral("ｶ"), QStringLiteral("ﾞ")};
    QTest::newRow("noise before a frame")
        << hex("f2027f") + frames({{3, 1, 1}})
        << QStringList{QStringLiteral("<F2 02 7F>"), QStringLiteral("[UP]")};
    QTest::newRow("noise between frames")
        << frames({{1, 1, 6}}) + hex("00ff") + frames({{1, 1, 7}})
        << QStringList{QStringLiteral("A"), QStringLiteral("<00 FF>"), QStringLiteral("B")};
    QTest::newRow("resync inside a false start")
        << hex("f2f202") + frames({{1, 1, 6}})
        << QStringList{QStringLiteral("<F2 F2 02>"), QStringLiteral("A")};
    QTest::newRow("header cut short by a new one")
        << hex("f2020100") + frames({{1, 1, 6}})
        << QStringList{QStringLiteral("<F2 02 01 00>"), QStringLiteral("A")};
    QTest::newRow("noise breaks a kana and its mark")
        << frames({{2, 2, 1}}) + hex("55") + frames({{2, 10, 4}})
        << QStringList{QStringLiteral("か"), QStringLiteral("<55>"), QStringLiteral("゛")};
    QTest::newRow("trailing noise") << frames({{1, 1, 6}}) + hex("0d0a")
                                    << QStringList{QStringLiteral("A"), QStringLiteral("<0D 0A>")};
    QTest::newRow("header bytes inside a frame are data")
        << frames({{0xF2, 0x02, 0x01}, {1, 1, 6}})
        << QStringList{QStringLiteral("[?242,2,1]"), QStringLiteral("A")};
}

void TestFrameDecoder::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, pieces);
    QCOMPARE(decodeAll(bytes), pieces);
}

void TestFrameDecoder::anySplitGivesTheSameOutput_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("kana, noise, keys") << framesOf({{2, 6, 3}, {2, 10, 5}, {3, 1, 1}}) +
                                              hex("f202017f") +
                                              framesOf({{2, 2, 1}, {2, 10, 4}, {1, 1, 6}});
    QTest::newRow("partial frame at the end") << framesOf({{9, 6, 2}}) + hex("f2020100000301");
}

void TestFrameDecoder::anySplitGivesTheSameOutput()
{
    // Bytes arrive from a port in whatever chunks the system hands over.
    QFETCH(QByteArray, bytes);
    const QStringList whole = decodeAll(bytes);
    for (qsizetype chunk = 1; chunk <= 9; ++chunk) {
        FrameDecoder decoder;
        QStringList pieces;
        for (qsizetype at = 0; at < bytes.size(); at += chunk)
            pieces += decoder.feed(bytes.mid(at, chunk));
        pieces += decoder.flush();
        QCOMPARE(pieces, whole);
    }
}

void TestFrameDecoder::heldBackUntilTheNextFrameOrFlush()
{
    FrameDecoder decoder;
    QCOMPARE(decoder.feed(framesOf({{2, 4, 3}})), QStringList());
    QCOMPARE(decoder.feed(framesOf({{2, 10, 4}})), QStringList{QStringLiteral("づ")});
    QCOMPARE(decoder.feed(framesOf({{2, 6, 5}}) + hex("f20201")), QStringList());
    QCOMPARE(decoder.flush(), (QStringList{QStringLiteral("ほ"), QStringLiteral("<F2 02 01>")}));
    // Nothing is left over to spoil what comes next.
    QCOMPARE(decoder.flush(), QStringList());
    QCOMPARE(decoder.feed(framesOf({{2, 10, 5}})), QStringList{QStringLiteral("゜")});
}

void TestFrameDecoder::longNoiseComesOutInPieces()
{
    // Noise must not pile up unseen until a frame happens to come.
    FrameDecoder decoder;
    const QStringList pieces = decoder.feed(QByteArray(40, '\x55'));
    QCOMPARE(pieces.size(), 2);
    QCOMPARE(pieces.front(), QStringLiteral("<%1>").arg(
                                 QStringList(16, QStringLiteral("55")).join(QLatin1Char(' '))));
    QCOMPARE(decoder.flush().size(), 1);
}

QTEST_GUILESS_MAIN(TestFrameDecoder)
#include "tst_framedecoder.moc"
