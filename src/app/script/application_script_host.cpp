#include "app/script/application_script_host.h"

#include "app/shell/application_main.h"
#include "twod/two_d.h"
#include "core/file_io.h"
#include "core/json.h"
#include "gui/gui_container.h"
#include "gui/gui_menu.h"
#include "gui/workspace_mode.h"

namespace {

// Appends every visible, enabled component under `container` that is not a
// plain container; the walk does not enter hidden or disabled containers.
void collectControls(const GuiContainer& container, std::vector<const GuiComponent*>& out) {
    auto visit = [&](const GuiComponent* child) {
        if (child == nullptr || !child->isVisible() || !child->isEnabled()) return;
        if (const auto* inner = dynamic_cast<const GuiContainer*>(child)) {
            const bool plain = typeid(*inner) == typeid(GuiContainer);
            if (!plain) out.push_back(child);
            collectControls(*inner, out);
            return;
        }
        out.push_back(child);
    };
    for (const GuiComponent* child : container.components()) visit(child);
    for (const GuiComponent* child : container.sharedComponents()) visit(child);
    for (const GuiContainer* child : container.containers()) visit(child);
}

}  // namespace

void ApplicationScriptHost::middleOf(const GuiComponent& component, int& x, int& y) const {
    x = static_cast<int>(application_.toWindowX(static_cast<float>(component.left() + component.right()) / 2.0f));
    y = static_cast<int>(application_.toWindowY(static_cast<float>(component.top() + component.bottom()) / 2.0f));
}

SoakRect ApplicationScriptHost::windowRect(const GuiComponent& component) const {
    SoakRect rect;
    rect.left = static_cast<int>(application_.toWindowX(static_cast<float>(component.left())));
    rect.top = static_cast<int>(application_.toWindowY(static_cast<float>(component.top())));
    rect.right = static_cast<int>(application_.toWindowX(static_cast<float>(component.right())));
    rect.bottom = static_cast<int>(application_.toWindowY(static_cast<float>(component.bottom())));
    return rect;
}

ScriptHost::MenuItemPlace ApplicationScriptHost::findMenuItem(const std::string& menu, const std::string& item) {
    MenuItemPlace place;
    GuiMenu* bar = application_.currentMenuBar();
    if (bar == nullptr) return place;
    for (GuiButtonMenu* title : bar->titles()) {
        if (!title->name().equals(menu.c_str())) continue;
        place.menuFound = true;
        place.menuOpen = title->isOpen();
        middleOf(*title, place.titleX, place.titleY);
        const GuiComponent* found = title->menu().item(String(item.c_str()));
        place.itemFound = found != nullptr;
        if (found != nullptr) {
            place.itemEnabled = found->isEnabled() && found->isVisible();
            middleOf(*found, place.itemX, place.itemY);
        }
        break;
    }
    return place;
}

bool ApplicationScriptHost::isBusy(std::string& running) {
    const std::vector<std::string> names = application_.longOperations().running();
    running.clear();
    for (const std::string& name : names) running += (running.empty() ? "" : ", ") + name;
    return !names.empty();
}

bool ApplicationScriptHost::writeState(const std::string& path, std::string& error) {
    const std::string text = application_.stateSnapshot().serialise() + "\n";
    if (!replaceFile(String(path.c_str()), text.data(), static_cast<int>(text.size()))) {
        error = "the file could not be written";
        return false;
    }
    return true;
}

SoakView ApplicationScriptHost::soakView() const {
    SoakView view;
    view.width = static_cast<int>(application_.toWindowX(static_cast<float>(application_.backBufferWidth())));
    view.height = static_cast<int>(application_.toWindowY(static_cast<float>(application_.backBufferHeight())));
    view.mode = application_.currentMode();
    if (application_.twoD() != nullptr) view.images = application_.twoD()->images().imageCount();
    WorkspaceMode* mode = application_.activeMode();
    if (mode == nullptr) return view;
    std::vector<const GuiComponent*> controls;
    if (mode->screen().isVisible()) collectControls(mode->screen(), controls);
    if (mode->titleBar().isVisible()) collectControls(mode->titleBar(), controls);
    for (const GuiComponent* control : controls) {
        if (control->width() > 0 && control->height() > 0) view.controls.push_back(windowRect(*control));
    }
    view.openMenu = mode->openMenuName().text();
    for (const GuiButtonMenu* title : mode->menuBar().titles()) {
        SoakMenu menu;
        menu.name = title->name().text();
        menu.title = windowRect(*title);
        for (const GuiComponent* item : title->menu().items())
            menu.items.push_back({item->name().text(), item->isEnabled() && item->isVisible()});
        view.menus.push_back(std::move(menu));
    }
    return view;
}
