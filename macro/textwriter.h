#pragma once

#include "macro/textreader.h"

#include <optional>
#include <QByteArray>
#include <QString>

namespace tapwright {

/// How a text file is written: the way it was read.
struct TextFormat
{
    /// Code page 932, UTF-8 or UTF-16 (with its BOM); UTF-32 is never read.
    TextEncoding encoding = TextEncoding::Cp932;
    bool utf8Bom = false; ///< a UTF-8 file began with a BOM
    /// The first line end the file had: CR LF, LF or CR.
    QString lineEnd = QStringLiteral("\r\n");
};

/// A text file read whole, for an editor.
struct TextFile
{
    /// The lines, separated by LF; it ends in LF when the file's last line
    /// had a line end.
    QString text;
    TextFormat format;
};

/// Reads a file whole, its lines as TextLineReader reads them. Nothing on
/// failure, with the reader's reason in `*error`.
std::optional<TextFile> readTextFile(const QString &path, QString *error);

/// Why a text was not written.
struct TextWriteError
{
    enum Kind
    {
        None,
        Unencodable, ///< `character` on `line` has no bytes in the encoding
        SaveFailed,  ///< the system refused: `reason`
    };
    Kind kind = None;
    qint64 line = 0;   ///< 1-based
    QString character; ///< one character, a surrogate pair whole
    QString reason;
};

/// The bytes of `text` (lines separated by LF) in `format`, or nothing with
/// the first character the encoding lacks in `*error`.
std::optional<QByteArray> encodeText(const QString &text, const TextFormat &format,
                                     TextWriteError *error);

/// Writes `text` in `format` to `path` whole or not at all: a file already
/// there stays as it was unless the new one is complete.
TextWriteError writeTextFile(const QString &path, const QString &text, const TextFormat &format);

} // namespace tapwright
