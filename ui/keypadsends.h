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

    /// Whether the macro window records what is sent: a text recorded with
    /// the keypad disconnected leaves the typing window as a sent one does.
    bool isRecording() const { return recording_; }
    void setRecording(bool on) { recording_ = on; }

Q_SIGNALS:
    /// A key button of the keypad was pressed, by a click or by a key of the
    /// typing window.
    void keyPressed(int button);
    /// The typing window sent a text with Enter.
    void textTyped(const QString &text);

private:
    bool recording_ = false;
};

} // namespace tapwright::ui
