#pragma once

// Shared test helpers: printing KeyCodes in QCOMPARE failures and a sink that
// records what would have gone to the device.

#include "link/keycode.h"
#include "link/link.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QTest>
#include <functional>
#include <vector>

Q_DECLARE_METATYPE(tapwright::KeyCode)

namespace QTest {
template <> inline char *toString(const tapwright::KeyCode &code)
{
    return qstrdup(QByteArray::number(code.table) + ',' + QByteArray::number(code.row) + ',' +
                   QByteArray::number(code.column));
}
} // namespace QTest

/// The frames, as bytes, of a list of key codes.
inline QByteArray framesOf(const std::vector<tapwright::KeyCode> &codes)
{
    QByteArray bytes;
    for (const tapwright::KeyCode &code : codes) {
        const tapwright::KeyFrame frame = tapwright::makeKeyFrame(code);
        bytes.append(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size()));
    }
    return bytes;
}

/// Remembers every key sent, in order; `onSend` lets a test look at the world
/// at the moment of the first frame.
class RecordingSink : public tapwright::KeySink
{
public:
    void SendKey(int row, int column, int table) override
    {
        if (onSend)
            onSend();
        codes.push_back(tapwright::KeyCode{table, row, column});
    }
    std::vector<tapwright::KeyCode> codes;
    std::function<void()> onSend;
};
