// GalleryScreen: one screen that shows every widget of the GUI in every
// state, side by side, over a small 3D scene (floor, see-through cube, a
// model, a line list and 3D text), so that the look of the program can be
// judged at a glance and compared with stored screenshots.
//
// Left: the state table, drawn only (its widgets are put into their states
// once and never receive events). Top: a live menu bar. Right: the scene,
// live widgets to try, and a log of the listener calls they make. Every
// listener call is also written as one line "gallery: ..." to the log
// stream, so that scripted runs can check them.
#pragma once

#include "core/string.h"
#include "gui/gui_container.h"
#include "gui/gui_listeners.h"
#include "gui/gui_mask_list.h"
#include "gui/gui_slider.h"

#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class Camera;
class DxRenderer;
class GuiLabel;
class GuiMenu;
class GuiRadiobutton;
class TextureManager;
class Texture;
namespace gfx {
class GraphicsDevice;
}

// What the gallery needs from its application.
struct GalleryServices {
    SliderServices slider;
    // Receives "gallery: ..." lines (null: none).
    std::FILE* log = nullptr;
    // The "Quit" menu command.
    std::function<void()> quit;
};

class GalleryScreen : private GuiButtonListener,
                      private GuiCheckboxListener,
                      private GuiRadiobuttonListener,
                      private GuiSliderListener,
                      private GuiMenuListener,
                      private GuiMaskListListener {
public:
    // Builds the screen for a back buffer of width × height pixels. The GUI
    // context (renderer, textures) must be set before; `textures` loads the
    // scene's art from `applicationDirectory`.
    GalleryScreen(gfx::GraphicsDevice& device, TextureManager& textures, const String& applicationDirectory,
                  GalleryServices services, int width, int height);
    ~GalleryScreen() override;
    GalleryScreen(const GalleryScreen&) = delete;
    GalleryScreen& operator=(const GalleryScreen&) = delete;

    // Draws the scene with `camera` (the view is placed by the screen),
    // then the GUI in one sprite batch. The caller begins the scene before
    // and ends and presents after (the pointer may join the batch).
    void render(DxRenderer& renderer, Camera& camera);

    // Pointer events in back-buffer pixels.
    void mouseMoved(float x, float y);
    void mousePressed(InputIdentifier button, float x, float y);
    void mouseReleased(InputIdentifier button, float x, float y);
    void mouseDoubleClicked();
    void mouseWheel(int delta);

    // Device life cycle of the scene's buffers.
    void releaseDeviceObjects();
    void restoreDeviceObjects();

    // Listener calls so far, oldest first ("button \"Try me\" released").
    const std::vector<std::string>& events() const { return events_; }
    GuiContainer& liveRoot() { return live_; }

private:
    struct Scene;

    // --- building
    void buildMenuBar(int width);
    void buildStateTable();
    void buildLiveArea(int width);
    void buildMaskImages();
    GuiLabel* addLabel(GuiContainer& container, const char* text, int left, int top, int right, int bottom,
                       int points, uint32_t colour);
    void addRowCaption(const char* caption, int top);

    // --- listeners
    void record(const std::string& line);
    void entered(GuiButton*) override {}
    void released(GuiButton* button) override;
    void pressed(GuiButton* button) override;
    void checked(GuiCheckbox* checkbox) override;
    void unchecked(GuiCheckbox* checkbox) override;
    void selected(GuiRadiobutton* radiobutton) override;
    void valueChanged(GuiSlider* slider) override;
    void released(GuiSlider* slider) override;
    void pressed(GuiSlider* slider) override;
    void command(const String& text) override;
    void released(ImageEntry& image) override;
    void pressed(ImageEntry&) override {}
    void updateSliderLabels();

    GalleryServices services_;
    int width_;
    int height_;
    // Drawn only.
    GuiContainer showcase_;
    // Receives the events.
    GuiContainer live_;
    GuiMenu* menuBar_ = nullptr;
    GuiSlider* liveWhole_ = nullptr;
    GuiSlider* liveReal_ = nullptr;
    GuiSlider* livePower_ = nullptr;
    GuiLabel* wholeValue_ = nullptr;
    GuiLabel* realValue_ = nullptr;
    GuiLabel* powerValue_ = nullptr;
    std::vector<GuiRadiobutton*> radios_;
    std::vector<std::unique_ptr<ImageEntry>> images_;
    std::vector<GuiLabel*> logLines_;
    std::vector<std::string> events_;
    std::unique_ptr<Scene> scene_;
};
