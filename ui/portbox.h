#pragma once

#include <QComboBox>

namespace tapwright::ui {

/// The port box of the main window and of the keypad: an editable combo box
/// whose list holds "1" to "16", "virtual" and then the serial ports the system knows of,
/// by name, with the system's description beside each in the list. The box
/// stays as narrow as it is; the list opens as wide as its longest line, and
/// the tooltip holds the whole port text.
class PortBox : public QComboBox
{
    Q_OBJECT
public:
    explicit PortBox(QWidget *parent);

    /// Fills the list anew: the numbers and "virtual", then the system's ports as they are
    /// now. The text stays as it is, and so does whether an item is chosen.
    void fillList();
    /// The system's description of the listed port `name`, or empty.
    QString description(const QString &name) const;

    void showPopup() override;

private:
    void updateToolTip();
};

} // namespace tapwright::ui
