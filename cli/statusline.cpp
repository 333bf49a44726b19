#include "cli/statusline.h"

#include "cli/output.h"
#include "cli/terminal.h"

#include <QStringList>

#include <utility>

namespace tapwright::cli {

namespace {

// The shortest time between two redraws.
constexpr int RedrawMs = 100;

/// Columns one code point takes.
int columnsOf(char32_t c)
{
    const auto category = QChar::category(c);
    if (category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing ||
        category == QChar::Other_Format)
        return 0;
    // The wide ranges: Hangul Jamo, CJK and its punctuation, kana, Hangul
    // syllables, compatibility ideographs, full-width forms, the
    // supplementary ideographs. Half-width katakana stay narrow.
    const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
                      (c >= 0x3041 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
                      (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
                      (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) ||
                      (c >= 0x20000 && c <= 0x3FFFD);
    return wide ? 2 : 1;
}

} // namespace

int displayWidth(const QString &text)
{
    int columns = 0;
    for (const char32_t c : text.toUcs4())
        columns += columnsOf(c);
    return columns;
}

QString cutToWidth(const QString &text, int columns)
{
    if (displayWidth(text) <= columns)
        return text;
    if (columns <= 0)
        return QString();
    const QString ellipsis = QStringLiteral("\u2026");
    QString cut;
    int used = 0;
    for (const char32_t c : text.toUcs4()) {
        const int width = columnsOf(c);
        if (used + width > columns - 1)
            break;
        used += width;
        cut += QString::fromUcs4(&c, 1);
    }
    return cut + ellipsis;
}

StatusLine::StatusLine() : active_(stdoutIsTerminal() && !stdoutIsClosed())
{
    if (!active_)
        return;
    tick_.setInterval(RedrawMs);
    QObject::connect(&tick_, &QTimer::timeout, [this] { redraw(); });
    setPrintHooks([this] { hide(); }, [this] { redrawIfDue(); });
}

StatusLine::~StatusLine()
{
    finish();
    setPrintHooks(nullptr, nullptr);
}

void StatusLine::start(std::function<QString(int)> make)
{
    make_ = std::move(make);
    if (active_ && !tick_.isActive())
        tick_.start();
}

QByteArray StatusLine::clearSequence() const
{
    QByteArray bytes = clearLineSequence();
    for (int line = 1; line < lines_; ++line)
        bytes += lineUpSequence() + clearLineSequence();
    return bytes;
}

void StatusLine::hide()
{
    if (shown_ && write(clearSequence()))
        shown_ = false;
}

void StatusLine::finish()
{
    if (!active_)
        return;
    // Cleared even when it is not shown: the line that follows then always
    // begins on a clean line.
    write(shown_ ? clearSequence() : clearLineSequence());
    tick_.stop();
    active_ = shown_ = false;
}

void StatusLine::redrawIfDue()
{
    // Never before the first tick: the first lines of a run come undisturbed.
    if (lastDraw_.isValid() && lastDraw_.elapsed() >= RedrawMs)
        redraw();
}

void StatusLine::redraw()
{
    if (!active_ || !make_)
        return;
    // One column to spare: a character in the last one wraps on some terminals.
    const int columns = stdoutColumns() - 1;
    QStringList lines = make_(columns).split(QLatin1Char('\n'));
    if (lineUpSequence().isEmpty())
        lines = QStringList{lines.join(QStringLiteral("  "))};
    for (QString &line : lines)
        line = cutToWidth(line, columns);
    const QString text = lines.join(QLatin1Char('\n'));
    if (shown_ && text == drawn_)
        return;
    if (write((shown_ ? clearSequence() : clearLineSequence()) + text.toUtf8())) {
        shown_ = true;
        lines_ = int(lines.size());
        drawn_ = text;
        lastDraw_.start();
    }
}

bool StatusLine::write(const QByteArray &bytes)
{
    if (!active_)
        return false;
    if (!stdoutIsClosed()) {
        bool closed = false;
        if (writeStd(StdStream::Out, bytes, closed) == bytes.size())
            return true;
        if (!closed)
            return false;
    }
    // Its escapes must never go where the lines go now. Only the state
    // changes here: this may run inside printOut()'s hooks.
    tick_.stop();
    active_ = shown_ = false;
    stdoutFoundClosed();
    return false;
}

} // namespace tapwright::cli
