#include "macro/textreader.h"

#include "macro/cp932.h"
#include "text/chartable.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace tapwright {

namespace {

/// Bytes read at a time; also the window that detectEncoding() looks at.
constexpr qint64 BlockSize = 64 * 1024;
/// Room in front of a block for the end of an unfinished character.
constexpr qint64 CarryRoom = 3;
/// Bytes read at a time while looking for NUL bytes at open.
constexpr qint64 ScanBlockSize = 1024 * 1024;

static_assert(MaxLineLength == 1048576, "the too-long message spells the limit out");

constexpr char16_t Cr = u'\r';
constexpr char16_t Lf = u'\n';

/// How many bytes at the end of `bytes` begin a UTF-8 character that the
/// block does not finish.
qsizetype unfinishedUtf8Tail(QByteArrayView bytes)
{
    const qsizetype size = bytes.size();
    for (qsizetype back = 1; back <= 3 && back <= size; ++back) {
        const auto byte = uchar(bytes[size - back]);
        if ((byte & 0xC0) == 0x80)
            continue;
        const qsizetype length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

/// Turns a file's bytes into UTF-16 block by block, so that a character split
/// between two blocks still comes out whole.
class BlockDecoder
{
public:
    explicit BlockDecoder(TextEncoding encoding);

    bool isValid() const { return m_cp932 ? m_cp932->isValid() : m_decoder.isValid(); }
    /// Appends the text of `bytes` to `out`. Returns how many bytes at the end
    /// were left undecoded; they belong in front of the next block.
    qsizetype decode(QByteArrayView bytes, QString &out);
    /// At end of file: what is left of an unfinished character becomes U+FFFD.
    void finish(QByteArrayView leftover, QString &out);

private:
    void append(QByteArrayView bytes, QString &out);

    TextEncoding m_encoding;
    QStringDecoder m_decoder;            ///< the UTF encodings
    std::optional<Cp932Decoder> m_cp932; ///< code page 932
};

QStringDecoder makeDecoder(TextEncoding encoding)
{
    // The UTF decoders are stateless and get whole characters only: Qt 6.4's
    // UTF-8 decoder, carrying a broken sequence over from one call to the next,
    // swallows the byte after it, which may be a line end. Stateless decoders
    // strip a BOM on every call unless told not to; ours is already gone.
    constexpr auto utf = QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom;
    switch (encoding) {
    case TextEncoding::Utf8:
        return QStringDecoder(QStringDecoder::Utf8, utf);
    case TextEncoding::Utf16LE:
        return QStringDecoder(QStringDecoder::Utf16LE, utf);
    case TextEncoding::Utf16BE:
        return QStringDecoder(QStringDecoder::Utf16BE, utf);
    case TextEncoding::Utf32LE:
        return QStringDecoder(QStringDecoder::Utf32LE, utf);
    case TextEncoding::Utf32BE:
        return QStringDecoder(QStringDecoder::Utf32BE, utf);
    case TextEncoding::Cp932:
        break;
    }
    return QStringDecoder(); // code page 932 has a Cp932Decoder of its own
}

BlockDecoder::BlockDecoder(TextEncoding encoding)
    : m_encoding(encoding), m_decoder(makeDecoder(encoding))
{
    if (encoding == TextEncoding::Cp932)
        m_cp932.emplace();
}

qsizetype BlockDecoder::decode(QByteArrayView bytes, QString &out)
{
    qsizetype keep = 0;
    switch (m_encoding) {
    case TextEncoding::Cp932:
        m_cp932->decode(bytes, out); // keeps a cut pair itself
        return 0;
    case TextEncoding::Utf8:
        keep = unfinishedUtf8Tail(bytes);
        break;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        keep = bytes.size() % 2;
        break;
    case TextEncoding::Utf32LE:
    case TextEncoding::Utf32BE:
        keep = bytes.size() % 4;
        break;
    }
    append(bytes.first(bytes.size() - keep), out);
    return keep;
}

void BlockDecoder::finish(QByteArrayView leftover, QString &out)
{
    switch (m_encoding) {
    case TextEncoding::Cp932:
        m_cp932->finish(out);
        break;
    case TextEncoding::Utf8:
        append(leftover, out); // stateless: an unfinished sequence becomes U+FFFD
        break;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
    case TextEncoding::Utf32LE:
    case TextEncoding::Utf32BE:
        if (!leftover.isEmpty())
            out.append(QChar::ReplacementCharacter);
        break;
    }
}

void BlockDecoder::append(QByteArrayView bytes, QString &out)
{
    const qsizetype from = out.size();
    out.resize(from + m_decoder.requiredSpace(bytes.size()));
    const QChar *end = m_decoder.appendToBuffer(out.data() + from, bytes);
    out.resize(end - out.constData());
}

/// How many characters of `text` the device cannot enter; U+FFFD is one of
/// them. Line ends are not typed, so they do not count.
qsizetype untypableCount(QStringView text)
{
    qsizetype count = 0;
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit != Cr && unit != Lf && !canEnter(unit))
            ++count;
    }
    return count;
}

/// The encoding of a file without a BOM.
TextEncoding guessEncoding(QByteArrayView head)
{
    // Pure ASCII reads the same either way.
    if (std::all_of(head.begin(), head.end(), [](char byte) { return uchar(byte) < 0x80; }))
        return TextEncoding::Cp932;
    // Stateful, so that a character cut in two by the end of the window is
    // kept back as unfinished rather than counted as an error.
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString asUtf8 = utf8.decode(head); // decodes only when it becomes a QString
    if (utf8.hasError())
        return TextEncoding::Cp932;
    // Half-width katakana in code page 932 are often valid UTF-8 as well (ﾊｲ,
    // CA B2, would be U+02B2), and then only one reading gives text the device
    // can enter. UTF-8 must not type worse; a tie (kanji, which neither can
    // type) goes to UTF-8, which is far less often valid by accident.
    BlockDecoder cp932(TextEncoding::Cp932);
    if (!cp932.isValid())
        return TextEncoding::Utf8;
    QString asCp932;
    cp932.decode(head, asCp932); // keeps back a pair that the window cuts in two
    return untypableCount(asUtf8) <= untypableCount(asCp932) ? TextEncoding::Utf8
                                                             : TextEncoding::Cp932;
}

} // namespace

TextEncoding detectEncoding(const QByteArray &head, int *bomLength)
{
    int bom = 0;
    TextEncoding encoding = TextEncoding::Cp932;
    if (head.startsWith("\xEF\xBB\xBF")) {
        bom = 3;
        encoding = TextEncoding::Utf8;
    } else if (head.startsWith(QByteArrayView("\xFF\xFE\0\0", 4))) {
        // Before UTF-16: its BOM starts the same way.
        bom = 4;
        encoding = TextEncoding::Utf32LE;
    } else if (head.startsWith(QByteArrayView("\0\0\xFE\xFF", 4))) {
        bom = 4;
        encoding = TextEncoding::Utf32BE;
    } else if (head.startsWith("\xFF\xFE")) {
        bom = 2;
        encoding = TextEncoding::Utf16LE;
    } else if (head.startsWith("\xFE\xFF")) {
        bom = 2;
        encoding = TextEncoding::Utf16BE;
    } else {
        encoding = guessEncoding(head);
    }
    if (bomLength)
        *bomLength = bom;
    return encoding;
}

struct TextLineReader::Private
{
    /// Decodes the next block into `text`, replacing what was there. False at
    /// end of file or on a read error.
    bool fill();
    /// Makes sure unread text is at `pos`. False when the file has no more.
    bool hasText();
    /// Consumes one line, appending it to `line` unless that is null.
    bool takeLine(QString *line);
    /// Stops the reader: nothing more is read. Returns false.
    bool fail(TextReadError kind, const QString &message);
    /// False, with the reason set, if the file has a NUL byte anywhere or
    /// cannot be read to its end. `head` is what was read so far; the file is
    /// left where it was.
    bool checkNoNul(QByteArrayView head);

    QFile file;
    TextEncoding encoding = TextEncoding::Cp932;
    std::optional<BlockDecoder> decoder;
    /// Raw bytes: the first `carried` are left over from the block before.
    QByteArray block;
    qsizetype carried = 0;
    /// Decoded text of the current block; everything before `pos` is consumed.
    QString text;
    qsizetype pos = 0;
    /// The last line ended in CR: a LF right after it is part of that end.
    bool crPending = false;
    bool exhausted = false;
    bool failed = false;
    qint64 lineNumber = 0;
    TextReadError errorKind = TextReadError::None;
    QString error;
};

bool TextLineReader::Private::fail(TextReadError kind, const QString &message)
{
    failed = true;
    errorKind = kind;
    error = message;
    return false;
}

bool TextLineReader::Private::checkNoNul(QByteArrayView head)
{
    // A file that is not text may have its first NUL byte anywhere, so the
    // whole file is searched; large blocks and memchr keep that quick even for
    // tens of megabytes.
    bool nul = std::memchr(head.data(), 0, size_t(head.size())) != nullptr;
    const qint64 resume = file.pos();
    QByteArray scan(ScanBlockSize, Qt::Uninitialized);
    while (!nul) {
        const qint64 got = file.read(scan.data(), ScanBlockSize);
        if (got < 0)
            return fail(TextReadError::ReadFailed, file.errorString());
        if (got == 0)
            break;
        nul = std::memchr(scan.constData(), 0, size_t(got)) != nullptr;
    }
    if (nul)
        return fail(TextReadError::NotText,
                    QStringLiteral("contains NUL bytes: not a text file (a UTF-16 file needs a "
                                   "byte order mark)"));
    if (!file.seek(resume))
        return fail(TextReadError::ReadFailed, file.errorString());
    return true;
}

bool TextLineReader::Private::fill()
{
    text.resize(0); // keeps the capacity, so blocks reuse one buffer
    pos = 0;
    while (!exhausted && !failed) {
        const qint64 got = file.read(block.data() + carried, BlockSize);
        if (got < 0)
            return fail(TextReadError::ReadFailed, file.errorString());
        if (got == 0) {
            exhausted = true;
            decoder->finish(QByteArrayView(block.constData(), carried), text);
            carried = 0;
            return !text.isEmpty();
        }
        const qsizetype size = carried + got;
        carried = decoder->decode(QByteArrayView(block.constData(), size), text);
        std::memmove(block.data(), block.constData() + size - carried, size_t(carried));
        // A block can decode to nothing, e.g. a lone first byte of a pair.
        if (!text.isEmpty())
            return true;
    }
    return false;
}

bool TextLineReader::Private::hasText()
{
    if (failed)
        return false;
    for (;;) {
        if (pos < text.size()) {
            if (!crPending)
                return true;
            crPending = false;
            if (text.at(pos) == Lf)
                ++pos;
            continue;
        }
        if (!fill())
            return false;
    }
}

bool TextLineReader::Private::takeLine(QString *line)
{
    if (!hasText())
        return false;
    qsizetype length = 0;
    for (;;) {
        const auto *base = reinterpret_cast<const char16_t *>(text.constData());
        const char16_t *const begin = base + pos;
        const char16_t *const end = base + text.size();
        const char16_t *p = begin;
        while (p != end && *p != Lf && *p != Cr)
            ++p;
        // Counted whether the line is kept or skipped: a file without line
        // ends must not grow one line without bound, nor be skipped as one.
        if (p - begin > MaxLineLength - length) {
            ++lineNumber;
            return fail(TextReadError::LineTooLong,
                        QStringLiteral("line %1 is too long (more than 1,048,576 characters)")
                            .arg(lineNumber));
        }
        length += p - begin;
        if (line)
            line->append(QStringView(begin, p));
        if (p != end) {
            crPending = *p == Cr;
            pos = p - base + 1;
            ++lineNumber;
            return true;
        }
        pos = text.size();
        if (!fill()) {
            if (failed)
                return false;
            ++lineNumber; // the last line, without a terminator
            return true;
        }
    }
}

TextLineReader::TextLineReader() : d(std::make_unique<Private>()) {}

TextLineReader::~TextLineReader() = default;

bool TextLineReader::open(const QString &path)
{
    d = std::make_unique<Private>();
    auto refuse = [this](TextReadError kind, const QString &message) {
        d->file.close();
        return d->fail(kind, message);
    };
    // Looked at before the open: opening a FIFO waits for a writer, which
    // nothing would interrupt, and a device is no file of lines. Links are
    // followed; a missing file is left to the open, which gives the reason.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return refuse(TextReadError::NotText,
                      info.isDir()
                          ? QStringLiteral("is a directory")
                          : QStringLiteral("is not a regular file (a FIFO, a device or a socket)"));
    d->file.setFileName(path);
    if (!d->file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return refuse(TextReadError::OpenFailed, d->file.errorString());

    d->block.resize(CarryRoom + BlockSize);
    qint64 size = 0;
    while (size < BlockSize) {
        const qint64 got = d->file.read(d->block.data() + size, BlockSize - size);
        if (got < 0)
            return refuse(TextReadError::ReadFailed, d->file.errorString());
        if (got == 0)
            break;
        size += got;
    }

    int bom = 0;
    const QByteArrayView head(d->block.constData(), size);
    d->encoding = detectEncoding(QByteArray::fromRawData(head.data(), head.size()), &bom);
    if (d->encoding == TextEncoding::Utf32LE || d->encoding == TextEncoding::Utf32BE)
        return refuse(TextReadError::NotText,
                      QStringLiteral("is UTF-32, which cannot be read; save it as code page 932, "
                                     "UTF-8 or UTF-16"));
    // A BOM says what the file is. Without one, NUL bytes mean it is not
    // text, or UTF-16 that has lost its BOM: neither can be read as lines.
    if (bom == 0 && !d->checkNoNul(head)) {
        d->file.close();
        return false;
    }
    d->decoder.emplace(d->encoding);
    if (!d->decoder->isValid())
        return refuse(
            TextReadError::OpenFailed,
            QStringLiteral("This system's Qt cannot decode code page 932 (it lacks ICU)"));
    d->carried =
        d->decoder->decode(QByteArrayView(d->block.constData() + bom, size - bom), d->text);
    std::memmove(d->block.data(), d->block.constData() + size - d->carried, size_t(d->carried));
    return true;
}

void TextLineReader::close()
{
    auto closed = std::make_unique<Private>();
    closed->errorKind = d->errorKind;
    closed->error = std::move(d->error);
    d = std::move(closed);
}

bool TextLineReader::isOpen() const
{
    return d->file.isOpen();
}

std::optional<QString> TextLineReader::readLine()
{
    QString line;
    if (!isOpen() || !d->takeLine(&line))
        return std::nullopt;
    return line;
}

qint64 TextLineReader::skipLines(qint64 count)
{
    qint64 skipped = 0;
    if (!isOpen())
        return 0;
    while (skipped < count && d->takeLine(nullptr))
        ++skipped;
    return skipped;
}

bool TextLineReader::atEnd()
{
    return !isOpen() || !d->hasText();
}

qint64 TextLineReader::lineNumber() const
{
    return d->lineNumber;
}

TextEncoding TextLineReader::encoding() const
{
    return d->encoding;
}

TextReadError TextLineReader::error() const
{
    return d->errorKind;
}

QString TextLineReader::errorString() const
{
    return d->error;
}

} // namespace tapwright
