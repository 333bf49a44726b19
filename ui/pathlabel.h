#pragma once

#include <QLabel>

namespace tapwright::ui {

/// A label for a file's path in the room of a few lines. The path is broken
/// across the lines where it fits; where it does not, its middle gives way to
/// "…", so that the start of the path stands on the first line and the file
/// name whole on the last. text() and the tooltip keep the whole path.
class PathLabel : public QLabel
{
    Q_OBJECT
public:
    explicit PathLabel(QWidget *parent);

    /// Shows `path`, its control characters by their code.
    void setPath(const QString &path);
    /// The lines as they are drawn at the label's size and font.
    QStringList shownLines() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace tapwright::ui
