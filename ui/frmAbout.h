#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace tapwright::ui {

template <typename Form> class LoadedForm;

/// The About box: the program's icon, name, version and copyright line.
class frmAbout : public QWidget
{
    Q_OBJECT
public:
    /// The About box, created (and loaded) on first use.
    static frmAbout *instance();
    /// Whether it is loaded; OK and the close box unload it.
    static bool exists();
    ~frmAbout() override;

    QLabel *Image1;
    QLabel *Label1;
    QLabel *lblCopyright;
    QPushButton *cmdOK;

public Q_SLOTS:
    void cmdOK_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    friend class LoadedForm<frmAbout>;
    frmAbout();
    void Form_Load();
};

} // namespace tapwright::ui
