#include "ui/frmCheck.h"

#include "ui/common.h"
#include "ui/frmMain.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextCursor>
#include <QVBoxLayout>

namespace tapwright::ui {

void frmCheck::closeEvent(QCloseEvent *event)
{
    closed_ = true;
    LoadedForm::closeEvent(event);
}

frmCheck::frmCheck()
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Check"));
    setWindowIcon(appIcon());
    txtReport = new QPlainTextEdit(this);
    txtReport->setReadOnly(true);
    txtReport->setUndoRedoEnabled(false);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(txtReport);
    resize(twipsX(this, 9000), twipsY(this, 3600));
}

frmCheck::~frmCheck() = default;

void frmCheck::Form_Load()
{
    // Beside the main window rather than over its buttons.
    const frmMain *main = frmMain::instance();
    move(main->frameGeometry().topRight() + QPoint(twipsX(this, 120), 0));
}

void frmCheck::bringUp()
{
    show();
    raise();
    activateWindow();
}

void frmCheck::present(const CheckReport &report)
{
    bringUp();
    showReport(report);
}

void frmCheck::check(const QString &macro, const QString &addr, qint32 counter)
{
    bringUp();
    if (checking_)
        return;
    txtReport->clear();
    checking_ = true;
    // The window may be closed, and deleted, while events are delivered.
    const QPointer<frmCheck> self(this);
    const CheckReport report = checkFiles(macro, addr, counter, [&self](qint64) {
        QCoreApplication::processEvents();
        return self && !self->closed_;
    });
    if (!self || closed_)
        return;
    checking_ = false;
    showReport(report);
}

void frmCheck::showReport(const CheckReport &report)
{
    txtReport->clear();
    QTextCursor cursor(txtReport->document());
    auto add = [&cursor, first = true](const QString &text, const QColor &colour) mutable {
        QTextCharFormat format;
        if (colour.isValid())
            format.setForeground(colour);
        if (!std::exchange(first, false))
            cursor.insertBlock(QTextBlockFormat(), format);
        cursor.insertText(text, format);
    };
    for (const CheckItem &item : report.items)
        add(describe(item), item.isError() ? errorColour() : warningColour());
    add(describe(report.estimate), QColor());
    add(verdict(report), QColor());
}

} // namespace tapwright::ui
