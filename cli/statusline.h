#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <functional>

namespace tapwright::cli {

/// Columns `text` takes on a terminal: wide East Asian characters take two,
/// combining marks none.
int displayWidth(const QString &text);
/// `text` cut to at most `columns` columns, ending in "…" when cut.
QString cutToWidth(const QString &text, int columns);

/// On a terminal, one line at the bottom of stdout, or several (one a port
/// of a run over several ports), redrawn in place ("\r\033[K" and the text)
/// at most ten times a second. While it lives,
/// printOut() and printErr() clear it before they print, so that their lines
/// are not garbled, and it comes back after them. Off a terminal, and once
/// stdout is closed, it does nothing.
class StatusLine
{
public:
    StatusLine();
    ~StatusLine();
    StatusLine(const StatusLine &) = delete;
    StatusLine &operator=(const StatusLine &) = delete;

    bool isActive() const { return active_; }
    /// From the next redraw on, shows what `make` returns for the width it
    /// is given, each of its lines ("\n" between them) cut to that width; it
    /// is asked again at every redraw, so a clock in it goes on. A terminal
    /// that cannot move up a line gets the lines side by side instead.
    void start(std::function<QString(int columns)> make);
    /// Clears the line until the next redraw.
    void hide();
    /// Clears the line for good.
    void finish();

private:
    void redraw();
    /// Redraws at once if the last redraw is long enough ago.
    void redrawIfDue();
    /// Writes to stdout only; false when that failed.
    bool write(const QByteArray &bytes);
    /// Clears the lines drawn and leaves the cursor at the start of the first.
    QByteArray clearSequence() const;

    bool active_ = false;
    bool shown_ = false;
    /// Lines drawn: the cursor stands on the last of them.
    int lines_ = 0;
    QString drawn_;
    std::function<QString(int)> make_;
    QTimer tick_;
    QElapsedTimer lastDraw_;
};

} // namespace tapwright::cli
