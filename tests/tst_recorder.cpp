#include "macro/checker.h"
#include "macro/messages.h"
#include "macro/recorder.h"
#include "testutil.h"

#include "link/keytable.h"

/// Sends as "ms:K17" (a keypad button) and "ms:Ttext", joined by ';'.
static QList<RecordedSend> sendsOf(const QString &spec)
{
    QList<RecordedSend> sends;
    for (const QString &s : spec.split(u';')) {
        const QString what = s.section(u':', 1);
        sends << RecordedSend{what.startsWith(u'K') ? RecordedSend::Key : RecordedSend::Text,
                              what.mid(1).toInt(), what.mid(1), s.section(u':', 0, 0).toLongLong()};
    }
    return sends;
}

/// Notes as "S1" (SpaceDropped on line index 1), "A3.2" (field 2), "N0".
static QString notesText(const QList<RecordedNote> &notes)
{
    QStringList words;
    for (const RecordedNote &n : notes)
        words << u"SAN"_s[n.kind] + QString::number(n.line) +
                     (n.kind == RecordedNote::FromAddress ? u"."_s + QString::number(n.field)
                                                          : u""_s);
    return words.join(u' ');
}

class TestRecorder : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keyNames()
    {
        // Each key button's name presses exactly its key; f6 to f10 have none.
        for (int i = -1; i <= ButtonCount; ++i) {
            const QString name = keyNameOfButton(i);
            const FoundCommand found = findCommand(name);
            const bool unnamed = !buttonCode(i) || (i >= 5 && i <= 9);
            QVERIFY2(unnamed ? name.isEmpty()
                             : found.command == Command::Key && found.key == *buttonCode(i),
                     qPrintable(QString::number(i) + u' ' + name));
        }
        const QString names = u"17 UP|20 ENTER|10 I1|0 HENKAN|18 SUNMENU|24 OFFHOOK|37 0|38 #"_s;
        for (const QString &row : names.split(u'|'))
            QCOMPARE(keyNameOfButton(row.section(u' ', 0, 0).toInt()), row.section(u' ', 1));
    }

    void lines_data()
    {
        // The columns of tests/data/recorded.txt.
        QTest::addColumn<QStringList>("row");
        for (QStringList row : dataLines(u"recorded.txt"_s)) {
            row.replaceInStrings(u"\\t"_s, u"\t"_s).replaceInStrings(u"'"_s, u"\""_s);
            QTest::newRow(qPrintable(row[0]))
                << row.replaceInStrings(QRegularExpression(u"^-$"_s), QString());
        }
    }
    void lines()
    {
        QFETCH(QStringList, row);
        const QString &next = row[3];
        const bool csv = next.startsWith(u"csv:");
        const auto entry =
            next.isEmpty() ? std::nullopt : std::optional(AddressEntry{csv ? next.mid(4) : next});
        for (const bool repeat : {false, true}) {
            const RecordedMacro m =
                recordedLines(sendsOf(row[1]), RecordedWaits(row[2].toInt()), entry,
                              csv ? FieldFormat::Csv : FieldFormat::Tabs, repeat);
            QCOMPARE(m.lines.join(u'|'), row[4] + (repeat ? u"|REPEAT"_s : QString()));
            if (!repeat) // REPEAT would follow what is dropped at the end
                QCOMPARE(notesText(m.notes), row[5]);
        }
    }

    void checkFindsNothing_data()
    {
        QTest::addColumn<int>("waits");
        QTest::addColumn<QString>("addresses"); // two entries, UTF-8
        QTest::newRow("no waits, tabs") << 0 << u"recorded-list.txt"_s;
        QTest::newRow("sleeps, CSV") << 2 << u"recorded-list.csv"_s;
    }
    void checkFindsNothing()
    {
        // The recording of a user typing the first entry by hand, once.
        QFETCH(int, waits);
        QFETCH(QString, addresses);
        const QString addr = TestDataDir + u'/' + addresses;
        AddressReader reader;
        QVERIFY(reader.open(addr));
        const RecordedMacro recorded = recordedLines(
            sendsOf(u"0:K17;900:K17;3000:K20;4000:Tﾔﾏﾀﾞ ﾀﾛｳ;9000:T0312345678;9500:K20"_s),
            RecordedWaits(waits), reader.next(), reader.format(), true);
        QTemporaryDir dir;
        QFile macro(dir.filePath(u"macro.txt"_s));
        QVERIFY(macro.open(QIODevice::WriteOnly));
        macro.write("\xEF\xBB\xBF" + recorded.lines.join(u"\r\n"_s).toUtf8() + "\r\n");
        macro.close();
        const CheckReport report = checkFiles(macro.fileName(), addr, 0);
        QVERIFY2(report.items.isEmpty(), qPrintable(describe(report.items.value(0))));
        QCOMPARE(report.estimate.passCount, 2);
    }

    void notesInWords()
    {
        // Each note names its line from the block's first, its text as it
        // would show, and its field; and no two kinds read alike.
        const QString text = u"a\u001Bb c"_s;
        QStringList words;
        for (const RecordedNote &n : {RecordedNote{RecordedNote::SpaceDropped, 2, 0, text},
                                      RecordedNote{RecordedNote::FromAddress, 2, 2, text},
                                      RecordedNote{RecordedNote::FromAddress, 2, 0, text},
                                      RecordedNote{RecordedNote::NoKeyName, 2, 0, u"f6"_s}}) {
            words << describe(n, 10);
            QVERIFY2(words.last().startsWith(u"line 12: "_s) &&
                         words.last().contains(
                             n.kind == RecordedNote::NoKeyName ? n.text : u"aU+001Bb c"_s) &&
                         words.last().contains(u"SENDSTR 2"_s) == (n.field == 2),
                     qPrintable(words.last()));
        }
        QCOMPARE(words.removeDuplicates(), 0);
    }
};

QTEST_GUILESS_MAIN(TestRecorder)
#include "tst_recorder.moc"
