#include "ui/common.h"

#include <QWidget>

namespace tapwright::ui {

int twipsX(const QWidget *widget, int twips)
{
    return qRound(twips * widget->logicalDpiX() / 1440.0);
}

int twipsY(const QWidget *widget, int twips)
{
    return qRound(twips * widget->logicalDpiY() / 1440.0);
}

QRect twipsRect(const QWidget *widget, int left, int top, int width, int height)
{
    return QRect(twipsX(widget, left), twipsY(widget, top), twipsX(widget, width),
                 twipsY(widget, height));
}

void placeTwips(QWidget *child, int left, int top, int width, int height)
{
    child->setGeometry(twipsRect(child, left, top, width, height));
}

void setClientTwips(QWidget *window, int width, int height)
{
    window->setFixedSize(twipsX(window, width), twipsY(window, height));
}

QString plainToolTip(const QString &text)
{
    if (text.isEmpty())
        return text;
    return QStringLiteral("<p style='white-space:pre'>%1</p>").arg(text.toHtmlEscaped());
}

} // namespace tapwright::ui
