#include "link/keytable.h"

#include <iterator>

namespace tapwright {

namespace {

std::vector<KeyName> buildKeyNames()
{
    std::vector<KeyName> plain;
    auto add = [&plain](const QString &name, int row, int column) {
        plain.push_back({name, KeyCode{3, row, column}});
    };
    add(QStringLiteral("UP"), 1, 1);
    add(QStringLiteral("DOWN"), 1, 2);
    add(QStringLiteral("LEFT"), 1, 3);
    add(QStringLiteral("RIGHT"), 1, 4);
    for (int digit = 1; digit <= 9; ++digit)
        add(QString::number(digit), 2, digit);
    add(QStringLiteral("0"), 2, 10);
    add(QStringLiteral("#"), 2, 11);
    add(QStringLiteral("*"), 2, 12);
    add(QStringLiteral("ONHOOK"), 2, 13);
    add(QStringLiteral("OFFHOOK"), 2, 14);
    add(QStringLiteral("HENKAN"), 6, 1);
    add(QStringLiteral("ENTER"), 6, 2);
    add(QStringLiteral("CLEAR"), 6, 3);
    add(QStringLiteral("SUNMENU"), 6, 4);
    add(QStringLiteral("MOJI"), 6, 5);
    for (int i = 1; i <= 5; ++i)
        add(QStringLiteral("I%1").arg(i), 6, i);
    // Thirty function keys share five columns per row: F1, F6 and F11 are one key.
    for (int n = 1; n <= 30; ++n)
        add(QStringLiteral("F%1").arg(n), n <= 15 ? 3 : 4, (n - 1) % 5 + 1);

    std::vector<KeyName> all = plain;
    for (const KeyName &key : plain) {
        // The device manual spells this one key differently in its "&" form.
        const QString name = key.name == QLatin1String("SUNMENU") ? QStringLiteral("&SUBMENU")
                                                                   : QLatin1Char('&') + key.name;
        all.push_back({name, KeyCode{9, key.code.row, key.code.column}});
    }
    return all;
}

std::vector<ButtonEntry> buildButtons()
{
    struct Row
    {
        const char16_t *caption;
        int row;
        int column;
    };
    static const Row rows[] = {
        {u"f1", 6, 1},    {u"f2", 6, 2},  {u"f3", 6, 3},     {u"f4", 6, 4},   {u"f5", 6, 5},
        {u"f6", 6, 6},    {u"f7", 6, 7},  {u"f8", 6, 8},     {u"f9", 6, 9},   {u"f10", 6, 10},
        {u"i1", 6, 1},    {u"i2", 6, 2},  {u"i3", 6, 3},     {u"i4", 6, 4},   {u"i5", 6, 5},
        {u"変換", 6, 1},  {u"", 0, 0},    {u"↑", 1, 1},      {u"メニュ", 6, 4}, {u"←", 1, 3},
        {u"■", 6, 2},     {u"→", 1, 4},   {u"文字", 6, 5},   {u"↓", 1, 2},    {u"OFF", 2, 14},
        {u"クリア", 6, 3}, {u"ON", 2, 13}, {u"1", 2, 1},      {u"2", 2, 2},    {u"3", 2, 3},
        {u"4", 2, 4},     {u"5", 2, 5},   {u"6", 2, 6},      {u"7", 2, 7},    {u"8", 2, 8},
        {u"9", 2, 9},     {u"*", 2, 12},  {u"0", 2, 10},     {u"#", 2, 11},
    };
    static_assert(std::size(rows) == ConnectButtonIndex);
    std::vector<ButtonEntry> buttons;
    int index = 0;
    for (const Row &r : rows) {
        ButtonEntry entry{index++, QString::fromUtf16(r.caption), std::nullopt};
        if (r.row != 0)
            entry.code = KeyCode{3, r.row, r.column};
        buttons.push_back(entry);
    }
    buttons.push_back({ConnectButtonIndex, QString(), std::nullopt});
    return buttons;
}

} // namespace

const std::vector<KeyName> &keyNameTable()
{
    static const std::vector<KeyName> table = buildKeyNames();
    return table;
}

std::optional<KeyCode> findKeyName(QStringView word)
{
    for (const KeyName &key : keyNameTable()) {
        if (key.name == word)
            return key.code;
    }
    return std::nullopt;
}

QString keyNameOf(const KeyCode &code)
{
    for (const KeyName &key : keyNameTable()) {
        if (key.code == code)
            return key.name;
    }
    return QString();
}

const std::vector<ButtonEntry> &buttonTable()
{
    static const std::vector<ButtonEntry> table = buildButtons();
    return table;
}

std::optional<KeyCode> buttonCode(int index)
{
    if (index < 0 || index >= ButtonCount)
        return std::nullopt;
    return buttonTable()[static_cast<std::size_t>(index)].code;
}

QString asciiUpper(QStringView text)
{
    QString result = text.toString();
    for (QChar &c : result) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - u'a' + u'A');
    }
    return result;
}

} // namespace tapwright
