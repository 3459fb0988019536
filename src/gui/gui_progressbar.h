// GuiProgressbar: a bar that fills with the progress of a long operation,
// with the percentage and a caption written on it.
#pragma once

#include "gui/gui_art.h"
#include "gui/gui_component.h"

class GuiProgressbar : public GuiComponent {
public:
    // A bar named "Progressbar" at 0 percent with caption "Nothing".
    GuiProgressbar();

    // Clamped to 0 .. 100; anything that is not a number gives 0.
    void setPercentage(float percent);
    float percentage() const { return percentage_; }
    void setCaption(const String& caption) { caption_ = caption; }
    const String& caption() const { return caption_; }
    // A hidden bar draws nothing (it keeps its value).
    void setHidden(bool hidden) { hidden_ = hidden; }
    bool isHidden() const { return hidden_; }
    // The bar's rectangle as floats (the integer rectangle follows).
    void setFloatRect(float left, float top, float right, float bottom);

    void setBounds(int left, int top, int bottom, int right) override;
    // When visible and not hidden: background, fill, percentage, caption.
    void render() override;

    // The percentage as shown ("%.2f %%").
    String percentText() const;

private:
    float left_ = 0.0f;
    float top_ = 0.0f;
    float right_ = 100.0f;
    float bottom_ = 20.0f;
    float percentage_ = 0.0f;
    String caption_;
    bool hidden_ = false;
    GuiFont font_;
    Texture* back_ = nullptr;
    Texture* fill_ = nullptr;
    bool fontFailureLogged_ = false;
};
