#include "ui/frmDevice.h"

#include "ui/common.h"

#include "device/portlink.h"

#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

#include <algorithm>

namespace tapwright::ui {

namespace {

// A long run must not grow the window's memory without end.
constexpr int MaxLines = 10000;

} // namespace

frmDevice::frmDevice(QWidget *owner, const QString &caption) : QWidget(owner, Qt::Window)
{
    setWindowTitle(caption);
    setWindowIcon(appIcon());
    // The owner keeps the focus: its stop and pause keys must go on working.
    setAttribute(Qt::WA_ShowWithoutActivating);

    txtDevice = new QPlainTextEdit(this);
    txtDevice->setReadOnly(true);
    txtDevice->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtDevice->setMaximumBlockCount(MaxLines);
    txtDevice->setUndoRedoEnabled(false);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(txtDevice);
    resize(twipsX(this, 4800), twipsY(this, 3600));
}

frmDevice::~frmDevice() = default;

void frmDevice::add(const DevicePieces &pieces)
{
    if (pieces.isEmpty())
        return;
    QScrollBar *bar = txtDevice->verticalScrollBar();
    // Someone reading further up is not pulled down by new text.
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor cursor(txtDevice->document());
    cursor.movePosition(QTextCursor::End);
    for (const DevicePiece &piece : pieces) {
        if (!lineOpen_) {
            if (!txtDevice->document()->isEmpty())
                cursor.insertBlock();
            lineOpen_ = true;
        }
        cursor.insertText(piece.text);
        if (piece.endsLine())
            lineOpen_ = false;
    }
    if (atEnd)
        bar->setValue(bar->maximum());
}

void frmDevice::endLine()
{
    lineOpen_ = false;
}

void frmDevice::showBesideOwner(int slot)
{
    if (!placed_ && parentWidget()) {
        placed_ = true;
        const QRect owner = parentWidget()->frameGeometry();
        // The frame is not known before the first show: a title bar's room.
        QPoint at(owner.right() + 8, owner.top() + slot * (height() + twipsY(this, 480)));
        // Not off the screen: then below the owner, or where it fits.
        if (const QScreen *screen = parentWidget()->screen()) {
            const QRect room = screen->availableGeometry();
            // No room on the right: on the left, and failing that below it,
            // each window a little further on so that none hides another.
            if (at.x() + width() > room.right())
                at.setX(owner.left() - 8 - width());
            if (at.x() < room.left())
                at = QPoint(owner.left() + slot * 24, owner.bottom() + 8 + slot * 24);
            at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - width())));
            at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() - height())));
        }
        move(at);
    }
    show();
    raise();
}

void frmDevice::follow(PortLink &link, QWidget *owner, std::function<frmDevice *()> window)
{
    QObject::connect(&link, &PortLink::opened, owner, [&link, window] {
        if (!link.isVirtual())
            return;
        frmDevice *device = window();
        device->endLine();
        device->showBesideOwner();
    });
    QObject::connect(&link, &PortLink::received, owner,
                     [window](const DevicePieces &pieces) { window()->add(pieces); });
}

} // namespace tapwright::ui
