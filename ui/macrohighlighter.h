#pragma once

#include <QHash>
#include <QSyntaxHighlighter>

namespace tapwright::ui {

/// Colours a macro as the run reads it: the key names, the command words,
/// the numbers (waits and SENDSTR's field), STRING's text; and underlines,
/// wavy, the lines a check found fault with.
class MacroHighlighter : public QSyntaxHighlighter
{
    Q_OBJECT
public:
    enum Finding
    {
        Warning,
        Error
    };
    using QSyntaxHighlighter::QSyntaxHighlighter;

    /// The lines to underline (1-based), each with its worst finding.
    void setFindings(const QHash<qint64, Finding> &lines);

    // The colours, for the tests to tell the parts apart.
    static QColor keyColour() { return QColor(0x00, 0x50, 0xb0); }
    static QColor commandColour() { return QColor(0x80, 0x00, 0x80); }
    static QColor numberColour() { return QColor(0x00, 0x80, 0x60); }
    static QColor textColour() { return QColor(0xa0, 0x40, 0x00); }

protected:
    void highlightBlock(const QString &text) override;

private:
    QHash<qint64, Finding> findings_;
};

} // namespace tapwright::ui
