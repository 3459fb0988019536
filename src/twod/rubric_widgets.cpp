#include "twod/rubric_widgets.h"

#include <algorithm>

GuiButton* makeCaptionButton(const char* caption, const char* help, const char* disabledHelp, const char* shortcut) {
    auto* button = new GuiButton(GuiArt::fromFolder(String("data/gui/twod/general")));
    button->setName(String(caption));
    button->setCaptionOverArt(true);
    button->setHelpText(String(help));
    button->setDisabledHelpText(String(disabledHelp != nullptr ? disabledHelp : help));
    if (shortcut != nullptr) button->setShortcutLabel(String(shortcut), 3, 0);
    return button;
}

GuiLabel* makeLabel(const char* text, int points) {
    auto* label = new GuiLabel(String(text));
    label->setFont(String("Arial"), points);
    label->setColour(0xFFD8D8E0);
    return label;
}

GuiSlider* makeSlider(SliderKind kind, const char* name, float minimum, float maximum, float value) {
    auto* slider = new GuiSlider(kind, String(name));
    slider->setMinimum(minimum);
    slider->setMaximum(maximum);
    slider->setValue(value);
    return slider;
}

void placeRow(std::initializer_list<GuiComponent*> components, int left, int top, int right, int height, int gap) {
    const int count = static_cast<int>(components.size());
    if (count == 0) return;
    const int width = std::max(1, (right - left - gap * (count - 1)) / count);
    int x = left;
    for (GuiComponent* component : components) {
        component->setRect(x, top, x + width, top + height);
        x += width + gap;
    }
}
