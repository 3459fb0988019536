// Render-state objects: each sets exactly its device states with the mapped
// numeric values, and codes outside a table leave the state untouched.
#include "render/render_states.h"

#include "platform/device_state.h"
#include "platform/null_device.h"

#include <gtest/gtest.h>

namespace {

using gfx::RenderState;

class RenderStates : public ::testing::Test {
protected:
    std::unique_ptr<gfx::GraphicsDevice> device = gfx::createNullDevice(32, 32);

    uint32_t state(RenderState which) const { return device->renderState(which); }
    // Puts a marker into `which` so that an untouched state can be recognised.
    void mark(RenderState which) { device->setRenderState(which, 0xABCD); }
};

TEST_F(RenderStates, BlendCodesMapOneAboveForTheListedCodesOnly) {
    const int mapped[] = {3, 5, 6, 7, 8, 9, 11, 12, 13, 14};
    for (int code : mapped) {
        RSBlend(code, code).apply(*device);
        EXPECT_EQ(state(RenderState::SrcBlend), static_cast<uint32_t>(code + 1)) << code;
        EXPECT_EQ(state(RenderState::DestBlend), static_cast<uint32_t>(code + 1)) << code;
    }
    const int unmapped[] = {-1, 0, 1, 2, 4, 10, 15, 99};
    for (int code : unmapped) {
        mark(RenderState::SrcBlend);
        mark(RenderState::DestBlend);
        RSBlend(code, code).apply(*device);
        EXPECT_EQ(state(RenderState::SrcBlend), 0xABCDu) << code;
        EXPECT_EQ(state(RenderState::DestBlend), 0xABCDu) << code;
    }
    // Source and destination are mapped independently.
    mark(RenderState::SrcBlend);
    RSBlend(4, 5).apply(*device);
    EXPECT_EQ(state(RenderState::SrcBlend), 0xABCDu);
    EXPECT_EQ(state(RenderState::DestBlend), gfx::kBlendInvSrcAlpha);
}

TEST_F(RenderStates, BufferSetsDepthFlagsAndComparisonTable) {
    const uint32_t expected[] = {gfx::kCmpLessEqual, gfx::kCmpNever,    gfx::kCmpLess,         gfx::kCmpEqual,
                                 gfx::kCmpGreater,   gfx::kCmpNotEqual, gfx::kCmpGreaterEqual, gfx::kCmpAlways};
    for (int code = 0; code < 8; ++code) {
        RSBuffer(code % 2 == 0, code % 3 == 0, code).apply(*device);
        EXPECT_EQ(state(RenderState::ZFunc), expected[code]) << code;
        EXPECT_EQ(state(RenderState::ZEnable), code % 2 == 0 ? 1u : 0u);
        EXPECT_EQ(state(RenderState::ZWriteEnable), code % 3 == 0 ? 1u : 0u);
    }
    mark(RenderState::ZFunc);
    RSBuffer(true, true, 8).apply(*device);
    EXPECT_EQ(state(RenderState::ZFunc), 0xABCDu);
}

TEST_F(RenderStates, CullAndFillmodeTables) {
    const uint32_t culls[] = {gfx::kCullNone, gfx::kCullClockwise, gfx::kCullCounterClockwise};
    for (int code = 0; code < 3; ++code) {
        RSCull(code).apply(*device);
        EXPECT_EQ(state(RenderState::CullMode), culls[code]);
    }
    const uint32_t fills[] = {gfx::kFillPoint, gfx::kFillWireframe, gfx::kFillSolid};
    for (int code = 0; code < 3; ++code) {
        RSFillmode(code).apply(*device);
        EXPECT_EQ(state(RenderState::FillMode), fills[code]);
    }
    mark(RenderState::CullMode);
    mark(RenderState::FillMode);
    RSCull(3).apply(*device);
    RSFillmode(-1).apply(*device);
    EXPECT_EQ(state(RenderState::CullMode), 0xABCDu);
    EXPECT_EQ(state(RenderState::FillMode), 0xABCDu);
}

TEST_F(RenderStates, FlagsAndAmbientColour) {
    RSAlpha(true, false).apply(*device);
    EXPECT_EQ(state(RenderState::AlphaBlendEnable), 1u);
    EXPECT_EQ(state(RenderState::AlphaTestEnable), 0u);
    RSAlpha(false, true).apply(*device);
    EXPECT_EQ(state(RenderState::AlphaBlendEnable), 0u);
    EXPECT_EQ(state(RenderState::AlphaTestEnable), 1u);

    RSLightEnabled(true).apply(*device);
    EXPECT_EQ(state(RenderState::Lighting), 1u);
    RSDithering(true).apply(*device);
    EXPECT_EQ(state(RenderState::DitherEnable), 1u);

    RSAmbientLight(10, 20, 300).apply(*device);
    EXPECT_EQ(state(RenderState::Ambient), 0xFF0A14FFu);

    const auto before = static_cast<gfx::NullDevice&>(*device).state().renderStates;
    RSShade().apply(*device);
    EXPECT_EQ(static_cast<gfx::NullDevice&>(*device).state().renderStates, before);
}

TEST_F(RenderStates, FogDisabledSetsOnlyTheSwitch) {
    mark(RenderState::FogStart);
    RSFog fog;
    fog.apply(*device);
    EXPECT_EQ(state(RenderState::FogEnable), 0u);
    EXPECT_EQ(state(RenderState::FogStart), 0xABCDu);
}

TEST_F(RenderStates, FogEnabledSetsItsValuesAndTypeByModeSelector) {
    RSFog fog;
    fog.enabled = true;
    fog.type = 3;
    fog.rangeFog = true;
    mark(RenderState::FogTableMode);
    fog.apply(*device);
    EXPECT_EQ(state(RenderState::FogEnable), 1u);
    EXPECT_FLOAT_EQ(gfx::stateAsFloat(state(RenderState::FogStart)), 200000.0f);
    EXPECT_FLOAT_EQ(gfx::stateAsFloat(state(RenderState::FogEnd)), 250000.0f);
    EXPECT_FLOAT_EQ(gfx::stateAsFloat(state(RenderState::FogDensity)), 1.0f);
    EXPECT_EQ(state(RenderState::FogColor), 0xFFAACFFDu);
    EXPECT_EQ(state(RenderState::RangeFogEnable), 1u);
    EXPECT_EQ(state(RenderState::FogVertexMode), gfx::kFogLinear);
    EXPECT_EQ(state(RenderState::FogTableMode), 0xABCDu);

    fog.modeSelector = 0;
    fog.type = 2;
    mark(RenderState::FogVertexMode);
    fog.apply(*device);
    EXPECT_EQ(state(RenderState::FogTableMode), gfx::kFogExp2);
    EXPECT_EQ(state(RenderState::FogVertexMode), 0xABCDu);
}

}  // namespace
