#include "update/check_for_update.h"

#include "core/file_io.h"
#include "core/logger.h"
#include "platform/dialogs.h"
#include "update/update_host.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Longest single wait between two looks at the cancel flag.
constexpr int kSliceMilliseconds = 50;

// One connection to the update server, made and freed by a single check. The
// buffer is an allocation of its own, so that the memory checker sees any
// access past its end.
struct Connection {
    int socket = -1;
    int received = 0;  // bytes taken as text, from the last receive that delivered any
    bool connected = false;
    std::vector<char> buffer = std::vector<char>(kUpdateBufferSize, 0);

    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() {
        if (socket >= 0) ::close(socket);
    }
};

enum class Wait { Ready, TimedOut, Cancelled, Failed };

bool isCancelled(const std::atomic<bool>* cancelled) { return cancelled && cancelled->load(); }

Clock::time_point deadlineAfter(int milliseconds) {
    return Clock::now() + std::chrono::milliseconds(std::max(0, milliseconds));
}

// Waits until the socket is ready for `events` (or reports an error or hang-up,
// which the next call then reads), the deadline passes or the check is
// cancelled. Looks at the cancel flag at least every kSliceMilliseconds.
Wait waitFor(int socket, short events, Clock::time_point deadline, const std::atomic<bool>* cancelled) {
    for (;;) {
        if (isCancelled(cancelled)) return Wait::Cancelled;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return Wait::TimedOut;
        pollfd entry{socket, events, 0};
        int result = ::poll(&entry, 1, static_cast<int>(std::min<long long>(left, kSliceMilliseconds)));
        if (result > 0) return Wait::Ready;
        if (result < 0 && errno != EINTR) return Wait::Failed;
    }
}

bool hasControlBytes(const String& text) {
    for (char byte : text.view()) {
        unsigned char value = static_cast<unsigned char>(byte);
        if (value < 0x20 || value == 0x7f) return true;
    }
    return false;
}

// Opens a non-blocking TCP socket to the server and waits for the connection.
bool connectToServer(Connection& connection, const UpdateServer& server, const UpdateTimeouts& timeouts,
                     const std::atomic<bool>* cancelled) {
    if (server.port < 1 || server.port > 65535 || hasControlBytes(server.host)) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(server.port));
    if (::inet_pton(AF_INET, server.address.text(), &address.sin_addr) != 1) return false;

    connection.socket = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (connection.socket < 0) return false;
    if (::connect(connection.socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        connection.connected = true;
        return true;
    }
    if (errno != EINPROGRESS && errno != EINTR) return false;
    if (waitFor(connection.socket, POLLOUT, deadlineAfter(timeouts.connectMilliseconds), cancelled) != Wait::Ready)
        return false;
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(connection.socket, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) return false;
    connection.connected = true;
    return true;
}

// Sends all of `request`. MSG_NOSIGNAL: a server that has already closed
// gives an error here instead of ending the program.
bool sendRequest(Connection& connection, const String& request, Clock::time_point deadline,
                 const std::atomic<bool>* cancelled) {
    const char* bytes = request.text();
    size_t left = static_cast<size_t>(request.length());
    while (left > 0) {
        ssize_t sent = ::send(connection.socket, bytes, left, MSG_NOSIGNAL);
        if (sent > 0) {
            bytes += sent;
            left -= static_cast<size_t>(sent);
            continue;
        }
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
        if (waitFor(connection.socket, POLLOUT, deadline, cancelled) != Wait::Ready) return false;
    }
    return true;
}

// One receive into the buffer from its start, at most one byte less than the
// buffer holds. Returns the byte count, 0 when the server closed, -1 on error,
// timeout or cancel; the buffer is written only when the count is positive.
int receiveOnce(Connection& connection, Clock::time_point deadline, const std::atomic<bool>* cancelled) {
    for (;;) {
        if (waitFor(connection.socket, POLLIN, deadline, cancelled) != Wait::Ready) return -1;
        ssize_t count = ::recv(connection.socket, connection.buffer.data(), kUpdateBufferSize - 1, 0);
        if (count >= 0) return static_cast<int>(count);
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return -1;
    }
}

// Sends the request and receives twice; leaves the terminated text of the last
// receive that delivered bytes in the buffer.
void exchange(Connection& connection, const UpdateServer& server, const UpdateTimeouts& timeouts,
              const std::atomic<bool>* cancelled) {
    connection.received = 0;
    connection.buffer[0] = 0;
    Clock::time_point deadline = deadlineAfter(timeouts.receiveMilliseconds);
    if (!sendRequest(connection, updateRequest(server.host), deadline, cancelled)) return;

    int first = receiveOnce(connection, deadline, cancelled);
    if (first <= 0) return;
    connection.received = first;
    connection.buffer[first] = 0;

    int second = receiveOnce(connection, deadline, cancelled);
    if (second > 0) {
        connection.received = second;
        connection.buffer[second] = 0;
    }
}

bool writeAnswerFile(const String& path, char value) { return replaceFile(path, &value, 1); }

// Shows the "Update available!" question; on yes goes to the homepage.
void offerUpdate(const String& homepage, Dialogs& dialogs, UpdateHost& host) {
    MessageAnswer answer = dialogs.messageBox(
        "Update available!",
        "A new update for Plastora is available! Do you want to go to the homepage of\n"
        "Plastora to update to the new version?",
        MessageButtons::YesNo, MessageIcon::Warning);
    if (answer == MessageAnswer::Yes) goToHomepage(homepage, host);
}

void reportResponse(const UpdateResponse& response, const String& homepage, Dialogs& dialogs, UpdateHost& host) {
    if (!response.connected) {
        dialogs.messageBox("No connection to internet?",
                           "Plastora is not able to connect to the internet. Please make sure you have access to "
                           "the internet.",
                           MessageButtons::Ok, MessageIcon::Error);
        return;
    }
    std::fwrite(response.text.text(), 1, static_cast<size_t>(response.text.length()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    switch (response.answer) {
    case UpdateAnswer::Available:
        offerUpdate(homepage, dialogs, host);
        break;
    case UpdateAnswer::NoUpdate:
        dialogs.messageBox("No update available",
                           "There is currently no update available. Please check again later.",
                           MessageButtons::Ok, MessageIcon::Information);
        break;
    case UpdateAnswer::Unrecognised:
        dialogs.messageBox("Connection error", "Some error occured while parsing the response of the server.",
                           MessageButtons::Ok, MessageIcon::Error);
        break;
    }
}

}  // namespace

UpdateAnswer answerOf(const String& text) {
    int p = text.find(String("<body>"), 0);
    if (p < 0 || static_cast<long long>(p) + 10 > text.length()) return UpdateAnswer::Unrecognised;
    std::string_view bytes = text.view();
    if (bytes.substr(static_cast<size_t>(p) + 6, 3) == "Yes") return UpdateAnswer::Available;
    if (bytes.substr(static_cast<size_t>(p) + 6, 2) == "No") return UpdateAnswer::NoUpdate;
    return UpdateAnswer::Unrecognised;
}

String updateRequest(const String& host) {
    String request("GET /updatev1_02.html HTTP/1.1\r\nHost: ");
    request.append(host);
    request.append(String("\r\nConnection: close\r\n\r\n"));
    return request;
}

UpdateResponse askUpdateServer(const UpdateServer& server, const UpdateTimeouts& timeouts,
                               const std::atomic<bool>* cancelled) {
    UpdateResponse response;
    auto connection = std::make_unique<Connection>();
    if (!connectToServer(*connection, server, timeouts, cancelled)) return response;
    response.connected = true;
    exchange(*connection, server, timeouts, cancelled);
    response.text = String(connection->buffer.data());
    response.answer = isCancelled(cancelled) ? UpdateAnswer::Unrecognised : answerOf(response.text);
    return response;
}

CheckForUpdate::CheckForUpdate(const String& answerFile, const UpdateServer& server, const UpdateTimeouts& timeouts)
    : answerFile_(answerFile), server_(server), timeouts_(timeouts) {}

CheckForUpdate::~CheckForUpdate() {
    cancel();
    join();
}

void CheckForUpdate::run() {
    UpdateResponse response = askUpdateServer(server_, timeouts_, &cancelled_);
    if (response.answer == UpdateAnswer::Available) writeAnswerFile(answerFile_, '1');
}

void checkForUpdateInteractively(const UpdateServer& server, Dialogs& dialogs, SystemCursor& cursor,
                                 UpdateHost& host, const UpdateTimeouts& timeouts) {
    host.clearHelpState();
    {
        ShownSystemCursor shown(cursor);
        host.beginWait(String("Checking For Update"));
        UpdateResponse response = askUpdateServer(server, timeouts);
        reportResponse(response, server.homepage, dialogs, host);
    }
    host.endWait();
    host.clearKeyTable();
}

void goToHomepage(const String& homepage, UpdateHost& host) {
    host.releaseCapture();
    host.minimiseWindow();
    if (!host.openUrl(homepage)) {
        String what("could not open the homepage ");
        what.append(homepage);
        Logger::instance().error(String("goToHomepage"), what);
    }
}

String answerFilePath(const String& applicationDirectory) {
    String path(applicationDirectory);
    if (path.length() > 0 && path.view().back() != '/') path.append('/');
    path.append(String("temp.txt"));
    return path;
}

bool answerFileSaysUpdate(const String& path) {
    std::vector<unsigned char> bytes;
    if (!readFile(path, bytes)) return false;
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    bool value = false;
    in >> value;
    return !in.fail() && value;
}

std::unique_ptr<CheckForUpdate> checkForUpdateAtStartup(bool enabled, const String& applicationDirectory,
                                                        const UpdateServer& server, Dialogs& dialogs,
                                                        SystemCursor& cursor, UpdateHost& host,
                                                        const UpdateTimeouts& timeouts) {
    if (!enabled) return nullptr;
    String path = answerFilePath(applicationDirectory);
    bool updateFound = answerFileSaysUpdate(path);
    if (!writeAnswerFile(path, '0')) {
        String what("could not write ");
        what.append(path);
        Logger::instance().error(String("checkForUpdateAtStartup"), what);
    }
    if (updateFound) {
        {
            ShownSystemCursor shown(cursor);
            offerUpdate(server.homepage, dialogs, host);
        }
        host.clearKeyTable();
        return nullptr;
    }
    auto check = std::make_unique<CheckForUpdate>(path, server, timeouts);
    if (!check->start()) {
        Logger::instance().error(String("checkForUpdateAtStartup"), String("could not start the update check"));
        return nullptr;
    }
    return check;
}
