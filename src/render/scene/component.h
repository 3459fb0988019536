// Component: the scene node. It carries a local transform and the world
// transform derived from its parent, one render-state object per registered
// render-state type (applied before it draws), an optional material, a list
// of textures (texture i is set on stage i), the drawable entries it hands to
// the render list, an optional observer, and the enabled and hideable flags.
//
// Device loss: nodes holding device buffers keep a copy of their data.
// Before the device is reset the application calls releaseDeviceObjects() on
// the scene's root (from the renderer's device-lost hook); after the reset it
// calls restoreDeviceObjects() (from the device-reset hook). Containers pass
// both calls to their children. Textures are not touched here: the renderer
// re-creates them through the texture list.
#pragma once

#include "platform/graphics_device.h"
#include "render/render_states.h"
#include "render/scene/render_list.h"
#include "render/scene/scene_observer.h"
#include "render/scene/scene_transform.h"

#include <memory>
#include <optional>
#include <vector>

class Camera;
class Texture;

// The render-state types in registration order; a node keeps one object of
// each, in this order, and applies them in this order.
enum class RenderstateType : int {
    Alpha = 0,
    AmbientLight,
    Blend,
    Buffer,
    Cull,
    Dithering,
    Fillmode,
    Fog,
    LightEnabled,
    Shade,
};
inline constexpr int kRenderstateTypeCount = static_cast<int>(RenderstateType::Shade) + 1;

// A new render-state object of `type` with the default a scene node starts
// with: alpha off, ambient (0, 0, 0), blend codes 1 and 0, depth test and
// write on with less-equal, cull code 2, dithering off, fill code 2 (solid),
// fog off, lighting on, shade.
std::unique_ptr<Renderstate> createDefaultRenderstate(RenderstateType type);

class Component {
public:
    // A root node (no parent) with default render states and identity
    // transforms. `typeNumber` identifies the node's class (see classType()).
    explicit Component(int typeNumber = classType());
    virtual ~Component();
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    // Sets the parent if none is set; otherwise logs "Parent already set!"
    // at "Component::setParent" and keeps the old parent.
    virtual void setParent(Component* parent);
    // Applies every render-state object of the node in list order.
    virtual void applyRenderstates(gfx::GraphicsDevice& device);
    // Fill mode code 1 (wireframe) when true, else 2 (solid).
    virtual void setWireframe(bool wireframe);
    virtual void setHideable(bool hideable);
    virtual void setEnabled(bool enabled);
    // Recomputes the world transform from the parent's world record and the
    // local record, then tells the observer. Without a parent the world
    // record is the local one; with one it starts as the parent's world
    // record and adds the local translation and rotation, and the local
    // rotation also into the scaling (the local scaling takes no part).
    // Rotations end clamped into [0, 2π].
    virtual void updateTransform();
    // Each stores the local value, then updateTransform().
    virtual void setTranslation(const D3DXVECTOR3& translation);
    // Clamps each component into [0, 2π] before storing it.
    virtual void setRotation(const D3DXVECTOR3& rotation);
    virtual void setScaling(const D3DXVECTOR3& scaling);
    // Re-creates the node's geometry (nothing for a plain node).
    virtual void rebuild();
    // Hands the node's drawable entries to `list` (nothing for a plain
    // node). `view` is the camera the list is drawn with (may be null).
    virtual void collect(const Camera* view, RenderList& list);
    // Gives back the node's device buffers, keeping what is needed to make
    // them again (nothing for a plain node).
    virtual void releaseDeviceObjects();
    // Makes the buffers released by releaseDeviceObjects() again.
    virtual void restoreDeviceObjects();

    // --- queries
    int typeNumber() const { return typeNumber_; }
    Component* parent() const { return parent_; }
    bool isEnabled() const { return enabled_; }
    bool isHideable() const { return hideable_; }
    // True when hideable, an observer is attached and it answers hidden.
    bool isHidden() const;
    const Transform& localTransform() const { return local_; }
    const Transform& worldTransform() const { return world_; }

    // --- render states (one per type, in registration order)
    const std::vector<std::unique_ptr<Renderstate>>& renderstates() const { return renderstates_; }
    Renderstate& renderstate(RenderstateType type) { return *renderstates_[static_cast<size_t>(type)]; }
    RSAlpha& rsAlpha() { return stateAs<RSAlpha>(RenderstateType::Alpha); }
    RSAmbientLight& rsAmbientLight() { return stateAs<RSAmbientLight>(RenderstateType::AmbientLight); }
    RSBlend& rsBlend() { return stateAs<RSBlend>(RenderstateType::Blend); }
    RSBuffer& rsBuffer() { return stateAs<RSBuffer>(RenderstateType::Buffer); }
    RSCull& rsCull() { return stateAs<RSCull>(RenderstateType::Cull); }
    RSDithering& rsDithering() { return stateAs<RSDithering>(RenderstateType::Dithering); }
    RSFillmode& rsFillmode() { return stateAs<RSFillmode>(RenderstateType::Fillmode); }
    RSFog& rsFog() { return stateAs<RSFog>(RenderstateType::Fog); }
    RSLightEnabled& rsLightEnabled() { return stateAs<RSLightEnabled>(RenderstateType::LightEnabled); }
    RSShade& rsShade() { return stateAs<RSShade>(RenderstateType::Shade); }

    // --- drawable entries handed to the render list by collect()
    // Takes `entry` and appends it to the node's list.
    void addDrawable(std::unique_ptr<Drawable> entry);
    const std::vector<std::unique_ptr<Drawable>>& drawables() const { return drawables_; }

    // --- material (none until set)
    void setMaterial(const gfx::Material& material) { material_ = material; }
    void clearMaterial() { material_.reset(); }
    const gfx::Material* material() const { return material_ ? &*material_ : nullptr; }

    // --- textures (not owned; texture i is set on stage i)
    void addTexture(Texture* texture) { textures_.push_back(texture); }
    // Forgets every texture of the list (the textures themselves stay).
    void clearTextures() { textures_.clear(); }
    const std::vector<Texture*>& textures() const { return textures_; }
    void setTexturesOn(bool on) { texturesOn_ = on; }
    bool texturesOn() const { return texturesOn_; }

    // --- observer (not owned; may be null)
    void setObserver(SceneObserver* observer) { observer_ = observer; }
    SceneObserver* observer() const { return observer_; }

    // --- class type numbers: each scene class asks once for its own.
    static int registerSceneClass();
    static int classType();

protected:
    // Clears the parent link (used by a container that gives a child away).
    void detachFromParent() { parent_ = nullptr; }
    // The node takes part in collect(): enabled and not hidden.
    bool isCollectable() const { return enabled_ && !isHidden(); }
    // Appends the node's drawable entries to `list`.
    void appendDrawables(RenderList& list) const;

    friend class Container;

private:
    template <class T>
    T& stateAs(RenderstateType type) {
        return static_cast<T&>(renderstate(type));
    }

    int typeNumber_;
    Component* parent_ = nullptr;
    std::vector<std::unique_ptr<Renderstate>> renderstates_;
    std::vector<std::unique_ptr<Drawable>> drawables_;
    std::optional<gfx::Material> material_;
    std::vector<Texture*> textures_;
    bool texturesOn_ = true;
    SceneObserver* observer_ = nullptr;
    bool hideable_ = true;
    bool enabled_ = true;
    Transform local_;
    Transform world_;
};
