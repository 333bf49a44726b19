#pragma once

#include "macro/checker.h"

#include <QWidget>

class QPlainTextEdit;

namespace tapwright::ui {

template <typename Form> class LoadedForm;

/// What a check of the chosen files found: a line for each finding, errors
/// in red and warnings in dark orange, then the estimate and the verdict.
class frmCheck : public QWidget
{
    Q_OBJECT
public:
    /// The window, created (and loaded) on first use.
    static frmCheck *instance();
    static bool exists();
    ~frmCheck() override;

    QPlainTextEdit *txtReport;

    /// Shows the window and checks the files, then shows what the check
    /// found. Events are delivered while it reads, so that every window stays
    /// responsive; closing this window stops the check. Asked again while it
    /// checks, it only raises the window.
    void check(const QString &macro, const QString &addr, qint32 counter);
    /// Shows `report` in place of what the window showed before.
    void showReport(const CheckReport &report);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    friend class LoadedForm<frmCheck>;
    frmCheck();
    void Form_Load();

    bool checking_ = false;
    bool closed_ = false; ///< closed while it checked: the check stops
};

} // namespace tapwright::ui
