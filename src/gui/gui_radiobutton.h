// GuiRadiobutton: one choice of a group. A click selects it and tells the
// listeners; the owner clears the other buttons of the group. Art: a folder
// with "active.dds", "over.dds", "pressed.dds" and "disabled.dds"; a
// selected button shows the pressed picture.
#pragma once

#include "gui/gui_art.h"
#include "gui/gui_component.h"
#include "gui/gui_listeners.h"

#include <vector>

class GuiRadiobutton : public GuiComponent {
public:
    // A button named "Radiobutton" with the art of `folder`, not selected.
    explicit GuiRadiobutton(const String& folder);

    void addListener(GuiRadiobuttonListener* listener);
    // Sets the selected flag without telling the listeners.
    void setSelected(bool selected) { selected_ = selected; }
    bool isSelected() const { return selected_; }
    // A caption drawn in the middle of the art (empty: none).
    void setCaption(const String& caption) { caption_ = caption; }
    const String& caption() const { return caption_; }

    bool hover(float x, float y) override;
    bool mousePressed(InputIdentifier button, float x, float y) override;
    bool mouseReleased(InputIdentifier button, float x, float y) override;
    bool hitTest(float x, float y) override;
    void setEnabled(bool enabled) override;
    void render() override;

private:
    bool selected_ = false;
    GuiArt art_;
    String caption_;
    GuiFont font_{String("Arial"), 12};
    std::vector<GuiRadiobuttonListener*> listeners_;
};
