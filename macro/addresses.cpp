#include "macro/addresses.h"

#include <utility>

namespace tapwright {

namespace {

/// Where the reading of a CSV record stands.
enum class Csv
{
    FieldStart, ///< at the start of a field
    Plain,      ///< in a field without quotes
    Quoted,     ///< inside a field's quotes
    QuoteSeen,  ///< a quote inside quotes: closing, or the first of a pair
};

// CSV is read by hand: Qt has no reader of it, and the rules spreadsheets
// write by are few.
/// Reads `c` of a CSV record: adds what belongs to the field's text to
/// `field`, if given, and returns true at the comma that ends the field.
bool readCsv(Csv &state, QChar c, QString *field)
{
    switch (state) {
    case Csv::FieldStart:
        if (c == u'"') {
            state = Csv::Quoted;
            return false;
        }
        state = Csv::Plain;
        [[fallthrough]];
    case Csv::Plain:
        if (c == u',') {
            state = Csv::FieldStart;
            return true;
        }
        break;
    case Csv::Quoted:
        if (c == u'"') {
            state = Csv::QuoteSeen;
            return false;
        }
        break;
    case Csv::QuoteSeen:
        if (c == u'"') {
            state = Csv::Quoted; // a doubled quote stands for one
            break;
        }
        // The quotes are closed; what follows up to the comma is kept.
        state = c == u',' ? Csv::FieldStart : Csv::Plain;
        if (state == Csv::FieldStart)
            return true;
        break;
    }
    if (field)
        field->append(c);
    return false;
}

} // namespace

FieldFormat fieldFormatOf(const QString &path)
{
    return path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive) ? FieldFormat::Csv
                                                                     : FieldFormat::Tabs;
}

QString nameOf(const QString &entry, FieldFormat format)
{
    return fieldsOf(entry, format).constFirst();
}

std::optional<QString> fieldOf(const QString &entry, const QStringList &fields, qint64 n)
{
    if (n <= 0)
        return entry;
    if (n > fields.size())
        return std::nullopt;
    return fields.at(n - 1);
}

QStringList fieldsOf(const QString &entry, FieldFormat format)
{
    if (format == FieldFormat::Tabs)
        return entry.split(u'\t');
    QStringList fields;
    QString field;
    Csv state = Csv::FieldStart;
    for (const QChar c : entry) {
        if (readCsv(state, c, &field))
            fields << std::exchange(field, QString());
    }
    fields << field;
    return fields;
}

bool AddressReader::open(const QString &path)
{
    format_ = fieldFormatOf(path);
    entries_ = 0;
    unclosedQuote_ = 0;
    return reader_.open(path);
}

void AddressReader::close()
{
    reader_.close();
}

std::optional<AddressEntry> AddressReader::next()
{
    if (unclosedQuote_ > 0)
        return std::nullopt;
    std::optional<QString> line = reader_.readLine();
    if (!line)
        return std::nullopt;
    AddressEntry entry{std::move(*line), reader_.lineNumber(), entries_ + 1};
    if (format_ == FieldFormat::Csv) {
        Csv state = Csv::FieldStart;
        qint64 quoteLine = 0;
        const auto scan = [&](QStringView text, qint64 lineNumber) {
            for (const QChar c : text) {
                if (state == Csv::FieldStart && c == u'"')
                    quoteLine = lineNumber;
                readCsv(state, c, nullptr);
            }
        };
        scan(entry.text, entry.line);
        // A line break inside quotes belongs to the field: the entry goes on.
        while (state == Csv::Quoted) {
            line = reader_.readLine();
            if (!line || entry.text.size() + line->size() >= MaxLineLength) {
                if (line || reader_.errorString().isEmpty())
                    unclosedQuote_ = quoteLine;
                return std::nullopt;
            }
            const QString more = QLatin1Char('\n') + *line;
            scan(more, reader_.lineNumber());
            entry.text += more;
        }
    }
    ++entries_;
    return entry;
}

qint64 AddressReader::skip(qint64 count)
{
    if (format_ == FieldFormat::Tabs) {
        const qint64 skipped = reader_.skipLines(count);
        entries_ += skipped;
        return skipped;
    }
    qint64 skipped = 0;
    while (skipped < count && next())
        ++skipped;
    return skipped;
}

} // namespace tapwright
