#include "guitest.h"
#include "ui/portbox.h"

Q_DECLARE_METATYPE(tapwright::PortInfo)

/// The port box: "1" to "16", "virtual", then the system's ports, whose whole names
/// can be read however narrow the box is.
class TestPortBox : public QObject
{
    Q_OBJECT

    QList<PortInfo> ports_;
    QWidget window_;
    PortBox *box_ = nullptr;

    QStringList items() const
    {
        QStringList all;
        for (int i = 0; i < box_->count(); ++i)
            all << box_->itemText(i);
        return all;
    }

private Q_SLOTS:
    void initTestCase()
    {
        seams().listPorts = [this] { return ports_; };
        window_.resize(300, 100);
        window_.show();
    }

    void init()
    {
        delete box_;
        box_ = new PortBox(&window_);
        // As narrow as the windows have it.
        box_->setGeometry(10, 10, 49, 20);
        box_->show();
        ports_.clear();
    }

    void listFollowsTheSystem_data()
    {
        QTest::addColumn<QList<PortInfo>>("before");
        QTest::addColumn<QList<PortInfo>>("after");
        const PortInfo usb{u"/dev/ttyUSB0"_s, u"FT232R USB UART"_s};
        const PortInfo acm{u"/dev/ttyACM0"_s, QString()};
        const PortInfo byId{u"/dev/serial/by-id/usb-0403_6001-if00-port0"_s, u"→ /dev/ttyUSB0"_s};
        QTest::newRow("none") << QList<PortInfo>{} << QList<PortInfo>{};
        QTest::newRow("plugged in") << QList<PortInfo>{} << QList<PortInfo>{usb, byId};
        QTest::newRow("pulled out") << QList<PortInfo>{usb, acm} << QList<PortInfo>{acm};
    }
    void listFollowsTheSystem()
    {
        QFETCH(QList<PortInfo>, before);
        QFETCH(QList<PortInfo>, after);
        for (const QList<PortInfo> &ports : {before, after}) {
            ports_ = ports;
            box_->setEditText(u"/dev/pts/7"_s);
            if (&ports == &before) {
                box_->fillList();
            } else {
                // Opening the list is when the system is asked again.
                box_->showPopup();
                box_->hidePopup();
            }
            QStringList expected;
            for (int n = 1; n <= 16; ++n)
                expected << QString::number(n);
            expected << u"virtual"_s;
            for (const PortInfo &port : ports)
                expected << port.name;
            QCOMPARE(items(), expected);
            for (const PortInfo &port : ports)
                QCOMPARE(box_->description(port.name), port.description);
            // Whatever the list, the text typed stays, and no item is chosen.
            QCOMPARE(box_->currentText(), u"/dev/pts/7"_s);
            QCOMPARE(box_->currentIndex(), -1);
        }
    }

    void toolTipHoldsTheWholeText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tip");
        QTest::newRow("number") << u"1"_s << u"1"_s;
        QTest::newRow("listed port") << u"/dev/ttyUSB0"_s << u"/dev/ttyUSB0\nFT232R USB UART"_s;
        QTest::newRow("markup is text") << u"<b>x</b>"_s << u"<b>x</b>"_s;
    }
    void toolTipHoldsTheWholeText()
    {
        QFETCH(QString, text);
        QFETCH(QString, tip);
        ports_ = {{u"/dev/ttyUSB0"_s, u"FT232R USB UART"_s}};
        box_->fillList();
        box_->setEditText(text);
        QCOMPARE(shownToolTip(box_), tip);
        // Chosen from the list, too; asking the system again keeps the choice.
        const int at = box_->findText(text);
        if (at >= 0) {
            box_->setCurrentIndex(-1);
            box_->setCurrentIndex(at);
            QCOMPARE(shownToolTip(box_), tip);
            box_->fillList();
            QCOMPARE(box_->currentIndex(), at);
            QCOMPARE(box_->currentText(), text);
        }
    }

    void listOpensWiderThanTheBox()
    {
        ports_ = {{u"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"_s,
                   u"→ /dev/ttyUSB0"_s}};
        box_->showPopup();
        QAbstractItemView *list = box_->view();
        QTRY_VERIFY(list->isVisible());
        // The longest line, its description included, fits; the box itself keeps its size.
        const QString longest = ports_[0].name + u"    "_s + ports_[0].description;
        QVERIFY(list->viewport()->width() >= list->fontMetrics().horizontalAdvance(longest));
        QCOMPARE(box_->width(), 49);
        box_->hidePopup();
    }
};

QTEST_MAIN(TestPortBox)
#include "tst_portbox.moc"
