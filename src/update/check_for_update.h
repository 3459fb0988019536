// The update check: one HTTP request to the maker's web server asking whether
// a newer version exists, either interactively ("Check For Update...") or in
// the background at start-up, with the answer kept in "temp.txt" in the
// application directory until the next start.
#pragma once

#include "core/string.h"
#include "update/thread.h"

#include <atomic>
#include <memory>

class Dialogs;
class SystemCursor;
class UpdateHost;

// Where the update request goes and the page the user is sent to. Comes from
// the settings `updateserver`, `updateport`, `updatehost` and `homepage`.
struct UpdateServer {
    String address;   // IPv4 address in dotted numeric form ("192.0.2.10")
    int port = 80;    // TCP port, 1 to 65535
    String host;      // host name sent in the request's Host line
    String homepage;  // address opened by "Go To Homepage..."
};

// How long a check waits before it gives up. The receive time covers sending
// the request and both receives together.
struct UpdateTimeouts {
    int connectMilliseconds = 5000;
    int receiveMilliseconds = 5000;
};

enum class UpdateAnswer {
    Unrecognised,  // no "<body>", too short after it, or neither Yes nor No
    Available,     // "<body>Yes"
    NoUpdate,      // "<body>No"
};

// Size of the receive buffer. Each receive takes at most one byte less, so the
// received bytes are always terminated inside the buffer.
constexpr int kUpdateBufferSize = 10000;

// The answer rule. With p the position of the first "<body>" in `text`:
// unrecognised when there is none or p + 10 exceeds the length; available
// when the bytes at p + 6 .. p + 8 are "Yes"; no update when those at p + 6
// and p + 7 are "No"; unrecognised otherwise. Case-sensitive.
UpdateAnswer answerOf(const String& text);

// The exact request sent for `host`:
// "GET /updatev1_02.html HTTP/1.1\r\nHost: <host>\r\nConnection: close\r\n\r\n".
String updateRequest(const String& host);

// Outcome of one exchange with the server.
struct UpdateResponse {
    bool connected = false;  // the TCP connection was made
    String text;             // received text, up to its first zero byte
    UpdateAnswer answer = UpdateAnswer::Unrecognised;
};

// Connects to the server, sends the request with the server's host name and
// receives twice into one buffer of kUpdateBufferSize bytes: the second
// receive starts again at the buffer's start, and the bytes of the last
// receive that delivered any are the text (a server that sends its page and
// closes leaves the page). Never blocks beyond the two timeouts; returns
// early, unrecognised, as soon as `cancelled` (if given) becomes true. An
// address that is not numeric IPv4, a port outside 1 .. 65535 or a host name
// holding control characters gives "not connected" without any traffic.
UpdateResponse askUpdateServer(const UpdateServer& server, const UpdateTimeouts& timeouts = {},
                               const std::atomic<bool>* cancelled = nullptr);

// The background check. run() asks the server and, when an update is
// available, writes "1" into the answer file (replacing it safely); otherwise
// it leaves the file alone. It shows nothing and writes no log lines.
class CheckForUpdate : public Thread {
public:
    // `answerFile` is the full path of "temp.txt". All arguments are copied.
    CheckForUpdate(const String& answerFile, const UpdateServer& server, const UpdateTimeouts& timeouts = {});
    // Cancels a running check and waits for its thread; this takes at most
    // a fraction of a second however slow the server is.
    ~CheckForUpdate() override;

    void run() override;

    // Asks a running check to give up as soon as possible (thread-safe).
    void cancel() { cancelled_.store(true); }

    const String& answerFile() const { return answerFile_; }

private:
    String answerFile_;
    UpdateServer server_;
    UpdateTimeouts timeouts_;
    std::atomic<bool> cancelled_{false};
};

// "Check For Update...": shows the busy state with "Checking For Update",
// asks the server on the calling thread and reports the outcome in exactly
// one message box; a positive answer offers to go to the homepage. The
// system cursor is shown from the start until the box is closed. The received
// text is printed on standard output. Restores the ready state and clears the
// key table afterwards.
void checkForUpdateInteractively(const UpdateServer& server, Dialogs& dialogs, SystemCursor& cursor,
                                 UpdateHost& host, const UpdateTimeouts& timeouts = {});

// "Go To Homepage...": releases the mouse capture, minimises the window and
// opens `homepage`. A failure to open it is logged.
void goToHomepage(const String& homepage, UpdateHost& host);

// Full path of "temp.txt" in `applicationDirectory` (with or without its
// trailing slash).
String answerFilePath(const String& applicationDirectory);

// True only when the answer file exists and holds the value 1 (read as a
// boolean 0 or 1); a missing, unreadable or garbled file counts as 0.
bool answerFileSaysUpdate(const String& path);

// The start-up check; does nothing and returns null when `enabled` (the
// setting `checkforupdateatstartup`) is off. When "temp.txt" holds 1 it writes
// 0, offers the update in the "Update available!" message box (system cursor
// shown around it, key table cleared after it) and returns null: no background
// check this run. Otherwise it writes 0 and returns a started background
// check, which the application keeps until it ends (its destructor stops it).
std::unique_ptr<CheckForUpdate> checkForUpdateAtStartup(bool enabled, const String& applicationDirectory,
                                                        const UpdateServer& server, Dialogs& dialogs,
                                                        SystemCursor& cursor, UpdateHost& host,
                                                        const UpdateTimeouts& timeouts = {});
