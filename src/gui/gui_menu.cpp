#include "gui/gui_menu.h"

#include "gui/gui_image.h"
#include "render/renderer.h"
#include "render/texture.h"

#include <algorithm>

namespace {

const char* const kBarBackground = "data/gui/general/menu/menuback.dds";
const char* const kPanelBackground = "data/gui/general/menu/background/active.dds";
const char* const kItemOver = "data/gui/general/menu/overcontainer.dds";
const char* const kItemPressed = "data/gui/general/menu/pressedcontainer.dds";
const char* const kCheckFolder = "data/gui/general/menu/button";
// The base checkbox loads its own pictures; the menu item draws its own look.
const char* const kCheckboxFolder = "data/gui/general/checkbox";
const char* const kSeparator = "data/gui/general/menuline/menuline.dds";

// Caption colours of items and titles: active, over, pressed, disabled.
constexpr uint32_t kCaptionActive = 0xFFE8E8EE;
constexpr uint32_t kCaptionOver = 0xFFFFFFFF;
constexpr uint32_t kCaptionPressed = 0xFFB8D8FF;
constexpr uint32_t kCaptionDisabled = 0xFF7C7C88;
constexpr int kCaptionPoints = 12;
// Room right of the longest caption and the least width of a panel.
constexpr int kCaptionSlack = 24;
constexpr int kLeastMenuWidth = 160;
// Room around a title's caption on the bar.
constexpr int kTitlePadding = 22;

// Width of `text` in the captions' font; an estimate while no font can be made.
int captionWidth(const String& text) {
    DxRenderer& renderer = guiRenderer();
    if (renderer.isInitialised()) {
        const int font = renderer.createFont(String("Arial"), kCaptionPoints, false, true);
        const TextExtent extent = renderer.measureText(font, text);
        if (extent.width > 0) return extent.width;
    }
    return text.length() * 7;
}

// A check item: a highlight while over or pressed, the mark while checked,
// and the caption beside it.
class GuiMenuCheckItem : public GuiCheckbox {
public:
    explicit GuiMenuCheckItem(const String& label)
        : GuiCheckbox(String(kCheckboxFolder)),
          over_(loadGuiTexture(String(kItemOver))),
          pressedLook_(loadGuiTexture(String(kItemPressed))),
          mark_(loadGuiTexture(String(kCheckFolder).append(String("/checked.dds")))),
          font_("Arial", kCaptionPoints) {
        setName(label);
    }

    void render() override {
        if (!isVisible()) return;
        DxRenderer& renderer = guiRenderer();
        const ArtState state = artStateOf(isEnabled(), isOver(), isPressed());
        const float l = static_cast<float>(left());
        const float t = static_cast<float>(top());
        const float r = static_cast<float>(right());
        const float b = static_cast<float>(bottom());
        if (state == ArtState::Over) drawStretched(renderer, over_, l, t, r, b);
        if (state == ArtState::Pressed) drawStretched(renderer, pressedLook_, l, t, r, b);
        if (isChecked()) {
            const float size = 16.0f;
            const float markTop = t + (b - t - size) / 2.0f;
            drawStretched(renderer, mark_, l + 6.0f, markTop, l + 6.0f + size, markTop + size, 0.0f,
                          isEnabled() ? 0xFFFFFFFFu : 0x90FFFFFFu);
        }
        if (font_.select(renderer)) {
            const uint32_t colours[] = {kCaptionActive, kCaptionOver, kCaptionPressed, kCaptionDisabled};
            const int textHeight = renderer.lineHeight();
            const PixelRect rect{left() + GuiMenu::kCaptionIndent, top() + (height() - textHeight) / 2, right(), bottom()};
            renderer.drawText(rect, name(), colours[static_cast<int>(state)], TextAlign::Left);
        }
        GuiComponent::render();
    }

private:
    Texture* over_;
    Texture* pressedLook_;
    Texture* mark_;
    GuiFont font_;
};

void styleCaption(GuiButton& button) {
    button.setCaptionColours(kCaptionActive, kCaptionOver, kCaptionPressed, kCaptionDisabled);
    button.setCaptionBackgrounds(String(kItemOver), String(kItemPressed));
}

void setStateHelpTexts(GuiComponent& item, const String& helpText, const String& disabledHelpText) {
    item.setHelpText(helpText);
    item.setDisabledHelpText(disabledHelpText.length() > 0 ? disabledHelpText : helpText);
}

}  // namespace

// ------------------------------------------------------------------- GuiMenu --

GuiMenu::GuiMenu(const String& name, bool barBackground) : GuiContainer(name) {
    if (barBackground) setBackground(loadGuiTexture(String(kBarBackground)));
}

void GuiMenu::setMenuListener(GuiMenuListener* listener) {
    listener_ = listener;
    for (GuiComponent* child : components()) {
        if (auto* title = dynamic_cast<GuiButtonMenu*>(child)) title->menu().setMenuListener(listener);
    }
}

GuiButton* GuiMenu::addItem(const String& label, const String& helpText, const String& disabledHelpText) {
    auto* button = new GuiButton(label);
    styleCaption(*button);
    button->setFont(String("Arial"), kCaptionPoints);
    button->setCaptionStyle(false);
    setStateHelpTexts(*button, helpText, disabledHelpText);
    button->addListener(this);
    add(button);
    return button;
}

GuiCheckbox* GuiMenu::addCheckItem(const String& label, const String& helpText, const String& disabledHelpText) {
    auto* item = new GuiMenuCheckItem(label);
    setStateHelpTexts(*item, helpText, disabledHelpText);
    item->addListener(this);
    add(item);
    return item;
}

void GuiMenu::addSeparator() {
    auto* line = new GuiImage(String(kSeparator));
    line->setName(String("Separator"));
    line->setHelpText(String());
    line->setCurrentHelpText(String());
    add(line);
}

void GuiMenu::placeItem(GuiComponent* item, int left, int& y, int width, int height) {
    item->setRect(left, y, left + width, y + height);
    y += height;
}

void GuiMenu::layoutItems(int left, int top, int width) {
    int y = top;
    for (GuiComponent* child : components()) {
        if (dynamic_cast<GuiImage*>(child) != nullptr) {
            placeItem(child, left + 6, y, width - 12, kSeparatorHeight);
            continue;
        }
        placeItem(child, left, y, width, kItemHeight);
        if (auto* button = dynamic_cast<GuiButton*>(child)) {
            const int textTop = child->top() + (kItemHeight - 16) / 2;
            button->setTextRect(static_cast<float>(left + kCaptionIndent), static_cast<float>(textTop),
                                static_cast<float>(left + width), static_cast<float>(child->bottom()));
        }
    }
    setRect(left, top, left + width, y);
}

int GuiMenu::preferredWidth() const {
    int widest = 0;
    for (GuiComponent* child : components()) {
        if (dynamic_cast<GuiImage*>(child) == nullptr) widest = std::max(widest, captionWidth(child->name()));
    }
    return std::max(kLeastMenuWidth, widest + kCaptionIndent + kCaptionSlack);
}

GuiComponent* GuiMenu::item(const String& label) const {
    for (GuiComponent* child : components()) {
        if (dynamic_cast<GuiImage*>(child) != nullptr) continue;
        if (child->name().equals(label)) return child;
    }
    return nullptr;
}

void GuiMenu::setItemChecked(const String& label, bool checked) {
    if (auto* checkbox = dynamic_cast<GuiCheckbox*>(item(label))) checkbox->setChecked(checked);
}

bool GuiMenu::isItemChecked(const String& label) const {
    auto* checkbox = dynamic_cast<GuiCheckbox*>(item(label));
    return checkbox != nullptr && checkbox->isChecked();
}

void GuiMenu::setItemEnabled(const String& label, bool enabled) {
    if (GuiComponent* found = item(label)) found->setEnabled(enabled);
}

void GuiMenu::setItemHelpTexts(const String& label, const String& helpText, const String& disabledHelpText) {
    if (GuiComponent* found = item(label)) {
        found->setHelpText(helpText);
        found->setDisabledHelpText(disabledHelpText);
    }
}

std::vector<GuiComponent*> GuiMenu::items() const {
    std::vector<GuiComponent*> list;
    for (GuiComponent* child : components())
        if (dynamic_cast<GuiImage*>(child) == nullptr) list.push_back(child);
    return list;
}

GuiComponent* GuiMenu::highlighted() const {
    for (GuiComponent* child : items())
        if (child->isOver()) return child;
    return nullptr;
}

void GuiMenu::highlight(GuiComponent* item) {
    // Hovering is what shows an item highlighted: the chosen one is hovered
    // at its middle, the others far away.
    for (GuiComponent* child : items()) {
        if (child == item) {
            child->hover(static_cast<float>(child->left() + child->right()) / 2.0f,
                         static_cast<float>(child->top() + child->bottom()) / 2.0f);
        } else {
            child->hover(-1.0e9f, -1.0e9f);
        }
    }
    highlighted_ = item;
}

bool GuiMenu::highlightFirst() {
    for (GuiComponent* child : items()) {
        if (child->isEnabled()) {
            highlight(child);
            return true;
        }
    }
    highlight(nullptr);
    return false;
}

bool GuiMenu::moveHighlight(int step) {
    const std::vector<GuiComponent*> list = items();
    if (list.empty() || step == 0) return false;
    GuiComponent* current = highlighted();
    if (current == nullptr) current = highlighted_;
    const int count = static_cast<int>(list.size());
    int index = -1;
    for (int i = 0; i < count; ++i)
        if (list[static_cast<size_t>(i)] == current) index = i;
    if (index < 0) index = step > 0 ? -1 : count;
    for (int tried = 0; tried < count; ++tried) {
        index = ((index + (step > 0 ? 1 : -1)) % count + count) % count;
        if (list[static_cast<size_t>(index)]->isEnabled()) {
            highlight(list[static_cast<size_t>(index)]);
            return true;
        }
    }
    return false;
}

bool GuiMenu::choose(GuiComponent* item) {
    if (item == nullptr || !item->isEnabled() || !item->isVisible()) return false;
    const std::vector<GuiComponent*> list = items();
    if (std::find(list.begin(), list.end(), item) == list.end()) return false;
    if (auto* checkbox = dynamic_cast<GuiCheckbox*>(item)) {
        checkbox->setChecked(!checkbox->isChecked());
        if (checkbox->isChecked()) {
            checked(checkbox);
        } else {
            unchecked(checkbox);
        }
        return true;
    }
    if (auto* button = dynamic_cast<GuiButton*>(item)) {
        released(button);
        return true;
    }
    return false;
}

GuiButtonMenu* GuiMenu::addMenu(GuiButtonMenu* title) {
    if (title == nullptr || !add(title)) return nullptr;
    title->menu().setMenuListener(listener_);
    return title;
}

void GuiMenu::layoutBar(int left, int top, int right, int height) {
    int x = left;
    for (GuiComponent* child : components()) {
        auto* title = dynamic_cast<GuiButtonMenu*>(child);
        if (title == nullptr) continue;
        const int width = title->preferredWidth();
        title->setRect(x, top, x + width, top + height);
        x += width;
    }
    setRect(left, top, std::max(right, x), top + height);
}

GuiMenu* GuiMenu::findMenu(const String& name) const {
    for (GuiComponent* child : components()) {
        auto* title = dynamic_cast<GuiButtonMenu*>(child);
        if (title != nullptr && title->name().equals(name)) return &title->menu();
    }
    return nullptr;
}

GuiButtonMenu* GuiMenu::openMenu() const {
    for (GuiComponent* child : components()) {
        auto* title = dynamic_cast<GuiButtonMenu*>(child);
        if (title != nullptr && title->isOpen()) return title;
    }
    return nullptr;
}

void GuiMenu::closeMenus() {
    for (GuiComponent* child : components()) {
        if (auto* title = dynamic_cast<GuiButtonMenu*>(child)) title->close();
    }
}

std::vector<GuiButtonMenu*> GuiMenu::titles() const {
    std::vector<GuiButtonMenu*> list;
    for (GuiComponent* child : components())
        if (auto* title = dynamic_cast<GuiButtonMenu*>(child)) list.push_back(title);
    return list;
}

bool GuiMenu::openMenuNamed(const String& name) {
    for (GuiButtonMenu* title : titles()) {
        if (!title->name().equals(name)) continue;
        title->open();
        title->menu().highlightFirst();
        return true;
    }
    return false;
}

bool GuiMenu::openNeighbour(int step) {
    const std::vector<GuiButtonMenu*> list = titles();
    const int count = static_cast<int>(list.size());
    for (int i = 0; i < count; ++i) {
        if (!list[static_cast<size_t>(i)]->isOpen()) continue;
        GuiButtonMenu* next = list[static_cast<size_t>(((i + step) % count + count) % count)];
        next->open();
        next->menu().highlightFirst();
        return true;
    }
    return false;
}

void GuiMenu::close() {
    if (parent() != nullptr && parent()->capture() == this) parent()->setCapture(nullptr);
    resetState();
    if (closeHandler_) closeHandler_();
}

void GuiMenu::send(const String& text) {
    // Close first: the command may open a dialog or another panel.
    close();
    if (listener_ != nullptr) listener_->command(text);
}

void GuiMenu::released(GuiButton* button) { send(button->name()); }

void GuiMenu::checked(GuiCheckbox* checkbox) { send(String(checkbox->name()).append(String(" checked"))); }

void GuiMenu::unchecked(GuiCheckbox* checkbox) { send(String(checkbox->name()).append(String(" unchecked"))); }

// ---------------------------------------------------------- GuiContainerMenu --

GuiContainerMenu::GuiContainerMenu(GuiMenu* menu) : GuiContainer(String("Menu")), menu_(menu) {
    setBackground(loadGuiTexture(String(kPanelBackground)));
    addContainer(menu_);
    setVisible(false);
}

void GuiContainerMenu::placeAt(int left, int top) {
    const int width = menu_->preferredWidth();
    menu_->layoutItems(left + kPadding, top + kPadding, width);
    setRect(left, top, left + width + 2 * kPadding, menu_->bottom() + kPadding);
}

// ------------------------------------------------------------- GuiButtonMenu --

GuiButtonMenu::GuiButtonMenu(const String& name, GuiMenu* menu)
    : GuiButton(name), panel_(std::make_unique<GuiContainerMenu>(menu)) {
    menu->setName(name);
    menu->setCloseHandler([this] { close(); });
    setCaptionColours(kCaptionActive, kCaptionOver, kCaptionPressed, kCaptionDisabled);
    setCaptionBackgrounds(String(kItemOver), String(kItemPressed));
    setFont(String("Arial"), kCaptionPoints);
}

GuiButtonMenu::GuiButtonMenu(const String& name) : GuiButtonMenu(name, new GuiMenu(name)) {}

GuiButtonMenu::~GuiButtonMenu() = default;

int GuiButtonMenu::preferredWidth() const { return captionWidth(name()) + 2 * kTitlePadding; }

void GuiButtonMenu::setBounds(int left, int top, int bottom, int right) {
    GuiButton::setBounds(left, top, bottom, right);
    panel_->placeAt(left, bottom);
}

void GuiButtonMenu::open() {
    if (open_) return;
    if (auto* bar = dynamic_cast<GuiMenu*>(parent())) bar->closeMenus();
    // The owner brings the items up to date before they are shown.
    if (GuiMenuListener* listener = menu().menuListener()) listener->opening(menu());
    panel_->placeAt(left(), bottom());
    panel_->resetState();
    panel_->setVisible(true);
    open_ = true;
    // Every container up to the root captures the way down to this title, so
    // that a press anywhere on the screen reaches the open menu alone.
    GuiComponent* child = this;
    for (GuiContainer* container = parent(); container != nullptr; container = container->parent()) {
        container->setCapture(child);
        child = container;
    }
}

void GuiButtonMenu::close() {
    if (!open_) return;
    open_ = false;
    panel_->setVisible(false);
    panel_->resetState();
    GuiComponent* child = this;
    for (GuiContainer* container = parent(); container != nullptr; container = container->parent()) {
        if (container->capture() == child) container->setCapture(nullptr);
        child = container;
    }
}

bool GuiButtonMenu::hover(float x, float y) {
    const bool overTitle = GuiButton::hover(x, y);
    applyStateHelpText();
    if (!open_) return overTitle;
    if (panel_->hover(x, y)) {
        setCurrentHelpText(panel_->helpText());
        return true;
    }
    return overTitle;
}

bool GuiButtonMenu::mousePressed(InputIdentifier button, float x, float y) {
    if (!open_) {
        if (!GuiButton::mousePressed(button, x, y)) return false;
        open();
        return true;
    }
    if (panel_->hitTest(x, y)) {
        panel_->mousePressed(button, x, y);
    } else {
        // On the title or anywhere else: the menu closes and the press is
        // used up.
        close();
    }
    return true;
}

bool GuiButtonMenu::mouseReleased(InputIdentifier button, float x, float y) {
    const bool wasOpen = open_;
    GuiButton::mouseReleased(button, x, y);
    if (wasOpen) panel_->mouseReleased(button, x, y);
    return wasOpen || contains(x, y);
}

bool GuiButtonMenu::mouseWheel(int delta) {
    if (!open_) return false;
    panel_->mouseWheel(delta);
    return true;
}

bool GuiButtonMenu::hitTest(float x, float y) {
    if (!isVisible()) return false;
    return contains(x, y) || (open_ && panel_->hitTest(x, y));
}

void GuiButtonMenu::render() {
    if (!isVisible()) return;
    if (open_) {
        renderPressedLook();
        GuiComponent::render();
        panel_->render();
        return;
    }
    GuiButton::render();
}

void GuiButtonMenu::resetState() {
    GuiComponent::resetState();
    panel_->resetState();
}
