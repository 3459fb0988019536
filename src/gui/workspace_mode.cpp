#include "gui/workspace_mode.h"

#include "core/configuration.h"
#include "gui/cursor_kinds.h"
#include "gui/gui_menu.h"
#include "gui/help_box.h"
#include "gui/key_table.h"
#include "render/renderer.h"

namespace {

// Room between the title bar and the status bar below it.
constexpr int kStatusGap = 6;

struct CommonViewItem {
    const char* label;
    const char* help;
};

constexpr CommonViewItem kCommonViewItems[] = {
    {"Render Keyshortcuts", "Check if the key shortcuts should be rendered."},
    {"Render Mouse Helptext", "Check if the helptext beside the mouse should be rendered."},
    {"Render Statusbar", "Check if the statusbar on the top, right of window should be rendered."},
};

}  // namespace

WorkspaceMode::WorkspaceMode(Workspace& workspace, int number)
    : workspace_(workspace),
      number_(number),
      screen_(String("Screen")),
      titleBar_(workspace, *this, workspace.backBufferWidth()) {
    screen_.setRect(0, 0, workspace.backBufferWidth(), workspace.backBufferHeight());
}

WorkspaceMode::~WorkspaceMode() = default;

// --- life cycle ----------------------------------------------------------------------

void WorkspaceMode::enter() {
    dropGesture();
    pointerX_ = workspace_.pointerX();
    pointerY_ = workspace_.pointerY();
}

void WorkspaceMode::leave() {
    dropGesture();
    clearHelpText();
    menuBar().closeMenus();
    screen_.resetState();
    titleBar_.resetState();
}

void WorkspaceMode::applySettings() {
    const Settings& settings = workspace_.settings();
    renderKeyShortcuts_ = settings.toggleviewingkeyshortcuts;
    setItemChecked(String("View"), String("Render Keyshortcuts"), settings.toggleviewingkeyshortcuts);
    setItemChecked(String("View"), String("Render Mouse Helptext"), settings.togglehelpbox);
    setItemChecked(String("View"), String("Render Statusbar"), settings.togglehelptext);
    setItemChecked(String("Info"), String("Check For Update At Startup"), settings.checkforupdateatstartup);
}

void WorkspaceMode::frame() {
    DxRenderer* renderer = workspace_.renderer();
    if (renderer == nullptr) return;
    renderer->beginScene();
    drawScene(*renderer);
    renderer->clearDepth();
    renderer->beginSprite();
    drawView(*renderer);
    screen_.render();
    titleBar_.render();
    if (workspace_.settings().togglehelptext) status_.draw(*renderer, TitleBar::kHeight + kStatusGap);
    HelpBox& help = HelpBox::instance();
    if (helpText_.length() > 0) help.show(helpText_, pointerX_, pointerY_);
    help.render();
}

// --- events --------------------------------------------------------------------------

bool WorkspaceMode::onMenuCommand(const String& /*text*/) { return false; }

void WorkspaceMode::onCommand(int /*number*/) {}

bool WorkspaceMode::isKeyDown(int key) const { return workspace_.keyTable().isDown(key); }

bool WorkspaceMode::isPlainTab(int key) const {
    return key == kKeyTab && !isKeyDown(kKeyShift) && !isKeyDown(kKeyControl) && !isKeyDown(kKeyAlt);
}

bool WorkspaceMode::isMenuOpen() const { return titleBar_.menuBar().openMenu() != nullptr; }

bool WorkspaceMode::menuKey(int key) {
    GuiButtonMenu* open = menuBar().openMenu();
    if (open == nullptr) return false;
    GuiMenu& menu = open->menu();
    switch (key) {
        case kKeyUp: menu.moveHighlight(-1); return true;
        case kKeyDown: menu.moveHighlight(+1); return true;
        case kKeyLeft: menuBar().openNeighbour(-1); return true;
        case kKeyRight: menuBar().openNeighbour(+1); return true;
        case kKeyReturn: menu.choose(menu.highlighted()); return true;
        case kKeyEscape: menuBar().closeMenus(); return true;
        default: return false;
    }
}

bool WorkspaceMode::altKey(int key) {
    switch (key) {
        case 'F': menuBar().openMenuNamed(String("File")); return true;
        case 'V': menuBar().openMenuNamed(String("View")); return true;
        case 'I': menuBar().openMenuNamed(String("Info")); return true;
        case 'Q': titleBar_.startKeyboardMove(); return true;
        case 'W': titleBar_.startKeyboardScale(); return true;
        case 'E': titleBar_.minimise(); return true;
        case 'R': titleBar_.maximise(); return true;
        case 'T': titleBar_.close(); return true;
        default: return false;
    }
}

void WorkspaceMode::onKeyDown(int key) {
    ++inputEvents_;
    if (key == kKeyAlt) {
        altHeld_ = true;
        setHelpText(String(TitleBar::altHelpText()));
        return;
    }
    if (altHeld_ && altKey(key)) return;
    if (menuKey(key)) return;
    // While a menu is open the keys belong to it.
    if (isMenuOpen()) return;
    if (key == kKeyEscape && (titleBar_.cancelDrag() || screen_.cancelPointerDrag() || cancelGesture())) return;
    keyDown(key);
}

void WorkspaceMode::onKeyUp(int key) {
    ++inputEvents_;
    if (key == kKeyAlt) {
        altHeld_ = false;
        clearHelpText();
    }
    if (isMenuOpen()) return;
    keyUp(key);
}

void WorkspaceMode::onMouseDown(InputIdentifier button, float x, float y) {
    ++inputEvents_;
    // The widgets learn where the pointer is before they hear the press.
    if (x != pointerX_ || y != pointerY_) onMouseMove(x, y);
    if (button == InputIdentifier::MouseButton0) leftHeld_ = true;
    if (button == InputIdentifier::MouseButton1) rightHeld_ = true;
    const bool menuWasOpen = isMenuOpen();
    bool taken = titleBar_.mousePressed(button, x, y) || menuWasOpen || titleBar_.hitTest(x, y);
    if (!taken) taken = screen_.mousePressed(button, x, y) || screen_.hitTest(x, y);
    if (!taken) mouseDown(button, x, y);
}

void WorkspaceMode::onMouseDoubleClick(InputIdentifier button, float x, float y) {
    ++inputEvents_;
    pointerX_ = x;
    pointerY_ = y;
    if (isMenuOpen() || titleBar_.hitTest(x, y)) return;
    if (screen_.hitTest(x, y)) {
        screen_.mouseDoubleClicked();
        return;
    }
    mouseDoubleClick(button, x, y);
}

void WorkspaceMode::onMouseUp(InputIdentifier button, float x, float y) {
    ++inputEvents_;
    if (x != pointerX_ || y != pointerY_) onMouseMove(x, y);
    if (button == InputIdentifier::MouseButton0) leftHeld_ = false;
    if (button == InputIdentifier::MouseButton1) rightHeld_ = false;
    const bool menuWasOpen = isMenuOpen();
    titleBar_.mouseReleased(button, x, y);
    if (menuWasOpen) return;
    screen_.mouseReleased(button, x, y);
    mouseUp(button, x, y);
}

void WorkspaceMode::onMouseMove(float x, float y) {
    ++inputEvents_;
    pointerX_ = x;
    pointerY_ = y;
    if (titleBar_.followDrag(x, y)) return;
    HelpBox::instance().hide();
    bool overWidget = titleBar_.hover(x, y);
    if (!isMenuOpen()) overWidget = screen_.hover(x, y) || overWidget;
    if (altHeld_) setHelpText(String(TitleBar::altHelpText()));
    mouseMove(x, y, overWidget);
}

void WorkspaceMode::onMiddleDown() {
    ++inputEvents_;
    middleHeld_ = true;
    if (isMenuOpen()) return;
    middleDown();
}

void WorkspaceMode::onMiddleUp() {
    ++inputEvents_;
    middleHeld_ = false;
    middleUp();
}

void WorkspaceMode::onMouseWheel(int step) {
    ++inputEvents_;
    // Widgets take the wheel amount of the window message: 120 a notch.
    if (titleBar_.mouseWheel(step * 120) || isMenuOpen()) return;
    if (screen_.mouseWheel(step * 120)) return;
    mouseWheel(step);
}

void WorkspaceMode::dropGesture() {
    leftHeld_ = false;
    rightHeld_ = false;
    middleHeld_ = false;
    titleBar_.endDrag();
    endGesture();
}

// --- menus --------------------------------------------------------------------------

GuiMenu& WorkspaceMode::addMenu(const char* name, const char* helpText) {
    auto* title = new GuiButtonMenu(String(name));
    title->setHelpText(String(helpText));
    title->setDisabledHelpText(String(helpText));
    menuBar().addMenu(title);
    return title->menu();
}

void WorkspaceMode::addCommonViewItems(GuiMenu& view) {
    for (const CommonViewItem& item : kCommonViewItems) view.addCheckItem(String(item.label), String(item.help));
}

void WorkspaceMode::addInfoMenu() {
    GuiMenu& info = addMenu("Info", "Get information about Plastora (ALT key + i).");
    info.addItem(String("About..."), String("Get information about Plastora."));
    info.addItem(String("Go To Homepage..."), String("Go to the homepage of Plastora."));
    info.addCheckItem(String("Check For Update At Startup"),
                      String("Check if Plastora should check for an update at startup."));
    info.addItem(String("Check For Update..."), String("Check if a new update of Plastora is available."));
}

void WorkspaceMode::finishMenus() { titleBar_.layout(); }

void WorkspaceMode::setItemChecked(const String& menu, const String& label, bool checked) {
    if (GuiMenu* found = menuBar().findMenu(menu)) found->setItemChecked(label, checked);
}

int WorkspaceMode::itemChecked(const char* menu, const char* label) const {
    GuiMenu* found = titleBar_.menuBar().findMenu(String(menu));
    if (found == nullptr || dynamic_cast<GuiCheckbox*>(found->item(String(label))) == nullptr) return -1;
    return found->isItemChecked(String(label)) ? 1 : 0;
}

String WorkspaceMode::openMenuName() const {
    GuiButtonMenu* open = titleBar_.menuBar().openMenu();
    return open != nullptr ? open->name() : String();
}

void WorkspaceMode::openMenuNamed(const String& name) {
    if (name.length() > 0) menuBar().openMenuNamed(name);
}

void WorkspaceMode::command(const String& text) { workspace_.menuCommand(text); }

SliderServices WorkspaceMode::sliderServices() {
    SliderServices services;
    services.dialogs = &workspace_.dialogs();
    services.systemCursor = &workspace_.systemCursor();
    services.movePointer = [this](float x, float y) { workspace_.warpPointer(x, y); };
    return services;
}

// --- StatusSink ---------------------------------------------------------------------

void WorkspaceMode::setStatus(const String& text) { status_.setText(text); }

void WorkspaceMode::setProgress(float percent) { status_.setProgress(percent); }

void WorkspaceMode::setBusy(bool busy) {
    if (busy) {
        if (!busy_.isRunning()) busy_ = workspace_.longOperations().begin("mode " + std::to_string(number_) + " busy");
        status_.setReady(false);
        workspace_.setCursor(kCursorWait);
    } else {
        status_.setReady(true);
        status_.setProgress(0.0f);
        busy_.end();
        workspace_.setCursor(kCursorArrow);
    }
}

void WorkspaceMode::drawFrame() { workspace_.drawFrame(); }

void WorkspaceMode::refuse(const String& helpText) { helpText_ = helpText; }

void WorkspaceMode::clearKeyTable() { workspace_.clearKeyTable(); }
