// The controls the rubric panels are made of, made and laid out alike.
#pragma once

#include "gui/gui_button.h"
#include "gui/gui_label.h"
#include "gui/gui_slider.h"

#include <initializer_list>

// A button on the 2D mode's face art with `caption` drawn over it, the two
// help texts and the shortcut letter drawn at its top left (none when null).
GuiButton* makeCaptionButton(const char* caption, const char* help, const char* disabledHelp, const char* shortcut);

// A label in "Arial" of `points`, light grey.
GuiLabel* makeLabel(const char* text, int points = 10);

// A slider named `name` of `kind` from `minimum` to `maximum` at `value`.
GuiSlider* makeSlider(SliderKind kind, const char* name, float minimum, float maximum, float value);

// Lays the components out in one row from `left` to `right`, each as wide as
// the others, `gap` apart.
void placeRow(std::initializer_list<GuiComponent*> components, int left, int top, int right, int height, int gap);
