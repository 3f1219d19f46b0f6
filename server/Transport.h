#pragma once

#include <cstddef>
#include <memory>

namespace tds {

// A byte stream to one client: the socket itself, or TLS over it.
class Transport {
public:
    virtual ~Transport() = default;
    // Fills `size` bytes; false when the peer closed the stream first.
    virtual bool readExactly(char* data, size_t size) = 0;
    // Sends everything or throws ProtocolError.
    virtual void writeAll(const char* data, size_t size) = 0;
    // Whether something (data or the end of the stream) can be read without waiting.
    virtual bool readable() = 0;
};

// The socket as it stands; owns the descriptor.
class SocketTransport : public Transport {
public:
    explicit SocketTransport(int fd) : fd_(fd) {}
    ~SocketTransport() override;
    SocketTransport(const SocketTransport&) = delete;
    SocketTransport& operator=(const SocketTransport&) = delete;

    bool readExactly(char* data, size_t size) override;
    void writeAll(const char* data, size_t size) override;
    bool readable() override;
    int fd() const { return fd_; }

private:
    int fd_;
};

}  // namespace tds
