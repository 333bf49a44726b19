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

    /// Shows `report` in place of what the window showed before.
    void showReport(const CheckReport &report);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    friend class LoadedForm<frmCheck>;
    frmCheck();
    void Form_Load();
};

} // namespace tapwright::ui
