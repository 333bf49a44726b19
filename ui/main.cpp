#include "macro/messages.h"
#include "ui/common.h"
#include "ui/desktop.h"
#include "ui/frmAbout.h"
#include "ui/frmInput.h"
#include "ui/frmKeyboard.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QLocale>
#include <QTranslator>

using namespace tapwright::ui;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tapwright"));
    // Lets a Wayland desktop match the windows to their menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.tapwright.Tapwright"));
    QApplication::setWindowIcon(appIcon());
    // The windows speak Japanese whatever the locale; the standard dialogs
    // follow the locale.
    tapwright::loadCatalogue(QLocale(QLocale::Japanese, QLocale::Japan));
    QTranslator qtWords;
    if (loadQtTranslation(qtWords, QLocale(), QCoreApplication::applicationDirPath()))
        QCoreApplication::installTranslator(&qtWords);
    // The main window decides when the program ends, whatever else is open.
    QApplication::setQuitOnLastWindowClosed(false);

    frmMain::instance()->show();
    const int code = QApplication::exec();

    // Ending the program closes every window without its closing handler; the
    // ports drop whatever is still queued instead of waiting for it.
    if (frmInput::exists())
        delete frmInput::instance();
    if (frmKeyboard::exists())
        delete frmKeyboard::instance();
    if (frmAbout::exists())
        delete frmAbout::instance();
    delete frmMain::instance();
    return code;
}
