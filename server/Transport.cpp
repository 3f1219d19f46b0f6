#include "server/Transport.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "server/Wire.h"

namespace tds {

SocketTransport::~SocketTransport() {
    ::close(fd_);
}

bool SocketTransport::readExactly(char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::recv(fd_, data + done, size - done, 0);
        if (n == 0)
            return false;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

void SocketTransport::writeAll(const char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::send(fd_, data + done, size - done, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw ProtocolError("the client stopped reading");
        }
        done += static_cast<size_t>(n);
    }
}

bool SocketTransport::readable() {
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

}  // namespace tds
