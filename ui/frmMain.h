#pragma once

#include "device/portlink.h"
#include "macro/runner.h"
#include "ui/endnotice.h"
#include "ui/frmLog.h"
#include "ui/loadedform.h"
#include "ui/pathlabel.h"
#include "ui/portbox.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <optional>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMessageBox;
class QPushButton;

namespace tapwright::ui {

class frmDevice;

/// The main window: picks the macro and address files, the port and the pass
/// counter, starts and stops runs, and opens the other windows. Closing it
/// ends the program.
class frmMain : public LoadedForm<frmMain, QMainWindow>, public RunnerHost
{
    Q_OBJECT
public:
    ~frmMain() override;

    // Settings the other windows and the runner read.
    QString Title;
    QString Version;
    QString Copyright;
    QString AddrFile;
    QString MacroFile;
    /// The port text of the last run, taken when it starts.
    QString CommPort() const { return link_.commPort(); }
    /// True while a run goes on and may go on.
    bool MacroExe() const { return runner_.MacroExe; }

    // Controls.
    QLabel *lblAddr;
    QLabel *lblCounter;
    QLineEdit *txtCounter;
    QLabel *lblPort;
    PortBox *cmbCommPort;
    QGroupBox *frmMacroFile;
    /// The whole path is its text; long, it is drawn in the middle elided.
    PathLabel *lblMacroFile;
    QGroupBox *frmAddrFile;
    PathLabel *lblAddrFile;
    QLabel *lblStatus;
    QPushButton *cmdSend;
    QPushButton *cmdStop;

    // The status bar under the window's layout.
    /// "実行中", "一時停止中", or nothing while idle.
    QLabel *lblRunState;
    /// How many warnings the current (or last) run gave, "警告 3 件".
    QLabel *lblWarningCount;
    /// "パス 3 / 5  残り約 1 h 12 min" during a run.
    QLabel *lblProgress;
    /// The last warning of the run, without the folder; the full text is its tooltip.
    QLabel *lblLastWarning;

    // Menus.
    QMenu *mnuFile;
    QAction *mnuFileMacro;
    QAction *mnuFileAddr;
    /// Open the macro window on a new macro, or on the chosen macro file.
    QAction *mnuFileNewMacro;
    QAction *mnuFileEditMacro;
    QAction *mnuFileExit;
    QMenu *mnuView;
    QAction *mnuKeyboard;
    QAction *mnuViewLog;
    /// Shows the typing window again, and the keypad it sends through.
    QAction *mnuViewTyping;
    QMenu *mnuRun;
    /// F5: what 実行 does, enabled as it is.
    QAction *mnuRunStart;
    /// Shift+F5: what 停止 does, enabled as it is.
    QAction *mnuRunStop;
    /// Checks the chosen files without sending; enabled while idle.
    QAction *mnuRunCheck;
    /// Checked while the run is paused; enabled only during a run.
    QAction *mnuRunPause;
    /// Opens the window that runs the macro over several ports; enabled
    /// while this window runs nothing.
    QAction *mnuRunMulti;
    QMenu *mnuHelp;
    QAction *mnuHelpContents;
    QAction *mnuHelpAbout;

    /// The link of macro runs.
    PortLink &MSComm1() { return link_; }
    /// What the virtual device entered in runs, created on first use.
    frmDevice *deviceWindow();
    MacroRunner &runner() { return runner_; }
    /// What the runs sent; kept whether or not its window is open.
    SendLog &sendLog() { return sendLog_; }
    /// What tells the desktop that a long run has ended.
    EndNotice &endNotice() { return endNotice_; }

    /// Offers to go on from the newest open journal whose files still exist:
    /// yes fills in the files, the port and the counter, and the next run
    /// skips the address lines the journal counted; no closes the journal.
    /// Starts nothing. Once, when the program has shown the window.
    void offerJournal();

public Q_SLOTS:
    void cmdSend_Click();
    void cmdStop_Click();
    void mnuFileMacro_Click();
    void mnuFileAddr_Click();
    void mnuFileNewMacro_Click();
    void mnuFileEditMacro_Click();
    /// The file dialogs' filter.
    static QString fileFilter();
    /// Makes `path` the macro file and shows it.
    void showMacroFile(const QString &path);
    void mnuFileExit_Click();
    void mnuKeyboard_Click();
    void mnuViewLog_Click();
    void mnuViewTyping_Click();
    void mnuRunCheck_Click();
    void mnuRunPause_Click(bool checked);
    void mnuRunMulti_Click();
    void mnuHelpContents_Click();
    void mnuHelpAbout_Click();

Q_SIGNALS:
    /// A run started or ended.
    void runningChanged(bool running);

protected:
    void closeEvent(QCloseEvent *event) override;
    /// Takes a file dropped on the macro file's or the address file's frame.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class LoadedForm<frmMain, QMainWindow>;
    frmMain();
    void Form_Load();
    void Form_Unload();
    /// Runs the open-file dialog; returns the chosen path or an empty string.
    QString chooseFile();
    void showAddrFile(const QString &path);

    // RunnerHost
    QString macroFile() const override;
    QString addrFile() const override;
    QString portText() const override;
    QString counterText() const override;
    void setCounterText(const QString &text) override;
    void setStatus(const QString &text) override;
    void setAddress(const QString &text) override;
    void setRunning(bool running) override;
    void report(const RunReport &report) override;
    void checkFailed(const CheckReport &check) override;
    void warn(const RunReport &warning) override;
    void setPaused(bool paused) override;
    void setProgress(const RunProgress &progress) override;
    void frameSent(const KeyCode &code) override;
    bool canWaitForPort() const override { return true; }
    void portLost(const LinkError &error) override;
    void portBack() override;
    /// Says what became of the port, in the status bar, the send log and a
    /// box that does not hold up the window.
    void tellAboutPort(const QString &text);

    PortLink link_;
    MacroRunner runner_;
    frmDevice *device_ = nullptr;
    QPointer<QMessageBox> portNotice_;
    SendLog sendLog_;
    EndNotice endNotice_;
    QString lastChosenFile_;
    /// Where the next run goes on from, exactly: the address lines the passes
    /// so far took, as long as the counter and the files are as they were (a
    /// journal taken up, or a run that stopped).
    struct Resume
    {
        QString counter, macro, addr;
        qint64 addressEntries = 0;
    };
    std::optional<Resume> resume_;
    /// Warnings of the current run.
    int warnings_ = 0;
    /// The address being typed, and the frames handed over since it began.
    QString address_;
    qint64 addressFrames_ = 0;
    /// Shows the address; paused, the part the device has not got in grey.
    void showAddress();
    /// The status bar's word on trying without a device, until it has gone.
    QString tryHint_;
    void dropTryHint();
    bool unloading_ = false;
};

} // namespace tapwright::ui
