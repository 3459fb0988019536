#include "support/loopback_http_server.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <utility>

namespace testsupport {

using namespace std::chrono_literals;

namespace {

void sendAll(int client, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent = ::send(client, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent <= 0) return;
        done += static_cast<size_t>(sent);
    }
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer(std::string response, Behaviour behaviour)
    : response_(std::move(response)), behaviour_(behaviour) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t size = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 4) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ADD_FAILURE() << "test server could not listen";
        return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) ::close(listener_);
}

std::string LoopbackHttpServer::request() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return request_;
}

bool LoopbackHttpServer::waitForRequest() const {
    for (auto end = Clock::now() + 5s; Clock::now() < end; std::this_thread::sleep_for(5ms))
        if (requested_) return true;
    return false;
}

bool LoopbackHttpServer::waitReadable(int socket, Clock::time_point end) const {
    while (!stop_ && Clock::now() < end) {
        pollfd entry{socket, POLLIN, 0};
        if (::poll(&entry, 1, 20) > 0) return true;
    }
    return false;
}

void LoopbackHttpServer::serve() {
    if (!waitReadable(listener_, Clock::now() + 10s)) return;
    const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) return;
    ++connections_;
    if (behaviour_ != Behaviour::CloseAtOnce) {
        readRequest(client);
        if (behaviour_ == Behaviour::Answer) sendAll(client, response_);
        if (behaviour_ == Behaviour::NeverAnswer) waitReadable(client, Clock::now() + 10s);
    }
    ::close(client);
}

void LoopbackHttpServer::readRequest(int client) {
    std::string received;
    char chunk[512];
    const auto end = Clock::now() + 3s;
    while (received.find("\r\n\r\n") == std::string::npos && waitReadable(client, end)) {
        const ssize_t count = ::recv(client, chunk, sizeof chunk, 0);
        if (count <= 0) break;
        received.append(chunk, static_cast<size_t>(count));
    }
    std::lock_guard<std::mutex> lock(mutex_);
    request_ = received;
    requested_ = true;
}

std::string htmlPage(const std::string& body) {
    const std::string html = "<html><head><title>update</title></head>" + body + "</html>";
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(html.size()) +
           "\r\nConnection: close\r\n\r\n" + html;
}

}  // namespace testsupport
