#include "macro/textreader.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

using namespace tapwright;
using namespace Qt::StringLiterals;
Q_DECLARE_METATYPE(tapwright::TextEncoding)

/// The reader's block size: rows put characters right across its edge.
constexpr int Block = 64 * 1024;

class TestTextReader : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lines_data();
    void lines();
    void skipLines_data();
    void skipLines();
    void openErrors_data();
    void openErrors();

private:
    QString write(const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(QString::number(qHash(bytes)));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    QTemporaryDir m_dir;
};

void TestTextReader::lines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<QStringList>("lines");
    const auto sjis = TextEncoding::Cp932;
    const auto utf8 = TextEncoding::Utf8;
    const QByteArray bom = "\xEF\xBB\xBF";
    const QByteArray pad(Block - 1, 'x');
    const QString padded(Block - 1, u'x');
    const QChar bad = QChar::ReplacementCharacter;
    QByteArray pairs = "x"; // odd-sized, so that pairs straddle every block edge
    for (int i = 0; i < 512 * 1024; ++i)
        pairs += "\x82\xA0";
    auto row = [](const char *tag, const QByteArray &bytes, TextEncoding encoding,
                  std::initializer_list<QStringView> lines) {
        QStringList list;
        for (QStringView line : lines)
            list << line.toString();
        QTest::newRow(tag) << bytes << encoding << list;
    };

    row("zero bytes", "", sjis, {});
    row("LF", "a\nb\n", sjis, {u"a", u"b"});
    row("CR LF", "a\r\nb\r\n", sjis, {u"a", u"b"});
    row("lone CR", "a\rb\r", sjis, {u"a", u"b"});
    row("mixed, no final end", "a\r\nb\rc\nd", sjis, {u"a", u"b", u"c", u"d"});
    row("LF LF", "a\n\n", sjis, {u"a", u""});
    row("CR LF alone", "\r\n", sjis, {u""});
    row("blank lines only", "\n\r\n\r\r\n", sjis, {u"", u"", u"", u""});
    row("LF CR is two ends", "a\n\rb", sjis, {u"a", u"", u"b"});
    row("CR at a block's last byte", pad + "\r\nb", sjis, {padded, u"b"});
    row("lone CR at a block's last byte", pad + "\rb", sjis, {padded, u"b"});
    row("CR CR at a block's edge", pad + "\r\rb", sjis, {padded, u"", u"b"});
    row("1 MB line", pairs + "\r\nend", sjis, {u'x' + QString(512 * 1024, u'あ'), u"end"});

    row("CP932 known bytes", "\x5C\x7E\x81\x60\x82\xA0\xB1\x87\x40\x93\x8C", sjis,
        {u"\\~～あｱ①東"});
    row("CP932 control bytes", "\x1A\x1C\x7F.", sjis, {u"\x1A\x1C\x7F."});
    row("UTF-8 BOM", bom + "abc\nd", utf8, {u"abc", u"d"});
    row("UTF-8 without BOM", "東京\r\n①", utf8, {u"東京", u"①"});
    row("UTF-8 cut by the detection window", "\xC3\xA9" + pad.left(Block - 4) + "あ\nb", utf8,
        {u'é' + padded.left(Block - 4) + u'あ', u"b"});
    row("UTF-16LE BOM", "\xFF\xFE" + QByteArray("a\0\r\0\n\0\x42\x30", 8), TextEncoding::Utf16LE,
        {u"a", u"あ"});
    row("UTF-16BE BOM", QByteArray("\xFE\xFF\0a\0\r\x30\x42", 8), TextEncoding::Utf16BE,
        {u"a", u"あ"});

    row("CP932 undefined byte", "a\x80z", sjis, {u"a"_s + bad + u'z'});
    row("CP932 unassigned pair", "a\x85\x40z", sjis, {u"a"_s + bad + u'z'});
    row("CP932 first byte before LF", "a\x82\nb", sjis, {u"a"_s + bad, u"b"});
    row("CP932 first byte at the end", "a\x82", sjis, {u"a"_s + bad});
    row("CP932 NUL stays NUL", QByteArray("a\0\x80z", 4), sjis, {u"a"_s + QChar(0) + bad + u'z'});
    row("UTF-8 invalid byte", bom + "a\xFFz", utf8, {u"a"_s + bad + u'z'});
    row("UTF-8 cut at the end", bom + "a\xE3\x81", utf8, {u"a"_s + bad});
    row("UTF-8 cut at a block's end", bom + pad.left(Block - 5) + "\xE3\x81\nb", utf8,
        {padded.left(Block - 5) + bad, u"b"});
    row("UTF-16 odd last byte", "\xFF\xFE" + QByteArray("a\0b", 3), TextEncoding::Utf16LE,
        {u"a"_s + bad});
}

void TestTextReader::lines()
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

void TestTextReader::skipLines_data()
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

void TestTextReader::skipLines()
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

void TestTextReader::openErrors_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("error");
    QTest::newRow("missing") << m_dir.filePath(u"missing"_s) << ENOENT;
    QTest::newRow("directory") << m_dir.path() << EISDIR;
#ifdef Q_OS_LINUX
    QTest::newRow("unreadable") << u"/proc/self/mem"_s << EIO; // opens, but reading fails
#endif
}

void TestTextReader::openErrors()
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

QTEST_GUILESS_MAIN(TestTextReader)
#include "tst_textreader.moc"
