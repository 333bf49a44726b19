#pragma once

#include "ui/loadedform.h"

#include <QWidget>

class QLabel;
class QLineEdit;

namespace tapwright::ui {

/// The one-line typing window: Enter sends the text through the keypad's
/// port; arrows, the numeric pad and a few editing keys press keypad keys.
class frmInput : public LoadedForm<frmInput>
{
    Q_OBJECT
public:
    ~frmInput() override;

    QLineEdit *Text1;
    /// Under the text box: why the last Enter sent nothing, or which
    /// characters it skipped; empty when it sent everything.
    QLabel *lblStatus;

    /// A key went down in the text box: press the keypad key it stands for.
    /// The key still reaches the box.
    void Text1_KeyDown(int key, Qt::KeyboardModifiers modifiers);

    /// Stands right under `keypad`, aligned with its left edge.
    void placeUnder(const QWidget *keypad);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class LoadedForm<frmInput>;
    frmInput();
    void Form_Load();
    void Form_Unload();
    void SubmitText();
};

} // namespace tapwright::ui
