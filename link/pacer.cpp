#include "link/pacer.h"

#include <algorithm>

namespace tapwright {

namespace {

constexpr int UnpacedLead = 4;
// Looked at again at least this often while waiting, whatever the link says:
// a stop or a pause must reach the device within two frame times.
constexpr qint64 MaxSleepNs = 20 * 1000000LL;

} // namespace

Pacer::Pacer(Link &link) : link_(link), clock_(&realClock_) {}

int Pacer::maxLead() const
{
    return link_.isPaced() ? Pacer::PacedLead : UnpacedLead;
}

void Pacer::sleepABit()
{
    const qint64 hint = link_.nsUntilProgress();
    const qint64 ns = hint <= 0 ? MaxSleepNs : std::min(hint, MaxSleepNs);
    clock_->sleepUntil(clock_->nowNs() + ns);
}

void Pacer::SendKey(int row, int column, int table)
{
    for (;;) {
        if (!link_.isOpen())
            return;
        if (dropWhen && dropWhen())
            return;
        if (!(holdWhen && holdWhen()) && link_.framesInFlight() < maxLead())
            break;
        sleepABit();
    }
    link_.SendKey(row, column, table);
    largestLead_ = std::max(largestLead_, link_.framesInFlight());
    if (onSent)
        onSent(KeyCode{table, row, column});
}

bool Pacer::waitUntilCarried(const std::function<bool()> &interrupt)
{
    for (;;) {
        if (!link_.isOpen())
            return false;
        if (interrupt && interrupt())
            return false;
        if (link_.framesInFlight() == 0)
            return true;
        sleepABit();
    }
}

} // namespace tapwright
