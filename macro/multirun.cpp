#include "macro/multirun.h"

namespace tapwright {

// Stub: the threads come with the runs over several ports.
struct MultiRun::Private
{
    MultiRunSettings settings;
    QList<PortEnd> ends;
    std::unique_ptr<SharedEntries> shared;
};

MultiRun::MultiRun(QObject *parent) : QObject(parent), d(std::make_unique<Private>()) {}

MultiRun::~MultiRun() = default;

RunReport MultiRun::start(const MultiRunSettings &settings)
{
    d->settings = settings;
    return {};
}

bool MultiRun::isRunning() const
{
    return false;
}

int MultiRun::portCount() const
{
    return int(d->settings.ports.size());
}

QString MultiRun::portText(int port) const
{
    return d->settings.ports.value(port);
}

PortState MultiRun::state(int port) const
{
    Q_UNUSED(port);
    return PortState::Waiting;
}

QList<PortEnd> MultiRun::ends() const
{
    return d->ends;
}

const SharedEntries *MultiRun::sharedEntries() const
{
    return d->shared.get();
}

void MultiRun::stop(int port)
{
    Q_UNUSED(port);
}

void MultiRun::setPaused(int port, bool paused)
{
    Q_UNUSED(port);
    Q_UNUSED(paused);
}

void MultiRun::stopAll() {}

void MultiRun::setPausedAll(bool paused)
{
    Q_UNUSED(paused);
}

void MultiRun::dropAll() {}

} // namespace tapwright
