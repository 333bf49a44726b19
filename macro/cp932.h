#pragma once

#include <memory>
#include <optional>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace tapwright {

/// Decodes code page 932 (Shift_JIS with Microsoft's extensions) piece by
/// piece, as the pieces of a file come in. Bytes 0x00-0x7F, control bytes
/// included, are themselves (0x5C is a backslash, 0x7E a tilde), A1-DF are
/// half-width katakana, and a byte or pair that means nothing becomes U+FFFD;
/// the same on every system.
class Cp932Decoder
{
public:
    Cp932Decoder();
    ~Cp932Decoder();
    Cp932Decoder(const Cp932Decoder &) = delete;
    Cp932Decoder &operator=(const Cp932Decoder &) = delete;

    /// False if this system cannot decode code page 932.
    bool isValid() const;
    /// Appends the text of `bytes` to `out`; a pair cut by the end of `bytes`
    /// is kept for the next call.
    void decode(QByteArrayView bytes, QString &out);
    /// At end of file: a lone first byte of a pair becomes U+FFFD.
    void finish(QString &out);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

/// Encodes code page 932 one character at a time: the counterpart of
/// Cp932Decoder for the characters the code page has. A character it lacks is
/// refused, never replaced by a look-alike.
class Cp932Encoder
{
public:
    Cp932Encoder();
    ~Cp932Encoder();
    Cp932Encoder(const Cp932Encoder &) = delete;
    Cp932Encoder &operator=(const Cp932Encoder &) = delete;

    /// False if this system cannot encode code page 932.
    bool isValid() const;
    /// The bytes of `character`, one character (a surrogate pair is one), or
    /// nothing when the code page has no bytes for it.
    std::optional<QByteArray> encode(QStringView character);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace tapwright
