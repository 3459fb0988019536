#include "app/script/soak.h"

#include "platform/input_identifiers.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

// Menu items a soak never chooses: they reach out to the network or the
// desktop, which a test run must not depend on.
const char* const kOutsideItems[] = {"Check For Update...", "Go To Homepage..."};

// Keys a user presses: letters, digits, function keys and the keys of the
// view and the lists; TAB (the mode switch) and ESC more often.
const int kKeys[] = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P', 'Q', 'R',
                     'S', 'T', 'U', 'V', 'W', 'X', 'Y', 'Z', '0', '1', '2', '3', '4', '5', '6', '7', '8', '9',
                     0x70, 0x71, 0x72, 0x73, 0x74,  // F1 .. F5
                     0x09, 0x09, 0x09, 0x1B, 0x1B, 0x20, 0x0D, 0x2E, 0x08, 0x25, 0x26, 0x27, 0x28};
// SHIFT, CTRL, ALT.
const int kModifiers[] = {0x10, 0x11, 0x12};

ScriptCommand keyCommand(ScriptCommandKind kind, int key) {
    ScriptCommand command;
    command.kind = kind;
    command.key = key;
    return command;
}

ScriptCommand pointerCommand(ScriptCommandKind kind, int x, int y, ScriptButton button = ScriptButton::Left) {
    ScriptCommand command;
    command.kind = kind;
    command.x = x;
    command.y = y;
    command.button = button;
    return command;
}

bool isOutsideItem(const std::string& label) {
    return std::any_of(std::begin(kOutsideItems), std::end(kOutsideItems),
                       [&](const char* item) { return label == item; });
}

bool isCounted(ScriptCommandKind kind) {
    return kind != ScriptCommandKind::Wait && kind != ScriptCommandKind::WaitIdle && kind != ScriptCommandKind::State;
}

}  // namespace

SoakGenerator::SoakGenerator(std::uint32_t seed, SoakFiles files) : random_(seed), files_(std::move(files)) {}

int SoakGenerator::below(int bound) {
    if (bound <= 1) return 0;
    return std::uniform_int_distribution<int>(0, bound - 1)(random_);
}

bool SoakGenerator::chance(int percent) { return below(100) < percent; }

int SoakGenerator::between(int low, int high) { return low + below(high - low + 1); }

void SoakGenerator::add(std::vector<ScriptCommand>& step, ScriptCommand command) {
    if (isCounted(command.kind)) ++events_;
    step.push_back(std::move(command));
}

void SoakGenerator::point(const SoakView& view, int& x, int& y) {
    x = below(std::max(1, view.width));
    y = below(std::max(1, view.height));
}

void SoakGenerator::pointIn(const SoakRect& rect, int& x, int& y) {
    x = between(rect.left, std::max(rect.left, rect.right - 1));
    y = between(rect.top, std::max(rect.top, rect.bottom - 1));
}

void SoakGenerator::pointOnControlOrAnywhere(const SoakView& view, int& x, int& y) {
    if (!view.controls.empty() && chance(70)) {
        pointIn(view.controls[static_cast<size_t>(below(static_cast<int>(view.controls.size())))], x, y);
    } else {
        point(view, x, y);
    }
}

void SoakGenerator::click(const SoakView& view, std::vector<ScriptCommand>& step) {
    int x = 0, y = 0;
    pointOnControlOrAnywhere(view, x, y);
    const ScriptButton button = chance(80) ? ScriptButton::Left : chance(50) ? ScriptButton::Right : ScriptButton::Middle;
    add(step, pointerCommand(ScriptCommandKind::Move, x, y));
    if (chance(12)) {
        add(step, pointerCommand(ScriptCommandKind::DoubleClick, x, y, button));
        return;
    }
    add(step, pointerCommand(ScriptCommandKind::Press, x, y, button));
    add(step, pointerCommand(ScriptCommandKind::Release, x, y, button));
}

void SoakGenerator::drag(const SoakView& view, std::vector<ScriptCommand>& step) {
    int x = 0, y = 0;
    pointOnControlOrAnywhere(view, x, y);
    const ScriptButton button = chance(60) ? ScriptButton::Left : chance(50) ? ScriptButton::Right : ScriptButton::Middle;
    add(step, pointerCommand(ScriptCommandKind::Move, x, y));
    add(step, pointerCommand(ScriptCommandKind::Press, x, y, button));
    const int moves = between(1, 6);
    for (int i = 0; i < moves; ++i) {
        x = std::clamp(x + between(-120, 120), -20, view.width + 20);
        y = std::clamp(y + between(-120, 120), -20, view.height + 20);
        add(step, pointerCommand(ScriptCommandKind::Move, x, y));
    }
    if (chance(15)) add(step, keyCommand(ScriptCommandKind::Key, 0x1B));  // ESC puts the drag back
    add(step, pointerCommand(ScriptCommandKind::Release, x, y, button));
}

void SoakGenerator::keys(const SoakView& view, std::vector<ScriptCommand>& step) {
    const int key = kKeys[below(static_cast<int>(std::size(kKeys)))];
    const int modifier = chance(25) ? kModifiers[below(static_cast<int>(std::size(kModifiers)))] : 0;
    if (modifier != 0) add(step, keyCommand(ScriptCommandKind::KeyDown, modifier));
    if (chance(20)) {
        // Held a while: gestures follow the pointer while their key is down.
        add(step, keyCommand(ScriptCommandKind::KeyDown, key));
        const int moves = between(1, 4);
        for (int i = 0; i < moves; ++i) {
            int x = 0, y = 0;
            point(view, x, y);
            add(step, pointerCommand(ScriptCommandKind::Move, x, y));
        }
        add(step, keyCommand(ScriptCommandKind::KeyUp, key));
    } else {
        add(step, keyCommand(ScriptCommandKind::Key, key));
    }
    if (modifier != 0) add(step, keyCommand(ScriptCommandKind::KeyUp, modifier));
}

void SoakGenerator::wheel(const SoakView& view, std::vector<ScriptCommand>& step) {
    int x = 0, y = 0;
    pointOnControlOrAnywhere(view, x, y);
    add(step, pointerCommand(ScriptCommandKind::Move, x, y));
    const int modifier = chance(25) ? kModifiers[below(2)] : 0;  // SHIFT or CTRL
    if (modifier != 0) add(step, keyCommand(ScriptCommandKind::KeyDown, modifier));
    ScriptCommand command;
    command.kind = ScriptCommandKind::Wheel;
    command.wheelSteps = chance(50) ? between(1, 3) : -between(1, 3);
    add(step, command);
    if (modifier != 0) add(step, keyCommand(ScriptCommandKind::KeyUp, modifier));
}

void SoakGenerator::startAndStop(std::vector<ScriptCommand>& step) {
    // "Sculpture" (S, or SHIFT+S) or "Texturise" (T), mostly stopped with ESC
    // after a few frames.
    const int key = chance(70) ? 'S' : 'T';
    const bool shifted = key == 'S' && chance(30);
    if (shifted) add(step, keyCommand(ScriptCommandKind::KeyDown, 0x10));
    add(step, keyCommand(ScriptCommandKind::Key, key));
    if (shifted) add(step, keyCommand(ScriptCommandKind::KeyUp, 0x10));
    if (chance(85)) {
        ScriptCommand wait;
        wait.kind = ScriptCommandKind::Wait;
        wait.frames = between(1, 8);
        add(step, wait);
        add(step, keyCommand(ScriptCommandKind::Key, 0x1B));
    }
}

void SoakGenerator::menu(const SoakView& view, std::vector<ScriptCommand>& step) {
    if (view.menus.empty()) return;
    openMenu(view.menus[static_cast<size_t>(below(static_cast<int>(view.menus.size())))], step);
}

void SoakGenerator::openMenu(const SoakMenu& menu, std::vector<ScriptCommand>& step) {
    // ESC closes a menu left open, then a click opens this one: its items
    // are brought up to date as it opens, and the next step chooses one of
    // the enabled ones while it is open.
    int x = 0, y = 0;
    pointIn(menu.title, x, y);
    add(step, keyCommand(ScriptCommandKind::Key, 0x1B));
    add(step, pointerCommand(ScriptCommandKind::Move, x, y));
    add(step, pointerCommand(ScriptCommandKind::Press, x, y));
    add(step, pointerCommand(ScriptCommandKind::Release, x, y));
    openedMenu_ = menu.name;
}

void SoakGenerator::startAfresh(const SoakView& view, std::vector<ScriptCommand>& step) {
    for (const SoakMenu& menu : view.menus) {
        if (menu.name != "File") continue;
        openMenu(menu, step);
        wantedItem_ = "New Project";
        return;
    }
}

std::string SoakGenerator::anyFile() {
    const int kind = below(10);
    const std::vector<std::string>& list = kind < 6 ? files_.pictures : kind < 8 ? files_.projects : files_.junk;
    if (list.empty()) return files_.folder + "/nothing here.png";
    return list[static_cast<size_t>(below(static_cast<int>(list.size())))];
}

void SoakGenerator::drop(std::vector<ScriptCommand>& step) {
    ScriptCommand command;
    command.kind = ScriptCommandKind::Drop;
    const int count = between(1, 3);
    for (int i = 0; i < count; ++i) command.paths.push_back(anyFile());
    add(step, command);
}

std::vector<ScriptCommand> SoakGenerator::nextStep(const SoakView& view) {
    std::vector<ScriptCommand> step;
    if (!openedMenu_.empty()) {
        const std::string name = openedMenu_;
        const std::string wanted = wantedItem_;
        openedMenu_.clear();
        wantedItem_.clear();
        for (const SoakMenu& menu : view.menus) {
            if (menu.name != name || view.openMenu != name) continue;
            std::vector<const SoakMenuItem*> enabled;
            for (const SoakMenuItem& item : menu.items) {
                if (item.enabled && !isOutsideItem(item.label)) enabled.push_back(&item);
            }
            if (enabled.empty()) break;
            ScriptCommand command;
            command.kind = ScriptCommandKind::Choose;
            command.menu = name;
            const auto isWanted = [&wanted](const SoakMenuItem* item) { return item->label == wanted; };
            const auto found = std::find_if(enabled.begin(), enabled.end(), isWanted);
            command.item = found != enabled.end() ? (*found)->label
                                                  : enabled[static_cast<size_t>(below(static_cast<int>(enabled.size())))]->label;
            add(step, command);
            break;
        }
    }
    if (step.empty() && view.images >= kCrowdedProject && chance(20)) startAfresh(view, step);
    if (step.empty()) {
        const int roll = below(100);
        if (roll < 24) click(view, step);
        else if (roll < 38) drag(view, step);
        else if (roll < 58) keys(view, step);
        else if (roll < 66) wheel(view, step);
        else if (roll < 76) menu(view, step);
        else if (roll < 78 && view.mode == 2) startAndStop(step);
        else if (roll < 82) drop(step);
        else if (roll < 85) {
            ScriptCommand wait;
            wait.kind = ScriptCommandKind::Wait;
            wait.frames = between(1, 5);
            add(step, wait);
        } else if (roll < 86) {
            ScriptCommand state;
            state.kind = ScriptCommandKind::State;
            state.path = files_.folder + "/state.json";
            add(step, state);
        } else {
            int x = 0, y = 0;
            point(view, x, y);
            add(step, pointerCommand(ScriptCommandKind::Move, x, y));
        }
    }
    ScriptCommand idle;
    idle.kind = ScriptCommandKind::WaitIdle;
    step.push_back(idle);
    return step;
}

std::string SoakGenerator::savePath() {
    static const char* const kEndings[] = {"", ".qz", ".png", ".bmp", ".jpg", ".tga", ".obj", ".wrl", ".txt"};
    const long number = saves_++ % 20;  // names come back: existing files get overwritten
    std::string path = files_.folder;
    if (chance(5)) path += "/no such folder";
    path += "/saved " + std::to_string(number) + kEndings[below(static_cast<int>(std::size(kEndings)))];
    if (chance(20)) files_.projects.push_back(path + ".qz");
    return path;
}

std::string SoakGenerator::sliderText() {
    static const char* const kOdd[] = {"", "abc", "1e30", "-1e30", "nan", "inf", "-0", "12abc", " 7", "0x10"};
    if (chance(20)) return kOdd[below(static_cast<int>(std::size(kOdd)))];
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(between(-2000, 4000)) / (chance(50) ? 1.0 : 7.0));
    return text;
}

ScriptAnswer SoakGenerator::answer(const SoakQuestion& question) {
    ++events_;
    ScriptAnswer answer;
    if (question.kind != DialogKind::MessageBox && chance(15)) {
        answer.kind = ScriptAnswerKind::Cancel;
        return answer;
    }
    switch (question.kind) {
        case DialogKind::MessageBox:
            if (question.buttons == MessageButtons::Ok) answer.kind = ScriptAnswerKind::Ok;
            else if (question.caption == "Quit Plastora?") answer.kind = ScriptAnswerKind::No;
            else answer.kind = chance(50) ? ScriptAnswerKind::Yes : ScriptAnswerKind::No;
            break;
        case DialogKind::OpenFile:
            answer.kind = ScriptAnswerKind::File;
            answer.paths = {anyFile()};
            break;
        case DialogKind::OpenFiles: {
            answer.kind = ScriptAnswerKind::Files;
            const int count = chance(70) ? between(1, 3) : between(4, 8);
            for (int i = 0; i < count; ++i) answer.paths.push_back(anyFile());
            break;
        }
        case DialogKind::SaveFile:
            answer.kind = ScriptAnswerKind::Save;
            answer.paths = {savePath()};
            answer.filterIndex = below(std::max(1, question.filterCount));
            break;
        case DialogKind::ChooseColour:
            answer.kind = ScriptAnswerKind::Colour;
            answer.colour = Rgb{static_cast<unsigned char>(below(256)), static_cast<unsigned char>(below(256)),
                                static_cast<unsigned char>(below(256))};
            break;
        case DialogKind::SliderValue: {
            answer.kind = ScriptAnswerKind::Slider;
            std::vector<SliderValueAction> actions = {SliderValueAction::SetValue, SliderValueAction::SetValue};
            if (question.minimumAdjustable) actions.push_back(SliderValueAction::SetMin);
            if (question.maximumAdjustable) actions.push_back(SliderValueAction::SetMax);
            answer.sliderAction = actions[static_cast<size_t>(below(static_cast<int>(actions.size())))];
            answer.text = sliderText();
            break;
        }
    }
    return answer;
}
