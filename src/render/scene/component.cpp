#include "render/scene/component.h"

#include "core/logger.h"

std::unique_ptr<Renderstate> createDefaultRenderstate(RenderstateType type) {
    switch (type) {
    case RenderstateType::Alpha: return std::make_unique<RSAlpha>(false, false);
    case RenderstateType::AmbientLight: return std::make_unique<RSAmbientLight>(0, 0, 0);
    case RenderstateType::Blend: return std::make_unique<RSBlend>(1, 0);
    case RenderstateType::Buffer: return std::make_unique<RSBuffer>(true, true, 0);
    case RenderstateType::Cull: return std::make_unique<RSCull>(2);
    case RenderstateType::Dithering: return std::make_unique<RSDithering>(false);
    case RenderstateType::Fillmode: return std::make_unique<RSFillmode>(2);
    case RenderstateType::Fog: return std::make_unique<RSFog>();
    case RenderstateType::LightEnabled: return std::make_unique<RSLightEnabled>(true);
    case RenderstateType::Shade: return std::make_unique<RSShade>();
    }
    return nullptr;
}

int Component::registerSceneClass() {
    static int nextTypeNumber = 0;
    return nextTypeNumber++;
}

int Component::classType() {
    static const int type = registerSceneClass();
    return type;
}

Component::Component(int typeNumber) : typeNumber_(typeNumber) {
    renderstates_.reserve(kRenderstateTypeCount);
    for (int type = 0; type < kRenderstateTypeCount; ++type)
        renderstates_.push_back(createDefaultRenderstate(static_cast<RenderstateType>(type)));
}

Component::~Component() = default;

void Component::setParent(Component* parent) {
    if (parent_ != nullptr) {
        Logger::instance().error("Component::setParent", "Parent already set!");
        return;
    }
    parent_ = parent;
}

void Component::applyRenderstates(gfx::GraphicsDevice& device) {
    for (const auto& state : renderstates_) state->apply(device);
}

void Component::setWireframe(bool wireframe) { rsFillmode().mode = wireframe ? 1 : 2; }

void Component::setHideable(bool hideable) { hideable_ = hideable; }

void Component::setEnabled(bool enabled) { enabled_ = enabled; }

void Component::updateTransform() {
    if (parent_ == nullptr) {
        world_ = local_;
    } else {
        world_ = parent_->worldTransform();
        world_.translation += local_.translation;
        world_.rotation += local_.rotation;
        world_.scaling += local_.rotation;
    }
    world_.rotation = clampRotation(world_.rotation);
    if (observer_ != nullptr) observer_->transformChanged(world_);
}

void Component::setTranslation(const D3DXVECTOR3& translation) {
    local_.translation = translation;
    updateTransform();
}

void Component::setRotation(const D3DXVECTOR3& rotation) {
    local_.rotation = clampRotation(rotation);
    updateTransform();
}

void Component::setScaling(const D3DXVECTOR3& scaling) {
    local_.scaling = scaling;
    updateTransform();
}

void Component::rebuild() {}

void Component::collect(const Camera* view, RenderList& list) {
    (void)view;
    (void)list;
}

void Component::releaseDeviceObjects() {}

void Component::restoreDeviceObjects() {}

bool Component::isHidden() const { return hideable_ && observer_ != nullptr && observer_->isHidden(); }

void Component::addDrawable(std::unique_ptr<Drawable> entry) {
    if (entry) drawables_.push_back(std::move(entry));
}

void Component::appendDrawables(RenderList& list) const {
    for (const auto& entry : drawables_) list.add(entry.get());
}
