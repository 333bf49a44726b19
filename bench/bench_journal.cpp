// What a run's journal costs: one rewrite as a pass counts (median and
// slowest of 1,000), and listing 100 journals as `journal` and the main
// window's offer do. In a temporary data folder, never the user's. Prints
// figures; asserts nothing.

#include "macro/journal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tapwright;

namespace {

/// Median and largest of `ns`, in ms.
void print(const char *what, std::vector<qint64> ns)
{
    std::sort(ns.begin(), ns.end());
    std::printf("%s: median %.3f ms, max %.3f ms over %zu\n", what,
                double(ns[ns.size() / 2]) / 1e6, double(ns.back()) / 1e6, ns.size());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a temporary directory\n");
        return 1;
    }
#ifdef Q_OS_WIN
    QStandardPaths::setTestModeEnabled(true); // Qt's test folder: the data folder cannot be moved
#else
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path()));
#endif
    const QString macro = dir.filePath(QStringLiteral("entry.mac"));
    const QString addr = dir.filePath(QStringLiteral("住所録.txt"));

    RunJournal run;
    if (run.begin(macro, addr, QStringLiteral("/dev/ttyUSB0"), 0, 0).kind != RunReport::None) {
        std::fprintf(stderr, "cannot write a journal in %s\n", qPrintable(journalFolder()));
        return 1;
    }
    std::vector<qint64> writes;
    QElapsedTimer timer;
    for (int pass = 1; pass <= 1000; ++pass) {
        timer.start();
        run.update(pass, 2 * pass);
        writes.push_back(timer.nsecsElapsed());
    }
    print("journal, one rewrite as a pass counts", writes);

    for (int i = 1; i < 100; ++i) // with the one above, 100
        RunJournal().begin(macro + QString::number(i), addr, QStringLiteral("1"), i, i);
    std::vector<qint64> lists;
    qsizetype found = 0;
    for (int round = 0; round < 20; ++round) {
        timer.start();
        found = openJournals().open.size();
        lists.push_back(timer.nsecsElapsed());
    }
    std::printf("(%lld open journals listed)\n", static_cast<long long>(found));
    print("journal, listing 100 journals", lists);
    return 0;
}
