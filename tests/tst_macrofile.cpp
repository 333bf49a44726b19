#include "macro/macrofile.h"
#include "testutil.h"

#include <cmath>

using namespace tapwright;
Q_DECLARE_METATYPE(tapwright::Command)

template <typename T> std::optional<double> asDouble(const std::optional<T> &v)
{
    return v ? std::optional<double>(double(*v)) : std::nullopt;
}

class TestMacroFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fields_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("argument keeps its case")
            << u"string aBc"_s << QStringList{u"STRING"_s, u"aBc"_s};
        QTest::newRow("double space") << u"SLEEP  5"_s << QStringList{u"SLEEP"_s, u""_s, u"5"_s};
        QTest::newRow("leading space") << u" UP"_s << QStringList{u""_s, u"UP"_s};
        QTest::newRow("trailing spaces") << u"UP  "_s << QStringList{u"UP"_s, u""_s, u""_s};
        QTest::newRow("tab is no separator") << u"basewait\t1"_s << QStringList{u"BASEWAIT\t1"_s};
        QTest::newRow("only ASCII is upper-cased")
            << u"ｕｐé x"_s << QStringList{u"ｕｐé"_s, u"x"_s};
        QTest::newRow("ideographic space is no separator")
            << u"STRING あ\u3000い"_s << QStringList{u"STRING"_s, u"あ\u3000い"_s};
    }
    void fields()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, fields);
        QCOMPARE(splitFields(line), fields);
    }

    void commands_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<Command>("command");
        QTest::addColumn<KeyCode>("key");
        QTest::newRow("key") << u"UP"_s << Command::Key << KeyCode{3, 1, 1};
        QTest::newRow("& key") << u"&UP"_s << Command::Key << KeyCode{9, 1, 1};
        QTest::newRow("SUNMENU") << u"SUNMENU"_s << Command::Key << KeyCode{3, 6, 4};
        QTest::newRow("&SUBMENU") << u"&SUBMENU"_s << Command::Key << KeyCode{9, 6, 4};
        QTest::newRow("SUBMENU") << u"SUBMENU"_s << Command::None << KeyCode{};
        QTest::newRow("&SUNMENU") << u"&SUNMENU"_s << Command::None << KeyCode{};
        QTest::newRow("lower case") << u"sleep"_s << Command::None << KeyCode{};
        QTest::newRow("empty word") << QString() << Command::None << KeyCode{};
    }
    void commands()
    {
        QFETCH(QString, word);
        QFETCH(Command, command);
        QFETCH(KeyCode, key);
        const FoundCommand found = findCommand(word);
        QCOMPARE(found.command, command);
        if (command == Command::Key)
            QCOMPARE(found.key, key);
    }

    void numbers_data()
    {
        QTest::addColumn<bool>("counter"); // else seconds
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value"); // NaN: refused
        const double no = std::nan("");
        auto seconds = [](const char *text, double value) {
            QTest::addRow("seconds \"%s\"", text) << false << QString::fromUtf8(text) << value;
        };
        auto counter = [](const char *text, double value) {
            QTest::addRow("counter \"%s\"", text) << true << QString::fromUtf8(text) << value;
        };
        seconds("2", 2);
        seconds(".25", 0.25);
        seconds("3.", 3);
        seconds("-1.5", -1.5);
        seconds("+1", 1);
        for (const char *bad : {"1,5", "1s", "1e3", "1\t", " 1", "", "-", ".", "1.2.3", "１",
                                "99999999999999999999", "inf"})
            seconds(bad, no);
        counter("0", 0);
        counter("2.5", 2); // half to even
        counter("3.5", 4);
        counter("-2.5", -2);
        counter("  12 ", 12);
        counter("40000", 40000);
        counter("2147483647", 2147483647);
        counter("-2147483648", -2147483648.0);
        for (const char *bad : {"2147483648", "2147483647.5", "-2147483649", "x", ""})
            counter(bad, no);
    }
    void numbers()
    {
        QFETCH(bool, counter);
        QFETCH(QString, text);
        QFETCH(double, value);
        const auto parsed =
            counter ? asDouble(parsePassCounter(text)) : asDouble(parseSeconds(text));
        QCOMPARE(parsed.has_value(), !std::isnan(value));
        if (parsed)
            QCOMPARE(*parsed, value);
    }
};

QTEST_GUILESS_MAIN(TestMacroFile)
#include "tst_macrofile.moc"
