#include "device/framedecoder.h"

#include "link/keytable.h"
#include "text/chartable.h"

#include <algorithm>
#include <QHash>
#include <QSet>

namespace tapwright {

namespace {

constexpr qsizetype FrameSize = 8;
constexpr qsizetype HeaderSize = qsizetype(FrameHeader.size());
// Long runs of noise are cut into pieces of this many bytes, so that a line
// carrying nothing but noise still shows up bit by bit.
constexpr qsizetype HexPieceBytes = 16;

int codeKey(const KeyCode &code)
{
    return (code.table << 16) | (code.row << 8) | code.column;
}

qint64 pairKey(const KeyCode &base, const KeyCode &mark)
{
    return (qint64(codeKey(base)) << 32) | qint64(codeKey(mark));
}

/// The full-width voiced kana, taken from the two-frame entries of the
/// character table so that sending and decoding can never disagree.
struct Compositions
{
    QHash<qint64, QString> byPair;
    QSet<int> bases;
};

const Compositions &compositions()
{
    static const Compositions built = [] {
        Compositions c;
        for (const CharEntry &entry : CharTable()) {
            // Table 1 pairs stay two characters: ｶﾞ is written that way.
            if (entry.codes.size() != 2 || entry.codes[0].table != 2)
                continue;
            c.byPair.insert(pairKey(entry.codes[0], entry.codes[1]), entry.key);
            c.bases.insert(codeKey(entry.codes[0]));
        }
        return c;
    }();
    return built;
}

DevicePiece hexPiece(const QByteArray &bytes)
{
    return {DevicePiece::Noise,
            QLatin1Char('<') + QString::fromLatin1(bytes.toHex(' ').toUpper()) + QLatin1Char('>')};
}

/// Whether the bytes from `at` on could be the start of a frame: they agree
/// with the header as far as they go.
bool headerPrefixAt(const QByteArray &data, qsizetype at)
{
    const qsizetype n = std::min(HeaderSize, data.size() - at);
    for (qsizetype i = 0; i < n; ++i) {
        if (std::uint8_t(data[at + i]) != FrameHeader[std::size_t(i)])
            return false;
    }
    return true;
}

void releaseHeld(std::optional<KeyCode> &held, DevicePieces &out)
{
    if (held) {
        out << FrameDecoder::describe(*held);
        held.reset();
    }
}

void addFrame(std::optional<KeyCode> &held, const KeyCode &code, DevicePieces &out)
{
    const Compositions &c = compositions();
    if (held) {
        const auto composed = c.byPair.constFind(pairKey(*held, code));
        if (composed != c.byPair.cend()) {
            out << DevicePiece{DevicePiece::Character, composed.value()};
            held.reset();
            return;
        }
        releaseHeld(held, out);
    }
    if (c.bases.contains(codeKey(code)))
        held = code;
    else
        out << FrameDecoder::describe(code);
}

} // namespace

DevicePiece FrameDecoder::describe(const KeyCode &code)
{
    const auto key = [](const QString &name) {
        return DevicePiece{DevicePiece::Key, QLatin1Char('[') + name + QLatin1Char(']')};
    };
    if (code.table == 3 || code.table == 9) {
        const QString name = keyNameOf(code);
        if (!name.isEmpty())
            return key(name);
        // Only the keypad reaches f6 to f10; it has no "&" form of them.
        if (code.table == 3) {
            for (const ButtonEntry &button : buttonTable()) {
                if (button.code && *button.code == code)
                    return key(button.caption);
            }
        }
    } else if (code.table == 1 || code.table == 2) {
        const QString c = charOf(code);
        if (!c.isEmpty())
            return {DevicePiece::Character, c};
    }
    return {DevicePiece::Unknown,
            QStringLiteral("[?%1,%2,%3]").arg(code.table).arg(code.row).arg(code.column)};
}

DevicePieces FrameDecoder::feed(const QByteArray &bytes)
{
    DevicePieces out;
    pending_ += bytes;
    qsizetype at = 0;
    while (at < pending_.size()) {
        if (!headerPrefixAt(pending_, at)) {
            // Noise between a kana and a mark means they were not one keystroke.
            releaseHeld(held_, out);
            noise_.append(pending_[at]);
            if (noise_.size() == HexPieceBytes) {
                out << hexPiece(noise_);
                noise_.clear();
            }
            ++at;
            continue;
        }
        if (pending_.size() - at < FrameSize)
            break; // the rest of this frame is still on its way
        if (!noise_.isEmpty()) {
            out << hexPiece(noise_);
            noise_.clear();
        }
        const KeyCode code{std::uint8_t(pending_[at + 5]), std::uint8_t(pending_[at + 6]),
                           std::uint8_t(pending_[at + 7])};
        addFrame(held_, code, out);
        at += FrameSize;
    }
    pending_.remove(0, at);
    return out;
}

DevicePieces FrameDecoder::flush()
{
    DevicePieces out;
    releaseHeld(held_, out);
    const QByteArray rest = noise_ + pending_;
    noise_.clear();
    pending_.clear();
    for (qsizetype at = 0; at < rest.size(); at += HexPieceBytes)
        out << hexPiece(rest.mid(at, HexPieceBytes));
    return out;
}

} // namespace tapwright
