#pragma once

#include "device/framedecoder.h"
#include "link/keycode.h"
#include "link/link.h"

#include <functional>
#include <QtCore>
#include <QtTest>
#include <vector>

using namespace Qt::StringLiterals;
using namespace tapwright;

using Codes = std::vector<KeyCode>;
Q_DECLARE_METATYPE(Codes)

/// A key code as failure messages write it: "table,row,column".
inline QString codeText(const KeyCode &c)
{
    return u"%1,%2,%3"_s.arg(c.table).arg(c.row).arg(c.column);
}

namespace QTest {
template <> inline char *toString(const KeyCode &c)
{
    return qstrdup(codeText(c).toLatin1());
}
template <> inline char *toString(const Codes &codes)
{
    QByteArray text;
    for (const KeyCode &c : codes)
        text += QByteArray(text.isEmpty() ? "" : " ") + toString(c);
    return qstrdup(text);
}
} // namespace QTest

/// The device's frames, built here from its manual rather than by the code
/// under test: F2 02 01 00 00, then table, row and column.
inline QByteArray framesOf(const Codes &codes)
{
    QByteArray bytes;
    for (const KeyCode &c : codes)
        bytes +=
            QByteArray("\xF2\x02\x01\x00\x00", 5) + char(c.table) + char(c.row) + char(c.column);
    return bytes;
}

/// tests/data, resolved as the test starts: some tests change the current
/// directory, and on Windows a path from "/" is on the current drive.
inline const QString TestDataDir = QFileInfo(QStringLiteral(TAPWRIGHT_TEST_DATA)).canonicalFilePath();

/// The text of tests/data/`name`; a file that cannot be read ends the test.
inline QString dataText(const QString &name)
{
    QFile file(TestDataDir + u'/' + name);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        qFatal("cannot read %s", qPrintable(file.fileName()));
    return QString::fromUtf8(file.readAll());
}

/// The lines of tests/data/`name`, each cut into its fields ("quoted" fields
/// lose their quotes), without blank lines and "#" comments.
inline QList<QStringList> dataLines(const QString &name)
{
    static const QRegularExpression field(u"\"([^\"]*)\"|(\\S+)"_s);
    QList<QStringList> lines;
    for (const QString &line : dataText(name).split(u'\n')) {
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        QStringList fields;
        for (const QRegularExpressionMatch &m : field.globalMatch(line))
            fields << (m.capturedStart(1) >= 0 ? m.captured(1) : m.captured(2));
        lines << fields;
    }
    return lines;
}

/// The key code in fields `at` to `at` + 2 of a data line; 0,0,0 where the
/// fields are no numbers.
inline KeyCode codeAt(const QStringList &fields, qsizetype at)
{
    return {fields.value(at).toInt(), fields.value(at + 1).toInt(), fields.value(at + 2).toInt()};
}

using Fields = QHash<QString, QString>;

/// The records of tests/data/`name`, each a "[name]" line, then "key=value"
/// lines up to a blank line; "#" lines are comments. In values \n and \r are
/// line ends, \t a tab, \e an escape (U+001B) and \b a byte order mark.
inline QList<std::pair<QString, Fields>> dataRecords(const QString &name)
{
    QList<std::pair<QString, Fields>> records;
    for (const QString &line : dataText(name).split(u'\n')) {
        if (line.startsWith(u'['))
            records.append({line.mid(1, line.size() - 2), {}});
        else if (line.contains(u'=') && !line.startsWith(u'#') && !records.isEmpty())
            records.last().second[line.section(u'=', 0, 0)] = line.section(u'=', 1)
                                                                  .replace("\\n"_L1, "\n"_L1)
                                                                  .replace("\\r"_L1, "\r"_L1)
                                                                  .replace("\\t"_L1, "\t"_L1)
                                                                  .replace("\\e"_L1, "\x1b"_L1)
                                                                  .replace("\\b"_L1, u"\ufeff"_s);
    }
    return records;
}

/// Key codes written "table,row,column", separated by blanks; "*N" after one
/// repeats it N times.
inline Codes codesOf(const QString &text)
{
    Codes codes;
    for (const QString &item : text.split(u' ', Qt::SkipEmptyParts))
        codes.resize(codes.size() + std::max(1, item.section(u'*', 1).toInt()),
                     codeAt(item.section(u'*', 0, 0).split(u','), 0));
    return codes;
}

/// One entry of tests/data/chartable.txt.
struct CharLine
{
    QString tag; ///< the line as written
    QString text;
    Codes codes;
};

/// tests/data/chartable.txt: each text the device enters and its frames.
inline QList<CharLine> charTableFile()
{
    QList<CharLine> entries;
    for (const QStringList &f : dataLines(u"chartable.txt"_s)) {
        CharLine entry{f.join(u' '), QString(), {codeAt(f, 0)}};
        for (const QString &unit : f.value(3).split(u'+'))
            entry.text += QChar(unit.toUShort(nullptr, 16));
        if (f.size() == 7)
            entry.codes.push_back(codeAt(f, 4));
        entries << entry;
    }
    return entries;
}

inline QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

/// Keeps the journals of the runs a test makes in `folder`, never in the
/// user's data folder (on Windows in Qt's test folder, which cannot be moved).
inline void journalsIn(const QString &folder)
{
#ifdef Q_OS_WIN
    QStandardPaths::setTestModeEnabled(!folder.isNull());
#else
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder));
#endif
}

/// `onSend` lets a test look at the world at the moment of each frame.
struct RecordingSink : KeySink
{
    void SendKey(int row, int column, int table) override
    {
        if (onSend)
            onSend();
        codes.push_back(KeyCode{table, row, column});
    }
    Codes codes;
    std::function<void()> onSend;
};

/// The text of every piece a spy on a received() signal saw, in order.
inline QStringList piecesOf(const QSignalSpy &spy)
{
    QStringList all;
    for (const QList<QVariant> &call : spy) {
        for (const DevicePiece &piece : call.at(0).value<DevicePieces>())
            all << piece.text;
    }
    return all;
}

/// The system's own words for a file that is not there, as Qt passes them on.
inline QString noSuchFileReason()
{
    QFile missing(QDir::temp().filePath(u"tapwright-no-such-file"_s));
    missing.open(QIODevice::ReadOnly);
    return missing.errorString();
}
