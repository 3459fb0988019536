// GuiCheckbox: a box that toggles on every click. Its art folder holds
// "unchecked.dds", "uncheckedover.dds", "uncheckedpressed.dds", "checked.dds"
// and, optionally, "disabled.dds".
#pragma once

#include "gui/gui_component.h"
#include "gui/gui_listeners.h"

#include <vector>

class GuiCheckbox : public GuiComponent {
public:
    // A checkbox named "Checkbox" with the art of `folder` (relative to the
    // application directory, no trailing slash), unchecked.
    explicit GuiCheckbox(const String& folder);

    void addListener(GuiCheckboxListener* listener);
    // Sets the checked flag without telling the listeners.
    void setChecked(bool checked) { checked_ = checked; }
    bool isChecked() const { return checked_; }

    bool hover(float x, float y) override;
    bool mousePressed(InputIdentifier button, float x, float y) override;
    // A release inside after a press inside toggles the flag and calls
    // checked or unchecked on every listener.
    bool mouseReleased(InputIdentifier button, float x, float y) override;
    bool hitTest(float x, float y) override;
    void setEnabled(bool enabled) override;
    void render() override;

private:
    Texture* currentTexture(float& drop) const;

    bool checked_ = false;
    Texture* unchecked_ = nullptr;
    Texture* uncheckedOver_ = nullptr;
    Texture* uncheckedPressed_ = nullptr;
    Texture* checkedArt_ = nullptr;
    Texture* disabled_ = nullptr;
    std::vector<GuiCheckboxListener*> listeners_;
};
