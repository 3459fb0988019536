// ApplicationMain: the program's application object. On top of the window
// and renderer of Application it holds the workspace: the current mode and
// the two mode objects, the settings and the configuration tree they are
// written back into, the key table, the pointer with its seventeen pictures,
// the caption overlay, the long-operation registry, the common menu commands
// and the workspace-wide commands new project, quit and opening a dropped
// file. The modes reach it only through the Workspace interface.
//
// Every event operation passes its arguments to the current mode (1 = the
// 2D mode, 2 = the transformation mode); with any other mode number nothing
// happens.
#pragma once

#include "app/shell/application.h"
#include "core/configuration.h"
#include "core/json.h"
#include "core/long_operations.h"
#include "core/xml.h"
#include "gui/cursor_kinds.h"
#include "gui/gui_component.h"
#include "gui/key_table.h"
#include "gui/workspace.h"
#include "update/update_host.h"

#include <array>
#include <memory>

class CheckForUpdate;
class GuiMenu;
struct UpdateServer;
class Dialogs;
class SystemCursor;
class ThreeD;
class TwoD;
class WorkspaceMode;

// Mode numbers.
inline constexpr int kModeTwoD = 1;
inline constexpr int kModeThreeD = 2;

// The numbered command that starts a new project.
inline constexpr int kCommandNewProject = 40096;

// The caption the overlay shows at `step` (1, 3, 5, 7, 9, 11); null for
// every other step.
const char* captionForStep(int step);

class ApplicationMain : public Application, public UpdateHost, public Workspace, public GuiPointerSink {
public:
    // `configuration` is the tree of "config.xml" (empty when the file is
    // missing); it is kept until shut-down and written back then. Reads the
    // background colour and the logging switch from it: a non-zero
    // "logging" opens the log "log.log" in the settings directory, zero
    // turns logging off. Dialogs and system cursor must outlive the object.
    // The art is read from `applicationDirectory`; "config.xml", "log.log"
    // and "temp.txt" live in `settingsDirectory` (the application directory
    // when empty).
    ApplicationMain(platform::Window& window, int width, int height, std::unique_ptr<XmlDocument> configuration,
                    const String& applicationDirectory, Dialogs& dialogs, SystemCursor& systemCursor,
                    const String& settingsDirectory = String());
    // Stops a running update check, then deletes both modes and the tree.
    ~ApplicationMain() override;

    // --- Application
    // Does nothing: the pointer pictures follow the kinds alone.
    void setCustomCursor(Texture* texture) override;
    // Sets the pointer picture, hot spot, size and the pressed and over
    // flags of `kind` (cursor_kinds.h). While either mode's ready flag is
    // clear, kind 7 (wait) is taken whatever was asked for.
    void setCursor(int kind) override;
    // The base init; true when it succeeded.
    bool init() override;
    // Splash, both modes, the configuration applied, the pointer pictures
    // loaded, then the 2D mode entered.
    void initApplication() override;
    // Writes the current settings into "config.xml" (safely: the old file
    // stays when writing fails). Nothing is written without a tree.
    void exitApplication() override;
    // The current mode's frame, then the caption overlay and the pointer,
    // then the frame is shown.
    void frame() override;
    void onDeviceLost() override;
    void onDeviceReset() override;
    // The commands of both modes (runCommonCommand); every other text goes
    // to the current mode.
    void onMenuCommand(const String& text) override;
    // 40096 starts a new project; every number then goes to the current mode.
    void onCommand(int number) override;
    // Key table (letters folded to upper case), then the current mode.
    void onKeyDown(int key) override;
    // Key table, the caption step (N), then the current mode.
    void onKeyUp(int key) override;
    // The position is turned into back-buffer pixels and kept as the last
    // pointer position before the mode sees it.
    void onMouseDown(InputIdentifier button, float x, float y) override;
    void onMouseDoubleClick(InputIdentifier button, float x, float y) override;
    void onMouseUp(InputIdentifier button, float x, float y) override;
    // Arrow pointer, position kept, help text cleared, then the mode.
    void onMouseMove(float x, float y) override;
    void onMiddleDown() override;
    void onMiddleUp() override;
    void onMouseWheel(int step) override;
    // Clears the minimised flag; releases ALT when the current mode has it
    // pending.
    void onRestore() override;
    bool isCursorPressed() const override { return cursorPressed_; }
    bool isCursorOver() const override { return cursorOver_; }
    // By the path's last characters (case-sensitive): ".qz" adds the
    // project's images, ".bmp", ".dib", ".dds", ".jpg", ".png", ".ppm",
    // ".tga" add the picture as a new image; anything else is reported in
    // the message box "Plastora can't handle the file: %s" ("Filetype
    // unknown") and the key table is cleared. The mode does not change.
    void onDropFile(const String& path) override;
    // Both reset the input: key table cleared, drags dropped, ALT released.
    void onActivate() override;
    void onDeactivate() override;

    // --- workspace commands
    // Asks "Really deleting?"; on yes deletes every image and the sculpting
    // and placement state and shows the 2D mode's first rubric. The key
    // table is cleared in both cases.
    void newProject() override;
    // Asks "Quit Plastora?"; on yes shows "Terminating Plastora. Please
    // Wait..." in the current mode, draws a last frame and stops the loop.
    // True when the program is stopping.
    bool quit() override;
    // The transformation mode (2D mode) leaves, the other one enters; a menu
    // open in the old mode opens in the new one.
    void switchToTwoD() override;
    void switchToThreeD() override;
    // The commands answered the same in both modes:
    //  - "Quit" quits after confirmation; "About..." shows the About box;
    //  - "Render Keyshortcuts", "Render Mouse Helptext", "Render Statusbar"
    //    with " checked" / " unchecked" set their setting and the check
    //    mark in both menu bars;
    //  - "Default Settings" restores the view settings after confirmation;
    //  - "Save 3d Object..." goes to the transformation mode's export;
    //  - the update commands (runUpdateCommand).
    // False (nothing done) for any other text.
    bool runCommonCommand(const String& text);
    // The start-up update check, when the setting asks for it and a server
    // is configured.
    void startUpdateCheck();
    // Runs `text` when it is one of the update commands and returns true;
    // false (nothing done) for any other text.
    //  - "Check For Update...": the interactive check against the configured
    //    server; without one, a message box says so and nothing is sent.
    //  - "Go To Homepage...": opens the configured homepage (the window is
    //    minimised and loses the capture); without one, a message box says so.
    //  - "Check For Update At Startup checked" / "... unchecked": sets the
    //    setting (written to "config.xml" at shut-down), sets the check mark
    //    in both modes' Info menus and prints "check for update at startup
    //    checked" / "Check for update at startup unchecked".
    bool runUpdateCommand(const String& text);

    // --- UpdateHost (clearKeyTable also for everyone else: releases every
    // key held, in ascending order, through onKeyUp, then marks all up)
    void clearHelpState() override;
    void beginWait(const String& statusText) override;
    void endWait() override;
    void clearKeyTable() override;
    void releaseCapture() override;
    void minimiseWindow() override;
    bool openUrl(const String& address) override;

    // --- Workspace (what the modes may ask of the application)
    DxRenderer* renderer() const override { return Application::renderer(); }
    gfx::GraphicsDevice* device() const override { return Application::device(); }
    Camera* camera() const override { return Application::camera(); }
    TextureManager* textures() const override { return textureManager(); }
    int backBufferWidth() const override { return Application::backBufferWidth(); }
    int backBufferHeight() const override { return Application::backBufferHeight(); }
    void drawFrame() override { frame(); }
    Settings& settings() override { return settings_; }
    String applicationDirectory() const override;
    Dialogs& dialogs() override { return dialogs_; }
    SystemCursor& systemCursor() override { return systemCursor_; }
    void warpPointer(float x, float y) override;
    float pointerX() const override { return mouseX_; }
    float pointerY() const override { return mouseY_; }
    const KeyTable& keyTable() const override { return keys_; }
    void menuCommand(const String& text) override { onMenuCommand(text); }
    WindowFrame windowFrame() const override;
    void placeWindow(int x, int y, int width, int height) override;
    void maximiseWindow() override;
    float toWindowX(float x) const override { return backBufferToWindowX(x); }
    float toWindowY(float y) const override { return backBufferToWindowY(y); }
    LongOperations& longOperations() override { return operations_; }

    // --- the script commands `state` and `choose`
    // The snapshot of the workspace: "mode", "rubric" (the current mode's
    // rubric label, null when it has none), then the keys of the 2D mode and
    // of the transformation mode.
    JsonValue stateSnapshot() const;
    // The current mode's menu bar, for choosing items by their labels.
    GuiMenu* currentMenuBar();

    // --- state
    int currentMode() const override { return currentMode_; }
    // Test and script hook: sets the mode number without entering a mode.
    void setCurrentMode(int mode) { currentMode_ = mode; }
    // The current mode object; null for a mode number other than 1 and 2.
    WorkspaceMode* activeMode() const;
    TwoD* twoD() const { return twoD_.get(); }
    ThreeD* threeD() const { return threeD_.get(); }
    const Settings& settings() const { return settings_; }
    const XmlDocument& configuration() const { return *configuration_; }
    int captionStep() const { return captionStep_; }
    // The caption the overlay shows now; null for none.
    const char* currentCaption() const { return captionForStep(captionStep_); }
    // Last pointer position in back-buffer pixels.
    float mouseX() const { return mouseX_; }
    float mouseY() const { return mouseY_; }
    // Index of the pointer picture in use.
    int cursorTextureIndex() const { return cursorTextureIndex_; }
    // Pointer picture `index` (0 .. 16); null before they are loaded.
    Texture* cursorTextureAt(int index) const;
    // The background check started at start-up; null when none runs.
    CheckForUpdate* updateCheck() const { return updateCheck_.get(); }

private:
    class ModeMenus;

    String inApplicationDirectory(const char* relative) const;
    String inSettingsDirectory(const char* relative) const;
    bool allModesReady() const;
    void drawSplash();
    void loadCursorTextures();
    void drawCaption(DxRenderer& renderer) const;
    void drawPointer(DxRenderer& renderer) const;
    void keepPointer(float x, float y);
    void releaseAlt();
    // The update server and homepage as the settings give them.
    UpdateServer updateServer() const;
    // An OK message box with the information icon, the system cursor shown
    // around it and the key table cleared afterwards.
    void inform(const char* caption, const char* text);
    void setCheckForUpdateAtStartup(bool checked);
    // Sets a view setting behind a common check item and its check mark in
    // both menu bars; false for other texts.
    bool runViewToggle(const String& text);
    void restoreDefaults();
    void setUpGuiContext();
    void resetInputState();

    Dialogs& dialogs_;
    SystemCursor& systemCursor_;
    String settingsDirectory_;
    std::unique_ptr<XmlDocument> configuration_;
    Settings settings_;
    std::unique_ptr<ModeMenus> menus_;
    // Before the modes: they hold scopes of it until they are gone.
    LongOperations operations_;
    std::unique_ptr<CheckForUpdate> updateCheck_;
    std::unique_ptr<TwoD> twoD_;
    std::unique_ptr<ThreeD> threeD_;
    int currentMode_ = kModeTwoD;
    KeyTable keys_;
    int captionStep_ = 0;
    float mouseX_ = 0.0f;
    float mouseY_ = 0.0f;
    bool cursorPressed_ = false;
    bool cursorOver_ = false;
    int cursorTextureIndex_ = 0;
    std::array<Texture*, kCursorTextureCount> cursorTextures_{};
};
