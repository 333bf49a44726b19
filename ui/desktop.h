#pragma once

#include <QString>
#include <QStringList>

class QLocale;
class QTranslator;
class QWidget;

namespace tapwright::ui {

/// Where 目次 looks for its document, in this order: "help.mht" in
/// `currentDir`, as earlier versions did; the manual installed with the
/// program, found from `programDir`, the folder of the running program; the
/// manual beside the program, as the Windows zip and installer put it.
QStringList helpCandidates(const QString &currentDir, const QString &programDir);

/// Opens the first of the help candidates that exists in the system's viewer.
/// A message names the file when no viewer takes it, and every place looked
/// at when none exists.
void openHelp(QWidget *parent, const QString &currentDir, const QString &programDir);

/// Loads Qt's own words for its standard dialogs (Open, Cancel, the context
/// menus) in Japanese when `locale` is Japanese: from "translations" beside
/// the program, where the Windows zip puts them, else from Qt's own place.
/// False when the locale is another or no translation was found.
bool loadQtTranslation(QTranslator &translator, const QLocale &locale, const QString &programDir);

/// Whether the windows have a desktop session to show on. Where there is
/// none, Qt would abort the program with a hint to reinstall it.
bool hasDesktopSession();

} // namespace tapwright::ui
