#include "macro/textreader.h"
#include "testutil.h"

#include <cerrno>
#include <cstring>

Q_DECLARE_METATYPE(tapwright::TextEncoding)

/// Bytes written as hex digits; spaces only group them.
static QByteArray hex(const char *digits)
{
    return QByteArray::fromHex(digits);
}

class TestTextReader : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;

private Q_SLOTS:
    void lines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<QString>("joined"); // the lines joined by '|'; null for none
        const auto sjis = TextEncoding::Cp932, utf8 = TextEncoding::Utf8,
                   le = TextEncoding::Utf16LE, be = TextEncoding::Utf16BE;
        const QByteArray bom8 = "\xEF\xBB\xBF";

        QTest::newRow("empty") << QByteArray() << sjis << QString();
        // A CP932 row needs a byte that is no UTF-8, or it is read as UTF-8.
        QTest::newRow("cp932, CR LF")
            << QByteArray("\x83\x4E\x5C\r\n\xCA\xB2") << sjis << u"ク\\|ﾊｲ"_s;
        QTest::newRow("cp932, lone CR") << QByteArray("\xCA\xB2\r\x83\x4E\r") << sjis << u"ﾊｲ|ク"_s;
        QTest::newRow("cp932, LF") << QByteArray("\x5C\n\x83\x4E") << sjis << u"\\|ク"_s;
        QTest::newRow("cp932, CR before CR LF")
            << QByteArray("a\r\nb\r\r\nc\nd") << sjis << u"a|b||c|d"_s;
        QTest::newRow("cp932, known bytes")
            << QByteArray("\x5C\x7E\x81\x60\x82\xA0\xB1\x87\x40\x93\x8C") << sjis
            << u"\\~～あｱ①東"_s;
        // The byte after a lone lead byte is a character of its own, also a line end.
        QTest::newRow("cp932, lone lead byte before CR LF")
            << QByteArray("a\x83\r\nb") << sjis << u"a\uFFFD|b"_s;
        QTest::newRow("cp932, undefined byte, lead byte at the end")
            << QByteArray("a\x80z\x82") << sjis << u"a\uFFFDz\uFFFD"_s;

        QTest::newRow("utf-8 BOM, CR LF")
            << bom8 + QByteArray("\xE3\x82\xAF\x31\r\n\xEF\xBE\x8A\xEF\xBD\xB2") << utf8
            << u"ク1|ﾊｲ"_s;
        QTest::newRow("utf-8 BOM, lone CR")
            << bom8 + QByteArray("a\r\xE3\x82\xAF\r") << utf8 << u"a|ク"_s;
        QTest::newRow("utf-8 BOM, LF") << bom8 + QByteArray("\xE3\x82\xAF\nb") << utf8 << u"ク|b"_s;
        QTest::newRow("utf-8 without BOM")
            << QByteArray("\xE6\x9D\xB1\xE4\xBA\xAC\r\n\xE2\x91\xA0") << utf8 << u"東京|①"_s;

        // ク is 30AF, ﾊ FF8A, ｲ FF72: read in the wrong order they are other characters.
        QTest::newRow("utf-16le, CR LF")
            << hex("fffe af30 3100 0d00 0a00 8aff 72ff") << le << u"ク1|ﾊｲ"_s;
        QTest::newRow("utf-16le, lone CR") << hex("fffe 6100 0d00 af30 0d00") << le << u"a|ク"_s;
        QTest::newRow("utf-16le, LF") << hex("fffe af30 0a00 6200") << le << u"ク|b"_s;
        QTest::newRow("utf-16le, odd last byte") << hex("fffe 6100 62") << le << u"a\uFFFD"_s;
        QTest::newRow("utf-16be, CR LF")
            << hex("feff 30af 0031 000d 000a ff8a ff72") << be << u"ク1|ﾊｲ"_s;
        QTest::newRow("utf-16be, lone CR") << hex("feff 0061 000d 30af 000d") << be << u"a|ク"_s;
        QTest::newRow("utf-16be, LF") << hex("feff 30af 000a 0062") << be << u"ク|b"_s;
        QTest::newRow("utf-16be, odd last byte") << hex("feff 0061 62") << be << u"a\uFFFD"_s;

        // The reader takes 64 KiB at a time, BOM included: these rows put a
        // character, or a CR LF, across the edge of the first block.
        const qsizetype block = 64 * 1024;
        const auto xs = [](qsizetype n) { return QString(n, u'x'); };
        QTest::newRow("cp932, pair across the block edge")
            << QByteArray(block - 1, 'x') + QByteArray("\x83\x4E\nb") << sjis
            << xs(block - 1) + u"ク|b"_s;
        QTest::newRow("cp932, CR LF across the block edge")
            << QByteArray(block - 1, 'x') + QByteArray("\r\nb") << sjis << xs(block - 1) + u"|b"_s;
        // Three of its four bytes in the first block.
        QTest::newRow("utf-8 BOM, character across the block edge")
            << bom8 + QByteArray(block - 6, 'x') + QByteArray("\xF0\xA0\x80\x8B\nb") << utf8
            << xs(block - 6) + u"𠀋|b"_s;
        // A pair of surrogates cut between its two halves.
        const qsizetype units = (block - 4) / 2;
        QTest::newRow("utf-16le, surrogate pair across the block edge")
            << hex("fffe") + hex("7800").repeated(units) + hex("40d8 0bdc 0a00 6200") << le
            << xs(units) + u"𠀋|b"_s;
        QTest::newRow("utf-16be, surrogate pair across the block edge")
            << hex("feff") + hex("0078").repeated(units) + hex("d840 dc0b 000a 0062") << be
            << xs(units) + u"𠀋|b"_s;
    }
    void lines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(TextEncoding, encoding);
        QFETCH(QString, joined);
        TextLineReader reader;
        QVERIFY(reader.open(writeFile(dir_.filePath(u"t"_s), bytes)));
        QCOMPARE(reader.encoding(), encoding);
        QStringList read;
        while (const std::optional<QString> line = reader.readLine()) {
            // How many U+FFFD a broken sequence gives is the decoder's business.
            static const QRegularExpression replacements(u"\uFFFD+"_s);
            read << QString(*line).replace(replacements, u"\uFFFD"_s);
            QCOMPARE(reader.lineNumber(), qint64(read.size()));
        }
        QVERIFY(reader.atEnd() && reader.errorString().isEmpty());
        QCOMPARE(read, joined.isNull() ? QStringList() : joined.split(u'|'));
    }

    void skipLines()
    {
        QByteArray bytes;
        for (int i = 1; i <= 100000; ++i)
            bytes += "\x8D\x73 " + QByteArray::number(i) + (i % 2 ? "\r\n" : "\r"); // 行 <n>
        const QString path = writeFile(dir_.filePath(u"lines"_s), bytes);
        const std::tuple<qint64, qint64, QString> rows[] = {
            {-3, 0, u"行 1"_s}, {70000, 70000, u"行 70001"_s}, {100009, 100000, QString()}};
        for (const auto &[count, skipped, following] : rows) {
            TextLineReader reader;
            QVERIFY(reader.open(path));
            QCOMPARE(reader.skipLines(count), skipped);
            QCOMPARE(reader.lineNumber(), skipped);
            QCOMPARE(reader.atEnd(), following.isNull());
            QCOMPARE(reader.readLine().value_or(QString()), following);
        }
    }

    void openErrorsGiveTheSystemsReason()
    {
        for (const auto &[path, error] :
             {std::pair{dir_.filePath(u"missing"_s), ENOENT}, std::pair{dir_.path(), EISDIR}}) {
            TextLineReader reader;
            QVERIFY(!reader.open(path));
            QCOMPARE(reader.errorString(), QString::fromLocal8Bit(std::strerror(error)));
            QVERIFY(!reader.isOpen() && reader.atEnd() && !reader.readLine());
        }
    }
};

QTEST_GUILESS_MAIN(TestTextReader)
#include "tst_textreader.moc"
