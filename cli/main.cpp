#include "cli/commands.h"
#include "macro/messages.h"

#include <QCoreApplication>
#include <QLocale>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tapwright-cli"));
    // Japanese for a Japanese user (LANG=ja_JP.UTF-8, a Japanese Windows),
    // English for everyone else.
    tapwright::loadCatalogue(QLocale::system());
    return tapwright::cli::run(QCoreApplication::arguments().mid(1));
}
