#pragma once

#include "ui/loadedform.h"

#include "macro/checker.h"

#include <QWidget>

class QPlainTextEdit;

namespace tapwright::ui {

/// What a check of the chosen files found: a line for each finding, errors
/// in red and warnings in dark orange, then the estimate and the verdict.
class frmCheck : public LoadedForm<frmCheck>
{
    Q_OBJECT
public:
    ~frmCheck() override;

    QPlainTextEdit *txtReport;

    /// Shows the window and checks the files, then shows what the check
    /// found. Events are delivered while it reads, so that every window stays
    /// responsive; closing this window stops the check. Asked again while it
    /// checks, it only raises the window.
    void check(const QString &macro, const QString &addr, qint32 counter);
    /// Shows the window with `report`, a check made elsewhere.
    void present(const CheckReport &report);
    /// Shows `report` in place of what the window showed before.
    void showReport(const CheckReport &report);

private:
    friend class LoadedForm<frmCheck>;
    frmCheck();
    void Form_Load();
    void bringUp();
    void closeEvent(QCloseEvent *event) override;

    bool checking_ = false;
    bool closed_ = false; ///< closed while it checked: the check stops
};

} // namespace tapwright::ui
