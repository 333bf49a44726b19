// What the send log costs a line over a run of 100,000 passes, and whether its
// memory stays flat. Prints figures; asserts nothing.

#include "device/sendlog.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <sys/resource.h>
#include <vector>

using namespace tapwright;

namespace {

/// Peak resident set size of this process so far, in KiB.
long peakRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

/// One pass of "GETSTR, SENDSTR, ENTER, REPEAT" with a 20-character address
/// of letters, voiced kana and a key: 6 lines (4 steps, 2 frames lines).
void feedPass(SendLog &log, qint64 pass, const std::vector<KeyCode> &address)
{
    const QString n = QString::number(pass * 4);
    log.addStep(n + QStringLiteral(" GETSTR"));
    log.addStep(n + QStringLiteral(" SENDSTR"));
    for (const KeyCode &code : address)
        log.addFrame(code);
    log.addStep(n + QStringLiteral(" ENTER"));
    log.addFrame({3, 6, 2});
    log.addStep(n + QStringLiteral(" REPEAT"));
}

struct Figures
{
    double nsPerLine;
    long rssGrowthKiB;
};

/// Feeds `passes` passes.
Figures measure(SendLog &log, qint64 passes)
{
    std::vector<KeyCode> address;
    for (int i = 0; i < 5; ++i)
        address.insert(address.end(), {{1, 1, 6}, {1, 4, 7}, {2, 2, 1}, {2, 10, 4}});
    const long before = peakRssKiB();
    const qint64 linesBefore = log.firstSerial() + qint64(log.lines().size());
    QElapsedTimer timer;
    timer.start();
    for (qint64 pass = 0; pass < passes; ++pass)
        feedPass(log, pass, address);
    log.flush();
    const qint64 ns = timer.nsecsElapsed();
    const qint64 lines = log.firstSerial() + qint64(log.lines().size()) - linesBefore;
    return {double(ns) / double(lines), peakRssKiB() - before};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    SendLog log;
    const qint64 passes = 100000;

    // A first, short round so the second compares growth, not first allocations.
    measure(log, 2000);
    const Figures figures = measure(log, passes);
    std::printf("send log, %lld passes of 6 lines: %.0f ns a line (RSS +%.1f MB); kept %zu lines\n",
                static_cast<long long>(passes), figures.nsPerLine,
                double(figures.rssGrowthKiB) / 1024.0, log.lines().size());
    return 0;
}
