#pragma once

#include "macro/addresses.h"
#include "macro/runner.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QSet>
#include <QString>

#include <deque>

namespace tapwright {

/// Which device delivered an entry of a split list, or had its frames on the
/// line when its pass was cut.
struct EntryDelivery
{
    AddressEntry entry;
    QString port;
};

/// The address list of a split run, shared by the runs of several ports:
/// each entry goes to exactly one of them, whichever asks first. An entry is
/// claimed at a GETSTR and delivered when its pass has counted; a pass that
/// is cut gives its entries back, and the next run to ask takes them first,
/// lowest number first. Every member may be called from any thread: the
/// claims are the one state the runs share, behind one mutex.
class SharedEntries
{
public:
    /// What a claim found.
    enum class Claim
    {
        Entry, ///< `entry` is this run's now
        Wait,  ///< none free, but others hold entries that may come back: ask again
        Done,  ///< every entry is delivered: the list is done
        Failed ///< the file could not be read on: `report` says why
    };
    struct Claimed
    {
        Claim result = Claim::Done;
        AddressEntry entry;
        RunReport report;
    };

    SharedEntries();
    ~SharedEntries();
    SharedEntries(const SharedEntries &) = delete;
    SharedEntries &operator=(const SharedEntries &) = delete;

    /// Opens the address file, skipping its first `skip` entries (the pass
    /// counter's) and the entries numbered in `delivered` (a run going on from
    /// its journals). A report of kind None when it opened.
    RunReport open(const QString &addrFile, qint64 skip, const QSet<qint64> &delivered = {});
    QString addrFile() const;
    /// As opened: the entries skipped for the pass counter, and those
    /// delivered before.
    qint64 skip() const;
    QSet<qint64> deliveredBefore() const;

    /// The next entry for the run on `port`.
    Claimed claim(const QString &port);
    /// The passes of `port` that took `entries` have been delivered.
    void delivered(const QList<AddressEntry> &entries, const QString &port);
    /// A pass of `port` was cut: its entries are free again. `onLine`: some
    /// of the pass's frames may have reached the device, so the entries are
    /// named in the report as cut.
    void giveBack(const QList<AddressEntry> &entries, const QString &port, bool onLine);

    /// The entries a run of the list types: those in the file after the
    /// skipped ones, less those delivered before; counted at open, -1 when
    /// the file could not be counted. And of them, those delivered so far.
    qint64 total() const;
    qint64 deliveredCount() const;
    /// Every delivery so far, in the order they were made: for the report at
    /// the end (the progress is deliveredCount(), which copies nothing).
    QList<EntryDelivery> deliveries() const;
    /// The entries cut while their frames were on the line, with the port.
    QList<EntryDelivery> cut() const;

private:
    /// Lets go of `entry` if `port` holds it; the mutex is held.
    bool release(const AddressEntry &entry, const QString &port);

    mutable QMutex mutex_;
    AddressReader reader_;
    QString addrFile_;
    qint64 skip_ = 0;
    QSet<qint64> skipped_;          ///< delivered before, by the journals
    std::deque<AddressEntry> free_; ///< given back, lowest number first
    /// Claimed and neither delivered nor given back: the entry's number and
    /// the port that holds it. Only these can be delivered, so none twice.
    QHash<qint64, QString> held_;
    bool readerDone_ = false;
    RunReport failed_; ///< why the file could not be read on
    qint64 total_ = -1;
    QList<EntryDelivery> deliveries_;
    QList<EntryDelivery> cut_;
};

} // namespace tapwright
