// A one-connection HTTP server on 127.0.0.1 with an ephemeral port, for the
// tests of the update check. Every wait is bounded; the server gives up by
// itself after a few seconds and stops when it goes out of scope.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

namespace testsupport {

class LoopbackHttpServer {
public:
    // How the server treats the one connection it accepts.
    enum class Behaviour {
        Answer,       // reads the request, sends the response, closes
        CloseAtOnce,  // closes right after accepting
        NeverAnswer,  // reads the request and keeps the connection open silently
    };

    explicit LoopbackHttpServer(std::string response, Behaviour behaviour = Behaviour::Answer);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    int port() const { return port_; }
    int connections() const { return connections_.load(); }
    // What the server read of the request (up to the blank line).
    std::string request() const;
    // Waits (bounded) until the server has read a whole request.
    bool waitForRequest() const;

private:
    using Clock = std::chrono::steady_clock;

    bool waitReadable(int socket, Clock::time_point end) const;
    void serve();
    void readRequest(int client);

    std::string response_;
    Behaviour behaviour_;
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> requested_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::string request_;
};

// A "200 OK" HTML response whose body element is `body`, with its length
// and "Connection: close".
std::string htmlPage(const std::string& body);

}  // namespace testsupport
