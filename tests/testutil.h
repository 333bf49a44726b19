#pragma once

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

namespace QTest {
template <> inline char *toString(const KeyCode &c)
{
    return qstrdup(QByteArray::number(c.table) + ',' + QByteArray::number(c.row) + ',' +
                   QByteArray::number(c.column));
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

inline QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
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
