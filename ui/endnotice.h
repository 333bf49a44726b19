#pragma once

#include "macro/runner.h"

#include <QCoreApplication>
#include <QString>

#include <functional>

class QWidget;

namespace tapwright::ui {

/// Tells the desktop that a long run has ended, for a user who has gone to do
/// something else meanwhile: the window asks for attention with a beep, and
/// a notice says how the run ended (see Seams::announceEnd).
class EndNotice
{
    Q_DECLARE_TR_FUNCTIONS(tapwright::ui::EndNotice)

public:
    EndNotice();

    /// Where the run's time comes from, in milliseconds; tests put their own
    /// clock in.
    std::function<qint64()> nowMs;

    /// As a run starts, from pass counter `counter`.
    void started(qint64 counter);
    /// As the run ends, `how`, at pass counter `counter`: a run that took
    /// longer than LongRunMs is told of.
    void ended(QWidget *window, RunEnd how, qint64 counter);

    /// What the notice says: how the run ended, the passes delivered and the
    /// time taken ("Done: 500 entries, 1 h 12 min").
    static QString text(RunEnd how, qint64 passes, qint64 tookMs);

private:
    qint64 startMs_ = 0;
    qint64 counter_ = 0;
};

} // namespace tapwright::ui
