// How long an address file takes to skip whole, as a run going on from its
// counter skips it: lines of a plain file, entries of a CSV file. And whether
// memory grows with the file. Prints figures; asserts nothing.

#include "macro/addresses.h"

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

/// Writes `count` CR LF address entries in code page 932, a block at a time so
/// that writing does not raise the peak we measure afterwards. CSV entries
/// quote their name, and every tenth holds a line break in quotes.
qint64 writeAddresses(const QString &path, int count, bool csv)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    QStringEncoder encoder("windows-31j");
    QString chunk;
    for (int n = 1; n <= count; ++n) {
        if (!csv)
            chunk += QStringLiteral("東京都千代田区1-1-1 山田太郎 %1\r\n").arg(n);
        else if (n % 10 == 0)
            chunk += QStringLiteral("\"ﾔﾏﾀﾞ, ﾀﾛｳ\",\"東京都\r\n千代田区1-1-1\",%1\r\n").arg(n);
        else
            chunk += QStringLiteral("\"ﾔﾏﾀﾞ, ﾀﾛｳ\",東京都千代田区1-1-1,%1\r\n").arg(n);
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
    for (const bool csv : {false, true}) {
        for (const int count : {100000, 1000000}) {
            const QString path = dir.filePath(QStringLiteral("addresses-%1.%2")
                                                  .arg(count)
                                                  .arg(QLatin1String(csv ? "csv" : "txt")));
            const qint64 bytes = writeAddresses(path, count, csv);
            if (bytes < 0) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                return 1;
            }

            const long before = peakRssKiB();
            QElapsedTimer timer;
            timer.start();
            AddressReader reader;
            if (!reader.open(path)) {
                std::fprintf(stderr, "%s: %s\n", qPrintable(path),
                             qPrintable(reader.lines().errorString()));
                return 1;
            }
            const qint64 skipped = reader.skip(count);
            const double seconds = double(timer.nsecsElapsed()) / 1e9;
            const long after = peakRssKiB();

            std::printf("skip %lld %s (CP932, %.0f MB): %.3f s, peak RSS +%.1f MB\n",
                        static_cast<long long>(skipped), csv ? "CSV entries" : "lines",
                        double(bytes) / 1e6, seconds, double(after - before) * 1024 / 1e6);
            QFile::remove(path);
        }
    }
    return 0;
}
