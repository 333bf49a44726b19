#include "cli/output.h"
#include "cli/output_sys.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace tapwright::cli {

qsizetype writeStd(StdStream stream, const QByteArray &bytes, bool &closed)
{
    const int fd = stream == StdStream::Out ? STDOUT_FILENO : STDERR_FILENO;
    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype done = 0;
    closed = false;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, std::size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // EPIPE: the reader of a pipe has gone; EIO: a terminal hung up.
            closed = n < 0 && (errno == EPIPE || errno == EIO);
            break;
        }
        done += n;
    }
    return done;
}

bool stdoutReaderGone()
{
    // The write end of a pipe whose reader has gone polls as an error.
    pollfd out = {STDOUT_FILENO, 0, 0};
    return ::poll(&out, 1, 0) == 1 && (out.revents & POLLERR);
}

} // namespace tapwright::cli
