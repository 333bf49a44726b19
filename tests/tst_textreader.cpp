#include "macro/textreader.h"
#include "testutil.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

Q_DECLARE_METATYPE(tapwright::TextEncoding)

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
        const auto sjis = TextEncoding::Cp932, utf8 = TextEncoding::Utf8;
        static const QRegularExpression unit(u"\\\\u([0-9A-F]{4})"_s);
        for (const QStringList &f : dataLines(u"textreader.txt"_s)) {
            QString lines = f.value(3);
            for (QRegularExpressionMatch m; (m = unit.match(lines)).hasMatch();)
                lines.replace(m.capturedStart(), 6, QChar(m.captured(1).toUShort(nullptr, 16)));
            QTest::newRow(qPrintable(f[0]))
                << QByteArray::fromHex(f.value(2).toLatin1())
                << TextEncoding(
                       QStringList{u"cp932"_s, u"utf8"_s, u"utf16le"_s, u"utf16be"_s}.indexOf(
                           f.value(1)))
                << (lines == u"-"_s ? QString() : lines);
        }
        // The reader takes 64 KiB at a time, BOM included: these rows put a
        // character, or a CR LF, across the edge of the first block.
        const qsizetype block = 64 * 1024;
        const QByteArray xs(block - 1, 'x');
        const QString xl = QString::fromLatin1(xs);
        QTest::newRow("cp932, pair across the block edge")
            << xs + "\x83\x4E\nb" << sjis << xl + u"ク|b"_s;
        QTest::newRow("cp932, lead byte at the block edge, CR LF after it")
            << xs + "\x83\r\nb" << sjis << xl + u"\uFFFD|b"_s;
        QTest::newRow("CR LF across the block edge") << xs + "\r\nb" << sjis << xl + u"|b"_s;
        // Three of its four bytes in the first block.
        QTest::newRow("utf-8 BOM, character across the block edge")
            << "\xEF\xBB\xBF" + xs.first(block - 6) + "\xF0\xA0\x80\x8B\nb" << utf8
            << xl.first(block - 6) + u"𠀋|b"_s;
        // A pair of surrogates cut between its two halves.
        const qsizetype units = (block - 4) / 2;
        QTest::newRow("utf-16le, surrogate pair across the block edge")
            << "\xFF\xFE" + QByteArray("x\0", 2).repeated(units) +
                   QByteArray::fromHex("40d80bdc0a006200")
            << TextEncoding::Utf16LE << QString(units, u'x') + u"𠀋|b"_s;

        // The whole file decides: UTF-8 kana after 64 KiB of ASCII, and a
        // byte that is no UTF-8 after 1 MiB.
        const QByteArray ascii = QByteArray("x\r\n").repeated(30000);
        const QString asciiLines = u"x|"_s.repeated(30000);
        QTest::newRow("UTF-8 after 64 KiB")
            << ascii + "\xEF\xBD\xB6\xEF\xBE\x9E\xEF\xBE\x8A" << utf8 << asciiLines + u"ｶﾞﾊ"_s;
        QTest::newRow("no UTF-8 after 1 MiB")
            << "\xEF\xBD\xB6\r\n" + ascii.repeated(12) + "\x83\x4E" << sjis
            << u"\uFFFDｶ|"_s + asciiLines.repeated(12) + u"ク"_s;
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
        QTest::newRow("BOM") << "\xEF\xBB\xBF"_ba + "Caf\xC3\xA9" << QString();
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
        QTest::addColumn<QString>("expected"); // the error, or the lines read and the last
        const QString notRegular = u"is not a regular file (a FIFO, a device or a socket)"_s;
        const QString nul =
            u"contains NUL bytes: not a text file (a UTF-16 file needs a byte order mark)"_s;
        const QString utf32 =
            u"is UTF-32, which cannot be read; save it as code page 932, UTF-8 or UTF-16"_s;
        const auto file = [this](const char *name, const QByteArray &bytes) {
            return writeFile(dir_.filePath(QLatin1String(name)), bytes);
        };
        const QString text = file("text", "abc");
        // Past the first 64 KiB and past the first block of the NUL search.
        QByteArray big;
        int count = 0;
        while (big.size() < 3 * 1024 * 1024)
            big += "line " + QByteArray::number(++count) + "\r\n";
        const QString bigPath = file("big", big);
        big[big.size() - 3] = '\0';
        const auto None = TextReadError::None, OpenFailed = TextReadError::OpenFailed,
                   NotText = TextReadError::NotText;
        QTest::newRow("missing") << dir_.filePath(u"missing"_s) << OpenFailed << noSuchFileReason();
        QTest::newRow("directory") << dir_.path() << NotText << u"is a directory"_s;
#ifdef Q_OS_UNIX
        const QString fifo = dir_.filePath(u"fifo"_s);
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QVERIFY(QFile::link(fifo, dir_.filePath(u"fifo-link"_s)));
        QVERIFY(QFile::link(text, dir_.filePath(u"text-link"_s)));
        QTest::newRow("FIFO") << fifo << NotText << notRegular;
        QTest::newRow("link to a FIFO") << dir_.filePath(u"fifo-link"_s) << NotText << notRegular;
        QTest::newRow("/dev/null") << u"/dev/null"_s << NotText << notRegular;
        QTest::newRow("link to a text file") << dir_.filePath(u"text-link"_s) << None << u"1 abc"_s;
#endif
        QTest::newRow("NUL near the end of 3 MiB") << file("big-nul", big) << NotText << nul;
        QTest::newRow("UTF-16 without BOM")
            << file("utf16", QByteArray("a\0b\0", 4)) << NotText << nul;
        QTest::newRow("UTF-32LE BOM")
            << file("utf32le", QByteArray("\xFF\xFE\0\0a\0\0\0", 8)) << NotText << utf32;
        QTest::newRow("UTF-32BE BOM")
            << file("utf32be", QByteArray("\0\0\xFE\xFF\0\0\0a", 8)) << NotText << utf32;
        // The search for NUL must leave the file where the reading goes on.
        QTest::newRow("3 MiB without NUL") << bigPath << None << u"%1 line %1"_s.arg(count);
    }
    void openRefusesWhatIsNotText()
    {
        QFETCH(QString, path);
        QFETCH(TextReadError, error);
        QFETCH(QString, expected);
        TextLineReader reader;
#ifdef Q_OS_UNIX
        ::alarm(20); // a reader that opened a FIFO would wait for a writer for ever
#endif
        const bool opened = reader.open(path);
        QString read;
        while (const std::optional<QString> line = reader.readLine())
            read = *line;
#ifdef Q_OS_UNIX
        ::alarm(0);
#endif
        QCOMPARE(reader.error(), error);
        QCOMPARE(opened, error == TextReadError::None);
        QCOMPARE(reader.isOpen(), opened);
        QCOMPARE(opened ? u"%1 %2"_s.arg(reader.lineNumber()).arg(read) : reader.errorString(),
                 expected);
        QVERIFY(reader.atEnd() && reader.error() == error && (opened || reader.lineNumber() == 0));
    }

    void tooLongLineIsAnError_data()
    {
        QTest::addColumn<QByteArray>("character"); // in code page 932
        QTest::addColumn<qsizetype>("length");
        QTest::addColumn<int>("before"); // lines before the long one
        const qsizetype max = 1048576;   // written out: the limit is part of the message
        QTest::newRow("at the limit, two bytes each") << QByteArray("\x82\xA0") << max << 2;
        QTest::newRow("one over") << QByteArray("x") << max + 1 << 2;
        QTest::newRow("first line over") << QByteArray("x") << max + 100000 << 0;
    }
    void tooLongLineIsAnError()
    {
        QFETCH(QByteArray, character);
        QFETCH(qsizetype, length);
        QFETCH(int, before);
        const QString path =
            writeFile(dir_.filePath(u"long"_s), QByteArray("a\r\n").repeated(before) +
                                                    character.repeated(length) + "\r\nlast");
        const bool tooLong = length > MaxLineLength;
        for (const bool skip : {false, true}) {
            TextLineReader reader;
            QVERIFY(reader.open(path));
            if (skip) {
                QCOMPARE(reader.skipLines(before + 2), before + (tooLong ? 0 : 2));
            } else {
                for (int i = 0; i < before; ++i)
                    QCOMPARE(reader.readLine(), u"a"_s);
                const std::optional<QString> line = reader.readLine();
                QCOMPARE(line.value_or(QString()).size(), tooLong ? 0 : length);
                QCOMPARE(reader.readLine().value_or(u"none"_s), tooLong ? u"none"_s : u"last"_s);
            }
            QCOMPARE(reader.lineNumber(), before + (tooLong ? 1 : 2));
            QCOMPARE(reader.errorString(),
                     tooLong
                         ? u"line %1 is too long (more than 1,048,576 characters)"_s.arg(before + 1)
                         : QString());
            // An error ends the reading.
            QVERIFY(reader.atEnd() && !reader.readLine() && reader.skipLines(1) == 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestTextReader)
#include "tst_textreader.moc"
