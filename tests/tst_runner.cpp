#include "device/virtuallink.h"
#include "link/seriallink.h"
#include "macro/checker.h"
#include "macro/journal.h"
#include "macro/messages.h"
#include "macro/runner.h"
#include "macro/sharedentries.h"
#include "text/textsender.h"
#ifdef Q_OS_UNIX
#include "ptypair.h"
#endif
#include "testutil.h"

#include <map>

Q_DECLARE_METATYPE(tapwright::RunEnd)

/// All the runner deals with: a host that logs what it is shown, a link that
/// logs each open and close (with its mode) and records each frame with the
/// time it went, and virtual time, in which a sleep jumps to its deadline
/// unless an action due before then wakes it.
struct World : Link, RunnerHost, WaitClock
{
    QString macro, addr, port = u"7"_s, counter;
    QStringList log;
    bool running = false, openFails = false, open = false, woken = false;
    int sleeps = 0;
    Codes codes;
    QStringList times; ///< in ms
    qint64 now = 0;
    std::multimap<qint64, std::function<void()>> actions;
    std::function<bool()> stopWhen; ///< asked at every sleep
    QTemporaryDir dir;
    MacroRunner runner{*this, *this};

    /// A null text leaves its file unchosen.
    explicit World(const char *macroText, const QString &counterText = u"0"_s,
                   const char *addrText = nullptr)
        : counter(counterText)
    {
        runner.setClock(this);
        if (macroText)
            macro = writeFile(dir.filePath(u"m.mac"_s), macroText);
        if (addrText)
            addr = writeFile(dir.filePath(u"a.txt"_s), addrText);
    }
    QString macroFile() const override { return macro; }
    QString addrFile() const override { return addr; }
    QString portText() const override { return port; }
    QString counterText() const override { return counter; }
    bool stopOnCount = false; ///< the host asks for the stop as the counter rises
    void setCounterText(const QString &t) override
    {
        log << u"counter "_s + (counter = t);
        if (stopOnCount)
            runner.requestStop();
    }
    void setStatus(const QString &t) override { log << u"status "_s + t; }
    void setAddress(const QString &t) override { log << u"address "_s + t; }
    void setRunning(bool on) override { log << ((running = on) ? u"running"_s : u"idle"_s); }
    void report(const RunReport &r) override { log << u"report "_s + data(r); }
    void warn(const RunReport &r) override { log << u"warn "_s + data(r); }
    /// The check's first error, as the run would report it.
    void checkFailed(const CheckReport &check) override
    {
        for (const CheckItem &item : check.items)
            if (item.isError())
                return void(log << u"check "_s + data(item.report));
    }
    /// A report as data: "kind file:line command value".
    static QString data(const RunReport &r)
    {
        static const char *const kinds[] = {
            "",           "no-macro",  "bad-counter",  "overflow",     "port",
            "macro-open", "addr-open", "macro-read",   "addr-read",    "missing",
            "bad",        "link",      "past-end",     "not-text",     "too-long",
            "bad-field",  "unclosed",  "unsendable",   "unknown",      "missing-field",
            "guess",      "key-count", "repeat-count", "string-space", "journal"};
        QStringList fields{QLatin1String(kinds[r.kind]) +
                               (r.field > 0 ? u"@%1"_s.arg(r.field) : QString()),
                           u"%1:%2"_s.arg(QFileInfo(r.file).fileName()).arg(r.line), r.command,
                           r.kind == RunReport::EncodingGuessed ? r.lineText : r.value};
        fields.removeAll(QString());
        return fields.join(u' ');
    }
    void setPaused(bool on) override { log << (on ? u"paused"_s : u"resumed"_s); }
    std::vector<RunProgress> progress;
    void setProgress(const RunProgress &p) override { progress.push_back(p); }
    Codes sent; ///< what the send log is told
    void frameSent(const KeyCode &code) override { sent.push_back(code); }
    bool canWait = false;
    std::function<void()> onPortLost = [] {}, onPortBack = [] {};
    bool canWaitForPort() const override { return canWait; }
    void portLost(const LinkError &) override { log << u"lost"_s, onPortLost(); }
    void portBack() override { log << u"back"_s, onPortBack(); }
    void waitingForEntry(bool on) override { log << (on ? u"waiting"_s : u"goes on"_s); }

    bool OpenPort() override
    {
        log << u"open"_s;
        if (openFails)
            setLastError({LinkError::NotFound, commPort(), commPort(), QString()});
        return open = !openFails;
    }
    void ClosePort(CloseMode mode) override
    {
        // On a real line only a drain lets the tail of the last text go out.
        log << (mode == CloseMode::Drain ? u"close drain"_s : u"close discard"_s);
        if (mode == CloseMode::Drain && open)
            now = std::max(now, lineFree);
        open = false;
    }
    bool isOpen() const override { return open; }
    void SendKey(int row, int column, int table) override
    {
        if (open) {
            codes.push_back(KeyCode{table, row, column});
            times << QString::number(now / 1000000);
            lineFree = std::max(lineFree, now) + frameNs;
        }
    }
    /// With a frame time, the link is a line that carries one frame at a time.
    qint64 frameNs = 0, lineFree = 0;
    int framesInFlight() const override
    {
        return frameNs && lineFree > now ? int((lineFree - now + frameNs - 1) / frameNs) : 0;
    }
    qint64 nsUntilProgress() const override
    {
        const qint64 left = lineFree - now;
        return frameNs && left > 0 ? left - (left - 1) / frameNs * frameNs : 0;
    }

    qint64 nowNs() const override { return now; }
    void sleepUntil(qint64 deadlineNs) override
    {
        // In virtual time a run that misses its stop would spin for ever.
        if (++sleeps > 100000)
            runner.abandon();
        if (stopWhen && stopWhen())
            runner.requestStop();
        woken = false;
        while (!woken && !actions.empty() && actions.begin()->first <= deadlineNs) {
            auto action = actions.extract(actions.begin());
            now = std::max(now, action.key());
            action.mapped()();
        }
        if (!woken)
            now = std::max(now, deadlineNs);
    }
    void wake() override { woken = true; }
    void at(double s, std::function<void()> f) { actions.emplace(qint64(s * 1e9), std::move(f)); }
    /// Acts at the seconds given: "1p 6r 7s 8u" pauses at 1 s, resumes at 6,
    /// stops at 7 and unplugs the adapter at 8; "g" unplugs it and keeps it
    /// away until "b".
    void play(const QString &script)
    {
        for (const QString &act : script.split(u' ', Qt::SkipEmptyParts)) {
            at(act.chopped(1).toDouble(), [this, what = act.back()] {
                if (what == u'p' || what == u'r')
                    runner.setPaused(what == u'p');
                else if (what == u's')
                    runner.requestStop();
                else if ((openFails = what == u'g') || what == u'u')
                    unplug();
            });
        }
    }
    /// As an unplugged adapter: the port closes and says why.
    void unplug()
    {
        open = false;
        Q_EMIT failed({LinkError::WriteFailed, u"7"_s, {}, u"Input/output error"_s});
    }
    /// The opens and closes, in order.
    QString portCalls() const
    {
        static const QRegularExpression call(u"^(open|close )"_s);
        return log.filter(call).join(u'|');
    }
};

static const KeyCode Up{3, 1, 1}, Down{3, 1, 2}, B{1, 4, 7};

class TestRunner : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void aStopEndsTheRunAtOnce_data()
    {
        QTest::addColumn<QByteArray>("macro");
        QTest::addColumn<QString>("script"); // see World::play()
        QTest::addColumn<Codes>("codes");
        // The frames' times in ms, "/", when the run ended, the counter, the pause shown.
        QTest::addColumn<QString>("expected");
        // A blank line is no step; BASEWAIT's own step already waits the new
        // base wait; REPEAT adds none, and starts the file again.
        QTest::newRow("passes")
            << "basewait 0.5\r\nUP\r\n\r\nSLEEP 2\r\nDown 5\r\nREPEAT\r\nnever reached\r\n"_ba
            << u"7.6s"_s << Codes{Up, Down, Up, Down} << u"500 3500 4500 7500 / 7600 12"_s;
        QTest::newRow("in a wait") << "UP\r\nSLEEP 60\r\nDOWN\r\nREPEAT\r\n"_ba << u"1s"_s
                                   << Codes{Up} << u"0 / 1000 10"_s;
        QTest::newRow("in a pause") << "UP\r\nSLEEP 2\r\nDOWN\r\nREPEAT\r\n"_ba << u"1p 3s"_s
                                    << Codes{Up} << u"0 / 3000 10 paused resumed"_s;
        // REPEAT gives the event loop a turn for the stop, and each pass takes
        // a shortest time.
        QTest::newRow("REPEAT alone")
            << "\r\nREPEAT\r\n"_ba << u"0.5s"_s << Codes{} << u"/ 500 60"_s;
    }
    void aStopEndsTheRunAtOnce()
    {
        QFETCH(QByteArray, macro);
        QFETCH(QString, script);
        QFETCH(Codes, codes);
        QFETCH(QString, expected);
        World w(macro.constData(), u"10"_s);
        w.play(script);
        QCOMPARE(w.runner.run(), RunEnd::Stopped);
        QCOMPARE(w.codes, codes);
        static const QRegularExpression pause(u"^(paused|resumed)$"_s);
        QCOMPARE((w.times + QStringList{u"/"_s, QString::number(w.now / 1000000), w.counter} +
                  w.log.filter(pause))
                     .join(u' '),
                 expected);
        QCOMPARE(w.portCalls(), u"close drain|open|close drain"_s);
    }

    void textStepsAndANewMacroFileForTheNextPass()
    {
        // SENDSTR before any GETSTR sends nothing; a blank address line is an
        // empty address; STRING types field 1 only, in its own case; a negative
        // counter skips no address line.
        World w("SENDSTR\r\nGETSTR\r\nSENDSTR\r\nGETSTR\r\nSENDSTR\r\n"
                "string Ab cd\r\nSTRING  x\r\nSLEEP 1\r\nREPEAT\r\n",
                u"-5"_s, "ｶﾞ 1\r\n\r\n");
        const QString next = writeFile(w.dir.filePath(u"next.mac"_s), "DOWN\r\nGETSTR\r\n");
        w.at(0.5, [&] { w.macro = next; });                // chosen during the SLEEP
        QCOMPARE(w.runner.run(), RunEnd::AddressListDone); // a GETSTR past the last line
        QCOMPARE(w.counter, u"-4"_s);
        QCOMPARE(w.log.filter(u"address"_s).join(u'|'),
                 u"address |address |address ｶﾞ 1|address |address 糸冬了"_s);
        QCOMPARE(w.portCalls(), u"close drain|open|close drain"_s);
        QCOMPARE(
            w.codes,
            (Codes{{1, 2, 1}, {1, 10, 4}, {1, 9, 14}, {1, 14, 1}, {1, 1, 6}, {1, 4, 7}, Down}));
    }

    void aSecondRunStartsClean_data()
    {
        // How the first run ends. Each first run leaves an address, a base wait
        // of 2 s and a step count behind; some also a stop or a failed link.
        QTest::addColumn<QByteArray>("tail");
        QTest::addColumn<QString>("script"); // see World::play()
        QTest::addColumn<RunEnd>("end");
        QTest::newRow("end of macro") << QByteArray() << QString() << RunEnd::EndOfMacro;
        QTest::newRow("address list done")
            << "GETSTR\r\nGETSTR\r\n"_ba << QString() << RunEnd::AddressListDone;
        QTest::newRow("passes, then list done")
            << "REPEAT\r\n"_ba << QString() << RunEnd::AddressListDone;
        QTest::newRow("stopped") << "SLEEP 60\r\n"_ba << u"7s"_s << RunEnd::Stopped;
        QTest::newRow("link failed") << "SLEEP 60\r\n"_ba << u"7u"_s << RunEnd::Failed;
        QTest::newRow("report") << "SLEEP x\r\n"_ba << QString() << RunEnd::Failed;
    }
    void aSecondRunStartsClean()
    {
        QFETCH(QByteArray, tail);
        QFETCH(QString, script);
        QFETCH(RunEnd, end);
        World w(nullptr, u"0"_s, "a\r\nb\r\n");
        w.runner.setCheckFirst(false); // the report comes part-way through the run
        w.macro =
            writeFile(w.dir.filePath(u"first.mac"_s), "BASEWAIT 2\r\nGETSTR\r\nSENDSTR\r\n" + tail);
        w.play(script);
        QCOMPARE(w.runner.run(), end);
        QVERIFY(w.log.contains(u"address a"_s) && !w.isOpen());

        // The same runner again, with the counter box changed in between.
        w.macro = writeFile(w.dir.filePath(u"second.mac"_s),
                            "SENDSTR\r\nUP\r\nGETSTR\r\nSENDSTR\r\nREPEAT\r\n");
        w.counter = u"1"_s;
        w.log.clear();
        w.codes.clear();
        w.times.clear();
        const qint64 start = w.now / 1000000;
        QCOMPARE(w.runner.run(), RunEnd::AddressListDone);
        // No address yet: the first SENDSTR types nothing and clears the label;
        // the pass counts once its last SENDSTR is out, before its REPEAT;
        // the counter box says 1, so GETSTR reads the second line.
        QCOMPARE(w.log.join(u'|'),
                 u"running|address |close drain|open|status 1 SENDSTR|address |status 2 UP|"
                 "status 3 GETSTR|status 4 SENDSTR|address b|counter 2|status 5 REPEAT|"
                 "status 6 SENDSTR|address b|status 7 UP|status 8 GETSTR|close drain|idle|"
                 "address 糸冬了"_s);
        QCOMPARE(w.codes, (Codes{Up, B, B, Up}));
        // No base wait: only the shortest time a pass takes lies between them.
        QCOMPARE(w.times.join(u' '), u"%1 %1 %2 %2"_s.arg(start).arg(start + 10));
    }

    void warningsNameTheFileTheLineAndTheCharacter()
    {
        World w("STRING 山😀ｱ x\r\nENTRE\r\n UP\r\nGETSTR\r\nSENDSTR\r\nREPEAT 2\r\n", u"0"_s,
                "\x93\x8C\xB1\x81\x40\r\n\xE0\r\n"); // 東ｱ　 in code page 932, a lone lead byte
        QCOMPARE(w.runner.run(), RunEnd::AddressListDone);
        // Each macro line warns once a run; each address line when it is typed.
        QCOMPARE(w.log.filter(u"warn "_s).join(u'|').remove(u"warn "_s),
                 u"string-space m.mac:1 STRING 山😀ｱ|unsendable m.mac:1 山|unsendable m.mac:1 😀|"
                 "unknown m.mac:2 ENTRE|unknown m.mac:3 UP|unsendable a.txt:1 東|"
                 "repeat-count m.mac:6 REPEAT 2|unsendable a.txt:2 \uFFFD"_s);
        // The rest still goes, as it always did: ｱ, ｱ and the ideographic space;
        // then ｱ in each of the two passes that follow.
        QCOMPARE(w.codes, (Codes{{1, 1, 1}, {1, 1, 1}, {2, 9, 14}, {1, 1, 1}, {1, 1, 1}}));
        QVERIFY(w.log.contains(u"address 東ｱ　"_s));
    }

    void fieldsOfAnEntry_data()
    {
        QTest::addColumn<QString>("name"); // of the address file
        QTest::addColumn<QByteArray>("addresses");
        QTest::addColumn<QString>("counter");
        QTest::addColumn<QByteArray>("macro");
        // What the host heard: addresses (the first clears the label),
        // warnings and reports (!), counters.
        QTest::addColumn<QString>("expected");
        const QByteArray fields = "GETSTR\r\nSENDSTR 2\r\nSENDSTR 01\r\nREPEAT\r\n";
        QTest::newRow("tabs") << u"a.txt"_s << "a\tb\r\nc\r\n"_ba << u"0"_s << fields
                              << u"|b|a|1|!missing-field@2 a.txt:2 1||c|2"_s;
        // Quotes hold commas, doubled quotes and line breaks, which cannot be
        // entered; the entry spanning two lines counts once.
        const QByteArray csv = "\"x,1\",\"y\"\"\"\r\n\"p\r\nq\",r\r\nlast\r\n";
        QTest::newRow("CSV") << u"a.CSV"_s << csv << u"0"_s << fields
                             << u"|y\"|x,1|1|r|!unsendable@1 a.CSV:2 \n|p\nq|2|!missing-field@2 "
                                "a.CSV:4 1||last|3"_s;
        QTest::newRow("CSV from the counter")
            << u"a.csv"_s << csv << u"2"_s << fields << u"|!missing-field@2 a.csv:4 1||last|3"_s;
        // A plain SENDSTR types the entry as it stands in the file.
        QTest::newRow("CSV whole")
            << u"a.csv"_s << csv << u"1"_s << "GETSTR\r\nSENDSTR\r\nREPEAT\r\n"_ba
            << u"|!unsendable a.csv:2 \n|\"p\nq\",r|2|last|3"_s;
        // Unchecked, the run stops where it finds these.
        QTest::newRow("unclosed quote")
            << u"a.csv"_s << "a\r\n\"b\r\nc,\"\"\r\n"_ba << u"0"_s
            << "GETSTR\r\nSENDSTR\r\nREPEAT\r\n"_ba << u"|a|1|!unclosed a.csv:2"_s;
        QTest::newRow("no field number")
            << u"a.txt"_s << "a\r\n"_ba << u"0"_s << "GETSTR\r\nSENDSTR 0\r\n"_ba
            << u"|!bad-field m.mac:2 SENDSTR 0"_s;
    }
    void fieldsOfAnEntry()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, addresses);
        QFETCH(QString, counter);
        QFETCH(QByteArray, macro);
        QFETCH(QString, expected);
        World w(macro.constData(), counter);
        w.addr = writeFile(w.dir.filePath(name), addresses);
        w.runner.setCheckFirst(false);
        w.runner.run();
        QStringList heard;
        for (const QString &e : std::as_const(w.log)) {
            const QString what = e.section(u' ', 0, 0), rest = e.section(u' ', 1);
            if ((what == "address"_L1 && rest != endMark()) || what == "counter"_L1)
                heard << rest;
            else if (what == "warn"_L1 || what == "report"_L1)
                heard << u'!' + rest;
        }
        QCOMPARE(heard.join(u'|'), expected);
    }

    void onALineFramesGoNoFasterThanItCarriesThem_data()
    {
        // What happens at 0.5 s into "STRING abcdefgh", REPEAT, on a line of
        // 146.67 ms a frame: a stop, or a pause until 5 s.
        QTest::addColumn<QString>("script"); // see World::play()
        QTest::addColumn<QString>("times");
        QTest::addColumn<QString>("counter");
        QTest::newRow("runs on") << QString() << u"0 0 146 293 439 586 733 879 1173 1173 1319"_s
                                 << u"1"_s;
        // Two frames are ahead of the line at most: none is sent after the stop.
        QTest::newRow("stop") << u"0.5s"_s << u"0 0 146 293 439"_s << u"0"_s;
        QTest::newRow("pause") << u"0.5p 5r"_s << u"0 0 146 293 439 5000 5000 5146 5439 5439 5586"_s
                               << u"1"_s;
    }
    void onALineFramesGoNoFasterThanItCarriesThem()
    {
        QFETCH(QString, script);
        QFETCH(QString, times);
        QFETCH(QString, counter);
        World w("STRING abcdefgh\r\nREPEAT\r\n");
        w.frameNs = frameNs();
        w.play(script);
        w.stopWhen = [&w] { return w.codes.size() >= 11; };
        w.runner.run();
        QCOMPARE(w.times.join(u' '), times);
        // The pass counts once its last frame is out: at 1173 ms, not at 879
        // when it was handed over.
        QCOMPARE(w.counter, counter);
        QCOMPARE(w.log.contains(u"paused"_s) + w.log.contains(u"resumed"_s),
                 2 * script.contains(u'p'));
    }

    void aPassCountsOnceItsLastFrameHasGone_data()
    {
        QTest::addColumn<QByteArray>("macro");
        // Seconds into the run, on a paced line; 0: as the counter rises;
        // below 0: a pause then, and the stop as the counter rises.
        QTest::addColumn<double>("stop");
        // The counter after the stop and how often it was shown; then what a
        // second run from that counter types, "-" for none (no address file).
        QTest::addColumn<QString>("expected");
        // Each step waits 1 s after handing its frames over; a frame takes
        // 0.147 s. a goes at 2 s, its ENTER at 3 s.
        const QByteArray entry = "BASEWAIT 1\r\nGETSTR\r\nSENDSTR\r\nENTER\r\n";
        QTest::newRow("in the wait after the last frame") << entry + "REPEAT\r\n"
                                                          << 3.5 << u"1 1 / b c"_s;
        QTest::newRow("last frame on the line: the stop drains it") << entry + "REPEAT\r\n"
                                                                    << 3.05 << u"1 1 / b c"_s;
        QTest::newRow("paused with the last frame on the line: it counts in the pause")
            << entry + "REPEAT\r\n"
            << -3.05 << u"1 1 / b c"_s;
        QTest::newRow("before the last frame: a cut entry") << entry + "REPEAT\r\n"
                                                            << 2.5 << u"0 0 / a b c"_s;
        QTest::newRow("second pass, steps after the last frame") << entry + "SLEEP 3\r\nREPEAT\r\n"
                                                                 << 13.0 << u"2 2 / c"_s;
        QTest::newRow("no REPEAT: no pass to count") << entry << 3.5 << u"0 0 / a"_s;
        QTest::newRow("stopped as the pass counts, in a long wait")
            << "BASEWAIT 100\r\nGETSTR\r\nSENDSTR\r\nENTER\r\nREPEAT\r\n"_ba << 0.0
            << u"1 1 / b c"_s;
        // b and its ENTER go at 5 s and 6 s.
        const QByteArray twice = entry + "GETSTR\r\nSENDSTR\r\nENTER\r\nREPEAT\r\n";
        QTest::newRow("two entries a pass, after the second") << twice << 6.5 << u"1 1 -"_s;
        QTest::newRow("two entries a pass, after the first") << twice << 3.5 << u"0 0 -"_s;
        QTest::newRow("no sending step") << "SLEEP 1\r\nREPEAT\r\n"_ba << 2.5 << u"2 2 -"_s;
    }
    void aPassCountsOnceItsLastFrameHasGone()
    {
        QFETCH(QByteArray, macro);
        QFETCH(double, stop);
        QFETCH(QString, expected);
        const bool list = !expected.endsWith(u'-');
        World w(macro.constData(), u"0"_s, list ? "a\r\nb\r\nc\r\n" : nullptr);
        w.frameNs = frameNs();
        w.play(stop > 0.0 ? u"%1s"_s.arg(stop) : stop < 0.0 ? u"%1p"_s.arg(-stop) : QString());
        w.stopOnCount = stop <= 0.0;
        w.runner.run();
        // A stop asked for as the pass counts ends the wait it counted in.
        QVERIFY(!w.stopOnCount || w.now < (w.times.last().toLongLong() + 1000) * 1000000);
        w.stopOnCount = false;
        QString got = w.counter + u' ' + QString::number(w.log.filter(u"counter"_s).size());
        if (list) {
            w.log.clear();
            w.runner.run(); // on from the counter, to the end of the list
            got += u" /"_s;
            for (const QString &shown : w.log.filter(u"address "_s))
                got += shown.size() == 9 ? u' ' + shown.back() : QString(); // not the end mark
        }
        QCOMPARE(got, list ? expected : expected.chopped(2));
    }

    void aRunGoesOnFromItsJournal_data()
    {
        QTest::addColumn<int>("stopAt");    // the frames the device has when the stop comes
        QTest::addColumn<int>("resumesAt"); // the pass (two letters with ENTER) it goes on with
        QTest::newRow("7th pass, its first entry cut") << 25 << 7;
        QTest::newRow("7th pass, its second entry cut") << 27 << 7;
        QTest::newRow("after the 7th pass's last frame") << 28 << 8;
    }
    void aRunGoesOnFromItsJournal()
    {
        QFETCH(int, stopAt);
        QFETCH(int, resumesAt);
        QTemporaryDir journals;
        journalsIn(journals.path());
        QByteArray letters;
        RecordingSink entries;                // what the whole list types, pass after pass
        for (char c = 'a'; c < 'a' + 20; ++c) // a letter, then ENTER
            letters += c + "\r\n"_ba, SendStr(entries, QString(QLatin1Char(c))),
                entries.SendKey(6, 2, 3);
        const QByteArray entry = "GETSTR\r\nSENDSTR\r\nENTER\r\n";
        World w(("BASEWAIT 1\r\n" + entry + entry + "REPEAT\r\n").constData(), u"0"_s, letters);
        w.runner.setJournal(true);
        w.stopWhen = [&] { return int(w.codes.size()) == stopAt; };
        QCOMPARE(w.runner.run(), RunEnd::Stopped);
        const Codes first = std::exchange(w.codes, {});
        const std::optional<JournalEntry> journal = openJournalOf(w.macro, w.addr);
        QVERIFY(journal);
        w.stopWhen = nullptr;
        w.counter = QString::number(journal->counter);
        w.runner.setAddressSkip(journal->addressEntries);
        QCOMPARE(w.runner.run(), RunEnd::AddressListDone);
        // The device got every pass once, but for the one the stop cut.
        QCOMPARE(first, Codes(entries.codes.begin(), entries.codes.begin() + stopAt));
        QCOMPARE(w.codes, Codes(entries.codes.begin() + (resumesAt - 1) * 4, entries.codes.end()));
        QVERIFY(!openJournalOf(w.macro, w.addr)); // the list is done
    }

    void aSkipIsForTheNextRunOnly()
    {
        World w("GETSTR\r\nSENDSTR\r\n", u"x"_s, "a\r\nb\r\nc\r\n");
        w.runner.setAddressSkip(2);
        QCOMPARE(w.runner.run(), RunEnd::NotStarted); // refused: a bad counter
        w.counter = u"1"_s;
        QCOMPARE(w.runner.run(), RunEnd::EndOfMacro);
        QVERIFY2(w.log.contains(u"address b"_s),
                 qPrintable(w.log.join(u'|'))); // the counter's skip
    }

    void timeToGoCountsDown_data()
    {
        QTest::addColumn<QByteArray>("macro");
        QTest::addColumn<qint64>("finalCounter");
        QTest::newRow("passes from the list")
            << "BASEWAIT 0.2\r\nGETSTR\r\nSENDSTR\r\nENTER\r\nSLEEP 1\r\nREPEAT\r\n"_ba
            << qint64(6);
        QTest::newRow("one pass") << "GETSTR\r\nSENDSTR\r\nSLEEP 2\r\nUP\r\n"_ba << qint64(-1);
    }
    void timeToGoCountsDown()
    {
        QFETCH(QByteArray, macro);
        QFETCH(qint64, finalCounter);
        // Addresses of many lengths, from the counter 1 on, on a paced line.
        World w(macro.constData(), u"1"_s,
                "-\r\nabcdefghij\r\nb\r\nabcde\r\nabcdefghijklmno\r\nc\r\n");
        w.frameNs = frameNs();
        w.runner.run();
        QCOMPARE(w.sent, w.codes);
        qint64 before = std::numeric_limits<qint64>::max();
        for (const RunProgress &p : w.progress) {
            QCOMPARE(p.finalCounter, finalCounter);
            const qint64 truth = w.now - p.elapsedNs;
            const QString at =
                u"step %1: %2 ns, truly %3"_s.arg(p.step).arg(p.remainingNs).arg(truth);
            QVERIFY2(p.remainingNs >= 0 && p.remainingNs <= before, qPrintable(at));
            before = p.remainingNs;
            // Once a pass is done, the passes done correct the estimate.
            QVERIFY2((p.counter == 1 && finalCounter > 0) ||
                         std::abs(p.remainingNs - truth) <= truth / 20,
                     qPrintable(at));
        }
    }

    void theWholeAddressFileDecidesItsEncoding()
    {
        // 7,000 ASCII lines, then UTF-8 ｶﾞｷﾞ and ﾊｲ; a macro in UTF-8 whose
        // code page 932 reading, Cafﾃｩ, the device can type: a guess.
        static const QByteArray list = QByteArray("0123456789\r\n").repeated(7000) +
                                       "\xEF\xBD\xB6\xEF\xBE\x9E\xEF\xBD\xB7\xEF\xBE\x9E\r\n"
                                       "\xEF\xBE\x8A\xEF\xBD\xB2\r\n";
        World w("STRING Caf\xC3\xA9\r\nGETSTR\r\nSENDSTR\r\nREPEAT\r\n", u"7000"_s,
                list.constData());
        QCOMPARE(w.runner.run(), RunEnd::AddressListDone);
        RecordingSink typed;
        SendStr(typed, u"CafﾃｩｶﾞｷﾞCafﾃｩﾊｲCafﾃｩ"_s);
        QCOMPARE(w.codes, typed.codes);
        QCOMPARE(w.log.filter(u"warn "_s), QStringList{u"warn guess m.mac:1 STRING Café"_s});
    }

    void timePausedIsLeftOutOfTheProgress()
    {
        // Paused for 5 s in a wait and for 5 s in the middle of a text.
        World w("SLEEP 2\r\nSTRING abcdef\r\nUP\r\n");
        w.frameNs = frameNs();
        w.play(u"1p 6r 7.3p 12.3r"_s);
        QCOMPARE(w.runner.run(), RunEnd::EndOfMacro);
        QCOMPARE(w.progress.size(), std::size_t(3));
        QCOMPARE(w.progress.at(1).elapsedNs / 1000000, 2000); // the STRING starts after 2 s
        // a to d went out before the pause at 7.3 s; e and f after it, at 12.3 s.
        QCOMPARE(w.times.join(u' '), u"7000 7000 7146 7293 12300 12300 12446"_s);
        QCOMPARE(w.progress.at(2).elapsedNs / 1000000, 2300);
    }

    void reports_data()
    {
        // What each row breaks: nothing but its text ('-'), the macro file
        // ('0': none chosen), the address file, the port, the link ('l');
        // 'n': nothing, and the run starts without the check.
        QTest::addColumn<QByteArray>("macro");
        QTest::addColumn<char>("broken");
        QTest::addColumn<QString>("counter");
        QTest::addColumn<QString>("log"); // "<" and ">" stand for the start and end of a run
        QTest::newRow("no macro file") << "UP"_ba << '0' << u"0"_s << u"report no-macro :0"_s;
        QTest::newRow("counter out of range")
            << "UP"_ba << '-' << u"2147483648"_s << u"report bad-counter :0 2147483648"_s;
        // The first REPEAT raises it to its largest.
        QTest::newRow("counter overflow")
            << "REPEAT"_ba << '-' << u"2147483646"_s
            << u"<status 1 REPEAT|counter 2147483647|status 2 REPEAT|>report overflow m.mac:1 REPEAT"_s;
        QTest::newRow("missing address file")
            << "UP"_ba << 'a' << u"0"_s << u"check addr-open none:0"_s;
        // Found before anything is sent, not an hour into the run.
        QTest::newRow("error on the last line")
            << "UP\r\nSLEEP 1,5"_ba << '-' << u"0"_s << u"check bad m.mac:2 SLEEP 1,5"_s;
        QTest::newRow("error on the last line, unchecked")
            << "UP\r\nSLEEP 1,5"_ba << 'n' << u"0"_s
            << u"<status 1 UP|status 2 SLEEP|>report bad m.mac:2 SLEEP 1,5"_s;
        QTest::newRow("port") << "UP"_ba << 'p' << u"0"_s << u"<>report port :0"_s;
        QTest::newRow("link failure")
            << "UP\r\nSLEEP 10\r\nUP"_ba << 'l' << u"0"_s
            << u"<status 1 UP|status 2 SLEEP|>report link m.mac:2 SLEEP 10"_s;
    }
    void reports()
    {
        QFETCH(QByteArray, macro);
        QFETCH(char, broken);
        QFETCH(QString, counter);
        QFETCH(QString, log);
        World w(broken == '0' ? nullptr : macro.constData(), counter);
        if (broken == 'a')
            w.addr = w.dir.filePath(u"none"_s);
        w.openFails = broken == 'p';
        w.runner.setCheckFirst(broken != 'n');
        w.play(broken == 'l' ? u"2u"_s : QString());
        w.runner.run();
        // The end of a run comes before its report; a port that opened is
        // drained, as at any other end.
        QCOMPARE(w.log.join(u'|'), log.replace(u'<', u"running|address |close drain|open|"_s)
                                       .replace(u'>', u"close drain|idle|address 糸冬了|"_s));
        QVERIFY(!w.isOpen());
        QCOMPARE(w.codes, broken == 'l' || broken == 'n' ? Codes{Up} : Codes{});
    }

    void aFailedPortIsWaitedOut_data()
    {
        QTest::addColumn<QByteArray>("macro");
        QTest::addColumn<QString>("script"); // see World::play()
        // What SENDSTR typed / the counter, the opens, the end, what the host heard.
        QTest::addColumn<QString>("expected");
        // c is typed at 7 s, d taken at 8 s and typed at 9 s.
        const QByteArray two = "BASEWAIT 1\r\nGETSTR\r\nSENDSTR\r\nGETSTR\r\nSENDSTR\r\nREPEAT\r\n";
        // Gone at 8.5 s, tried every second from 9.5 s, opens at 11.5 s; a
        // resume before then does nothing. The pass starts again with c and d.
        QTest::newRow("cut between its entries")
            << two << u"8.5g 10r 11b 12r"_s
            << u"a b c c d e f / 3 4 list lost paused back resumed"_s;
        QTest::newRow("stopped while it waits")
            << two << u"8.5g 12s"_s << u"a b c / 1 4 stopped lost paused resumed"_s;
        // The pass counts once a is out, at 2 s: cut in its SLEEP, the next one goes on.
        QTest::newRow("cut after it counted")
            << "BASEWAIT 1\r\nGETSTR\r\nSENDSTR\r\nSLEEP 5\r\nREPEAT\r\n"_ba << u"5u 7r"_s
            << u"a b c d e f / 6 2 list lost paused back resumed"_s;
    }
    void aFailedPortIsWaitedOut()
    {
        QFETCH(QByteArray, macro);
        QFETCH(QString, script);
        QFETCH(QString, expected);
        World w(macro.constData(), u"0"_s, "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\n");
        w.canWait = true;
        w.play(script);
        const RunEnd end = w.runner.run();
        QString got;
        for (const QString &shown : w.log.filter(u"address "_s))
            got += shown.size() == 9 ? shown.back() + u' ' : QString(); // not the end mark
        static const QRegularExpression heard(u"^(lost|back|paused|resumed)$"_s);
        got += u"/ %1 %2 %3 "_s.arg(w.counter)
                   .arg(w.log.count(u"open"_s))
                   .arg(end == RunEnd::Stopped ? "stopped"_L1 : "list"_L1) +
               w.log.filter(heard).join(u' ');
        QCOMPARE(got, expected);
    }

    void aSplitRunClaimsAndGivesBack_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QString>("script"); // see World::play()
        // Another port on the same list, at the seconds given: "0c" claims,
        // "9d" claims and delivers, "8b" gives back what it holds.
        QTest::addColumn<QString>("other");
        // Delivered (number, port) / cut on the line / in its journal / the end,
        // the next port's claim (0: none), what the host heard.
        QTest::addColumn<QString>("expected");
        // a goes at 2 s, its ENTER at 3 s, the pass counts then; b goes at 6 s.
        QTest::newRow("stopped before its pass counted: given back, cut")
            << "a\nb\n"_ba << u"2.5s"_s << u""_s << u"/ 17 / / stopped 1"_s;
        QTest::newRow("stopped before it sent: given back, not cut")
            << "a\nb\n"_ba << u"1.5s"_s << u""_s << u"/ / / stopped 1"_s;
        QTest::newRow("stopped after its pass counted: delivered")
            << "a\nb\n"_ba << u"3.5s"_s << u""_s << u"17 / / 1 / stopped 2"_s;
        QTest::newRow("to the end, another port taking one")
            << "a\nb\nc\n"_ba << u""_s << u"0d"_s << u"1B 27 37 / / 2 3 / list 0"_s;
        // The pass of b is cut at 6.5 s, and b given back at once: the
        // other port takes it meanwhile, and the pass claims afresh.
        QTest::newRow("pulled mid-pass, waited out")
            << "a\nb\nc\nd\n"_ba << u"6.5g 8b 12r"_s << u"9d"_s
            << u"17 2B 37 47 / 27 / 1 3 4 / list 0 lost paused back resumed"_s;
        QTest::newRow("waits for an entry another port gives back")
            << "a\nb\n"_ba << u""_s << u"0c 8b"_s << u"27 17 / / 1 2 / list 0 waiting goes on"_s;
        QTest::newRow("stopped while it waits")
            << "a\nb\n"_ba << u"8s"_s << u"0c"_s << u"27 / / 2 / stopped 0 waiting goes on"_s;
    }
    void aSplitRunClaimsAndGivesBack()
    {
        QFETCH(QByteArray, list);
        QFETCH(QString, script);
        QFETCH(QString, other);
        QFETCH(QString, expected);
        World w("BASEWAIT 1\r\nGETSTR\r\nSENDSTR\r\nENTER\r\nREPEAT\r\n");
        w.frameNs = frameNs();
        w.canWait = true;
        SharedEntries shared;
        QCOMPARE(shared.open(writeFile(w.dir.filePath(u"a.txt"_s), list), 0).kind, RunReport::None);
        w.runner.setSharedEntries(&shared);
        journalsIn(w.dir.path());
        w.runner.setJournal(true);
        QList<AddressEntry> held;
        for (const QString &act : other.split(u' ', Qt::SkipEmptyParts))
            w.at(act.chopped(1).toDouble(), [&, what = act.back()] {
                if (what == u'b')
                    return shared.giveBack(std::exchange(held, {}), u"B"_s, false);
                held << shared.claim(u"B"_s).entry;
                if (what == u'd')
                    shared.delivered(std::exchange(held, {}), u"B"_s);
            });
        w.play(script);
        const RunEnd end = w.runner.run();
        QString got;
        for (const QList<EntryDelivery> &list : {shared.deliveries(), shared.cut()}) {
            for (const EntryDelivery &d : list)
                got += QString::number(d.entry.number) + d.port + u' ';
            got += u"/ "_s;
        }
        const std::optional<JournalEntry> journal =
            readJournal(journalPath(w.macro, shared.addrFile(), w.port));
        QVERIFY(journal && journal->split);
        for (qint64 n : journal->deliveredEntries)
            got += QString::number(n) + u' ';
        got += u"/ "_s + (end == RunEnd::Stopped ? "stopped "_L1 : "list "_L1) +
               QString::number(shared.claim(u"C"_s).entry.number);
        static const QRegularExpression heard(u"^(lost|back|paused|resumed|waiting|goes on)$"_s);
        QCOMPARE(QStringList(QStringList{got} + w.log.filter(heard)).join(u' '), expected);
        // Its progress is the list's: no counter to end at, no time of its own.
        QVERIFY(!w.progress.empty() && w.progress.back().finalCounter == -1 &&
                w.progress.back().remainingNs == -1);
    }

    void waitSecondsEdges()
    {
        World w(nullptr);
        w.runner.MacroExe = true;
        w.runner.WaitSeconds(-1.0f); // negative: no events at all
        w.runner.WaitSeconds(0.0f);  // zero: events once
        QCOMPARE(w.sleeps, 1);
        w.runner.WaitSeconds(0.25f);
        QVERIFY(w.now > 250000000 && w.now < 250001000);
        w.runner.MacroExe = false;
        w.runner.WaitSeconds(100.0f);
        QCOMPARE(w.sleeps, 2); // already stopped: returns at its first check
    }

#ifdef Q_OS_UNIX // a pseudo-terminal stands in for the device
    void theCounterIsWhatTheDeviceGot()
    {
        // A counter ahead of the device would skip addresses when resumed.
        PtyPair pty;
        DeviceStandIn device(pty);
        SerialLink link;
        World host("BASEWAIT 0.05\r\nGETSTR\r\nSENDSTR\r\nENTER\r\nREPEAT\r\n", u"0"_s,
                   "a1\r\nb2\r\nc3\r\nd4\r\ne5\r\nf6\r\ng7\r\nh8\r\n");
        MacroRunner runner(host, link);
        host.port = pty.path();
        QTimer::singleShot(15000, &runner, [&runner] { runner.abandon(); }); // never hang
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (host.counter == u"2"_s) // stopped in the middle of the third pass
                runner.requestStop();
        });
        poll.start(20);
        QCOMPARE(runner.run(), RunEnd::Stopped);
        QVERIFY(runner.pacer().largestLead() <= 2);
        const QByteArray got = device.settle();
        QCOMPARE(got.size() % 8, 0); // whole frames only
        QCOMPARE(host.counter, u"2"_s);
        // Both passes the counter counts reached the device (a1 ENTER, b2
        // ENTER); of the next one at most its start did.
        QVERIFY(got.startsWith(
            framesOf({{1, 4, 6}, {1, 14, 1}, {3, 6, 2}, {1, 4, 7}, {1, 14, 2}, {3, 6, 2}})));
        QVERIFY2(got.size() <= 3 * 8 * 3, qPrintable(QString::number(got.size())));
    }

    void aPortThatFailsMidPassIsWaitedOut_data()
    {
        QTest::addColumn<bool>("stall"); // the device stops taking bytes; else its cable is pulled
        QTest::addColumn<bool>("split"); // another port takes the cut entry meanwhile
        QTest::newRow("pulled") << false << false;
        QTest::newRow("takes nothing") << true << false;
        QTest::newRow("pulled, split list") << false << true;
    }
    void aPortThatFailsMidPassIsWaitedOut()
    {
        QFETCH(bool, stall);
        QFETCH(bool, split);
        const char *const list = "a1\r\nb2\r\nc3\r\nd4\r\ne5\r\n";
        World host("BASEWAIT 0.05\r\nGETSTR\r\nSENDSTR\r\nENTER\r\nREPEAT\r\n", u"0"_s, list);
        // A name that is pointed at a new pty, the way an adapter's by-id name comes back.
        host.port = host.dir.filePath(u"by-id"_s);
        PtyPair first;
        QVERIFY(QFile::link(first.path(), host.port));
        DeviceStandIn device(first);
        std::unique_ptr<PtyPair> second;
        std::unique_ptr<DeviceStandIn> secondDevice;
        const auto comeBack = [&] {
            second = std::make_unique<PtyPair>();
            secondDevice = std::make_unique<DeviceStandIn>(*second);
            QFile::remove(host.port);
            QFile::link(second->path(), host.port);
        };
        SerialLink link;
        link.setStallTimeout(500);
        MacroRunner runner(host, link);
        SharedEntries shared;
        QCOMPARE(shared.open(host.addr, 0).kind, RunReport::None);
        runner.setSharedEntries(split ? &shared : nullptr);
        if (split) // as soon as it is given back
            host.onPortLost = [&] { shared.delivered({shared.claim(u"B"_s).entry}, u"B"_s); };
        host.canWait = true;
        host.onPortBack = [&runner] { runner.setPaused(false); };
        QTimer::singleShot(30000, &runner, [&runner] { runner.abandon(); }); // never hang
        const auto cut = [&] {
            device.stop();
            if (stall) { // its buffer fills up, and the link's bytes stay where they are
                host.onPortLost = comeBack;
                ::fcntl(first.slaveFd(), F_SETFL, O_NONBLOCK);
                // Again after a moment: the system moves some of it on to the reader's side.
                for (int again = 0; again < 5; ++again, ::usleep(20000)) {
                    while (::write(first.slaveFd(), QByteArray(4096, 'x').constData(), 4096) > 0) {
                    }
                }
            } else {
                QFile::remove(host.port);
                first.hangUp();
                QTimer::singleShot(1500, comeBack);
            }
        };
        QTimer poll; // in the middle of the third pass
        connect(&poll, &QTimer::timeout, [&] {
            if (host.counter == u"2"_s)
                poll.stop(), QTimer::singleShot(150, cut);
        });
        poll.start(20);
        QCOMPARE(runner.run(), RunEnd::AddressListDone);
        QCOMPARE(host.counter, split ? u"4"_s : u"5"_s);
        QVERIFY(host.log.contains(u"back"_s));
        QVERIFY(!split || (shared.deliveredCount() == 5 && shared.deliveries()[2].port == u"B"_s));
        // Every entry once, but for the one that was cut: what of it had come,
        // then all of it, unless another port took it.
        const QByteArray got = device.received() + secondDevice->settle();
        QByteArray whole; // each entry is three frames: two characters and ENTER
        for (const QString &entry :
             QString::fromLatin1(list).split(u"\r\n"_s, Qt::SkipEmptyParts)) {
            RecordingSink typed;
            SendStr(typed, entry);
            typed.codes.push_back({3, 6, 2});
            whole += framesOf(typed.codes);
        }
        const qsizetype taken = split ? 3 * 8 : 0, again = got.size() - whole.size() + taken;
        bool once = false;
        for (qsizetype at = 0; at < whole.size(); at += 3 * 8)
            once = once || got == whole.left(at + again) + whole.mid(at + taken);
        QVERIFY2(again >= 0 && again < 3 * 8 && once, got.toHex(' '));
    }
#endif

    void theDeviceGetsTheFields_data()
    {
        QTest::addColumn<QString>("name"); // of the address file
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QByteArray>("macro");
        // On the virtual device (v), a paced pty (p), or the test's own line in
        // virtual time (w), which does not wait out the waits.
        QTest::addColumn<char>("on");
        QTest::addColumn<QString>("expected");
        // A comma, doubled quotes, a line break in quotes, an empty field, and a
        // short last line without its line end.
        const QByteArray csv = "\xEF\xBB\xBF\"Ito, J\",いとう,090\r\n\"a \"\"b\"\"\",ｾｲ,03\r\n"
                               "\"x\ny\",ﾌﾀﾂ,\r\nShort,ﾐｼﾞｶｲ";
        const QByteArray fields =
            "GETSTR\r\nSENDSTR 1\r\nDOWN\r\nSENDSTR 2\r\nDOWN\r\nSENDSTR 3\r\nENTER\r\nREPEAT\r\n";
        // The device cannot enter a line break: the field comes without it.
        const QString typed = u"Ito, J[DOWN]いとう[DOWN]090[ENTER]a \"b\"[DOWN]ｾｲ[DOWN]03[ENTER]"
                              "xy[DOWN]ﾌﾀﾂ[DOWN][ENTER]Short[DOWN]ﾐｼﾞｶｲ[DOWN][ENTER]"_s;
        QTest::newRow("csv, UTF-8") << u"a.CSV"_s << csv << fields << 'v' << typed;
#ifdef Q_OS_UNIX
        QTest::newRow("csv, code page 932, paced pty") // the same text
            << u"a.csv"_s
            << "\"Ito, J\",\x82\xA2\x82\xC6\x82\xA4,090\r\n\"a \"\"b\"\"\",\xBE\xB2,03\r\n"
               "\"x\ny\",\xCC\xC0\xC2,\r\nShort,\xD0\xBC\xDE\xB6\xB2"_ba
            << fields << 'p' << typed;
#endif
        QTest::newRow("csv, whole entries")
            << u"a.csv"_s << csv << "GETSTR\r\nSENDSTR\r\nENTER\r\nREPEAT\r\n"_ba << 'v'
            << u"\"Ito, J\",いとう,090[ENTER]\"a \"\"b\"\"\",ｾｲ,03[ENTER]\"xy\",ﾌﾀﾂ,[ENTER]"
               "Short,ﾐｼﾞｶｲ[ENTER]"_s;
        // The examples, both forms of one address book, for one macro: the
        // fields as a person reads them. Their waits would take half a minute,
        // and a paced pty a minute: the rows above show what those get.
        QString book;
        for (const char *entry :
             {"やまだ たろう|ﾔﾏﾀﾞ ﾀﾛｳ|03-1234-5678", "すずき はなこ|ｽｽﾞｷ ﾊﾅｺ|090-2345-6789",
              "Smith, John|ｽﾐｽ ｼﾞｮﾝ|045-123-4567", "たなか けんじ|ﾀﾅｶ ｹﾝｼﾞ|06-6123-4567",
              "さとう みどり|ｻﾄｳ ﾐﾄﾞﾘ|080-3456-7890", "ABC ｼｮｳｼﾞ|ｴｰﾋﾞｰｼｰ ｼｮｳｼﾞ|011-222-3333",
              "いとう あきら|ｲﾄｳ ｱｷﾗ|092-111-2222"})
            book += u"[SUNMENU][1]%1[&ENTER]"_s.arg(
                QString::fromUtf8(entry).replace(u'|', u"[DOWN]"_s));
        const auto example = [](const char *name) {
            QFile file(QLatin1String(TAPWRIGHT_TEST_DATA "/../../examples/") + QLatin1String(name));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        for (const char *list : {"address-book.txt", "address-book.csv"})
            QTest::newRow(list) << QString::fromLatin1(list) << example(list)
                                << example("address-book-fields.mac") << 'w' << book;
        // Quotes and commas are text in a tab-separated file.
        QTest::newRow("tabs")
            << u"a.txt"_s << "\xEF\xBB\xBF\"Ito, J\"\tいとう\t090\r\n\tｾｲ\t03\r\nShort\tﾐｼﾞｶｲ"_ba
            << fields << 'v'
            << u"\"Ito, J\"[DOWN]いとう[DOWN]090[ENTER][DOWN]ｾｲ[DOWN]03[ENTER]"
               "Short[DOWN]ﾐｼﾞｶｲ[DOWN][ENTER]"_s;
    }
    void theDeviceGetsTheFields()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, list);
        QFETCH(QByteArray, macro);
        QFETCH(char, on);
        QFETCH(QString, expected);
        World host(macro.constData());
        host.addr = writeFile(host.dir.filePath(name), list);
        if (on == 'w') {
            QCOMPARE(host.runner.run(), RunEnd::AddressListDone);
            QCOMPARE(entered(framesOf(host.codes)), expected);
            return;
        }
        QByteArray got;
        VirtualLink device;
        device.setPaced(false);
        connect(&device, &VirtualLink::lineBytes,
                [&got](const QByteArray &bytes) { got += bytes; });
        Link *link = &device;
        std::function<QByteArray()> received = [&got] { return got; };
#ifdef Q_OS_UNIX
        PtyPair line;
        DeviceStandIn standIn(line);
        SerialLink serial;
        if (on == 'p')
            link = &serial, host.port = line.path(),
            received = [&standIn] { return standIn.settle(); };
#endif
        MacroRunner runner(host, *link);
        QCOMPARE(runner.run(), RunEnd::AddressListDone);
        QCOMPARE(entered(received()), expected);
    }

    void aResumedListGetsEveryEntryOnce_data()
    {
        QTest::addColumn<QString>("name"); // of the address file
        QTest::addColumn<bool>("journal"); // goes on from the journal, else from the counter
        QTest::addColumn<int>("stopAt");   // the frames the device has; 0: at random
        // In the sixth entry, the second that spans two lines, after its first character.
        QTest::newRow("csv, counter, in a two-line entry") << u"a.csv"_s << false << 27;
        QTest::newRow("csv, journal, in a two-line entry") << u"a.csv"_s << true << 27;
        QTest::newRow("csv, counter, at random") << u"a.csv"_s << false << 0;
        QTest::newRow("csv, journal, at random") << u"a.csv"_s << true << 0;
        QTest::newRow("tabs, journal, at random") << u"a.txt"_s << true << 0;
    }
    void aResumedListGetsEveryEntryOnce()
    {
        QFETCH(QString, name);
        QFETCH(bool, journal);
        QFETCH(int, stopAt);
        // Twenty entries; in a csv every fourth from the second spans two lines.
        const bool csv = name.endsWith(u".csv"_s);
        QByteArray list;
        QStringList entries; // what the device enters for each
        for (char c = 'a'; c < 'a' + 20; ++c) {
            const bool two = (c - 'a') % 4 == 1;
            const QByteArray l(1, c);
            list += (two ? (csv ? '"' + l + "\r\n" + l + '"' : l + l) : l) + (csv ? "," : "\t") +
                    l + "1\r\n";
            entries << QString::fromLatin1((two ? l + l : l) + "[DOWN]" + l + "1[ENTER]");
        }
        stopAt = stopAt ? stopAt : 1 + QRandomGenerator::global()->bounded(104); // of 105 frames
        qDebug("stops at frame %d", stopAt);
        World w("BASEWAIT 0.2\r\nGETSTR\r\nSENDSTR 1\r\nDOWN\r\nSENDSTR 2\r\nENTER\r\nREPEAT\r\n");
        w.addr = writeFile(w.dir.filePath(name), list);
        journalsIn(w.dir.path());
        w.frameNs = frameNs();
        w.runner.setJournal(journal);
        w.stopWhen = [&] { return int(w.codes.size()) >= stopAt; };
        QCOMPARE(w.runner.run(), RunEnd::Stopped);
        if (journal) {
            const std::optional<JournalEntry> entry = openJournalOf(w.macro, w.addr);
            QVERIFY(entry);
            w.counter = QString::number(entry->counter);
            w.runner.setAddressSkip(entry->addressEntries);
        }
        w.stopWhen = nullptr;
        QCOMPARE(w.runner.run(), RunEnd::AddressListDone);
        QCOMPARE(w.counter, u"20"_s); // entries, not lines
        // Every entry once, but for the one cut: what of it had come, then all of it.
        const QString got = entered(framesOf(w.codes));
        const QString whole = entries.join(QString());
        const qsizetype again = got.size() - whole.size();
        bool once = false;
        for (qsizetype i = 0, at = 0; i < entries.size(); at += entries[i++].size())
            once = once ||
                   (again < entries[i].size() && got == whole.left(at + again) + whole.mid(at));
        QVERIFY2(again >= 0 && once, qPrintable(got));
    }

private:
    /// What the device enters for the bytes it got: characters, and keys as "[ENTER]".
    static QString entered(const QByteArray &bytes)
    {
        FrameDecoder decoder;
        QString text;
        for (const DevicePiece &piece : decoder.feed(bytes) + decoder.flush())
            text += piece.text;
        return text;
    }
};

QTEST_GUILESS_MAIN(TestRunner)
#include "tst_runner.moc"
