#pragma once

#include "macro/multirun.h"
#include "ui/loadedform.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace tapwright::ui {

class frmDevice;
class PortBox;

/// Runs the main window's macro and address file over several ports at once:
/// a row a port with its state, pass, entry and progress and its own stop and
/// pause, and buttons for them all. A virtual port gives a device window of
/// its own each time it is listed.
class frmMultiRun : public LoadedForm<frmMultiRun>
{
    Q_OBJECT
public:
    ~frmMultiRun() override;

    /// Why `port` may not be opened elsewhere: a run over several ports
    /// drives it. A report of kind None when none does.
    static RunReport portTaken(const QString &port);

    /// The columns of the port list.
    enum Column
    {
        ColPort,
        ColState,
        ColPass,
        ColEntry,
        ColProgress,
        ColStop,
        ColPause,
        ColumnCount
    };

    QLabel *lblMacroFile;
    QLabel *lblAddrFile;
    QLabel *lblCounter;
    /// Each device gets the whole list (the default), or each entry goes to
    /// one device; fixed during a run.
    QRadioButton *optEach;
    QRadioButton *optSplit;
    /// The next start goes on from the ports' journals of these files.
    QCheckBox *chkResume;
    /// A row a port; the port cell is a PortBox, the buttons are cell widgets.
    QTableWidget *tblPorts;
    QPushButton *cmdAddPort;
    QPushButton *cmdRemovePort;
    /// The entries delivered of the split list; shown in a split run only.
    QProgressBar *barShared;
    QPushButton *cmdStartAll;
    /// Checked while every port is paused.
    QPushButton *cmdPauseAll;
    QPushButton *cmdStopAll;
    /// What the ports told during the run, and how each ended: it stays.
    QPlainTextEdit *txtReport;

    /// The port box, the stop and the pause button of row `row`.
    PortBox *portBox(int row) const;
    QPushButton *stopButton(int row) const;
    QPushButton *pauseButton(int row) const;
    /// The device window of the run's port `port`, or nullptr before it opened.
    frmDevice *deviceWindow(int port) const;
    MultiRun &run() { return *run_; }

    /// Shows the main window's files and counter, as a run would take them.
    void showFiles();
    /// Asked before the program ends: during a run, whether to stop the runs.
    /// True when the program may end; the runs are then abandoned.
    bool mayQuit();

public Q_SLOTS:
    void cmdStartAll_Click();
    void cmdPauseAll_Click(bool checked);
    void cmdStopAll_Click();
    void cmdAddPort_Click();
    void cmdRemovePort_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    friend class LoadedForm<frmMultiRun>;
    frmMultiRun();
    void Form_Load();
    /// Adds a row with `port` in its box.
    void addRow(const QString &port);
    /// The ports of the list, as typed.
    QStringList ports() const;
    void savePorts() const;
    /// Enables what may be used with or without a run going on.
    void setRunning(bool running);
    void say(const QString &text);

    /// Takes what run_ tells, a port at a time.
    void followRun();
    void onStateChanged(int port, tapwright::PortState state);
    void onProgressed(int port, const tapwright::RunProgress &progress);
    void onDeviceOpened(int port);
    void onFinished();
    void showShared();

    MultiRun *run_;
    QList<QPointer<frmDevice>> devices_;
    /// The pass counter every port started from.
    qint64 startCounter_ = 0;
    /// The window closes once the runs it stopped have ended.
    bool closeWhenDone_ = false;
};

} // namespace tapwright::ui
