#pragma once

#include "link/serialport.h"

#include <functional>
#include <QList>
#include <QString>
#include <QUrl>

class QWidget;

namespace tapwright::ui {

/// The few places where the windows reach the desktop: message boxes, the
/// file dialog, the document viewer, the end of the process and the word at
/// the end of a long run. Tests put
/// recorders in their place; everything else is the real code.
struct Seams
{
    /// A modal message with an OK button only and no icon, captioned with the
    /// program's title.
    std::function<void(QWidget *parent, const QString &text)> showMessage;
    /// A modal question with two buttons, captioned with the program's title,
    /// `yes` the default: true for `yes`, false for `no` or when the box is closed.
    std::function<bool(QWidget *parent, const QString &text, const QString &yes, const QString &no)>
        ask;
    /// An open-file dialog with the given filter, opened on `selected`. Returns
    /// the chosen file's full path, or an empty string when cancelled.
    std::function<QString(QWidget *parent, const QString &filter, const QString &selected)>
        chooseFile;
    /// A save-file dialog with the given filter, opened on `selected`. Returns
    /// the chosen full path, or an empty string when cancelled.
    std::function<QString(QWidget *parent, const QString &filter, const QString &selected)>
        chooseSaveFile;
    /// Opens a document in the system's viewer. False when no viewer took it.
    std::function<bool(const QUrl &document)> openDocument;
    /// The serial ports the system knows of now.
    std::function<QList<PortInfo>()> listPorts;
    /// Ends the program at once.
    std::function<void()> endProcess;
    /// Calls the user to the end of a long run: `window` asks the desktop for
    /// attention, a beep, and `notice` from the tray where the desktop has one.
    std::function<void(QWidget *window, const QString &notice)> announceEnd;
    /// A modal question with a button for each of `buttons`, the first the
    /// default: the index of the one clicked, the last when the box is closed.
    std::function<int(QWidget *parent, const QString &text, const QStringList &buttons)> choose;
};

/// The seams in use; the real ones unless a test replaced them.
Seams &seams();

} // namespace tapwright::ui
