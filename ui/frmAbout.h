#pragma once

#include "ui/loadedform.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace tapwright::ui {

/// The About box: the program's icon, name, version and copyright line.
class frmAbout : public LoadedForm<frmAbout>
{
    Q_OBJECT
public:
    ~frmAbout() override;

    QLabel *Image1;
    QLabel *Label1;
    QLabel *lblCopyright;
    QPushButton *cmdOK;

public Q_SLOTS:
    void cmdOK_Click();

private:
    friend class LoadedForm<frmAbout>;
    frmAbout();
    void Form_Load();
};

} // namespace tapwright::ui
