#include "testutil.h"
#include "text/textsender.h"

class TestTextSender : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sendStr_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Codes>("codes");
        QTest::newRow("half-width pairs") << u"ｶﾞｷﾞ"_s
                                          << Codes{{1, 2, 1}, {1, 10, 4}, {1, 2, 2}, {1, 10, 4}};
        QTest::newRow("voiced hiragana") << u"がぱ"_s
                                         << Codes{{2, 2, 1}, {2, 10, 4}, {2, 6, 1}, {2, 10, 5}};
        QTest::newRow("unknown skipped") << u"ア1"_s << Codes{{1, 14, 1}};
        QTest::newRow("controls skipped") << u"a\tb\r\nc"_s
                                          << Codes{{1, 4, 6}, {1, 4, 7}, {1, 4, 8}};
        QTest::newRow("outside the BMP") << u"A𠀋B"_s << Codes{{1, 1, 6}, {1, 1, 7}};
    }
    void sendStr()
    {
        QFETCH(QString, text);
        QFETCH(Codes, codes);
        RecordingSink sink;
        SendStr(sink, text);
        QCOMPARE(sink.codes, codes);
    }

    void sendAddressShowsBeforeSending()
    {
        RecordingSink sink;
        QString label = u"old"_s;
        QStringList labelAtEachFrame;
        sink.onSend = [&] { labelAtEachFrame << label; };
        const auto show = [&label](const QString &t) { label = t; };
        SendAddress(sink, show, u"東京 1"_s);
        QCOMPARE(labelAtEachFrame, (QStringList{u"東京 1"_s, u"東京 1"_s}));
        QCOMPARE(sink.codes, (Codes{{1, 9, 14}, {1, 14, 1}}));
        SendAddress(sink, show, QString());
        QVERIFY(label.isEmpty());
        QCOMPARE(sink.codes.size(), 2u);
    }
};

QTEST_GUILESS_MAIN(TestTextSender)
#include "tst_textsender.moc"
