#pragma once

#include "device/framedecoder.h"
#include "link/link.h"
#include "macro/checker.h"
#include "macro/runner.h"
#include "macro/sharedentries.h"

#include <memory>
#include <QList>
#include <QPair>
#include <QObject>
#include <QString>
#include <QStringList>

namespace tapwright {

/// Where one port's run stands, as the windows and the terminal show it.
enum class PortState
{
    Waiting, ///< not started yet, or waiting for an entry of a split list
    Running,
    Paused,
    PortGone, ///< the port failed; the run waits for it to come back
    Done,     ///< ended well: its macro or its list ended, or it was stopped
    Failed,   ///< it could not start or could not go on
};

/// What a run over several ports runs.
struct MultiRunSettings
{
    QString macroFile;
    QString addrFile; ///< empty: no address file
    /// One run per port, in this order; "virtual" may come several times,
    /// each a device of its own. A serial port may come only once.
    QStringList ports;
    /// The pass counter as the user typed it; every port starts from it.
    QString counterText = QStringLiteral("0");
    /// Each entry goes to one device, whichever is ready first; otherwise
    /// the whole list goes to every device.
    bool split = false;
    bool checkFirst = true;
    bool journal = true;
    /// Go on from the ports' journals of these files.
    bool resume = false;
    bool paced = true;
    /// Someone is there to bring a handheld back and resume: a port that
    /// fails is waited for, and its run does not end.
    bool canWaitForPort = false;
    /// Ports this program uses elsewhere (the main window's run, the
    /// keypad), each with who uses it: refused by name.
    QList<QPair<QString, QString>> portsInUse;
};

/// One port's run as it ended.
struct PortEnd
{
    QString port;
    RunEnd end = RunEnd::NotStarted;
    QString counter;  ///< the pass counter it ended with
    RunReport report; ///< why it failed, when it did
};

/// Runs one macro over several ports at once, each in a thread of its own
/// with its own link, pacing, runner, pass counter and journal; one port's
/// failure never stops the others. Everything a run tells comes out of the
/// signals below, queued to the thread that made this object, with the
/// port's index in the settings' list.
class MultiRun : public QObject
{
    Q_OBJECT
public:
    explicit MultiRun(QObject *parent = nullptr);
    /// Abandons the runs still going, without their end sequence, and waits
    /// for their threads.
    ~MultiRun() override;

    /// Checks the files once and starts a run on every port. A report of
    /// kind None when they started; otherwise nothing started, and the
    /// report says why (checkFailed() has come first for a failed check):
    /// no port, a serial port twice, a port in use elsewhere, a bad counter,
    /// a failed check, an address file a split list cannot open. Does
    /// nothing while a run is going.
    RunReport start(const MultiRunSettings &settings);

    bool isRunning() const;
    int portCount() const;
    QString portText(int port) const;
    PortState state(int port) const;
    /// How the ports' runs ended; complete once finished() has come.
    QList<PortEnd> ends() const;
    /// The split list, or nullptr: which device delivered which entry, and
    /// the entries cut while their frames were on the line.
    const SharedEntries *sharedEntries() const;
    /// Whether a run that still goes on drives the serial port `port` names
    /// (by any of its names); a virtual device is never anyone else's.
    bool uses(const QString &port) const;

    void stop(int port);
    void setPaused(int port, bool paused);
    void stopAll();
    void setPausedAll(bool paused);
    /// A second stop: every port drops the frames still waiting for the line.
    void dropAll();

Q_SIGNALS:
    void checkFailed(const tapwright::CheckReport &check);
    void stateChanged(int port, tapwright::PortState state);
    void progressed(int port, const tapwright::RunProgress &progress);
    /// The step number and command word, "12 SLEEP".
    void statusChanged(int port, const QString &text);
    void addressChanged(int port, const QString &text);
    void counterChanged(int port, const QString &text);
    void warned(int port, const tapwright::RunReport &warning);
    /// The port's run could not start or could not go on.
    void reported(int port, const tapwright::RunReport &report);
    void portLost(int port, const tapwright::LinkError &error);
    void portBack(int port);
    void frameSent(int port, const tapwright::KeyCode &code);
    /// A virtual device was opened, and what it would enter, in order.
    void deviceOpened(int port);
    void deviceReceived(int port, const tapwright::DevicePieces &pieces);
    void portEnded(int port, tapwright::RunEnd end);
    /// Every port's run has ended.
    void finished();

private:
    /// A port's run has told its end: its thread ends with it.
    void portRunEnded(int port, RunEnd end);

    class PortRun;
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace tapwright
