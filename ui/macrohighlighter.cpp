#include "ui/macrohighlighter.h"

#include "macro/macrofile.h"

#include <QTextBlock>

namespace tapwright::ui {

void MacroHighlighter::setFindings(const QHash<qint64, Finding> &lines)
{
    if (lines == findings_)
        return;
    findings_ = lines;
    rehighlight();
}

void MacroHighlighter::highlightBlock(const QString &text)
{
    if (text.isEmpty())
        return; // blank lines are no steps
    const auto finding = findings_.constFind(currentBlock().blockNumber() + 1);
    auto format = [&finding, this](const QColor &colour) {
        QTextCharFormat f;
        if (colour.isValid())
            f.setForeground(colour);
        if (finding != findings_.cend()) {
            f.setUnderlineStyle(QTextCharFormat::WaveUnderline);
            f.setUnderlineColor(*finding == Error ? QColor(0xd0, 0x00, 0x00)
                                                  : QColor(0xff, 0x8c, 0x00));
        }
        return f;
    };
    if (finding != findings_.cend())
        setFormat(0, int(text.size()), format(QColor()));
    // The line is cut as the run cuts it: field 0 the word, field 1 its argument.
    const QStringList fields = splitFields(text);
    const Command command = findCommand(fields[0]).command;
    QColor word, argument;
    switch (command) {
    case Command::None:
        return;
    case Command::Key:
        word = keyColour();
        break;
    case Command::BaseWait:
    case Command::Sleep:
    case Command::SendStr:
        argument = numberColour();
        break;
    case Command::String:
        argument = textColour();
        break;
    default:
        break;
    }
    if (!word.isValid())
        word = commandColour();
    setFormat(0, int(fields[0].size()), format(word));
    if (argument.isValid() && fields.size() > 1)
        setFormat(int(fields[0].size()) + 1, int(fields[1].size()), format(argument));
}

} // namespace tapwright::ui
