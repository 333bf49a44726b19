#include "macro/multirun.h"

#include "device/portlink.h"
#include "link/seriallink.h"
#include "macro/journal.h"
#include "macro/macrofile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>
#include <QThread>

#include <cstdlib>
#include <optional>

namespace tapwright {

/// One port's run, living in its own thread: the host of its runner. The
/// link and the runner are made in that thread when it starts, and every call
/// of the runner comes out as a signal, queued to the MultiRun's thread.
class MultiRun::PortRun : public QObject, public RunnerHost
{
    Q_OBJECT
public:
    struct Setup
    {
        QString macro;
        QString addr;
        QString port;
        QString counter;
        qint64 addressSkip = -1;
        bool journal = true;
        bool paced = true;
        bool canWait = false;
        SharedEntries *shared = nullptr;
        /// Going on from the journals: the port had ended with its list or
        /// its macro, and has nothing left to type.
        std::optional<RunEnd> ended;
    };

    explicit PortRun(const Setup &setup) : setup_(setup) {}

    QString macroFile() const override { return setup_.macro; }
    QString addrFile() const override { return setup_.addr; }
    QString portText() const override { return setup_.port; }
    QString counterText() const override { return setup_.counter; }
    void setCounterText(const QString &text) override
    {
        setup_.counter = text;
        Q_EMIT counterChanged(text);
    }
    void setStatus(const QString &text) override { Q_EMIT statusChanged(text); }
    void setAddress(const QString &text) override { Q_EMIT addressChanged(text); }
    void setRunning(bool running) override
    {
        running_ = running;
        tell();
    }
    void report(const RunReport &report) override { Q_EMIT reported(report); }
    // The files were checked once for every port before the runs started.
    void checkFailed(const CheckReport &check) override { Q_UNUSED(check); }
    void warn(const RunReport &warning) override { Q_EMIT warned(warning); }
    void setPaused(bool paused) override
    {
        paused_ = paused;
        tell();
    }
    void setProgress(const RunProgress &progress) override { Q_EMIT progressed(progress); }
    void frameSent(const KeyCode &code) override { Q_EMIT sent(code); }
    bool canWaitForPort() const override { return setup_.canWait; }
    void portLost(const LinkError &error) override
    {
        gone_ = true;
        tell();
        Q_EMIT lost(error);
    }
    void portBack() override
    {
        gone_ = false;
        tell();
        Q_EMIT back();
    }
    void waitingForEntry(bool waiting) override
    {
        waitingForEntry_ = waiting;
        tell();
    }

public Q_SLOTS:
    /// Runs the port's run to its end, in this object's thread, then ends
    /// the thread.
    void run()
    {
        if (setup_.ended) {
            Q_EMIT ended(*setup_.ended);
            thread()->quit();
            return;
        }
        link_ = std::make_unique<PortLink>();
        link_->setPaced(setup_.paced);
        connect(link_.get(), &PortLink::opened, this, [this] {
            if (link_->isVirtual())
                Q_EMIT deviceOpened();
        });
        connect(link_.get(), &PortLink::received, this, &PortRun::deviceReceived);
        runner_ = std::make_unique<MacroRunner>(*this, *link_);
        runner_->setCheckFirst(false);
        runner_->setJournal(setup_.journal);
        runner_->setJournalPerPort(true);
        runner_->setSharedEntries(setup_.shared);
        if (setup_.addressSkip >= 0)
            runner_->setAddressSkip(setup_.addressSkip);
        // Stop, pause and abandon come in through the run's own waits.
        const RunEnd end = runner_->run();
        runner_.reset();
        link_.reset();
        Q_EMIT ended(end);
        thread()->quit();
    }
    void stop()
    {
        if (runner_)
            runner_->requestStop();
    }
    void pause(bool paused)
    {
        if (runner_)
            runner_->setPaused(paused);
    }
    void drop()
    {
        if (link_)
            link_->ClosePort(Link::CloseMode::Discard);
    }
    void abandon()
    {
        if (runner_)
            runner_->abandon();
    }

Q_SIGNALS:
    void stateChanged(tapwright::PortState state);
    void counterChanged(const QString &text);
    void statusChanged(const QString &text);
    void addressChanged(const QString &text);
    void reported(const tapwright::RunReport &report);
    void warned(const tapwright::RunReport &warning);
    void progressed(const tapwright::RunProgress &progress);
    void sent(const tapwright::KeyCode &code);
    void lost(const tapwright::LinkError &error);
    void back();
    void deviceOpened();
    void deviceReceived(const tapwright::DevicePieces &pieces);
    void ended(tapwright::RunEnd end);

private:
    /// Tells the state when it changed.
    void tell()
    {
        PortState now = PortState::Waiting;
        if (gone_)
            now = PortState::PortGone;
        else if (paused_)
            now = PortState::Paused;
        else if (running_ && !waitingForEntry_)
            now = PortState::Running;
        if (now == told_)
            return;
        told_ = now;
        Q_EMIT stateChanged(now);
    }

    Setup setup_;
    std::unique_ptr<PortLink> link_;
    std::unique_ptr<MacroRunner> runner_;
    bool running_ = false;
    bool paused_ = false;
    bool gone_ = false;
    bool waitingForEntry_ = false;
    PortState told_ = PortState::Waiting;
};

struct MultiRun::Private
{
    explicit Private(MultiRun *owner) : owner(owner) {}

    MultiRun *owner;
    MultiRunSettings settings;
    /// In the MultiRun's thread only, from the ports' signals.
    QList<PortState> states;
    QList<PortEnd> ends;
    int running = 0;
    std::unique_ptr<SharedEntries> shared;
    std::vector<std::unique_ptr<QThread>> threads;
    /// Each lives in its thread; deleted here once that thread has ended.
    std::vector<std::unique_ptr<PortRun>> runs;

    /// Joins the threads of the last run and lets go of them.
    void clear()
    {
        for (const std::unique_ptr<PortRun> &run : runs)
            QMetaObject::invokeMethod(run.get(), &PortRun::abandon, Qt::QueuedConnection);
        for (const std::unique_ptr<QThread> &thread : threads)
            thread->wait();
        runs.clear();
        // What the ended runs told and this thread has not taken yet.
        QCoreApplication::removePostedEvents(owner, QEvent::MetaCall);
        threads.clear();
        running = 0;
    }
};

namespace {

/// The device a port text names, to tell two texts for one port apart from
/// two ports: "1" and "/dev/ttyS0" are the same port.
QString deviceOf(const QString &port)
{
    const PortName name = resolvePortName(port);
    const QString device = name.error.kind == LinkError::None ? name.device : port.trimmed();
    // A by-id name is a link to the device.
    const QString target = QFileInfo(device).canonicalFilePath();
    return target.isEmpty() ? device : target;
}

RunReport refusal(RunReport::Kind kind, const QString &port = QString(),
                  const QString &user = QString())
{
    RunReport report;
    report.kind = kind;
    report.value = port;
    report.reason = user;
    return report;
}

/// Why these ports cannot run together, or a report of kind None.
RunReport refusePorts(const MultiRunSettings &settings)
{
    if (settings.ports.isEmpty())
        return refusal(RunReport::NoPorts);
    QSet<QString> seen;
    for (const QString &port : settings.ports) {
        if (PortLink::namesVirtual(port))
            continue;
        const QString device = deviceOf(port);
        for (const QPair<QString, QString> &use : settings.portsInUse) {
            if (!PortLink::namesVirtual(use.first) && deviceOf(use.first) == device)
                return refusal(RunReport::PortInUse, port, use.second);
        }
        if (seen.contains(device))
            return refusal(RunReport::PortTwice, port);
        seen.insert(device);
    }
    return {};
}

} // namespace

MultiRun::MultiRun(QObject *parent) : QObject(parent), d(std::make_unique<Private>(this)) {}

MultiRun::~MultiRun()
{
    d->clear();
}

namespace {

/// The ports of one run begin their journals within moments of each other.
constexpr qint64 SameRunSeconds = 60;

/// Going on from the journals of a run over several ports with the whole
/// list each: how a port of that run ended, when it had ended with its macro
/// or its list. It types nothing again. A journal begun long before the open
/// ones is another run's.
std::optional<RunEnd> endedBefore(const MultiRunSettings &settings, const QString &port,
                                  const QList<JournalEntry> &open)
{
    if (open.isEmpty() || settings.split)
        return std::nullopt;
    const std::optional<JournalEntry> own =
        readJournal(journalPath(settings.macroFile, settings.addrFile, port));
    if (!own || !own->done || own->split)
        return std::nullopt;
    for (const JournalEntry &journal : open) {
        if (std::abs(journal.started.secsTo(own->started)) <= SameRunSeconds)
            return own->addrFile.isEmpty() ? RunEnd::EndOfMacro : RunEnd::AddressListDone;
    }
    return std::nullopt;
}

} // namespace

RunReport MultiRun::start(const MultiRunSettings &settings)
{
    if (isRunning())
        return {};
    d->clear();
    d->shared.reset();
    d->settings = settings;
    d->states.clear();
    d->ends.clear();
    for (const QString &port : settings.ports) {
        d->states.append(PortState::Waiting);
        PortEnd end;
        end.port = port;
        end.counter = settings.counterText;
        d->ends.append(end);
    }

    if (const RunReport refused = refusePorts(settings); refused.isError())
        return refused;
    if (settings.macroFile.isEmpty())
        return refusal(RunReport::NoMacroFile);
    const std::optional<qint32> counter = parsePassCounter(settings.counterText);
    if (!counter) {
        RunReport report = refusal(RunReport::BadCounter);
        report.value = settings.counterText;
        return report;
    }
    // Once for every port: they all read the same files.
    if (settings.checkFirst) {
        const CheckReport check = checkFiles(settings.macroFile, settings.addrFile, *counter);
        if (check.hasErrors()) {
            Q_EMIT checkFailed(check);
            return refusal(RunReport::CheckFailed);
        }
    }

    // Where the ports' runs had come to, to go on from.
    const QList<JournalEntry> journals = settings.resume
                                             ? openPortJournalsOf(settings.macroFile, settings.addrFile)
                                             : QList<JournalEntry>();
    if (settings.split && !settings.addrFile.isEmpty()) {
        QSet<qint64> delivered;
        for (const JournalEntry &journal : journals) {
            for (const qint64 entry : journal.deliveredEntries)
                delivered.insert(entry);
        }
        d->shared = std::make_unique<SharedEntries>();
        const RunReport opened = d->shared->open(settings.addrFile, *counter, delivered);
        if (opened.isError()) {
            d->shared.reset();
            return opened;
        }
    }

    for (int i = 0; i < settings.ports.size(); ++i) {
        PortRun::Setup setup;
        setup.macro = settings.macroFile;
        setup.addr = settings.addrFile;
        setup.port = settings.ports.at(i);
        setup.counter = settings.counterText;
        // A device inside the program has nothing to go on from after a
        // crash, and several of them would share one journal.
        setup.journal = settings.journal && !PortLink::namesVirtual(setup.port);
        setup.paced = settings.paced;
        setup.canWait = settings.canWaitForPort;
        setup.shared = d->shared.get();
        // Each port goes on from its own journal, one without from the
        // counter: its pass counter, and with the whole list the entries it
        // had taken; the split list knows its delivered entries itself.
        if (const std::optional<RunEnd> ended = endedBefore(settings, setup.port, journals)) {
            setup.ended = ended;
            d->ends[i].counter = setup.counter = QString::number(
                readJournal(journalPath(settings.macroFile, settings.addrFile, setup.port))
                    ->counter);
        }
        for (const JournalEntry &journal : journals) {
            if (journal.port == setup.port && journal.split == bool(d->shared)) {
                setup.counter = QString::number(journal.counter);
                if (!d->shared)
                    setup.addressSkip = journal.addressEntries;
                d->ends[i].counter = setup.counter;
            }
        }
        d->runs.push_back(std::make_unique<PortRun>(setup));
        d->threads.push_back(std::make_unique<QThread>());
        PortRun *run = d->runs.back().get();
        QThread *thread = d->threads.back().get();
        run->moveToThread(thread);
        connect(thread, &QThread::started, run, &PortRun::run, Qt::DirectConnection);

        // Every signal of the port's run is queued to this object's thread,
        // with the port's index.
        const auto queued = Qt::QueuedConnection;
        connect(
            run, &PortRun::stateChanged, this,
            [this, i](PortState state) {
                d->states[i] = state;
                Q_EMIT stateChanged(i, state);
            },
            queued);
        connect(
            run, &PortRun::counterChanged, this,
            [this, i](const QString &text) {
                d->ends[i].counter = text;
                Q_EMIT counterChanged(i, text);
            },
            queued);
        connect(
            run, &PortRun::reported, this,
            [this, i](const RunReport &report) {
                d->ends[i].report = report;
                Q_EMIT reported(i, report);
            },
            queued);
        connect(
            run, &PortRun::statusChanged, this,
            [this, i](const QString &text) { Q_EMIT statusChanged(i, text); }, queued);
        connect(
            run, &PortRun::addressChanged, this,
            [this, i](const QString &text) { Q_EMIT addressChanged(i, text); }, queued);
        connect(
            run, &PortRun::warned, this,
            [this, i](const RunReport &warning) { Q_EMIT warned(i, warning); }, queued);
        connect(
            run, &PortRun::progressed, this,
            [this, i](const RunProgress &progress) { Q_EMIT progressed(i, progress); }, queued);
        connect(
            run, &PortRun::sent, this,
            [this, i](const KeyCode &code) { Q_EMIT frameSent(i, code); }, queued);
        connect(
            run, &PortRun::lost, this,
            [this, i](const LinkError &error) { Q_EMIT portLost(i, error); }, queued);
        connect(
            run, &PortRun::back, this, [this, i] { Q_EMIT portBack(i); }, queued);
        connect(
            run, &PortRun::deviceOpened, this, [this, i] { Q_EMIT deviceOpened(i); }, queued);
        connect(
            run, &PortRun::deviceReceived, this,
            [this, i](const DevicePieces &pieces) { Q_EMIT deviceReceived(i, pieces); }, queued);
        connect(
            run, &PortRun::ended, this, [this, i](RunEnd end) { portRunEnded(i, end); }, queued);
    }
    d->running = int(d->runs.size());
    for (const std::unique_ptr<QThread> &thread : d->threads)
        thread->start();
    return {};
}

void MultiRun::portRunEnded(int port, RunEnd end)
{
    d->ends[port].end = end;
    const bool well =
        end == RunEnd::EndOfMacro || end == RunEnd::AddressListDone || end == RunEnd::Stopped;
    d->states[port] = well ? PortState::Done : PortState::Failed;
    // The thread ends right after it told its end.
    d->threads.at(std::size_t(port))->wait();
    --d->running;
    Q_EMIT stateChanged(port, d->states[port]);
    Q_EMIT portEnded(port, end);
    if (d->running == 0)
        Q_EMIT finished();
}

bool MultiRun::uses(const QString &port) const
{
    if (!isRunning() || PortLink::namesVirtual(port))
        return false;
    const QString device = deviceOf(port);
    for (int i = 0; i < d->settings.ports.size(); ++i) {
        const PortState state = d->states.value(i, PortState::Done);
        if (state != PortState::Done && state != PortState::Failed &&
            !PortLink::namesVirtual(d->settings.ports.at(i)) &&
            deviceOf(d->settings.ports.at(i)) == device)
            return true;
    }
    return false;
}

bool MultiRun::isRunning() const
{
    return d->running > 0;
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
    return d->states.value(port, PortState::Waiting);
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
    if (port >= 0 && std::size_t(port) < d->runs.size())
        QMetaObject::invokeMethod(d->runs[std::size_t(port)].get(), &PortRun::stop,
                                  Qt::QueuedConnection);
}

void MultiRun::setPaused(int port, bool paused)
{
    if (port >= 0 && std::size_t(port) < d->runs.size())
        QMetaObject::invokeMethod(d->runs[std::size_t(port)].get(), "pause", Qt::QueuedConnection,
                                  Q_ARG(bool, paused));
}

void MultiRun::stopAll()
{
    for (int i = 0; i < int(d->runs.size()); ++i)
        stop(i);
}

void MultiRun::setPausedAll(bool paused)
{
    for (int i = 0; i < int(d->runs.size()); ++i)
        setPaused(i, paused);
}

void MultiRun::dropAll()
{
    for (const std::unique_ptr<PortRun> &run : d->runs)
        QMetaObject::invokeMethod(run.get(), &PortRun::drop, Qt::QueuedConnection);
}

} // namespace tapwright

#include "multirun.moc"
