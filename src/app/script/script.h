// Scripts: a text file of input events, dialog answers, waits and
// screenshots that drives the program without a user (docs/SCRIPTING.md).
//
// One command per line; '#' starts a comment that runs to the end of the
// line; blank lines are ignored. Words are separated by spaces or tabs; a
// word in double quotes may hold spaces ("my picture.png") and may be empty.
// Keys are Windows virtual-key codes (78) or names (N, TAB, F1, ALT);
// positions are window client pixels.
#pragma once

#include "platform/dialogs.h"

#include <string>
#include <vector>

enum class ScriptCommandKind {
    KeyDown,      // key
    KeyUp,        // key
    Key,          // key: down, then up
    Move,         // x, y
    Press,        // button, x, y
    Release,      // button, x, y
    DoubleClick,  // button, x, y
    Wheel,        // wheelSteps (non-zero; positive away from the user)
    Drop,         // paths, in order
    Answer,       // answer
    Wait,         // frames
    Screenshot,   // path
    Echo,         // text: printed to standard output
    Quit,         // the window is asked to close
    Choose,       // menu, item: the item is chosen through the real menu
    WaitIdle,     // frames are drawn until no long operation runs
    State,        // path: a JSON snapshot of the workspace is written
};

enum class ScriptButton { Left, Right, Middle };

enum class ScriptAnswerKind { Yes, No, Ok, Cancel, File, Files, Save, Colour, Slider };

// A queued dialog answer.
struct ScriptAnswer {
    ScriptAnswerKind kind = ScriptAnswerKind::Ok;
    std::vector<std::string> paths;  // File: one; Files: one or more; Save: one
    int filterIndex = 0;             // Save
    Rgb colour;                      // Colour
    SliderValueAction sliderAction = SliderValueAction::SetValue;  // Slider
    std::string text;                                               // Slider: the edit field's text
};

struct ScriptCommand {
    ScriptCommandKind kind = ScriptCommandKind::Wait;
    int line = 0;  // 1-based line of the script
    int key = 0;
    int x = 0;
    int y = 0;
    ScriptButton button = ScriptButton::Left;
    int wheelSteps = 0;
    int frames = 0;
    std::vector<std::string> paths;  // Drop
    std::string path;                // Screenshot, State
    std::string text;                // Echo
    std::string menu;                // Choose: the menu's title
    std::string item;                // Choose: the item's label
    ScriptAnswer answer;
};

struct Script {
    std::vector<ScriptCommand> commands;
};

// Limits that keep a mistyped number from stalling the run.
inline constexpr int kScriptMaxWaitFrames = 1000000;
inline constexpr int kScriptMaxCoordinate = 100000;
inline constexpr int kScriptMaxWheelSteps = 100;
// How long `wait idle` lets the program work before it calls the script
// faulty.
inline constexpr int kScriptIdleTimeoutSeconds = 600;
// Scripts larger than this are refused unread.
inline constexpr long long kScriptMaxBytes = 16LL * 1024 * 1024;

struct ScriptParseResult {
    bool ok = false;
    Script script;
    // "line 3: unknown command 'klick' ..." when !ok; the first fault found.
    std::string error;
};

// Parses script text. Never throws; every fault gives !ok with the line
// number and what was wrong. Nothing may follow `quit`.
ScriptParseResult parseScript(const std::string& text);

// Reads and parses a script file; an unreadable or oversized file gives !ok
// with the reason.
ScriptParseResult loadScriptFile(const std::string& path);

// The virtual-key code of a key word: a number 1..254, or a key name
// (case-insensitive: A..Z, F1..F12, TAB, SPACE, RETURN/ENTER, ESCAPE/ESC,
// SHIFT, CTRL/CONTROL, ALT/MENU, DELETE, BACK, LEFT, UP, ...). 0 when the
// word names no key.
int scriptKeyCode(const std::string& word);

// The script line that parses back into `command` (its line number aside):
// keys as codes, every path and text in double quotes. Empty when the
// command cannot be written as a line: a word holding a double quote or a
// control character, a path of `answer files` holding ';', an empty path.
std::string formatScriptCommand(const ScriptCommand& command);
