#include "ui/desktop.h"

#include "ui/seams.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QUrl>

// TAPWRIGHT_MANUAL_FROM_BIN: the installed manual's folder, relative to the
// program's, as the build works it out for the install prefix.

namespace tapwright::ui {

QStringList helpCandidates(const QString &currentDir, const QString &programDir)
{
    const QDir program(programDir);
    const QString entry = QStringLiteral("index.html");
    return {
        QDir(currentDir).filePath(QStringLiteral("help.mht")),
        QDir::cleanPath(
            program.filePath(QString::fromUtf8(TAPWRIGHT_MANUAL_FROM_BIN) + u'/' + entry)),
        program.filePath(QStringLiteral("manual/") + entry),
    };
}

void openHelp(QWidget *parent, const QString &currentDir, const QString &programDir)
{
    const QStringList places = helpCandidates(currentDir, programDir);
    for (const QString &path : places) {
        if (!QFileInfo(path).isFile())
            continue;
        if (!seams().openDocument(QUrl::fromLocalFile(path)))
            seams().showMessage(
                parent, QCoreApplication::translate("tapwright::ui::desktop",
                                                    "Cannot open the help \"%1\":\nno program is "
                                                    "found that shows this kind of document.")
                            .arg(QDir::toNativeSeparators(path)));
        return;
    }
    QString message = QCoreApplication::translate(
        "tapwright::ui::desktop", "The help is not found. These places were searched:\n");
    for (const QString &path : places)
        message += u'\n' + QDir::toNativeSeparators(path);
    seams().showMessage(parent, message);
}

bool loadQtTranslation(QTranslator &translator, const QLocale &locale, const QString &programDir)
{
    if (locale.language() != QLocale::Japanese)
        return false;
    const QStringList folders{
        QDir(programDir).filePath(QStringLiteral("translations")),
        QLibraryInfo::path(QLibraryInfo::TranslationsPath),
    };
    for (const QString &folder : folders) {
        if (translator.load(QStringLiteral("qtbase_ja"), folder))
            return true;
    }
    return false;
}

} // namespace tapwright::ui
