#pragma once

// What the window tests share, with the guard that keeps the keypad off real ports.

#include "link/keytable.h"
#include "testline.h"
#include "testutil.h"
#include "ui/common.h"
#include "ui/frmAbout.h"
#include "ui/frmDevice.h"
#include "ui/frmInput.h"
#include "ui/frmKeyboard.h"
#include "ui/frmMain.h"
#include "ui/seams.h"

#include <QtWidgets>

using namespace tapwright::ui;

/// The windows speak Japanese, as the program has them.
inline void loadJapaneseWords()
{
    tapwright::loadCatalogue(QLocale(QLocale::Japanese));
}
Q_COREAPP_STARTUP_FUNCTION(loadJapaneseWords)

/// The text a tooltip shows, as the user reads it: rich text rendered.
inline QString shownToolTip(const QWidget *widget)
{
    const QString tip = widget->toolTip();
    return !Qt::mightBeRichText(tip) ? tip : QTextDocumentFragment::fromHtml(tip).toPlainText();
}

/// Each block of a window's text with its colour: "text|#rrggbb".
inline QStringList colouredBlocks(const QTextDocument *document)
{
    QStringList blocks;
    for (QTextBlock b = document->begin(); b.isValid(); b = b.next())
        blocks << b.text() + u'|' + b.begin().fragment().charFormat().foreground().color().name();
    return blocks;
}

/// Whether a window may open `port`: whatever the code under test does wrong,
/// never a real serial port. On Windows only the virtual one is safe.
inline bool safePort(const QString &port)
{
#ifdef Q_OS_UNIX
    if (port.startsWith("/dev/pts/"_L1))
        return true;
#endif
    return port.trimmed() == "virtual"_L1;
}

/// Clicks the keypad's connect button, with `port` in its box unless null.
inline void clickConnect(const QString &port = QString())
{
    QComboBox *box = frmKeyboard::instance()->cmbCommPort;
    if (!port.isNull())
        box->setEditText(port);
    QVERIFY2(safePort(box->currentText()), qPrintable(box->currentText()));
    frmKeyboard::instance()->Command1[ConnectButtonIndex]->click();
}

inline void closeKeypadWindows()
{
    if (frmKeyboard::exists())
        frmKeyboard::instance()->close();
    if (frmInput::exists())
        frmInput::instance()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
