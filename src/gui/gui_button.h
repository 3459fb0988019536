// GuiButton: a pressable widget, either with art (four state pictures) or
// with a caption (its name) drawn in one of four colours over optional over
// and pressed backgrounds. A click is a press and a release with the pointer
// inside; listeners hear entered, over, pressed, released and exited.
#pragma once

#include "gui/gui_art.h"
#include "gui/gui_component.h"
#include "gui/gui_listeners.h"

#include <vector>

class GuiButton : public GuiComponent {
public:
    // A button with art from four files (relative to the application
    // directory; see GuiArt).
    GuiButton(const String& active, const String& over, const String& pressed, const String& disabled);
    // A button with art already loaded.
    explicit GuiButton(const GuiArt& art);
    // A captioned button: `caption` is its name and what it shows, in
    // "Arial" 12 points.
    explicit GuiButton(const String& caption);

    void addListener(GuiButtonListener* listener);

    // --- the component operations
    void setTextRect(float left, float top, float right, float bottom) override;
    bool hover(float x, float y) override;
    bool mousePressed(InputIdentifier button, float x, float y) override;
    bool mouseReleased(InputIdentifier button, float x, float y) override;
    bool hitTest(float x, float y) override;
    void setEnabled(bool enabled) override;
    void render() override;
    void renderOverLook() override;
    void renderPressedLook() override;

    // --- captioned buttons
    void setFont(const String& face, int pointSize);
    void setFontIndex(int index);
    // Colours (0xAARRGGBB) of the caption in the four states.
    void setCaptionColours(uint32_t active, uint32_t over, uint32_t pressed, uint32_t disabled);
    // Backgrounds behind the caption while over or pressed (art files),
    // drawn scaled to the rectangle.
    void setCaptionBackgrounds(const String& overPath, const String& pressedPath);
    bool hasArt() const { return art_.hasAny(); }
    // A button with art also draws its caption (its name) over the art.
    void setCaptionOverArt(bool on) { captionOverArt_ = on; }
    // A latched button keeps the pressed look (without sinking) while it is
    // enabled: a tool that is switched on, the chosen one of a pair.
    void setLatched(bool latched) { latched_ = latched; }
    bool isLatched() const { return latched_; }
    const GuiArt& art() const { return art_; }
    ArtState state() const { return artStateOf(isEnabled(), isOver(), isPressed()); }

private:
    void drawState(ArtState state, bool sink);
    void drawCaption(ArtState state);
    template <typename Call>
    void notify(Call call);

    GuiArt art_;
    GuiFont font_;
    bool hasTextRect_ = false;
    bool captionOverArt_ = false;
    bool latched_ = false;
    float textLeft_ = 0.0f;
    float textTop_ = 0.0f;
    float textRight_ = 0.0f;
    float textBottom_ = 0.0f;
    uint32_t captionColours_[4] = {0xFFFFFFFF, 0xFFFFFF80, 0xFF000000, 0xFFC0C0C0};
    Texture* overBackground_ = nullptr;
    Texture* pressedBackground_ = nullptr;
    std::vector<GuiButtonListener*> listeners_;
};
