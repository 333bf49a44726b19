#include "ui/endnotice.h"

#include "macro/messages.h"
#include "ui/seams.h"

#include <QElapsedTimer>

#include <memory>

namespace tapwright::ui {

EndNotice::EndNotice()
    : nowMs([clock = std::make_shared<QElapsedTimer>()] {
          if (!clock->isValid())
              clock->start();
          return clock->elapsed();
      })
{
}

void EndNotice::started(qint64 counter)
{
    startMs_ = nowMs();
    counter_ = counter;
}

void EndNotice::ended(QWidget *window, RunEnd how, qint64 counter)
{
    // Nothing ran, or the program is quitting: nobody is waiting for a word.
    if (how == RunEnd::NotStarted || how == RunEnd::Abandoned)
        return;
    const qint64 tookMs = nowMs() - startMs_;
    if (tookMs > LongRunMs)
        seams().announceEnd(window, text(how, counter - counter_, tookMs));
}

QString EndNotice::text(RunEnd how, qint64 passes, qint64 tookMs)
{
    const QString took = describeDuration(double(tookMs) / 1000.0);
    const QString count = QString::number(passes);
    switch (how) {
    case RunEnd::Stopped:
        return tr("Stopped: %1 entries, %2").arg(count, took);
    case RunEnd::EndOfMacro:
    case RunEnd::AddressListDone:
        return tr("Done: %1 entries, %2").arg(count, took);
    default:
        return tr("Failed: %1 entries, %2").arg(count, took);
    }
}

} // namespace tapwright::ui
