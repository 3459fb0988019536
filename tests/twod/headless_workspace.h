// A Workspace without a window or renderer, for testing the modes: it keeps
// the settings, the keys, the pointer and the long operations, answers
// dialogs from a script, and records what the modes asked of it.
#pragma once

#include "core/configuration.h"
#include "core/long_operations.h"
#include "gui/key_table.h"
#include "gui/workspace.h"
#include "gui/workspace_mode.h"
#include "platform/scripted_dialogs.h"

#include <functional>
#include <string>
#include <vector>

class HeadlessWorkspace : public Workspace {
public:
    explicit HeadlessWorkspace(int width = 1280, int height = 800) : width_(width), height_(height) {}

    // The modes to route events and commands to; set by the test.
    std::function<WorkspaceMode*()> currentModeObject;

    DxRenderer* renderer() const override { return nullptr; }
    gfx::GraphicsDevice* device() const override { return nullptr; }
    Camera* camera() const override { return nullptr; }
    TextureManager* textures() const override { return nullptr; }
    int backBufferWidth() const override { return width_; }
    int backBufferHeight() const override { return height_; }
    void drawFrame() override { ++frames; }
    Settings& settings() override { return settingsValue; }
    String applicationDirectory() const override { return String("./"); }
    Dialogs& dialogs() override { return scripted; }
    SystemCursor& systemCursor() override { return scripted; }
    void setCursor(int kind) override { cursor = kind; }
    void warpPointer(float x, float y) override {
        x_ = x;
        y_ = y;
    }
    float pointerX() const override { return x_; }
    float pointerY() const override { return y_; }
    const KeyTable& keyTable() const override { return keys; }
    void clearKeyTable() override { keys.markAllUp(); }
    int currentMode() const override { return mode; }
    void switchToTwoD() override { switches.push_back(1); mode = 1; }
    void switchToThreeD() override { switches.push_back(2); mode = 2; }
    void menuCommand(const String& text) override {
        commands.push_back(text.str());
        if (WorkspaceMode* target = currentModeObject ? currentModeObject() : nullptr) target->onMenuCommand(text);
    }
    void newProject() override { ++newProjects; }
    bool quit() override { return ++quits > 0; }
    WindowFrame windowFrame() const override { return frame; }
    void placeWindow(int x, int y, int width, int height) override { frame = WindowFrame{x, y, width, height, 1920, 1080}; }
    void minimiseWindow() override { ++minimised; }
    void maximiseWindow() override { ++maximised; }
    float toWindowX(float x) const override { return x; }
    float toWindowY(float y) const override { return y; }
    LongOperations& longOperations() override { return operations; }

    // Key presses as the application makes them: the key table first, then
    // the mode.
    void keyDown(WorkspaceMode& target, int key) {
        keys.press(key);
        target.onKeyDown(key);
    }
    void keyUp(WorkspaceMode& target, int key) {
        keys.release(key);
        target.onKeyUp(key);
    }
    void pressKey(WorkspaceMode& target, int key) {
        keyDown(target, key);
        keyUp(target, key);
    }

    Settings settingsValue;
    ScriptedDialogs scripted;
    KeyTable keys;
    LongOperations operations;
    WindowFrame frame{100, 50, 1280, 800, 1920, 1080};
    int mode = 1;
    int cursor = 0;
    int frames = 0;
    int newProjects = 0;
    int quits = 0;
    int minimised = 0;
    int maximised = 0;
    std::vector<int> switches;
    std::vector<std::string> commands;

private:
    int width_;
    int height_;
    float x_ = 0.0f;
    float y_ = 0.0f;
};
