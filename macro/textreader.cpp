#include "macro/textreader.h"

#include "macro/cp932.h"
#include "text/chartable.h"

#include <QBuffer>
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

/// The encoding a BOM at the start of `head` gives, and its length; nothing
/// without one.
std::optional<TextEncoding> bomEncoding(QByteArrayView head, int *bomLength)
{
    static const struct
    {
        QByteArrayView bom;
        TextEncoding encoding;
    } boms[] = {
        {QByteArrayView("\xEF\xBB\xBF", 3), TextEncoding::Utf8},
        // Before UTF-16: its BOM starts the same way.
        {QByteArrayView("\xFF\xFE\0\0", 4), TextEncoding::Utf32LE},
        {QByteArrayView("\0\0\xFE\xFF", 4), TextEncoding::Utf32BE},
        {QByteArrayView("\xFF\xFE", 2), TextEncoding::Utf16LE},
        {QByteArrayView("\xFE\xFF", 2), TextEncoding::Utf16BE},
    };
    for (const auto &b : boms) {
        if (head.startsWith(b.bom)) {
            *bomLength = int(b.bom.size());
            return b.encoding;
        }
    }
    *bomLength = 0;
    return std::nullopt;
}

/// Both readings of a file without a BOM, taken in as its blocks come, up to
/// the first byte that is not valid UTF-8.
class ReadingsScan
{
public:
    /// Takes the next block in.
    void add(QByteArrayView bytes)
    {
        if (!m_utf8Valid)
            return;
        qsizetype from = 0;
        if (m_firstLine == 0) {
            // Pure ASCII reads the same either way: lines are only counted.
            for (; from < bytes.size() && uchar(bytes[from]) < 0x80; ++from) {
                const char byte = bytes[from];
                if (byte == '\n' && !m_crBefore)
                    ++m_lines;
                if (byte == '\r')
                    ++m_lines;
                if (byte == '\n' || byte == '\r')
                    m_lineStart = m_offset + from + 1;
                m_crBefore = byte == '\r';
            }
            m_offset += from;
            if (from == bytes.size())
                return;
            m_firstLine = m_lines + 1;
        }
        const QByteArrayView rest = bytes.sliced(from);
        const QString asUtf8 = m_utf8.decode(rest);
        if (m_utf8.hasError()) {
            m_utf8Valid = false;
            return;
        }
        m_unfinished = unfinishedUtf8Tail(rest) > 0;
        QString asCp932;
        m_cp932.decode(rest, asCp932);
        m_utf8Untypable += untypableCount(asUtf8);
        m_cp932Untypable += untypableCount(asCp932);
        m_cp932Valid = m_cp932Valid && !asCp932.contains(QChar::ReplacementCharacter);
    }

    /// At end of file: the encoding to read the file in.
    TextEncoding finish()
    {
        // A character left unfinished at the end is no valid UTF-8.
        m_utf8Valid = m_utf8Valid && !m_unfinished;
        if (m_firstLine == 0 || !m_utf8Valid)
            return TextEncoding::Cp932;
        QString tail;
        m_cp932.finish(tail);
        m_cp932Untypable += untypableCount(tail);
        m_cp932Valid = m_cp932Valid && !tail.contains(QChar::ReplacementCharacter);
        // Half-width katakana in code page 932 are often valid UTF-8 as well
        // (ﾊｲ, CA B2, would be U+02B2), and then only one reading gives text
        // the device can enter. UTF-8 must not type worse; a tie (kanji, which
        // neither can type) goes to UTF-8, which is far less often valid by
        // accident.
        return m_utf8Untypable <= m_cp932Untypable ? TextEncoding::Utf8 : TextEncoding::Cp932;
    }

    /// Both readings were valid and differ: from this line on, which starts
    /// at this byte.
    bool bothValid() const { return m_firstLine > 0 && m_utf8Valid && m_cp932Valid; }
    qint64 firstLine() const { return m_firstLine; }
    qint64 firstLineStart() const { return m_lineStart; }

private:
    QStringDecoder m_utf8{QStringDecoder::Utf8};
    Cp932Decoder m_cp932;
    bool m_utf8Valid = true;
    bool m_cp932Valid = true;
    bool m_unfinished = false; ///< the last block ends inside a UTF-8 character
    qsizetype m_utf8Untypable = 0;
    qsizetype m_cp932Untypable = 0;
    qint64 m_lines = 0; ///< line ends before the first byte beyond ASCII
    bool m_crBefore = false;
    qint64 m_offset = 0;    ///< bytes counted so far, up to that byte
    qint64 m_lineStart = 0; ///< where the line holding it starts
    qint64 m_firstLine = 0; ///< its line; 0 while the file is ASCII
};

} // namespace

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
    /// Reads a file without a BOM once to its end: it has no NUL byte, and
    /// its encoding is chosen on the whole of it. False, with the reason set,
    /// otherwise. The file is left where it was.
    bool scan();
    /// The line that starts at byte `offset`, read in `encoding`.
    QString lineAt(qint64 offset, TextEncoding encoding);

    QFile file;
    QBuffer memory;
    /// The file, or the text in memory: what the lines are read from.
    QIODevice *io = &file;
    TextEncoding encoding = TextEncoding::Cp932;
    std::optional<EncodingGuess> guess;
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

bool TextLineReader::Private::scan()
{
    // A file that is not text may have its first NUL byte anywhere, so the
    // whole file is searched; large blocks and memchr keep that quick even for
    // tens of megabytes, and the readings are only decoded while both may be
    // valid.
    const qint64 resume = io->pos();
    if (!io->seek(0))
        return fail(TextReadError::ReadFailed, io->errorString());
    ReadingsScan readings;
    QByteArray block(ScanBlockSize, Qt::Uninitialized);
    for (;;) {
        const qint64 got = io->read(block.data(), ScanBlockSize);
        if (got < 0)
            return fail(TextReadError::ReadFailed, io->errorString());
        if (got == 0)
            break;
        if (std::memchr(block.constData(), 0, size_t(got)))
            return fail(TextReadError::NotText,
                        QStringLiteral("contains NUL bytes: not a text file (a UTF-16 file needs "
                                       "a byte order mark)"));
        readings.add(QByteArrayView(block.constData(), got));
    }
    encoding = readings.finish();
    if (readings.bothValid()) {
        const TextEncoding other =
            encoding == TextEncoding::Utf8 ? TextEncoding::Cp932 : TextEncoding::Utf8;
        guess =
            EncodingGuess{other, readings.firstLine(), lineAt(readings.firstLineStart(), other)};
    }
    if (!io->seek(resume))
        return fail(TextReadError::ReadFailed, io->errorString());
    return true;
}

QString TextLineReader::Private::lineAt(qint64 offset, TextEncoding encoding)
{
    QByteArray bytes;
    if (!io->seek(offset))
        return QString();
    // Up to the line's end; a line too long for a message is cut.
    while (bytes.size() < BlockSize) {
        const QByteArray more = io->read(BlockSize);
        if (more.isEmpty())
            break;
        bytes += more;
        const qsizetype end = bytes.indexOf('\n') < 0 ? bytes.indexOf('\r') : bytes.indexOf('\n');
        if (end >= 0) {
            bytes.truncate(end);
            break;
        }
    }
    if (const qsizetype cr = bytes.indexOf('\r'); cr >= 0)
        bytes.truncate(cr);
    BlockDecoder decoder(encoding);
    QString line;
    const qsizetype keep = decoder.decode(bytes, line);
    decoder.finish(QByteArrayView(bytes).last(keep), line);
    return line;
}

bool TextLineReader::Private::fill()
{
    text.resize(0); // keeps the capacity, so blocks reuse one buffer
    pos = 0;
    while (!exhausted && !failed) {
        const qint64 got = io->read(block.data() + carried, BlockSize);
        if (got < 0)
            return fail(TextReadError::ReadFailed, io->errorString());
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
    return start();
}

bool TextLineReader::openBytes(const QByteArray &bytes)
{
    d = std::make_unique<Private>();
    d->memory.setData(bytes);
    d->memory.open(QIODevice::ReadOnly);
    d->io = &d->memory;
    return start();
}

bool TextLineReader::start()
{
    auto refuse = [this](TextReadError kind, const QString &message) {
        d->io->close();
        return d->fail(kind, message);
    };
    d->block.resize(CarryRoom + BlockSize);
    qint64 size = 0;
    while (size < BlockSize) {
        const qint64 got = d->io->read(d->block.data() + size, BlockSize - size);
        if (got < 0)
            return refuse(TextReadError::ReadFailed, d->io->errorString());
        if (got == 0)
            break;
        size += got;
    }

    int bom = 0;
    const QByteArrayView head(d->block.constData(), size);
    if (const std::optional<TextEncoding> marked = bomEncoding(head, &bom)) {
        d->encoding = *marked;
        if (d->encoding == TextEncoding::Utf32LE || d->encoding == TextEncoding::Utf32BE)
            return refuse(TextReadError::NotText,
                          QStringLiteral("is UTF-32, which cannot be read; save it as code page "
                                         "932, UTF-8 or UTF-16"));
    } else if (!d->scan()) {
        // A BOM says what the file is. Without one, NUL bytes mean it is not
        // text, or UTF-16 that has lost its BOM: neither can be read as lines.
        d->io->close();
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
    return d->io->isOpen();
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

const std::optional<EncodingGuess> &TextLineReader::guess() const
{
    return d->guess;
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
