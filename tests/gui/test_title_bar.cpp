// The title bar both modes share: window drags by the grip, the resize button
// and the keyboard, ESC putting the window back, the window buttons, and the
// ALT keys and menu keys of a mode.
#include "gui/title_bar.h"

#include "../twod/headless_workspace.h"
#include "gui/gui_menu.h"

#include <gtest/gtest.h>

namespace {

constexpr InputIdentifier kLeft = InputIdentifier::MouseButton0;

// A mode with one menu, which records the keys the frame left to it.
struct PlainMode : WorkspaceMode {
    explicit PlainMode(Workspace& workspace) : WorkspaceMode(workspace, 1) {
        GuiMenu& file = addMenu("File", "Make file operations (ALT key + f).");
        file.addItem(String("New Project"), String("Start a new project."));
        file.addItem(String("Quit"), String("Quit Plastora."));
        addInfoMenu();
        finishMenus();
    }
    std::vector<int> keys;
    bool onMenuCommand(const String& text) override {
        commands.push_back(text.str());
        return true;
    }
    std::vector<std::string> commands;

protected:
    void keyDown(int key) override { keys.push_back(key); }
};

class TitleBarTest : public ::testing::Test {
protected:
    void SetUp() override { workspace.currentModeObject = [this] { return &mode; }; }
    HeadlessWorkspace workspace;
    PlainMode mode{workspace};
};

TEST_F(TitleBarTest, DragsMoveAndSizeTheWindowAndEscapePutsItBack) {
    TitleBar& bar = mode.titleBar();
    const WindowFrame start = workspace.frame;
    // Press on the free part of the bar and drag.
    const float gripX = static_cast<float>(bar.resizeButton().left() - 20);
    mode.onMouseMove(gripX, 10.0f);
    mode.onMouseDown(kLeft, gripX, 10.0f);
    mode.onMouseMove(gripX + 40.0f, 25.0f);
    EXPECT_EQ(workspace.frame.x, start.x + 40);
    EXPECT_EQ(workspace.frame.y, start.y + 15);
    mode.onMouseUp(kLeft, gripX + 40.0f, 25.0f);
    EXPECT_EQ(bar.drag(), TitleBar::Drag::None);

    // ALT+W: the pointer goes to the resize button; the window follows until ESC.
    const WindowFrame moved = workspace.frame;
    workspace.keyDown(mode, kKeyAlt);
    workspace.pressKey(mode, 'W');
    workspace.keyUp(mode, kKeyAlt);
    EXPECT_EQ(bar.drag(), TitleBar::Drag::Scale);
    EXPECT_NEAR(workspace.pointerX(), (bar.resizeButton().left() + bar.resizeButton().right()) / 2.0f, 1.0f);
    mode.onMouseMove(workspace.pointerX() - 2000.0f, workspace.pointerY() + 30.0f);
    EXPECT_EQ(workspace.frame.width, TitleBar::kLeastWindowWidth);
    EXPECT_EQ(workspace.frame.height, moved.height + 30);
    workspace.pressKey(mode, kKeyEscape);
    EXPECT_EQ(workspace.frame.width, moved.width);
    EXPECT_EQ(workspace.frame.height, moved.height);
    EXPECT_TRUE(mode.keys.empty());  // ESC was the drag's

    // ALT+Q moves until the next click, which does nothing else.
    workspace.keyDown(mode, kKeyAlt);
    workspace.pressKey(mode, 'Q');
    workspace.keyUp(mode, kKeyAlt);
    mode.onMouseMove(workspace.pointerX() + 10.0f, workspace.pointerY());
    EXPECT_EQ(workspace.frame.x, moved.x + 10);
    mode.onMouseDown(kLeft, workspace.pointerX(), workspace.pointerY());
    EXPECT_EQ(bar.drag(), TitleBar::Drag::None);
}

TEST_F(TitleBarTest, AltLettersReachTheWindowButtonsAndMenusAndKeysWorkTheMenu) {
    workspace.keyDown(mode, kKeyAlt);
    EXPECT_NE(mode.helpText().str().find("ALT key pressed."), std::string::npos);
    workspace.pressKey(mode, 'E');
    workspace.pressKey(mode, 'R');
    workspace.pressKey(mode, 'T');
    EXPECT_EQ(workspace.minimised, 1);
    EXPECT_EQ(workspace.maximised, 1);
    EXPECT_EQ(workspace.quits, 1);
    workspace.pressKey(mode, 'F');
    workspace.keyUp(mode, kKeyAlt);
    EXPECT_EQ(mode.openMenuName().str(), "File");

    // While the menu is open the keys are the menu's.
    workspace.pressKey(mode, 'S');
    EXPECT_TRUE(mode.keys.empty());
    workspace.pressKey(mode, kKeyDown);
    workspace.pressKey(mode, kKeyReturn);
    EXPECT_EQ(workspace.commands, std::vector<std::string>{"Quit"});
    EXPECT_EQ(mode.openMenuName().str(), "");

    workspace.keyDown(mode, kKeyAlt);
    workspace.pressKey(mode, 'I');
    workspace.keyUp(mode, kKeyAlt);
    workspace.pressKey(mode, kKeyLeft);
    EXPECT_EQ(mode.openMenuName().str(), "File");
    workspace.pressKey(mode, kKeyEscape);
    EXPECT_EQ(mode.openMenuName().str(), "");
    workspace.pressKey(mode, 'S');
    EXPECT_EQ(mode.keys, std::vector<int>{'S'});
}

TEST_F(TitleBarTest, ABusyModeHoldsALongOperationUntilItIsReady) {
    mode.setBusy(true);
    mode.setBusy(true);
    EXPECT_TRUE(workspace.operations.isBusy());
    EXPECT_FALSE(mode.statusBar().isReady());
    mode.setBusy(false);
    EXPECT_FALSE(workspace.operations.isBusy());
    EXPECT_TRUE(mode.statusBar().isReady());
}

}  // namespace
