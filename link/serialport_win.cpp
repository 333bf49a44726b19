#include "link/seriallink.h"
#include "link/serialport.h"

#include <QHash>
#include <QTimer>

#include <algorithm>
#include <utility>
#include <windows.h>
// After windows.h, which they need; initguid.h makes the port class's GUID
// defined here rather than only declared.
#include <initguid.h>
// clang-format off
#include <devguid.h>
// clang-format on
#include <setupapi.h>

namespace tapwright {

namespace {

// How often bytes that the driver could not take yet are offered again.
constexpr int RetryMs = 10;
// The longest a write may wait for room in the driver's queue. The link hands
// the system two frames at most, so there is always room on a working line.
constexpr DWORD WriteTimeoutMs = 10;

QString systemReason(DWORD error)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString reason = length ? QString::fromWCharArray(text, int(length)).trimmed()
                            : QStringLiteral("error %1").arg(error);
    if (text)
        LocalFree(text);
    return reason;
}

/// The ports' friendly names by COM name ("USB Serial Port (COM3)"), from
/// the device manager's list of present ports.
QHash<QString, QString> friendlyNames()
{
    QHash<QString, QString> names;
    HDEVINFO devices = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return names;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
        wchar_t portName[64] = {};
        HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        DWORD size = sizeof portName - sizeof(wchar_t);
        const bool named =
            RegQueryValueExW(key, L"PortName", nullptr, nullptr, reinterpret_cast<BYTE *>(portName),
                             &size) == ERROR_SUCCESS;
        RegCloseKey(key);
        wchar_t friendly[256] = {};
        if (named && SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME,
                                                       nullptr, reinterpret_cast<BYTE *>(friendly),
                                                       sizeof friendly - sizeof(wchar_t), nullptr))
            names.insert(QString::fromWCharArray(portName), QString::fromWCharArray(friendly));
    }
    SetupDiDestroyDeviceInfoList(devices);
    return names;
}

/// The number of a COM name, for sorting COM2 before COM10.
int comNumber(const QString &name)
{
    return name.mid(3).toInt();
}

} // namespace

QList<PortInfo> SerialPort::systemPorts()
{
    // Every serial port driver enters its ports here; nothing is opened.
    QList<PortInfo> ports;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return ports;
    const QHash<QString, QString> friendly = friendlyNames();
    for (DWORD i = 0;; ++i) {
        wchar_t valueName[256];
        DWORD nameLength = 256;
        wchar_t data[64] = {};
        DWORD dataSize = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        const LONG status = RegEnumValueW(key, i, valueName, &nameLength, nullptr, &type,
                                          reinterpret_cast<BYTE *>(data), &dataSize);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS || type != REG_SZ)
            continue;
        const QString name = QString::fromWCharArray(data);
        ports.append({name, friendly.value(name)});
    }
    RegCloseKey(key);
    std::sort(ports.begin(), ports.end(), [](const PortInfo &a, const PortInfo &b) {
        return comNumber(a.name) < comNumber(b.name);
    });
    return ports;
}

struct SerialPort::Private
{
    HANDLE handle = INVALID_HANDLE_VALUE;
    Mode mode = Mode::Write;
    /// Bytes the driver has not taken yet.
    QByteArray pending;
    QTimer retry;
    /// In read mode: bytes read from the driver and not taken yet.
    QByteArray received;
    QTimer poll;
    LineSettings settings;
};

SerialPort::SerialPort(QObject *parent) : QObject(parent), d(std::make_unique<Private>())
{
    d->retry.setSingleShot(true);
    connect(&d->retry, &QTimer::timeout, this, [this] { write(QByteArray()); });
    // Reads return at once (see the timeouts in open()), so arrivals are
    // looked for every moment.
    d->poll.setInterval(RetryMs);
    connect(&d->poll, &QTimer::timeout, this, [this] {
        const qsizetype before = d->received.size();
        d->received += readAvailable();
        if (isOpen() && d->received.size() > before)
            Q_EMIT readyRead();
    });
}

SerialPort::~SerialPort()
{
    if (d->handle != INVALID_HANDLE_VALUE) {
        PurgeComm(d->handle, PURGE_TXABORT | PURGE_TXCLEAR);
        CloseHandle(d->handle);
    }
}

QString SerialPort::numberedPort(int number)
{
    return QStringLiteral("COM%1").arg(number);
}

LinkError SerialPort::open(const QString &portText, Mode mode)
{
    const PortName name = resolvePortName(portText);
    if (name.error.isError())
        return name.error;
    LinkError error{LinkError::OpenFailed, portText.trimmed(), name.device, QString()};
    // COM10 and up, and every other device, open only through the device
    // namespace.
    const QString path = name.device.startsWith(QLatin1String("\\\\.\\"))
                             ? name.device
                             : QStringLiteral("\\\\.\\") + name.device;
    // Read access too: without it the line settings cannot be set.
    const HANDLE handle =
        CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_READ | GENERIC_WRITE,
                    0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            error.kind = LinkError::NotFound;
            break;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            // A COM port is opened by one program at a time: denied means in
            // use, which the kind says; the system's words would speak of
            // access.
            error.kind = LinkError::Busy;
            return error;
        default:
            break;
        }
        error.reason = systemReason(code);
        return error;
    }

    // A file, a pipe or a device such as NUL: no communications device.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    bool ok = GetCommState(handle, &dcb);
    const DWORD stateError = ok ? ERROR_SUCCESS : GetLastError();
    if (GetFileType(handle) != FILE_TYPE_CHAR || stateError == ERROR_INVALID_FUNCTION ||
        stateError == ERROR_NOT_SUPPORTED || stateError == ERROR_INVALID_HANDLE) {
        error.kind = LinkError::NotASerialPort;
        CloseHandle(handle);
        return error;
    }
    if (ok) {
        dcb.BaudRate = DWORD(LineBaud);
        dcb.ByteSize = 8;
        dcb.Parity = EVENPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = TRUE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fNull = FALSE;
        dcb.fAbortOnError = FALSE;
        ok = SetCommState(handle, &dcb);
    }
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD; // reads, if any, return at once
    timeouts.WriteTotalTimeoutConstant = WriteTimeoutMs;
    ok = ok && SetCommTimeouts(handle, &timeouts);
    DCB back{};
    back.DCBlength = sizeof back;
    ok = ok && GetCommState(handle, &back);
    if (!ok) {
        error.reason = systemReason(GetLastError());
        CloseHandle(handle);
        return error;
    }
    // Read back what the driver kept. A pseudo-terminal behind a compatibility
    // layer keeps no parity bit, so parity is taken as set; the rest must hold.
    const bool twoStop = back.StopBits == TWOSTOPBITS;
    if (back.BaudRate != DWORD(LineBaud) || back.ByteSize != 8 || twoStop || back.fOutxCtsFlow ||
        back.fOutX) {
        error.reason = QStringLiteral("the port does not accept 600 baud, 8E1");
        CloseHandle(handle);
        return error;
    }
    d->handle = handle;
    d->mode = mode;
    d->pending.clear();
    d->received.clear();
    if (mode == Mode::Read)
        d->poll.start();
    d->settings = LineSettings{qint64(back.BaudRate), int(back.ByteSize),
                               back.Parity == EVENPARITY  ? 'E'
                               : back.Parity == ODDPARITY ? 'O'
                               : back.Parity == NOPARITY  ? 'N'
                                                          : '?',
                               back.StopBits == ONESTOPBIT ? 1 : 2,
                               bool(back.fOutxCtsFlow || back.fOutX || back.fInX)};
    error.kind = LinkError::None;
    return error;
}

bool SerialPort::isOpen() const
{
    return d->handle != INVALID_HANDLE_VALUE;
}

bool SerialPort::isPseudoTerminal() const
{
    return false;
}

QByteArray SerialPort::readAvailable()
{
    QByteArray data = std::exchange(d->received, QByteArray());
    if (!isOpen() || d->mode != Mode::Read)
        return data;
    for (;;) {
        char buffer[4096];
        DWORD n = 0;
        if (!ReadFile(d->handle, buffer, DWORD(sizeof buffer), &n, nullptr)) {
            const QString reason = systemReason(GetLastError());
            close();
            Q_EMIT readFailed(reason);
            return data;
        }
        if (n == 0)
            return data;
        data.append(buffer, qsizetype(n));
    }
}

void SerialPort::write(const QByteArray &bytes)
{
    if (!isOpen())
        return;
    d->pending += bytes;
    if (d->pending.isEmpty())
        return;
    DWORD written = 0;
    if (!WriteFile(d->handle, d->pending.constData(), DWORD(d->pending.size()), &written,
                   nullptr)) {
        const DWORD code = GetLastError();
        if (code != ERROR_TIMEOUT) {
            d->pending.clear();
            Q_EMIT writeFailed(systemReason(code));
            return;
        }
    }
    if (written > 0) {
        d->pending.remove(0, qsizetype(written));
        Q_EMIT bytesWritten();
    }
    if (!d->pending.isEmpty() && !d->retry.isActive())
        d->retry.start(RetryMs);
}

qint64 SerialPort::bytesToWrite() const
{
    return d->pending.size();
}

qint64 SerialPort::systemQueue() const
{
    if (!isOpen())
        return 0;
    DWORD errors = 0;
    COMSTAT status{};
    return ClearCommError(d->handle, &errors, &status) ? qint64(status.cbOutQue) : 0;
}

void SerialPort::drainHardware()
{
    if (isOpen())
        FlushFileBuffers(d->handle);
}

void SerialPort::clearOutput()
{
    d->pending.clear();
    if (isOpen())
        PurgeComm(d->handle, PURGE_TXABORT | PURGE_TXCLEAR);
}

void SerialPort::close()
{
    d->retry.stop();
    d->poll.stop();
    d->pending.clear();
    if (isOpen()) {
        CloseHandle(d->handle);
        d->handle = INVALID_HANDLE_VALUE;
    }
}

LineSettings SerialPort::lineSettings() const
{
    return d->settings;
}

} // namespace tapwright
