#pragma once

#include "macro/checker.h"
#include "macro/recorder.h"
#include "macro/textwriter.h"
#include "ui/loadedform.h"

#include <functional>
#include <QList>
#include <QMainWindow>
#include <QTextCursor>

class QAction;
class QComboBox;
class QCompleter;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QTimer;

namespace tapwright::ui {

class MacroHighlighter;

/// The macro window: edits a macro with its colours, checks it as it is
/// typed, saves it the way it was read, runs it through the main window, and
/// records what the keypad and the typing window send as macro lines.
class frmMacro : public LoadedForm<frmMacro, QMainWindow>
{
    Q_OBJECT
public:
    ~frmMacro() override;

    /// Starts a new macro, once the changes to the one shown are saved or
    /// given up; false when the user kept them.
    bool newMacro();
    /// Opens the macro at `path`, likewise; false when it was kept or the file
    /// could not be read (a box says why).
    bool openMacro(const QString &path);

    /// The file the macro is saved to; empty for a new one.
    QString path() const { return path_; }
    /// The file name in the title and the check's findings.
    QString name() const;
    bool isRecording() const { return recording_; }

    QPlainTextEdit *txtMacro;
    /// The check's findings and the recorder's notes; a click goes to the line.
    QListWidget *lstFindings;
    /// The estimate of a run.
    QLabel *lblEstimate;
    QAction *mnuSave;
    QAction *mnuSaveAs;
    QAction *mnuRun;
    QAction *mnuRecord;
    QAction *mnuClose;
    /// How the pauses are written: none, BASEWAIT, SLEEPs.
    QComboBox *cmbWaits;
    QCompleter *completer;

    /// The recording's clock in milliseconds; steady, tests set their own.
    std::function<qint64()> clock;

public Q_SLOTS:
    bool save();
    bool saveAs();
    void run();
    /// Starts or stops a recording.
    void record(bool on);
    /// Checks the text now, as the pause in the typing does.
    void checkNow();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    friend class LoadedForm<frmMacro, QMainWindow>;
    frmMacro();
    void Form_Load();
    /// Asks what becomes of unsaved changes; false for Cancel.
    bool settle();
    void present(const QString &path, const QString &text, const TextFormat &format);
    bool saveAsFile(bool offer);
    /// The entry of the main window's address file a run would take first.
    std::optional<AddressEntry> nextEntry(FieldFormat *format) const;
    bool write(const QString &path);
    void textChanged();
    void showFindings(const CheckReport &report);
    void goToFinding(QListWidgetItem *item);
    void keySent(int button);
    void textSent(const QString &text);
    /// Puts the recorded lines in place of the block recorded so far.
    void regenerate();
    void updateTitle();
    void complete();

    QStringList words_; ///< the key names and the commands
    QString path_;
    TextFormat format_;
    MacroHighlighter *highlighter_;
    QTimer *checkTimer_;
    /// Counts the changes, so that a check can tell it is out of date.
    quint64 generation_ = 0;
    bool checking_ = false;
    bool closed_ = false;
    CheckReport report_;

    bool recording_ = false;
    QList<RecordedSend> sends_;
    std::optional<AddressEntry> next_;
    FieldFormat nextFormat_ = FieldFormat::Tabs;
    bool repeat_ = false;
    bool recordedGetStr_ = false;
    /// The recorded lines in the text, selected; valid while `blockRevision_`
    /// is the document's revision or a recording goes on.
    QTextCursor block_;
    int blockRevision_ = -1;
};

} // namespace tapwright::ui
