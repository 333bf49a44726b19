#include "macro/sharedentries.h"

namespace tapwright {

// Stub: filled in with the split runs.
SharedEntries::SharedEntries() = default;
SharedEntries::~SharedEntries() = default;

RunReport SharedEntries::open(const QString &addrFile, qint64 skip, const QSet<qint64> &delivered)
{
    Q_UNUSED(addrFile);
    Q_UNUSED(skip);
    Q_UNUSED(delivered);
    return {};
}

QString SharedEntries::addrFile() const
{
    QMutexLocker lock(&mutex_);
    return addrFile_;
}

SharedEntries::Claimed SharedEntries::claim(const QString &port)
{
    Q_UNUSED(port);
    return {};
}

void SharedEntries::delivered(const QList<AddressEntry> &entries, const QString &port)
{
    Q_UNUSED(entries);
    Q_UNUSED(port);
}

void SharedEntries::giveBack(const QList<AddressEntry> &entries, const QString &port, bool onLine)
{
    Q_UNUSED(entries);
    Q_UNUSED(port);
    Q_UNUSED(onLine);
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
