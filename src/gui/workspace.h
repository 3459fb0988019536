// Workspace: everything a screen (the 2D mode, the transformation mode) may
// ask of the application, and nothing more. The screens never include the
// application shell: they are handed a Workspace and reach the window, the
// renderer, the settings, the dialogs, the pointer, the keys, the other mode
// and the long-operation registry through it. The application implements it;
// tests implement it with a headless stand-in.
//
// Coordinates are back-buffer pixels unless a name says "window".
#pragma once

#include "core/string.h"

class Camera;
class Dialogs;
class DxRenderer;
class KeyTable;
class LongOperations;
class SystemCursor;
class TextureManager;
struct Settings;
namespace gfx {
class GraphicsDevice;
}

// Where the window is on the desktop, in desktop pixels.
struct WindowFrame {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int screenWidth = 0;
    int screenHeight = 0;
};

class Workspace {
public:
    virtual ~Workspace() = default;

    // --- drawing
    // Null while no device exists (before start-up, headless tests).
    virtual DxRenderer* renderer() const = 0;
    virtual gfx::GraphicsDevice* device() const = 0;
    virtual Camera* camera() const = 0;
    virtual TextureManager* textures() const = 0;
    // The size everything is drawn at; the window may show it scaled.
    virtual int backBufferWidth() const = 0;
    virtual int backBufferHeight() const = 0;
    // Draws one whole frame of the current mode now (long operations call it
    // between their steps so that their progress shows).
    virtual void drawFrame() = 0;

    // --- settings, files, dialogs
    // The view settings of "config.xml"; written back at shut-down.
    virtual Settings& settings() = 0;
    // The program's folder, ending in '/'.
    virtual String applicationDirectory() const = 0;
    // Bracket every dialog with ShownSystemCursor on systemCursor() and
    // call clearKeyTable() afterwards.
    virtual Dialogs& dialogs() = 0;
    virtual SystemCursor& systemCursor() = 0;

    // --- pointer and keys
    // One of the pointer kinds of gui/cursor_kinds.h. While a long operation
    // holds a mode busy the wait pointer wins.
    virtual void setCursor(int kind) = 0;
    // Moves the mouse pointer to (x, y).
    virtual void warpPointer(float x, float y) = 0;
    // The last pointer position.
    virtual float pointerX() const = 0;
    virtual float pointerY() const = 0;
    virtual const KeyTable& keyTable() const = 0;
    // Releases every key held (the current mode sees each release) and marks
    // all keys up; after every modal dialog.
    virtual void clearKeyTable() = 0;

    // --- modes and commands
    // 1: the 2D mode, 2: the transformation mode.
    virtual int currentMode() const = 0;
    // The current mode leaves and the other one enters; nothing when it is
    // current already.
    virtual void switchToTwoD() = 0;
    virtual void switchToThreeD() = 0;
    // A menu item was chosen: the common commands are answered by the
    // application, every other text goes to the current mode's
    // onMenuCommand.
    virtual void menuCommand(const String& text) = 0;
    // "New Project": asks, then empties the workspace.
    virtual void newProject() = 0;
    // "Quit": asks, then stops the program. True when it is stopping.
    virtual bool quit() = 0;

    // --- the window
    virtual WindowFrame windowFrame() const = 0;
    // Moves and sizes the window (desktop pixels); the back buffer keeps its
    // size. Kept on the screen and at least a small size.
    virtual void placeWindow(int x, int y, int width, int height) = 0;
    virtual void minimiseWindow() = 0;
    virtual void maximiseWindow() = 0;
    // Back-buffer pixels to window pixels: x * window width / back-buffer
    // width (and y likewise).
    virtual float toWindowX(float x) const = 0;
    virtual float toWindowY(float y) const = 0;

    // --- long operations (for `wait idle` and the wait pointer)
    virtual LongOperations& longOperations() = 0;
};
