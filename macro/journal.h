#pragma once

#include "macro/addresses.h"
#include "macro/runner.h"

#include <optional>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace tapwright {

/// Where a run of one macro file with one address file has come to, as the
/// device received it: enough to go on after a crash or a power cut.
struct JournalEntry
{
    QString path;      ///< the journal's own file
    QString macroFile; ///< absolute
    QString addrFile;  ///< absolute; empty: no address file
    QString port;
    qint64 counterAtStart = 0; ///< the pass counter the run started from
    qint64 counter = 0;        ///< the pass counter after the last pass delivered
    /// The entries of the address file taken up to the last pass delivered,
    /// counted from the file's start: the entries a run going on skips.
    qint64 addressEntries = 0;
    QDateTime started;
    QDateTime updated;
    bool done = false; ///< the run ended with its macro or its list
    /// One port's journal of a split run over several ports: the numbers of
    /// the entries this port delivered, rising; addressEntries is then the
    /// entries the list skipped for the pass counter.
    bool split = false;
    QList<qint64> deliveredEntries;

    qint64 passesDelivered() const { return counter - counterAtStart; }
};

/// The folder of the journals, in the user's data folder and shared by the
/// windows and the command line: ~/.local/share/tapwright/journal on Linux,
/// %LOCALAPPDATA%\tapwright\journal on Windows.
QString journalFolder();

/// The journal file of a macro file and an address file (empty for none),
/// named by a hash of their absolute paths.
QString journalPath(const QString &macroFile, const QString &addrFile);

/// The journal file of one port's run, in a run over several ports: named
/// by the port as well.
QString journalPath(const QString &macroFile, const QString &addrFile, const QString &port);

/// The open journals of the runs of a macro file and an address file over
/// several ports, one per port, in no set order; none of a split run whose
/// list another of its ports has ended.
QList<JournalEntry> openPortJournalsOf(const QString &macroFile, const QString &addrFile);

/// Reads a journal; nothing for a file that is damaged or not a journal.
std::optional<JournalEntry> readJournal(const QString &path);

/// Writes `entry` whole to entry.path, atomically. Empty on success, the
/// system's reason otherwise.
QString writeJournal(const JournalEntry &entry);

/// The journals in the folder that are still open, oldest update first, and
/// the files there that cannot be read as journals. The ports' journals of
/// runs over several ports are not among them: openPortJournalsOf().
struct JournalList
{
    QList<JournalEntry> open;
    QStringList damaged;
};
JournalList openJournals();

/// The open journal of a macro file and an address file, if there is one.
std::optional<JournalEntry> openJournalOf(const QString &macroFile, const QString &addrFile);

/// The entry of the address file after its first `skip` entries: the next
/// address of a run going on; nothing when the file cannot be read or ends.
std::optional<AddressEntry> addressAfter(const QString &addrFile, qint64 skip);

/// The journal one run keeps: begun at its start, rewritten as each pass is
/// delivered, marked done when the run ends with its macro or its list. A
/// write that fails gives a warning (JournalFailed) the first time only.
class RunJournal
{
public:
    /// `perPort`: one port's journal of a run over several ports.
    RunReport begin(const QString &macroFile, const QString &addrFile, const QString &port,
                    qint64 counter, qint64 addressEntries, bool perPort = false);
    /// One port's journal of a split run, whose list skips `skip` entries.
    /// Going on from the journals (`deliveredBefore`, every port's), it keeps
    /// the entries it delivered before.
    RunReport beginSplit(const QString &macroFile, const QString &addrFile, const QString &port,
                         qint64 counter, qint64 skip, const QSet<qint64> &deliveredBefore);
    /// Entries a split run delivered; written with the next update.
    void addDelivered(const QList<AddressEntry> &entries);
    RunReport update(qint64 counter, qint64 addressEntries);
    RunReport finish();

private:
    void start(const QString &macroFile, const QString &addrFile, const QString &port,
               qint64 counter, qint64 addressEntries, bool perPort);
    RunReport write();

    JournalEntry entry_;
    bool warned_ = false;
};

} // namespace tapwright
