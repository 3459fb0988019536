#include "app/script/script.h"

#include "platform/input_identifiers.h"
#include "render/image_file.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

namespace {

// A fault found on one line; the parser stops at the first.
struct LineError {
    std::string text;
};

std::string upperCase(std::string word) {
    for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return word;
}

std::string lowerCase(std::string word) {
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return word;
}

bool isControlByte(unsigned char c) { return (c < 0x20 && c != '\t') || c == 0x7F; }

// Splits a line into words: spaces and tabs separate, double quotes group
// (and may make an empty word), a '#' at the start of a word ends the line.
std::optional<LineError> splitWords(const std::string& line, std::vector<std::string>& words) {
    size_t at = 0;
    while (at < line.size()) {
        const char c = line[at];
        if (c == ' ' || c == '\t') {
            ++at;
            continue;
        }
        if (c == '#') break;
        std::string word;
        bool quoted = false;
        while (at < line.size()) {
            const char d = line[at];
            if (d == '"') {
                quoted = !quoted;
                ++at;
                continue;
            }
            if (!quoted && (d == ' ' || d == '\t')) break;
            word.push_back(d);
            ++at;
        }
        if (quoted) return LineError{"a double quote is not closed"};
        words.push_back(std::move(word));
    }
    return std::nullopt;
}

// A whole number within [low, high], with an optional sign.
std::optional<LineError> readNumber(const std::string& word, long low, long high, const char* what, int& value) {
    const char* begin = word.c_str();
    char* end = nullptr;
    errno = 0;
    const long parsed = word.empty() ? 0 : std::strtol(begin, &end, 10);
    const bool digitsOnly = !word.empty() && end == begin + word.size() && !std::isspace(static_cast<unsigned char>(word[0]));
    if (!digitsOnly) return LineError{"'" + word + "' is not a whole number (" + what + ")"};
    if (errno == ERANGE || parsed < low || parsed > high) {
        return LineError{std::string(what) + " " + word + " is out of range (" + std::to_string(low) + " to " +
                         std::to_string(high) + ")"};
    }
    value = static_cast<int>(parsed);
    return std::nullopt;
}

std::optional<LineError> readKey(const std::string& word, int& key) {
    key = scriptKeyCode(word);
    if (key != 0) return std::nullopt;
    return LineError{"'" + word + "' is no key: give a virtual-key code 1 to 254 or a name such as N, TAB, F1, ALT"};
}

std::optional<LineError> readButton(const std::string& word, ScriptButton& button) {
    const std::string name = lowerCase(word);
    if (name == "left") button = ScriptButton::Left;
    else if (name == "right") button = ScriptButton::Right;
    else if (name == "middle") button = ScriptButton::Middle;
    else return LineError{"'" + word + "' is no mouse button: left, right or middle"};
    return std::nullopt;
}

std::optional<LineError> readPosition(const std::string& xWord, const std::string& yWord, ScriptCommand& command) {
    if (auto error = readNumber(xWord, -kScriptMaxCoordinate, kScriptMaxCoordinate, "x", command.x)) return error;
    return readNumber(yWord, -kScriptMaxCoordinate, kScriptMaxCoordinate, "y", command.y);
}

LineError usage(const std::string& form) { return LineError{"expected: " + form}; }

std::optional<LineError> parseAnswer(const std::vector<std::string>& words, ScriptAnswer& answer) {
    const char* const form =
        "answer yes|no|ok|cancel, answer file PATH, answer files PATH;PATH..., answer save PATH [FILTER], "
        "answer colour R G B, answer slider value|min|max TEXT";
    if (words.size() < 2) return usage(form);
    const std::string kind = lowerCase(words[1]);
    const size_t arguments = words.size() - 2;
    if (kind == "yes" || kind == "no" || kind == "ok" || kind == "cancel") {
        if (arguments != 0) return usage("answer " + kind);
        answer.kind = kind == "yes"  ? ScriptAnswerKind::Yes
                      : kind == "no" ? ScriptAnswerKind::No
                      : kind == "ok" ? ScriptAnswerKind::Ok
                                     : ScriptAnswerKind::Cancel;
        return std::nullopt;
    }
    if (kind == "file") {
        if (arguments != 1 || words[2].empty()) return usage("answer file PATH");
        answer.kind = ScriptAnswerKind::File;
        answer.paths = {words[2]};
        return std::nullopt;
    }
    if (kind == "files") {
        answer.kind = ScriptAnswerKind::Files;
        for (size_t i = 2; i < words.size(); ++i) {
            std::stringstream pieces(words[i]);
            std::string piece;
            while (std::getline(pieces, piece, ';')) {
                if (!piece.empty()) answer.paths.push_back(piece);
            }
        }
        if (answer.paths.empty()) return usage("answer files PATH;PATH... (at least one path; 'answer cancel' cancels)");
        return std::nullopt;
    }
    if (kind == "save") {
        if (arguments < 1 || arguments > 2 || words[2].empty()) return usage("answer save PATH [FILTER]");
        answer.kind = ScriptAnswerKind::Save;
        answer.paths = {words[2]};
        if (arguments == 2) return readNumber(words[3], 0, 1000, "filter index", answer.filterIndex);
        return std::nullopt;
    }
    if (kind == "colour" || kind == "color") {
        if (arguments != 3) return usage("answer colour R G B");
        int channels[3] = {0, 0, 0};
        const char* names[3] = {"red", "green", "blue"};
        for (int i = 0; i < 3; ++i) {
            if (auto error = readNumber(words[static_cast<size_t>(2 + i)], 0, 255, names[i], channels[i])) return error;
        }
        answer.kind = ScriptAnswerKind::Colour;
        answer.colour = Rgb{static_cast<unsigned char>(channels[0]), static_cast<unsigned char>(channels[1]),
                            static_cast<unsigned char>(channels[2])};
        return std::nullopt;
    }
    if (kind == "slider") {
        if (arguments != 2) return usage("answer slider value|min|max TEXT");
        const std::string action = lowerCase(words[2]);
        if (action == "value") answer.sliderAction = SliderValueAction::SetValue;
        else if (action == "min") answer.sliderAction = SliderValueAction::SetMin;
        else if (action == "max") answer.sliderAction = SliderValueAction::SetMax;
        else return usage("answer slider value|min|max TEXT");
        answer.kind = ScriptAnswerKind::Slider;
        answer.text = words[3];
        return std::nullopt;
    }
    return LineError{"unknown answer '" + words[1] + "'; " + std::string("expected: ") + form};
}

std::optional<LineError> parseKeyCommand(const std::vector<std::string>& words, ScriptCommandKind kind,
                                         ScriptCommand& command) {
    if (words.size() != 2) return usage(words[0] + " KEY");
    command.kind = kind;
    return readKey(words[1], command.key);
}

std::optional<LineError> parseButtonCommand(const std::vector<std::string>& words, ScriptCommandKind kind,
                                            ScriptCommand& command) {
    if (words.size() != 4) return usage(words[0] + " left|right|middle X Y");
    command.kind = kind;
    if (auto error = readButton(words[1], command.button)) return error;
    return readPosition(words[2], words[3], command);
}

std::optional<LineError> parseCommand(const std::vector<std::string>& words, ScriptCommand& command) {
    const std::string name = lowerCase(words[0]);
    if (name == "keydown") return parseKeyCommand(words, ScriptCommandKind::KeyDown, command);
    if (name == "keyup") return parseKeyCommand(words, ScriptCommandKind::KeyUp, command);
    if (name == "key") return parseKeyCommand(words, ScriptCommandKind::Key, command);
    if (name == "press") return parseButtonCommand(words, ScriptCommandKind::Press, command);
    if (name == "release") return parseButtonCommand(words, ScriptCommandKind::Release, command);
    if (name == "doubleclick") return parseButtonCommand(words, ScriptCommandKind::DoubleClick, command);
    if (name == "move") {
        if (words.size() != 3) return usage("move X Y");
        command.kind = ScriptCommandKind::Move;
        return readPosition(words[1], words[2], command);
    }
    if (name == "wheel") {
        if (words.size() != 2) return usage("wheel +1|-1 (notches; positive turns away from the user)");
        command.kind = ScriptCommandKind::Wheel;
        if (auto error = readNumber(words[1], -kScriptMaxWheelSteps, kScriptMaxWheelSteps, "wheel notches",
                                    command.wheelSteps)) {
            return error;
        }
        if (command.wheelSteps == 0) return LineError{"wheel needs a non-zero number of notches"};
        return std::nullopt;
    }
    if (name == "drop") {
        if (words.size() < 2) return usage("drop PATH...");
        command.kind = ScriptCommandKind::Drop;
        for (size_t i = 1; i < words.size(); ++i) {
            if (words[i].empty()) return LineError{"drop: an empty file name"};
            command.paths.push_back(words[i]);
        }
        return std::nullopt;
    }
    if (name == "answer") {
        command.kind = ScriptCommandKind::Answer;
        return parseAnswer(words, command.answer);
    }
    if (name == "wait") {
        if (words.size() != 2) return usage("wait FRAMES, or wait idle");
        if (lowerCase(words[1]) == "idle") {
            command.kind = ScriptCommandKind::WaitIdle;
            return std::nullopt;
        }
        command.kind = ScriptCommandKind::Wait;
        return readNumber(words[1], 0, kScriptMaxWaitFrames, "frames", command.frames);
    }
    if (name == "choose") {
        if (words.size() != 3 || words[1].empty() || words[2].empty()) return usage("choose MENU ITEM");
        command.kind = ScriptCommandKind::Choose;
        command.menu = words[1];
        command.item = words[2];
        return std::nullopt;
    }
    if (name == "state") {
        if (words.size() != 2 || words[1].empty()) return usage("state PATH");
        command.kind = ScriptCommandKind::State;
        command.path = words[1];
        return std::nullopt;
    }
    if (name == "screenshot") {
        if (words.size() != 2 || words[1].empty()) return usage("screenshot PATH.png");
        if (!isWritableImageName(String(words[1].c_str()))) {
            return LineError{"screenshot: '" + words[1] + "' has no picture extension (.png, .bmp, .tga, .ppm, .jpg)"};
        }
        command.kind = ScriptCommandKind::Screenshot;
        command.path = words[1];
        return std::nullopt;
    }
    if (name == "echo") {
        command.kind = ScriptCommandKind::Echo;
        for (size_t i = 1; i < words.size(); ++i) {
            if (i > 1) command.text.push_back(' ');
            command.text += words[i];
        }
        return std::nullopt;
    }
    if (name == "quit") {
        if (words.size() != 1) return usage("quit");
        command.kind = ScriptCommandKind::Quit;
        return std::nullopt;
    }
    return LineError{"unknown command '" + words[0] +
                     "' (known: keydown, keyup, key, move, press, release, doubleclick, wheel, drop, answer, wait, "
                     "screenshot, echo, choose, state, quit)"};
}

std::optional<LineError> checkBytes(const std::string& line) {
    for (unsigned char c : line) {
        if (isControlByte(c)) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", c);
            return LineError{std::string("the line holds the control byte ") + hex};
        }
    }
    return std::nullopt;
}

ScriptParseResult failure(int line, const std::string& text) {
    ScriptParseResult result;
    result.error = "line " + std::to_string(line) + ": " + text;
    return result;
}

}  // namespace

int scriptKeyCode(const std::string& word) {
    if (word.empty()) return 0;
    if (std::isdigit(static_cast<unsigned char>(word[0]))) {
        int code = 0;
        if (readNumber(word, 1, 254, "key code", code)) return 0;
        return code;
    }
    const std::string name = upperCase(word);
    struct Alias {
        const char* name;
        int code;
    };
    static constexpr Alias kAliases[] = {{"SHIFT", 16}, {"CTRL", 17},   {"CONTROL", 17}, {"ALT", 18},
                                         {"MENU", 18},  {"ENTER", 13},  {"ESC", 27},     {"TAB", 9},
                                         {"PAGEUP", 33}, {"PAGEDOWN", 34}, {"BACKSPACE", 8}};
    for (const Alias& alias : kAliases) {
        if (name == alias.name) return alias.code;
    }
    for (int i = 1; i < kInputIdentifierCount; ++i) {
        const auto id = static_cast<InputIdentifier>(i);
        if (id >= InputIdentifier::MouseButton0) break;
        if (inputIdentifierName(id) == name) return virtualKeyCode(id);
    }
    return 0;
}

ScriptParseResult parseScript(const std::string& text) {
    ScriptParseResult result;
    std::stringstream lines(text);
    std::string line;
    int number = 0;
    int quitLine = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (auto error = checkBytes(line)) return failure(number, error->text);
        std::vector<std::string> words;
        if (auto error = splitWords(line, words)) return failure(number, error->text);
        if (words.empty()) continue;
        if (quitLine != 0) {
            return failure(number, "nothing may follow 'quit' (line " + std::to_string(quitLine) + ")");
        }
        ScriptCommand command;
        command.line = number;
        if (auto error = parseCommand(words, command)) return failure(number, error->text);
        if (command.kind == ScriptCommandKind::Quit) quitLine = number;
        result.script.commands.push_back(std::move(command));
    }
    result.ok = true;
    return result;
}

ScriptParseResult loadScriptFile(const std::string& path) {
    ScriptParseResult result;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        result.error = "cannot read the script '" + path + "'";
        return result;
    }
    std::string text;
    char buffer[65536];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        text.append(buffer, static_cast<size_t>(file.gcount()));
        if (static_cast<long long>(text.size()) > kScriptMaxBytes) {
            result.error = "the script '" + path + "' is larger than " + std::to_string(kScriptMaxBytes / (1024 * 1024)) +
                           " MiB";
            return result;
        }
    }
    if (file.bad()) {
        result.error = "cannot read the script '" + path + "'";
        return result;
    }
    result = parseScript(text);
    if (!result.ok) result.error = path + ": " + result.error;
    return result;
}

namespace {

// `word` in double quotes; nullopt when it cannot stand in a script.
std::optional<std::string> quotedWord(const std::string& word) {
    for (char c : word) {
        if (c == '"' || isControlByte(static_cast<unsigned char>(c))) return std::nullopt;
    }
    return "\"" + word + "\"";
}

const char* buttonWord(ScriptButton button) {
    switch (button) {
        case ScriptButton::Right: return "right";
        case ScriptButton::Middle: return "middle";
        case ScriptButton::Left: break;
    }
    return "left";
}

std::string position(const ScriptCommand& command) {
    return std::to_string(command.x) + " " + std::to_string(command.y);
}

// The words after "answer"; nullopt when they cannot be written.
std::optional<std::string> answerWords(const ScriptAnswer& answer) {
    switch (answer.kind) {
        case ScriptAnswerKind::Yes: return "yes";
        case ScriptAnswerKind::No: return "no";
        case ScriptAnswerKind::Ok: return "ok";
        case ScriptAnswerKind::Cancel: return "cancel";
        case ScriptAnswerKind::File:
            if (answer.paths.size() != 1 || answer.paths[0].empty()) return std::nullopt;
            if (auto path = quotedWord(answer.paths[0])) return "file " + *path;
            return std::nullopt;
        case ScriptAnswerKind::Files: {
            std::string joined;
            for (const std::string& path : answer.paths) {
                if (path.empty() || path.find(';') != std::string::npos) return std::nullopt;
                joined += (joined.empty() ? "" : ";") + path;
            }
            if (joined.empty()) return std::nullopt;
            if (auto words = quotedWord(joined)) return "files " + *words;
            return std::nullopt;
        }
        case ScriptAnswerKind::Save:
            if (answer.paths.size() != 1 || answer.paths[0].empty()) return std::nullopt;
            if (auto path = quotedWord(answer.paths[0])) return "save " + *path + " " + std::to_string(answer.filterIndex);
            return std::nullopt;
        case ScriptAnswerKind::Colour:
            return "colour " + std::to_string(answer.colour.red) + " " + std::to_string(answer.colour.green) + " " +
                   std::to_string(answer.colour.blue);
        case ScriptAnswerKind::Slider: {
            const char* action = answer.sliderAction == SliderValueAction::SetMin   ? "min"
                                 : answer.sliderAction == SliderValueAction::SetMax ? "max"
                                                                                   : "value";
            if (auto text = quotedWord(answer.text)) return std::string("slider ") + action + " " + *text;
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// "NAME WORD" with WORD quoted; empty when it cannot be written.
std::string withQuotedWord(const char* name, const std::string& word) {
    if (word.empty()) return std::string();
    const std::optional<std::string> quoted = quotedWord(word);
    return quoted ? std::string(name) + " " + *quoted : std::string();
}

}  // namespace

std::string formatScriptCommand(const ScriptCommand& command) {
    switch (command.kind) {
        case ScriptCommandKind::KeyDown: return "keydown " + std::to_string(command.key);
        case ScriptCommandKind::KeyUp: return "keyup " + std::to_string(command.key);
        case ScriptCommandKind::Key: return "key " + std::to_string(command.key);
        case ScriptCommandKind::Move: return "move " + position(command);
        case ScriptCommandKind::Press: return std::string("press ") + buttonWord(command.button) + " " + position(command);
        case ScriptCommandKind::Release:
            return std::string("release ") + buttonWord(command.button) + " " + position(command);
        case ScriptCommandKind::DoubleClick:
            return std::string("doubleclick ") + buttonWord(command.button) + " " + position(command);
        case ScriptCommandKind::Wheel: return "wheel " + std::to_string(command.wheelSteps);
        case ScriptCommandKind::Drop: {
            std::string line = "drop";
            for (const std::string& path : command.paths) {
                const std::optional<std::string> quoted = path.empty() ? std::nullopt : quotedWord(path);
                if (!quoted) return std::string();
                line += " " + *quoted;
            }
            return command.paths.empty() ? std::string() : line;
        }
        case ScriptCommandKind::Answer: {
            const std::optional<std::string> words = answerWords(command.answer);
            return words ? "answer " + *words : std::string();
        }
        case ScriptCommandKind::Wait: return "wait " + std::to_string(command.frames);
        case ScriptCommandKind::WaitIdle: return "wait idle";
        case ScriptCommandKind::Choose: {
            const std::optional<std::string> menu = command.menu.empty() ? std::nullopt : quotedWord(command.menu);
            const std::optional<std::string> item = command.item.empty() ? std::nullopt : quotedWord(command.item);
            return menu && item ? "choose " + *menu + " " + *item : std::string();
        }
        case ScriptCommandKind::State: return withQuotedWord("state", command.path);
        case ScriptCommandKind::Screenshot: return withQuotedWord("screenshot", command.path);
        case ScriptCommandKind::Echo: {
            const std::optional<std::string> text = quotedWord(command.text);
            return text ? "echo " + *text : std::string();
        }
        case ScriptCommandKind::Quit: return "quit";
    }
    return std::string();
}
