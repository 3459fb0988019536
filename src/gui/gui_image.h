// GuiImage: one picture drawn into its rectangle. With listeners it is also
// clickable.
#pragma once

#include "gui/gui_component.h"
#include "gui/gui_listeners.h"

#include <vector>

class GuiImage : public GuiComponent {
public:
    // An image named "GuiImage" showing `texture` (not owned; may be null).
    explicit GuiImage(Texture* texture = nullptr);
    // An image named "Image" showing the art file at `path` (relative to the
    // application directory).
    explicit GuiImage(const String& path);

    void setTexture(Texture* texture) { texture_ = texture; }
    Texture* texture() const { return texture_; }
    void addListener(GuiImageListener* listener);

    // Inside the rectangle (edges included) while visible: sets over and, when
    // the image has listeners and is enabled, reports the over pointer.
    bool hover(float x, float y) override;
    bool mousePressed(InputIdentifier button, float x, float y) override;
    // A release inside after a press inside calls clicked on every listener.
    bool mouseReleased(InputIdentifier button, float x, float y) override;
    bool hitTest(float x, float y) override;
    void render() override;

private:
    Texture* texture_ = nullptr;
    std::vector<GuiImageListener*> listeners_;
};
