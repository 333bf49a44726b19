#include "ui/portbox.h"

#include "device/virtuallink.h"
#include "ui/common.h"
#include "ui/seams.h"

#include <QAbstractItemView>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace tapwright::ui {

namespace {

constexpr int NumberedPorts = 16;
/// The numbers and "virtual": the items that stay whatever the system has.
constexpr int FixedItems = NumberedPorts + 1;
constexpr int DescriptionRole = Qt::UserRole + 1;

/// Shows a port's description after its name in the open list; the name
/// alone is what the box takes when the item is chosen.
class PortItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString description = index.data(DescriptionRole).toString();
        if (!description.isEmpty())
            option->text += QStringLiteral("    ") + description;
    }
};

} // namespace

PortBox::PortBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    // The port text is used as typed: Enter must not add it to the list, and
    // completion must not turn "1" into "10".
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    setItemDelegate(new PortItemDelegate(this));
    connect(this, &QComboBox::editTextChanged, this, &PortBox::updateToolTip);
    // setEditText() with the text it already has emits nothing.
    connect(this, &QComboBox::currentIndexChanged, this, &PortBox::updateToolTip);
}

void PortBox::fillList()
{
    const QString text = currentText();
    const bool chosen = currentIndex() >= 0;
    {
        const QSignalBlocker quiet(this);
        if (count() < FixedItems) {
            clear();
            for (int n = 1; n <= NumberedPorts; ++n)
                addItem(QString::number(n));
            // The device inside the program, for trying without one.
            addItem(VirtualLink::portName());
        }
        while (count() > FixedItems)
            removeItem(count() - 1);
        const QList<PortInfo> ports = seams().listPorts();
        for (const PortInfo &port : ports) {
            addItem(port.name);
            setItemData(count() - 1, port.description, DescriptionRole);
            setItemData(count() - 1,
                        port.description.isEmpty() ? port.name
                                                   : port.name + u'\n' + port.description,
                        Qt::ToolTipRole);
        }
        setCurrentIndex(chosen ? findText(text) : -1);
        setEditText(text);
    }
    updateToolTip();
}

QString PortBox::description(const QString &name) const
{
    const int at = findText(name);
    return at >= FixedItems ? itemData(at, DescriptionRole).toString() : QString();
}

void PortBox::showPopup()
{
    // Ports come and go (a USB adapter plugged in): list them as they are.
    fillList();
    QAbstractItemView *list = view();
    const int widest = list->sizeHintForColumn(0) + 2 * list->frameWidth() +
                       list->verticalScrollBar()->sizeHint().width();
    list->setMinimumWidth(std::max(width(), widest));
    QComboBox::showPopup();
}

void PortBox::updateToolTip()
{
    const QString text = currentText();
    const QString about = description(text.trimmed());
    setToolTip(plainToolTip(about.isEmpty() ? text : text + u'\n' + about));
}

} // namespace tapwright::ui
