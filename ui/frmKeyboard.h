#pragma once

#include "ui/loadedform.h"

#include "device/portlink.h"
#include "ui/portbox.h"

#include <array>
#include <deque>
#include <QDeadlineTimer>
#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

namespace tapwright::ui {

class frmDevice;

/// The on-screen keypad: one button per key of the device, a port chooser and
/// a connect button. It owns its own port, separate from the main window's.
class frmKeyboard : public LoadedForm<frmKeyboard>
{
    Q_OBJECT
public:
    ~frmKeyboard() override;

    /// The port text last taken from the port box.
    QString CommPort;

    QLabel *lblPort;
    PortBox *cmbCommPort;
    /// The buttons by index, 0 to 39; index 16 has none, 39 is the connect
    /// button.
    std::array<QPushButton *, 40> Command1{};

    /// Presses keypad button `Index`, or connects or disconnects for the
    /// connect button. Sends whatever the connection state.
    void Command1_Click(int Index);
    /// Types a text through this window's port.
    void SendStr(const QString &Str);

    PortLink &MSComm1() { return link_; }
    /// What the virtual device entered from this window, created on first use.
    frmDevice *deviceWindow();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    friend class LoadedForm<frmKeyboard>;
    frmKeyboard();
    void Form_Load();
    void Form_Unload();
    void OpenPort();
    void ClosePort();
    void SendKey(int row, int column, int table);

    PortLink link_;
    /// Turns the frames still in flight at a close into typed characters:
    /// a character may take two frames, and keys go out between them.
    struct TypedTrail
    {
        /// Frames handed to the port since it opened, in the link's order.
        qint64 handed = 0;
        /// For each typed character not known to be on the line, the number
        /// of its last frame among those handed.
        std::deque<qint64> ends;
        /// Typed characters not wholly on the line once `sent` frames are.
        int unsent(qint64 sent);
    };
    TypedTrail typed_;
    frmDevice *device_ = nullptr;
    /// How many drains of this window's port are under way.
    int draining_ = 0;
    /// Until when the typing window follows this window's moves: the window
    /// system places a new window only once it is shown, after the typing
    /// window has taken its place from ours.
    QDeadlineTimer typingFollows_;
    bool shownOnce_ = false;
    /// The window was closed during a drain and goes once the drain is over.
    bool deleteAfterDrain_ = false;
};

} // namespace tapwright::ui
