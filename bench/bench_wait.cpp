// How closely WaitSeconds keeps its time, how fast a stop gets through, and
// what a long wait costs in CPU. Prints figures; asserts nothing.

#include "macro/runner.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace tapwright;
using Clock = std::chrono::steady_clock;

namespace {

class NullLink : public Link
{
public:
    bool OpenPort() override { return true; }
    void ClosePort(CloseMode) override {}
    void SendKey(int, int, int) override {}
    bool isOpen() const override { return true; }
};

class NullHost : public RunnerHost
{
public:
    QString macroFile() const override { return QString(); }
    QString addrFile() const override { return QString(); }
    QString portText() const override { return QString(); }
    QString counterText() const override { return QStringLiteral("0"); }
    void setCounterText(const QString &) override {}
    void setStatus(const QString &) override {}
    void setAddress(const QString &) override {}
    void setRunning(bool) override {}
    void report(const RunReport &) override {}
    void checkFailed(const CheckReport &) override {}
};

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    const std::size_t i = std::min(v.size() - 1, std::size_t(p * double(v.size() - 1) + 0.5));
    return v[i];
}

double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    NullLink link;
    NullHost host;
    MacroRunner runner(host, link);
    runner.MacroExe = true;

    // Overshoot of 20 ms waits.
    std::vector<double> overshoot;
    for (int i = 0; i < 200; ++i) {
        const auto start = Clock::now();
        runner.WaitSeconds(0.020f);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        overshoot.push_back(ms - 20.0);
    }
    std::printf("WaitSeconds(0.020) x200 overshoot: median %.3f ms, p99 %.3f ms, max %.3f ms\n",
                percentile(overshoot, 0.5), percentile(overshoot, 0.99),
                *std::max_element(overshoot.begin(), overshoot.end()));

    // Stop latency: a timer asks for the stop in the middle of a long wait.
    std::vector<double> latency;
    for (int i = 0; i < 50; ++i) {
        runner.MacroExe = true;
        Clock::time_point requested;
        QTimer::singleShot(30, [&] {
            requested = Clock::now();
            runner.requestStop();
        });
        runner.WaitSeconds(10.0f);
        latency.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - requested).count());
    }
    std::printf("stop request to wait returning x50: median %.3f ms, max %.3f ms\n",
                percentile(latency, 0.5), *std::max_element(latency.begin(), latency.end()));

    // CPU used by one 2 s wait: a polling wait would burn some of it.
    runner.MacroExe = true;
    const double cpuBefore = cpuSeconds();
    const auto wallBefore = Clock::now();
    runner.WaitSeconds(2.0f);
    const double cpu = (cpuSeconds() - cpuBefore) * 1000.0;
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    std::printf("WaitSeconds(2.0): %.3f s wall, %.3f ms CPU\n", wall, cpu);
    return 0;
}
