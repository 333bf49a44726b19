#include "ui/frmKeyboard.h"

#include "link/keytable.h"
#include "macro/messages.h"
#include "text/textsender.h"
#include "ui/common.h"
#include "ui/frmDevice.h"
#include "ui/frmInput.h"
#include "ui/frmMain.h"
#include "ui/frmMultiRun.h"
#include "ui/keypadsends.h"
#include "ui/portbox.h"
#include "ui/seams.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace tapwright::ui {

namespace {

// Caption of the connect button while the port is closed, and while open.
const QString &captionClosed()
{
    static const QString text = QStringLiteral("切断");
    return text;
}
const QString &captionOpen()
{
    static const QString text = QStringLiteral("接続中");
    return text;
}

struct KeyPlace
{
    int index;
    int left;
    int top;
};

// Key buttons in tab order; index 16 has no button.
constexpr KeyPlace keyPlaces[] = {
    {0, 120, 720},    {1, 120, 1080},   {2, 120, 1440},   {3, 120, 1800},   {4, 120, 2160},
    {5, 120, 2520},   {6, 120, 2880},   {7, 120, 3240},   {8, 120, 3600},   {9, 120, 3960},
    {10, 960, 720},   {11, 1680, 720},  {12, 2400, 720},  {13, 960, 1080},  {14, 1680, 1080},
    {15, 2400, 2280}, {17, 1680, 1560}, {18, 2400, 1560}, {19, 960, 1920},  {20, 1680, 1920},
    {21, 2400, 1920}, {22, 960, 2280},  {23, 1680, 2280}, {24, 960, 2760},  {25, 1680, 2760},
    {26, 2400, 2760}, {27, 960, 3120},  {28, 1680, 3120}, {29, 2400, 3120}, {30, 960, 3480},
    {31, 1680, 3480}, {32, 2400, 3480}, {33, 960, 3840},  {34, 1680, 3840}, {35, 2400, 3840},
    {36, 960, 4200},  {37, 1680, 4200}, {38, 2400, 4200},
};
constexpr int KeyWidth = 615;
constexpr int KeyHeight = 255;

} // namespace

frmKeyboard::frmKeyboard()
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowIcon(appIcon());
    setClientTwips(this, 3150, 4590);

    lblPort = new QLabel(QStringLiteral("ポート"), this);
    placeTwips(lblPort, 2280, 120, 735, 255);

    // Created in tab order: keys, then the connect button, then the port box.
    const std::vector<ButtonEntry> &table = buttonTable();
    QWidget *previous = nullptr;
    auto chain = [&previous](QWidget *next) {
        if (previous)
            setTabOrder(previous, next);
        previous = next;
    };
    for (const KeyPlace &place : keyPlaces) {
        auto *button = new QPushButton(table[static_cast<std::size_t>(place.index)].caption, this);
        placeTwips(button, place.left, place.top, KeyWidth, KeyHeight);
        connect(button, &QPushButton::clicked, this,
                [this, index = place.index] { Command1_Click(index); });
        Command1[static_cast<std::size_t>(place.index)] = button;
        chain(button);
    }

    auto *connectButton = new QPushButton(captionClosed(), this);
    placeTwips(connectButton, 1200, 360, 975, 255);
    connect(connectButton, &QPushButton::clicked, this,
            [this] { Command1_Click(ConnectButtonIndex); });
    Command1[ConnectButtonIndex] = connectButton;
    chain(connectButton);

    cmbCommPort = new PortBox(this);
    placeTwips(cmbCommPort, 2280, 360, 735, 300);
    chain(cmbCommPort);

    connect(&link_, &Link::failed, this, [this](const LinkError &error) {
        Command1[ConnectButtonIndex]->setText(captionClosed());
        seams().showMessage(this, describe(error));
    });
    frmDevice::follow(link_, this, [this] { return deviceWindow(); });
}

frmKeyboard::~frmKeyboard() = default;

frmDevice *frmKeyboard::deviceWindow()
{
    if (!device_)
        device_ =
            new frmDevice(this, tr("Virtual device (keypad) — %1").arg(frmMain::instance()->Title));
    return device_;
}

void frmKeyboard::Form_Load()
{
    frmMain *main = frmMain::instance();
    setWindowTitle(main->Title + QStringLiteral(" ") + main->Version);

    // The main window's port text, chosen in the list when it is there.
    const QString port = main->cmbCommPort->currentText();
    cmbCommPort->fillList();
    cmbCommPort->setCurrentIndex(cmbCommPort->findText(port));
    cmbCommPort->setEditText(port);

    Command1[ConnectButtonIndex]->setText(captionClosed());
    frmInput::instance()->show();
}

void frmKeyboard::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        typingFollows_.setRemainingTime(1000);
    }
}

void frmKeyboard::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    if (shownOnce_ && !typingFollows_.hasExpired() && frmInput::exists())
        frmInput::instance()->placeUnder(this);
}

void frmKeyboard::Form_Unload()
{
    // Closing the keypad is not the end of the program: what was typed still
    // goes out before the port closes.
    if (link_.isOpen())
        ClosePort();
    if (frmInput::exists())
        frmInput::instance()->hide();
    if (device_)
        device_->hide();
}

void frmKeyboard::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    LoadedForm::closeEvent(event);
    if (draining_ > 0) {
        // Closed from within a drain (the window stays responsive while it
        // waits): the drain runs on this window's link, so the window must
        // outlive it. Command1_Click deletes it once the drain is over.
        setAttribute(Qt::WA_DeleteOnClose, false);
        deleteAfterDrain_ = true;
    }
    event->accept();
}

void frmKeyboard::Command1_Click(int Index)
{
    if (Index == ConnectButtonIndex) {
        QPushButton *button = Command1[ConnectButtonIndex];
        if (button->text() == captionClosed()) {
            CommPort = cmbCommPort->currentText();
            OpenPort();
            if (link_.isOpen())
                button->setText(captionOpen());
        } else {
            ClosePort();
            button->setText(captionClosed());
            if (deleteAfterDrain_ && draining_ == 0)
                deleteLater();
        }
        return;
    }
    if (const std::optional<KeyCode> code = buttonCode(Index)) {
        SendKey(code->row, code->column, code->table);
        // Recorded whether the port is open or not.
        Q_EMIT KeypadSends::instance().keyPressed(Index);
    }
}

void frmKeyboard::SendStr(const QString &Str)
{
    // Through this window's SendKey, which counts the frames; SendStr goes
    // one code unit at a time, so unit by unit sends the very same frames
    // and tells where each character ends.
    struct Keypad : KeySink
    {
        frmKeyboard *window;
        void SendKey(int row, int column, int table) override
        {
            window->SendKey(row, column, table);
        }
    } keypad;
    keypad.window = this;
    typed_.unsent(link_.framesSent()); // forgets the characters on the line by now
    for (qsizetype i = 0; i < Str.size(); ++i) {
        const qint64 before = typed_.handed;
        tapwright::SendStr(keypad, QStringView(Str).mid(i, 1));
        if (typed_.handed != before)
            typed_.ends.push_back(typed_.handed);
    }
}

int frmKeyboard::TypedTrail::unsent(qint64 sent)
{
    while (!ends.empty() && ends.front() <= sent)
        ends.pop_front();
    return int(ends.size());
}

void frmKeyboard::OpenPort()
{
    CommPort = cmbCommPort->currentText();
    link_.setCommPort(CommPort);
    if (link_.isOpen())
        return;
    if (const RunReport taken = frmMultiRun::portTaken(CommPort); taken.isError()) {
        seams().showMessage(this, describe(taken));
        return;
    }
    typed_ = TypedTrail(); // the link counts its frames afresh
    if (!link_.OpenPort())
        seams().showMessage(this, describe(link_.lastError()));
}

void frmKeyboard::ClosePort()
{
    // Typed text still going out is dropped whole, as a stop drops a run's:
    // whoever disconnects wants the device left alone now, not once the
    // text has gone. The frame on the wire finishes.
    const int unsent = typed_.unsent(link_.framesSent());
    ++draining_;
    link_.ClosePort(unsent > 0 ? Link::CloseMode::Discard : Link::CloseMode::Drain);
    --draining_;
    typed_ = TypedTrail();
    if (unsent > 0 && frmInput::exists()) {
        QLabel *status = frmInput::instance()->lblStatus;
        status->setText(tr("Disconnected: %1 characters not sent.").arg(unsent));
        status->setToolTip(QString());
    }
}

void frmKeyboard::SendKey(int row, int column, int table)
{
    // Nothing clicked or typed while the port closes goes out after it.
    if (draining_ > 0 || !link_.isOpen())
        return;
    link_.SendKey(row, column, table);
    ++typed_.handed;
}

} // namespace tapwright::ui
