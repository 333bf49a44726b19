#pragma once

#include "link/link.h"
#include "macro/runner.h"

#include <QIcon>
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

/// The program's icon, drawn at start: a small handheld terminal with a key
/// being pressed.
QIcon appIcon();

/// The windows' words for a port that failed.
QString japanese(const LinkError &error);
/// The windows' words for a run that could not start or go on.
QString japanese(const RunReport &report);

} // namespace tapwright::ui
