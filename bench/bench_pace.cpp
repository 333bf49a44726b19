// How far a run gets ahead of the device, and how soon the device hears
// nothing more after a stop or a pause. A pseudo-terminal stands in for the
// port; a thread on its master end takes one frame per frame time, as the
// device's line would. Prints figures; asserts nothing.
//
// bench_pace --ports N runs over N ports at once instead, one pty and one
// stand-in each: a split list's lead and time on every line, the CPU a port
// takes, and how soon stop and pause reach every device.

#include "link/seriallink.h"
#include "macro/messages.h"
#include "macro/multirun.h"
#include "macro/runner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

using namespace tapwright;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int FrameBytes = 8;
const auto FrameNs = std::chrono::nanoseconds(frameNs());

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

/// Peak resident set size of this process so far, in KiB.
long peakRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    const std::size_t i = std::min(v.size() - 1, std::size_t(p * double(v.size() - 1) + 0.5));
    return v[i];
}

/// Forwards to a real link and counts the frames it was given, so that the
/// stand-in can tell how many of them it has not taken yet.
class CountingLink : public Link
{
public:
    explicit CountingLink(Link &inner) : inner_(inner)
    {
        connect(&inner_, &Link::failed, this, &Link::failed);
    }

    bool OpenPort() override
    {
        inner_.setCommPort(commPort());
        const bool opened = inner_.OpenPort();
        setLastError(inner_.lastError());
        return opened;
    }
    void ClosePort(CloseMode mode) override { inner_.ClosePort(mode); }
    void SendKey(int row, int column, int table) override
    {
        // Counted before it goes: the stand-in must never see a frame that
        // is not counted yet, which would make the lead look smaller.
        if (inner_.isOpen())
            given.fetch_add(1);
        inner_.SendKey(row, column, table);
    }
    bool isOpen() const override { return inner_.isOpen(); }
    void setPaced(bool paced) override
    {
        Link::setPaced(paced);
        inner_.setPaced(paced);
    }
    int framesInFlight() const override { return inner_.framesInFlight(); }
    qint64 nsUntilProgress() const override { return inner_.nsUntilProgress(); }

    std::atomic<long> given{0};

private:
    Link &inner_;
};

/// The device's end of the line: takes one 8-byte frame per frame time, on an
/// absolute schedule, and notes when it took each one and how many frames the
/// link had been given but it had not taken yet.
class StandIn
{
public:
    StandIn(int masterFd, const std::atomic<long> &given) : fd_(masterFd), given_(given) {}
    ~StandIn() { stop(); }

    void start()
    {
        thread_ = std::thread([this] { loop(); });
    }
    void stop()
    {
        quit_ = true;
        if (thread_.joinable())
            thread_.join();
    }

    /// Forgets the frames and leads seen so far, and throws away whatever
    /// the pty still holds (a run whose rest nobody needs to wait for).
    void reset(bool discardPending)
    {
        discard_ = discardPending;
        resetRequested_ = true;
        while (resetRequested_)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    struct Snapshot
    {
        long received = 0;
        long largestLead = 0;
        /// The most frames the system held at a take: the one taken and
        /// those still waiting in the pty behind it.
        long largestHeld = 0;
        std::map<long, long> leads; ///< lead at a take -> how many takes
        std::vector<Clock::time_point> taken;
    };
    Snapshot snapshot() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return seen_;
    }

    /// Waits until no frame has come for `quiet`.
    void waitForSilence(std::chrono::milliseconds quiet) const
    {
        for (;;) {
            const auto last = lastActivity();
            if (Clock::now() - last >= quiet)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

private:
    Clock::time_point lastActivity() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return lastActivity_;
    }

    void loop()
    {
        unsigned char frame[FrameBytes];
        int have = 0;
        Clock::time_point slot{};
        bool busy = false;
        // The frame was not there yet when its time came: the line was idle.
        bool late = false;
        while (!quit_) {
            if (resetRequested_) {
                if (discard_) {
                    ::tcflush(fd_, TCIFLUSH);
                    unsigned char junk[4096];
                    while (::read(fd_, junk, sizeof junk) > 0) {
                    }
                    have = 0;
                    busy = false;
                }
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    seen_ = Snapshot();
                    lastActivity_ = Clock::now();
                }
                resetRequested_ = false;
                continue;
            }
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 0) <= 0) {
                late = true;
                p.revents = 0;
                if (::poll(&p, 1, 10) <= 0)
                    continue;
            }
            const ssize_t n = ::read(fd_, frame + have, std::size_t(FrameBytes - have));
            if (n <= 0)
                continue;
            have += int(n);
            if (have < FrameBytes)
                continue;
            have = 0;
            const auto now = Clock::now();
            int waiting = 0;
            ::ioctl(fd_, FIONREAD, &waiting);
            // The schedule is absolute while frames keep coming, and starts
            // over when the line has been idle.
            if (!busy || late)
                slot = now;
            busy = true;
            late = false;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                // The frame being taken counts as not carried yet, as the
                // link counts the one on the wire.
                const long lead = given_.load() - seen_.received;
                seen_.largestLead = std::max(seen_.largestLead, lead);
                seen_.largestHeld = std::max(seen_.largestHeld, 1 + long(waiting) / FrameBytes);
                ++seen_.leads[lead];
                ++seen_.received;
                seen_.taken.push_back(now);
                lastActivity_ = now;
            }
            slot += FrameNs;
            std::this_thread::sleep_until(slot);
            std::lock_guard<std::mutex> lock(mutex_);
            lastActivity_ = std::max(lastActivity_, Clock::now());
        }
    }

    int fd_;
    const std::atomic<long> &given_;
    std::thread thread_;
    std::atomic<bool> quit_{false};
    std::atomic<bool> resetRequested_{false};
    std::atomic<bool> discard_{false};
    mutable std::mutex mutex_;
    Snapshot seen_;
    Clock::time_point lastActivity_ = Clock::now();
};

class BenchHost : public RunnerHost
{
public:
    QString macro;
    QString port;
    int warnings = 0;
    int reports = 0;

    QString macroFile() const override { return macro; }
    QString addrFile() const override { return QString(); }
    QString portText() const override { return port; }
    QString counterText() const override { return QStringLiteral("0"); }
    void setCounterText(const QString &) override {}
    void setStatus(const QString &) override {}
    void setAddress(const QString &) override {}
    void setRunning(bool) override {}
    void report(const RunReport &r) override
    {
        ++reports;
        std::fprintf(stderr, "run report: %s\n", qPrintable(describe(r)));
    }
    void checkFailed(const CheckReport &c) override
    {
        ++reports;
        std::fprintf(stderr, "run refused: %s\n", qPrintable(refusedByCheck(c)));
    }
    void warn(const RunReport &r) override
    {
        ++warnings;
        std::fprintf(stderr, "run warning: %s\n", qPrintable(describe(r)));
    }
};

bool writeMacro(const QString &path, int letters)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray text("BASEWAIT 0\r\nSTRING ");
    for (int i = 0; i < letters; ++i)
        text.append(char('a' + i % 26));
    text.append("\r\n");
    return file.write(text) == text.size();
}

const char *runEndName(RunEnd end)
{
    switch (end) {
    case RunEnd::NotStarted:
        return "not started";
    case RunEnd::EndOfMacro:
        return "end of macro";
    case RunEnd::AddressListDone:
        return "address list done";
    case RunEnd::Stopped:
        return "stopped";
    case RunEnd::Failed:
        return "failed";
    case RunEnd::Abandoned:
        return "abandoned";
    }
    return "?";
}

void printLeads(const StandIn::Snapshot &s)
{
    std::printf("    leads at each take (lead: takes):");
    for (const auto &[lead, count] : s.leads)
        std::printf(" %ld: %ld", lead, count);
    std::printf("\n");
}

/// One run of the whole macro, a frame a letter; the largest lead the link counted
/// and the one the stand-in saw.
void leadRun(BenchHost &host, CountingLink &link, StandIn &standIn, bool paced, int frames)
{
    link.setPaced(paced);
    link.given = 0;
    standIn.reset(false);
    MacroRunner runner(host, link);
    const auto start = Clock::now();
    const RunEnd end = runner.run();
    const auto ran = Clock::now();
    const long given = link.given.load();
    StandIn::Snapshot s;
    if (paced) {
        standIn.waitForSilence(std::chrono::milliseconds(1000));
        s = standIn.snapshot();
    } else {
        // Every frame is given by now, so the lead only falls from the next
        // take on; two takes past the end are enough, and the rest of the
        // frames need not take another 147 s to be read.
        const long before = standIn.snapshot().received;
        while (standIn.snapshot().received < before + 2)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        s = standIn.snapshot();
        standIn.reset(true);
    }
    std::printf("%s run of %d frames: %s after %.3f s; %ld frames given to the link, %ld "
                "taken by the stand-in%s\n",
                paced ? "paced" : "unpaced (--fast)", frames, runEndName(end),
                msBetween(start, ran) / 1000.0, given, s.received,
                paced ? "" : " before the rest was thrown away");
    if (paced && s.taken.size() > 1)
        std::printf("    first to last take: %.3f s (%.3f ms a frame)\n",
                    msBetween(s.taken.front(), s.taken.back()) / 1000.0,
                    msBetween(s.taken.front(), s.taken.back()) / double(s.taken.size() - 1));
    std::printf("    largest lead: %d by the link's pacer, %ld seen by the stand-in\n",
                runner.pacer().largestLead(), s.largestLead);
    printLeads(s);
}

/// A long STRING stopped, or paused, at a random moment: how long from the
/// call to the last frame the stand-in takes.
void silenceTrials(BenchHost &host, CountingLink &link, StandIn &standIn, bool pause, int trials,
                   std::mt19937 &random)
{
    link.setPaced(true);
    std::uniform_int_distribution<int> delayMs(300, 3000);
    std::vector<double> taken;   // call to the last frame taken
    std::vector<double> carried; // call to that frame's last byte on a 600-baud line
    int silentAtOnce = 0;
    long framesAfter = 0;
    long framesAfterMax = 0;
    for (int i = 0; i < trials; ++i) {
        standIn.reset(false);
        link.given = 0;
        MacroRunner runner(host, link);
        Clock::time_point calledAt{};
        const int delay = delayMs(random);
        QTimer::singleShot(delay, [&] {
            calledAt = Clock::now();
            if (pause) {
                runner.setPaused(true);
                // Long enough to see any frame that should not have come.
                QTimer::singleShot(1500, [&] { runner.requestStop(); });
            } else {
                runner.requestStop();
            }
        });
        runner.run();
        standIn.waitForSilence(std::chrono::milliseconds(1000));
        const StandIn::Snapshot s = standIn.snapshot();
        long after = 0;
        Clock::time_point last = calledAt;
        for (const auto &t : s.taken)
            if (t > calledAt) {
                ++after;
                last = std::max(last, t);
            }
        if (after == 0)
            ++silentAtOnce;
        framesAfter += after;
        framesAfterMax = std::max(framesAfterMax, after);
        taken.push_back(msBetween(calledAt, last));
        // The last frame taken before the call may still be on the line.
        const double onLine = s.taken.empty() ? 0.0 : msBetween(calledAt, s.taken.back() + FrameNs);
        carried.push_back(std::max(0.0, onLine));
    }
    const char *what = pause ? "pause-to-silence" : "stop-to-silence";
    std::printf("%s x%d (call at a random 0.3-3 s into a long STRING):\n", what, trials);
    std::printf("    to the last frame taken: p50 %.1f ms, max %.1f ms\n", percentile(taken, 0.5),
                *std::max_element(taken.begin(), taken.end()));
    std::printf("    to that frame's last byte on a 600-baud line (+146.67 ms): p50 %.1f ms, max "
                "%.1f ms\n",
                percentile(carried, 0.5), *std::max_element(carried.begin(), carried.end()));
    std::printf("    frames taken after the call: %.2f on average, at most %ld; none in %d of %d "
                "trials\n",
                double(framesAfter) / trials, framesAfterMax, silentAtOnce, trials);
}


/// One port of a run over several: a pty whose master end a stand-in reads.
struct PortStandIn
{
    int master = -1;
    int slave = -1;
    QString path;
    std::atomic<long> given{0}; ///< unknown here: the links are the run's own
    std::unique_ptr<StandIn> standIn;

    bool open()
    {
        char name[128] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
            return false;
        termios raw{};
        ::tcgetattr(master, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(master, TCSANOW, &raw);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        path = QString::fromLocal8Bit(name);
        standIn = std::make_unique<StandIn>(master, given);
        standIn->start();
        return true;
    }
    ~PortStandIn()
    {
        standIn.reset();
        ::close(master);
        ::close(slave);
    }
};

/// CPU time of the whole process so far, in seconds.
double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

/// Starts `settings` and returns once every port's run has ended; `during`
/// is called in the event loop once they run. False when it did not start.
bool runToEnd(MultiRun &run, const MultiRunSettings &settings,
              const std::function<void()> &during = {})
{
    QEventLoop loop;
    QObject::connect(&run, &MultiRun::finished, &loop, &QEventLoop::quit);
    QObject::connect(&run, &MultiRun::reported, [](int port, const RunReport &r) {
        std::fprintf(stderr, "port %d: %s\n", port + 1, qPrintable(describe(r)));
    });
    const RunReport refused = run.start(settings);
    if (refused.isError()) {
        std::fprintf(stderr, "run refused: %s\n", qPrintable(describe(refused)));
        return false;
    }
    if (during)
        QTimer::singleShot(0, &loop, during);
    loop.exec();
    return true;
}

/// A split list over N paced ptys: each line's lead, the time of the list
/// against its line time shared by N, the CPU a port takes.
void splitRun(std::vector<std::unique_ptr<PortStandIn>> &ports, const QString &dir,
              int entriesPerPort)
{
    const int n = int(ports.size());
    const QString macro = dir + QStringLiteral("/split.mac");
    const QString list = dir + QStringLiteral("/split.txt");
    QFile macroFile(macro);
    QFile listFile(list);
    if (!macroFile.open(QIODevice::WriteOnly) || !listFile.open(QIODevice::WriteOnly))
        return;
    macroFile.write("BASEWAIT 0\r\nGETSTR\r\nSENDSTR\r\nENTER\r\nREPEAT\r\n");
    macroFile.close();
    for (int i = 1; i <= n * entriesPerPort; ++i)
        listFile.write(QByteArray::number(10000 + i).mid(1) + "\r\n");
    listFile.close();

    MultiRunSettings settings;
    settings.macroFile = macro;
    settings.addrFile = list;
    settings.split = true;
    settings.journal = false;
    for (const auto &port : ports) {
        settings.ports << port->path;
        port->standIn->reset(false);
    }
    MultiRun run;
    const double cpuBefore = processCpuSeconds();
    const auto start = Clock::now();
    if (!runToEnd(run, settings))
        return;
    const auto end = Clock::now();
    const double cpu = processCpuSeconds() - cpuBefore;
    long frames = 0;
    std::printf("split list of %d entries of 4 digits over %d paced ptys:\n", n * entriesPerPort,
                n);
    for (int i = 0; i < n; ++i) {
        ports[std::size_t(i)]->standIn->waitForSilence(std::chrono::milliseconds(300));
        const StandIn::Snapshot s = ports[std::size_t(i)]->standIn->snapshot();
        frames += s.received;
        const double busy = s.taken.size() > 1 ? msBetween(s.taken.front(), s.taken.back()) : 0;
        std::printf("    port %d: %ld frames, lead at most %ld (frames the system held at a "
                    "take), first to last take %.3f s (%.3f ms a frame)\n",
                    i + 1, s.received, s.largestHeld, busy / 1000.0,
                    s.taken.size() > 1 ? busy / double(s.taken.size() - 1) : 0.0);
    }
    const double took = msBetween(start, end) / 1000.0;
    const double ideal = double(frames) * double(frameNs()) / 1e9 / n;
    std::printf("    the list took %.3f s; its line time %.3f s / %d = %.3f s (%+.2f%%)\n", took,
                double(frames) * double(frameNs()) / 1e9, n, ideal, (took / ideal - 1) * 100);
    if (const SharedEntries *shared = run.sharedEntries())
        std::printf("    entries delivered %lld, cut %lld\n",
                    static_cast<long long>(shared->deliveredCount()),
                    static_cast<long long>(shared->cut().size()));
    std::printf("    CPU of the whole process (runs, stand-ins, the main thread): %.3f s over "
                "%.3f s, %.2f%% of a core a port\n",
                cpu, took, cpu / took / n * 100);
}

/// Stops, or pauses, N long runs at a random moment: how long from the call
/// to the last frame each device takes.
void severalSilenceTrials(std::vector<std::unique_ptr<PortStandIn>> &ports, const QString &macro,
                          bool pause, int trials, std::mt19937 &random)
{
    std::uniform_int_distribution<int> delayMs(300, 3000);
    std::vector<double> lastTakes; // call to the last frame a device took, every device
    long framesAfterMax = 0;
    for (int t = 0; t < trials; ++t) {
        MultiRunSettings settings;
        settings.macroFile = macro;
        settings.journal = false;
        for (const auto &port : ports) {
            settings.ports << port->path;
            port->standIn->reset(false);
        }
        MultiRun run;
        Clock::time_point calledAt{};
        const int delay = delayMs(random);
        runToEnd(run, settings, [&] {
            QTimer::singleShot(delay, &run, [&] {
                calledAt = Clock::now();
                if (!pause)
                    return run.stopAll();
                run.setPausedAll(true);
                // Long enough to see any frame that should not have come.
                QTimer::singleShot(1500, &run, [&] { run.stopAll(); });
            });
        });
        for (const auto &port : ports) {
            port->standIn->waitForSilence(std::chrono::milliseconds(500));
            const StandIn::Snapshot s = port->standIn->snapshot();
            long after = 0;
            Clock::time_point last = calledAt;
            for (const auto &taken : s.taken) {
                if (taken > calledAt) {
                    ++after;
                    last = std::max(last, taken);
                }
            }
            framesAfterMax = std::max(framesAfterMax, after);
            lastTakes.push_back(msBetween(calledAt, last));
        }
    }
    std::printf("%s on %zu ports x%d (call at a random 0.3-3 s into a long STRING):\n",
                pause ? "pause all" : "stop all", ports.size(), trials);
    std::printf("    call to the last frame a device took: p50 %.1f ms, max %.1f ms; at most "
                "%ld frames after the call\n",
                percentile(lastTakes, 0.5), *std::max_element(lastTakes.begin(), lastTakes.end()),
                framesAfterMax);
}

/// bench_pace --ports N [ENTRIES_A_PORT] [TRIALS]
int severalPorts(int n, int entriesPerPort, int trials)
{
    QTemporaryDir dir;
    std::vector<std::unique_ptr<PortStandIn>> ports;
    for (int i = 0; i < n; ++i) {
        ports.push_back(std::make_unique<PortStandIn>());
        if (!dir.isValid() || !ports.back()->open()) {
            std::perror("openpty");
            return 1;
        }
    }
    splitRun(ports, dir.path(), entriesPerPort);
    const QString longMacro = dir.filePath(QStringLiteral("long.mac"));
    if (!writeMacro(longMacro, 1000))
        return 1;
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::printf("random seed %u\n", seed);
    severalSilenceTrials(ports, longMacro, false, trials, random);
    severalSilenceTrials(ports, longMacro, true, trials, random);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc > 2 && qstrcmp(argv[1], "--ports") == 0) {
        const int entries = argc > 3 ? std::max(1, std::atoi(argv[3])) : 40;
        const int trials = argc > 4 ? std::max(1, std::atoi(argv[4])) : 5;
        return severalPorts(std::max(1, std::atoi(argv[2])), entries, trials);
    }

    int master = -1;
    int slave = -1;
    char name[128] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    termios raw{};
    ::tcgetattr(master, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(master, TCSANOW, &raw);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    // The slave stays open here too, so that the master never reads a hang-up
    // between runs.

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a temporary directory\n");
        return 1;
    }
    BenchHost host;
    host.macro = dir.filePath(QStringLiteral("pace.mac"));
    host.port = QString::fromLocal8Bit(name);
    // A shorter run and fewer trials for a quick look: bench_pace FRAMES TRIALS.
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const int trials = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    const QString longMacro = dir.filePath(QStringLiteral("long.mac"));
    if (!writeMacro(host.macro, frames) || !writeMacro(longMacro, 1000)) {
        std::fprintf(stderr, "cannot write the macro files\n");
        return 1;
    }

    SerialLink serial;
    CountingLink link(serial);
    StandIn standIn(master, link.given);
    standIn.start();

    const long rssBefore = peakRssKiB();
    leadRun(host, link, standIn, true, frames);
    leadRun(host, link, standIn, false, frames);
    const long rssAfter = peakRssKiB();
    std::printf("peak RSS over both runs: %.1f MB before, %.1f MB after (+%.1f MB)\n",
                double(rssBefore) * 1024 / 1e6, double(rssAfter) * 1024 / 1e6,
                double(rssAfter - rssBefore) * 1024 / 1e6);

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::printf("random seed %u\n", seed);
    host.macro = longMacro;
    silenceTrials(host, link, standIn, false, trials, random);
    silenceTrials(host, link, standIn, true, trials, random);
    if (host.warnings > 0 || host.reports > 0)
        std::printf("runner warnings %d, reports %d\n", host.warnings, host.reports);

    standIn.stop();
    ::close(master);
    ::close(slave);
    return 0;
}
