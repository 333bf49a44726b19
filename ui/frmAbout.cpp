#include "ui/frmAbout.h"

#include "ui/common.h"
#include "ui/frmMain.h"

#include <QLabel>
#include <QPushButton>

namespace tapwright::ui {

frmAbout::frmAbout()
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Tapwright"));
    setWindowIcon(appIcon());

    // Made first so that it comes first in the tab order.
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    // Neither Enter nor Escape closes the box: only a click (or Space) on OK.
    cmdOK->setDefault(false);
    cmdOK->setAutoDefault(false);
    placeTwips(cmdOK, 4440, 2760, 1335, 375);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(appIcon().pixmap(QSize(32, 32), devicePixelRatioF()));
    placeTwips(Image1, 120, 240, 480, 480);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    placeTwips(Label1, 840, 240, 4935, 255);

    lblCopyright = new QLabel(this);
    lblCopyright->setObjectName(QStringLiteral("lblCopyright"));
    placeTwips(lblCopyright, 840, 480, 4935, 255);

    // Sizable: this is only the size it opens at.
    resize(twipsX(this, 5925), twipsY(this, 3300));
    cmdOK->setFocus();
}

frmAbout::~frmAbout() = default;

void frmAbout::Form_Load()
{
    const frmMain *main = frmMain::instance();
    // pos() is the frame's corner, so the box sits the same way over the main
    // window whatever the window manager's decorations.
    move(main->pos() + QPoint(twipsX(this, 256), twipsY(this, 256)));
    Label1->setText(main->Title + QLatin1Char(' ') + main->Version);
    lblCopyright->setText(main->Copyright);
}

void frmAbout::cmdOK_Click()
{
    close();
}

} // namespace tapwright::ui
