#include "ui/frmLog.h"

#include "ui/common.h"
#include "ui/frmMain.h"
#include "ui/seams.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

namespace tapwright::ui {

namespace {

QTextCharFormat formatOf(SendLog::Kind kind)
{
    QTextCharFormat format;
    switch (kind) {
    case SendLog::Step:
        break;
    case SendLog::Frames:
        format.setForeground(QColor(0x20, 0x4a, 0x87));
        break;
    case SendLog::Warning:
        format.setForeground(warningColour());
        break;
    case SendLog::Error:
        format.setForeground(errorColour());
        break;
    }
    return format;
}

} // namespace

frmLog::frmLog()
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Send log"));
    setWindowIcon(appIcon());

    txtLog = new QPlainTextEdit(this);
    txtLog->setReadOnly(true);
    txtLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtLog->setUndoRedoEnabled(false);
    // The document drops its oldest lines itself, as the log does.
    txtLog->setMaximumBlockCount(SendLog::MaxLines);
    cmdSave = new QPushButton(tr("&Save..."), this);
    cmdSave->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(txtLog);
    layout->addWidget(cmdSave, 0, Qt::AlignRight);
    resize(twipsX(this, 9000), twipsY(this, 6000));

    // A view at the newest line stays there as the range grows under it:
    // lines come, or a long line brings in the horizontal bar and the view
    // loses a line. One the user scrolled up stays where it is.
    QScrollBar *scroll = txtLog->verticalScrollBar();
    connect(scroll, &QScrollBar::rangeChanged, this, [this, scroll](int, int maximum) {
        if (scroll->value() == lastMaximum_)
            scroll->setValue(maximum);
        lastMaximum_ = maximum;
    });

    refreshTimer_.setSingleShot(true);
    refreshTimer_.setInterval(100);
    connect(&refreshTimer_, &QTimer::timeout, this, &frmLog::refresh);
    connect(cmdSave, &QPushButton::clicked, this, &frmLog::cmdSave_Click);
}

frmLog::~frmLog() = default;

void frmLog::Form_Load()
{
    log_ = &frmMain::instance()->sendLog();
    connect(log_, &SendLog::changed, this, [this] {
        if (!refreshTimer_.isActive())
            refreshTimer_.start();
    });
    refresh();
}

void frmLog::refresh()
{
    refreshTimer_.stop();
    QScrollBar *scroll = txtLog->verticalScrollBar();
    const bool atEnd = scroll->value() == scroll->maximum();
    QTextDocument *doc = txtLog->document();
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    if (shownOpen_) {
        // The frames line may have grown since: it is written again.
        cursor.select(QTextCursor::BlockUnderCursor);
        cursor.removeSelectedText();
    }
    const std::deque<SendLog::Line> &lines = log_->lines();
    const qint64 first = log_->firstSerial();
    const qint64 end = first + qint64(lines.size());
    for (qint64 s = std::max(nextSerial_, first); s < end; ++s) {
        const SendLog::Line &line = lines[std::size_t(s - first)];
        if (!doc->isEmpty())
            cursor.insertBlock(QTextBlockFormat(), formatOf(line.kind));
        cursor.insertText(line.text, formatOf(line.kind));
    }
    cursor.endEditBlock();
    shownOpen_ = log_->openSerial() >= 0;
    nextSerial_ = shownOpen_ ? log_->openSerial() : end;
    if (atEnd)
        scroll->setValue(scroll->maximum());
}

void frmLog::cmdSave_Click()
{
    const QString selected =
        lastSaved_.isEmpty() ? QDir::current().filePath(tr("send log.txt")) : lastSaved_;
    const QString path = seams().chooseSaveFile(this, tr("Text (*.txt);;All (*)"), selected);
    if (path.isEmpty())
        return;
    lastSaved_ = path;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(log_->text().toUtf8()) < 0 || !file.commit())
        seams().showMessage(
            this, tr("Cannot save the send log to \"%1\".\n(%2)")
                      .arg(QDir::toNativeSeparators(path), file.errorString()));
}

} // namespace tapwright::ui
