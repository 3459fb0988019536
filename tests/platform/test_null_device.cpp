#include "platform/null_device.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using namespace gfx;

struct ScreenVertex {
    float x, y, z, rhw;
    uint32_t colour;
};

constexpr uint32_t kScreenFlags = kPositionT | kDiffuse;

class NullDeviceTest : public ::testing::Test {
protected:
    std::unique_ptr<GraphicsDevice> owner = createNullDevice(8, 4);
    NullDevice& device = static_cast<NullDevice&>(*owner);
    std::array<ScreenVertex, 6> six{};
};

TEST(VertexLayoutTest, StridesFollowTheComponents) {
    EXPECT_EQ(vertexStride(kPosition | kNormal | kDiffuse), 28);
    EXPECT_EQ(vertexStride(kPosition | kNormal | kDiffuse | kTex1), 36);
    EXPECT_EQ(vertexStride(kPosition | kNormal | kTex1), 32);
    EXPECT_EQ(vertexStride(kPositionT | kDiffuse | kTex1), 28);
    EXPECT_EQ(vertexStride(kPosition), 12);
    EXPECT_EQ(vertexStride(kDiffuse | kTex1), 0);
    EXPECT_EQ(vertexStride(kPosition | kPositionT), 0);
    EXPECT_EQ(vertexStride(kPosition | (1u << 9)), 0);

    const VertexLayout layout = vertexLayout(kPosition | kNormal | kDiffuse | kTex1);
    EXPECT_EQ(layout.normal, 12);
    EXPECT_EQ(layout.diffuse, 24);
    EXPECT_EQ(layout.texCoord, 28);
}

TEST(VertexLayoutTest, FloatStatesKeepTheirBits) {
    EXPECT_EQ(floatState(1.0f), 0x3F800000u);
    EXPECT_EQ(stateAsFloat(floatState(250000.0f)), 250000.0f);
}

TEST_F(NullDeviceTest, StartsWithTheClassicStatesAndKeepsWhatIsSet) {
    EXPECT_EQ(device.renderState(RenderState::ZFunc), kCmpLessEqual);
    EXPECT_EQ(device.renderState(RenderState::CullMode), kCullCounterClockwise);
    EXPECT_EQ(device.renderState(RenderState::Lighting), 1u);
    EXPECT_EQ(device.renderState(RenderState::SrcBlend), kBlendOne);
    EXPECT_EQ(device.renderState(RenderState::FogEnd), floatState(1.0f));

    device.setRenderState(RenderState::FogStart, floatState(200000.0f));
    device.setRenderState(RenderState::AlphaRef, 0x80);
    EXPECT_EQ(device.renderState(RenderState::FogStart), floatState(200000.0f));
    EXPECT_EQ(device.renderState(RenderState::AlphaRef), 0x80u);
    // A state number the device does not know is neither stored nor fatal.
    device.setRenderState(static_cast<RenderState>(999), 5);
    EXPECT_EQ(device.renderState(static_cast<RenderState>(999)), 0u);

    D3DXMATRIX view;
    D3DXMatrixTranslation(&view, 1, 2, 3);
    device.setTransform(TransformKind::View, view);
    EXPECT_EQ(device.transform(TransformKind::View), view);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    EXPECT_EQ(device.transform(TransformKind::World), identity);

    Material material;
    material.diffuse = {0.5f, 0.25f, 0.125f, 1.0f};
    device.setMaterial(material);
    device.enableLight(true);
    device.setLineWidth(-3.0f);  // ignored
    device.setLineWidth(2.5f);
    device.setTextureFilter(TextureFilter::Linear, TextureFilter::Point);
    device.setTextureAddress(TextureAddress::Clamp);
    EXPECT_EQ(device.state().material.diffuse.g, 0.25f);
    EXPECT_TRUE(device.state().lightEnabled);
    EXPECT_EQ(device.state().lineWidth, 2.5f);
    EXPECT_EQ(device.state().magnification, TextureFilter::Linear);
    EXPECT_EQ(device.state().address, TextureAddress::Clamp);
}

TEST_F(NullDeviceTest, TexturesAreCheckedAndKeepTheirTexels) {
    const std::array<unsigned char, 16> texels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const TextureHandle texture = device.createTexture(2, 2, texels.data());
    ASSERT_TRUE(texture);
    EXPECT_FALSE(device.createTexture(0, 2, texels.data()));
    EXPECT_FALSE(device.createTexture(100000, 1, nullptr));

    const std::array<unsigned char, 4> white = {255, 255, 255, 255};
    EXPECT_TRUE(device.updateTexture(texture, 1, 1, 1, 1, white.data()));
    EXPECT_FALSE(device.updateTexture(texture, 1, 1, 2, 1, white.data()));
    EXPECT_FALSE(device.updateTexture(texture, -1, 0, 1, 1, white.data()));
    std::vector<unsigned char> read;
    int width = 0, height = 0;
    ASSERT_TRUE(device.textureTexels(texture, read, width, height));
    EXPECT_EQ(read[4], 5);
    EXPECT_EQ(read[12], 255);

    device.setTexture(texture);
    EXPECT_EQ(device.state().texture, texture);
    device.destroyTexture(texture);
    EXPECT_FALSE(device.isValid(texture));
    EXPECT_FALSE(device.state().texture);
    EXPECT_FALSE(device.updateTexture(texture, 0, 0, 1, 1, white.data()));
    const int rejectedBefore = device.stats().rejectedCalls;
    device.setTexture(texture);
    EXPECT_FALSE(device.state().texture);
    EXPECT_EQ(device.stats().rejectedCalls, rejectedBefore + 1);
}

TEST_F(NullDeviceTest, CountsAcceptedDrawsAndRefusesBadOnes) {
    device.beginScene();
    device.drawUser(Primitive::TriangleList, kScreenFlags, six.data(), 6, nullptr, 0);
    device.drawUser(Primitive::TriangleStrip, kScreenFlags, six.data(), 6, nullptr, 0);
    device.drawUser(Primitive::LineStrip, kScreenFlags, six.data(), 6, nullptr, 0);
    const uint16_t fine[3] = {0, 5, 2};
    const uint16_t outside[3] = {0, 6, 2};
    device.drawUser(Primitive::TriangleList, kScreenFlags, six.data(), 6, fine, 3);
    device.drawUser(Primitive::TriangleList, kScreenFlags, six.data(), 6, outside, 3);
    device.drawUser(Primitive::TriangleList, kDiffuse, six.data(), 6, nullptr, 0);
    device.drawUser(Primitive::TriangleList, kScreenFlags, six.data(), 2, nullptr, 0);
    device.endScene();
    EXPECT_EQ(device.stats().drawCalls, 4);
    EXPECT_EQ(device.stats().primitives, 2 + 4 + 5 + 1);
    EXPECT_EQ(device.stats().rejectedCalls, 3);
    EXPECT_EQ(device.stats().drawsOutsideScene, 0);

    const BufferHandle vertices = device.createVertexBuffer(six.data(), sizeof(six));
    const uint16_t indices[6] = {0, 1, 2, 2, 1, 3};
    const BufferHandle indexBuffer = device.createIndexBuffer(indices, 6);
    ASSERT_TRUE(vertices && indexBuffer);
    device.resetStats();
    device.drawIndexed(Primitive::TriangleList, kScreenFlags, vertices, 4, indexBuffer, 6);
    device.drawIndexed(Primitive::TriangleList, kScreenFlags, vertices, 3, indexBuffer, 3);
    device.drawIndexed(Primitive::TriangleList, kScreenFlags, vertices, 3, indexBuffer, 6);   // index 3 >= 3
    device.drawIndexed(Primitive::TriangleList, kScreenFlags, vertices, 7, indexBuffer, 6);   // past the buffer
    device.drawIndexed(Primitive::TriangleList, kScreenFlags, indexBuffer, 4, vertices, 6);   // kinds swapped
    device.draw(Primitive::TriangleList, kPosition | kNormal | kDiffuse | kTex1, vertices, 6);  // 216 > 120 bytes
    device.draw(Primitive::PointList, kScreenFlags, vertices, 6);
    EXPECT_EQ(device.stats().drawCalls, 3);
    EXPECT_EQ(device.stats().primitives, 2 + 1 + 6);
    EXPECT_EQ(device.stats().rejectedCalls, 4);
    EXPECT_EQ(device.stats().drawsOutsideScene, 3);

    device.destroyBuffer(vertices);
    device.drawIndexed(Primitive::TriangleList, kScreenFlags, vertices, 4, indexBuffer, 6);
    EXPECT_EQ(device.stats().drawCalls, 3);
}

TEST_F(NullDeviceTest, ClearFillsTheBackBufferThatIsReadBack) {
    device.clear(kClearTarget | kClearDepth, 0x00102030, 0.5f, 0);
    device.clear(kClearDepth, 0xFFFFFFFF, 1.0f, 0);
    std::vector<unsigned char> rgba;
    int width = 0, height = 0;
    ASSERT_TRUE(device.readBackBuffer(rgba, width, height));
    ASSERT_EQ(width, 8);
    ASSERT_EQ(height, 4);
    ASSERT_EQ(rgba.size(), 8u * 4u * 4u);
    for (size_t i = 0; i < rgba.size(); i += 4) {
        ASSERT_EQ(rgba[i], 0x10);
        ASSERT_EQ(rgba[i + 1], 0x20);
        ASSERT_EQ(rgba[i + 2], 0x30);
        ASSERT_EQ(rgba[i + 3], 255);
    }
    EXPECT_EQ(device.lastClearDepth(), 1.0f);
}

TEST_F(NullDeviceTest, LossRefusesWorkUntilResetThenEveryHandleIsStale) {
    const TextureHandle texture = device.createTexture(1, 1, nullptr);
    const BufferHandle buffer = device.createVertexBuffer(six.data(), sizeof(six));
    device.setRenderState(RenderState::Lighting, 0);
    device.setTexture(texture);

    device.simulateLoss(2);
    EXPECT_TRUE(device.isLost());
    EXPECT_FALSE(device.present());
    device.drawUser(Primitive::TriangleList, kScreenFlags, six.data(), 6, nullptr, 0);
    EXPECT_EQ(device.stats().drawCalls, 0);
    EXPECT_FALSE(device.reset(0, 10));
    EXPECT_FALSE(device.reset(16, 10));
    EXPECT_FALSE(device.reset(16, 10));
    EXPECT_TRUE(device.isLost());
    ASSERT_TRUE(device.reset(16, 10));

    EXPECT_FALSE(device.isLost());
    EXPECT_TRUE(device.present());
    EXPECT_EQ(device.backBufferWidth(), 16);
    EXPECT_EQ(device.backBufferHeight(), 10);
    EXPECT_FALSE(device.isValid(texture));
    EXPECT_FALSE(device.isValid(buffer));
    EXPECT_EQ(device.liveTextures() + device.liveBuffers(), 0);
    EXPECT_FALSE(device.state().texture);
    EXPECT_EQ(device.renderState(RenderState::Lighting), 1u);
    // New handles never collide with the stale ones.
    const TextureHandle fresh = device.createTexture(1, 1, nullptr);
    EXPECT_NE(fresh, texture);
    EXPECT_FALSE(device.updateTexture(texture, 0, 0, 1, 1, std::array<unsigned char, 4>{}.data()));

    std::vector<unsigned char> rgba;
    int width = 0, height = 0;
    ASSERT_TRUE(device.readBackBuffer(rgba, width, height));
    EXPECT_EQ(rgba.size(), 16u * 10u * 4u);
}

}  // namespace
