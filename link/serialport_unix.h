#pragma once

// The serial port through Qt's QSerialPort, on the systems that have it.

#include "link/link.h"

#include <QIODevice>
#include <QString>

class QSerialPort;

namespace tapwright {

/// Opens `port` for the port text at the device's line settings (600 baud,
/// 8E1, no flow control) and reads the settings back. On success the result
/// is no error but names the device; on failure the port stays closed.
LinkError openAtLineSettings(QSerialPort &port, const QString &portText, QIODevice::OpenMode mode);

} // namespace tapwright
