#pragma once

// Shared test helpers: printing KeyCodes in QCOMPARE failures, frames as
// bytes, a sink that records what would have gone to the device, and files.

#include "link/keycode.h"
#include "link/link.h"

#include <QFile>
#include <QTest>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(tapwright::KeyCode)
using Codes = std::vector<tapwright::KeyCode>;
Q_DECLARE_METATYPE(Codes)

namespace QTest {
template <> inline char *toString(const tapwright::KeyCode &code)
{
    return qstrdup(QByteArray::number(code.table) + ',' + QByteArray::number(code.row) + ',' +
                   QByteArray::number(code.column));
}
} // namespace QTest

inline QByteArray framesOf(const Codes &codes)
{
    QByteArray bytes;
    for (const tapwright::KeyCode &code : codes) {
        const tapwright::KeyFrame frame = tapwright::makeKeyFrame(code);
        bytes.append(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size()));
    }
    return bytes;
}

/// Writes `bytes` to `path`, replacing it, and gives the path back.
inline QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

/// `onSend` lets a test look at the world at the moment of each frame.
class RecordingSink : public tapwright::KeySink
{
public:
    void SendKey(int row, int column, int table) override
    {
        if (onSend)
            onSend();
        codes.push_back(tapwright::KeyCode{table, row, column});
    }
    Codes codes;
    std::function<void()> onSend;
};
