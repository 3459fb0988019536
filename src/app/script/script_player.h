// ScriptPlayer: plays a parsed script into a running program, frame by frame.
//
// The driver calls beforeFrame() before each pass of the message loop and
// afterFrame() after it. Commands run in order:
//  - input commands (keys, mouse, wheel, drop) post their window messages,
//    which the next pass dispatches; `answer` queues a dialog answer at once;
//  - `wait N` lets N frames be drawn before the next command runs;
//  - `screenshot` captures the frame that shows every message posted before
//    it: when messages wait for a pass, one frame is drawn first; otherwise
//    it reads the last frame drawn (before the first pass: the splash);
//  - `echo` prints its text to the output stream at once;
//  - `choose`, `wait idle` and `state` ask the program (ScriptHost) and run
//    once every message posted before them has been handled by a frame;
//    `choose` clicks the menu's title where it is drawn, lets a frame open
//    the menu, then clicks the item; `wait idle` lets frames be drawn until
//    no long operation runs (for at most kScriptIdleTimeoutSeconds);
//  - `quit` posts a Close message; nothing runs after it.
// A fault of `choose` or `wait idle` (a missing or disabled item, a program
// that stays busy) stops the script: the error is kept and Close is posted.
// After the last command the player posts a Close message too when
// `quitAtEnd` is set (runs without a user); otherwise it falls silent.
#pragma once

#include "app/script/script.h"
#include "platform/graphics_device.h"
#include "platform/scripted_dialogs.h"
#include "platform/window.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// What the commands that ask the program need of it. Positions are window
// client pixels.
class ScriptHost {
public:
    virtual ~ScriptHost() = default;

    struct MenuItemPlace {
        bool menuFound = false;    // the current menu bar has a menu of that title
        bool menuOpen = false;     // that menu is open now
        int titleX = 0;            // the middle of its title
        int titleY = 0;
        bool itemFound = false;    // the menu has an item of that label
        bool itemEnabled = false;  // ... and it can be chosen
        int itemX = 0;             // the middle of the item (while the menu is open)
        int itemY = 0;
    };
    // Where the menu titled `menu` and its item `item` are drawn.
    virtual MenuItemPlace findMenuItem(const std::string& menu, const std::string& item) = 0;
    // True while a long operation runs; `running` names them.
    virtual bool isBusy(std::string& running) = 0;
    // Writes the JSON snapshot of the workspace to `path`; false with the
    // reason in `error`.
    virtual bool writeState(const std::string& path, std::string& error) = 0;
};

class ScriptPlayer {
public:
    using PostMessage = std::function<void(const platform::WindowMessage&)>;

    // `dialogs` receives the answers and `post` the messages; both must
    // outlive the player. `output` receives the echo lines (may be null).
    ScriptPlayer(Script script, ScriptedDialogs& dialogs, PostMessage post, bool quitAtEnd, std::FILE* output);

    // The program the commands `choose`, `wait idle` and `state` ask (not
    // owned; without one they are faults).
    void setHost(ScriptHost* host) { host_ = host; }

    // Runs the commands due before the next pass. `device` is read for
    // screenshots that need no new frame (null: such a screenshot fails).
    void beforeFrame(gfx::GraphicsDevice* device);
    // A pass drew a frame: counts it, takes a screenshot that waited for it
    // and counts down a wait.
    void afterFrame(gfx::GraphicsDevice* device);

    // Appends commands to be run after the ones given so far (a session
    // made up while it runs). Nothing runs after a fault or a quit.
    void append(std::vector<ScriptCommand> commands);

    // Every command has run (a quit included).
    bool isFinished() const { return next_ >= script_.commands.size() && pendingScreenshot_ < 0 && waitFrames_ == 0; }
    // A Close message was posted (by `quit` or at the end).
    bool hasPostedClose() const { return closePosted_; }
    // A `wait idle` is waiting for the long operations to end.
    bool isWaitingIdle() const { return waitingIdle_; }
    // Frames drawn since the player started.
    int framesDrawn() const { return frames_; }
    // Line of the next command to run; 0 when none is left.
    int nextLine() const;
    // Faults met while playing ("line 5: cannot write the screenshot ...").
    const std::vector<std::string>& errors() const { return errors_; }
    // Screenshot files written, in order.
    const std::vector<std::string>& screenshots() const { return screenshots_; }

private:
    // Runs one command; false when the player must wait for a frame before
    // the next one.
    bool run(const ScriptCommand& command, gfx::GraphicsDevice* device);
    void postInput(const ScriptCommand& command);
    void post(const platform::WindowMessage& message);
    void postClose();
    void queueAnswer(const ScriptAnswer& answer);
    void takeScreenshot(const ScriptCommand& command, gfx::GraphicsDevice* device);
    // Each returns false while the command must be run again before the
    // next frame (the player then waits for that frame).
    bool choose(const ScriptCommand& command);
    bool waitIdle(const ScriptCommand& command);
    void writeState(const ScriptCommand& command);
    void click(int x, int y);
    // Keeps the error and stops the script.
    void fault(const ScriptCommand& command, const std::string& text);

    Script script_;
    ScriptedDialogs& dialogs_;
    PostMessage post_;
    bool quitAtEnd_;
    std::FILE* output_;
    size_t next_ = 0;
    int waitFrames_ = 0;
    // Index of a screenshot command waiting for the next frame; -1: none.
    int pendingScreenshot_ = -1;
    bool messagesWaiting_ = false;
    bool closePosted_ = false;
    ScriptHost* host_ = nullptr;
    // Clicks on the title made by the `choose` in progress.
    int chooseClicks_ = 0;
    // When the `wait idle` in progress gives up.
    std::chrono::steady_clock::time_point idleDeadline_;
    bool waitingIdle_ = false;
    int frames_ = 0;
    std::vector<std::string> errors_;
    std::vector<std::string> screenshots_;
};

// Queues `answer` in `dialogs` as the script command `answer` does.
void queueScriptAnswer(ScriptedDialogs& dialogs, const ScriptAnswer& answer);

// Writes the device's back buffer to `path` (format by extension; missing
// folders are made; written to a temporary name, then renamed). False with
// the reason in `error`.
bool writeScreenshot(gfx::GraphicsDevice& device, const std::string& path, std::string& error);
