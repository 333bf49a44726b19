// Code page 932 through Qt's ICU-backed decoder.
#include "macro/cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <cstring>

namespace tapwright {

struct Cp932Decoder::Private
{
    void append(QByteArrayView bytes, QString &out);

    // ICU's windows-31j is Microsoft's table (0x5C is a backslash, 0x8160 is
    // U+FF5E), whatever name() then reports. Stateful, because only ICU knows
    // where a two-byte character starts. Undecodable bytes come out as U+0000
    // so that decode() can find them; by default ICU writes U+001A for some
    // and U+FFFD for others.
    QStringDecoder decoder{"windows-31j", QStringDecoder::Flag::ConvertInvalidToNull};
};

void Cp932Decoder::Private::append(QByteArrayView bytes, QString &out)
{
    const qsizetype from = out.size();
    out.resize(from + decoder.requiredSpace(bytes.size()));
    const QChar *end = decoder.appendToBuffer(out.data() + from, bytes);
    out.resize(end - out.constData());
}

Cp932Decoder::Cp932Decoder() : d(std::make_unique<Private>()) {}

Cp932Decoder::~Cp932Decoder() = default;

bool Cp932Decoder::isValid() const
{
    return d->decoder.isValid();
}

void Cp932Decoder::decode(QByteArrayView bytes, QString &out)
{
    // Two things are put right after ICU. It marks undecodable bytes with
    // U+0000, as a real NUL byte also decodes; and its table follows IBM's PC
    // habit for three control bytes (0x1A -> U+001C, 0x1C -> U+007F,
    // 0x7F -> U+001A) where code page 932 keeps them as they are. None of these
    // bytes can be the second byte of a pair, so each real NUL is decoded as
    // the last byte of a piece, and comes out as that piece's last character.
    while (!bytes.isEmpty()) {
        const void *nul = std::memchr(bytes.data(), 0, size_t(bytes.size()));
        const qsizetype length =
            nul ? static_cast<const char *>(nul) - bytes.data() + 1 : bytes.size();
        const qsizetype from = out.size();
        d->append(bytes.first(length), out);
        Q_ASSERT(!nul || out.endsWith(QChar(0)));
        char16_t *const end = reinterpret_cast<char16_t *>(out.data()) + out.size() - (nul ? 1 : 0);
        for (char16_t *c = reinterpret_cast<char16_t *>(out.data()) + from; c != end; ++c) {
            switch (*c) {
            case 0x0000:
                *c = QChar::ReplacementCharacter;
                break;
            case 0x001C:
                *c = 0x001A;
                break;
            case 0x007F:
                *c = 0x001C;
                break;
            case 0x001A:
                *c = 0x007F;
                break;
            default:
                break;
            }
        }
        bytes = bytes.sliced(length);
    }
}

void Cp932Decoder::finish(QString &out)
{
    // ICU keeps a lone first byte of a pair until more input comes, and Qt
    // never tells it the input has ended. A NUL cannot complete a pair, so it
    // flushes that byte out; then the NUL itself is dropped.
    const char nul = '\0';
    decode(QByteArrayView(&nul, 1), out);
    out.chop(1);
}

struct Cp932Encoder::Private
{
    QStringEncoder encoder{"windows-31j"};
};

Cp932Encoder::Cp932Encoder() : d(std::make_unique<Private>()) {}

Cp932Encoder::~Cp932Encoder() = default;

bool Cp932Encoder::isValid() const
{
    return d->encoder.isValid();
}

std::optional<QByteArray> Cp932Encoder::encode(QStringView character)
{
    // Bytes 0x00-0x7F are themselves; ICU would move three control bytes as
    // its decoder does (see decode()).
    if (character.size() == 1 && character[0].unicode() < 0x80)
        return QByteArray(1, char(character[0].unicode()));
    QByteArray bytes = d->encoder.encode(character);
    // ICU writes its substitute (FC FC) for a character it lacks, and says so;
    // the bytes are read back as well, so that only bytes that decode to the
    // character itself are ever written.
    Cp932Decoder check;
    QString back;
    check.decode(bytes, back);
    check.finish(back);
    if (d->encoder.hasError() || bytes.isEmpty() || back != character) {
        d->encoder.resetState();
        return std::nullopt;
    }
    return bytes;
}

} // namespace tapwright
