// PanelWindow: a small panel that floats over a screen (the colour panels,
// the animation time): a background, a title line and a close button. The
// owner adds the controls at positions below contentTop() and shows or hides
// the panel; pressing the close button hides it.
#pragma once

#include "gui/gui_button.h"
#include "gui/gui_container.h"
#include "gui/gui_listeners.h"

#include <functional>

class PanelWindow : public GuiContainer {
public:
    // Height of the title line and the room around the controls.
    static constexpr int kTitleHeight = 26;
    static constexpr int kPadding = 10;

    // A hidden panel titled `title`, `width` by `height` pixels at (left, top).
    PanelWindow(const String& title, int left, int top, int width, int height);

    const String& title() const { return title_; }
    int contentLeft() const { return left() + kPadding; }
    int contentTop() const { return top() + kTitleHeight + kPadding / 2; }
    int contentRight() const { return right() - kPadding; }

    // Called after the panel was hidden by its close button (may be empty).
    void setCloseHandler(std::function<void()> handler) { closeHandler_ = std::move(handler); }
    GuiButton& closeButton() const { return *close_; }

    void render() override;

    // Hides the panel as its close button does.
    void close();

private:
    // Hears the close button.
    class CloseListener : public GuiButtonListener {
    public:
        explicit CloseListener(PanelWindow& panel) : panel_(panel) {}
        void released(GuiButton*) override { panel_.close(); }

    private:
        PanelWindow& panel_;
    };

    CloseListener closeListener_{*this};
    String title_;
    GuiButton* close_ = nullptr;
    GuiFont font_{String("Arial"), 12};
    std::function<void()> closeHandler_;
};
