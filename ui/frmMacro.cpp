#include "ui/frmMacro.h"

#include "link/keytable.h"
#include "macro/addresses.h"
#include "macro/messages.h"
#include "text/textsender.h"
#include "ui/common.h"
#include "ui/frmMain.h"
#include "ui/keypadsends.h"
#include "ui/macrohighlighter.h"
#include "ui/seams.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSplitter>
#include <QStatusBar>
#include <QStringListModel>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>

namespace tapwright::ui {

namespace {

/// The pause in the typing after which the text is checked.
constexpr int CheckDelayMs = 400;

/// The recorder's notes on a line; they move with it as the text is edited.
struct NoteData : QTextBlockUserData
{
    QList<RecordedNote> notes;
};

/// Where a finding of the list leads: the macro's line.
constexpr int LineRole = Qt::UserRole;

/// An editor whose completion popup takes Enter and Tab while it shows.
class MacroEdit : public QPlainTextEdit
{
public:
    using QPlainTextEdit::QPlainTextEdit;
    QCompleter *completer = nullptr;
    /// Called after a key typed text.
    std::function<void()> typed;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (completer && completer->popup()->isVisible()) {
            switch (event->key()) {
            case Qt::Key_Enter:
            case Qt::Key_Return:
            case Qt::Key_Tab:
            case Qt::Key_Escape:
            case Qt::Key_Backtab:
                event->ignore(); // the completer acts on it
                return;
            default:
                break;
            }
        }
        QPlainTextEdit::keyPressEvent(event);
        if (typed && !event->text().isEmpty() && event->text()[0].isPrint())
            typed();
    }
};

} // namespace

frmMacro::frmMacro()
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(appIcon());
    auto *edit = new MacroEdit(this);
    txtMacro = edit;
    txtMacro->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtMacro->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    highlighter_ = new MacroHighlighter(txtMacro->document());
    lstFindings = new QListWidget(this);
    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(txtMacro);
    split->addWidget(lstFindings);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    setCentralWidget(split);
    lblEstimate = new QLabel(this);
    statusBar()->addWidget(lblEstimate, 1);

    QMenu *file = menuBar()->addMenu(tr("&File"));
    mnuSave = file->addAction(tr("&Save"), this, &frmMacro::save);
    mnuSave->setShortcut(QKeySequence::Save);
    mnuSaveAs = file->addAction(tr("Save &as..."), this, &frmMacro::saveAs);
    mnuSaveAs->setShortcut(QKeySequence::SaveAs);
    file->addSeparator();
    mnuRun = file->addAction(tr("&Run"), this, &frmMacro::run);
    mnuRecord = file->addAction(tr("Recor&d"));
    mnuRecord->setCheckable(true);
    connect(mnuRecord, &QAction::toggled, this, &frmMacro::record);
    file->addSeparator();
    mnuClose = file->addAction(tr("&Close"), this, &QWidget::close);
    cmbWaits = new QComboBox(this);
    cmbWaits->addItem(tr("No waits"), int(RecordedWaits::None));
    cmbWaits->addItem(QStringLiteral("BASEWAIT"), int(RecordedWaits::BaseWait));
    cmbWaits->addItem(QStringLiteral("SLEEP"), int(RecordedWaits::Sleeps));
    cmbWaits->setCurrentIndex(1);
    cmbWaits->setToolTip(tr("How the pauses of a recording are written"));
    QToolBar *bar = addToolBar(tr("Macro"));
    bar->setMovable(false);
    bar->addActions({mnuSave, mnuSaveAs, mnuRun, mnuRecord});
    bar->addWidget(cmbWaits);

    for (const KeyName &key : keyNameTable())
        words_ << key.name;
    words_ << QStringLiteral("BASEWAIT") << QStringLiteral("SLEEP") << QStringLiteral("REPEAT")
           << QStringLiteral("GETSTR") << QStringLiteral("SENDSTR") << QStringLiteral("STRING");
    completer = new QCompleter(this);
    completer->setModel(new QStringListModel(words_, completer));
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setWidget(txtMacro);
    edit->completer = completer;
    edit->typed = [this] { complete(); };
    connect(completer, qOverload<const QString &>(&QCompleter::activated), this,
            [this](const QString &word) {
                QTextCursor cursor = txtMacro->textCursor();
                cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor,
                                    int(completer->completionPrefix().size()));
                cursor.insertText(word);
                txtMacro->setTextCursor(cursor);
            });

    checkTimer_ = new QTimer(this);
    checkTimer_->setSingleShot(true);
    checkTimer_->setInterval(CheckDelayMs);
    connect(checkTimer_, &QTimer::timeout, this, &frmMacro::checkNow);
    connect(txtMacro->document(), &QTextDocument::contentsChanged, this, &frmMacro::textChanged);
    connect(txtMacro->document(), &QTextDocument::modificationChanged, this,
            &QWidget::setWindowModified);
    connect(lstFindings, &QListWidget::itemClicked, this, &frmMacro::goToFinding);
    connect(lstFindings, &QListWidget::itemActivated, this, &frmMacro::goToFinding);
    connect(cmbWaits, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] {
        if (recording_ || blockRevision_ == txtMacro->document()->revision())
            regenerate();
    });
    KeypadSends &sends = KeypadSends::instance();
    connect(&sends, &KeypadSends::keyPressed, this, &frmMacro::keySent);
    connect(&sends, &KeypadSends::textTyped, this, &frmMacro::textSent);
    frmMain *main = frmMain::instance();
    connect(main, &frmMain::runningChanged, mnuRun,
            [this](bool running) { mnuRun->setEnabled(!running); });
    mnuRun->setEnabled(!main->MacroExe());
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    clock = [timer] { return timer->elapsed(); };
    resize(twipsX(this, 7200), twipsY(this, 6000));
}

frmMacro::~frmMacro()
{
    if (recording_)
        KeypadSends::instance().setRecording(false);
}

void frmMacro::Form_Load()
{
    present(QString(), QString(), TextFormat());
}

QString frmMacro::name() const
{
    return path_.isEmpty() ? tr("New macro") : path_;
}

void frmMacro::updateTitle()
{
    const QString file = path_.isEmpty() ? name() : QFileInfo(path_).fileName();
    setWindowTitle(visibleText(file) + QStringLiteral("[*] - ") + tr("Macro"));
}

void frmMacro::present(const QString &path, const QString &text, const TextFormat &format)
{
    record(false);
    path_ = path;
    format_ = format;
    blockRevision_ = -1;
    txtMacro->setPlainText(text);
    txtMacro->document()->setModified(false);
    setWindowModified(false);
    updateTitle();
    checkNow();
}

bool frmMacro::newMacro()
{
    if (!settle())
        return false;
    present(QString(), QString(), TextFormat());
    return true;
}

bool frmMacro::openMacro(const QString &path)
{
    if (path == path_ || !settle())
        return path == path_;
    QString error;
    const std::optional<TextFile> file = readTextFile(path, &error);
    if (!file) {
        seams().showMessage(
            this, tr("%1 could not be read: %2").arg(visibleText(path), visibleText(error)));
        return false;
    }
    present(path, file->text, file->format);
    return true;
}

bool frmMacro::settle()
{
    if (!txtMacro->document()->isModified())
        return true;
    const int answer =
        seams().choose(this, tr("%1 has changes that are not saved.").arg(visibleText(name())),
                       {tr("Save"), tr("Discard"), tr("Cancel")});
    return answer == 0 ? save() : answer == 1;
}

void frmMacro::closeEvent(QCloseEvent *event)
{
    if (!settle()) {
        event->ignore();
        return;
    }
    record(false);
    closed_ = true;
    LoadedForm::closeEvent(event);
}

bool frmMacro::write(const QString &path)
{
    // Nothing was there to keep when a new name failed.
    const bool existed = QFileInfo::exists(path);
    const TextWriteError error = writeTextFile(path, txtMacro->toPlainText(), format_);
    switch (error.kind) {
    case TextWriteError::None:
        return true;
    case TextWriteError::Unencodable:
        seams().showMessage(this, tr("%1 was not saved: line %2 holds %3, which %4 cannot hold.")
                                      .arg(visibleText(path), QString::number(error.line),
                                           describeCharacter(error.character),
                                           describe(format_.encoding)));
        return false;
    case TextWriteError::SaveFailed:
        seams().showMessage(this, (existed ? tr("%1 could not be saved: %2. The file is as it was.")
                                           : tr("%1 could not be saved: %2."))
                                      .arg(visibleText(path), visibleText(error.reason)));
        return false;
    }
    return false;
}

bool frmMacro::save()
{
    if (path_.isEmpty())
        return saveAs();
    if (!write(path_))
        return false;
    txtMacro->document()->setModified(false);
    return true;
}

bool frmMacro::saveAs()
{
    return saveAsFile(true);
}

bool frmMacro::saveAsFile(bool offer)
{
    const QString path = QDir::toNativeSeparators(seams().chooseSaveFile(
        this, frmMain::fileFilter(), path_.isEmpty() ? name() + QStringLiteral(".txt") : path_));
    if (path.isEmpty() || !write(path))
        return false;
    frmMain *main = frmMain::instance();
    // A window opened on the main window's macro keeps it its macro.
    const bool follows = !path_.isEmpty() && main->MacroFile == path_;
    path_ = path;
    txtMacro->document()->setModified(false);
    updateTitle();
    if (offer && main->MacroFile != path &&
        (follows ||
         seams().ask(this, tr("Make %1 the macro file of the main window?").arg(visibleText(path)),
                     tr("Yes"), tr("No"))))
        main->showMacroFile(path);
    return true;
}

void frmMacro::run()
{
    frmMain *main = frmMain::instance();
    if (main->MacroExe())
        return;
    record(false);
    // Saved as the macro file already: no question between the click and the run.
    if (!(path_.isEmpty() ? saveAsFile(false) : save()))
        return;
    main->showMacroFile(path_);
    main->cmdSend_Click();
}

void frmMacro::textChanged()
{
    ++generation_;
    checkTimer_->start();
}

void frmMacro::checkNow()
{
    checkTimer_->stop();
    if (checking_) {
        checkTimer_->start(); // the check under way is out of date: it stops
        return;
    }
    const quint64 generation = generation_;
    frmMain *main = frmMain::instance();
    checking_ = true;
    // Events are delivered while a long address file is read: typing stops the
    // check, closing the window deletes it.
    const QPointer<frmMacro> self(this);
    const CheckReport report =
        checkText(name(), txtMacro->toPlainText(), main->AddrFile,
                  parsePassCounter(main->txtCounter->text()).value_or(0), [&](qint64) {
                      QCoreApplication::processEvents();
                      return self && !closed_ && generation_ == generation;
                  });
    if (!self)
        return;
    checking_ = false;
    if (!closed_ && !report.cancelled && generation_ == generation)
        showFindings(report);
}

void frmMacro::showFindings(const CheckReport &report)
{
    report_ = report;
    lstFindings->clear();
    QHash<qint64, MacroHighlighter::Finding> lines;
    for (const CheckItem &item : report.items) {
        auto *row = new QListWidgetItem(describe(item), lstFindings);
        row->setForeground(item.isError() ? errorColour() : warningColour());
        if (item.report.file != name() || item.report.line <= 0)
            continue;
        row->setData(LineRole, item.report.line);
        auto &worst = lines[item.report.line];
        if (item.isError())
            worst = MacroHighlighter::Error;
    }
    // The recorder's notes, where their lines now are.
    for (QTextBlock b = txtMacro->document()->begin(); b.isValid(); b = b.next()) {
        if (const auto *data = static_cast<const NoteData *>(b.userData())) {
            for (const RecordedNote &note : data->notes) {
                // The note counts its line from the recording's first.
                auto *row = new QListWidgetItem(
                    visibleText(name()) + QStringLiteral(": ") +
                        describe(note, b.blockNumber() + 1 - note.line),
                    lstFindings);
                row->setData(LineRole, b.blockNumber() + 1);
            }
        }
    }
    highlighter_->setFindings(lines);
    lblEstimate->setText(describe(report.estimate));
}

void frmMacro::goToFinding(QListWidgetItem *item)
{
    const qint64 line = item->data(LineRole).toLongLong();
    const QTextBlock block = txtMacro->document()->findBlockByNumber(int(line - 1));
    if (line <= 0 || !block.isValid())
        return;
    txtMacro->setTextCursor(QTextCursor(block));
    txtMacro->setFocus(Qt::OtherFocusReason);
}

void frmMacro::record(bool on)
{
    if (mnuRecord->isChecked() != on) {
        mnuRecord->setChecked(on); // comes back here
        return;
    }
    mnuRecord->setText(on ? tr("Stop recor&ding") : tr("Recor&d"));
    if (on == recording_)
        return;
    recording_ = on;
    KeypadSends::instance().setRecording(on);
    if (on) {
        sends_.clear();
        repeat_ = false;
        recordedGetStr_ = false;
        next_ = nextEntry(&nextFormat_);
        QTextCursor cursor = txtMacro->textCursor();
        cursor.clearSelection();
        // The lines go in whole, after the cursor's line unless it is blank.
        if (!cursor.block().text().isEmpty()) {
            cursor.movePosition(QTextCursor::EndOfBlock);
            cursor.insertText(QStringLiteral("\n"));
        }
        block_ = cursor;
        blockRevision_ = txtMacro->document()->revision();
        return;
    }
    if (recordedGetStr_ && !repeat_ &&
        seams().ask(this,
                    tr("End the pass with REPEAT, so that the macro goes on with the next entry "
                       "of the address file?"),
                    tr("Add REPEAT"), tr("No"))) {
        repeat_ = true;
        regenerate();
    }
}

std::optional<AddressEntry> frmMacro::nextEntry(FieldFormat *format) const
{
    const frmMain *main = frmMain::instance();
    if (main->AddrFile.isEmpty())
        return std::nullopt;
    AddressReader reader;
    if (!reader.open(main->AddrFile))
        return std::nullopt;
    reader.skip(parsePassCounter(main->txtCounter->text()).value_or(0));
    *format = reader.format();
    return reader.next();
}

void frmMacro::keySent(int button)
{
    if (!recording_)
        return;
    RecordedSend send;
    send.button = button;
    send.ms = clock();
    sends_.append(send);
    regenerate();
}

void frmMacro::textSent(const QString &text)
{
    if (!recording_)
        return;
    RecordedSend send;
    send.kind = RecordedSend::Text;
    send.text = text;
    send.ms = clock();
    sends_.append(send);
    regenerate();
}

void frmMacro::regenerate()
{
    if (block_.isNull())
        return;
    const RecordedMacro macro = recordedLines(
        sends_, RecordedWaits(cmbWaits->currentData().toInt()), next_, nextFormat_, repeat_);
    recordedGetStr_ = macro.lines.contains(QStringLiteral("GETSTR"));
    QTextDocument *document = txtMacro->document();
    const int start = block_.selectionStart();
    for (QTextBlock b = document->findBlock(start);
         b.isValid() && b.position() < block_.selectionEnd(); b = b.next())
        b.setUserData(nullptr);
    block_.beginEditBlock();
    block_.insertText(macro.lines.isEmpty()
                          ? QString()
                          : macro.lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    block_.endEditBlock();
    const int end = block_.position();
    block_.setPosition(start);
    block_.setPosition(end, QTextCursor::KeepAnchor);
    const QTextBlock first = document->findBlock(start);
    for (const RecordedNote &note : macro.notes) {
        QTextBlock b = document->findBlockByNumber(first.blockNumber() + note.line);
        if (!b.isValid())
            continue;
        auto *data = static_cast<NoteData *>(b.userData());
        if (!data) {
            data = new NoteData;
            b.setUserData(data);
        }
        data->notes.append(note);
    }
    blockRevision_ = document->revision();
    QTextCursor cursor = txtMacro->textCursor();
    cursor.setPosition(end);
    txtMacro->setTextCursor(cursor);
}

void frmMacro::complete()
{
    const QTextCursor cursor = txtMacro->textCursor();
    const QString before = cursor.block().text().left(cursor.positionInBlock());
    const QStringList fields = splitFields(before);
    auto *model = static_cast<QStringListModel *>(completer->model());
    if (fields.size() == 1 && !before.isEmpty()) {
        model->setStringList(words_); // the command word
    } else if (fields.size() == 2 && fields[0] == QLatin1String("SENDSTR")) {
        // The fields of the entry a run would take first.
        FieldFormat format = FieldFormat::Tabs;
        const std::optional<AddressEntry> next = nextEntry(&format);
        QStringList numbers;
        for (qsizetype n = 1; next && n <= fieldsOf(next->text, format).size(); ++n)
            numbers << QString::number(n);
        model->setStringList(numbers);
    } else {
        completer->popup()->hide();
        return;
    }
    completer->setCompletionPrefix(fields.last());
    if (completer->completionCount() == 0 ||
        (completer->completionCount() == 1 &&
         completer->currentCompletion().compare(fields.last(), Qt::CaseInsensitive) == 0)) {
        completer->popup()->hide();
        return;
    }
    QRect rect = txtMacro->cursorRect();
    rect.setWidth(completer->popup()->sizeHintForColumn(0) + 24);
    completer->complete(rect);
    // Enter takes the first one without a step down to it.
    completer->popup()->setCurrentIndex(completer->completionModel()->index(0, 0));
}

} // namespace tapwright::ui
