#pragma once

#include <QString>
#include <memory>
#include <optional>

namespace tapwright {

/// How a text file's bytes are read.
enum class TextEncoding {
    Cp932,   ///< the default: code page 932 (Shift_JIS with Microsoft's extensions)
    Utf8,    ///< a UTF-8 BOM, or valid UTF-8 that types no worse than code page 932
    Utf16LE, ///< a UTF-16 little-endian BOM
    Utf16BE, ///< a UTF-16 big-endian BOM
    Utf32LE, ///< a UTF-32 little-endian BOM: recognised only to be refused
    Utf32BE, ///< a UTF-32 big-endian BOM: recognised only to be refused
};

/// Why a TextLineReader stopped; errorString() words it.
enum class TextReadError
{
    None,
    OpenFailed,  ///< missing, no access, or the system failed the open
    NotText,     ///< a directory, FIFO or device, NUL bytes without a BOM, or UTF-32
    ReadFailed,  ///< the system failed a read after the open
    LineTooLong, ///< a line longer than MaxLineLength
};

/// A file without a BOM that reads as valid text both in UTF-8 and in code
/// page 932, with different text: which reading was taken was a guess.
struct EncodingGuess
{
    TextEncoding other; ///< the reading not taken
    qint64 line = 0;    ///< the first line that reads differently in it
    QString otherText;  ///< that line as the other reading has it
};

/// The longest line a TextLineReader accepts, in UTF-16 code units.
inline constexpr qsizetype MaxLineLength = 1024 * 1024;

/// Reads a text file one line at a time, never ahead and never whole: only a
/// small buffer and the current line are in memory, however large the file.
///
/// A line ends at CR LF, at a lone CR or at a lone LF; the terminator is not
/// part of the line, and a last line without one is still a line. The encoding
/// is chosen once, at open: a BOM decides, and is never part of the first line.
/// Without one the whole file is read once before the first line: it is code
/// page 932 unless it is valid UTF-8 throughout, not pure ASCII, and its UTF-8
/// reading has no more characters the device cannot enter (canEnter(), one
/// code unit at a time; CR and LF aside) than its code page 932 reading. Bytes
/// that cannot be decoded become U+FFFD.
/// Only regular files (or links to them) are read, and a file that has NUL
/// bytes and no BOM is refused: it is not text.
class TextLineReader
{
public:
    TextLineReader();
    ~TextLineReader();
    TextLineReader(const TextLineReader &) = delete;
    TextLineReader &operator=(const TextLineReader &) = delete;

    /// Opens the file and picks its encoding. On failure returns false;
    /// errorString() holds the system's reason ("No such file or directory")
    /// or why the file is not text ("is a directory", "is not a regular file
    /// (a FIFO, a device or a socket)", "contains NUL bytes: not a text file (a
    /// UTF-16 file needs a byte order mark)", "is UTF-32, which cannot be read;
    /// save it as code page 932, UTF-8 or UTF-16"). Never opens anything but a
    /// regular file, so it cannot block on a FIFO.
    bool open(const QString &path);
    /// Reads `bytes` as open() reads a file's: a text that is not in a file.
    bool openBytes(const QByteArray &bytes);
    void close();
    bool isOpen() const;

    /// The next line, or nothing at end of file or after an error, which
    /// errorString() then describes. A line longer than MaxLineLength is an
    /// error ("line N is too long (more than 1,048,576 characters)"), and
    /// lineNumber() is then N.
    std::optional<QString> readLine();
    /// Skips up to `count` lines without keeping them; returns how many were
    /// skipped, fewer than `count` only at end of file or after an error, as
    /// for readLine(). Nothing for count <= 0.
    qint64 skipLines(qint64 count);
    /// True once the last line has been consumed (at once for an empty file).
    bool atEnd();

    /// Number of lines consumed so far (read or skipped), so the 1-based
    /// number of the line readLine() returned last; after a line that was too
    /// long, that line's number.
    qint64 lineNumber() const;
    TextEncoding encoding() const;
    /// Set when the encoding was a guess between two valid readings.
    const std::optional<EncodingGuess> &guess() const;
    /// What went wrong last, TextReadError::None if nothing has.
    TextReadError error() const;
    QString errorString() const;

private:
    /// Picks the encoding of what open() or openBytes() opened.
    bool start();

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace tapwright
