#include "app/script/script_player.h"

#include "render/image_file.h"

#include <filesystem>
#include <system_error>

namespace {

using platform::MessageKind;
using platform::WindowMessage;

constexpr int kWheelNotch = 120;

WindowMessage keyMessage(MessageKind kind, int key) {
    WindowMessage message;
    message.kind = kind;
    message.key = key;
    return message;
}

WindowMessage pointerMessage(MessageKind kind, int x, int y) {
    WindowMessage message;
    message.kind = kind;
    message.x = x;
    message.y = y;
    return message;
}

MessageKind buttonDown(ScriptButton button) {
    switch (button) {
        case ScriptButton::Right: return MessageKind::RButtonDown;
        case ScriptButton::Middle: return MessageKind::MButtonDown;
        case ScriptButton::Left: break;
    }
    return MessageKind::LButtonDown;
}

MessageKind buttonUp(ScriptButton button) {
    switch (button) {
        case ScriptButton::Right: return MessageKind::RButtonUp;
        case ScriptButton::Middle: return MessageKind::MButtonUp;
        case ScriptButton::Left: break;
    }
    return MessageKind::LButtonUp;
}

MessageKind buttonDoubleClick(ScriptButton button) {
    switch (button) {
        case ScriptButton::Right: return MessageKind::RButtonDblClk;
        case ScriptButton::Middle: return MessageKind::MButtonDblClk;
        case ScriptButton::Left: break;
    }
    return MessageKind::LButtonDblClk;
}

std::vector<String> toStrings(const std::vector<std::string>& paths) {
    std::vector<String> result;
    result.reserve(paths.size());
    for (const std::string& path : paths) result.emplace_back(path.c_str());
    return result;
}

std::string atLine(int line) { return "line " + std::to_string(line) + ": "; }

}  // namespace

bool writeScreenshot(gfx::GraphicsDevice& device, const std::string& path, std::string& error) {
    RgbaImage image;
    if (!device.readBackBuffer(image.pixels, image.width, image.height)) {
        error = "the frame could not be read back from the drawing device";
        return false;
    }
    // The back buffer has no meaningful alpha: the picture is stored opaque.
    image.hasAlpha = false;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) {
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
    }
    String reason;
    if (!encodeImageFile(String(path.c_str()), image, reason)) {
        error = reason.str();
        return false;
    }
    return true;
}

ScriptPlayer::ScriptPlayer(Script script, ScriptedDialogs& dialogs, PostMessage post, bool quitAtEnd,
                           std::FILE* output)
    : script_(std::move(script)), dialogs_(dialogs), post_(std::move(post)), quitAtEnd_(quitAtEnd), output_(output) {}

int ScriptPlayer::nextLine() const {
    if (pendingScreenshot_ >= 0) return script_.commands[static_cast<size_t>(pendingScreenshot_)].line;
    if (next_ < script_.commands.size()) return script_.commands[next_].line;
    return 0;
}

void ScriptPlayer::beforeFrame(gfx::GraphicsDevice* device) {
    // Screenshots read frames that have already been shown.
    if (device != nullptr) device->keepFramesForReadBack(true);
    if (waitFrames_ > 0 || pendingScreenshot_ >= 0 || closePosted_) return;
    while (next_ < script_.commands.size()) {
        const ScriptCommand& command = script_.commands[next_];
        ++next_;
        if (!run(command, device)) return;
    }
    if (quitAtEnd_) postClose();
}

void ScriptPlayer::afterFrame(gfx::GraphicsDevice* device) {
    ++frames_;
    messagesWaiting_ = false;
    if (pendingScreenshot_ >= 0) {
        const ScriptCommand& command = script_.commands[static_cast<size_t>(pendingScreenshot_)];
        pendingScreenshot_ = -1;
        takeScreenshot(command, device);
    }
    if (waitFrames_ > 0) --waitFrames_;
}

bool ScriptPlayer::run(const ScriptCommand& command, gfx::GraphicsDevice* device) {
    switch (command.kind) {
        case ScriptCommandKind::Answer:
            queueAnswer(command.answer);
            return true;
        case ScriptCommandKind::Wait:
            waitFrames_ = command.frames;
            return waitFrames_ == 0;
        case ScriptCommandKind::Screenshot:
            if (messagesWaiting_) {
                pendingScreenshot_ = static_cast<int>(next_ - 1);
                return false;
            }
            takeScreenshot(command, device);
            return true;
        case ScriptCommandKind::Echo:
            if (output_ != nullptr) {
                std::fprintf(output_, "%s\n", command.text.c_str());
                std::fflush(output_);
            }
            return true;
        case ScriptCommandKind::Quit:
            postClose();
            return false;
        case ScriptCommandKind::Choose:
        case ScriptCommandKind::WaitIdle:
        case ScriptCommandKind::State: {
            // These look at the program after everything before them.
            bool done = !messagesWaiting_;
            if (done && command.kind == ScriptCommandKind::Choose) done = choose(command);
            if (done && command.kind == ScriptCommandKind::WaitIdle) done = waitIdle(command);
            if (done && command.kind == ScriptCommandKind::State) writeState(command);
            if (!done && !closePosted_) --next_;
            return done;
        }
        default:
            postInput(command);
            return true;
    }
}

void ScriptPlayer::postInput(const ScriptCommand& command) {
    switch (command.kind) {
        case ScriptCommandKind::KeyDown: post(keyMessage(MessageKind::KeyDown, command.key)); break;
        case ScriptCommandKind::KeyUp: post(keyMessage(MessageKind::KeyUp, command.key)); break;
        case ScriptCommandKind::Key:
            post(keyMessage(MessageKind::KeyDown, command.key));
            post(keyMessage(MessageKind::KeyUp, command.key));
            break;
        case ScriptCommandKind::Move: post(pointerMessage(MessageKind::MouseMove, command.x, command.y)); break;
        case ScriptCommandKind::Press: post(pointerMessage(buttonDown(command.button), command.x, command.y)); break;
        case ScriptCommandKind::Release: post(pointerMessage(buttonUp(command.button), command.x, command.y)); break;
        case ScriptCommandKind::DoubleClick:
            // What the desktop sends for a double click.
            post(pointerMessage(buttonDown(command.button), command.x, command.y));
            post(pointerMessage(buttonUp(command.button), command.x, command.y));
            post(pointerMessage(buttonDoubleClick(command.button), command.x, command.y));
            post(pointerMessage(buttonUp(command.button), command.x, command.y));
            break;
        case ScriptCommandKind::Wheel: {
            const int notches = command.wheelSteps > 0 ? command.wheelSteps : -command.wheelSteps;
            WindowMessage message;
            message.kind = MessageKind::MouseWheel;
            message.wheelDelta = command.wheelSteps > 0 ? kWheelNotch : -kWheelNotch;
            for (int i = 0; i < notches; ++i) post(message);
            break;
        }
        case ScriptCommandKind::Drop: {
            WindowMessage message;
            message.kind = MessageKind::DropFiles;
            message.files = command.paths;
            post(message);
            break;
        }
        default: break;
    }
}

void ScriptPlayer::post(const WindowMessage& message) {
    post_(message);
    messagesWaiting_ = true;
}

void ScriptPlayer::postClose() {
    if (closePosted_) return;
    WindowMessage message;
    message.kind = MessageKind::Close;
    post(message);
    closePosted_ = true;
}

void queueScriptAnswer(ScriptedDialogs& dialogs, const ScriptAnswer& answer) {
    switch (answer.kind) {
        case ScriptAnswerKind::Yes: dialogs.answerMessage(MessageAnswer::Yes); break;
        case ScriptAnswerKind::No: dialogs.answerMessage(MessageAnswer::No); break;
        case ScriptAnswerKind::Ok: dialogs.answerMessage(MessageAnswer::Ok); break;
        case ScriptAnswerKind::Cancel: dialogs.answerCancel(); break;
        case ScriptAnswerKind::File: dialogs.answerOpenFile(String(answer.paths.front().c_str())); break;
        case ScriptAnswerKind::Files: dialogs.answerOpenFiles(toStrings(answer.paths)); break;
        case ScriptAnswerKind::Save:
            dialogs.answerSaveFile(String(answer.paths.front().c_str()), answer.filterIndex);
            break;
        case ScriptAnswerKind::Colour: dialogs.answerColour(answer.colour); break;
        case ScriptAnswerKind::Slider: dialogs.answerSliderValue(answer.sliderAction, String(answer.text.c_str())); break;
    }
}

void ScriptPlayer::queueAnswer(const ScriptAnswer& answer) { queueScriptAnswer(dialogs_, answer); }

void ScriptPlayer::append(std::vector<ScriptCommand> commands) {
    for (ScriptCommand& command : commands) script_.commands.push_back(std::move(command));
}

void ScriptPlayer::fault(const ScriptCommand& command, const std::string& text) {
    errors_.push_back(atLine(command.line) + text);
    next_ = script_.commands.size();
    waitingIdle_ = false;
    chooseClicks_ = 0;
    postClose();
}

void ScriptPlayer::click(int x, int y) {
    post(pointerMessage(MessageKind::MouseMove, x, y));
    post(pointerMessage(MessageKind::LButtonDown, x, y));
    post(pointerMessage(MessageKind::LButtonUp, x, y));
}

bool ScriptPlayer::choose(const ScriptCommand& command) {
    const std::string what = "choose \"" + command.menu + "\" \"" + command.item + "\": ";
    if (host_ == nullptr) {
        fault(command, what + "the program offers no menus here");
        return true;
    }
    const ScriptHost::MenuItemPlace place = host_->findMenuItem(command.menu, command.item);
    if (!place.menuFound) {
        fault(command, what + "there is no menu \"" + command.menu + "\"");
        return true;
    }
    if (!place.menuOpen) {
        // A click on another open menu's title only closes that one.
        if (chooseClicks_ >= 2) {
            fault(command, what + "the menu did not open");
            return true;
        }
        ++chooseClicks_;
        click(place.titleX, place.titleY);
        return false;
    }
    chooseClicks_ = 0;
    if (!place.itemFound) {
        fault(command, what + "the menu \"" + command.menu + "\" has no item \"" + command.item + "\"");
        return true;
    }
    if (!place.itemEnabled) {
        fault(command, what + "the item \"" + command.item + "\" is disabled");
        return true;
    }
    click(place.itemX, place.itemY);
    return true;
}

bool ScriptPlayer::waitIdle(const ScriptCommand& command) {
    if (host_ == nullptr) return true;
    const auto now = std::chrono::steady_clock::now();
    if (!waitingIdle_) {
        waitingIdle_ = true;
        idleDeadline_ = now + std::chrono::seconds(kScriptIdleTimeoutSeconds);
    }
    std::string running;
    if (!host_->isBusy(running)) {
        waitingIdle_ = false;
        return true;
    }
    if (now >= idleDeadline_) {
        fault(command, "wait idle: still busy after " + std::to_string(kScriptIdleTimeoutSeconds) + " s (" + running +
                           ")");
        return true;
    }
    return false;
}

void ScriptPlayer::writeState(const ScriptCommand& command) {
    std::string error = "the program offers no state here";
    if (host_ != nullptr && host_->writeState(command.path, error)) return;
    errors_.push_back(atLine(command.line) + "cannot write the state " + command.path + ": " + error);
}

void ScriptPlayer::takeScreenshot(const ScriptCommand& command, gfx::GraphicsDevice* device) {
    if (device == nullptr) {
        errors_.push_back(atLine(command.line) + "no drawing device to take the screenshot " + command.path + " from");
        return;
    }
    std::string error;
    if (!writeScreenshot(*device, command.path, error)) {
        errors_.push_back(atLine(command.line) + "cannot write the screenshot " + command.path + ": " + error);
        return;
    }
    screenshots_.push_back(command.path);
}
