// Container: a scene node with owned children. Transform updates, wireframe,
// enabling, rebuilding, collecting and the device life cycle pass down to
// every child; deleting the container deletes its children.
#pragma once

#include "render/scene/component.h"

#include <memory>
#include <vector>

class Container : public Component {
public:
    explicit Container(int typeNumber = classType());
    ~Container() override;

    // Own fill mode, then every child's.
    void setWireframe(bool wireframe) override;
    // Own flag, then every child's.
    void setEnabled(bool enabled) override;
    // Own world transform (and observer), then every child's.
    void updateTransform() override;
    void rebuild() override;
    // When enabled and not hidden: own drawable entries, then every child's
    // collect() in child order. A left-out container leaves out its subtree.
    void collect(const Camera* view, RenderList& list) override;
    void releaseDeviceObjects() override;
    void restoreDeviceObjects() override;

    // Appends `child` (null is ignored), makes this container its parent and
    // brings its world transform up to date. When both this container and the
    // child have an observer, this container's observer gets childAttached()
    // with the child's observer. Returns the child.
    Component* addChild(std::unique_ptr<Component> child);
    // Takes the child at `index` out (later children move down one place)
    // and hands it back without a parent; null for an index out of range.
    std::unique_ptr<Component> removeChild(int index);

    int childCount() const { return static_cast<int>(children_.size()); }
    // The child at `index`, or null out of range.
    Component* child(int index) const;

    static int classType();

private:
    static constexpr size_t kGrowthStep = 16;
    std::vector<std::unique_ptr<Component>> children_;
};
