#include "ui/frmMultiRun.h"

#include "device/virtuallink.h"
#include "macro/addresses.h"
#include "macro/macrofile.h"
#include "macro/messages.h"
#include "text/textsender.h"
#include "ui/common.h"
#include "ui/frmCheck.h"
#include "ui/frmDevice.h"
#include "ui/frmKeyboard.h"
#include "ui/frmMain.h"
#include "ui/portbox.h"
#include "ui/seams.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tapwright::ui {

namespace {

/// Where the window keeps its port list between sessions: a file of the
/// user's on every platform, so that a test can move it.
QSettings settings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tapwright"),
                     QStringLiteral("Tapwright"));
}

const QString PortsKey = QStringLiteral("multirun/ports");

QString shownPath(const QString &path)
{
    return visibleText(QDir::toNativeSeparators(path));
}

} // namespace

frmMultiRun::frmMultiRun() : run_(new MultiRun(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Run over several ports"));
    setWindowIcon(appIcon());

    auto *files = new QFormLayout;
    lblMacroFile = new QLabel(this);
    lblAddrFile = new QLabel(this);
    lblCounter = new QLabel(this);
    for (QLabel *l : {lblMacroFile, lblAddrFile, lblCounter})
        l->setTextFormat(Qt::PlainText);
    files->addRow(tr("Macro file:"), lblMacroFile);
    files->addRow(tr("Address file:"), lblAddrFile);
    files->addRow(tr("Pass counter:"), lblCounter);

    optEach = new QRadioButton(tr("Each device gets the whole list"), this);
    optSplit = new QRadioButton(tr("Split the list"), this);
    optEach->setChecked(true);
    auto *ways = new QHBoxLayout;
    ways->addWidget(optEach);
    ways->addWidget(optSplit);
    ways->addStretch();
    chkResume = new QCheckBox(tr("Go on from the journals"), this);
    ways->addWidget(chkResume);

    tblPorts = new QTableWidget(0, ColumnCount, this);
    tblPorts->setHorizontalHeaderLabels(
        {tr("Port"), tr("State"), tr("Pass"), tr("Entry"), tr("Progress"), QString(), QString()});
    tblPorts->verticalHeader()->setVisible(false);
    tblPorts->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblPorts->setSelectionMode(QAbstractItemView::SingleSelection);
    tblPorts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblPorts->horizontalHeader()->setSectionResizeMode(ColEntry, QHeaderView::Stretch);
    tblPorts->setColumnWidth(ColPort, twipsX(this, 1500));
    tblPorts->setColumnWidth(ColState, twipsX(this, 1100));
    tblPorts->setColumnWidth(ColPass, twipsX(this, 800));
    tblPorts->setColumnWidth(ColProgress, twipsX(this, 1200));
    for (int column : {ColStop, ColPause})
        tblPorts->horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);

    cmdAddPort = new QPushButton(tr("Add port"), this);
    cmdRemovePort = new QPushButton(tr("Remove"), this);
    auto *edit = new QHBoxLayout;
    edit->addWidget(cmdAddPort);
    edit->addWidget(cmdRemovePort);
    edit->addStretch();

    barShared = new QProgressBar(this);
    barShared->setFormat(tr("%v of %m entries delivered"));
    barShared->hide();

    cmdStartAll = new QPushButton(tr("Start all"), this);
    cmdPauseAll = new QPushButton(tr("Pause all"), this);
    cmdPauseAll->setCheckable(true);
    cmdStopAll = new QPushButton(tr("Stop all"), this);
    auto *all = new QHBoxLayout;
    all->addWidget(cmdStartAll);
    all->addWidget(cmdPauseAll);
    all->addWidget(cmdStopAll);
    all->addStretch();

    txtReport = new QPlainTextEdit(this);
    txtReport->setReadOnly(true);
    txtReport->setMaximumBlockCount(2000);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(files);
    layout->addLayout(ways);
    layout->addWidget(tblPorts, 2);
    layout->addLayout(edit);
    layout->addWidget(barShared);
    layout->addLayout(all);
    layout->addWidget(txtReport, 1);
    resize(twipsX(this, 10500), twipsY(this, 6600));

    connect(cmdStartAll, &QPushButton::clicked, this, &frmMultiRun::cmdStartAll_Click);
    connect(cmdPauseAll, &QPushButton::clicked, this, &frmMultiRun::cmdPauseAll_Click);
    connect(cmdStopAll, &QPushButton::clicked, this, &frmMultiRun::cmdStopAll_Click);
    connect(cmdAddPort, &QPushButton::clicked, this, &frmMultiRun::cmdAddPort_Click);
    connect(cmdRemovePort, &QPushButton::clicked, this, &frmMultiRun::cmdRemovePort_Click);

    followRun();
}

RunReport frmMultiRun::portTaken(const QString &port)
{
    RunReport report;
    if (!exists() || !instance()->run().uses(port))
        return report;
    report.kind = RunReport::PortInUse;
    report.value = port.trimmed();
    report.reason = tr("the run over several ports");
    return report;
}

frmMultiRun::~frmMultiRun() = default;

void frmMultiRun::followRun()
{
    connect(run_, &MultiRun::checkFailed, this,
            [](const CheckReport &check) { frmCheck::instance()->present(check); });
    connect(run_, &MultiRun::stateChanged, this, &frmMultiRun::onStateChanged);
    connect(run_, &MultiRun::progressed, this, &frmMultiRun::onProgressed);
    connect(run_, &MultiRun::warned, this, [this](int port, const RunReport &warning) {
        say(QStringLiteral("%1: %2").arg(visibleText(run_->portText(port)), describe(warning)));
    });
    connect(run_, &MultiRun::reported, this, [this](int port, const RunReport &report) {
        say(QStringLiteral("%1: %2").arg(visibleText(run_->portText(port)), describe(report)));
    });
    connect(run_, &MultiRun::portLost, this,
            [this](int, const LinkError &error) { say(portGone(error)); });
    connect(run_, &MultiRun::portBack, this, [this](int port) {
        say(tapwright::portBack(run_->portText(port), tr("press its Pause")));
    });
    connect(run_, &MultiRun::deviceOpened, this, &frmMultiRun::onDeviceOpened);
    connect(run_, &MultiRun::deviceReceived, this, [this](int port, const DevicePieces &pieces) {
        if (frmDevice *device = deviceWindow(port))
            device->add(pieces);
    });
    connect(run_, &MultiRun::finished, this, &frmMultiRun::onFinished);
}

void frmMultiRun::Form_Load()
{
    QStringList remembered = settings().value(PortsKey).toStringList();
    if (remembered.isEmpty())
        remembered << VirtualLink::portName();
    for (const QString &port : remembered)
        addRow(port);
    showFiles();
    setRunning(false);
    // Opened to run: Space starts.
    cmdStartAll->setFocus();
}

void frmMultiRun::showFiles()
{
    const frmMain *main = frmMain::instance();
    lblMacroFile->setText(shownPath(main->MacroFile));
    lblAddrFile->setText(shownPath(main->AddrFile));
    lblCounter->setText(visibleText(main->txtCounter->text()));
}

void frmMultiRun::addRow(const QString &port)
{
    const int row = tblPorts->rowCount();
    tblPorts->insertRow(row);
    auto *box = new PortBox(tblPorts);
    box->fillList();
    box->setCurrentIndex(-1);
    box->setEditText(port);
    tblPorts->setCellWidget(row, ColPort, box);
    for (int column : {ColState, ColPass, ColEntry})
        tblPorts->setItem(row, column, new QTableWidgetItem);
    tblPorts->item(row, ColState)->setText(describe(PortState::Waiting));
    tblPorts->setCellWidget(row, ColProgress, new QProgressBar(tblPorts));
    auto *stop = new QPushButton(tr("Stop"), tblPorts);
    auto *pause = new QPushButton(tr("Pause"), tblPorts);
    pause->setCheckable(true);
    tblPorts->setCellWidget(row, ColStop, stop);
    tblPorts->setCellWidget(row, ColPause, pause);
    // The row's number is found when clicked: rows above may have gone.
    connect(stop, &QPushButton::clicked, this, [this, stop] {
        for (int r = 0; r < tblPorts->rowCount(); ++r)
            if (stopButton(r) == stop)
                run_->stop(r);
    });
    connect(pause, &QPushButton::clicked, this, [this, pause](bool checked) {
        for (int r = 0; r < tblPorts->rowCount(); ++r)
            if (pauseButton(r) == pause)
                run_->setPaused(r, checked);
    });
    stop->setEnabled(run_->isRunning());
    pause->setEnabled(run_->isRunning());
}

PortBox *frmMultiRun::portBox(int row) const
{
    return qobject_cast<PortBox *>(tblPorts->cellWidget(row, ColPort));
}

QPushButton *frmMultiRun::stopButton(int row) const
{
    return qobject_cast<QPushButton *>(tblPorts->cellWidget(row, ColStop));
}

QPushButton *frmMultiRun::pauseButton(int row) const
{
    return qobject_cast<QPushButton *>(tblPorts->cellWidget(row, ColPause));
}

frmDevice *frmMultiRun::deviceWindow(int port) const
{
    return devices_.value(port);
}

QStringList frmMultiRun::ports() const
{
    QStringList list;
    for (int row = 0; row < tblPorts->rowCount(); ++row)
        list << portBox(row)->currentText();
    return list;
}

void frmMultiRun::savePorts() const
{
    settings().setValue(PortsKey, ports());
}

void frmMultiRun::cmdAddPort_Click()
{
    addRow(VirtualLink::portName());
    savePorts();
}

void frmMultiRun::cmdRemovePort_Click()
{
    // The chosen row, or the last; one row stays.
    if (tblPorts->rowCount() <= 1)
        return;
    const int row = tblPorts->currentRow() >= 0 ? tblPorts->currentRow() : tblPorts->rowCount() - 1;
    tblPorts->removeRow(row);
    savePorts();
}

void frmMultiRun::setRunning(bool running)
{
    cmdStartAll->setEnabled(!running);
    cmdPauseAll->setEnabled(running);
    cmdPauseAll->setChecked(false);
    cmdStopAll->setEnabled(running);
    cmdAddPort->setEnabled(!running);
    cmdRemovePort->setEnabled(!running);
    optEach->setEnabled(!running);
    optSplit->setEnabled(!running);
    chkResume->setEnabled(!running);
    for (int row = 0; row < tblPorts->rowCount(); ++row) {
        portBox(row)->setEnabled(!running);
        stopButton(row)->setEnabled(running);
        pauseButton(row)->setEnabled(running);
        pauseButton(row)->setChecked(false);
    }
}

void frmMultiRun::say(const QString &text)
{
    txtReport->appendPlainText(text);
}

void frmMultiRun::cmdStartAll_Click()
{
    showFiles();
    const frmMain *main = frmMain::instance();
    MultiRunSettings s;
    s.macroFile = main->MacroFile;
    s.addrFile = main->AddrFile;
    s.ports = ports();
    s.counterText = main->txtCounter->text();
    s.split = optSplit->isChecked();
    s.resume = chkResume->isChecked();
    // Someone is at the window to bring a handheld back.
    s.canWaitForPort = true;
    if (main->MacroExe())
        s.portsInUse.append({main->CommPort(), tr("the main window's run")});
    if (frmKeyboard::exists() && frmKeyboard::instance()->MSComm1().isOpen())
        s.portsInUse.append({frmKeyboard::instance()->CommPort, tr("the keypad")});
    savePorts();

    startCounter_ = parsePassCounter(s.counterText).value_or(0);
    txtReport->clear();
    for (int row = 0; row < tblPorts->rowCount(); ++row) {
        tblPorts->item(row, ColState)->setText(describe(PortState::Waiting));
        tblPorts->item(row, ColPass)->setText(QString());
        tblPorts->item(row, ColEntry)->setText(QString());
        auto *bar = qobject_cast<QProgressBar *>(tblPorts->cellWidget(row, ColProgress));
        bar->setRange(0, 1);
        bar->setValue(0);
    }
    // A split list has one bar for all the rows.
    tblPorts->setColumnHidden(ColProgress, s.split);
    barShared->setVisible(s.split);
    barShared->setRange(0, 0);
    barShared->setValue(0);
    devices_.resize(s.ports.size());

    const RunReport report = run_->start(s);
    if (report.kind == RunReport::None) {
        setRunning(true);
        return;
    }
    say(describe(report));
    // A failed check has its own window, opened by then.
    if (report.kind != RunReport::CheckFailed)
        seams().showMessage(this, describe(report));
}

void frmMultiRun::cmdPauseAll_Click(bool checked)
{
    run_->setPausedAll(checked);
}

void frmMultiRun::cmdStopAll_Click()
{
    run_->stopAll();
}

void frmMultiRun::onStateChanged(int port, PortState state)
{
    if (port < 0 || port >= tblPorts->rowCount())
        return;
    tblPorts->item(port, ColState)->setText(describe(state));
    // Checked while the run is held: after a pulled cable, a click goes on.
    pauseButton(port)->setChecked(state == PortState::Paused || state == PortState::PortGone);
    const bool over = state == PortState::Done || state == PortState::Failed;
    stopButton(port)->setEnabled(!over);
    pauseButton(port)->setEnabled(!over);
}

void frmMultiRun::onProgressed(int port, const RunProgress &p)
{
    if (port < 0 || port >= tblPorts->rowCount())
        return;
    // The pass being worked on; the last one stays shown as the list ends.
    const qint64 pass =
        p.finalCounter >= 0 ? std::min(p.counter + 1, p.finalCounter) : p.counter + 1;
    tblPorts->item(port, ColPass)
        ->setText(p.finalCounter >= 0 && !run_->sharedEntries()
                      ? QStringLiteral("%1 / %2").arg(pass).arg(p.finalCounter)
                      : QString::number(pass));
    tblPorts->item(port, ColEntry)->setText(visibleText(p.entryName));
    auto *bar = qobject_cast<QProgressBar *>(tblPorts->cellWidget(port, ColProgress));
    if (p.finalCounter >= 0) {
        // Counters beyond an int's range are shown from the start value.
        bar->setRange(0, int(std::max<qint64>(1, p.finalCounter - startCounter_)));
        bar->setValue(int(p.counter - startCounter_));
    } else {
        bar->setRange(0, 0);
    }
    showShared();
}

void frmMultiRun::showShared()
{
    const SharedEntries *shared = run_->sharedEntries();
    if (!shared)
        return;
    const qint64 total = shared->total();
    barShared->setRange(0, total < 0 ? 0 : int(std::max<qint64>(1, total)));
    barShared->setValue(int(shared->deliveredCount()));
}

void frmMultiRun::onDeviceOpened(int port)
{
    if (port < 0)
        return;
    if (port >= devices_.size())
        devices_.resize(port + 1);
    if (!devices_[port])
        devices_[port] = new frmDevice(this, tr("Device (%1)").arg(port + 1));
    devices_[port]->endLine();
    devices_[port]->showBesideOwner(port);
}

void frmMultiRun::onFinished()
{
    setRunning(false);
    qint64 passes = 0;
    const QList<PortEnd> ends = run_->ends();
    for (int port = 0; port < ends.size(); ++port) {
        const PortEnd &end = ends[port];
        const bool failed = end.end == RunEnd::Failed || end.end == RunEnd::NotStarted;
        passes += parsePassCounter(end.counter).value_or(startCounter_) - startCounter_;
        // A split list has no last pass to show: the passes done.
        if (run_->sharedEntries() && port < tblPorts->rowCount())
            tblPorts->item(port, ColPass)->setText(visibleText(end.counter));
        QString line =
            tr("%1: %2, pass counter %3")
                .arg(visibleText(end.port), describe(failed ? PortState::Failed : PortState::Done),
                     visibleText(end.counter));
        if (end.report.kind != RunReport::None)
            line += QStringLiteral(" — ") + describe(end.report);
        say(line);
    }
    if (const SharedEntries *shared = run_->sharedEntries()) {
        showShared();
        say(tr("total: %1 of %2 entries delivered")
                .arg(shared->deliveredCount())
                .arg(std::max<qint64>(shared->total(), shared->deliveredCount())));
        const FieldFormat format = fieldFormatOf(shared->addrFile());
        for (const EntryDelivery &cut : shared->cut())
            say(tr("cut while typing, may be half entered on %1: %2")
                    .arg(visibleText(cut.port), visibleText(nameOf(cut.entry.text, format))));
    } else {
        say(tr("total: %1 passes").arg(passes));
    }
    if (closeWhenDone_)
        close();
}

bool frmMultiRun::mayQuit()
{
    if (!run_->isRunning())
        return true;
    if (!seams().ask(this, tr("The runs over several ports are still going on. Stop them?"),
                     tr("Stop and quit"), tr("Keep running")))
        return false;
    // The program ends: the runs go no further, as the main window's run.
    run_->dropAll();
    delete run_;
    run_ = new MultiRun(this);
    followRun();
    return true;
}

void frmMultiRun::closeEvent(QCloseEvent *event)
{
    if (run_->isRunning()) {
        // Runs must not go on unseen: they are stopped, and the window goes when they end.
        event->ignore();
        if (seams().ask(this, tr("The runs over several ports are still going on. Stop them?"),
                        tr("Stop and close"), tr("Keep running"))) {
            closeWhenDone_ = true;
            run_->stopAll();
        }
        return;
    }
    LoadedForm::closeEvent(event);
}

} // namespace tapwright::ui
