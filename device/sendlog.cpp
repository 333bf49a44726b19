#include "device/sendlog.h"

namespace tapwright {

namespace {

// As wide as a time stamp and the gap after it, for a message's further lines.
const QString Indent(14, QLatin1Char(' '));

} // namespace

QString SendLog::stamp() const
{
    return now().toString(QStringLiteral("HH:mm:ss.zzz"));
}

void SendLog::append(Kind kind, const QString &text)
{
    lines_.push_back({kind, text});
    if (lines_.size() > std::size_t(MaxLines)) {
        lines_.pop_front();
        ++firstSerial_;
    }
    Q_EMIT changed();
}

void SendLog::addStep(const QString &status)
{
    flush();
    append(Step, stamp() + QStringLiteral("  ") + status);
}

void SendLog::addPieces(const DevicePieces &pieces)
{
    if (pieces.isEmpty() || openSerial_ < 0)
        return;
    for (const DevicePiece &piece : pieces)
        lines_.back().text += piece.text;
    Q_EMIT changed();
}

void SendLog::addFrame(const KeyCode &code)
{
    if (openSerial_ < 0) {
        // The line takes the time of the step's first frame.
        append(Frames, stamp() + QStringLiteral("    "));
        openSerial_ = firstSerial_ + qint64(lines_.size()) - 1;
    }
    const KeyFrame frame = makeKeyFrame(code);
    addPieces(decoder_.feed(
        QByteArray(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size()))));
}

void SendLog::flush()
{
    addPieces(decoder_.flush());
    openSerial_ = -1;
}

void SendLog::addMessage(Kind kind, const QString &text)
{
    flush();
    const QString prefix = kind == Error     ? tr("error: ")
                           : kind == Warning ? tr("warning: ")
                                             : QString();
    const QStringList parts = text.split(QLatin1Char('\n'));
    append(kind, stamp() + QStringLiteral("  ") + prefix + parts.first());
    for (qsizetype i = 1; i < parts.size(); ++i)
        append(kind, Indent + parts[i]);
}

QString SendLog::text() const
{
    QString all;
    for (const Line &line : lines_)
        all += line.text + QLatin1Char('\n');
    return all;
}

} // namespace tapwright
