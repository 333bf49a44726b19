#include "macro/journal.h"

#include "macro/addresses.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace tapwright {

namespace {

// What tells our journals from any other JSON file in the folder.
const char *const Format = "tapwright-journal";
constexpr int Version = 1;
// A journal is a few hundred bytes; anything much larger is not one.
constexpr qint64 MaxJournalBytes = 64 * 1024;

QString absolute(const QString &path)
{
    return path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

} // namespace

QString journalFolder()
{
    // Not the application's own folder: the two programs are named apart,
    // and a run begun in one may be taken up in the other.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/tapwright/journal");
}

QString journalPath(const QString &macroFile, const QString &addrFile)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(absolute(macroFile).toUtf8());
    hash.addData(QByteArrayView("\0", 1)); // no pair of paths runs together
    hash.addData(absolute(addrFile).toUtf8());
    return journalFolder() + QLatin1Char('/') +
           QString::fromLatin1(hash.result().toHex().left(24)) + QStringLiteral(".json");
}

QString journalPath(const QString &macroFile, const QString &addrFile, const QString &port)
{
    // Stub: named by the port as well, with the split runs.
    Q_UNUSED(port);
    return journalPath(macroFile, addrFile);
}

QList<JournalEntry> openPortJournalsOf(const QString &macroFile, const QString &addrFile)
{
    // Stub: filled in with the split runs.
    Q_UNUSED(macroFile);
    Q_UNUSED(addrFile);
    return {};
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
    const QJsonObject o{
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
            if (!e->done)
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

RunReport RunJournal::begin(const QString &macroFile, const QString &addrFile, const QString &port,
                            qint64 counter, qint64 addressEntries)
{
    entry_ = JournalEntry();
    warned_ = false;
    entry_.macroFile = absolute(macroFile);
    entry_.addrFile = absolute(addrFile);
    entry_.path = journalPath(entry_.macroFile, entry_.addrFile);
    entry_.port = port;
    entry_.counterAtStart = entry_.counter = counter;
    entry_.addressEntries = addressEntries;
    entry_.started = QDateTime::currentDateTime();
    return write();
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
