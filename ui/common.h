#pragma once

#include "macro/messages.h"

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QRect>
#include <QString>

class QWidget;

namespace tapwright::ui {

/// Twips (1440 to the inch) to pixels at the widget's logical DPI.
int twipsX(const QWidget *widget, int twips);
int twipsY(const QWidget *widget, int twips);
/// A rectangle given in twips as left, top, width, height.
QRect twipsRect(const QWidget *widget, int left, int top, int width, int height);
/// Places `child` at a rectangle given in twips.
void placeTwips(QWidget *child, int left, int top, int width, int height);
/// Gives `window` a fixed client area given in twips.
void setClientTwips(QWidget *window, int width, int height);

/// A tooltip that shows `text` as it stands. Qt takes a tooltip that looks
/// like HTML for rich text, and a file's "<b>" or "<img>" must not turn into
/// either.
QString plainToolTip(const QString &text);

/// The colour of an error's text, and of a warning's, in every window.
inline QColor errorColour()
{
    return QColor(0xc0, 0x00, 0x00);
}
inline QColor warningColour()
{
    return QColor(0xb3, 0x59, 0x00);
}

/// The program's icon, drawn at start: a small handheld terminal with a key
/// being pressed.
QIcon appIcon();
/// The same icon drawn at `size` × `size` pixels, for the desktop's icon theme.
QPixmap drawIcon(int size);

} // namespace tapwright::ui
