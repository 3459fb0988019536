#include "render/overlay_states.h"

namespace {

using gfx::RenderState;

constexpr std::array<std::pair<RenderState, uint32_t>, 10> kOverlayStates{{
    {RenderState::AlphaBlendEnable, 1},
    {RenderState::SrcBlend, gfx::kBlendSrcAlpha},
    {RenderState::DestBlend, gfx::kBlendInvSrcAlpha},
    {RenderState::AlphaTestEnable, 0},
    {RenderState::ZEnable, 0},
    {RenderState::ZWriteEnable, 0},
    {RenderState::Lighting, 0},
    {RenderState::FogEnable, 0},
    {RenderState::CullMode, gfx::kCullNone},
    {RenderState::FillMode, gfx::kFillSolid},
}};

}  // namespace

OverlayStateGuard::OverlayStateGuard(gfx::GraphicsDevice& device) : device_(device) {
    static_assert(kOverlayStates.size() == kStateCount);
    for (size_t i = 0; i < kOverlayStates.size(); ++i) {
        const auto& [state, value] = kOverlayStates[i];
        saved_[i] = {state, device_.renderState(state)};
        device_.setRenderState(state, value);
    }
    device_.setTextureAddress(gfx::TextureAddress::Clamp);
}

OverlayStateGuard::~OverlayStateGuard() {
    for (const auto& [state, value] : saved_) device_.setRenderState(state, value);
    // Meshes expect repeating texture coordinates (the device default).
    device_.setTextureAddress(gfx::TextureAddress::Wrap);
}
