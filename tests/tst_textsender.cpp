#include "testutil.h"
#include "text/textsender.h"

#include <QTest>

using namespace tapwright;
using Codes = std::vector<KeyCode>;
Q_DECLARE_METATYPE(Codes)

class TestTextSender : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sendStr_data();
    void sendStr();
    void sendCharTakesPairs();
    void sendAddressShowsBeforeSending();
    void sendAddressEmptyClearsLabel();
    void unsupported_data();
    void unsupported();
};

void TestTextSender::sendStr_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Codes>("codes");
    QTest::newRow("half-width voiced pairs")
        << QStringLiteral("ｶﾞｷﾞ") << Codes{{1, 2, 1}, {1, 10, 4}, {1, 2, 2}, {1, 10, 4}};
    QTest::newRow("voiced hiragana")
        << QStringLiteral("がぱ") << Codes{{2, 2, 1}, {2, 10, 4}, {2, 6, 1}, {2, 10, 5}};
    QTest::newRow("unknown is skipped") << QStringLiteral("ア1") << Codes{{1, 14, 1}};
    QTest::newRow("controls are skipped")
        << QStringLiteral("a\tb\r\nc") << Codes{{1, 4, 6}, {1, 4, 7}, {1, 4, 8}};
    QTest::newRow("outside the BMP") << QStringLiteral("A𠀋B") << Codes{{1, 1, 6}, {1, 1, 7}};
    QTest::newRow("spaces") << QStringLiteral("1 2") << Codes{{1, 14, 1}, {1, 9, 14}, {1, 14, 2}};
    QTest::newRow("half-width vu goes as two characters")
        << QStringLiteral("ｳﾞ") << Codes{{1, 1, 3}, {1, 10, 4}};
    QTest::newRow("combining mark is dropped") << QStringLiteral("か\u3099") << Codes{{2, 2, 1}};
    QTest::newRow("empty") << QString() << Codes{};
}

void TestTextSender::sendStr()
{
    QFETCH(QString, text);
    QFETCH(Codes, codes);
    RecordingSink sink;
    SendStr(sink, text);
    QCOMPARE(sink.codes, codes);
}

void TestTextSender::sendCharTakesPairs()
{
    RecordingSink sink;
    SendChar(sink, u"ｶﾞ");
    SendChar(sink, u"ｳﾞ");
    SendChar(sink, u"AB");
    QCOMPARE(sink.codes, (Codes{{1, 2, 1}, {1, 10, 4}}));
}

void TestTextSender::sendAddressShowsBeforeSending()
{
    RecordingSink sink;
    QString label = QStringLiteral("old");
    QString labelAtFirstFrame;
    sink.onSend = [&] {
        if (labelAtFirstFrame.isEmpty())
            labelAtFirstFrame = label;
    };
    SendAddress(sink, [&label](const QString &t) { label = t; }, QStringLiteral("東京 1"));
    QCOMPARE(labelAtFirstFrame, QStringLiteral("東京 1"));
    QCOMPARE(sink.codes, (Codes{{1, 9, 14}, {1, 14, 1}}));
}

void TestTextSender::sendAddressEmptyClearsLabel()
{
    RecordingSink sink;
    QString label = QStringLiteral("old");
    SendAddress(sink, [&label](const QString &t) { label = t; }, QString());
    QVERIFY(label.isEmpty());
    QVERIFY(sink.codes.empty());
}

void TestTextSender::unsupported_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<int>("count");
    QTest::newRow("all known") << QStringLiteral("ｶﾞがA ") << QStringList() << 0;
    QTest::newRow("katakana and a supplementary character")
        << QStringLiteral("ア𠀋b") << QStringList{QStringLiteral("ア"), QStringLiteral("𠀋")}
        << 2;
    QTest::newRow("repeats listed once") << QStringLiteral("アxア") << QStringList{QStringLiteral("ア")}
                                         << 2;
    QTest::newRow("tab") << QStringLiteral("a\tb") << QStringList{QStringLiteral("\t")} << 1;
    QTest::newRow("lone surrogate") << QString(QChar(0xDC00)) << QStringList{QString(QChar(0xDC00))}
                                    << 1;
}

void TestTextSender::unsupported()
{
    QFETCH(QString, text);
    QFETCH(QStringList, listed);
    QFETCH(int, count);
    QCOMPARE(unsupportedCharacters(text), listed);
    QCOMPARE(countUnsupported(text), count);
}

QTEST_GUILESS_MAIN(TestTextSender)
#include "tst_textsender.moc"
