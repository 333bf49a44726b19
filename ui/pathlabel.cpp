#include "ui/pathlabel.h"

#include "text/textsender.h"
#include "ui/common.h"

#include <algorithm>
#include <QPainter>

namespace tapwright::ui {

namespace {

/// The lines a path is drawn on: the label is two lines high in the layout
/// it was drawn for.
constexpr int PathLines = 2;

/// How many UTF-16 units of `text` from `from` fit in `width`; a surrogate
/// pair is never split.
qsizetype fitting(const QFontMetrics &metrics, QStringView text, qsizetype from, int width)
{
    qsizetype end = from;
    while (end < text.size()) {
        const qsizetype next = end + (text[end].isHighSurrogate() && end + 1 < text.size() ? 2 : 1);
        if (metrics.horizontalAdvance(text.mid(from, next - from).toString()) > width)
            break;
        end = next;
    }
    // Never an empty line while text is left: one character at least.
    if (end == from && from < text.size())
        end = from + (text[from].isHighSurrogate() && from + 1 < text.size() ? 2 : 1);
    return end;
}

/// Where the longest end of `text` that fits in `width` after `lead` starts:
/// at a folder separator when one allows it, so that the file name stands
/// whole; within the name only when the name alone is too wide.
qsizetype tailStart(const QFontMetrics &metrics, QStringView text, const QString &lead, int width)
{
    auto fits = [&](qsizetype at) {
        return metrics.horizontalAdvance(lead + text.mid(at).toString()) <= width;
    };
    qsizetype best = -1;
    for (qsizetype at = text.size() - 1; at > 0; --at) {
        if ((text[at] == u'/' || text[at] == u'\\') && fits(at))
            best = at;
        else if (text[at] == u'/' || text[at] == u'\\')
            break;
    }
    if (best >= 0)
        return best;
    qsizetype at = text.size();
    while (at > 0) {
        const qsizetype previous = at - (text[at - 1].isLowSurrogate() && at > 1 ? 2 : 1);
        if (!fits(previous))
            break;
        at = previous;
    }
    return at;
}

} // namespace

PathLabel::PathLabel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void PathLabel::setPath(const QString &path)
{
    const QString shown = visibleText(path);
    setText(shown);
    setToolTip(plainToolTip(shown));
    update();
}

QStringList PathLabel::shownLines() const
{
    const QString all = text();
    const QFontMetrics metrics = fontMetrics();
    const int width = contentsRect().width();
    QStringList lines;
    qsizetype at = 0;
    while (at < all.size() && lines.size() < PathLines - 1) {
        const qsizetype end = fitting(metrics, all, at, width);
        lines << all.mid(at, end - at);
        at = end;
    }
    if (at >= all.size())
        return lines;
    const QString rest = all.mid(at);
    if (metrics.horizontalAdvance(rest) <= width) {
        lines << rest;
        return lines;
    }
    const QString ellipsis = QStringLiteral("…");
    lines << ellipsis + rest.mid(tailStart(metrics, rest, ellipsis, width));
    return lines;
}

void PathLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect room = contentsRect();
    const QStringList lines = shownLines();
    if (lines.isEmpty())
        return;
    // Lines closer together than the font would have them, rather than the
    // last one cut off, where the room is a little short of them.
    const int step = std::min(fontMetrics().lineSpacing(), room.height() / int(lines.size()));
    int top = room.top() + (room.height() - step * int(lines.size())) / 2;
    for (const QString &line : lines) {
        painter.drawText(QRect(room.left(), top, room.width(), step),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line);
        top += step;
    }
}

} // namespace tapwright::ui
