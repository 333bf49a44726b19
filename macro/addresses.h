#pragma once

#include "macro/textreader.h"

#include <optional>
#include <QString>
#include <QStringList>

namespace tapwright {

/// How the entries of an address file are cut into fields.
enum class FieldFormat
{
    Tabs, ///< a line an entry, its fields separated by tabs
    Csv,  ///< a CSV record an entry, as spreadsheets write it
};

/// A file whose name ends in ".csv", in any case, is CSV; any other is read
/// a line an entry, with tabs between the fields.
FieldFormat fieldFormatOf(const QString &path);

/// What one GETSTR takes from an address file.
struct AddressEntry
{
    /// The entry as read: a line, or a CSV record with the line breaks inside
    /// its quotes as LF. A plain SENDSTR types it whole.
    QString text;
    qint64 line = 0;   ///< the file's line it starts on, 1-based
    qint64 number = 0; ///< its place in the file, 1-based
};

/// Cuts an entry into its fields: at every tab, or as a CSV record (fields
/// between commas; a field in double quotes holds commas, line breaks and
/// doubled quotes for one). Text after a field's closing quote is kept, as
/// spreadsheets read it. There is always at least one field.
QStringList fieldsOf(const QString &entry, FieldFormat format);

/// The entry's name, as the windows and the status line show it: its first
/// field.
QString nameOf(const QString &entry, FieldFormat format);

/// What SENDSTR `n` types of `entry`, which fieldsOf() cut into `fields`:
/// field n (1-based), or the whole entry for 0; nothing when the entry has
/// fewer fields.
std::optional<QString> fieldOf(const QString &entry, const QStringList &fields, qint64 n);

/// Reads an address file one entry at a time, never ahead: a line, or for a
/// CSV file a record, which goes on over the next lines while a quote is
/// open. Only the current entry is kept.
class AddressReader
{
public:
    /// Opens the file; its name says how it is cut into fields. On failure
    /// returns false, and lines() tells why.
    bool open(const QString &path);
    void close();
    FieldFormat format() const { return format_; }

    /// The next entry, or nothing at end of file or after an error: the
    /// reader's own (lines()), or a quote that is never closed.
    std::optional<AddressEntry> next();
    /// Skips up to `count` entries; returns how many were skipped, fewer
    /// only at the end of the file or after an error. Nothing for count <= 0.
    qint64 skip(qint64 count);
    /// The entries taken so far, read or skipped.
    qint64 entries() const { return entries_; }
    /// The line on which the field whose quote is never closed begins; 0
    /// while there is none. A quoted field longer than any line may be
    /// (MaxLineLength) counts as never closed.
    qint64 unclosedQuoteLine() const { return unclosedQuote_; }
    /// Whether the last next() or skip() stopped on an error.
    bool failed() const { return unclosedQuote_ > 0 || !reader_.errorString().isEmpty(); }
    /// The lines under the entries: the encoding, the line numbers, the
    /// reader's errors.
    const TextLineReader &lines() const { return reader_; }

private:
    TextLineReader reader_;
    FieldFormat format_ = FieldFormat::Tabs;
    qint64 entries_ = 0;
    qint64 unclosedQuote_ = 0;
};

} // namespace tapwright
