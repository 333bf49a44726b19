#include "ui/frmMain.h"

#include "macro/checker.h"
#include "macro/journal.h"
#include "text/textsender.h"
#include "ui/common.h"
#include "ui/desktop.h"
#include "ui/frmAbout.h"
#include "ui/frmCheck.h"
#include "ui/frmDevice.h"
#include "ui/frmInput.h"
#include "ui/frmKeyboard.h"
#include "ui/frmMacro.h"
#include "ui/frmMultiRun.h"
#include "ui/portbox.h"
#include "ui/seams.h"

#include <algorithm>
#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

namespace tapwright::ui {

namespace {

// Every file, on every platform.
const char16_t *const FileFilter = u"すべて (*)";

/// A file as the run's resume tells it apart, however its path is written.
QString fileKey(const QString &path)
{
    return path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

/// A one-line label that cuts its text with "…" at its width instead of
/// asking for more room: a long warning must not widen the window.
class ElidedLabel : public QLabel
{
public:
    explicit ElidedLabel(QWidget *parent) : QLabel(parent)
    {
        setTextFormat(Qt::PlainText);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        // Rich text (an address in two colours) is short-lived: as QLabel draws it.
        if (textFormat() == Qt::RichText)
            return QLabel::paintEvent(event);
        QPainter painter(this);
        const QRect room = contentsRect();
        painter.drawText(room, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         fontMetrics().elidedText(text(), Qt::ElideRight, room.width()));
    }
};

/// How many characters at the start of `text` the device has whole once
/// `frames` of the frames typing it are on the line; a character may take
/// two frames.
qsizetype charactersEntered(const QString &text, qint64 frames)
{
    qsizetype at = 0;
    for (qint64 sent = 0; at < text.size(); ++at) {
        sent += framesOfText(QStringView(text).mid(at, 1));
        if (sent > frames)
            break;
    }
    return at;
}

} // namespace

frmMain::frmMain() : runner_(*this, link_)
{
    runner_.setJournal(true);
    // A fixed single border: a close box, but no maximise or minimise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowIcon(appIcon());

    auto *client = new QWidget(this);
    setCentralWidget(client);
    setClientTwips(client, 5295, 2910);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    auto label = [](QWidget *parent, const QString &text) {
        auto *l = new QLabel(text, parent);
        l->setTextFormat(Qt::PlainText);
        return l;
    };
    // A long address ends in "…" at the label's edge; the tooltip has it whole.
    lblAddr = new ElidedLabel(client);
    placeTwips(lblAddr, 120, 120, 3255, 255);
    lblCounter = label(client, QStringLiteral("カウンタ"));
    placeTwips(lblCounter, 3600, 0, 615, 255);
    // Fonts with Japanese glyphs are wider than the ones this layout was drawn
    // for; let the caption use the free room up to the port label.
    lblCounter->resize(std::min(lblCounter->sizeHint().width(), twipsX(lblCounter, 840)),
                       lblCounter->height());
    txtCounter = new QLineEdit(QStringLiteral("0"), client);
    placeTwips(txtCounter, 3600, 240, 735, 270);
    lblPort = label(client, QStringLiteral("ポート"));
    placeTwips(lblPort, 4440, 0, 735, 255);
    cmbCommPort = new PortBox(client);
    placeTwips(cmbCommPort, 4440, 240, 735, 300);

    frmMacroFile = new QGroupBox(QStringLiteral("マクロファイル"), client);
    placeTwips(frmMacroFile, 120, 720, 5055, 735);
    lblMacroFile = new PathLabel(frmMacroFile);
    placeTwips(lblMacroFile, 120, 240, 4815, 375);
    frmAddrFile = new QGroupBox(QStringLiteral("アドレスファイル"), client);
    placeTwips(frmAddrFile, 120, 1560, 5055, 735);
    lblAddrFile = new PathLabel(frmAddrFile);
    placeTwips(lblAddrFile, 120, 240, 4815, 375);
    lblStatus = label(client, QString());
    placeTwips(lblStatus, 120, 2520, 3255, 255);

    cmdSend = new QPushButton(QStringLiteral("実行"), client);
    placeTwips(cmdSend, 3600, 2400, 735, 375);
    cmdStop = new QPushButton(QStringLiteral("停止"), client);
    placeTwips(cmdStop, 4440, 2400, 735, 375);
    for (QPushButton *b : {cmdSend, cmdStop})
        b->setAutoDefault(false);

    // A file dropped on a frame is chosen as its menu item would choose it.
    for (QGroupBox *frame : {frmMacroFile, frmAddrFile}) {
        frame->setAcceptDrops(true);
        frame->installEventFilter(this);
    }

    setTabOrder(cmbCommPort, cmdSend);
    setTabOrder(cmdSend, txtCounter);
    setTabOrder(txtCounter, cmdStop);

    mnuFile = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    mnuFileMacro = mnuFile->addAction(QStringLiteral("マクロファイルを開く(&M)..."));
    mnuFileAddr = mnuFile->addAction(QStringLiteral("アドレスファイルを開く(&A)..."));
    mnuFileNewMacro = mnuFile->addAction(tr("&New macro"), this, &frmMain::mnuFileNewMacro_Click);
    mnuFileEditMacro =
        mnuFile->addAction(tr("&Edit macro"), this, &frmMain::mnuFileEditMacro_Click);
    mnuFileEditMacro->setEnabled(false);
    mnuFile->addSeparator();
    mnuFileExit = mnuFile->addAction(QStringLiteral("終了(&X)"));
    mnuView = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    mnuKeyboard = mnuView->addAction(QStringLiteral("キーボード(&K)"));
    mnuViewLog = mnuView->addAction(tr("Send &log"));
    mnuViewTyping = mnuView->addAction(tr("&Typing window"));
    mnuRun = menuBar()->addMenu(tr("&Run"));
    // The buttons keep no shortcut of their own: the keys are these items'.
    mnuRunStart = mnuRun->addAction(tr("&Start"));
    mnuRunStart->setShortcut(QKeySequence(Qt::Key_F5));
    mnuRunStop = mnuRun->addAction(tr("S&top"));
    mnuRunStop->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
    mnuRunStop->setEnabled(false);
    addAction(mnuRunStart);
    addAction(mnuRunStop);
    mnuRun->addSeparator();
    mnuRunCheck = mnuRun->addAction(tr("&Check..."));
    mnuRun->addSeparator();
    mnuRunPause = mnuRun->addAction(tr("&Pause"));
    mnuRunPause->setCheckable(true);
    mnuRunPause->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_P), QKeySequence(Qt::Key_Pause)});
    mnuRunPause->setEnabled(false);
    // The shortcut works wherever the focus is in this window, menus closed.
    addAction(mnuRunPause);
    mnuRun->addSeparator();
    mnuRunMulti = mnuRun->addAction(tr("Run over &many ports..."));
    mnuHelp = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    mnuHelpContents = mnuHelp->addAction(QStringLiteral("目次(&C)"));
    mnuHelp->addSeparator();
    mnuHelpAbout = mnuHelp->addAction(QStringLiteral("バージョン情報(&A)"));

    connect(cmdSend, &QPushButton::clicked, this, &frmMain::cmdSend_Click);
    connect(cmdStop, &QPushButton::clicked, this, &frmMain::cmdStop_Click);
    connect(mnuFileMacro, &QAction::triggered, this, &frmMain::mnuFileMacro_Click);
    connect(mnuFileAddr, &QAction::triggered, this, &frmMain::mnuFileAddr_Click);
    connect(mnuFileExit, &QAction::triggered, this, &frmMain::mnuFileExit_Click);
    connect(mnuKeyboard, &QAction::triggered, this, &frmMain::mnuKeyboard_Click);
    connect(mnuViewLog, &QAction::triggered, this, &frmMain::mnuViewLog_Click);
    connect(mnuViewTyping, &QAction::triggered, this, &frmMain::mnuViewTyping_Click);
    // Through the buttons: a disabled one does nothing, whatever asks.
    connect(mnuRunStart, &QAction::triggered, cmdSend, &QPushButton::click);
    connect(mnuRunStop, &QAction::triggered, cmdStop, &QPushButton::click);
    connect(mnuRunCheck, &QAction::triggered, this, &frmMain::mnuRunCheck_Click);
    connect(mnuRunPause, &QAction::triggered, this, &frmMain::mnuRunPause_Click);
    connect(mnuRunMulti, &QAction::triggered, this, &frmMain::mnuRunMulti_Click);
    connect(mnuHelpContents, &QAction::triggered, this, &frmMain::mnuHelpContents_Click);
    connect(mnuHelpAbout, &QAction::triggered, this, &frmMain::mnuHelpAbout_Click);

    // Below the client area: the window grows by the bar's height.
    QStatusBar *bar = statusBar();
    bar->setSizeGripEnabled(false);
    lblRunState = label(bar, QString());
    lblProgress = label(bar, QString());
    lblWarningCount = label(bar, QString());
    lblLastWarning = new ElidedLabel(bar);
    bar->addWidget(lblRunState);
    bar->addWidget(lblProgress);
    bar->addWidget(lblWarningCount);
    bar->addWidget(lblLastWarning, 1);

    // A run on the virtual device shows what the device enters.
    frmDevice::follow(link_, this, [this] { return deviceWindow(); });

    // Fix the size now, menu and status bars included, not only once the window shows.
    layout()->activate();
}

frmMain::~frmMain() = default;

void frmMain::Form_Load()
{
    Title = QStringLiteral("Tapwright");
    Version = QStringLiteral("version 2.00");
    Copyright = QStringLiteral(TAPWRIGHT_COPYRIGHT);
    setWindowTitle(Title + QLatin1Char(' ') + Version);
    runner_.MacroExe = false;
    cmdStop->setEnabled(false);
    // No item is selected; the text "1" stands for the default port.
    cmbCommPort->setCurrentIndex(-1);
    cmbCommPort->setEditText(QStringLiteral("1"));
    cmbCommPort->fillList();
    // "1" is seldom where a first try's device is: say once that there need be none.
    // Short: the bar is as wide as the fixed window.
    tryHint_ = tr("To try without a device, choose the port %1.").arg(VirtualLink::portName());
    statusBar()->showMessage(tryHint_);
    connect(cmbCommPort, &QComboBox::editTextChanged, this, &frmMain::dropTryHint);
}

void frmMain::dropTryHint()
{
    if (tryHint_.isNull())
        return;
    if (statusBar()->currentMessage() == tryHint_)
        statusBar()->clearMessage();
    tryHint_.clear();
    disconnect(cmbCommPort, &QComboBox::editTextChanged, this, &frmMain::dropTryHint);
}

frmDevice *frmMain::deviceWindow()
{
    if (!device_)
        device_ = new frmDevice(this, tr("Virtual device — %1").arg(Title));
    return device_;
}

void frmMain::cmdSend_Click()
{
    if (const RunReport taken = frmMultiRun::portTaken(portText()); taken.isError()) {
        report(taken);
        return;
    }
    if (resume_ && resume_->counter == txtCounter->text() && resume_->macro == fileKey(MacroFile) &&
        resume_->addr == fileKey(AddrFile))
        runner_.setAddressSkip(resume_->addressEntries);
    endNotice_.started(parsePassCounter(txtCounter->text()).value_or(0));
    const RunEnd end = runner_.run();
    endNotice_.ended(this, end, parsePassCounter(txtCounter->text()).value_or(0));
    if (end == RunEnd::Stopped || end == RunEnd::Failed)
        resume_ = Resume{txtCounter->text(), fileKey(MacroFile), fileKey(AddrFile),
                         runner_.addressEntriesTaken()};
    else if (end != RunEnd::NotStarted)
        resume_.reset();
}

void frmMain::offerJournal()
{
    const QList<JournalEntry> open = openJournals().open;
    // The newest whose files are still there; the others wait for a later start.
    auto it = std::find_if(open.crbegin(), open.crend(), [](const JournalEntry &j) {
        return QFileInfo::exists(j.macroFile) &&
               (j.addrFile.isEmpty() || QFileInfo::exists(j.addrFile));
    });
    if (it == open.crend())
        return;
    JournalEntry journal = *it;
    const QString none = tr("(none)");
    const QString macro = QDir::toNativeSeparators(journal.macroFile);
    const QString addr = QDir::toNativeSeparators(journal.addrFile);
    const std::optional<AddressEntry> next =
        addr.isEmpty() ? std::nullopt : addressAfter(addr, journal.addressEntries);
    const QString text =
        tr("A run did not end:\n\nMacro file: %1\nAddress file: %2\nPasses the device got: %3 "
           "(pass counter %4)\nNext address: %5\nLast update: %6\n\nGo on from there? Nothing "
           "is sent until you press %7.")
            .arg(visibleText(macro), addr.isEmpty() ? none : visibleText(addr))
            .arg(journal.passesDelivered())
            .arg(journal.counter)
            .arg(next ? visibleText(nameOf(next->text, fieldFormatOf(addr))) : none,
                 journal.updated.toString(QStringLiteral("yyyy-MM-dd HH:mm")), cmdSend->text());
    if (!seams().ask(this, text, tr("Go on"), tr("Close the journal"))) {
        journal.done = true;
        writeJournal(journal);
        return;
    }
    showMacroFile(macro);
    showAddrFile(addr);
    cmbCommPort->setEditText(journal.port);
    txtCounter->setText(QString::number(journal.counter));
    resume_ =
        Resume{txtCounter->text(), fileKey(MacroFile), fileKey(AddrFile), journal.addressEntries};
}

void frmMain::cmdStop_Click()
{
    runner_.requestStop();
}

QString frmMain::chooseFile()
{
    // As the system writes paths (C:\…\name.mac on Windows): the labels, the
    // check, the send log and the messages all quote the path as taken here.
    const QString path = QDir::toNativeSeparators(
        seams().chooseFile(this, QString::fromUtf16(FileFilter), lastChosenFile_));
    if (!path.isEmpty())
        lastChosenFile_ = path; // both items open the dialog on the last choice
    return path;
}

void frmMain::mnuFileMacro_Click()
{
    const QString path = chooseFile();
    if (!path.isEmpty())
        showMacroFile(path);
}

void frmMain::mnuFileAddr_Click()
{
    const QString path = chooseFile();
    if (!path.isEmpty())
        showAddrFile(path);
}

QString frmMain::fileFilter()
{
    return QString::fromUtf16(FileFilter);
}

void frmMain::mnuFileNewMacro_Click()
{
    frmMacro *window = frmMacro::instance();
    window->show();
    window->raise();
    if (!window->path().isEmpty())
        window->newMacro();
}

void frmMain::mnuFileEditMacro_Click()
{
    frmMacro *window = frmMacro::instance();
    window->show();
    window->raise();
    window->openMacro(MacroFile);
}

void frmMain::showMacroFile(const QString &path)
{
    MacroFile = path;
    mnuFileEditMacro->setEnabled(!path.isEmpty());
    lblMacroFile->setPath(path);
}

void frmMain::showAddrFile(const QString &path)
{
    AddrFile = path;
    lblAddrFile->setPath(path);
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    const bool dropping = event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
                          event->type() == QEvent::Drop;
    if (!dropping || (watched != frmMacroFile && watched != frmAddrFile))
        return QMainWindow::eventFilter(watched, event);
    auto *drop = static_cast<QDropEvent *>(event);
    // One local file, and nothing else: the cursor says so before the drop.
    const QList<QUrl> urls = drop->mimeData()->urls();
    const QString path = urls.size() == 1 && urls[0].isLocalFile()
                             ? QDir::toNativeSeparators(urls[0].toLocalFile())
                             : QString();
    if (path.isEmpty() || QFileInfo(path).isDir()) {
        event->ignore();
        return true;
    }
    drop->acceptProposedAction();
    if (event->type() == QEvent::Drop) {
        lastChosenFile_ = path; // the dialog opens on it next, as on a file it chose
        if (watched == frmMacroFile)
            showMacroFile(path);
        else
            showAddrFile(path);
    }
    return true;
}

void frmMain::mnuFileExit_Click()
{
    // The macro window's changes are saved or given up first; Cancel keeps both open.
    if (frmMacro::exists() && !frmMacro::instance()->close())
        return;
    if (frmMultiRun::exists() && !frmMultiRun::instance()->mayQuit())
        return;
    Form_Unload();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if ((frmMacro::exists() && !frmMacro::instance()->close()) ||
        (frmMultiRun::exists() && !frmMultiRun::instance()->mayQuit())) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void frmMain::Form_Unload()
{
    if (unloading_)
        return;
    unloading_ = true;
    // The user asked to quit: what is still queued for the device is dropped,
    // and a run in progress goes no further.
    link_.ClosePort(Link::CloseMode::Discard);
    runner_.abandon();
    seams().endProcess();
}

void frmMain::mnuKeyboard_Click()
{
    frmKeyboard *keypad = frmKeyboard::instance();
    keypad->show();
    keypad->raise();
    keypad->activateWindow();
}

void frmMain::mnuViewLog_Click()
{
    frmLog *log = frmLog::instance();
    log->show();
    log->raise();
    log->activateWindow();
}

void frmMain::mnuViewTyping_Click()
{
    // The typing window sends through the keypad, and closing either hides
    // the other: they come back together.
    frmKeyboard::instance()->show();
    frmInput *typing = frmInput::instance();
    typing->show();
    typing->raise();
    typing->activateWindow();
}

void frmMain::mnuRunCheck_Click()
{
    // The same refusals as a run's, before anything is read.
    RunReport refused;
    const std::optional<qint32> counter = parsePassCounter(txtCounter->text());
    if (MacroFile.isEmpty()) {
        refused.kind = RunReport::NoMacroFile;
    } else if (!counter) {
        refused.kind = RunReport::BadCounter;
        refused.value = txtCounter->text();
    }
    if (refused.kind != RunReport::None) {
        seams().showMessage(this, describe(refused));
        return;
    }
    frmCheck::instance()->check(MacroFile, AddrFile, *counter);
}

void frmMain::mnuRunPause_Click(bool checked)
{
    runner_.setPaused(checked);
    // Outside a run the runner refuses; the item must not stay checked then.
    mnuRunPause->setChecked(runner_.isPaused());
}

void frmMain::mnuRunMulti_Click()
{
    frmMultiRun *window = frmMultiRun::instance();
    window->showFiles();
    window->show();
    window->raise();
    window->activateWindow();
}

void frmMain::mnuHelpContents_Click()
{
    // The working directory as it is now; the file dialog may have moved it.
    openHelp(this, QDir::currentPath(), QCoreApplication::applicationDirPath());
}

void frmMain::mnuHelpAbout_Click()
{
    frmAbout *about = frmAbout::instance();
    about->show();
    about->raise();
    about->activateWindow();
}

QString frmMain::macroFile() const
{
    return MacroFile;
}

QString frmMain::addrFile() const
{
    return AddrFile;
}

QString frmMain::portText() const
{
    return cmbCommPort->currentText();
}

QString frmMain::counterText() const
{
    return txtCounter->text();
}

void frmMain::setCounterText(const QString &text)
{
    txtCounter->setText(text);
}

void frmMain::setStatus(const QString &text)
{
    // The command word is the file's: its control characters by their code.
    const QString shown = visibleText(text);
    lblStatus->setText(shown);
    sendLog_.addStep(shown);
}

void frmMain::frameSent(const KeyCode &code)
{
    ++addressFrames_;
    sendLog_.addFrame(code);
}

void frmMain::setProgress(const RunProgress &p)
{
    // The pass being worked on; the last one stays shown as the list ends.
    const qint64 pass =
        p.finalCounter >= 0 ? std::min(p.counter + 1, p.finalCounter) : p.counter + 1;
    QString text =
        p.finalCounter >= 0
            ? tr("pass %1 of %2").arg(QString::number(pass), QString::number(p.finalCounter))
            : tr("pass %1").arg(pass);
    text += p.remainingNs >= 0
                ? tr("  about %1 to go").arg(describeDuration(double(p.remainingNs) / 1e9))
                : tr("  — to go");
    if (!p.entryName.isEmpty())
        text += QStringLiteral("  ") + visibleText(p.entryName);
    lblProgress->setText(text);
}

void frmMain::setAddress(const QString &text)
{
    address_ = text;
    addressFrames_ = 0;
    showAddress();
}

void frmMain::showAddress()
{
    const QString shown = visibleText(address_);
    lblAddr->setToolTip(plainToolTip(shown));
    // Paused in the middle of it: what the device has, and the rest in grey.
    // Frames handed over and not yet on the line are not the device's.
    const qsizetype entered =
        runner_.isPaused() ? charactersEntered(address_, addressFrames_ - link_.framesInFlight())
                           : address_.size();
    if (entered >= address_.size()) {
        lblAddr->setTextFormat(Qt::PlainText);
        lblAddr->setText(shown);
        return;
    }
    lblAddr->setTextFormat(Qt::RichText);
    lblAddr->setText(visibleText(address_.left(entered)).toHtmlEscaped() +
                     QStringLiteral("<span style=\"color:#808080\">") +
                     visibleText(address_.mid(entered)).toHtmlEscaped() +
                     QStringLiteral("</span>"));
}

void frmMain::setRunning(bool running)
{
    // The pressed button is about to be disabled, and the focus would pass
    // to the next in the chain: into カウンタ, its text selected, where a
    // stray key would replace it. The other button takes it instead.
    QPushButton *going = running ? cmdSend : cmdStop;
    QPushButton *coming = running ? cmdStop : cmdSend;
    coming->setEnabled(true);
    if (going->hasFocus())
        coming->setFocus(Qt::OtherFocusReason);
    going->setEnabled(false);
    mnuRunStart->setEnabled(cmdSend->isEnabled());
    mnuRunStop->setEnabled(cmdStop->isEnabled());
    mnuRunPause->setEnabled(running);
    mnuRunPause->setChecked(false);
    mnuRunCheck->setEnabled(!running);
    mnuRunMulti->setEnabled(!running);
    if (running)
        dropTryHint();
    Q_EMIT runningChanged(running);
    lblRunState->setText(running ? tr("running") : QString());
    lblProgress->clear();
    if (!running)
        sendLog_.flush();
    if (running) {
        // The count and the last warning stay after a run, until the next one.
        warnings_ = 0;
        lblWarningCount->clear();
        lblLastWarning->clear();
        lblLastWarning->setToolTip(QString());
    }
}

void frmMain::setPaused(bool paused)
{
    showAddress();
    // The frames already handed over reach the device within their line
    // time: then the label says exactly what it has.
    if (paused)
        QTimer::singleShot(int(frameNs(PacedLead + 1) / 1000000), this, [this] {
            if (runner_.isPaused())
                showAddress();
        });
    mnuRunPause->setChecked(paused);
    lblRunState->setText(paused ? tr("paused") : tr("running"));
    if (!paused) {
        // The port is back and the run goes on, or the run ends.
        statusBar()->clearMessage();
        if (portNotice_)
            portNotice_->close();
    }
}

void frmMain::tellAboutPort(const QString &text)
{
    sendLog_.addMessage(SendLog::Warning, text);
    // In place of the run's labels until the run goes on or ends.
    statusBar()->showMessage(text);
    // The bar cuts a long port name and what to do; this box has it whole,
    // and leaves 停止 and 一時停止 to be pressed.
    if (!portNotice_) {
        portNotice_ = new QMessageBox(QMessageBox::Information, Title, QString(),
                                      QMessageBox::Ok, this);
        portNotice_->setAttribute(Qt::WA_DeleteOnClose);
        portNotice_->setTextFormat(Qt::PlainText);
        portNotice_->setWindowModality(Qt::NonModal);
    }
    portNotice_->setText(text);
    portNotice_->show();
    portNotice_->raise();
}

void frmMain::portLost(const LinkError &error)
{
    sendLog_.addMessage(SendLog::Error, describe(error));
    tellAboutPort(portGone(error));
}

void frmMain::portBack()
{
    tellAboutPort(tapwright::portBack(link_.commPort(), tr("go on with Pause")));
}

void frmMain::warn(const RunReport &warning)
{
    ++warnings_;
    sendLog_.addMessage(SendLog::Warning, describe(warning));
    lblWarningCount->setText(tr("warnings: %1").arg(warnings_));
    // The bar is narrow: the file's name is enough there, the tooltip has it all.
    RunReport brief = warning;
    brief.file = QFileInfo(warning.file).fileName();
    lblLastWarning->setText(describe(brief).section(QLatin1Char('\n'), 0, 0));
    lblLastWarning->setToolTip(plainToolTip(describe(warning)));
}

void frmMain::report(const RunReport &report)
{
    sendLog_.addMessage(SendLog::Error, describe(report));
    seams().showMessage(this, describe(report));
}

void frmMain::checkFailed(const CheckReport &check)
{
    sendLog_.addMessage(SendLog::Error, refusedByCheck(check));
    lblLastWarning->setText(refusedByCheck(check));
    lblLastWarning->setToolTip(QString());
    frmCheck::instance()->present(check);
}

} // namespace tapwright::ui
