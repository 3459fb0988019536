#include "platform/desktop_dialogs.h"

#include "core/logger.h"
#include "platform/sdl_window.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace chooser {

namespace {

constexpr const char* kProgram = "zenity";
constexpr const char* kSliderTitle = "Set value of slider";
constexpr size_t kMaxOutput = 16u << 20;

String toString(std::string_view text) { return String(static_cast<int>(text.size()), text.data()); }

std::string option(const char* name, std::string_view value) {
    std::string result = "--";
    result += name;
    result += '=';
    result += value;
    return result;
}

void addParent(std::vector<std::string>& arguments, unsigned long parentWindow) {
    if (parentWindow == 0) return;
    arguments.push_back("--modal");
    arguments.push_back(option("attach", std::to_string(parentWindow)));
}

// "*.png" → "*.[pP][nN][gG]": letters match either case.
std::string caseless(std::string_view pattern) {
    std::string result;
    for (char c : pattern) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (std::isalpha(byte)) {
            result += '[';
            result += static_cast<char>(std::tolower(byte));
            result += static_cast<char>(std::toupper(byte));
            result += ']';
        } else {
            result += c;
        }
    }
    return result;
}

std::vector<std::string_view> splitPatterns(std::string_view patterns) {
    std::vector<std::string_view> result;
    size_t start = 0;
    while (start <= patterns.size()) {
        size_t end = patterns.find(';', start);
        if (end == std::string_view::npos) end = patterns.size();
        std::string_view pattern = patterns.substr(start, end - start);
        while (!pattern.empty() && pattern.front() == ' ') pattern.remove_prefix(1);
        while (!pattern.empty() && pattern.back() == ' ') pattern.remove_suffix(1);
        if (!pattern.empty()) result.push_back(pattern);
        start = end + 1;
    }
    return result;
}

// The text of a finished dialog without the line break the program ends its
// answer with.
std::optional<std::string_view> answerText(const ProgramResult& result) {
    if (!result.started || result.exitCode != 0) return std::nullopt;
    std::string_view text = result.output;
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    if (text.empty()) return std::nullopt;
    return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::optional<int> colourComponent(std::string_view text) {
    std::string copy(text);
    char* end = nullptr;
    double value = std::strtod(copy.c_str(), &end);
    if (end == copy.c_str() || !std::isfinite(value)) return std::nullopt;
    while (*end == ' ') ++end;
    if (*end != '\0') return std::nullopt;
    if (value < 0.0) value = 0.0;
    if (value > 255.0) value = 255.0;
    return static_cast<int>(std::lround(value));
}

std::optional<Rgb> parseFunctionalColour(std::string_view text) {
    size_t open = text.find('(');
    if (open == std::string_view::npos || text.back() != ')') return std::nullopt;
    std::string_view name = text.substr(0, open);
    if (name != "rgb" && name != "rgba") return std::nullopt;
    std::string_view inside = text.substr(open + 1, text.size() - open - 2);
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        size_t comma = inside.find(',', start);
        parts.push_back(inside.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    if (parts.size() != (name == "rgb" ? 3u : 4u)) return std::nullopt;
    std::optional<int> red = colourComponent(parts[0]);
    std::optional<int> green = colourComponent(parts[1]);
    std::optional<int> blue = colourComponent(parts[2]);
    if (!red || !green || !blue) return std::nullopt;
    return Rgb{static_cast<unsigned char>(*red), static_cast<unsigned char>(*green), static_cast<unsigned char>(*blue)};
}

std::optional<Rgb> parseHexColour(std::string_view text) {
    if (text.size() != 7 || text[0] != '#') return std::nullopt;
    unsigned char bytes[3];
    for (int i = 0; i < 3; ++i) {
        int value = 0;
        for (int digit = 0; digit < 2; ++digit) {
            char c = text[1 + 2 * i + digit];
            if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
            value = value * 16 + (std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10);
        }
        bytes[i] = static_cast<unsigned char>(value);
    }
    return Rgb{bytes[0], bytes[1], bytes[2]};
}

const char* boundLabel(SliderValueAction action) { return action == SliderValueAction::SetMin ? "Set Min" : "Set Max"; }

// Reads everything from `fd` until end of file (at most kMaxOutput bytes
// are kept).
std::string readAll(int fd) {
    std::string text;
    char buffer[4096];
    for (;;) {
        ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        if (text.size() < kMaxOutput) text.append(buffer, static_cast<size_t>(count));
    }
    return text;
}

int waitForExit(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

ProgramResult runProgram(const std::vector<std::string>& arguments) {
    ProgramResult result;
    if (arguments.empty()) return result;
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    int output[2];
    int execStatus[2];
    if (pipe2(output, O_CLOEXEC) != 0) return result;
    if (pipe2(execStatus, O_CLOEXEC) != 0) {
        close(output[0]);
        close(output[1]);
        return result;
    }
    int devNull = open("/dev/null", O_RDWR | O_CLOEXEC);

    pid_t child = fork();
    if (child == 0) {
        // Only async-signal-safe calls from here to exec.
        if (devNull >= 0) {
            dup2(devNull, STDIN_FILENO);
            dup2(devNull, STDERR_FILENO);
        }
        dup2(output[1], STDOUT_FILENO);
        execvp(argv[0], argv.data());
        int error = errno;
        ssize_t written = write(execStatus[1], &error, sizeof error);
        (void)written;
        _exit(127);
    }
    close(output[1]);
    close(execStatus[1]);
    if (devNull >= 0) close(devNull);
    if (child < 0) {
        close(output[0]);
        close(execStatus[0]);
        return result;
    }

    // The status pipe closes on a successful exec and carries errno otherwise.
    int error = 0;
    ssize_t got;
    do {
        got = read(execStatus[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    close(execStatus[0]);
    result.started = got != static_cast<ssize_t>(sizeof error);

    result.output = readAll(output[0]);
    close(output[0]);
    result.exitCode = waitForExit(child);
    return result;
}

std::string filterArgument(const FileFilter& filter) {
    std::string description = filter.description.str();
    for (char& c : description)
        if (c == '|') c = '/';
    std::string value = description + " |";
    std::vector<std::string_view> patterns = splitPatterns(filter.patterns.view());
    if (patterns.empty()) value += " *";
    for (std::string_view pattern : patterns) value += " " + caseless(pattern);
    return option("file-filter", value);
}

std::vector<std::string> openFileArguments(const String& title, const std::vector<FileFilter>& filters, bool multiple,
                                           unsigned long parentWindow) {
    std::vector<std::string> arguments = {kProgram, "--file-selection", option("title", title.view())};
    if (multiple) {
        arguments.push_back("--multiple");
        arguments.push_back(option("separator", kPathSeparator));
    }
    for (const FileFilter& filter : filters) arguments.push_back(filterArgument(filter));
    addParent(arguments, parentWindow);
    return arguments;
}

std::vector<std::string> saveFileArguments(const String& title, const std::vector<FileFilter>& filters,
                                           int initialFilter, unsigned long parentWindow) {
    std::vector<std::string> arguments = {kProgram, "--file-selection", "--save", "--confirm-overwrite",
                                          option("title", title.view())};
    int count = static_cast<int>(filters.size());
    if (initialFilter >= 0 && initialFilter < count) arguments.push_back(filterArgument(filters[static_cast<size_t>(initialFilter)]));
    for (int index = 0; index < count; ++index)
        if (index != initialFilter) arguments.push_back(filterArgument(filters[static_cast<size_t>(index)]));
    addParent(arguments, parentWindow);
    return arguments;
}

std::vector<std::string> colourArguments(const Rgb& initial, unsigned long parentWindow) {
    char colour[16];
    std::snprintf(colour, sizeof colour, "#%02x%02x%02x", initial.red, initial.green, initial.blue);
    std::vector<std::string> arguments = {kProgram, "--color-selection", option("color", colour)};
    addParent(arguments, parentWindow);
    return arguments;
}

std::vector<std::string> sliderValueArguments(const String& initialText, bool minimumAdjustable,
                                              bool maximumAdjustable, unsigned long parentWindow) {
    bool anyBound = minimumAdjustable || maximumAdjustable;
    std::vector<std::string> arguments = {kProgram,
                                          "--entry",
                                          option("title", kSliderTitle),
                                          option("text", "Value:"),
                                          option("entry-text", initialText.view()),
                                          option("ok-label", anyBound ? "Set Value" : "Set value"),
                                          option("cancel-label", "Cancel")};
    if (minimumAdjustable) arguments.push_back(option("extra-button", "Set Min"));
    if (maximumAdjustable) arguments.push_back(option("extra-button", "Set Max"));
    addParent(arguments, parentWindow);
    return arguments;
}

std::vector<std::string> boundValueArguments(SliderValueAction action, const String& initialText,
                                             unsigned long parentWindow) {
    std::vector<std::string> arguments = {kProgram,
                                          "--entry",
                                          option("title", kSliderTitle),
                                          option("text", std::string(boundLabel(action)) + ":"),
                                          option("entry-text", initialText.view()),
                                          option("ok-label", boundLabel(action)),
                                          option("cancel-label", "Cancel")};
    addParent(arguments, parentWindow);
    return arguments;
}

std::optional<String> parseSingleFile(const ProgramResult& result) {
    std::optional<std::string_view> text = answerText(result);
    if (!text) return std::nullopt;
    return toString(*text);
}

std::optional<std::vector<String>> parseFileList(const ProgramResult& result) {
    std::optional<std::string_view> text = answerText(result);
    if (!text) return std::nullopt;
    std::vector<String> paths;
    std::string_view rest = *text;
    std::string_view separator = kPathSeparator;
    for (;;) {
        size_t end = rest.find(separator);
        std::string_view path = rest.substr(0, end);
        if (!path.empty()) paths.push_back(toString(path));
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + separator.size());
        // The next full path starts with its own slash.
        if (!rest.empty() && rest.front() != '/') {
            Logger::instance().error(String("chooser::parseFileList"), String("Unexpected answer of the file chooser"));
            return std::nullopt;
        }
    }
    if (paths.empty()) return std::nullopt;
    return paths;
}

std::optional<Rgb> parseColour(const ProgramResult& result) {
    std::optional<std::string_view> text = answerText(result);
    if (!text) return std::nullopt;
    if (std::optional<Rgb> colour = parseFunctionalColour(*text)) return colour;
    return parseHexColour(*text);
}

std::optional<SliderStep> parseSliderValue(const ProgramResult& result) {
    if (!result.started) return std::nullopt;
    std::string_view text = result.output;
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    if (result.exitCode == 0) return SliderStep{SliderValueAction::SetValue, toString(text), false};
    // An extra button ends the dialog like Cancel, with its label as the answer.
    if (result.exitCode == 1 && text == "Set Min") return SliderStep{SliderValueAction::SetMin, String(), true};
    if (result.exitCode == 1 && text == "Set Max") return SliderStep{SliderValueAction::SetMax, String(), true};
    return std::nullopt;
}

int filterIndexOfName(const String& path, const std::vector<FileFilter>& filters, int fallback) {
    std::string_view name = path.view();
    size_t slash = name.rfind('/');
    if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size()) return fallback;
    std::string_view extension = name.substr(dot + 1);
    for (size_t index = 0; index < filters.size(); ++index)
        for (std::string_view pattern : splitPatterns(filters[index].patterns.view()))
            if (pattern.size() > 2 && pattern.substr(0, 2) == "*." && equalsIgnoringCase(pattern.substr(2), extension))
                return static_cast<int>(index);
    return fallback;
}

}  // namespace chooser

// --- DesktopDialogs ------------------------------------------------------------

namespace {

uint32_t messageIconFlag(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Error: return SDL_MESSAGEBOX_ERROR;
        case MessageIcon::Warning: return SDL_MESSAGEBOX_WARNING;
        case MessageIcon::Information:
        case MessageIcon::Question: return SDL_MESSAGEBOX_INFORMATION;
        case MessageIcon::None: return 0;
    }
    return 0;
}

bool folderOfExists(const String& path) {
    std::error_code error;
    std::filesystem::path parent = std::filesystem::path(path.str()).parent_path();
    if (parent.empty()) return true;
    return std::filesystem::is_directory(parent, error);
}

}  // namespace

DesktopDialogs::DesktopDialogs(platform::Window* window) : window_(window) {}

void DesktopDialogs::show() {
    if (window_ != nullptr) window_->showSystemCursor(true);
}

void DesktopDialogs::hide() {
    if (window_ != nullptr) window_->showSystemCursor(false);
}

unsigned long DesktopDialogs::parentWindowId() const {
    return window_ != nullptr ? platform::desktopWindowIdOf(*window_) : 0;
}

MessageAnswer DesktopDialogs::messageBox(const String& caption, const String& text, MessageButtons buttons,
                                         MessageIcon icon) {
    enum { kOk = 0, kYes = 1, kNo = 2 };
    const SDL_MessageBoxButtonData okButton[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kOk, "OK"}};
    const SDL_MessageBoxButtonData yesNoButtons[] = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, kYes, "Yes"},
                                                     {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kNo, "No"}};
    bool yesNo = buttons == MessageButtons::YesNo;
    MessageAnswer closed = yesNo ? MessageAnswer::No : MessageAnswer::Ok;

    SDL_MessageBoxData box{};
    box.flags = messageIconFlag(icon) | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    box.window = window_ != nullptr ? platform::sdlWindowOf(*window_) : nullptr;
    box.title = caption.text();
    box.message = text.text();
    box.numbuttons = yesNo ? 2 : 1;
    box.buttons = yesNo ? yesNoButtons : okButton;

    int chosen = -1;
    if (SDL_ShowMessageBox(&box, &chosen) != 0) {
        String reason("Could not show the message box: ");
        reason.append(String(SDL_GetError()));
        Logger::instance().error(String("DesktopDialogs::messageBox"), reason);
        return closed;
    }
    if (chosen == kYes) return MessageAnswer::Yes;
    if (chosen == kNo) return MessageAnswer::No;
    return closed;
}

chooser::ProgramResult DesktopDialogs::runChooser(const std::vector<std::string>& arguments) {
    chooser::ProgramResult result = chooser::runProgram(arguments);
    if (!result.started) {
        Logger::instance().error(String("DesktopDialogs"), String("Could not run the dialog program zenity"));
        messageBox("Plastora", "This dialog needs the program \"zenity\", which could not be started.",
                   MessageButtons::Ok, MessageIcon::Error);
    }
    return result;
}

std::optional<String> DesktopDialogs::openFile(const String& title, const std::vector<FileFilter>& filters) {
    return chooser::parseSingleFile(runChooser(chooser::openFileArguments(title, filters, false, parentWindowId())));
}

std::optional<std::vector<String>> DesktopDialogs::openFiles(const String& title,
                                                             const std::vector<FileFilter>& filters) {
    return chooser::parseFileList(runChooser(chooser::openFileArguments(title, filters, true, parentWindowId())));
}

std::optional<SavedFile> DesktopDialogs::saveFile(const String& title, const std::vector<FileFilter>& filters,
                                                  int initialFilter) {
    for (;;) {
        std::optional<String> path =
            chooser::parseSingleFile(runChooser(chooser::saveFileArguments(title, filters, initialFilter, parentWindowId())));
        if (!path) return std::nullopt;
        if (folderOfExists(*path)) return SavedFile{*path, chooser::filterIndexOfName(*path, filters, initialFilter)};
        String message("The folder of this file does not exist:\n");
        message.append(*path);
        messageBox(title, message, MessageButtons::Ok, MessageIcon::Warning);
    }
}

std::optional<Rgb> DesktopDialogs::chooseColour(const Rgb& initial) {
    return chooser::parseColour(runChooser(chooser::colourArguments(initial, parentWindowId())));
}

std::optional<SliderValueAnswer> DesktopDialogs::sliderValue(const String& initialText, bool minimumAdjustable,
                                                            bool maximumAdjustable) {
    unsigned long parent = parentWindowId();
    std::optional<chooser::SliderStep> step = chooser::parseSliderValue(
        runChooser(chooser::sliderValueArguments(initialText, minimumAdjustable, maximumAdjustable, parent)));
    if (step && step->needsBound) {
        SliderValueAction action = step->action;
        step = chooser::parseSliderValue(runChooser(chooser::boundValueArguments(action, initialText, parent)));
        if (step) step->action = action;
    }
    if (!step) return std::nullopt;
    return SliderValueAnswer{step->action, step->text};
}
