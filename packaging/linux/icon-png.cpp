// Writes the program's icon, as drawn in code, to PNG files for the desktop's
// icon theme: tapwright-icon DIR SIZE... writes DIR/SIZExSIZE.png.
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QString>

#include <cstdio>

#include "ui/common.h"

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() < 2) {
        std::fputs("usage: tapwright-icon DIR SIZE...\n", stderr);
        return 2;
    }
    const QDir dir(args.front());
    for (const QString &arg : args.mid(1)) {
        bool ok = false;
        const int size = arg.toInt(&ok);
        if (!ok || size < 1) {
            std::fprintf(stderr, "tapwright-icon: bad size \"%s\"\n", qPrintable(arg));
            return 2;
        }
        const QString file = dir.filePath(QStringLiteral("%1x%1.png").arg(size));
        const QPixmap pixmap = tapwright::ui::drawIcon(size);
        if (pixmap.size() != QSize(size, size) || !pixmap.save(file, "PNG")) {
            std::fprintf(stderr, "tapwright-icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
