// The listener interfaces through which widgets report to their owners. Every
// operation has an empty body, so an owner overrides only what it needs. A
// widget keeps its listeners (not owned) and calls them in the order in which
// they were added.
#pragma once

#include "core/string.h"

class GuiButton;
class GuiCheckbox;
class GuiRadiobutton;
class GuiSlider;
class GuiImage;
class GuiMenu;
class Image;
class Texture;

class GuiButtonListener {
public:
    virtual ~GuiButtonListener() = default;
    // The pointer came inside the button.
    virtual void entered(GuiButton*) {}
    // The pointer is inside the button (every hover).
    virtual void over(GuiButton*) {}
    // A click finished: released inside after a press inside.
    virtual void released(GuiButton*) {}
    // The pointer left the button.
    virtual void exited(GuiButton*) {}
    // A button was pressed inside.
    virtual void pressed(GuiButton*) {}
};

class GuiCheckboxListener {
public:
    virtual ~GuiCheckboxListener() = default;
    virtual void checked(GuiCheckbox*) {}
    virtual void unchecked(GuiCheckbox*) {}
    virtual void over(GuiCheckbox*) {}
};

class GuiSliderListener {
public:
    virtual ~GuiSliderListener() = default;
    virtual void valueChanged(GuiSlider*) {}
    virtual void released(GuiSlider*) {}
    virtual void over(GuiSlider*) {}
    // Reserved; no slider calls it.
    virtual void reserved(GuiSlider*) {}
    virtual void pressed(GuiSlider*) {}
};

class GuiRadiobuttonListener {
public:
    virtual ~GuiRadiobuttonListener() = default;
    virtual void selected(GuiRadiobutton*) {}
    virtual void over(GuiRadiobutton*) {}
};

class GuiMenuListener {
public:
    virtual ~GuiMenuListener() = default;
    // A menu item was chosen: its label, or "<label> checked" /
    // "<label> unchecked" for check items.
    virtual void command(const String&) {}
    // A menu is about to open: the moment to enable, disable and check its
    // items after the current state.
    virtual void opening(GuiMenu&) {}
};

class GuiImageListener {
public:
    virtual ~GuiImageListener() = default;
    // The image was clicked (pressed and released inside).
    virtual void clicked(GuiImage*) {}
};
