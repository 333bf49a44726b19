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

    /// Shows `report` in place of what the window showed before.
    void showReport(const CheckReport &report);

private:
    friend class LoadedForm<frmCheck>;
    frmCheck();
    void Form_Load();
};

} // namespace tapwright::ui
