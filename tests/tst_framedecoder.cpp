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
        for (const QStringList &f : dataLines(u"resync.txt"_s)) {
            QByteArray bytes;
            for (const QString &item : f.mid(1))
                bytes += item.contains(u',') ? framesOf(codesOf(item))
                                             : QByteArray::fromHex(item.toLatin1());
            // Bytes arrive from a port in whatever chunks the system hands over.
            for (qsizetype chunk = 1; chunk <= bytes.size(); chunk += 3) {
                FrameDecoder decoder;
                DevicePieces got;
                for (qsizetype at = 0; at < bytes.size(); at += chunk)
                    got += decoder.feed(bytes.mid(at, chunk));
                QCOMPARE(shown(got + decoder.flush()), f[0].split(u'|'));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestFrameDecoder)
#include "tst_framedecoder.moc"
