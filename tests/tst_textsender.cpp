#include "testutil.h"
#include "text/textsender.h"

class TestTextSender : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sendStr()
    {
        const std::pair<QString, Codes> rows[] = {
            {u"ｶﾞｷﾞ"_s, {{1, 2, 1}, {1, 10, 4}, {1, 2, 2}, {1, 10, 4}}},
            {u"がぱ"_s, {{2, 2, 1}, {2, 10, 4}, {2, 6, 1}, {2, 10, 5}}},
            {u"ア1"_s, {{1, 14, 1}}}, // what the device cannot enter is skipped
            {u"a\tb\r\nc"_s, {{1, 4, 6}, {1, 4, 7}, {1, 4, 8}}},
            {u"A𠀋B"_s, {{1, 1, 6}, {1, 1, 7}}}};
        for (const auto &[text, codes] : rows) {
            RecordingSink sink;
            SendStr(sink, text);
            QCOMPARE(sink.codes, codes);
        }
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
