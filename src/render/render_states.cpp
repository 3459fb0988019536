#include "render/render_states.h"

#include <algorithm>

namespace {

uint32_t flag(bool value) { return value ? 1u : 0u; }

uint32_t channel(int value) { return static_cast<uint32_t>(std::clamp(value, 0, 255)); }

uint32_t opaqueColour(int red, int green, int blue) {
    return 0xFF000000u | (channel(red) << 16) | (channel(green) << 8) | channel(blue);
}

// Sets `state` to `value` unless the value is 0, which marks a code that
// maps to nothing.
void setMapped(gfx::GraphicsDevice& device, gfx::RenderState state, uint32_t value) {
    if (value != 0) device.setRenderState(state, value);
}

}  // namespace

void RSAlpha::apply(gfx::GraphicsDevice& device) const {
    device.setRenderState(gfx::RenderState::AlphaBlendEnable, flag(blending));
    device.setRenderState(gfx::RenderState::AlphaTestEnable, flag(alphaTest));
}

void RSAmbientLight::apply(gfx::GraphicsDevice& device) const {
    device.setRenderState(gfx::RenderState::Ambient, opaqueColour(red, green, blue));
}

uint32_t RSBlend::deviceBlend(int code) {
    switch (code) {
    case 3: case 5: case 6: case 7: case 8: case 9: case 11: case 12: case 13: case 14:
        return static_cast<uint32_t>(code + 1);
    default:
        return 0;
    }
}

void RSBlend::apply(gfx::GraphicsDevice& device) const {
    setMapped(device, gfx::RenderState::SrcBlend, deviceBlend(source));
    setMapped(device, gfx::RenderState::DestBlend, deviceBlend(destination));
}

uint32_t RSBuffer::deviceComparison(int code) {
    switch (code) {
    case 0: return gfx::kCmpLessEqual;
    case 1: return gfx::kCmpNever;
    case 2: return gfx::kCmpLess;
    case 3: return gfx::kCmpEqual;
    case 4: return gfx::kCmpGreater;
    case 5: return gfx::kCmpNotEqual;
    case 6: return gfx::kCmpGreaterEqual;
    case 7: return gfx::kCmpAlways;
    default: return 0;
    }
}

void RSBuffer::apply(gfx::GraphicsDevice& device) const {
    device.setRenderState(gfx::RenderState::ZEnable, flag(depthTest));
    device.setRenderState(gfx::RenderState::ZWriteEnable, flag(depthWrite));
    setMapped(device, gfx::RenderState::ZFunc, deviceComparison(comparison));
}

uint32_t RSCull::deviceCull(int code) {
    switch (code) {
    case 0: return gfx::kCullNone;
    case 1: return gfx::kCullClockwise;
    case 2: return gfx::kCullCounterClockwise;
    default: return 0;
    }
}

void RSCull::apply(gfx::GraphicsDevice& device) const {
    setMapped(device, gfx::RenderState::CullMode, deviceCull(mode));
}

void RSDithering::apply(gfx::GraphicsDevice& device) const {
    device.setRenderState(gfx::RenderState::DitherEnable, flag(enabled));
}

uint32_t RSFillmode::deviceFill(int code) {
    switch (code) {
    case 0: return gfx::kFillPoint;
    case 1: return gfx::kFillWireframe;
    case 2: return gfx::kFillSolid;
    default: return 0;
    }
}

void RSFillmode::apply(gfx::GraphicsDevice& device) const {
    setMapped(device, gfx::RenderState::FillMode, deviceFill(mode));
}

void RSFog::apply(gfx::GraphicsDevice& device) const {
    device.setRenderState(gfx::RenderState::FogEnable, flag(enabled));
    if (!enabled) return;
    device.setRenderState(gfx::RenderState::FogStart, gfx::floatState(start));
    device.setRenderState(gfx::RenderState::FogEnd, gfx::floatState(end));
    device.setRenderState(gfx::RenderState::FogDensity, gfx::floatState(density));
    device.setRenderState(gfx::RenderState::FogColor, opaqueColour(red, green, blue));
    device.setRenderState(gfx::RenderState::RangeFogEnable, flag(rangeFog));
    const uint32_t fogType = static_cast<uint32_t>(std::clamp(type, 0, 3));
    device.setRenderState(modeSelector == 1 ? gfx::RenderState::FogVertexMode : gfx::RenderState::FogTableMode,
                          fogType);
}

void RSLightEnabled::apply(gfx::GraphicsDevice& device) const {
    device.setRenderState(gfx::RenderState::Lighting, flag(enabled));
}

void RSShade::apply(gfx::GraphicsDevice&) const {}
