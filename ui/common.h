#pragma once

#include "link/link.h"
#include "macro/checker.h"
#include "macro/runner.h"

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

/// The program's icon, drawn at start: a small handheld terminal with a key
/// being pressed.
QIcon appIcon();
/// The same icon drawn at `size` × `size` pixels, for the desktop's icon theme.
QPixmap drawIcon(int size);

/// The windows' words for a port that failed.
QString japanese(const LinkError &error);
/// The windows' words for a run that could not start or go on.
QString japanese(const RunReport &report);
/// A finding of a check, one line: "file:line: エラー: message" or
/// "file:line: 警告: message" ("file: ..." when not about one line).
QString japanese(const CheckItem &item);
/// The estimate, one line: "見積もり: 1 回 8 フレーム、4.0 秒 ...".
QString japanese(const Estimate &estimate);
/// A duration in Japanese units: "0.7 秒", "3 分 5 秒", "1 時間 12 分", "2 日 3 時間".
QString japaneseDuration(double seconds);
/// Whether the check found anything: "問題はありません。", or the counts.
QString japaneseVerdict(const CheckReport &report);

} // namespace tapwright::ui
