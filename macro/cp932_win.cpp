// Code page 932 through the system's own table.
#include "macro/cp932.h"

#include <windows.h>

#include <bitset>

namespace tapwright {

namespace {

constexpr UINT CodePage = 932;
/// The most bytes handed to the system at once; far more than a block.
constexpr qsizetype MaxRun = 1024 * 1024;

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the system writes UTF-16 into a QString");

/// The second byte of a pair. CR and LF never are, so a pair never hides a line end.
bool isTrail(uchar byte)
{
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

/// A character of one byte: 0x00-0x7F, control bytes included, and the
/// half-width katakana A1-DF. 0x80, 0xA0 and FD-FF are none: the system's
/// table gives them private or C1 characters, where they mean nothing here.
bool isSingle(uchar byte)
{
    return byte < 0x80 || (byte >= 0xA1 && byte <= 0xDF);
}

} // namespace

struct Cp932Decoder::Private
{
    Private();
    /// Appends a run of whole characters, all of which look right by their
    /// bytes; a pair in it may still be one that the table lacks.
    void appendRun(const char *bytes, qsizetype size, QString &out);
    /// Appends one character of `size` bytes, or U+FFFD if it means nothing.
    void appendChar(const char *bytes, int size, QString &out);

    bool valid = false;
    std::bitset<256> leads;
    /// The first byte of a pair that the last piece ended with, or -1.
    int pendingLead = -1;
};

Cp932Decoder::Private::Private() : valid(IsValidCodePage(CodePage))
{
    for (int byte = 0; byte < 256; ++byte)
        leads.set(std::size_t(byte), IsDBCSLeadByteEx(CodePage, BYTE(byte)));
}

void Cp932Decoder::Private::appendRun(const char *bytes, qsizetype size, QString &out)
{
    if (size == 0)
        return;
    // One call for the whole run: a pair or a single byte never gives more
    // than one UTF-16 code unit.
    const qsizetype from = out.size();
    out.resize(from + size);
    const int written =
        MultiByteToWideChar(CodePage, MB_ERR_INVALID_CHARS, bytes, int(size),
                            reinterpret_cast<wchar_t *>(out.data() + from), int(size));
    out.resize(from + written);
    if (written > 0)
        return;
    // Some pair is not in the table: character by character, so that only
    // that pair becomes U+FFFD.
    for (qsizetype i = 0; i < size;) {
        const int length = leads.test(uchar(bytes[i])) ? 2 : 1;
        appendChar(bytes + i, length, out);
        i += length;
    }
}

void Cp932Decoder::Private::appendChar(const char *bytes, int size, QString &out)
{
    wchar_t unit = 0;
    if (MultiByteToWideChar(CodePage, MB_ERR_INVALID_CHARS, bytes, size, &unit, 1) == 1)
        out.append(QChar(char16_t(unit)));
    else
        out.append(QChar::ReplacementCharacter);
}

Cp932Decoder::Cp932Decoder() : d(std::make_unique<Private>()) {}

Cp932Decoder::~Cp932Decoder() = default;

bool Cp932Decoder::isValid() const
{
    return d->valid;
}

void Cp932Decoder::decode(QByteArrayView bytes, QString &out)
{
    if (bytes.isEmpty())
        return;
    // The broken sequences are decoded as on other systems: a first byte
    // whose second is no second byte of a pair is U+FFFD on its own, and that
    // second byte is read again as the start of a character; a pair that
    // looks right but is not in the table is one U+FFFD.
    if (d->pendingLead >= 0) {
        const char pair[2] = {char(d->pendingLead), bytes.front()};
        d->pendingLead = -1;
        if (isTrail(uchar(pair[1]))) {
            d->appendChar(pair, 2, out);
            bytes = bytes.sliced(1);
        } else {
            out.append(QChar::ReplacementCharacter);
        }
    }
    const char *const data = bytes.data();
    const qsizetype size = bytes.size();
    qsizetype run = 0;
    qsizetype i = 0;
    while (i < size) {
        if (i - run >= MaxRun) {
            d->appendRun(data + run, i - run, out);
            run = i;
        }
        const auto byte = uchar(data[i]);
        if (d->leads.test(byte)) {
            if (i + 1 == size) {
                d->appendRun(data + run, i - run, out);
                d->pendingLead = byte;
                return;
            }
            if (isTrail(uchar(data[i + 1]))) {
                i += 2;
                continue;
            }
        } else if (isSingle(byte)) {
            ++i;
            continue;
        }
        d->appendRun(data + run, i - run, out);
        out.append(QChar::ReplacementCharacter);
        run = ++i;
    }
    d->appendRun(data + run, size - run, out);
}

void Cp932Decoder::finish(QString &out)
{
    if (d->pendingLead >= 0)
        out.append(QChar::ReplacementCharacter);
    d->pendingLead = -1;
}

struct Cp932Encoder::Private
{
};

Cp932Encoder::Cp932Encoder() : d(std::make_unique<Private>()) {}

Cp932Encoder::~Cp932Encoder() = default;

bool Cp932Encoder::isValid() const
{
    return IsValidCodePage(CodePage);
}

std::optional<QByteArray> Cp932Encoder::encode(QStringView character)
{
    if (character.isEmpty())
        return std::nullopt;
    const auto *wide = reinterpret_cast<const wchar_t *>(character.utf16());
    const int length = int(character.size());
    // No best fit: a character the code page lacks is not written as a
    // look-alike (U+00A5 as a backslash); the default character marks it.
    BOOL usedDefault = FALSE;
    char bytes[8];
    const int size = WideCharToMultiByte(CodePage, WC_NO_BEST_FIT_CHARS, wide, length, bytes,
                                         int(sizeof bytes), nullptr, &usedDefault);
    if (size <= 0 || usedDefault)
        return std::nullopt;
    // Bytes this program's decoder reads as nothing (0x80, 0xA0, FD-FF) are
    // no character of the code page here either.
    Cp932Decoder check;
    QString back;
    check.decode(QByteArrayView(bytes, size), back);
    check.finish(back);
    if (back != character)
        return std::nullopt;
    return QByteArray(bytes, size);
}

} // namespace tapwright
