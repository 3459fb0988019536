// The running program as the script player asks it: where menus and their
// items are drawn, whether a long operation runs, the state snapshot, and
// for soak sessions what the current screen shows.
#pragma once

#include "app/script/script_player.h"
#include "app/script/soak.h"

class ApplicationMain;
class GuiComponent;

class ApplicationScriptHost : public ScriptHost {
public:
    explicit ApplicationScriptHost(ApplicationMain& application) : application_(application) {}

    MenuItemPlace findMenuItem(const std::string& menu, const std::string& item) override;
    bool isBusy(std::string& running) override;
    bool writeState(const std::string& path, std::string& error) override;

    // The controls and menus of the current mode, in window pixels: every
    // visible, enabled widget of its screen and title bar whose ancestors
    // are visible, and each menu of its bar with the items' enabled flags.
    SoakView soakView() const;

private:
    SoakRect windowRect(const GuiComponent& component) const;
    void middleOf(const GuiComponent& component, int& x, int& y) const;

    ApplicationMain& application_;
};
