#include "render/scene/container.h"

int Container::classType() {
    static const int type = registerSceneClass();
    return type;
}

Container::Container(int typeNumber) : Component(typeNumber) {}

Container::~Container() = default;

void Container::setWireframe(bool wireframe) {
    Component::setWireframe(wireframe);
    for (auto& child : children_) child->setWireframe(wireframe);
}

void Container::setEnabled(bool enabled) {
    Component::setEnabled(enabled);
    for (auto& child : children_) child->setEnabled(enabled);
}

void Container::updateTransform() {
    Component::updateTransform();
    for (auto& child : children_) child->updateTransform();
}

void Container::rebuild() {
    for (auto& child : children_) child->rebuild();
}

void Container::collect(const Camera* view, RenderList& list) {
    if (!isCollectable()) return;
    appendDrawables(list);
    for (auto& child : children_) child->collect(view, list);
}

void Container::releaseDeviceObjects() {
    for (auto& child : children_) child->releaseDeviceObjects();
}

void Container::restoreDeviceObjects() {
    for (auto& child : children_) child->restoreDeviceObjects();
}

Component* Container::addChild(std::unique_ptr<Component> child) {
    if (!child) return nullptr;
    if (children_.size() == children_.capacity()) children_.reserve(children_.size() + kGrowthStep);
    Component* added = child.get();
    children_.push_back(std::move(child));
    added->setParent(this);
    added->updateTransform();
    if (observer() != nullptr && added->observer() != nullptr) observer()->childAttached(added->observer());
    return added;
}

std::unique_ptr<Component> Container::removeChild(int index) {
    if (index < 0 || index >= childCount()) return nullptr;
    std::unique_ptr<Component> removed = std::move(children_[static_cast<size_t>(index)]);
    children_.erase(children_.begin() + index);
    if (removed->parent() == this) removed->detachFromParent();
    return removed;
}

Component* Container::child(int index) const {
    if (index < 0 || index >= childCount()) return nullptr;
    return children_[static_cast<size_t>(index)].get();
}
