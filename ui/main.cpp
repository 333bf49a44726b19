#include "macro/messages.h"
#include "ui/common.h"
#include "ui/desktop.h"
#include "ui/frmAbout.h"
#include "ui/frmInput.h"
#include "ui/frmKeyboard.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include <cstdio>

using namespace tapwright::ui;

int main(int argc, char *argv[])
{
    if (!hasDesktopSession()) {
        QCoreApplication core(argc, argv);
        tapwright::loadCatalogue(QLocale::system());
        const QString text = tapwright::Messages::tr(
            "tapwright: the windows need a desktop session, and there is none here "
            "(neither DISPLAY nor WAYLAND_DISPLAY is set); tapwright-cli works without one");
        fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        return 1;
    }
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
    // Once the window is on the screen: the offer to go on names its button.
    QTimer::singleShot(0, frmMain::instance(), &frmMain::offerJournal);
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
