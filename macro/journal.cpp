#include "macro/journal.h"

#include "macro/addresses.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>

namespace tapwright {

namespace {

// What tells our journals from any other JSON file in the folder.
const char *const Format = "tapwright-journal";
constexpr int Version = 1;
// A journal is a few hundred bytes, but for a port's part of a split list:
// of 1M entries over 2 ports, at worst every other entry, 3.5 MB of numbers.
// Anything much larger is not one.
constexpr qint64 MaxJournalBytes = 4 * 1024 * 1024;
// More entries than a port types in months, at a few a second: a journal
// that names more is damaged, and is not spelled out in memory.
constexpr qint64 MaxDelivered = 1 << 24;

QString absolute(const QString &path)
{
    return path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

/// Sorted numbers as ranges, "1-5,9,12-14".
QString rangesOf(const QList<qint64> &numbers)
{
    QString text;
    for (qsizetype i = 0; i < numbers.size();) {
        qsizetype last = i;
        while (last + 1 < numbers.size() && numbers.at(last + 1) == numbers.at(last) + 1)
            ++last;
        if (!text.isEmpty())
            text += QLatin1Char(',');
        text += QString::number(numbers.at(i));
        if (last > i)
            text += QLatin1Char('-') + QString::number(numbers.at(last));
        i = last + 1;
    }
    return text;
}

/// The numbers of rangesOf()'s text; nothing unless they rise from 1 up.
std::optional<QList<qint64>> numbersOf(const QString &text)
{
    QList<qint64> numbers;
    if (text.isEmpty())
        return numbers;
    for (const QString &range : text.split(QLatin1Char(','))) {
        const qsizetype dash = range.indexOf(QLatin1Char('-'));
        bool firstOk = false, lastOk = false;
        const qint64 first = range.left(dash < 0 ? range.size() : dash).toLongLong(&firstOk);
        const qint64 last = dash < 0 ? first : range.mid(dash + 1).toLongLong(&lastOk);
        if (!firstOk || (dash >= 0 && !lastOk) || first < 1 || last < first ||
            (!numbers.isEmpty() && first <= numbers.constLast()) ||
            last - first >= MaxDelivered - numbers.size())
            return std::nullopt;
        for (qint64 n = first; n <= last; ++n)
            numbers << n;
    }
    return numbers;
}

} // namespace

QString journalFolder()
{
    // Not the application's own folder: the two programs are named apart,
    // and a run begun in one may be taken up in the other.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/tapwright/journal");
}

namespace {

QString hashedPath(const QStringList &parts)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            hash.addData(QByteArrayView("\0", 1)); // no pair of paths runs together
        hash.addData(parts.at(i).toUtf8());
    }
    return journalFolder() + QLatin1Char('/') +
           QString::fromLatin1(hash.result().toHex().left(24)) + QStringLiteral(".json");
}

} // namespace

QString journalPath(const QString &macroFile, const QString &addrFile)
{
    return hashedPath({absolute(macroFile), absolute(addrFile)});
}

QString journalPath(const QString &macroFile, const QString &addrFile, const QString &port)
{
    return hashedPath({absolute(macroFile), absolute(addrFile), port});
}

namespace {

/// One port's journal of a run over several ports, not a run on one port's.
bool isPortJournal(const JournalEntry &e)
{
    return QFileInfo(e.path).fileName() ==
           QFileInfo(journalPath(e.macroFile, e.addrFile, e.port)).fileName();
}

} // namespace

QList<JournalEntry> openPortJournalsOf(const QString &macroFile, const QString &addrFile)
{
    QList<JournalEntry> open;
    QDateTime listDone;
    const QDir folder(journalFolder());
    for (const QFileInfo &info : folder.entryInfoList({QStringLiteral("*.json")}, QDir::Files)) {
        const std::optional<JournalEntry> e = readJournal(info.filePath());
        if (!e || !isPortJournal(*e) || e->macroFile != absolute(macroFile) ||
            e->addrFile != absolute(addrFile))
            continue;
        if (!e->done)
            open << *e;
        else if (e->split && !(e->updated <= listDone))
            listDone = e->updated;
    }
    // A port that ended a split list ended it for every port of its run: the
    // ports that had stopped before have nothing left to go on with.
    open.removeIf([&](const JournalEntry &e) { return e.split && e.started <= listDone; });
    return open;
}

std::optional<JournalEntry> readJournal(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxJournalBytes)
        return std::nullopt;
    const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
    if (o.value(QLatin1String("format")).toString() != QLatin1String(Format) ||
        o.value(QLatin1String("version")).toInt() != Version)
        return std::nullopt;
    JournalEntry e;
    e.path = path;
    e.macroFile = o.value(QLatin1String("macro")).toString();
    e.addrFile = o.value(QLatin1String("address")).toString();
    e.port = o.value(QLatin1String("port")).toString();
    e.counterAtStart = o.value(QLatin1String("counterAtStart")).toInteger(-1);
    e.counter = o.value(QLatin1String("counter")).toInteger(-1);
    // Journals from before entries were counted name them lines: the same
    // number, but for a CSV record that spans lines.
    e.addressEntries = o.value(QLatin1String("addressEntries"))
                           .toInteger(o.value(QLatin1String("addressLines")).toInteger(-1));
    e.started = QDateTime::fromString(o.value(QLatin1String("started")).toString(), Qt::ISODate);
    e.updated = QDateTime::fromString(o.value(QLatin1String("updated")).toString(), Qt::ISODate);
    e.done = o.value(QLatin1String("done")).toBool();
    e.split = o.value(QLatin1String("split")).toBool();
    const std::optional<QList<qint64>> delivered =
        numbersOf(o.value(QLatin1String("delivered")).toString());
    if (!delivered)
        return std::nullopt;
    e.deliveredEntries = *delivered;
    // Numbers a run could not have written make it no place to go on from.
    if (e.macroFile.isEmpty() || e.counterAtStart < 0 || e.counter < e.counterAtStart ||
        e.counter > MaxPassCounter || e.addressEntries < 0 || !e.updated.isValid())
        return std::nullopt;
    return e;
}

QString writeJournal(const JournalEntry &e)
{
    // A folder that cannot be made fails the open below, with its reason.
    QDir().mkpath(QFileInfo(e.path).path());
    QJsonObject o{
        {QLatin1String("format"), QLatin1String(Format)},
        {QLatin1String("version"), Version},
        {QLatin1String("macro"), e.macroFile},
        {QLatin1String("address"), e.addrFile},
        {QLatin1String("port"), e.port},
        {QLatin1String("counterAtStart"), e.counterAtStart},
        {QLatin1String("counter"), e.counter},
        {QLatin1String("addressEntries"), e.addressEntries},
        {QLatin1String("started"), e.started.toString(Qt::ISODateWithMs)},
        {QLatin1String("updated"), e.updated.toString(Qt::ISODateWithMs)},
        {QLatin1String("done"), e.done},
    };
    // A one-port run's journal stays as it always was.
    if (e.split) {
        o.insert(QLatin1String("split"), true);
        o.insert(QLatin1String("delivered"), rangesOf(e.deliveredEntries));
    }
    QSaveFile file(e.path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(o).toJson()) < 0 ||
        !file.commit())
        return file.errorString();
    return QString();
}

JournalList openJournals()
{
    JournalList list;
    const QDir folder(journalFolder());
    for (const QFileInfo &info : folder.entryInfoList({QStringLiteral("*.json")}, QDir::Files)) {
        if (const std::optional<JournalEntry> e = readJournal(info.filePath())) {
            // A port's journal of a run over several ports goes on with that
            // run, never as a run on one port.
            if (!e->done && !isPortJournal(*e))
                list.open << *e;
        } else {
            list.damaged << info.filePath();
        }
    }
    std::sort(list.open.begin(), list.open.end(),
              [](const JournalEntry &a, const JournalEntry &b) { return a.updated < b.updated; });
    return list;
}

std::optional<JournalEntry> openJournalOf(const QString &macroFile, const QString &addrFile)
{
    std::optional<JournalEntry> e = readJournal(journalPath(macroFile, addrFile));
    // The hash could be another pair's only by a miracle; the paths say for sure.
    if (!e || e->done || e->macroFile != absolute(macroFile) || e->addrFile != absolute(addrFile))
        return std::nullopt;
    return e;
}

std::optional<AddressEntry> addressAfter(const QString &addrFile, qint64 skip)
{
    AddressReader reader;
    if (!reader.open(addrFile) || reader.skip(skip) != std::max<qint64>(skip, 0))
        return std::nullopt;
    return reader.next();
}

void RunJournal::start(const QString &macroFile, const QString &addrFile, const QString &port,
                       qint64 counter, qint64 addressEntries, bool perPort)
{
    entry_ = JournalEntry();
    warned_ = false;
    entry_.macroFile = absolute(macroFile);
    entry_.addrFile = absolute(addrFile);
    entry_.path = perPort ? journalPath(entry_.macroFile, entry_.addrFile, port)
                          : journalPath(entry_.macroFile, entry_.addrFile);
    entry_.port = port;
    entry_.counterAtStart = entry_.counter = counter;
    entry_.addressEntries = addressEntries;
    entry_.started = QDateTime::currentDateTime();
}

RunReport RunJournal::begin(const QString &macroFile, const QString &addrFile, const QString &port,
                            qint64 counter, qint64 addressEntries, bool perPort)
{
    start(macroFile, addrFile, port, counter, addressEntries, perPort);
    return write();
}

RunReport RunJournal::beginSplit(const QString &macroFile, const QString &addrFile,
                                 const QString &port, qint64 counter, qint64 skip,
                                 const QSet<qint64> &deliveredBefore)
{
    start(macroFile, addrFile, port, counter, skip, true);
    entry_.split = true;
    // Going on from the journals, this port's part of the list so far stays
    // in its journal: a crash after this would otherwise forget it.
    if (const std::optional<JournalEntry> old = readJournal(entry_.path); old && old->split)
        for (qint64 n : old->deliveredEntries)
            if (deliveredBefore.contains(n))
                entry_.deliveredEntries << n;
    return write();
}

void RunJournal::addDelivered(const QList<AddressEntry> &entries)
{
    QList<qint64> &numbers = entry_.deliveredEntries;
    for (const AddressEntry &entry : entries)
        numbers.insert(std::lower_bound(numbers.begin(), numbers.end(), entry.number),
                       entry.number);
}

RunReport RunJournal::update(qint64 counter, qint64 addressEntries)
{
    entry_.counter = counter;
    entry_.addressEntries = addressEntries;
    return write();
}

RunReport RunJournal::finish()
{
    entry_.done = true;
    return write();
}

RunReport RunJournal::write()
{
    entry_.updated = QDateTime::currentDateTime();
    RunReport report;
    const QString reason = writeJournal(entry_);
    if (reason.isEmpty() || warned_)
        return report;
    warned_ = true;
    report.kind = RunReport::JournalFailed;
    report.file = entry_.path;
    report.reason = reason;
    return report;
}

} // namespace tapwright
