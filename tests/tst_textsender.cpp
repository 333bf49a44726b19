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
        QTest::addColumn<QString>("skipped"); // each once, then how many in all
        QTest::newRow("half-width pairs")
            << u"ｶﾞｷﾞ"_s << Codes{{1, 2, 1}, {1, 10, 4}, {1, 2, 2}, {1, 10, 4}} << u"0"_s;
        QTest::newRow("voiced hiragana")
            << u"がぱ"_s << Codes{{2, 2, 1}, {2, 10, 4}, {2, 6, 1}, {2, 10, 5}} << u"0"_s;
        QTest::newRow("unknown and controls skipped")
            << u"a\tアb\r\nアcア"_s << Codes{{1, 4, 6}, {1, 4, 7}, {1, 4, 8}} << u"\t ア \r \n 6"_s;
        QTest::newRow("outside the BMP") << u"A𠀋B"_s << Codes{{1, 1, 6}, {1, 1, 7}} << u"𠀋 1"_s;
    }
    void sendStr()
    {
        QFETCH(QString, text);
        QFETCH(Codes, codes);
        QFETCH(QString, skipped);
        RecordingSink sink;
        SendStr(sink, text);
        QCOMPARE(sink.codes, codes);
        const Unsendable found = unsendableCharacters(text);
        QCOMPARE((found.characters + QStringList{QString::number(found.count)}).join(u' '),
                 skipped);
    }

    void sendAddressShowsBeforeSending()
    {
        RecordingSink sink;
        QString label = u"old"_s, labels;
        sink.onSend = [&] { labels += label + u'|'; };
        SendAddress(
            sink, [&label](const QString &t) { label = t; }, u"東京 1"_s);
        QCOMPARE(labels, u"東京 1|東京 1|"_s);
        QCOMPARE(sink.codes, (Codes{{1, 9, 14}, {1, 14, 1}}));
    }
};

QTEST_GUILESS_MAIN(TestTextSender)
#include "tst_textsender.moc"
