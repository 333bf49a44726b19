#include "macro/textreader.h"
#include "testutil.h"

#include <cerrno>
#include <cstring>

class TestTextReader : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;

private Q_SLOTS:
    void lines()
    {
        const auto sjis = TextEncoding::Cp932, utf8 = TextEncoding::Utf8;
        // Lines joined by '|'. The reader's block is 64 KiB: some rows cross its edge.
        const QByteArray pad(64 * 1024 - 1, 'x'), bom = "\xEF\xBB\xBF";
        const QString padded = QString::fromLatin1(pad);
        const std::tuple<QByteArray, TextEncoding, QString> rows[] = {
            {"", sjis, QString()},
            {"a\nb\r\n", sjis, u"a|b"_s},
            {"a\rb\r", sjis, u"a|b"_s},
            {"a\r\nb\r\r\nc\nd", sjis, u"a|b||c|d"_s},
            {pad + "\r\nb", sjis, padded + u"|b"_s},
            {pad + "\x82\xA0\nb", sjis, padded + u"あ|b"_s},
            {"\x5C\x7E\x81\x60\x82\xA0\xB1\x87\x40\x93\x8C", sjis, u"\\~～あｱ①東"_s},
            {bom + "abc\nd", utf8, u"abc|d"_s},
            {"東京\r\n①", utf8, u"東京|①"_s},
            {"\xFF\xFE" + QByteArray("a\0\r\0\n\0\x42\x30", 8), TextEncoding::Utf16LE, u"a|あ"_s},
            {"a\x80z\x82", sjis, u"a\uFFFDz\uFFFD"_s}, // undefined, then cut short
            {"\xFF\xFE" + QByteArray("a\0b", 3), TextEncoding::Utf16LE, u"a\uFFFD"_s}};
        for (const auto &[bytes, encoding, joined] : rows) {
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
