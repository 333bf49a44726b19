#include "macro/sharedentries.h"

#include "macro/rules.h"

#include <algorithm>
#include <limits>

namespace tapwright {

SharedEntries::SharedEntries() = default;
SharedEntries::~SharedEntries() = default;

RunReport SharedEntries::open(const QString &addrFile, qint64 skip, const QSet<qint64> &delivered)
{
    QMutexLocker lock(&mutex_);
    addrFile_ = addrFile;
    skip_ = std::max<qint64>(skip, 0);
    skipped_ = delivered;
    free_.clear();
    held_.clear();
    readerDone_ = false;
    failed_ = RunReport();
    total_ = -1;
    deliveries_.clear();
    cut_.clear();
    const RunReport report = openAddresses(reader_, addrFile, skip);
    if (report.kind != RunReport::None) {
        readerDone_ = true;
        failed_ = report;
        return report;
    }
    // Counted ahead, so that the progress is known from the start; skipping
    // reads no entry's text, and a file that fails here fails the claims too.
    AddressReader counter;
    if (counter.open(addrFile)) {
        const qint64 entries = counter.skip(std::numeric_limits<qint64>::max());
        if (!counter.failed()) {
            const qint64 before =
                std::count_if(delivered.cbegin(), delivered.cend(),
                              [&](qint64 n) { return n > skip_ && n <= entries; });
            total_ = entries - skip_ - before;
        }
    }
    return RunReport();
}

QString SharedEntries::addrFile() const
{
    QMutexLocker lock(&mutex_);
    return addrFile_;
}

qint64 SharedEntries::skip() const
{
    QMutexLocker lock(&mutex_);
    return skip_;
}

QSet<qint64> SharedEntries::deliveredBefore() const
{
    QMutexLocker lock(&mutex_);
    return skipped_;
}

SharedEntries::Claimed SharedEntries::claim(const QString &port)
{
    QMutexLocker lock(&mutex_);
    Claimed claimed;
    if (!free_.empty()) {
        claimed.result = Claim::Entry;
        claimed.entry = free_.front();
        free_.pop_front();
    } else {
        while (!readerDone_) {
            std::optional<AddressEntry> entry = reader_.next();
            if (!entry) {
                readerDone_ = true;
                if (reader_.failed())
                    failed_ = addressReport(RunReport::AddrReadFailed, addrFile_, reader_);
                reader_.close();
            } else if (!skipped_.contains(entry->number)) {
                claimed.result = Claim::Entry;
                claimed.entry = *entry;
                break;
            }
        }
    }
    if (claimed.result == Claim::Entry) {
        held_.insert(claimed.entry.number, port);
    } else if (failed_.kind != RunReport::None) {
        claimed.result = Claim::Failed;
        claimed.report = failed_;
    } else if (!held_.isEmpty()) {
        claimed.result = Claim::Wait;
    }
    return claimed;
}

bool SharedEntries::release(const AddressEntry &entry, const QString &port)
{
    const auto it = held_.constFind(entry.number);
    if (it == held_.cend() || *it != port)
        return false;
    held_.erase(it);
    return true;
}

void SharedEntries::delivered(const QList<AddressEntry> &entries, const QString &port)
{
    QMutexLocker lock(&mutex_);
    for (const AddressEntry &entry : entries) {
        // Only the port that holds an entry delivers it, and only once.
        if (release(entry, port))
            deliveries_.append({entry, port});
    }
}

void SharedEntries::giveBack(const QList<AddressEntry> &entries, const QString &port, bool onLine)
{
    QMutexLocker lock(&mutex_);
    for (const AddressEntry &entry : entries) {
        if (!release(entry, port))
            continue;
        const auto at = std::lower_bound(
            free_.begin(), free_.end(), entry,
            [](const AddressEntry &a, const AddressEntry &b) { return a.number < b.number; });
        free_.insert(at, entry);
        if (onLine)
            cut_.append({entry, port});
    }
}

qint64 SharedEntries::total() const
{
    QMutexLocker lock(&mutex_);
    return total_;
}

qint64 SharedEntries::deliveredCount() const
{
    QMutexLocker lock(&mutex_);
    return deliveries_.size();
}

QList<EntryDelivery> SharedEntries::deliveries() const
{
    QMutexLocker lock(&mutex_);
    return deliveries_;
}

QList<EntryDelivery> SharedEntries::cut() const
{
    QMutexLocker lock(&mutex_);
    return cut_;
}

} // namespace tapwright
