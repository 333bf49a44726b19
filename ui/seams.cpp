#include "ui/seams.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QPointer>
#include <QSystemTrayIcon>

namespace tapwright::ui {

Seams &seams()
{
    static Seams real{
        [](QWidget *parent, const QString &text) {
            QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tapwright"), text, QMessageBox::Ok,
                            parent);
            // Messages quote files, whose text is never HTML to render.
            box.setTextFormat(Qt::PlainText);
            box.exec();
        },
        [](QWidget *parent, const QString &text, const QString &yes, const QString &no) {
            QMessageBox box(QMessageBox::Question, QStringLiteral("Tapwright"), text,
                            QMessageBox::NoButton, parent);
            box.setTextFormat(Qt::PlainText);
            // Enter takes `yes`: `no` may throw away what the user came back for.
            QPushButton *accept = box.addButton(yes, QMessageBox::YesRole);
            box.addButton(no, QMessageBox::NoRole);
            box.setDefaultButton(accept);
            box.exec();
            return box.clickedButton() == accept;
        },
        [](QWidget *parent, const QString &filter, const QString &selected) {
            return QFileDialog::getOpenFileName(parent, QString(), selected, filter);
        },
        [](QWidget *parent, const QString &filter, const QString &selected) {
            return QFileDialog::getSaveFileName(parent, QString(), selected, filter);
        },
        [](const QUrl &document) { return QDesktopServices::openUrl(document); },
        [] { return SerialPort::systemPorts(); },
        [] {
            for (QWidget *window : QApplication::topLevelWidgets())
                window->hide();
            // Leaves every event loop, the nested ones of a run included.
            QCoreApplication::exit(0);
        },
        [](QWidget *window, const QString &notice) {
            QApplication::alert(window);
            QApplication::beep();
            if (!QSystemTrayIcon::isSystemTrayAvailable())
                return;
            // One icon for the program's life, shown from its first notice on.
            static QPointer<QSystemTrayIcon> tray;
            if (!tray)
                tray = new QSystemTrayIcon(window->windowIcon(), window);
            tray->setToolTip(notice);
            tray->show();
            tray->showMessage(window->windowTitle(), notice);
        },
        [](QWidget *parent, const QString &text, const QStringList &buttons) {
            QMessageBox box(QMessageBox::Question, QStringLiteral("Tapwright"), text,
                            QMessageBox::NoButton, parent);
            box.setTextFormat(Qt::PlainText);
            QList<QAbstractButton *> added;
            for (const QString &caption : buttons)
                added << box.addButton(caption, QMessageBox::ActionRole);
            box.setDefaultButton(qobject_cast<QPushButton *>(added.value(0)));
            box.setEscapeButton(added.value(added.size() - 1));
            box.exec();
            const int clicked = int(added.indexOf(box.clickedButton()));
            return clicked < 0 ? int(added.size()) - 1 : clicked;
        },
    };
    return real;
}

} // namespace tapwright::ui
