#include "macro/textreader.h"
#include "testutil.h"

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

/// Opens `path` with `reader`. Should the reader open a FIFO, that open would
/// wait for a writer forever; one comes after a while and leaves at once, so
/// that the test fails instead of hanging.
bool openGuarded(TextLineReader &reader, const QString &path)
{
    std::mutex mutex;
    std::condition_variable doneChanged;
    bool done = false;
    std::thread guard([&] {
        std::unique_lock lock(mutex);
        if (doneChanged.wait_for(lock, std::chrono::seconds(10), [&] { return done; }))
            return;
#ifdef Q_OS_UNIX
        struct stat info
        {
        };
        const QByteArray name = QFile::encodeName(path);
        if (::stat(name.constData(), &info) == 0 && S_ISFIFO(info.st_mode)) {
            const int fd = ::open(name.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0)
                ::close(fd);
        }
#endif
    });
    const bool opened = reader.open(path);
    {
        const std::lock_guard lock(mutex);
        done = true;
    }
    doneChanged.notify_one();
    guard.join();
    return opened;
}

/// CR LF lines "line 1", "line 2", ... of at least `size` bytes in all.
QByteArray numberedLines(qsizetype size, qint64 *count)
{
    QByteArray bytes;
    for (*count = 0; bytes.size() < size;)
        bytes += "line " + QByteArray::number(++*count) + "\r\n";
    return bytes;
}

} // namespace

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
        // Lines are split after decoding: the line ends once, in ASCII.
        QTest::newRow("CR LF, CR, LF, CR before CR LF")
            << QByteArray("a\r\nb\r\r\nc\nd\re") << sjis << u"a|b||c|d|e"_s;
        // A CP932 row needs a byte that is no UTF-8, or it may be read as UTF-8.
        QTest::newRow("cp932") << QByteArray("\x83\x4E\x5C\r\n\xCA\xB2") << sjis << u"ク\\|ﾊｲ"_s;
        QTest::newRow("cp932, known bytes")
            << QByteArray("\x5C\x7E\x81\x60\x82\xA0\xB1\x87\x40\x93\x8C") << sjis
            << u"\\~～あｱ①東"_s;
        // The byte after a lone lead byte is a character of its own, also a line end.
        QTest::newRow("cp932, lone lead byte before CR LF")
            << QByteArray("a\x83\r\nb") << sjis << u"a\uFFFD|b"_s;
        QTest::newRow("cp932, undefined byte, lead byte at the end")
            << QByteArray("a\x80z\x82") << sjis << u"a\uFFFDz\uFFFD"_s;
        // A second byte that cannot be one is read again as a character.
        QTest::newRow("cp932, lead byte before a space")
            << QByteArray("a\x81\x20\x83\x4E") << sjis << u"a\uFFFD ク"_s;
        // A pair that looks right but means nothing is one character: its
        // second byte, 0x40, is no '@'.
        QTest::newRow("cp932, pair not in the table")
            << QByteArray("\x85\x40z\xFC\xFCy") << sjis << u"\uFFFDz\uFFFDy"_s;
        QTest::newRow("cp932, bytes that are no character")
            << hex("a0 61 fd 62 fe 63 ff 64") << sjis << u"\uFFFDa\uFFFDb\uFFFDc\uFFFDd"_s;
        QTest::newRow("cp932, control bytes")
            << QByteArray("\xCA\xB2\x1A\x1C\x7F\x01\x1F") << sjis << u"ﾊｲ\x1A\x1C\x7F\x01\x1F"_s;
        QTest::newRow("utf-8 BOM")
            << bom8 + QByteArray("\xE3\x82\xAF\x31\r\n\xEF\xBE\x8A\xEF\xBD\xB2") << utf8
            << u"ク1|ﾊｲ"_s;
        QTest::newRow("utf-8 without BOM")
            << QByteArray("\xE6\x9D\xB1\xE4\xBA\xAC\r\n\xE2\x91\xA0") << utf8 << u"東京|①"_s;
        // ク is 30AF, ﾊ FF8A, ｲ FF72: read in the wrong order they are other characters.
        QTest::newRow("utf-16le") << hex("fffe af30 3100 0d00 0a00 8aff 72ff") << le << u"ク1|ﾊｲ"_s;
        QTest::newRow("utf-16le, odd last byte") << hex("fffe 6100 62") << le << u"a\uFFFD"_s;
        QTest::newRow("utf-16be") << hex("feff 30af 0031 000d 000a ff8a ff72") << be << u"ク1|ﾊｲ"_s;
        QTest::newRow("utf-16be, odd last byte") << hex("feff 0061 62") << be << u"a\uFFFD"_s;

        // The reader takes 64 KiB at a time, BOM included: these rows put a
        // character, or a CR LF, across the edge of the first block.
        const qsizetype block = 64 * 1024;
        const auto xs = [](qsizetype n) { return QString(n, u'x'); };
        QTest::newRow("cp932, pair across the block edge")
            << QByteArray(block - 1, 'x') + QByteArray("\x83\x4E\nb") << sjis
            << xs(block - 1) + u"ク|b"_s;
        QTest::newRow("cp932, lead byte at the block edge, CR LF after it")
            << QByteArray(block - 1, 'x') + QByteArray("\x83\r\nb") << sjis
            << xs(block - 1) + u"\uFFFD|b"_s;
        QTest::newRow("CR LF across the block edge")
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

        // The encoding goes by what the device can type. Half-width kana in
        // code page 932 that are also valid UTF-8, as letters the device lacks.
        QTest::newRow("ﾊｲ in 932") << QByteArray("\xCA\xB2") << sjis << u"ﾊｲ"_s;
        QTest::newRow("ﾅｶﾏｴ in 932") << QByteArray("\xC5\xB6\xCF\xB4") << sjis << u"ﾅｶﾏｴ"_s;
        QTest::newRow("ﾂｶ in 932, lines")
            << QByteArray("\xC2\xB6\r\n\xCA\xB2\r\n") << sjis << u"ﾂｶ|ﾊｲ"_s;
        // 苺 E4 95 and ｶ B6 make one valid UTF-8 character, ﾚｰ DA B0 another.
        QTest::newRow("kanji and kana in 932, valid UTF-8")
            << QByteArray("\xE4\x95\xB6\xDA\xB0") << sjis << u"苺ｶﾚｰ"_s;
        QTest::newRow("がぱ in UTF-8")
            << QByteArray("\xE3\x81\x8C\xE3\x81\xB1") << utf8 << u"がぱ"_s;
        // Neither reading can type kanji: a tie, which UTF-8 takes.
        QTest::newRow("山田 in UTF-8")
            << QByteArray("\xE5\xB1\xB1\xE7\x94\xB0") << utf8 << u"山田"_s;
        // The whole file decides: UTF-8 kana after 64 KiB of ASCII, and a
        // byte that is no UTF-8 after 1 MiB.
        const QByteArray ascii = QByteArray("x\r\n").repeated(30000);
        const QString asciiLines = u"x|"_s.repeated(30000);
        QTest::newRow("UTF-8 after 64 KiB")
            << ascii + "\xEF\xBD\xB6\xEF\xBE\x9E\xEF\xBE\x8A" << utf8 << asciiLines + u"ｶﾞﾊ"_s;
        QTest::newRow("no UTF-8 after 1 MiB")
            << "\xEF\xBD\xB6\r\n" + ascii.repeated(12) + "\x83\x4E" << sjis
            << u"\uFFFDｶ|"_s + asciiLines.repeated(12) + u"ク"_s;
        // With a BOM, the bytes of ﾊｲ in 932 are what the BOM says they are.
        QTest::newRow("UTF-8 BOM decides")
            << QByteArray("\xEF\xBB\xBF\xCA\xB2") << utf8 << u"\u02B2"_s;
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

    void aGuessIsSaid_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("guess"); // the other reading's first line that differs
        // Read as code page 932, Cafﾃｩ, which the device can type.
        QTest::newRow("Café in UTF-8") << QByteArray("a\r\nCaf\xC3\xA9\r\n") << u"2 Café"_s;
        QTest::newRow("ﾊｲ in 932") << QByteArray("a\rb\n\xCA\xB2 c\r\n") << u"3 \u02B2 c"_s;
        QTest::newRow("no UTF-8") << QByteArray("Caf\xE9") << QString();
        QTest::newRow("ASCII") << QByteArray("Cafe") << QString();
        QTest::newRow("BOM") << QByteArray("\xEF\xBB\xBF"
                                           "Caf\xC3\xA9")
                             << QString();
    }
    void aGuessIsSaid()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, guess);
        TextLineReader reader;
        QVERIFY(reader.open(writeFile(dir_.filePath(u"g"_s), bytes)));
        const std::optional<EncodingGuess> &g = reader.guess();
        QCOMPARE(g ? u"%1 %2"_s.arg(g->line).arg(g->otherText) : QString(), guess);
        QVERIFY(!g || g->other != reader.encoding());
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

    void openRefusesWhatIsNotText_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<TextReadError>("error");
        QTest::addColumn<QString>("message");
        QTest::addColumn<qint64>("lines"); // for a file that opens
        QTest::addColumn<QString>("last");
        const QString notRegular = u"is not a regular file (a FIFO, a device or a socket)"_s;
        const QString nul =
            u"contains NUL bytes: not a text file (a UTF-16 file needs a byte order mark)"_s;
        const QString utf32 =
            u"is UTF-32, which cannot be read; save it as code page 932, UTF-8 or UTF-16"_s;
        const QString text = writeFile(dir_.filePath(u"text"_s), "abc");
        // Past the first 64 KiB and past the first block of the NUL search.
        qint64 count = 0;
        QByteArray big = numberedLines(3 * 1024 * 1024, &count);
        writeFile(dir_.filePath(u"big"_s), big);
        big[big.size() - 3] = '\0';

        QTest::newRow("missing") << dir_.filePath(u"missing"_s) << TextReadError::OpenFailed
                                 << noSuchFileReason() << qint64(0)
                                 << QString();
        QTest::newRow("directory") << dir_.path() << TextReadError::NotText << u"is a directory"_s
                                   << qint64(0) << QString();
#ifdef Q_OS_UNIX
        const QString fifo = dir_.filePath(u"fifo"_s);
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QVERIFY(QFile::link(fifo, dir_.filePath(u"fifo-link"_s)));
        QVERIFY(QFile::link(text, dir_.filePath(u"text-link"_s)));
        QTest::newRow("FIFO") << fifo << TextReadError::NotText << notRegular << qint64(0)
                              << QString();
        QTest::newRow("link to a FIFO") << dir_.filePath(u"fifo-link"_s) << TextReadError::NotText
                                        << notRegular << qint64(0) << QString();
        QTest::newRow("/dev/null")
            << u"/dev/null"_s << TextReadError::NotText << notRegular << qint64(0) << QString();
        QTest::newRow("/dev/zero")
            << u"/dev/zero"_s << TextReadError::NotText << notRegular << qint64(0) << QString();
        QTest::newRow("link to a text file") << dir_.filePath(u"text-link"_s) << TextReadError::None
                                             << QString() << qint64(1) << u"abc"_s;
#endif
        QTest::newRow("NUL near the end of 3 MiB")
            << writeFile(dir_.filePath(u"big-nul"_s), big) << TextReadError::NotText << nul
            << qint64(0) << QString();
        QTest::newRow("UTF-16 without BOM")
            << writeFile(dir_.filePath(u"utf16"_s), QByteArray("a\0b\0", 4))
            << TextReadError::NotText << nul << qint64(0) << QString();
        QTest::newRow("UTF-32LE BOM")
            << writeFile(dir_.filePath(u"utf32le"_s), QByteArray("\xFF\xFE\0\0a\0\0\0", 8))
            << TextReadError::NotText << utf32 << qint64(0) << QString();
        QTest::newRow("UTF-32BE BOM")
            << writeFile(dir_.filePath(u"utf32be"_s), QByteArray("\0\0\xFE\xFF\0\0\0a", 8))
            << TextReadError::NotText << utf32 << qint64(0) << QString();
        // The search for NUL must leave the file where the reading goes on.
        QTest::newRow("3 MiB without NUL") << dir_.filePath(u"big"_s) << TextReadError::None
                                           << QString() << count << u"line %1"_s.arg(count);
    }
    void openRefusesWhatIsNotText()
    {
        QFETCH(QString, path);
        QFETCH(TextReadError, error);
        QFETCH(QString, message);
        QFETCH(qint64, lines);
        QFETCH(QString, last);
        TextLineReader reader;
        const bool opened = openGuarded(reader, path);
        QCOMPARE(reader.errorString(), message);
        QCOMPARE(reader.error(), error);
        QCOMPARE(opened, error == TextReadError::None);
        QCOMPARE(reader.isOpen(), opened);
        QString read;
        while (const std::optional<QString> line = reader.readLine())
            read = *line;
        QCOMPARE(reader.lineNumber(), lines);
        QCOMPARE(read, last);
        QVERIFY(reader.atEnd() && reader.error() == error);
    }

    void tooLongLineIsAnError_data()
    {
        QTest::addColumn<QByteArray>("character"); // in code page 932
        QTest::addColumn<qsizetype>("length");
        QTest::addColumn<bool>("skip");
        QTest::addColumn<int>("before"); // lines before the long one
        const qsizetype max = 1048576;   // written out: the limit is part of the message
        QTest::newRow("at the limit") << QByteArray("x") << max << false << 2;
        QTest::newRow("at the limit, two bytes each")
            << QByteArray("\x82\xA0") << max << false << 2;
        QTest::newRow("at the limit, skipped") << QByteArray("x") << max << true << 2;
        QTest::newRow("one over") << QByteArray("x") << max + 1 << false << 2;
        QTest::newRow("over, skipped") << QByteArray("x") << max + 100000 << true << 2;
        QTest::newRow("first line over") << QByteArray("x") << max + 100000 << false << 0;
        QTest::newRow("first line over, skipped") << QByteArray("x") << max + 1 << true << 0;
    }
    void tooLongLineIsAnError()
    {
        QFETCH(QByteArray, character);
        QFETCH(qsizetype, length);
        QFETCH(bool, skip);
        QFETCH(int, before);
        QByteArray bytes = QByteArray("a\r\n").repeated(before) + character.repeated(length);
        const QString path = writeFile(dir_.filePath(u"long"_s), bytes + "\r\nlast");
        bytes.clear();
        TextLineReader reader;
        QVERIFY(reader.open(path));
        const bool tooLong = length > MaxLineLength;
        if (skip) {
            QCOMPARE(reader.skipLines(before + 2), before + (tooLong ? 0 : 2));
        } else {
            for (int i = 0; i < before; ++i)
                QCOMPARE(reader.readLine(), u"a"_s);
            const std::optional<QString> line = reader.readLine();
            QCOMPARE(line.has_value(), !tooLong);
            if (line) {
                QCOMPARE(line->size(), length);
                QCOMPARE(reader.readLine(), u"last"_s);
            }
        }
        QCOMPARE(reader.lineNumber(), before + (tooLong ? 1 : 2));
        QCOMPARE(reader.error(), tooLong ? TextReadError::LineTooLong : TextReadError::None);
        QCOMPARE(reader.errorString(),
                 tooLong ? u"line %1 is too long (more than 1,048,576 characters)"_s.arg(before + 1)
                         : QString());
        // An error ends the reading.
        QVERIFY(reader.atEnd() && !reader.readLine() && reader.skipLines(1) == 0);
    }
};

QTEST_GUILESS_MAIN(TestTextReader)
#include "tst_textreader.moc"
