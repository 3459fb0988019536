// The null graphics device: draws nothing, but keeps every state, hands out
// and checks handles, counts what would have been drawn and keeps a copy of
// the back buffer that clear() fills. Headless runs use it; tests reach its
// counters by downcasting the device createNullDevice() returns:
//
//     auto device = gfx::createNullDevice(64, 64);
//     auto& null = static_cast<gfx::NullDevice&>(*device);
//     EXPECT_EQ(null.stats().drawCalls, 1);
#pragma once

#include "platform/device_state.h"
#include "platform/graphics_device.h"

#include <cstdint>
#include <map>
#include <vector>

namespace gfx {

// What the null device has been asked to do since it was made (or since
// resetStats()).
struct NullDeviceStats {
    int drawCalls = 0;              // accepted draw calls of every kind
    int64_t primitives = 0;         // primitives of the accepted draw calls
    int64_t verticesDrawn = 0;      // vertices (or indices) of the accepted draw calls
    int rejectedCalls = 0;          // refused: unknown handle, bad layout or counts, device lost
    int drawsOutsideScene = 0;      // accepted draws issued between endScene() and beginScene()
    int clears = 0;
    int presents = 0;
    int scenesBegun = 0;
    int resets = 0;                 // successful reset() calls
    int texturesCreated = 0;
    int buffersCreated = 0;
};

class NullDevice final : public GraphicsDevice {
public:
    NullDevice(int width, int height);

    // --- GraphicsDevice
    DeviceCaps caps() const override;
    int backBufferWidth() const override { return width_; }
    int backBufferHeight() const override { return height_; }
    bool isLost() const override { return lost_; }
    bool reset(int width, int height) override;
    void simulateLoss(int resetFailures) override;
    TextureHandle createTexture(int width, int height, const unsigned char* rgba) override;
    bool updateTexture(TextureHandle texture, int x, int y, int width, int height,
                       const unsigned char* rgba) override;
    void destroyTexture(TextureHandle texture) override;
    void setTexture(TextureHandle texture) override;
    void setTextureFilter(TextureFilter magnification, TextureFilter minification) override;
    void setTextureAddress(TextureAddress mode) override { state_.address = mode; }
    BufferHandle createVertexBuffer(const void* bytes, size_t byteCount) override;
    BufferHandle createIndexBuffer(const uint16_t* indices, size_t count) override;
    void destroyBuffer(BufferHandle buffer) override;
    void drawIndexed(Primitive primitive, uint32_t vertexFlags, BufferHandle vertices, int vertexCount,
                     BufferHandle indices, int indexCount) override;
    void draw(Primitive primitive, uint32_t vertexFlags, BufferHandle vertices, int vertexCount) override;
    void drawUser(Primitive primitive, uint32_t vertexFlags, const void* vertices, int vertexCount,
                  const uint16_t* indices, int indexCount) override;
    void setTransform(TransformKind kind, const D3DXMATRIX& matrix) override;
    D3DXMATRIX transform(TransformKind kind) const override;
    void setRenderState(RenderState state, uint32_t value) override { state_.set(state, value); }
    uint32_t renderState(RenderState state) const override { return state_.get(state); }
    void setMaterial(const Material& material) override { state_.material = material; }
    void setLight(const DirectionalLight& light) override { state_.light = light; }
    void enableLight(bool enabled) override { state_.lightEnabled = enabled; }
    void setLineWidth(float width) override;
    void beginScene() override;
    void endScene() override { inScene_ = false; }
    void clear(uint32_t flags, uint32_t argb, float depth, int stencil) override;
    bool present() override;
    bool readBackBuffer(std::vector<unsigned char>& rgba, int& width, int& height) override;

    // --- inspection for tests
    const NullDeviceStats& stats() const { return stats_; }
    void resetStats() { stats_ = {}; }
    // Every state in one record (material, light, filters, bound texture...).
    const DeviceState& state() const { return state_; }
    bool isValid(TextureHandle texture) const { return textures_.count(texture.id) != 0; }
    bool isValid(BufferHandle buffer) const { return buffers_.count(buffer.id) != 0; }
    int liveTextures() const { return static_cast<int>(textures_.size()); }
    int liveBuffers() const { return static_cast<int>(buffers_.size()); }
    // The texels of a texture (RGBA, rows top first); false for an unknown handle.
    bool textureTexels(TextureHandle texture, std::vector<unsigned char>& rgba, int& width, int& height) const;
    bool inScene() const { return inScene_; }
    float lastClearDepth() const { return clearDepth_; }
    int lastClearStencil() const { return clearStencil_; }

private:
    struct Texture {
        int width = 0;
        int height = 0;
        std::vector<unsigned char> rgba;
    };

    uint32_t nextHandle() { return nextHandle_++; }
    const BufferExtent* findBuffer(BufferHandle handle) const;
    // Counts an accepted draw of `elements` vertices or indices.
    void countDraw(Primitive primitive, int elements);
    void reject() { ++stats_.rejectedCalls; }

    int width_;
    int height_;
    bool lost_ = false;
    int resetFailures_ = 0;
    bool inScene_ = false;
    float clearDepth_ = 1.0f;
    int clearStencil_ = 0;
    DeviceState state_;
    // Handles are never reused, so a handle from before a reset stays invalid.
    uint32_t nextHandle_ = 1;
    std::map<uint32_t, Texture> textures_;
    std::map<uint32_t, BufferExtent> buffers_;
    std::vector<unsigned char> backBuffer_;  // RGBA, rows top first
    NullDeviceStats stats_;
};

}  // namespace gfx
