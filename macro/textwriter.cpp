#include "macro/textwriter.h"

#include "macro/cp932.h"

#include <QFile>
#include <QSaveFile>
#include <QStringEncoder>
#include <QStringList>

namespace tapwright {

namespace {

const QByteArray Utf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

/// The code unit at `at` of a file's bytes in `encoding`.
char16_t unitAt(const QByteArray &bytes, qsizetype at, TextEncoding encoding)
{
    const auto byte = [&bytes](qsizetype i) { return char16_t(uchar(bytes[i])); };
    switch (encoding) {
    case TextEncoding::Utf16LE:
        return char16_t(byte(at) | byte(at + 1) << 8);
    case TextEncoding::Utf16BE:
        return char16_t(byte(at) << 8 | byte(at + 1));
    default:
        // CR and LF are never part of a longer character in the others.
        return byte(at);
    }
}

} // namespace

std::optional<TextFile> readTextFile(const QString &path, QString *error)
{
    // The path's checks are the reader's (a FIFO is never opened); then the
    // bytes are read once, and the lines and the line ends both come from them.
    TextLineReader reader;
    if (!reader.open(path)) {
        *error = reader.errorString();
        return std::nullopt;
    }
    reader.close();
    QFile raw(path);
    if (!raw.open(QIODevice::ReadOnly)) {
        *error = raw.errorString();
        return std::nullopt;
    }
    const QByteArray bytes = raw.readAll();
    if (!reader.openBytes(bytes)) {
        *error = reader.errorString();
        return std::nullopt;
    }
    QStringList lines;
    while (const std::optional<QString> line = reader.readLine())
        lines.append(*line);
    if (!reader.errorString().isEmpty()) {
        *error = reader.errorString();
        return std::nullopt;
    }
    TextFile file;
    file.format.encoding = reader.encoding();
    file.text = lines.join(QLatin1Char('\n'));

    // The line ends are read from the bytes: the reader takes them all alike.
    const bool utf16 = file.format.encoding == TextEncoding::Utf16LE ||
                       file.format.encoding == TextEncoding::Utf16BE;
    const qsizetype unit = utf16 ? 2 : 1;
    file.format.utf8Bom = file.format.encoding == TextEncoding::Utf8 && bytes.startsWith(Utf8Bom);
    const qsizetype end = bytes.size() - bytes.size() % unit;
    for (qsizetype at = 0; at < end; at += unit) {
        const char16_t c = unitAt(bytes, at, file.format.encoding);
        if (c == u'\n') {
            file.format.lineEnd = QStringLiteral("\n");
            break;
        }
        if (c == u'\r') {
            const bool lf =
                at + unit < end && unitAt(bytes, at + unit, file.format.encoding) == u'\n';
            file.format.lineEnd = lf ? QStringLiteral("\r\n") : QStringLiteral("\r");
            break;
        }
    }
    if (end > 0 && !lines.isEmpty()) {
        const char16_t last = unitAt(bytes, end - unit, file.format.encoding);
        if (last == u'\n' || last == u'\r')
            file.text.append(QLatin1Char('\n'));
    }
    return file;
}

std::optional<QByteArray> encodeText(const QString &text, const TextFormat &format,
                                     TextWriteError *error)
{
    QString body = text;
    body.replace(QLatin1Char('\n'), format.lineEnd);
    const bool cp932 = format.encoding == TextEncoding::Cp932;
    Cp932Encoder encoder;
    QByteArray out;
    qint64 line = 1;
    // Every character is looked at: a lone surrogate has no bytes in any of
    // the encodings, and code page 932 has only some characters.
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text[i];
        const qsizetype length =
            c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
        const QStringView character = QStringView(text).mid(i, length);
        std::optional<QByteArray> bytes;
        if (c.isSurrogate() && length == 1)
            bytes.reset();
        else if (!cp932)
            bytes.emplace(); // the UTF encoders below write it
        else if (c == u'\n')
            bytes = format.lineEnd.toLatin1();
        else
            bytes = encoder.encode(character);
        if (!bytes) {
            error->kind = TextWriteError::Unencodable;
            error->line = line;
            error->character = character.toString();
            return std::nullopt;
        }
        out += *bytes;
        if (c == u'\n')
            ++line;
        i += length;
    }
    switch (format.encoding) {
    case TextEncoding::Cp932:
        return out;
    case TextEncoding::Utf16LE:
        return QByteArrayLiteral("\xFF\xFE") + QStringEncoder(QStringEncoder::Utf16LE).encode(body);
    case TextEncoding::Utf16BE:
        return QByteArrayLiteral("\xFE\xFF") + QStringEncoder(QStringEncoder::Utf16BE).encode(body);
    default:
        return (format.utf8Bom ? Utf8Bom : QByteArray()) +
               QStringEncoder(QStringEncoder::Utf8).encode(body);
    }
}

TextWriteError writeTextFile(const QString &path, const QString &text, const TextFormat &format)
{
    TextWriteError error;
    const std::optional<QByteArray> bytes = encodeText(text, format, &error);
    if (!bytes)
        return error;
    // Written beside the file and put in its place only when complete; never
    // straight into it, even where the folder allows no new file.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size() || !file.commit()) {
        error.kind = TextWriteError::SaveFailed;
        error.reason = file.errorString();
    }
    return error;
}

} // namespace tapwright
