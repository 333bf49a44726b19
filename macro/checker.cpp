#include "macro/checker.h"

#include "link/keytable.h"
#include "link/link.h"
#include "text/chartable.h"
#include "text/textsender.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace tapwright {

namespace {

/// Frames SendStr sends for each UTF-16 code unit: it looks them up one at a
/// time, so a half-width kana and its mark are two lookups of one frame.
const std::array<quint8, 65536> &unitFrames()
{
    static const std::array<quint8, 65536> table = [] {
        std::array<quint8, 65536> frames{};
        for (const CharEntry &entry : CharTable()) {
            if (entry.key.size() == 1)
                frames[entry.key[0].unicode()] = quint8(entry.codes.size());
        }
        return frames;
    }();
    return table;
}

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
};

/// Walks one pass and returns its seconds: every step takes the longer of
/// its wait (the base wait after it, plus SLEEP's own) and the time its
/// frames take on the line; REPEAT takes none. GETSTR takes the next of
/// `addresses` (their frames), and ends the run when `fromList` and there
/// is none left, which sets `ended`.
double passSeconds(const std::vector<Step> &steps, float &baseWait, qint64 &current,
                   const std::vector<qint64> &addresses, bool fromList, bool *ended)
{
    double seconds = 0.0;
    std::size_t next = 0;
    for (const Step &step : steps) {
        switch (step.command) {
        case Command::Repeat:
            return seconds;
        case Command::GetStr:
            if (fromList) {
                if (next >= addresses.size()) {
                    *ended = true;
                    return seconds;
                }
                current = addresses[next++];
            }
            break;
        case Command::BaseWait:
            baseWait = step.seconds;
            break;
        default:
            break;
        }
        // A negative wait returns at once.
        double wait = std::max(0.0, double(baseWait));
        if (step.command == Command::Sleep)
            wait += std::max(0.0, double(step.seconds));
        const qint64 frames = step.frames + (step.command == Command::SendStr ? current : 0);
        seconds += std::max(wait, double(frames) * frameSeconds());
    }
    *ended = true; // the macro file ended
    return seconds;
}

class Checker
{
public:
    Checker(const QString &macro, const QString &addr, qint32 counter)
        : macroPath_(macro), addrPath_(addr), counter_(counter)
    {
    }

    CheckReport run()
    {
        readMacro();
        if (!addrPath_.isEmpty())
            readAddresses();
        report_.estimate = estimate();
        return std::move(report_);
    }

private:
    CheckItem &add(CheckItem::Kind kind, CheckItem::Severity severity, const QString &file,
                   qint64 line = 0, const MacroStep *step = nullptr)
    {
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

    /// A file the run could not open or read, with the kind the run gives it.
    void fileError(RunReport::Kind kind, const QString &path, qint64 line, const QString &reason,
                   TextReadError error)
    {
        CheckItem &item = add(CheckItem::Run, CheckItem::Error, path, line);
        item.report.kind = error == TextReadError::NotText       ? RunReport::NotText
                           : error == TextReadError::LineTooLong ? RunReport::LineTooLong
                                                                 : kind;
        item.report.reason = reason;
        broken_ = true;
    }

    void warnUnsendable(const QString &file, qint64 line, const QString &text)
    {
        const std::array<quint8, 65536> &frames = unitFrames();
        if (std::all_of(text.cbegin(), text.cend(),
                        [&frames](QChar c) { return frames[c.unicode()] > 0; }))
            return; // the common case, without building a list
        for (const QString &c : unsendableCharacters(text)) {
            CheckItem &item = add(CheckItem::Run, CheckItem::Warning, file, line);
            item.report.kind = RunReport::Unsendable;
            item.report.lineText = text;
            item.report.value = c;
            item.suggestion = replacementFor(c);
        }
    }

    bool readSeconds(const MacroStep &s, float *seconds)
    {
        if (!s.hasArgument() || s.argument().isEmpty()) {
            add(CheckItem::Run, CheckItem::Error, macroPath_, s.line, &s).report.kind =
                RunReport::MissingNumber;
            return false;
        }
        const std::optional<float> value = parseSeconds(s.argument());
        if (!value) {
            add(CheckItem::Run, CheckItem::Error, macroPath_, s.line, &s).report.kind =
                RunReport::BadNumber;
            return false;
        }
        if (*value < 0.0f)
            add(CheckItem::NegativeWait, CheckItem::Warning, macroPath_, s.line, &s);
        else if (double(*value) > LongWaitSeconds)
            add(CheckItem::LongWait, CheckItem::Warning, macroPath_, s.line, &s);
        *seconds = *value;
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
        if (!reader.open(macroPath_)) {
            fileError(RunReport::MacroOpenFailed, macroPath_, 0, reader.errorString(),
                      reader.error());
            return;
        }
        qint64 repeatLine = 0;
        while (const std::optional<MacroStep> s = reader.next()) {
            if (repeatLine > 0) {
                // The run closes the file at REPEAT: nothing after it is read,
                // not even to fail.
                add(CheckItem::Unreachable, CheckItem::Warning, macroPath_, s->line, &*s).count =
                    repeatLine;
                return;
            }
            Step step;
            step.command = findCommand(s->word()).command;
            switch (step.command) {
            case Command::Key:
                step.frames = 1;
                if (s->word() == QLatin1String("#") && s->fields.size() > 1)
                    add(CheckItem::HashLine, CheckItem::Warning, macroPath_, s->line, &*s);
                break;
            case Command::BaseWait:
            case Command::Sleep:
                if (!readSeconds(*s, &step.seconds))
                    broken_ = true;
                break;
            case Command::Repeat:
                repeatLine = s->line;
                hasRepeat_ = true;
                break;
            case Command::GetStr:
                ++getStrs_;
                if (addrPath_.isEmpty())
                    add(CheckItem::GetStrNoAddress, CheckItem::Warning, macroPath_, s->line, &*s);
                break;
            case Command::SendStr:
                typesAddresses_ = true;
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
            fileError(RunReport::MacroReadFailed, macroPath_, reader.lineNumber(),
                      reader.errorString(), reader.error());
    }

    void readAddresses()
    {
        TextLineReader reader;
        if (!reader.open(addrPath_)) {
            fileError(RunReport::AddrOpenFailed, addrPath_, 0, reader.errorString(),
                      reader.error());
            return;
        }
        if (counter_ > 0) {
            const qint64 skipped = reader.skipLines(counter_);
            if (skipped < counter_) {
                if (!reader.errorString().isEmpty()) {
                    fileError(RunReport::AddrReadFailed, addrPath_, reader.lineNumber(),
                              reader.errorString(), reader.error());
                    return;
                }
                CheckItem &item = add(CheckItem::Run, CheckItem::Error, addrPath_, skipped);
                item.report.kind = RunReport::CounterPastEnd;
                item.report.value = QString::number(counter_);
                broken_ = true;
                return;
            }
        }
        // Passes are walked as their lines arrive, so that no more than one
        // pass's worth of lines is ever kept.
        const bool walk = hasRepeat_ && getStrs_ > 0;
        qint64 left = 0;
        while (const std::optional<QString> line = reader.readLine()) {
            ++left;
            warnUnsendable(addrPath_, reader.lineNumber(), *line);
            if (qint64(pending_.size()) < getStrs_)
                pending_.push_back(framesOfText(*line));
            if (walk && qint64(pending_.size()) == getStrs_) {
                bool ended = false;
                totalSeconds_ += passSeconds(steps_, baseWait_, current_, pending_, true, &ended);
                ++passCount_;
                pending_.clear();
            }
        }
        if (!reader.errorString().isEmpty()) {
            fileError(RunReport::AddrReadFailed, addrPath_, reader.lineNumber(),
                      reader.errorString(), reader.error());
            return;
        }
        addressesRead_ = true;
        if (getStrs_ == 0) {
            add(CheckItem::NoGetStr, CheckItem::Warning, addrPath_);
        } else if (left == 0) {
            add(CheckItem::NoAddressLeft, CheckItem::Warning, addrPath_);
        } else if (!hasRepeat_ && left > getStrs_) {
            CheckItem &item = add(CheckItem::NoRepeat, CheckItem::Warning, addrPath_);
            item.count = getStrs_;
            item.total = left;
        } else if (hasRepeat_ ? left % getStrs_ != 0 : left < getStrs_) {
            CheckItem &item = add(CheckItem::PartialLastPass, CheckItem::Warning, addrPath_);
            item.count = getStrs_;
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
            float baseWait = 0.0f;
            qint64 current = 0;
            bool ended = false;
            e.secondsPerPass = passSeconds(steps_, baseWait, current, {}, false, &ended);
            if (hasRepeat_)
                e.secondsPerPass = passSeconds(steps_, baseWait, current, {}, false, &ended);
        }
        const bool fromList = addressesRead_;
        if (!hasRepeat_) {
            e.passes = Estimate::OnePass;
            float baseWait = 0.0f;
            qint64 current = 0;
            bool ended = false;
            e.totalSeconds = passSeconds(steps_, baseWait, current, pending_, fromList, &ended);
        } else if (!fromList || getStrs_ == 0) {
            e.passes = Estimate::UntilStopped;
        } else {
            e.passes = Estimate::FromAddresses;
            e.passCount = passCount_;
            // The pass the list runs out in runs up to the GETSTR that finds
            // no line.
            bool ended = false;
            e.totalSeconds =
                totalSeconds_ + passSeconds(steps_, baseWait_, current_, pending_, true, &ended);
        }
        return e;
    }

    const QString macroPath_;
    const QString addrPath_;
    const qint32 counter_;
    CheckReport report_;
    bool broken_ = false;     ///< an error: the run would stop, no estimate
    std::vector<Step> steps_; ///< one pass, up to its REPEAT
    bool hasRepeat_ = false;
    bool typesAddresses_ = false;
    qint64 getStrs_ = 0; ///< GETSTRs in a pass
    bool addressesRead_ = false;
    // The passes walked so far while the address lines stream in.
    std::vector<qint64> pending_; ///< frames of the lines of the pass to come
    float baseWait_ = 0.0f;
    qint64 current_ = 0; ///< frames of the current address
    qint64 passCount_ = 0;
    double totalSeconds_ = 0.0;
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
    const std::array<quint8, 65536> &frames = unitFrames();
    qint64 n = 0;
    for (const QChar c : text)
        n += frames[c.unicode()];
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
    const std::array<quint8, 65536> &frames = unitFrames();
    if (folded.isEmpty() || folded == text ||
        !std::all_of(folded.cbegin(), folded.cend(),
                     [&frames](QChar u) { return frames[u.unicode()] > 0; }))
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

CheckReport checkFiles(const QString &macro, const QString &addr, qint32 counter)
{
    return Checker(macro, addr, counter).run();
}

} // namespace tapwright
