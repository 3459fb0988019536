#include "gui/panel_window.h"

#include "render/renderer.h"

namespace {

constexpr const char* kBackground = "data/gui/general/bar/wndback.dds";
constexpr const char* kCloseArt = "data/gui/general/close";
constexpr int kCloseSize = 20;

}  // namespace

PanelWindow::PanelWindow(const String& title, int left, int top, int width, int height)
    : GuiContainer(title), title_(title) {
    setRect(left, top, left + width, top + height);
    setBackground(loadGuiTexture(String(kBackground)));
    const String base = String(kCloseArt).append('/');
    close_ = new GuiButton(String(base).append(String("active.dds")), String(base).append(String("over.dds")),
                           String(base).append(String("pressed.dds")), String());
    close_->setHelpText(String("Close this panel (ESC)."));
    close_->setRect(right() - kCloseSize - 4, top + 3, right() - 4, top + 3 + kCloseSize);
    close_->addListener(&closeListener_);
    add(close_);
    setVisible(false);
}

void PanelWindow::close() {
    setVisible(false);
    resetState();
    if (closeHandler_) closeHandler_();
}

void PanelWindow::render() {
    if (!isVisible()) return;
    DxRenderer& renderer = guiRenderer();
    GuiContainer::render();
    if (font_.select(renderer))
        renderer.drawText(PixelRect{left() + kPadding, top() + 5, right() - kCloseSize - 8, top() + kTitleHeight},
                          title_, 0xFFFFFFFF, TextAlign::Left);
}
