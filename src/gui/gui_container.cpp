#include "gui/gui_container.h"

#include "gui/help_box.h"
#include "render/renderer.h"
#include "render/texture.h"

#include <algorithm>

namespace {

// Size the container backgrounds are drawn from.
constexpr float kBackgroundArtSize = 256.0f;

bool listHolds(const std::vector<GuiComponent*>& list, const GuiComponent* child) {
    return std::find(list.begin(), list.end(), child) != list.end();
}

std::vector<GuiComponent*> liveEntries(const std::vector<GuiComponent*>& list) {
    std::vector<GuiComponent*> live;
    live.reserve(list.size());
    for (GuiComponent* child : list)
        if (child != nullptr) live.push_back(child);
    return live;
}

}  // namespace

GuiContainer::GuiContainer() : GuiContainer(String("Container")) {}

GuiContainer::GuiContainer(const String& name) : GuiComponent(name) {}

GuiContainer::~GuiContainer() {
    for (GuiComponent* child : owned_) delete child;
    for (GuiComponent* child : containers_) delete child;
    for (GuiComponent* child : pendingDeletes_) delete child;
}

// ------------------------------------------------------------------ children --

bool GuiContainer::add(GuiComponent* child) {
    if (child == nullptr || child == this || child->parent_ != nullptr || listHolds(owned_, child)) return false;
    owned_.push_back(child);
    child->parent_ = this;
    return true;
}

bool GuiContainer::addShared(GuiComponent* child) {
    if (child == nullptr || child == this || listHolds(shared_, child)) return false;
    shared_.push_back(child);
    return true;
}

bool GuiContainer::addContainer(GuiContainer* child) {
    if (child == nullptr || child == this || child->parent_ != nullptr || listHolds(containers_, child))
        return false;
    containers_.push_back(child);
    child->parent_ = this;
    return true;
}

bool GuiContainer::takeOut(std::vector<GuiComponent*>& list, GuiComponent* child) {
    if (child == nullptr) return false;
    auto found = std::find(list.begin(), list.end(), child);
    if (found == list.end()) return false;
    // While an event is handed out the lists must keep their indices.
    if (dispatchDepth_ > 0)
        *found = nullptr;
    else
        list.erase(found);
    if (capture_ == child && !holds(child)) capture_ = nullptr;
    return true;
}

bool GuiContainer::removeShared(GuiComponent* child) { return takeOut(shared_, child); }

bool GuiContainer::release(GuiComponent* child) {
    if (!takeOut(owned_, child) && !takeOut(containers_, child)) return false;
    child->parent_ = nullptr;
    return true;
}

bool GuiContainer::destroy(GuiComponent* child) {
    if (!release(child)) return false;
    if (dispatchDepth_ > 0)
        pendingDeletes_.push_back(child);
    else
        delete child;
    return true;
}

void GuiContainer::compactLists() {
    for (auto* list : {&owned_, &shared_, &containers_})
        list->erase(std::remove(list->begin(), list->end(), nullptr), list->end());
    std::vector<GuiComponent*> doomed;
    doomed.swap(pendingDeletes_);
    for (GuiComponent* child : doomed) delete child;
}

std::vector<GuiComponent*> GuiContainer::components() const { return liveEntries(owned_); }

std::vector<GuiComponent*> GuiContainer::sharedComponents() const { return liveEntries(shared_); }

std::vector<GuiContainer*> GuiContainer::containers() const {
    std::vector<GuiContainer*> live;
    for (GuiComponent* child : containers_)
        if (child != nullptr) live.push_back(static_cast<GuiContainer*>(child));
    return live;
}

bool GuiContainer::holds(const GuiComponent* child) const {
    return child != nullptr && (listHolds(owned_, child) || listHolds(shared_, child) || listHolds(containers_, child));
}

bool GuiContainer::setCapture(GuiComponent* child) {
    if (child != nullptr && !holds(child)) return false;
    capture_ = child;
    return true;
}

void GuiContainer::setBackground(Texture* texture) { background_ = texture; }

// ------------------------------------------------------------------ dispatch --

template <typename Visit>
bool GuiContainer::forEachChild(Visit visit, bool stopAtFirst) {
    ++dispatchDepth_;
    bool any = false;
    if (capture_ != nullptr) {
        any = visit(capture_);
    } else {
        for (auto* list : {&owned_, &shared_, &containers_}) {
            // Index-based: a listener may add or remove children meanwhile.
            for (size_t i = 0; i < list->size(); ++i) {
                GuiComponent* child = (*list)[i];
                if (child == nullptr || !visit(child)) continue;
                any = true;
                if (stopAtFirst) break;
            }
            if (any && stopAtFirst) break;
        }
    }
    if (--dispatchDepth_ == 0) compactLists();
    return any;
}

template <typename Visit>
void GuiContainer::forEachChildUncaptured(Visit visit) {
    ++dispatchDepth_;
    for (auto* list : {&owned_, &shared_, &containers_})
        for (size_t i = 0; i < list->size(); ++i)
            if (GuiComponent* child = (*list)[i]) visit(child);
    if (--dispatchDepth_ == 0) compactLists();
}

bool GuiContainer::mousePressed(InputIdentifier button, float x, float y) {
    if (!acceptsEvents()) return false;
    return forEachChild([&](GuiComponent* child) { return child->mousePressed(button, x, y); }, false);
}

bool GuiContainer::mouseDoubleClicked() {
    if (!acceptsEvents()) return false;
    return forEachChild([](GuiComponent* child) { return child->mouseDoubleClicked(); }, false);
}

bool GuiContainer::mouseMoved(float x, float y) {
    if (!acceptsEvents()) return false;
    return forEachChild([&](GuiComponent* child) { return child->mouseMoved(x, y); }, false);
}

bool GuiContainer::mouseReleased(InputIdentifier button, float x, float y) {
    if (!acceptsEvents()) return false;
    return forEachChild([&](GuiComponent* child) { return child->mouseReleased(button, x, y); }, false);
}

bool GuiContainer::mouseWheel(int delta) {
    if (!acceptsEvents()) return false;
    return forEachChild([&](GuiComponent* child) { return child->mouseWheel(delta); }, true);
}

bool GuiContainer::hover(float x, float y) {
    if (!acceptsEvents()) return false;
    return forEachChild(
        [&](GuiComponent* child) {
            if (!child->hover(x, y)) return false;
            setCurrentHelpText(child->helpText());
            HelpBox::instance().show(helpText(), x, y);
            return true;
        },
        false);
}

bool GuiContainer::hitTest(float x, float y) {
    if (!isVisible()) return false;
    if (background_ != nullptr && contains(x, y)) return true;
    for (auto* list : {&owned_, &shared_, &containers_})
        for (GuiComponent* child : *list)
            if (child != nullptr && child->isVisible() && child->hitTest(x, y)) return true;
    return false;
}

// ------------------------------------------------------------------ drawing --

void GuiContainer::drawBackground() {
    if (background_ == nullptr || background_->isEmpty()) return;
    DxRenderer& renderer = guiRenderer();
    const D3DXMATRIX previous = renderer.spriteTransform();
    renderer.setSpriteTransform(static_cast<float>(width()) / kBackgroundArtSize,
                                static_cast<float>(height()) / kBackgroundArtSize, 0.0f, static_cast<float>(left()),
                                static_cast<float>(top()));
    renderer.drawSprite(background_, D3DXVECTOR2(0.0f, 0.0f));
    renderer.setSpriteTransform(previous);
}

void GuiContainer::render() {
    if (!isVisible()) return;
    drawBackground();
    forEachChildUncaptured([](GuiComponent* child) { child->render(); });
}

void GuiContainer::renderText() {
    if (!isVisible()) return;
    forEachChildUncaptured([](GuiComponent* child) { child->renderText(); });
}

void GuiContainer::renderOverlay() {
    if (!isVisible()) return;
    forEachChildUncaptured([](GuiComponent* child) { child->renderOverlay(); });
}

void GuiContainer::resetState() {
    forEachChildUncaptured([](GuiComponent* child) { child->resetState(); });
}

void GuiContainer::setShowShortcut(bool show) {
    GuiComponent::setShowShortcut(show);
    forEachChildUncaptured([show](GuiComponent* child) { child->setShowShortcut(show); });
}

bool GuiContainer::cancelPointerDrag() {
    bool cancelled = false;
    for (GuiComponent* child : components()) cancelled = child->cancelPointerDrag() || cancelled;
    for (GuiComponent* child : sharedComponents()) cancelled = child->cancelPointerDrag() || cancelled;
    for (GuiContainer* child : containers()) cancelled = child->cancelPointerDrag() || cancelled;
    return cancelled;
}
