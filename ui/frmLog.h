#pragma once

#include "device/sendlog.h"
#include "ui/loadedform.h"

#include <QTimer>
#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace tapwright::ui {

/// The send log's window: the log's lines, warnings and errors in their own
/// colours, and a button to save them as UTF-8 text.
class frmLog : public LoadedForm<frmLog>
{
    Q_OBJECT
public:
    ~frmLog() override;

    QPlainTextEdit *txtLog;
    QPushButton *cmdSave;

    /// Shows what the log holds now, rather than at the next refresh.
    void refresh();

public Q_SLOTS:
    void cmdSave_Click();

private:
    friend class LoadedForm<frmLog>;
    frmLog();
    void Form_Load();

    SendLog *log_ = nullptr;
    /// The first line not yet shown for good; the open frames line may be
    /// shown, and is then shown again when it grows.
    qint64 nextSerial_ = 0;
    bool shownOpen_ = false;
    /// The vertical scroll bar's maximum before its range last changed.
    int lastMaximum_ = 0;
    /// Gathers the log's changes: a run adds lines far faster than they
    /// can be read.
    QTimer refreshTimer_;
    QString lastSaved_;
};

} // namespace tapwright::ui
