#pragma once

#include "device/framedecoder.h"
#include "link/keycode.h"

#include <deque>
#include <functional>
#include <QObject>
#include <QString>
#include <QTime>

namespace tapwright {

/// What a run sent, step by step, kept whether or not its window is open:
/// a line for each step, a line under it with the frames the step sent as
/// the device would enter them, and the run's warnings and errors. Only the
/// newest MaxLines lines are kept, so a long run costs the same at its end
/// as at its start.
class SendLog : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxLines = 10000;

    enum Kind
    {
        Step,
        Frames,
        Warning,
        Error
    };
    struct Line
    {
        Kind kind = Step;
        QString text;
    };

    /// The time each entry gets; the wall clock unless a test sets another.
    std::function<QTime()> now = [] { return QTime::currentTime(); };

    /// A step begins: "12:03:04.120  12 SENDSTR".
    void addStep(const QString &status);
    /// A frame the current step sent; it joins the step's frames line.
    void addFrame(const KeyCode &code);
    /// A warning or an error, one line for each line of its text.
    void addMessage(Kind kind, const QString &text);
    /// Gives out what the decoder still holds; the frames line is done.
    void flush();

    const std::deque<Line> &lines() const { return lines_; }
    /// The number of the first kept line among all lines ever added.
    qint64 firstSerial() const { return firstSerial_; }
    /// The number of the frames line still growing, or -1; always the last.
    qint64 openSerial() const { return openSerial_; }
    /// Every kept line, one a line, as the log is saved.
    QString text() const;

Q_SIGNALS:
    /// Lines were added, or the last one grew.
    void changed();

private:
    void append(Kind kind, const QString &text);
    void addPieces(const DevicePieces &pieces);
    QString stamp() const;

    std::deque<Line> lines_;
    qint64 firstSerial_ = 0;
    qint64 openSerial_ = -1;
    FrameDecoder decoder_;
};

} // namespace tapwright
