#include "macro/macrofile.h"
#include "testutil.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tapwright;
Q_DECLARE_METATYPE(tapwright::Command)

class TestMacroFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fields_data();
    void fields();
    void commands_data();
    void commands();
    void seconds_data();
    void seconds();
    void passCounter_data();
    void passCounter();
    void readerSkipsBlankLinesAndCountsThem();
};

void TestMacroFile::fields_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("word and argument") << QStringLiteral("sleep 1.5")
                                       << QStringList{QStringLiteral("SLEEP"), QStringLiteral("1.5")};
    QTest::newRow("argument keeps its case")
        << QStringLiteral("string aBc") << QStringList{QStringLiteral("STRING"), QStringLiteral("aBc")};
    QTest::newRow("double space gives an empty field")
        << QStringLiteral("SLEEP  5")
        << QStringList{QStringLiteral("SLEEP"), QString(), QStringLiteral("5")};
    QTest::newRow("leading space gives an empty word")
        << QStringLiteral(" UP") << QStringList{QString(), QStringLiteral("UP")};
    QTest::newRow("trailing spaces") << QStringLiteral("UP  ")
                                     << QStringList{QStringLiteral("UP"), QString(), QString()};
    QTest::newRow("spaces only") << QStringLiteral("  ") << QStringList{QString(), QString(), QString()};
    QTest::newRow("tab is no separator") << QStringLiteral("basewait\t1")
                                         << QStringList{QStringLiteral("BASEWAIT\t1")};
    QTest::newRow("only ASCII is upper-cased")
        << QStringLiteral("ｕｐé x") << QStringList{QStringLiteral("ｕｐé"), QStringLiteral("x")};
    QTest::newRow("ideographic space is no separator")
        << QStringLiteral("STRING あ\u3000い") << QStringList{QStringLiteral("STRING"), QStringLiteral("あ\u3000い")};
}

void TestMacroFile::fields()
{
    QFETCH(QString, line);
    QFETCH(QStringList, fields);
    QCOMPARE(splitFields(line), fields);
}

void TestMacroFile::commands_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<Command>("command");
    QTest::addColumn<KeyCode>("key");
    QTest::newRow("key") << QStringLiteral("UP") << Command::Key << KeyCode{3, 1, 1};
    QTest::newRow("& key") << QStringLiteral("&UP") << Command::Key << KeyCode{9, 1, 1};
    QTest::newRow("SUNMENU") << QStringLiteral("SUNMENU") << Command::Key << KeyCode{3, 6, 4};
    QTest::newRow("&SUBMENU") << QStringLiteral("&SUBMENU") << Command::Key << KeyCode{9, 6, 4};
    QTest::newRow("SUBMENU is nothing") << QStringLiteral("SUBMENU") << Command::None << KeyCode{};
    QTest::newRow("&SUNMENU is nothing") << QStringLiteral("&SUNMENU") << Command::None << KeyCode{};
    QTest::newRow("BASEWAIT") << QStringLiteral("BASEWAIT") << Command::BaseWait << KeyCode{};
    QTest::newRow("SLEEP") << QStringLiteral("SLEEP") << Command::Sleep << KeyCode{};
    QTest::newRow("REPEAT") << QStringLiteral("REPEAT") << Command::Repeat << KeyCode{};
    QTest::newRow("GETSTR") << QStringLiteral("GETSTR") << Command::GetStr << KeyCode{};
    QTest::newRow("SENDSTR") << QStringLiteral("SENDSTR") << Command::SendStr << KeyCode{};
    QTest::newRow("STRING") << QStringLiteral("STRING") << Command::String << KeyCode{};
    QTest::newRow("lower case is not found here") << QStringLiteral("sleep") << Command::None << KeyCode{};
    QTest::newRow("empty word") << QString() << Command::None << KeyCode{};
    QTest::newRow("comment-like") << QStringLiteral("'") << Command::None << KeyCode{};
}

void TestMacroFile::commands()
{
    QFETCH(QString, word);
    QFETCH(Command, command);
    QFETCH(KeyCode, key);
    const FoundCommand found = findCommand(word);
    QCOMPARE(found.command, command);
    if (command == Command::Key)
        QCOMPARE(found.key, key);
}

void TestMacroFile::seconds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<float>("value");
    QTest::newRow("whole") << QStringLiteral("2") << true << 2.0f;
    QTest::newRow("fraction") << QStringLiteral("0.5") << true << 0.5f;
    QTest::newRow("leading point") << QStringLiteral(".25") << true << 0.25f;
    QTest::newRow("trailing point") << QStringLiteral("3.") << true << 3.0f;
    QTest::newRow("negative") << QStringLiteral("-1.5") << true << -1.5f;
    QTest::newRow("plus") << QStringLiteral("+1") << true << 1.0f;
    QTest::newRow("comma") << QStringLiteral("1,5") << false << 0.0f;
    QTest::newRow("unit") << QStringLiteral("1s") << false << 0.0f;
    QTest::newRow("exponent") << QStringLiteral("1e3") << false << 0.0f;
    QTest::newRow("trailing tab") << QStringLiteral("1\t") << false << 0.0f;
    QTest::newRow("space") << QStringLiteral(" 1") << false << 0.0f;
    QTest::newRow("empty") << QString() << false << 0.0f;
    QTest::newRow("sign only") << QStringLiteral("-") << false << 0.0f;
    QTest::newRow("point only") << QStringLiteral(".") << false << 0.0f;
    QTest::newRow("two points") << QStringLiteral("1.2.3") << false << 0.0f;
    QTest::newRow("full-width digits") << QStringLiteral("１") << false << 0.0f;
    QTest::newRow("absurdly long") << QStringLiteral("99999999999999999999") << false << 0.0f;
    QTest::newRow("infinity") << QStringLiteral("inf") << false << 0.0f;
}

void TestMacroFile::seconds()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(float, value);
    const auto parsed = parseSeconds(text);
    QCOMPARE(parsed.has_value(), valid);
    if (valid)
        QCOMPARE(*parsed, value);
}

void TestMacroFile::passCounter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");
    QTest::newRow("zero") << QStringLiteral("0") << true << 0;
    QTest::newRow("half to even, down") << QStringLiteral("2.5") << true << 2;
    QTest::newRow("half to even, up") << QStringLiteral("3.5") << true << 4;
    QTest::newRow("negative half") << QStringLiteral("-2.5") << true << -2;
    QTest::newRow("below half") << QStringLiteral("2.49") << true << 2;
    QTest::newRow("spaces around") << QStringLiteral("  12 ") << true << 12;
    QTest::newRow("largest") << QStringLiteral("2147483647") << true << 2147483647;
    QTest::newRow("smallest") << QStringLiteral("-2147483648") << true << int(-2147483647 - 1);
    QTest::newRow("past largest") << QStringLiteral("2147483648") << false << 0;
    QTest::newRow("rounds past largest") << QStringLiteral("2147483647.5") << false << 0;
    QTest::newRow("past 16 bits is fine") << QStringLiteral("40000") << true << 40000;
    QTest::newRow("letters") << QStringLiteral("x") << false << 0;
    QTest::newRow("empty") << QString() << false << 0;
}

void TestMacroFile::passCounter()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, value);
    const auto parsed = parsePassCounter(text);
    QCOMPARE(parsed.has_value(), valid);
    if (valid)
        QCOMPARE(*parsed, value);
}

void TestMacroFile::readerSkipsBlankLinesAndCountsThem()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("m.mac"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    // CP932: "STRING ｱ" with a half-width kana, then blank lines and a line of spaces.
    f.write("\r\nup 3\r\n\r\n\r\nSTRING \xB1\r\n \r\n\r\n");
    f.close();
    MacroReader reader;
    QVERIFY(reader.open(path));
    std::vector<std::pair<qint64, QStringList>> steps;
    while (const auto step = reader.next())
        steps.emplace_back(step->line, step->fields);
    QCOMPARE(steps.size(), std::size_t(3));
    QCOMPARE(steps[0].first, 2);
    QCOMPARE(steps[0].second, (QStringList{QStringLiteral("UP"), QStringLiteral("3")}));
    QCOMPARE(steps[1].first, 5);
    QCOMPARE(steps[1].second, (QStringList{QStringLiteral("STRING"), QStringLiteral("ｱ")}));
    QCOMPARE(steps[2].first, 6);
    QCOMPARE(steps[2].second, (QStringList{QString(), QString()}));
    QVERIFY(reader.errorString().isEmpty());
}

QTEST_GUILESS_MAIN(TestMacroFile)
#include "tst_macrofile.moc"
