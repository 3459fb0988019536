// GuiContainer: a component that holds others and hands them the pointer
// events. It keeps three lists: components it owns, components it shows and
// serves but that are owned elsewhere ("shared"), and sub-containers it
// owns. Events go to list 1, then list 2, then list 3, each in the order
// added. While a child is captured, events go to that child alone.
//
// Children may be removed while an event is being handed out (a listener
// closing a panel, say): the container then skips the removed child and
// tidies its lists once the event is done.
#pragma once

#include "gui/gui_component.h"

#include <vector>

class Texture;

class GuiContainer : public GuiComponent {
public:
    // A container named "Container".
    GuiContainer();
    explicit GuiContainer(const String& name);
    // Deletes the children of lists 1 and 3; the shared ones are left alone.
    ~GuiContainer() override;

    // --- children ---
    // Adds an owned component (list 1). False, with nothing changed, when the
    // child is null, already in the list or already has a parent; the caller
    // then keeps it. On true the container owns it and is its parent.
    bool add(GuiComponent* child);
    // Adds a component owned elsewhere (list 2); the parent is not set.
    // False when the child is null or already in list 2. The owner must
    // removeShared() it before deleting it.
    bool addShared(GuiComponent* child);
    // Adds an owned sub-container (list 3), with the rules of add().
    bool addContainer(GuiContainer* child);
    // Takes a shared component out of list 2; false when it is not there.
    bool removeShared(GuiComponent* child);
    // Takes an owned child out of list 1 or 3 without deleting it: the caller
    // owns it again and its parent is cleared. False when it is not there.
    bool release(GuiComponent* child);
    // Takes an owned child out of list 1 or 3 and deletes it (at once, or
    // after the event being handed out). False when it is not there.
    bool destroy(GuiComponent* child);
    // The children in list order (removed entries are left out).
    std::vector<GuiComponent*> components() const;
    std::vector<GuiComponent*> sharedComponents() const;
    std::vector<GuiContainer*> containers() const;
    // True when `child` is in any of the three lists.
    bool holds(const GuiComponent* child) const;

    // --- capture ---
    // While `child` is set, every event goes to it alone; null releases.
    // False, with the capture unchanged, for a child the container does not
    // hold. A child taken out of the container is released automatically.
    bool setCapture(GuiComponent* child);
    GuiComponent* capture() const { return capture_; }

    // --- background ---
    // Drawn scaled to the rectangle (from its 256 × 256 art size); null for none.
    void setBackground(Texture* texture);
    Texture* background() const { return background_; }

    // --- events ---
    // When visible and enabled, every child (or the captured one) gets the
    // event; true when any handled it.
    bool mousePressed(InputIdentifier button, float x, float y) override;
    bool mouseDoubleClicked() override;
    bool mouseMoved(float x, float y) override;
    bool mouseReleased(InputIdentifier button, float x, float y) override;
    // When visible and enabled, children are offered the wheel in order until
    // one takes it.
    bool mouseWheel(int delta) override;
    // When visible and enabled, every child is asked; each one under the
    // pointer gives the container its help text and shows it in the help box
    // at the pointer, so the last one wins. True when any child is under the
    // pointer.
    bool hover(float x, float y) override;
    // True when visible and the point lies on a visible child, or on the
    // container's own rectangle while it draws a background.
    bool hitTest(float x, float y) override;

    // --- drawing (inside a sprite batch) ---
    // When visible: the background, then the children of lists 1, 2, 3.
    void render() override;
    void renderText() override;
    // When visible: the children's overlays, no background.
    void renderOverlay() override;
    // Passed to every child whether the container is visible or not.
    void resetState() override;
    void setShowShortcut(bool show) override;
    // Offered to every child; true when one of them had a drag.
    bool cancelPointerDrag() override;

private:
    enum class ListKind { Owned, Shared, Containers };

    // Calls `visit` on every live child in list order, honouring the
    // capture; stops when `visit` returns true and `stopAtFirst` is set.
    // Returns whether any visit returned true.
    template <typename Visit>
    bool forEachChild(Visit visit, bool stopAtFirst);
    template <typename Visit>
    void forEachChildUncaptured(Visit visit);
    bool acceptsEvents() const { return isVisible() && isEnabled(); }
    void drawBackground();
    // Removes `child` from `list`; returns whether it was there.
    bool takeOut(std::vector<GuiComponent*>& list, GuiComponent* child);
    void compactLists();

    Texture* background_ = nullptr;
    std::vector<GuiComponent*> owned_;
    std::vector<GuiComponent*> shared_;
    std::vector<GuiComponent*> containers_;
    GuiComponent* capture_ = nullptr;
    // Events being handed out right now (nested calls count).
    int dispatchDepth_ = 0;
    std::vector<GuiComponent*> pendingDeletes_;
};
