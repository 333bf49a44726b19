#include "guitest.h"

class TestFrmDevice : public QObject
{
    Q_OBJECT
    PtyPair pty_;
    QTemporaryDir dir_;
    QStringList messages_;
    frmMain *w = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        seams().showMessage = [this](QWidget *, const QString &text) { messages_ << text; };
        w = frmMain::instance();
    }

    void init()
    {
        messages_.clear();
        w->cmbCommPort->setEditText(pty_.path());
    }

    void cleanupTestCase() { delete w; }

    void lines_data()
    {
        QTest::addColumn<QList<QStringList>>("batches"); // as the link hands them out
        QTest::addColumn<QString>("shown");
        using Batches = QList<QStringList>;
        QTest::newRow("characters, then a key")
            << Batches{{u"a"_s}, {u"b"_s, u"[ENTER]"_s}} << u"ab[ENTER]"_s;
        QTest::newRow("a line per key")
            << Batches{{u"[UP]"_s, u"[2]"_s}, {u"[&ENTER]"_s}} << u"[UP]\n[2]\n[&ENTER]"_s;
        QTest::newRow("after a key, a new line")
            << Batches{{u"x"_s, u"[UP]"_s, u"y"_s}, {u"z"_s}} << u"x[UP]\nyz"_s;
        // The characters "[" and "<" are no key; a half-width pair is one character.
        QTest::newRow("brackets as characters")
            << Batches{{u"["_s, u"<"_s, u"ｶﾞ"_s, u"]"_s}} << u"[<ｶﾞ]"_s;
        QTest::newRow("noise ends a line")
            << Batches{{u"a"_s, u"<F2 02 7F>"_s, u"b"_s}} << u"a<F2 02 7F>\nb"_s;
        QTest::newRow("unknown code") << Batches{{u"[?3,9,9]"_s, u"c"_s}} << u"[?3,9,9]\nc"_s;
        QTest::newRow("nothing") << Batches{{}} << QString();
    }
    /// How pieces become lines, one batch at a time.
    void lines()
    {
        QFETCH(QList<QStringList>, batches);
        QFETCH(QString, shown);
        frmDevice device(nullptr, u"test"_s);
        for (const QStringList &batch : batches)
            device.add(batch);
        QCOMPARE(device.txtDevice->toPlainText(), shown);
        QVERIFY(device.txtDevice->isReadOnly());
    }

    void endLineStartsALine()
    {
        frmDevice device(nullptr, u"test"_s);
        device.endLine(); // nothing yet: no empty first line
        device.add({u"ab"_s});
        device.endLine();
        device.add({u"c"_s});
        device.endLine();
        device.endLine();
        device.add({u"[UP]"_s});
        QCOMPARE(device.txtDevice->toPlainText(), u"ab\nc\n[UP]"_s);
    }

    void mainWindowRun_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QByteArray>("macro");
        QTest::addColumn<QString>("shown");
        QTest::newRow("string and enter")
            << u"virtual"_s << QByteArray("STRING ab\r\nENTER\r\n") << u"ab[ENTER]"_s;
    }
    /// A run on the virtual port shows what the device entered in the main
    /// window's own device window; a run on a serial port shows nothing.
    void mainWindowRun()
    {
        QFETCH(QString, port);
        QFETCH(QByteArray, macro);
        QFETCH(QString, shown);
        // First on a serial port: no device window.
        w->MacroFile = writeFile(dir_.filePath(u"m.mac"_s), macro);
        w->txtCounter->setText(u"0"_s);
        w->cmdSend->click();
        QCOMPARE(pty_.readAvailable().size(), 3 * 8);
        QVERIFY(!w->findChild<frmDevice *>());

        w->cmbCommPort->setEditText(port);
        w->cmdSend->click(); // returns when the run has ended, the port drained
        QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join(u'\n')));
        frmDevice *device = w->findChild<frmDevice *>();
        QVERIFY(device && device->isVisible());
        QCOMPARE(device->windowTitle(), u"仮想デバイス — Tapwright"_s);
        QCOMPARE(device->txtDevice->toPlainText(), shown);
        // The next run starts a line of its own.
        w->cmdSend->click();
        QCOMPARE(device->txtDevice->toPlainText(), shown + u'\n' + shown);
        QCOMPARE(pty_.readAvailable(), QByteArray());
        QVERIFY(w->findChildren<frmDevice *>().size() == 1);
    }
};

QTEST_MAIN(TestFrmDevice)
#include "tst_frmdevice.moc"
