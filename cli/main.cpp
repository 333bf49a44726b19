#include "cli/commands.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tapwright-cli"));
    return tapwright::cli::run(QCoreApplication::arguments().mid(1));
}
