// The menu family:
//  - GuiMenu: a list of items (command buttons, check items, separators)
//    laid out top to bottom, whose choices reach one GuiMenuListener as text
//    ("Save Project...", "Render Mask checked"). The same class serves as
//    the menu bar: a row of GuiButtonMenu titles, with findMenu().
//  - GuiContainerMenu: the drop-down panel that holds one GuiMenu.
//  - GuiButtonMenu: a title on the menu bar that opens and closes its panel.
//    While open, the bar holds the capture for it, so a press anywhere else
//    reaches only the open menu (and closes it).
// Items are found by their label; an operation on a label no item bears
// does nothing.
#pragma once

#include "gui/gui_button.h"
#include "gui/gui_checkbox.h"
#include "gui/gui_container.h"
#include "gui/gui_listeners.h"

#include <functional>
#include <memory>

class GuiButtonMenu;
class GuiContainerMenu;

class GuiMenu : public GuiContainer, public GuiButtonListener, public GuiCheckboxListener {
public:
    // Height of a command or check item and of a separator, in pixels.
    static constexpr int kItemHeight = 24;
    static constexpr int kSeparatorHeight = 9;
    // Room at the left of an item's caption for the check mark.
    static constexpr int kCaptionIndent = 28;

    // A menu named `name` ("File"). With `barBackground` it draws the menu
    // bar's background "data/gui/general/menu/menuback.dds".
    explicit GuiMenu(const String& name = String("Menu"), bool barBackground = false);

    // The receiver of the commands (not owned; null for none). Title menus
    // added with addMenu() pass it on to their own menus.
    void setMenuListener(GuiMenuListener* listener);
    GuiMenuListener* menuListener() const { return listener_; }

    // --- items (top to bottom, in the order added)
    // A command item: choosing it sends `label`.
    GuiButton* addItem(const String& label, const String& helpText, const String& disabledHelpText = String());
    // A check item: choosing it toggles the mark and sends "<label> checked"
    // or "<label> unchecked".
    GuiCheckbox* addCheckItem(const String& label, const String& helpText,
                              const String& disabledHelpText = String());
    // A line between groups of items.
    void addSeparator();
    // Places the items in a column from (left, top), each `width` wide, and
    // sets the menu's rectangle around them.
    void layoutItems(int left, int top, int width);
    // The width that fits the longest caption.
    int preferredWidth() const;

    // --- label operations
    // The item (command or check item) bearing `label`; null for none.
    GuiComponent* item(const String& label) const;
    // Sets the mark of a check item without telling anyone.
    void setItemChecked(const String& label, bool checked);
    // False for a label without a check item.
    bool isItemChecked(const String& label) const;
    void setItemEnabled(const String& label, bool enabled);
    void setItemHelpTexts(const String& label, const String& helpText, const String& disabledHelpText);

    // --- keyboard use
    // The item drawn highlighted (the one under the pointer, or the one the
    // keys moved to); null for none.
    GuiComponent* highlighted() const;
    // Highlights the first enabled item; false when there is none.
    bool highlightFirst();
    // Moves the highlight by `step` items (+1 down, -1 up) over the enabled
    // items, wrapping around; false when no item is enabled.
    bool moveHighlight(int step);
    // Chooses an item as a click would: a command item sends its label, a
    // check item toggles and sends "<label> checked" / "... unchecked".
    // Nothing happens (false) for a disabled item or one not in this menu.
    bool choose(GuiComponent* item);

    // --- the menu bar
    // Appends a title to the bar (owned) and gives its menu this bar's
    // listener. Returns the title.
    GuiButtonMenu* addMenu(GuiButtonMenu* title);
    // Places the titles in a row from (left, top), each as wide as its
    // caption, `height` high, and sets the bar's rectangle to end at `right`.
    void layoutBar(int left, int top, int right, int height);
    // The menu of the title named `name`; null for none.
    GuiMenu* findMenu(const String& name) const;
    // The open title of the bar; null when every menu is closed.
    GuiButtonMenu* openMenu() const;
    // Closes whichever menu of the bar is open.
    void closeMenus();
    // Opens the title named `name` with its first enabled item highlighted;
    // false when the bar has no such title.
    bool openMenuNamed(const String& name);
    // Opens the title `step` places right (+1) or left (-1) of the open one,
    // wrapping around; false when no menu is open.
    bool openNeighbour(int step);
    // The titles of the bar, left to right.
    std::vector<GuiButtonMenu*> titles() const;
    // The items that can be chosen (no separators), top to bottom; each
    // item's name is its label.
    std::vector<GuiComponent*> items() const;

    // --- closing after a choice
    // Called when a choice closes the menu (set by the title that shows it).
    void setCloseHandler(std::function<void()> handler) { closeHandler_ = std::move(handler); }
    // Releases the parent's capture and clears over and pressed of every item.
    void close();

    // GuiButtonListener / GuiCheckboxListener: the items report here.
    void released(GuiButton* button) override;
    void checked(GuiCheckbox* checkbox) override;
    void unchecked(GuiCheckbox* checkbox) override;

private:
    void send(const String& text);
    void placeItem(GuiComponent* item, int left, int& y, int width, int height);
    // Shows `item` highlighted and every other item plain.
    void highlight(GuiComponent* item);

    GuiMenuListener* listener_ = nullptr;
    std::function<void()> closeHandler_;
    GuiComponent* highlighted_ = nullptr;
};

// The drop-down panel of one menu: a background with the menu's items on it.
class GuiContainerMenu : public GuiContainer {
public:
    // Room between the panel's edge and its items.
    static constexpr int kPadding = 5;

    // A hidden panel named "Menu" holding `menu` (owned).
    explicit GuiContainerMenu(GuiMenu* menu);

    GuiMenu& menu() const { return *menu_; }
    // Lays the items out with the panel's top left corner at (left, top).
    void placeAt(int left, int top);

private:
    GuiMenu* menu_;
};

// A title of the menu bar. Pressing it opens its panel below it; pressing it
// again, choosing an item, or pressing anywhere else closes it.
class GuiButtonMenu : public GuiButton {
public:
    // A title captioned `name` whose panel holds `menu` (owned; its name
    // becomes `name`).
    GuiButtonMenu(const String& name, GuiMenu* menu);
    // A title with a new empty menu.
    explicit GuiButtonMenu(const String& name);
    ~GuiButtonMenu() override;

    GuiMenu& menu() const { return panel_->menu(); }
    GuiContainerMenu& panel() const { return *panel_; }
    bool isOpen() const { return open_; }
    // Opens the panel under the title and takes the bar's capture.
    void open();
    // Hides the panel and gives the capture back.
    void close();
    // The width the title needs for its caption.
    int preferredWidth() const;

    void setBounds(int left, int top, int bottom, int right) override;
    // While open the whole screen belongs to the menu: every event goes to
    // the title and the panel, and a press on neither closes it.
    bool hover(float x, float y) override;
    bool mousePressed(InputIdentifier button, float x, float y) override;
    bool mouseReleased(InputIdentifier button, float x, float y) override;
    bool mouseWheel(int delta) override;
    bool hitTest(float x, float y) override;
    // The title (pressed look while open), then the open panel.
    void render() override;
    void resetState() override;

private:
    std::unique_ptr<GuiContainerMenu> panel_;
    bool open_ = false;
};
