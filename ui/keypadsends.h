#pragma once

#include <QObject>
#include <QString>

namespace tapwright::ui {

/// Tells whoever listens (the macro window's recorder) what the keypad and
/// the typing window send, whether the keypad is connected or not. Lives as
/// long as the program.
class KeypadSends : public QObject
{
    Q_OBJECT
public:
    static KeypadSends &instance();

Q_SIGNALS:
    /// A key button of the keypad was pressed, by a click or by a key of the
    /// typing window.
    void keyPressed(int button);
    /// The typing window sent a text with Enter.
    void textTyped(const QString &text);
};

} // namespace tapwright::ui
