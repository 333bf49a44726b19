#include "macro/textreader.h"
#include "testutil.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>

using namespace tapwright;
Q_DECLARE_METATYPE(tapwright::TextEncoding)

/// The reader's block size: rows put characters right across its edge.
constexpr int Block = 64 * 1024;

class TestTextReader : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<QStringList>("lines");
        const auto sjis = TextEncoding::Cp932;
        const auto utf8 = TextEncoding::Utf8;
        const QByteArray bom = "\xEF\xBB\xBF";
        const QByteArray pad(Block - 1, 'x');
        const QString padded(Block - 1, u'x');
        // The lines joined by '|'; a null string for none at all.
        auto row = [](const char *tag, const QByteArray &bytes, TextEncoding encoding,
                      const QString &lines) {
            QTest::newRow(tag) << bytes << encoding
                               << (lines.isNull() ? QStringList() : lines.split(u'|'));
        };
        row("zero bytes", "", sjis, QString());
        row("LF", "a\nb\n", sjis, u"a|b"_s);
        row("CR LF", "a\r\nb\r\n", sjis, u"a|b"_s);
        row("lone CR", "a\rb\r", sjis, u"a|b"_s);
        row("mixed, no final end", "a\r\nb\rc\nd", sjis, u"a|b|c|d"_s);
        row("blank lines only", "\n\r\n\r\r\n", sjis, u"|||"_s);
        row("CR LF across a block's edge", pad + "\r\nb", sjis, padded + u"|b"_s);
        row("lone CR at a block's last byte", pad + "\rb", sjis, padded + u"|b"_s);
        row("CP932 pair across a block's edge", pad + "\x82\xA0\nb", sjis, padded + u"あ|b"_s);
        row("CP932 known bytes", "\x5C\x7E\x81\x60\x82\xA0\xB1\x87\x40\x93\x8C", sjis,
            u"\\~～あｱ①東"_s);
        row("UTF-8 BOM", bom + "abc\nd", utf8, u"abc|d"_s);
        row("UTF-8 without BOM", "東京\r\n①", utf8, u"東京|①"_s);
        row("UTF-8 cut by the detection window", "\xC3\xA9" + pad.left(Block - 4) + "あ\nb", utf8,
            u'é' + padded.left(Block - 4) + u"あ|b"_s);
        row("UTF-16LE BOM", "\xFF\xFE" + QByteArray("a\0\r\0\n\0\x42\x30", 8),
            TextEncoding::Utf16LE, u"a|あ"_s);
        row("CP932 undefined byte", "a\x80z", sjis, u"a\uFFFDz"_s);
        row("CP932 first byte at the end", "a\x82", sjis, u"a\uFFFD"_s);
        row("UTF-16 odd last byte", "\xFF\xFE" + QByteArray("a\0b", 3), TextEncoding::Utf16LE,
            u"a\uFFFD"_s);
    }
    void lines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(TextEncoding, encoding);
        QFETCH(QStringList, lines);
        TextLineReader reader;
        QVERIFY(reader.open(write(bytes)));
        QCOMPARE(reader.encoding(), encoding);
        QStringList read;
        while (!reader.atEnd()) {
            const std::optional<QString> line = reader.readLine();
            QVERIFY(line);
            // How many U+FFFD a broken sequence gives is the decoder's business.
            static const QRegularExpression replacements(u"\uFFFD+"_s);
            read << QString(*line).replace(replacements, u"\uFFFD"_s);
            QCOMPARE(reader.lineNumber(), qint64(read.size()));
        }
        QCOMPARE(read, lines);
        QVERIFY(!reader.readLine());
        QVERIFY(reader.errorString().isEmpty());
    }

    void skipLines_data()
    {
        QTest::addColumn<qint64>("count");
        QTest::addColumn<qint64>("skipped");
        QTest::addColumn<QString>("following");
        QTest::newRow("zero") << qint64(0) << qint64(0) << u"行 1"_s;
        QTest::newRow("negative") << qint64(-3) << qint64(0) << u"行 1"_s;
        QTest::newRow("many blocks") << qint64(70000) << qint64(70000) << u"行 70001"_s;
        QTest::newRow("all") << qint64(100000) << qint64(100000) << QString();
        QTest::newRow("past the end") << qint64(100009) << qint64(100000) << QString();
    }
    void skipLines()
    {
        QFETCH(qint64, count);
        QFETCH(qint64, skipped);
        QFETCH(QString, following);
        static const QString path = write([] {
            QByteArray bytes;
            for (int i = 1; i <= 100000; ++i)
                bytes += "\x8D\x73 " + QByteArray::number(i) + (i % 2 ? "\r\n" : "\r"); // 行 <n>
            return bytes;
        }());
        TextLineReader reader;
        QVERIFY(reader.open(path));
        QCOMPARE(reader.skipLines(count), skipped);
        QCOMPARE(reader.lineNumber(), skipped);
        QCOMPARE(reader.atEnd(), following.isNull());
        QCOMPARE(reader.readLine().value_or(QString()), following);
        QCOMPARE(reader.lineNumber(), skipped + !following.isNull());
    }

    void openErrors_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("error");
        QTest::newRow("missing") << m_dir.filePath(u"missing"_s) << ENOENT;
        QTest::newRow("directory") << m_dir.path() << EISDIR;
#ifdef Q_OS_LINUX
        QTest::newRow("unreadable") << u"/proc/self/mem"_s << EIO; // opens, but reading fails
#endif
    }
    void openErrors()
    {
        QFETCH(QString, path);
        QFETCH(int, error);
        TextLineReader reader;
        QVERIFY(!reader.open(path));
        QCOMPARE(reader.errorString(), QString::fromLocal8Bit(std::strerror(error)));
        QVERIFY(!reader.isOpen());
        QVERIFY(reader.atEnd());
        QVERIFY(!reader.readLine());
    }

private:
    QString write(const QByteArray &bytes)
    {
        return writeFile(m_dir.filePath(QString::number(qHash(bytes))), bytes);
    }
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestTextReader)
#include "tst_textreader.moc"
