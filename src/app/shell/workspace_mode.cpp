#include "app/shell/workspace_mode.h"

#include "app/shell/application_main.h"
#include "app/shell/key_table.h"
#include "render/renderer.h"

namespace {

std::string checkKey(const String& menu, const String& label) {
    std::string key = menu.str();
    key.push_back('\n');
    key.append(label.view());
    return key;
}

}  // namespace

WorkspaceMode::WorkspaceMode(ApplicationMain& application, int number) : application_(application), number_(number) {}

void WorkspaceMode::enter() { dropGesture(); }

void WorkspaceMode::leave() {
    dropGesture();
    clearHelpText();
}

void WorkspaceMode::applySettings() {
    renderKeyShortcuts_ = application_.settings().toggleviewingkeyshortcuts;
}

void WorkspaceMode::frame() {
    DxRenderer* renderer = application_.renderer();
    if (renderer == nullptr) return;
    renderer->beginScene();
    renderer->beginSprite();
    if (application_.settings().togglehelptext) status_.draw(*renderer);
}

bool WorkspaceMode::onMenuCommand(const String& /*text*/) { return false; }

void WorkspaceMode::onCommand(int /*number*/) {}

void WorkspaceMode::onKeyDown(int key) {
    if (key == kKeyAlt) altHeld_ = true;
}

void WorkspaceMode::onKeyUp(int key) {
    if (key == kKeyAlt) altHeld_ = false;
}

void WorkspaceMode::onMouseDown(InputIdentifier button, float x, float y) {
    pointerX_ = x;
    pointerY_ = y;
    if (button == InputIdentifiers::kLeftButton) leftHeld_ = true;
    if (button == InputIdentifiers::kRightButton) rightHeld_ = true;
}

void WorkspaceMode::onMouseDoubleClick(InputIdentifier /*button*/, float x, float y) {
    pointerX_ = x;
    pointerY_ = y;
}

void WorkspaceMode::onMouseUp(InputIdentifier button, float x, float y) {
    pointerX_ = x;
    pointerY_ = y;
    if (button == InputIdentifiers::kLeftButton) leftHeld_ = false;
    if (button == InputIdentifiers::kRightButton) rightHeld_ = false;
}

void WorkspaceMode::onMouseMove(float x, float y) {
    pointerX_ = x;
    pointerY_ = y;
}

void WorkspaceMode::onMiddleDown() { middleHeld_ = true; }

void WorkspaceMode::onMiddleUp() { middleHeld_ = false; }

void WorkspaceMode::onMouseWheel(int /*step*/) {}

void WorkspaceMode::dropGesture() {
    leftHeld_ = false;
    rightHeld_ = false;
    middleHeld_ = false;
}

void WorkspaceMode::setItemChecked(const String& menu, const String& label, bool checked) {
    checks_[checkKey(menu, label)] = checked;
}

int WorkspaceMode::itemChecked(const char* menu, const char* label) const {
    auto found = checks_.find(checkKey(String(menu), String(label)));
    if (found == checks_.end()) return -1;
    return found->second ? 1 : 0;
}

void WorkspaceMode::setStatus(const String& text) { status_.setText(text); }

void WorkspaceMode::setProgress(float percent) { status_.setProgress(percent); }

void WorkspaceMode::setBusy(bool busy) {
    if (busy) {
        status_.setReady(false);
        application_.setCursor(kCursorWait);
    } else {
        status_.setReady(true);
        application_.setCursor(kCursorArrow);
    }
}

void WorkspaceMode::drawFrame() { application_.frame(); }

void WorkspaceMode::refuse(const String& helpText) { helpText_ = helpText; }

void WorkspaceMode::clearKeyTable() { application_.clearKeyTable(); }

bool WorkspaceMode::isPlainTab(int key) const {
    if (key != kKeyTab) return false;
    const KeyTable& keys = application_.keyTable();
    return !keys.isDown(kKeyShift) && !keys.isDown(kKeyControl) && !keys.isDown(kKeyAlt);
}
