#include "macro/macrofile.h"
#include "testutil.h"

class TestMacroFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fieldsSplitAtEverySingleSpace_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("argument keeps its case") << u"string aBc"_s
                                                 << QStringList{u"STRING"_s, u"aBc"_s};
        QTest::newRow("double space") << u"SLEEP  5"_s << QStringList{u"SLEEP"_s, u""_s, u"5"_s};
        QTest::newRow("leading space") << u" UP"_s << QStringList{u""_s, u"UP"_s};
        QTest::newRow("trailing spaces") << u"UP  "_s << QStringList{u"UP"_s, u""_s, u""_s};
        QTest::newRow("tab is no separator") << u"basewait\t1"_s << QStringList{u"BASEWAIT\t1"_s};
        QTest::newRow("only ASCII upper-cased") << u"ｕｐé x"_s << QStringList{u"ｕｐé"_s, u"x"_s};
        QTest::newRow("ideographic space") << u"STRING あ\u3000い"_s
                                           << QStringList{u"STRING"_s, u"あ\u3000い"_s};
    }
    void fieldsSplitAtEverySingleSpace()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, fields);
        QCOMPARE(splitFields(line), fields);
    }

    void commands()
    {
        // The file's words are upper-cased before this exact search.
        const QStringList keys = u"UP &UP SUNMENU &SUBMENU"_s.split(u' ');
        const Codes codes{{3, 1, 1}, {9, 1, 1}, {3, 6, 4}, {9, 6, 4}};
        for (int i = 0; i < 4; ++i)
            QVERIFY(findCommand(keys[i]).command == Command::Key &&
                    findCommand(keys[i]).key == codes[i]);
        QVERIFY(findCommand(u"SLEEP").command == Command::Sleep);
        for (const QString &none : u"SUBMENU &SUNMENU sleep "_s.split(u' '))
            QVERIFY2(findCommand(none).command == Command::None, qPrintable(none));
    }

    void numbers()
    {
        // "text=value" rows, "no" for refused; halves go to the even neighbour.
        for (const QString &row :
             u"2=2|.25=0.25|3.=3|-1.5=-1.5|+1=1|1,5=no|1s=no|1e3=no|1\t=no| 1=no|=no|-=no|.=no|"
             "1.2.3=no|１=no|99999999999999999999=no|inf=no"_s.split(u'|')) {
            const std::optional<float> value = parseSeconds(row.section(u'=', 0, 0));
            QCOMPARE(row.section(u'=', 0, 0) + u'=' + (value ? QString::number(*value) : u"no"_s),
                     row);
        }
        for (const QString &row :
             u"0=0|2.5=2|3.5=4|-2.5=-2|  12 =12|2147483647=2147483647|-2147483648=-2147483648|"
             "2147483648=no|2147483647.5=no|-2147483649=no|x=no|=no"_s.split(u'|')) {
            const std::optional<qint32> value = parsePassCounter(row.section(u'=', 0, 0));
            QCOMPARE(row.section(u'=', 0, 0) + u'=' + (value ? QString::number(*value) : u"no"_s),
                     row);
        }
    }

    void waitsStopWhereNanosecondsStillFit_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<float>("seconds");
        QTest::addRow("limit") << u"1000000000"_s << true << 1e9f;
        QTest::addRow("limit, fraction") << u"1000000000.000"_s << true << 1e9f;
        QTest::addRow("just below, rounds to the limit") << u"999999999.9"_s << true << 1e9f;
        QTest::addRow("negative limit") << u"-1000000000"_s << true << -1e9f;
        QTest::addRow("just over") << u"1000000000.1"_s << false << 0.0f;
        QTest::addRow("one over") << u"1000000001"_s << false << 0.0f;
        QTest::addRow("negative, over") << u"-1000000001"_s << false << 0.0f;
        QTest::addRow("overflowed the clock") << u"9300000000"_s << false << 0.0f;
    }
    void waitsStopWhereNanosecondsStillFit()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(float, seconds);
        const std::optional<float> value = parseSeconds(text);
        QCOMPARE(value.has_value(), accepted);
        if (!value)
            return;
        QCOMPARE(*value, seconds);
        // A wait's deadline, as the clock counts it: UBSan stops the test
        // should the sum overflow.
        const qint64 ns = static_cast<qint64>(double(std::fabs(*value)) * 1e9);
        const std::chrono::nanoseconds now = std::chrono::steady_clock::now().time_since_epoch();
        const qint64 deadline = now.count() + ns;
        QVERIFY(deadline > ns);
    }
};

QTEST_GUILESS_MAIN(TestMacroFile)
#include "tst_macrofile.moc"
