#include "macro/checker.h"

#include "macro/rules.h"

#include "link/keytable.h"
#include "link/link.h"
#include "text/chartable.h"
#include "text/textsender.h"

#include <optional>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace tapwright {

namespace {

const char *const CommandWords[] = {"BASEWAIT", "SLEEP", "REPEAT", "GETSTR", "SENDSTR", "STRING"};

/// Edit distance with a swap of two neighbours as one edit, given up past
/// `limit` (anything more is returned as limit + 1).
int editDistance(QStringView a, QStringView b, int limit)
{
    if (std::abs(a.size() - b.size()) > limit)
        return limit + 1;
    const qsizetype n = a.size();
    const qsizetype m = b.size();
    std::vector<int> before(m + 1), previous(m + 1), current(m + 1);
    for (qsizetype j = 0; j <= m; ++j)
        previous[j] = int(j);
    for (qsizetype i = 1; i <= n; ++i) {
        current[0] = int(i);
        for (qsizetype j = 1; j <= m; ++j) {
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            int d = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d = std::min(d, before[j - 2] + 1);
            current[j] = d;
        }
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return std::min(previous[m], limit + 1);
}

/// One step of a pass as the estimate needs it.
struct Step
{
    Command command = Command::None;
    qint64 frames = 0;    ///< keys and STRING; SENDSTR's come from the address
    float seconds = 0.0f; ///< SLEEP's wait, BASEWAIT's new base wait
    std::size_t slot = 0; ///< SENDSTR: which of the fields typed it types
};

/// The frames of what the SENDSTRs of a pass type of one entry: one for each
/// field typed (the whole entry counting as field 0), in the order of
/// Checker::typed_.
using EntryFrames = std::vector<qint64>;

/// Walks one pass: each step sends its frames, then waits (SLEEP's own, then
/// the base wait); REPEAT waits for the line and ends the pass. GETSTR takes
/// the next of `addresses` (their frames) as `current`, and ends the run when `fromList`
/// and there is none left, which sets `ended`, as the end of the macro does.
void walkPass(const std::vector<Step> &steps, Timeline &run, EntryFrames &current,
              const std::vector<EntryFrames> &addresses, bool fromList, bool *ended)
{
    std::size_t next = 0;
    for (const Step &step : steps) {
        switch (step.command) {
        case Command::Repeat:
            run.carried();
            return;
        case Command::GetStr:
            if (fromList) {
                if (next >= addresses.size()) {
                    *ended = true;
                    run.carried(); // the port drains as it closes
                    return;
                }
                current = addresses[next++];
            }
            break;
        case Command::BaseWait:
            run.baseWait = step.seconds;
            break;
        default:
            break;
        }
        const qint64 typed =
            step.command == Command::SendStr && step.slot < current.size() ? current[step.slot] : 0;
        run.step(step.frames + typed, step.command == Command::Sleep ? double(step.seconds) : 0.0);
    }
    *ended = true; // the macro file ended
    run.carried();
}

class Checker
{
public:
    Checker(const QString &macro, const std::optional<QString> &macroText, const QString &addr,
            qint64 skip, const CheckProgress &progress)
        : macroPath_(macro), macroText_(macroText), addrPath_(addr), skip_(skip),
          progress_(progress)
    {
    }

    CheckReport run()
    {
        readMacro();
        if (!addrPath_.isEmpty() && !report_.cancelled)
            readAddresses();
        if (unlistedLines_ > 0) {
            CheckItem item;
            item.kind = CheckItem::MoreFindings;
            item.report.file = unlistedFile_;
            item.count = unlistedLines_;
            report_.items << item;
        }
        report_.estimate = estimate();
        return std::move(report_);
    }

private:
    /// Whether the warnings about a line are listed: those of the first
    /// MaxListedLines lines with warnings are, the others are only counted.
    bool listed(const QString &file, qint64 line)
    {
        if (line == lastLine_ && file == lastFile_)
            return lastListed_;
        lastFile_ = file;
        lastLine_ = line;
        lastListed_ = listedLines_ < MaxListedLines;
        if (lastListed_)
            ++listedLines_;
        else if (unlistedLines_++ == 0)
            unlistedFile_ = file;
        return lastListed_;
    }

    /// A line read: the progress is told now and then, and may stop the check.
    bool lineRead()
    {
        if (progress_ && ++linesRead_ % CheckProgressLines == 0 && !progress_(linesRead_)) {
            report_.cancelled = true;
            broken_ = true;
        }
        return !report_.cancelled;
    }

    /// A finding; one that is not listed goes to a scratch item.
    CheckItem &add(CheckItem::Kind kind, CheckItem::Severity severity, const QString &file,
                   qint64 line = 0, const MacroStep *step = nullptr)
    {
        if (severity == CheckItem::Warning && line > 0 && !listed(file, line)) {
            unlisted_ = CheckItem();
            return unlisted_;
        }
        CheckItem item;
        item.kind = kind;
        item.severity = severity;
        item.report.file = file;
        item.report.line = line;
        if (step) {
            item.report.lineText = step->text;
            item.report.command = step->word();
            item.report.value = step->argument();
        }
        report_.items << item;
        return report_.items.last();
    }

    /// An error the run would report: it stops there, so there is no estimate.
    void runError(const RunReport &report)
    {
        add(CheckItem::Run, CheckItem::Error, report.file).report = report;
        broken_ = true;
    }

    void warnUnsendable(const QString &file, qint64 line, const QString &text, qint64 field = 0)
    {
        if (std::all_of(text.cbegin(), text.cend(), [](QChar c) { return canEnter(c.unicode()); }))
            return; // the common case
        if (!listed(file, line))
            return;
        CheckItem &item = add(CheckItem::Run, CheckItem::Warning, file, line);
        item.report.kind = RunReport::Unsendable;
        item.report.lineText = text;
        item.report.field = field;
        for (const QString &c : unsendableCharacters(text).characters)
            item.characters.append({c, replacementFor(c)});
        item.report.value = item.characters.value(0).text;
        item.suggestion = item.characters.value(0).suggestion;
    }

    void warnGuess(const QString &file, const TextLineReader &reader)
    {
        const RunReport guess = guessReport(file, reader);
        if (guess.kind != RunReport::None)
            add(CheckItem::Run, CheckItem::Warning, file, guess.line).report = guess;
    }

    bool readSeconds(const MacroStep &s, float *seconds)
    {
        if (const RunReport report = tapwright::readSeconds(s, macroPath_, seconds);
            report.kind != RunReport::None) {
            runError(report);
            return false;
        }
        if (*seconds < 0.0f)
            add(CheckItem::NegativeWait, CheckItem::Warning, macroPath_, s.line, &s);
        else if (double(*seconds) > LongWaitSeconds)
            add(CheckItem::LongWait, CheckItem::Warning, macroPath_, s.line, &s);
        return true;
    }

    void unknownWord(const MacroStep &s)
    {
        if (s.word().startsWith(QLatin1Char('#'))) {
            add(CheckItem::HashLine, CheckItem::Warning, macroPath_, s.line, &s);
            return;
        }
        CheckItem &item = add(CheckItem::Run, CheckItem::Warning, macroPath_, s.line, &s);
        item.report.kind = RunReport::UnknownCommand;
        if (s.word().isEmpty()) {
            // " UP": the word the user meant is the first field that is one.
            for (const QString &field : s.fields) {
                if (field.isEmpty())
                    continue;
                const QString word = asciiUpper(field);
                if (findCommand(word).command != Command::None)
                    item.suggestion = word;
                break;
            }
        } else {
            item.suggestion = nearestName(s.word());
        }
    }

    void readMacro()
    {
        MacroReader reader;
        if (!(macroText_ ? reader.openText(*macroText_) : reader.open(macroPath_))) {
            runError(fileReport(RunReport::MacroOpenFailed, macroPath_, reader.lines()));
            return;
        }
        warnGuess(macroPath_, reader.lines());
        qint64 repeatLine = 0;
        while (const std::optional<MacroStep> s = reader.next()) {
            if (!lineRead())
                return;
            if (repeatLine > 0) {
                // The run closes the file at REPEAT: nothing after it is read,
                // not even to fail.
                add(CheckItem::Unreachable, CheckItem::Warning, macroPath_, s->line, &*s).count =
                    repeatLine;
                return;
            }
            Step step;
            step.command = findCommand(s->word()).command;
            pass_.add(step.command);
            if (const RunReport habit = habitReport(*s, step.command, macroPath_);
                habit.kind != RunReport::None)
                add(CheckItem::Run, CheckItem::Warning, macroPath_, s->line, &*s).report = habit;
            switch (step.command) {
            case Command::Key:
                step.frames = 1;
                if (s->word() == QLatin1String("#") && s->fields.size() > 1)
                    add(CheckItem::HashLine, CheckItem::Warning, macroPath_, s->line, &*s);
                break;
            case Command::BaseWait:
            case Command::Sleep:
                readSeconds(*s, &step.seconds);
                break;
            case Command::Repeat:
                repeatLine = s->line;
                break;
            case Command::GetStr:
                if (addrPath_.isEmpty())
                    add(CheckItem::GetStrNoAddress, CheckItem::Warning, macroPath_, s->line, &*s);
                break;
            case Command::SendStr:
                typesAddresses_ = true;
                step.slot = fieldTyped(*s);
                break;
            case Command::String:
                step.frames = framesOfText(s->argument());
                warnUnsendable(macroPath_, s->line, s->argument());
                break;
            case Command::None:
                unknownWord(*s);
                break;
            }
            steps_.push_back(step);
        }
        // Past REPEAT the run reads no further, so a fault there is none.
        if (repeatLine == 0 && !reader.errorString().isEmpty())
            runError(fileReport(RunReport::MacroReadFailed, macroPath_, reader.lines()));
    }

    /// The slot of the field a SENDSTR step types, in typed_.
    std::size_t fieldTyped(const MacroStep &s)
    {
        qint64 field = 0;
        if (const RunReport report = readField(s, macroPath_, &field);
            report.kind != RunReport::None) {
            runError(report);
            return typed_.size() + 1; // types nothing, and no whole entries
        }
        if (field == 0 && wholeLine_ == 0)
            wholeLine_ = s.line;
        const auto at = std::find(typed_.cbegin(), typed_.cend(), field);
        if (at != typed_.cend())
            return std::size_t(at - typed_.cbegin());
        typed_.push_back(field);
        return typed_.size() - 1;
    }

    /// What the macro types of `entry`: its frames, and the warnings about
    /// them, each field once.
    EntryFrames readEntry(const AddressEntry &entry, FieldFormat format)
    {
        // Without SENDSTR the entry is checked whole, as a SENDSTR added
        // later would type it.
        if (typed_.empty())
            warnUnsendable(addrPath_, entry.line, entry.text);
        // Cut once, and only for a macro that types fields.
        const QStringList fields =
            std::any_of(typed_.cbegin(), typed_.cend(), [](qint64 field) { return field > 0; })
                ? fieldsOf(entry.text, format)
                : QStringList();
        EntryFrames frames;
        for (const qint64 field : typed_) {
            const std::optional<QString> text = fieldOf(entry.text, fields, field);
            frames.push_back(text ? framesOfText(*text) : 0);
            if (text) {
                warnUnsendable(addrPath_, entry.line, *text, field);
            } else if (!missing_.contains(field)) {
                missing_.insert(field);
                add(CheckItem::Run, CheckItem::Warning, addrPath_, entry.line).report =
                    missingField(addrPath_, entry.line, field, fields.size());
            }
        }
        if (wholeLine_ > 0 && !tabsTold_ && format == FieldFormat::Tabs &&
            entry.text.contains(u'\t')) {
            tabsTold_ = true;
            add(CheckItem::TabsInEntry, CheckItem::Warning, addrPath_, entry.line).count =
                wholeLine_;
        }
        return frames;
    }

    void readAddresses()
    {
        AddressReader reader;
        if (const RunReport report = openAddresses(reader, addrPath_, skip_);
            report.kind != RunReport::None) {
            runError(report);
            return;
        }
        warnGuess(addrPath_, reader.lines());
        // Passes are walked as their entries arrive, so that no more than one
        // pass's worth of entries is ever kept.
        const qint64 getStrs = pass_.getStrs;
        qint64 left = 0;
        while (const std::optional<AddressEntry> entry = reader.next()) {
            if (!lineRead())
                return;
            ++left;
            EntryFrames frames = readEntry(*entry, reader.format());
            if (qint64(pending_.size()) < getStrs)
                pending_.push_back(std::move(frames));
            if (pass_.passesFromList() && qint64(pending_.size()) == getStrs) {
                bool ended = false;
                walkPass(steps_, timeline_, current_, pending_, true, &ended);
                pending_.clear();
            }
        }
        if (reader.failed()) {
            runError(addressReport(RunReport::AddrReadFailed, addrPath_, reader));
            return;
        }
        addressesRead_ = true;
        addressLines_ = left;
        if (getStrs == 0) {
            add(CheckItem::NoGetStr, CheckItem::Warning, addrPath_);
        } else if (left == 0) {
            add(CheckItem::NoAddressLeft, CheckItem::Warning, addrPath_);
        } else if (!pass_.repeats && left > getStrs) {
            CheckItem &item = add(CheckItem::NoRepeat, CheckItem::Warning, addrPath_);
            item.count = getStrs;
            item.total = left;
        } else if (pass_.repeats ? left % getStrs != 0 : left < getStrs) {
            CheckItem &item = add(CheckItem::PartialLastPass, CheckItem::Warning, addrPath_);
            item.count = getStrs;
            item.total = left;
        }
    }

    Estimate estimate()
    {
        Estimate e;
        if (broken_)
            return e;
        e.typesAddresses = typesAddresses_;
        for (const Step &step : steps_)
            e.framesPerPass += step.frames;
        {
            // A pass without its addresses; with REPEAT, as it repeats: with
            // the base wait the pass before it left.
            Timeline run;
            EntryFrames current;
            bool ended = false;
            walkPass(steps_, run, current, {}, false, &ended);
            const double first = run.now;
            if (pass_.repeats)
                walkPass(steps_, run, current, {}, false, &ended);
            e.secondsPerPass = pass_.repeats ? run.now - first : first;
        }
        const bool fromList = addressesRead_;
        if (!pass_.repeats) {
            e.passes = Estimate::OnePass;
            Timeline run;
            EntryFrames current;
            bool ended = false;
            walkPass(steps_, run, current, pending_, fromList, &ended);
            e.totalSeconds = run.now;
        } else if (!fromList || !pass_.passesFromList()) {
            e.passes = Estimate::UntilStopped;
        } else {
            e.passes = Estimate::FromAddresses;
            e.passCount = pass_.passesOf(addressLines_);
            // The pass the list runs out in runs up to the GETSTR that finds
            // no line.
            bool ended = false;
            walkPass(steps_, timeline_, current_, pending_, true, &ended);
            e.totalSeconds = timeline_.now;
        }
        return e;
    }

    const QString macroPath_;
    /// The macro's text when it is not read from macroPath_.
    const std::optional<QString> macroText_;
    const QString addrPath_;
    const qint64 skip_; ///< the address lines before the run's first
    const CheckProgress &progress_;
    qint64 linesRead_ = 0;
    CheckReport report_;
    // Which lines with warnings are listed.
    QString lastFile_;
    qint64 lastLine_ = 0;
    bool lastListed_ = false;
    qint64 listedLines_ = 0;
    qint64 unlistedLines_ = 0;
    QString unlistedFile_;
    CheckItem unlisted_;
    bool broken_ = false;     ///< an error: the run would stop, no estimate
    std::vector<Step> steps_; ///< one pass, up to its REPEAT
    PassCount pass_;
    bool typesAddresses_ = false;
    bool addressesRead_ = false;
    qint64 addressLines_ = 0; ///< entries from the counter on
    /// The fields the SENDSTRs type, 0 for the whole entry, in the order met.
    std::vector<qint64> typed_;
    qint64 wholeLine_ = 0;  ///< the first SENDSTR that types whole entries
    bool tabsTold_ = false; ///< that it types tabs, found
    QSet<qint64> missing_;  ///< fields found missing in an entry so far
    // The passes walked so far while the entries stream in.
    std::vector<EntryFrames> pending_; ///< frames of the entries of the pass to come
    Timeline timeline_;                ///< the run up to the passes walked so far
    EntryFrames current_;              ///< frames of the current address
};

} // namespace

bool CheckReport::hasErrors() const
{
    return std::any_of(items.cbegin(), items.cend(),
                       [](const CheckItem &item) { return item.isError(); });
}

double frameSeconds()
{
    return std::chrono::duration<double>(FrameTime).count();
}

qint64 framesOfText(QStringView text)
{
    qint64 n = 0;
    for (const QChar c : text)
        n += framesOf(c.unicode());
    return n;
}

QString replacementFor(QStringView c)
{
    // The half-width kana (with their marks) keyed by what NFKC makes of
    // them: ｱ by ア, ｶﾞ by ガ.
    static const QHash<QString, QString> halfWidth = [] {
        QHash<QString, QString> map;
        for (const CharEntry &entry : CharTable()) {
            const bool kana = std::all_of(entry.key.cbegin(), entry.key.cend(), [](QChar k) {
                return k.unicode() >= 0xFF61 && k.unicode() <= 0xFF9F;
            });
            if (!kana)
                continue;
            const QString full = entry.key.normalized(QString::NormalizationForm_KC);
            if (full != entry.key && !map.contains(full))
                map.insert(full, entry.key);
        }
        return map;
    }();
    const QString text = c.toString();
    if (const auto it = halfWidth.constFind(text); it != halfWidth.cend())
        return it.value();
    const QString folded = text.normalized(QString::NormalizationForm_KC);
    if (folded.isEmpty() || folded == text ||
        !std::all_of(folded.cbegin(), folded.cend(), [](QChar u) { return canEnter(u.unicode()); }))
        return QString();
    return folded;
}

QString nearestName(QStringView word)
{
    // Full-width letters and the like: "ＵＰ" is UP.
    const QString folded = asciiUpper(word.toString().normalized(QString::NormalizationForm_KC));
    if (folded != word && findCommand(folded).command != Command::None)
        return folded;
    constexpr int MaxEdits = 2;
    const int limit = int(std::min<qsizetype>(MaxEdits, folded.size() - 1));
    if (limit < 1)
        return QString();
    const bool ampersand = folded.startsWith(QLatin1Char('&'));
    QString best;
    int bestScore = 2 * (limit + 1);
    auto consider = [&](const QString &name) {
        const int d = editDistance(folded, name, limit);
        if (d > limit)
            return;
        // Ties go to a name with the same "&"-ness, then to the first.
        const int score = 2 * d + (name.startsWith(QLatin1Char('&')) != ampersand ? 1 : 0);
        if (score < bestScore) {
            bestScore = score;
            best = name;
        }
    };
    for (const KeyName &key : keyNameTable())
        consider(key.name);
    for (const char *command : CommandWords)
        consider(QLatin1String(command));
    return best;
}

CheckReport checkFiles(const QString &macro, const QString &addr, qint32 counter,
                       const CheckProgress &progress, qint64 addressSkip)
{
    return Checker(macro, std::nullopt, addr, addressSkip >= 0 ? addressSkip : counter, progress)
        .run();
}

CheckReport checkText(const QString &name, const QString &text, const QString &addr, qint32 counter,
                      const CheckProgress &progress)
{
    return Checker(name, text, addr, counter, progress).run();
}

} // namespace tapwright
