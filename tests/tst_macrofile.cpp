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

    void numbers()
    {
        // "text=value" rows, "no" for refused; halves go to the even neighbour.
        for (const QString &row :
             u"2=2|.25=0.25|3.=3|-1.5=-1.5|+1=1|1,5=no|1s=no|1e3=no|1\t=no| 1=no|=no|-=no|.=no|"
             "1.2.3=no|１=no|99999999999999999999=no|inf=no|"
             // Up to where a wait's nanoseconds still fit the clock.
             "1000000000=1e+09|1000000000.000=1e+09|999999999.9=1e+09|-1000000000=-1e+09|"
             "1000000000.1=no|1000000001=no|-1000000001=no|9300000000=no"_s.split(u'|')) {
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
};

QTEST_GUILESS_MAIN(TestMacroFile)
#include "tst_macrofile.moc"
