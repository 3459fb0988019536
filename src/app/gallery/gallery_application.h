// GalleryApplication: the application object of `plastora --gallery`. It
// opens the window at a fixed size, shows the GalleryScreen, hands it the
// pointer events and draws the program's pointer over it.
#pragma once

#include "app/shell/application.h"
#include "gui/cursor_kinds.h"
#include "gui/gui_component.h"

#include <array>
#include <cstdio>
#include <memory>

class Dialogs;
class GalleryScreen;
class SystemCursor;

class GalleryApplication : public Application, public GuiPointerSink {
public:
    // Back-buffer (and window) size of the gallery.
    static constexpr int kWidth = 1280;
    static constexpr int kHeight = 800;

    // `dialogs` and `systemCursor` answer the slider value dialog; `log`
    // (may be null) receives the gallery's listener lines. All must outlive
    // the application.
    GalleryApplication(platform::Window& window, const String& applicationDirectory, Dialogs& dialogs,
                       SystemCursor& systemCursor, std::FILE* log);
    ~GalleryApplication() override;

    // Fills the GUI context, builds the screen and loads the pointer pictures.
    void initApplication() override;
    // Clears the GUI context and deletes the screen.
    void exitApplication() override;
    // The screen, then the pointer; then the frame is shown.
    void frame() override;
    void onDeviceLost() override;
    void onDeviceReset() override;
    void onMouseDown(InputIdentifier button, float x, float y) override;
    void onMouseDoubleClick(InputIdentifier button, float x, float y) override;
    void onMouseUp(InputIdentifier button, float x, float y) override;
    void onMouseMove(float x, float y) override;
    void onMouseWheel(int step) override;

    // GuiPointerSink (and Application): the pointer picture of `kind`.
    void setCursor(int kind) override;
    bool isCursorPressed() const override { return cursorPressed_; }
    bool isCursorOver() const override { return cursorOver_; }

    GalleryScreen* screen() const { return screen_.get(); }

private:
    void loadCursorTextures();
    void drawPointer(DxRenderer& renderer) const;

    Dialogs& dialogs_;
    SystemCursor& systemCursor_;
    std::FILE* log_;
    std::unique_ptr<GalleryScreen> screen_;
    std::array<Texture*, kCursorTextureCount> cursorTextures_{};
    float mouseX_ = -100.0f;
    float mouseY_ = -100.0f;
    bool cursorPressed_ = false;
    bool cursorOver_ = false;
};
