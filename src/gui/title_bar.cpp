#include "gui/title_bar.h"

#include "gui/help_box.h"
#include "render/renderer.h"

#include <algorithm>

namespace {

constexpr const char* kBarArt = "data/gui/general/bar/barenabled.dds";
constexpr int kButtonSize = 28;
constexpr int kButtonGap = 2;

constexpr const char* kGripHelp = "Press left mouse button to move the window.";
constexpr const char* kResizeHelp =
    "Change the size of the window (ALT Key + w).\nNote that only the window gets scaled not the rendering size. If "
    "you want to change\nthe rendering size change the width\\height entries in the \"config.xml\" file in your\n"
    "application folder to your desired resolution. This is normally the screen resolution.";
constexpr const char* kMinimiseHelp = "Minimize Plastora (ALT Key + e).";
constexpr const char* kMaximiseHelp = "Maximize Plastora (ALT Key + r).";
constexpr const char* kCloseHelp = "Quit Plastora (ALT Key + t).";
constexpr const char* kAltHelp =
    "ALT key pressed.\nPress f,v,i to open the specific menu.\nPress q to move the window.\nPress w to scale the "
    "window.\nPress e to minimize the window.\nPress r to maximize the window.\nPress t to quit Plastora.";

GuiButton* windowButton(const char* folder, const char* help, const char* letter) {
    // The window buttons have no disabled picture: they are never disabled.
    const String base = String("data/gui/general/").append(String(folder)).append('/');
    auto* button = new GuiButton(String(base).append(String("active.dds")), String(base).append(String("over.dds")),
                                 String(base).append(String("pressed.dds")), String());
    button->setHelpText(String(help));
    button->setDisabledHelpText(String(help));
    button->setShortcutLabel(String(letter), 1, -1);
    return button;
}

}  // namespace

// The free part of the bar: pressing it starts moving the window.
class TitleBar::Grip : public GuiComponent {
public:
    explicit Grip(TitleBar& bar) : GuiComponent(String("Title bar")), bar_(bar) {
        setHelpText(String(kGripHelp));
        setShortcutLabel(String("q"), 4, 0);
    }

    bool hitTest(float x, float y) override { return isVisible() && contains(x, y); }

    bool hover(float x, float y) override {
        if (!followPointer(x, y)) return false;
        reportPointerState(isPressed() ? kPointerPressed : kPointerOver);
        return true;
    }

    bool mousePressed(InputIdentifier button, float x, float y) override {
        if (button != InputIdentifier::MouseButton0 || !pressWhenOver(x, y)) return false;
        bar_.startDrag(Drag::Move, x, y, false);
        return true;
    }

    bool mouseReleased(InputIdentifier, float x, float y) override {
        bool click = false;
        return releaseWhenOver(x, y, click);
    }

private:
    TitleBar& bar_;
};

TitleBar::TitleBar(Workspace& workspace, GuiMenuListener& menus, int width)
    : GuiContainer(String("Title bar")), workspace_(workspace), width_(width) {
    background_ = loadGuiTexture(String(kBarArt));
    menuBar_ = new GuiMenu(String("Menu bar"));
    menuBar_->setMenuListener(&menus);
    addContainer(menuBar_);
    grip_ = new Grip(*this);
    add(grip_);
    resize_ = windowButton("resize", kResizeHelp, "w");
    minimise_ = windowButton("minimize", kMinimiseHelp, "e");
    maximise_ = windowButton("maximize", kMaximiseHelp, "r");
    close_ = windowButton("close", kCloseHelp, "t");
    for (GuiButton* button : {resize_, minimise_, maximise_, close_}) {
        button->addListener(this);
        add(button);
    }
    layout();
}

void TitleBar::layout() {
    setRect(0, 0, width_, kHeight);
    const int buttonTop = (kHeight - kButtonSize) / 2;
    int x = width_ - kButtonGap - kButtonSize;
    for (GuiButton* button : {close_, maximise_, minimise_, resize_}) {
        button->setRect(x, buttonTop, x + kButtonSize, buttonTop + kButtonSize);
        x -= kButtonSize + kButtonGap;
    }
    menuBar_->layoutBar(0, 0, 0, kHeight);
    for (GuiButtonMenu* title : menuBar_->titles()) {
        // The shortcut letter is the title's first letter, in lower case.
        const char first = title->name().length() > 0 ? title->name().text()[0] : ' ';
        const char letter[2] = {static_cast<char>(first >= 'A' && first <= 'Z' ? first - 'A' + 'a' : first), 0};
        title->setShortcutLabel(String(letter), 3, 0);
    }
    grip_->setRect(std::min(menuBar_->right(), resize_->left()), 0, resize_->left() - kButtonGap, kHeight);
}

const char* TitleBar::altHelpText() { return kAltHelp; }

void TitleBar::minimise() { workspace_.minimiseWindow(); }

void TitleBar::maximise() { workspace_.maximiseWindow(); }

void TitleBar::close() { workspace_.quit(); }

void TitleBar::pressed(GuiButton* button) {
    if (button == resize_) startDrag(Drag::Scale, workspace_.pointerX(), workspace_.pointerY(), false);
}

void TitleBar::released(GuiButton* button) {
    if (button == minimise_) minimise();
    if (button == maximise_) maximise();
    if (button == close_) close();
}

float TitleBar::screenX(float x) const { return static_cast<float>(workspace_.windowFrame().x) + workspace_.toWindowX(x); }

float TitleBar::screenY(float y) const { return static_cast<float>(workspace_.windowFrame().y) + workspace_.toWindowY(y); }

void TitleBar::startDrag(Drag drag, float x, float y, bool byKeyboard) {
    drag_ = drag;
    dragByKeyboard_ = byKeyboard;
    dragStartFrame_ = workspace_.windowFrame();
    dragStartX_ = screenX(x);
    dragStartY_ = screenY(y);
}

void TitleBar::startKeyboardMove() {
    const float x = static_cast<float>(grip_->left() + grip_->right()) / 2.0f;
    const float y = static_cast<float>(kHeight) / 2.0f;
    workspace_.warpPointer(x, y);
    startDrag(Drag::Move, x, y, true);
}

void TitleBar::startKeyboardScale() {
    const float x = static_cast<float>(resize_->left() + resize_->right()) / 2.0f;
    const float y = static_cast<float>(resize_->top() + resize_->bottom()) / 2.0f;
    workspace_.warpPointer(x, y);
    startDrag(Drag::Scale, x, y, true);
}

bool TitleBar::followDrag(float x, float y) {
    if (drag_ == Drag::None) return false;
    const int dx = static_cast<int>(screenX(x) - dragStartX_);
    const int dy = static_cast<int>(screenY(y) - dragStartY_);
    const WindowFrame& start = dragStartFrame_;
    if (drag_ == Drag::Move) {
        workspace_.placeWindow(start.x + dx, start.y + dy, start.width, start.height);
    } else {
        workspace_.placeWindow(start.x, start.y, std::max(kLeastWindowWidth, start.width + dx),
                               std::max(kLeastWindowHeight, start.height + dy));
    }
    return true;
}

bool TitleBar::cancelDrag() {
    if (drag_ == Drag::None) return false;
    drag_ = Drag::None;
    const WindowFrame& start = dragStartFrame_;
    workspace_.placeWindow(start.x, start.y, start.width, start.height);
    return true;
}

bool TitleBar::mousePressed(InputIdentifier button, float x, float y) {
    // A keyboard drag ends at the next click, which does nothing else.
    if (drag_ != Drag::None && dragByKeyboard_) {
        drag_ = Drag::None;
        return true;
    }
    return GuiContainer::mousePressed(button, x, y);
}

bool TitleBar::mouseReleased(InputIdentifier button, float x, float y) {
    const bool wasDragging = drag_ != Drag::None && !dragByKeyboard_;
    if (wasDragging) drag_ = Drag::None;
    return GuiContainer::mouseReleased(button, x, y) || wasDragging;
}

void TitleBar::render() {
    if (!isVisible()) return;
    drawStretched(guiRenderer(), background_, 0.0f, 0.0f, static_cast<float>(width_), static_cast<float>(kHeight));
    GuiContainer::render();
}
