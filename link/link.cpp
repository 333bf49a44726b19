#include "link/link.h"

namespace tapwright {

QString quotedPort(const LinkError &error)
{
    return error.device.isEmpty() || error.device == error.port
               ? QStringLiteral("\"%1\"").arg(error.port)
               : QStringLiteral("\"%1\" (%2)").arg(error.port, error.device);
}

QString describe(const LinkError &error)
{
    const QString port = QStringLiteral("port ") + quotedPort(error);
    const QString because = error.reason.isEmpty() ? QString() : QStringLiteral(": ") + error.reason;
    switch (error.kind) {
    case LinkError::None:
        return QString();
    case LinkError::NoPortGiven:
        return QStringLiteral("no serial port given");
    case LinkError::BadPortNumber:
        return QStringLiteral("port \"%1\" is not a valid port number (use 1 or more, or a device "
                              "path)")
            .arg(error.port);
    case LinkError::NotFound:
        return QStringLiteral("cannot open %1: no such device").arg(port);
    case LinkError::PermissionDenied:
        return QStringLiteral("cannot open %1%2 (the user may need to be in the \"dialout\" group)")
            .arg(port, because);
    case LinkError::Busy:
        return QStringLiteral("cannot open %1: it is in use by another program or window%2")
            .arg(port, because);
    case LinkError::NotASerialPort:
        return QStringLiteral("cannot open %1: it is not a serial port").arg(port);
    case LinkError::OpenFailed:
        return QStringLiteral("cannot open %1%2").arg(port, because);
    case LinkError::WriteFailed:
        return QStringLiteral("writing to %1 failed%2; the port was closed").arg(port, because);
    case LinkError::Stalled:
        return QStringLiteral("%1 stopped sending; the frames still queued were dropped")
            .arg(port);
    }
    return QString();
}

} // namespace tapwright
