#include "ui/frmInput.h"

#include "link/keytable.h"
#include "text/textsender.h"
#include "ui/common.h"
#include "ui/frmKeyboard.h"
#include "ui/frmMain.h"
#include "ui/keypadsends.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <limits>

namespace tapwright::ui {

namespace {

// Lines of text the status line under the box has room for.
constexpr int StatusLines = 2;
// Skipped characters named in the status line; the tooltip names them all.
constexpr int NamedSkips = 8;

/// The keypad button a key stands for, or -1.
int buttonForKey(int key, bool numericPad)
{
    switch (key) {
    case Qt::Key_Up:
        return ButtonUp;
    case Qt::Key_Down:
        return ButtonDown;
    case Qt::Key_Left:
        return ButtonLeft;
    case Qt::Key_Right:
        return ButtonRight;
    case Qt::Key_End:
        return ButtonOff;
    case Qt::Key_PageDown:
        return ButtonOn;
    case Qt::Key_Home:
        return ButtonCharacter;
    case Qt::Key_PageUp:
        return ButtonMenu;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        return ButtonClear;
    default:
        break;
    }
    // Digits and signs of the main rows are just text for the box.
    if (!numericPad)
        return -1;
    if (key == Qt::Key_0)
        return ButtonDigit0;
    if (key >= Qt::Key_1 && key <= Qt::Key_9)
        return ButtonDigit1 + (key - Qt::Key_1);
    if (key == Qt::Key_Asterisk)
        return ButtonStar;
    if (key == Qt::Key_Minus)
        return ButtonHash;
    return -1;
}

} // namespace

frmInput::frmInput()
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowIcon(appIcon());

    Text1 = new QLineEdit(this);
    Text1->setMaxLength(std::numeric_limits<int>::max());
    placeTwips(Text1, 120, 120, 2895, 270);
    Text1->installEventFilter(this);

    // The status line goes below the 3120 x 495 twips that hold the box; the
    // window grows by its height, which stays the same whatever it says.
    lblStatus = new QLabel(this);
    lblStatus->setTextFormat(Qt::PlainText);
    lblStatus->setWordWrap(true);
    lblStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Measured on Japanese text: its glyphs may come from a fallback font
    // whose lines are taller than the label's own font says.
    QLabel probe;
    probe.setFont(lblStatus->font());
    probe.setText(QStringList(StatusLines, QStringLiteral("あ")).join(QLatin1Char('\n')));
    const int statusHeight = probe.sizeHint().height();
    lblStatus->setGeometry(twipsX(this, 120), twipsY(this, 495), twipsX(this, 2895), statusHeight);
    setFixedSize(twipsX(this, 3120), twipsY(this, 495) + statusHeight + twipsY(this, 60));
}

frmInput::~frmInput() = default;

void frmInput::Form_Load()
{
    const frmMain *main = frmMain::instance();
    setWindowTitle(main->Title + QStringLiteral(" ") + main->Version);
    if (frmKeyboard::exists())
        placeUnder(frmKeyboard::instance());
}

void frmInput::placeUnder(const QWidget *keypad)
{
    move(keypad->x(), keypad->y() + twipsY(this, 5000));
}

void frmInput::Form_Unload()
{
    if (frmKeyboard::exists())
        frmKeyboard::instance()->hide();
}

void frmInput::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    LoadedForm::closeEvent(event);
}

bool frmInput::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Text1 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        Text1_KeyDown(key->key(), key->modifiers());
    }
    // Never consumed: the box edits, moves its caret and takes the digits
    // typed on the numeric pad as well.
    return QWidget::eventFilter(watched, event);
}

void frmInput::Text1_KeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        SubmitText();
        return;
    }
    const int button = buttonForKey(key, modifiers.testFlag(Qt::KeypadModifier));
    // The keypad may have been closed; typing must not bring it back.
    if (button >= 0 && frmKeyboard::exists())
        frmKeyboard::instance()->Command1_Click(button);
}

void frmInput::SubmitText()
{
    const bool connected = frmKeyboard::exists() && frmKeyboard::instance()->MSComm1().isOpen();
    const QString text = Text1->text();
    // Recorded whether the keypad is connected or not; an empty Enter is the
    // ■ key, which the keypad tells itself.
    if (!text.isEmpty())
        Q_EMIT KeypadSends::instance().textTyped(text);
    if (!connected && !text.isEmpty() && KeypadSends::instance().isRecording()) {
        // Taken into the recording: left in the box, a second Enter once
        // connected would record it twice.
        Text1->clear();
        lblStatus->setText(tr("The keypad is not connected: the text was recorded, not sent."));
        lblStatus->setToolTip(QString());
        return;
    }
    if (!connected) {
        // The text stays for a second try once the keypad is connected.
        lblStatus->setText(tr("The keypad is not connected; nothing was sent."));
        lblStatus->setToolTip(QString());
        if (text.isEmpty() && frmKeyboard::exists())
            frmKeyboard::instance()->Command1_Click(ButtonEnter);
        return;
    }
    frmKeyboard *keypad = frmKeyboard::instance();
    lblStatus->clear();
    lblStatus->setToolTip(QString());
    if (text.isEmpty()) {
        keypad->Command1_Click(ButtonEnter);
        return;
    }
    keypad->SendStr(text);
    Text1->clear();

    const Unsendable skipped = unsendableCharacters(text);
    if (skipped.isEmpty())
        return;
    const QStringList &distinct = skipped.characters;
    // Plain characters as they are; those that would not show by their code.
    QStringList named, described;
    for (const QString &c : distinct) {
        const QString description = describeCharacter(c);
        described << description;
        if (named.size() < NamedSkips)
            named << (description.startsWith(QLatin1Char('\'')) ? c : description);
    }
    if (distinct.size() > NamedSkips)
        named << QStringLiteral("…");
    const QString head =
        tr("Skipped characters the device cannot enter (%1): ").arg(skipped.count);
    lblStatus->setText(head + named.join(QLatin1Char(' ')));
    lblStatus->setToolTip(plainToolTip(head + described.join(QStringLiteral(", "))));
}

} // namespace tapwright::ui
