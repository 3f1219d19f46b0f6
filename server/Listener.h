#pragma once

#include <QString>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <mutex>
#include <set>
#include <thread>

#include "server/ClientConnection.h"

namespace tds {

struct ListenAddress {
    QString host = QStringLiteral("127.0.0.1");
    uint16_t port = 1433;

    // "HOST:PORT", "HOST" or ":PORT"; empty on a malformed text.
    static std::optional<ListenAddress> parse(const QString& text);
    bool isLoopback() const;
};

// Accepts clients on one address and serves each on a thread of its own until SIGTERM or
// SIGINT; then it stops accepting, closes every connection and waits for their threads.
class Listener {
public:
    explicit Listener(const ServerConfig& config) : config_(config) {}

    // Binds; throws std::runtime_error with the reason when it cannot. Returns the port bound
    // (the one the system chose for port 0).
    uint16_t bind(const ListenAddress& address);
    // Serves until a termination signal; the signals must be blocked in every thread already.
    void serve();

private:
    // A connection's thread; `finished` is set, under the mutex, as its last step.
    struct Worker {
        std::thread thread;
        bool finished = false;
    };

    void startConnection(int fd);
    void joinFinished();
    void closeAll();

    const ServerConfig& config_;
    int listenFd_ = -1;
    std::mutex mutex_;
    std::condition_variable finished_;
    std::set<int> open_;
    std::list<Worker> workers_;
    uint16_t nextSessionId_ = 51;
};

}  // namespace tds
