// How long a check takes on a macro with 100,000 address lines, and on
// 300,000 lines of kanji that the device cannot enter (a finding on every
// line), and whether its memory grows with the address file. Prints figures;
// asserts nothing.

#include "macro/checker.h"
#include "macro/messages.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

using namespace tapwright;

namespace {

/// Peak resident set size of this process so far, in KiB.
long peakRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

/// Writes `count` CR LF address lines in code page 932, one in ten with a
/// character the device cannot enter (each one a warning), a block at a time;
/// or, `kanji`, every line of kanji.
qint64 writeAddresses(const QString &path, int count, bool kanji)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    QStringEncoder encoder("windows-31j");
    QString chunk;
    for (int n = 1; n <= count; ++n) {
        chunk += kanji ? QStringLiteral("東京都千代田区丸の内1-1-%1 山田太郎\r\n").arg(n)
                 : n % 10 == 0 ? QStringLiteral("ﾄｳｷｮｳﾄ ﾁﾖﾀﾞｸ 1-1-%1 ヤマダ\r\n").arg(n)
                               : QStringLiteral("ﾄｳｷｮｳﾄ ﾁﾖﾀﾞｸ 1-1-%1 ﾔﾏﾀﾞ ﾀﾛｳ\r\n").arg(n);
        if (chunk.size() >= 32 * 1024 || n == count) {
            file.write(encoder.encode(chunk));
            chunk.clear();
        }
    }
    return file.size();
}

} // namespace

int main()
{
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a temporary directory\n");
        return 1;
    }
    const QString macro = dir.filePath(QStringLiteral("m.mac"));
    {
        QFile file(macro);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write("BASEWAIT 0.5\r\nGETSTR\r\nSENDSTR\r\nENTER\r\nREPEAT\r\n") < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(macro));
            return 1;
        }
    }
    for (const bool kanji : {false, true}) {
        const int count = kanji ? 300000 : 100000;
        const QString addr = dir.filePath(QStringLiteral("addresses-%1.txt").arg(count));
        const qint64 bytes = writeAddresses(addr, count, kanji);
        if (bytes < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(addr));
            return 1;
        }

        const long before = peakRssKiB();
        QElapsedTimer timer;
        timer.start();
        const CheckReport report = checkFiles(macro, addr, 0);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        const long after = peakRssKiB();

        std::printf("check %d address lines (%s, CP932, %.1f MB): %.3f s, %lld findings, peak "
                    "RSS +%.1f MB\n%s\n",
                    count, kanji ? "kanji" : "kana", double(bytes) / 1e6, seconds,
                    static_cast<long long>(report.items.size()),
                    double(after - before) * 1024 / 1e6, qPrintable(describe(report.estimate)));
        QFile::remove(addr);
    }
    return 0;
}
