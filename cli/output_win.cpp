#include "cli/output.h"
#include "cli/output_sys.h"

#include <QStringView>

#include <algorithm>

#include <windows.h>

namespace tapwright::cli {

namespace {

// The most one call writes: WriteFile and WriteConsoleW count in DWORDs.
constexpr qsizetype WriteChunk = 1 << 20;

/// The reader of a pipe has gone. Windows says ERROR_NO_DATA (the pipe is
/// being closed) or ERROR_BROKEN_PIPE; wine, for a pipe of the host's,
/// ERROR_PIPE_NOT_CONNECTED.
bool isClosedPipe(DWORD error)
{
    return error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE ||
           error == ERROR_PIPE_NOT_CONNECTED;
}

bool isConsole(HANDLE handle)
{
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0;
}

} // namespace

qsizetype writeStd(StdStream stream, const QByteArray &bytes, bool &closed)
{
    closed = false;
    const HANDLE handle =
        GetStdHandle(stream == StdStream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return 0;
    if (isConsole(handle)) {
        // A console takes the UTF-16 text as it is: no code page comes
        // between, and Japanese shows whatever the console's code page.
        const QString text = QString::fromUtf8(bytes);
        qsizetype done = 0;
        while (done < text.size()) {
            DWORD n = 0;
            const DWORD chunk = DWORD(std::min(text.size() - done, WriteChunk));
            if (!WriteConsoleW(handle, text.utf16() + done, chunk, &n, nullptr) || n == 0)
                break;
            done += qsizetype(n);
        }
        return done == text.size() ? bytes.size() : QStringView(text).left(done).toUtf8().size();
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        DWORD n = 0;
        const DWORD chunk = DWORD(std::min(bytes.size() - done, WriteChunk));
        if (!WriteFile(handle, bytes.constData() + done, chunk, &n, nullptr)) {
            closed = isClosedPipe(GetLastError());
            break;
        }
        if (n == 0)
            break;
        done += qsizetype(n);
    }
    return done;
}

bool stdoutReaderGone()
{
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE || GetFileType(out) != FILE_TYPE_PIPE)
        return false;
    // A write of nothing puts nothing in a pipe that is still read, and
    // fails on one whose reader has gone. (Under wine, a pipe of the
    // host's takes it either way: there the next line's write tells.)
    DWORD n = 0;
    return !WriteFile(out, "", 0, &n, nullptr) && isClosedPipe(GetLastError());
}

} // namespace tapwright::cli
