#pragma once

#include "device/framedecoder.h"

#include <QWidget>

#include <functional>

class QPlainTextEdit;

namespace tapwright {
class PortLink;
}

namespace tapwright::ui {

/// What the virtual device enters, as it comes off the line: a line per key,
/// the characters before it gathered on that line. Each window with a port
/// has one of its own.
class frmDevice : public QWidget
{
    Q_OBJECT
public:
    /// A window that belongs to `owner` (and closes with it), with `caption`
    /// as its title.
    frmDevice(QWidget *owner, const QString &caption);
    ~frmDevice() override;

    /// The device's output, read only.
    QPlainTextEdit *txtDevice;

    /// Adds decoded pieces as the device enters them.
    void add(const tapwright::DevicePieces &pieces);
    /// Whatever comes next starts a line of its own: a new run or connection.
    void endLine();
    /// Shows the window without taking the focus from its owner; the first
    /// time beside the owner, below the windows of the `slot` ports before it.
    void showBesideOwner(int slot = 0);

    /// Shows what `link` enters whenever it opens on the virtual device, in
    /// the window `window` gives (made on first use by its owner).
    static void follow(PortLink &link, QWidget *owner, std::function<frmDevice *()> window);

private:
    /// The last line is still gathering characters.
    bool lineOpen_ = false;
    bool placed_ = false;
};

} // namespace tapwright::ui
