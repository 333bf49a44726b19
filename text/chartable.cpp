#include "text/chartable.h"

#include <QHash>

#include <array>

namespace tapwright {

namespace {

constexpr int Rows = 15;
constexpr int Columns = 15;
using Grid = char16_t[Rows][Columns];

// Table 1: the half-width set. 0 marks a cell with no character.
const Grid HalfWidth = {
    {0xFF71, 0xFF72, 0xFF73, 0xFF74, 0xFF75, u'A', u'B', u'C', u'D', u'E', u'F', u'G', u'H', u'I', u'J'},
    {0xFF76, 0xFF77, 0xFF78, 0xFF79, 0xFF7A, u'K', u'L', u'M', u'N', u'O', u'P', u'Q', u'R', u'S', u'T'},
    {0xFF7B, 0xFF7C, 0xFF7D, 0xFF7E, 0xFF7F, u'U', u'V', u'W', u'X', u'Y', u'Z', 0, 0, 0, 0},
    {0xFF80, 0xFF81, 0xFF82, 0xFF83, 0xFF84, u'a', u'b', u'c', u'd', u'e', u'f', u'g', u'h', u'i', u'j'},
    {0xFF85, 0xFF86, 0xFF87, 0xFF88, 0xFF89, u'k', u'l', u'm', u'n', u'o', u'p', u'q', u'r', u's', u't'},
    {0xFF8A, 0xFF8B, 0xFF8C, 0xFF8D, 0xFF8E, u'u', u'v', u'w', u'x', u'y', u'z', 0, 0, 0, 0},
    {0xFF8F, 0xFF90, 0xFF91, 0xFF92, 0xFF93, u'@', u'.', u'/', u',', u'-', u'_', u':', u'\'', 0, u'&'},
    {0xFF94, u'(', 0xFF95, u')', 0xFF96, u'"', u'$', u'%', u'+', u';', u'<', u'=', u'>', u'\\', u'['},
    {0xFF97, 0xFF98, 0xFF99, 0xFF9A, 0xFF9B, u']', u'^', u'{', u'|', u'}', 0xFF62, 0xFF63, u'~', u' ', u'`'},
    {0xFF9C, 0xFF66, 0xFF9D, 0xFF9E, 0xFF9F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0xFF67, 0xFF68, 0xFF69, 0xFF6A, 0xFF6B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0xFF6F, 0xFF6C, 0xFF6D, 0xFF6E, 0xFF70, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0xFF64, 0xFF61, 0xFF65, u'!', u'?', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {u'1', u'2', u'3', u'4', u'5', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {u'6', u'7', u'8', u'9', u'0', u'#', u'*', 0, 0, 0, 0, 0, 0, 0, 0},
};

// Table 2: the full-width set, each character at the place of its half-width
// counterpart, with hiragana where table 1 has katakana. The places of the
// quotation mark (row 8, column 6) and the tilde (row 9, column 13) are empty
// on the device.
const Grid FullWidth = {
    {0x3042, 0x3044, 0x3046, 0x3048, 0x304A, 0xFF21, 0xFF22, 0xFF23, 0xFF24, 0xFF25, 0xFF26, 0xFF27, 0xFF28, 0xFF29, 0xFF2A},
    {0x304B, 0x304D, 0x304F, 0x3051, 0x3053, 0xFF2B, 0xFF2C, 0xFF2D, 0xFF2E, 0xFF2F, 0xFF30, 0xFF31, 0xFF32, 0xFF33, 0xFF34},
    {0x3055, 0x3057, 0x3059, 0x305B, 0x305D, 0xFF35, 0xFF36, 0xFF37, 0xFF38, 0xFF39, 0xFF3A, 0, 0, 0, 0},
    {0x305F, 0x3061, 0x3064, 0x3066, 0x3068, 0xFF41, 0xFF42, 0xFF43, 0xFF44, 0xFF45, 0xFF46, 0xFF47, 0xFF48, 0xFF49, 0xFF4A},
    {0x306A, 0x306B, 0x306C, 0x306D, 0x306E, 0xFF4B, 0xFF4C, 0xFF4D, 0xFF4E, 0xFF4F, 0xFF50, 0xFF51, 0xFF52, 0xFF53, 0xFF54},
    {0x306F, 0x3072, 0x3075, 0x3078, 0x307B, 0xFF55, 0xFF56, 0xFF57, 0xFF58, 0xFF59, 0xFF5A, 0, 0, 0, 0},
    {0x307E, 0x307F, 0x3080, 0x3081, 0x3082, 0xFF20, 0xFF0E, 0xFF0F, 0xFF0C, 0xFF0D, 0xFF3F, 0xFF1A, 0x2019, 0, 0xFF06},
    {0x3084, 0xFF08, 0x3086, 0xFF09, 0x3088, 0, 0xFF04, 0xFF05, 0xFF0B, 0xFF1B, 0xFF1C, 0xFF1D, 0xFF1E, 0xFFE5, 0xFF3B},
    {0x3089, 0x308A, 0x308B, 0x308C, 0x308D, 0xFF3D, 0xFF3E, 0xFF5B, 0xFF5C, 0xFF5D, 0x300C, 0x300D, 0, 0x3000, 0x2018},
    {0x308F, 0x3092, 0x3093, 0x309B, 0x309C, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0x3041, 0x3043, 0x3045, 0x3047, 0x3049, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0x3063, 0x3083, 0x3085, 0x3087, 0x30FC, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0x3001, 0x3002, 0x30FB, 0xFF01, 0xFF1F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0xFF11, 0xFF12, 0xFF13, 0xFF14, 0xFF15, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0xFF16, 0xFF17, 0xFF18, 0xFF19, 0xFF10, 0xFF03, 0xFF0A, 0, 0, 0, 0, 0, 0, 0, 0},
};

// The sound marks sit in row 10 of both tables.
constexpr int MarkRow = 10;
constexpr int VoicedColumn = 4;
constexpr int SemiVoicedColumn = 5;
// The consonant lines that take sound marks: ka, sa, ta (voiced) and ha
// (voiced and semi-voiced).
constexpr int VoicedRows[] = {2, 3, 4, 6};
constexpr int HaRow = 6;

std::vector<CharEntry> buildTable()
{
    std::vector<CharEntry> entries;
    auto addGrid = [&entries](const Grid &grid, int table) {
        for (int row = 1; row <= Rows; ++row) {
            for (int column = 1; column <= Columns; ++column) {
                const char16_t c = grid[row - 1][column - 1];
                if (c != 0)
                    entries.push_back({QString(QChar(c)), {KeyCode{table, row, column}}});
            }
        }
    };
    addGrid(HalfWidth, 1);
    addGrid(FullWidth, 2);

    // Voiced hiragana are single characters; in Unicode each follows its base
    // directly (か 304B, が 304C), and on the ha line the semi-voiced form
    // follows the voiced one (は 306F, ば 3070, ぱ 3071).
    for (int row : VoicedRows) {
        for (int column = 1; column <= 5; ++column) {
            const char16_t base = FullWidth[row - 1][column - 1];
            const KeyCode baseCode{2, row, column};
            entries.push_back({QString(QChar(char16_t(base + 1))),
                               {baseCode, KeyCode{2, MarkRow, VoicedColumn}}});
            if (row == HaRow)
                entries.push_back({QString(QChar(char16_t(base + 2))),
                                   {baseCode, KeyCode{2, MarkRow, SemiVoicedColumn}}});
        }
    }
    // Half-width voiced kana are written as the base followed by its mark.
    const QChar voicedMark(HalfWidth[MarkRow - 1][VoicedColumn - 1]);
    const QChar semiVoicedMark(HalfWidth[MarkRow - 1][SemiVoicedColumn - 1]);
    for (int row : VoicedRows) {
        for (int column = 1; column <= 5; ++column) {
            const QChar base(HalfWidth[row - 1][column - 1]);
            const KeyCode baseCode{1, row, column};
            entries.push_back({QString(base) + voicedMark,
                               {baseCode, KeyCode{1, MarkRow, VoicedColumn}}});
            if (row == HaRow)
                entries.push_back({QString(base) + semiVoicedMark,
                                   {baseCode, KeyCode{1, MarkRow, SemiVoicedColumn}}});
        }
    }
    return entries;
}

int codeKey(const KeyCode &code)
{
    return (code.table << 16) | (code.row << 8) | code.column;
}

/// The table looked up by code unit and by key, built once.
struct Index
{
    /// For each code unit, 1 + the index of its one-unit entry; 0 for none.
    std::array<quint16, 0x10000> byUnit{};
    /// The entries of two code units (a half-width kana and its mark).
    std::vector<std::size_t> pairs;
    QHash<int, QString> byCode;
};

const Index &index()
{
    static const Index idx = [] {
        Index built;
        const std::vector<CharEntry> &table = CharTable();
        for (std::size_t i = 0; i < table.size(); ++i) {
            const CharEntry &entry = table[i];
            if (entry.key.size() == 1)
                built.byUnit[entry.key[0].unicode()] = quint16(i + 1);
            else
                built.pairs.push_back(i);
            if (entry.codes.size() == 1)
                built.byCode.insert(codeKey(entry.codes.front()), entry.key);
        }
        return built;
    }();
    return idx;
}

} // namespace

const std::vector<CharEntry> &CharTable()
{
    static const std::vector<CharEntry> table = buildTable();
    return table;
}

const CharEntry *findChar(QStringView text)
{
    const Index &idx = index();
    if (text.size() == 1) {
        const quint16 at = idx.byUnit[text[0].unicode()];
        return at ? &CharTable()[at - 1] : nullptr;
    }
    if (text.size() == 2) {
        for (const std::size_t i : idx.pairs) {
            if (CharTable()[i].key == text)
                return &CharTable()[i];
        }
    }
    return nullptr;
}

int framesOf(char16_t unit)
{
    const quint16 at = index().byUnit[unit];
    return at ? int(CharTable()[at - 1].codes.size()) : 0;
}

QString charOf(const KeyCode &code)
{
    return index().byCode.value(codeKey(code));
}

} // namespace tapwright
