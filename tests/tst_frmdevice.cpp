#include "guitest.h"

class TestFrmDevice : public QObject
{
    Q_OBJECT
    TestLine line_;
    QTemporaryDir dir_;
    QStringList messages_;
    frmMain *w = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        seams().showMessage = [this](QWidget *, const QString &text) { messages_ << text; };
        w = frmMain::instance();
    }

    void init() { messages_.clear(); }

    void cleanupTestCase() { delete w; }

    void lines_data()
    {
        QTest::addColumn<QList<DevicePieces>>("batches"); // as the link hands them out
        QTest::addColumn<QString>("shown");
        using P = DevicePiece;
        const P a{P::Character, u"a"_s}, b{P::Character, u"b"_s}, up{P::Key, u"[UP]"_s};
        QTest::newRow("characters, then keys")
            << QList<DevicePieces>{{a}, {b, up, up}, {{P::Key, u"[&ENTER]"_s}}}
            << u"ab[UP]\n[UP]\n[&ENTER]"_s;
        QTest::newRow("after a key, a new line")
            << QList<DevicePieces>{{a, up, b}, {a}} << u"a[UP]\nba"_s;
        // Only the kind ends a line, not what the text looks like.
        QTest::newRow("noise, unknown, brackets")
            << QList<DevicePieces>{{{P::Character, u"[<"_s}, {P::Noise, u"<F2 02 7F>"_s}, b},
                                   {{P::Unknown, u"[?3,9,9]"_s}, a}}
            << u"[<<F2 02 7F>\nb[?3,9,9]\na"_s;
        QTest::newRow("nothing") << QList<DevicePieces>{{}} << QString();
    }
    /// How pieces become lines, one batch at a time; endLine() starts a line.
    void lines()
    {
        QFETCH(QList<DevicePieces>, batches);
        QFETCH(QString, shown);
        frmDevice device(nullptr, u"test"_s);
        device.endLine(); // nothing yet: no empty first line
        for (const DevicePieces &batch : batches)
            device.add(batch);
        QCOMPARE(device.txtDevice->toPlainText(), shown);
        device.endLine();
        device.endLine();
        device.add({{DevicePiece::Character, u"c"_s}});
        QCOMPARE(device.txtDevice->toPlainText(), shown.isEmpty() ? u"c"_s : shown + u"\nc"_s);
    }

    /// A run on the virtual port shows what the device entered in the main
    /// window's own device window; a run on a serial port shows nothing.
    void mainWindowRun()
    {
        const QString shown = u"ab[ENTER]"_s;
        w->MacroFile = writeFile(dir_.filePath(u"m.mac"_s), "STRING ab\r\nENTER\r\n");
        w->txtCounter->setText(u"0"_s);
#ifdef Q_OS_UNIX
        // First on a serial port: no device window.
        w->cmbCommPort->setEditText(line_.path());
        w->cmdSend->click();
        QCOMPARE(line_.readAvailable().size(), 3 * 8);
        QVERIFY(!w->findChild<frmDevice *>());
#endif

        w->cmbCommPort->setEditText(u"virtual"_s);
        w->cmdSend->click(); // returns when the run has ended, the port drained
        QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join(u'\n')));
        frmDevice *device = w->findChild<frmDevice *>();
        QVERIFY(device && device->isVisible());
        QCOMPARE(device->txtDevice->toPlainText(), shown);
        // The next run starts a line of its own.
        w->cmdSend->click();
        QCOMPARE(device->txtDevice->toPlainText(), shown + u'\n' + shown);
#ifdef Q_OS_UNIX
        QCOMPARE(line_.readAvailable(), QByteArray());
#endif
        QVERIFY(w->findChildren<frmDevice *>().size() == 1);
    }
};

QTEST_MAIN(TestFrmDevice)
#include "tst_frmdevice.moc"
