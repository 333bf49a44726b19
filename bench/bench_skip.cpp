// How long TextLineReader takes to skip a whole address file, and whether its
// memory grows with the file. Prints figures; asserts nothing.

#include "macro/textreader.h"

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

/// Writes `count` CR LF address lines in code page 932, a block at a time so
/// that writing does not raise the peak we measure afterwards.
qint64 writeAddresses(const QString &path, int count)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    QStringEncoder encoder("windows-31j");
    QString chunk;
    for (int n = 1; n <= count; ++n) {
        chunk += QStringLiteral("東京都千代田区1-1-1 山田太郎 %1\r\n").arg(n);
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
    for (const int count : {100000, 1000000}) {
        const QString path = dir.filePath(QStringLiteral("addresses-%1.txt").arg(count));
        const qint64 bytes = writeAddresses(path, count);
        if (bytes < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }

        const long before = peakRssKiB();
        QElapsedTimer timer;
        timer.start();
        TextLineReader reader;
        if (!reader.open(path)) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(reader.errorString()));
            return 1;
        }
        const qint64 skipped = reader.skipLines(count);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        const long after = peakRssKiB();

        std::printf("skip %lld lines (CP932, %.0f MB): %.3f s, peak RSS +%.1f MB\n",
                    static_cast<long long>(skipped), double(bytes) / 1e6, seconds,
                    double(after - before) * 1024 / 1e6);
        QFile::remove(path);
    }
    return 0;
}
