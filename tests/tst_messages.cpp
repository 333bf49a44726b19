#include "link/link.h"
#include "macro/checker.h"
#include "macro/messages.h"
#include "testutil.h"

#include <QTranslator>

namespace {

/// The kinds data/messages.txt names.
// clang-format off
const QHash<QString, int> Kinds{
    {u"Run"_s, CheckItem::Run}, {u"NoRepeat"_s, CheckItem::NoRepeat},
    {u"PartialLastPass"_s, CheckItem::PartialLastPass}, {u"Unsendable"_s, RunReport::Unsendable},
    {u"UnknownCommand"_s, RunReport::UnknownCommand}, {u"BadNumber"_s, RunReport::BadNumber},
    {u"CounterPastEnd"_s, RunReport::CounterPastEnd}, {u"BadCounter"_s, RunReport::BadCounter},
    {u"MissingNumber"_s, RunReport::MissingNumber}, {u"Busy"_s, LinkError::Busy},
    {u"PermissionDenied"_s, LinkError::PermissionDenied}, {u"Stalled"_s, LinkError::Stalled},
    {u"WriteFailed"_s, LinkError::WriteFailed}, {u"FromAddresses"_s, Estimate::FromAddresses},
    {u"OnePass"_s, Estimate::OnePass}, {u"EncodingGuessed"_s, RunReport::EncodingGuessed},
    {u"MoreFindings"_s, CheckItem::MoreFindings}, {u"KeyCount"_s, RunReport::KeyCount},
    {u"RepeatCount"_s, RunReport::RepeatCount}, {u"StringSpace"_s, RunReport::StringSpace},
    {u"MissingField"_s, RunReport::MissingField}, {u"TabsInEntry"_s, CheckItem::TabsInEntry}};
// clang-format on

RunReport runReport(const Fields &f)
{
    RunReport r;
    r.kind = RunReport::Kind(Kinds.value(f[u"kind"_s]));
    r.file = f[u"file"_s], r.line = f[u"line"_s].toLongLong(), r.command = f[u"command"_s];
    r.value = f[u"value"_s], r.lineText = f[u"text"_s], r.reason = f[u"reason"_s];
    r.field = f[u"field"_s].toLongLong();
    r.encoding = f[u"encoding"_s] == "cp932"_L1 ? TextEncoding::Cp932 : TextEncoding::Utf8;
    return r;
}

CheckItem finding(int kind, const Fields &f)
{
    CheckItem item;
    item.kind = CheckItem::Kind(kind), item.report = runReport(f);
    item.severity = item.report.isError() ? CheckItem::Error : CheckItem::Warning;
    item.count = f[u"count"_s].toLongLong(), item.total = f[u"total"_s].toLongLong();
    item.suggestion = f[u"suggestion"_s];
    // "X>Y Z": X to be used as Y, and Z with nothing in its place.
    for (const QString &c : f[u"characters"_s].split(u' ', Qt::SkipEmptyParts))
        item.characters.append({c.section(u'>', 0, 0), c.section(u'>', 1)});
    return item;
}

/// The words of one record of data/messages.txt, in the language loaded.
QString words(const Fields &f)
{
    const QString object = f[u"object"_s];
    if (object == "run"_L1)
        return describe(runReport(f));
    if (object == "finding"_L1)
        return describe(finding(Kinds.value(f[u"finding"_s]), f));
    if (object == "link"_L1)
        return describe(LinkError{LinkError::Kind(Kinds.value(f[u"kind"_s])), f[u"port"_s],
                                  f[u"device"_s], f[u"reason"_s]});
    if (object == "estimate"_L1)
        return describe(Estimate{Estimate::Passes(Kinds.value(f[u"passes"_s])),
                                 f[u"frames"_s].toLongLong(), f[u"pass"_s].toDouble(),
                                 f[u"addresses"_s] == "1"_L1, f[u"count"_s].toLongLong(),
                                 f[u"seconds"_s].toDouble()});
    CheckItem error;
    error.severity = CheckItem::Error;
    return verdict({QList<CheckItem>(f[u"errors"_s].toInt(), error) +
                        QList<CheckItem>(f[u"warnings"_s].toInt(), CheckItem()),
                    {}});
}

} // namespace

class TestMessages : public QObject
{
    Q_OBJECT
    QTranslator japanese_;

    /// The words in English, then with the catalogue loaded.
    template <typename Words> QStringList both(Words words)
    {
        const QString english = words();
        QCoreApplication::installTranslator(&japanese_);
        const QString japanese = words();
        QCoreApplication::removeTranslator(&japanese_);
        return {english, japanese};
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(japanese_.load(u":/i18n/tapwright_ja.qm"_s)); }

    void words_data()
    {
        QTest::addColumn<Fields>("fields");
        for (const auto &[name, fields] : dataRecords(u"messages.txt"_s))
            QTest::newRow(qPrintable(name)) << fields;
    }
    void words()
    {
        QFETCH(Fields, fields);
        QCOMPARE(both([&] { return ::words(fields); }),
                 (QStringList{fields[u"en"_s], fields[u"ja"_s]}));
    }

    void everyKindHasWords()
    {
        // Each kind of finding and report has words of its own, in each language.
        QSet<QString> seen;
        auto check = [&](const CheckItem &item) {
            const QStringList texts = both([&] { return describe(item); });
            QVERIFY2(texts[0] != texts[1], qPrintable(texts[0]));
            for (const QString &text : texts)
                QVERIFY2(!seen.contains(text) && !text.endsWith(u": "_s), qPrintable(text));
            seen += QSet<QString>(texts.begin(), texts.end());
        };
        const Fields f{{u"file"_s, u"m.mac"_s}, {u"line"_s, u"3"_s},     {u"command"_s, u"SLEEP"_s},
                       {u"value"_s, u"x"_s},    {u"reason"_s, u"why"_s}, {u"count"_s, u"2"_s},
                       {u"total"_s, u"5"_s}};
        for (int k = CheckItem::NegativeWait; k <= CheckItem::MoreFindings; ++k)
            check(finding(k, f));
        CheckItem item = finding(CheckItem::Run, f);
        item.report.link.kind = LinkError::OpenFailed;
        for (int k = RunReport::NoMacroFile; k <= RunReport::StringSpace; ++k) {
            item.report.kind = RunReport::Kind(k);
            item.severity = item.report.isError() ? CheckItem::Error : CheckItem::Warning;
            // The same words as LinkFailed's and MacroReadFailed's.
            if (k != RunReport::PortFailed && k != RunReport::AddrReadFailed)
                check(item);
        }
    }

    void catalogueFollowsTheLocale()
    {
        const LinkError none{LinkError::NoPortGiven, {}, {}, {}};
        QVERIFY(!loadCatalogue(QLocale(QLocale::English)));
        QCOMPARE(describe(none), u"no serial port given"_s);
        QVERIFY(loadCatalogue(QLocale(QLocale::Japanese)));
        QCOMPARE(describe(none), u"ポートが指定されていません。"_s);
    }
};

QTEST_GUILESS_MAIN(TestMessages)
#include "tst_messages.moc"
