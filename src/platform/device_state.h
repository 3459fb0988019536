// The state every GraphicsDevice implementation keeps: render states,
// transforms, material, light and texture stage 0 settings, with the default
// values of the classic fixed-function device. Shared by the null device and
// the OpenGL device so that both start from, and reset to, the same state.
#pragma once

#include "platform/graphics_device.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace gfx {

inline constexpr int kRenderStateCount = static_cast<int>(RenderState::SpecularEnable) + 1;

// Value a render state holds on a freshly created or reset device.
uint32_t defaultRenderState(RenderState state);

// The float stored in a float-valued render state (inverse of floatState()).
float stateAsFloat(uint32_t bits);

// 0xAARRGGBB as four floats 0..1.
ColourValue colourFromArgb(uint32_t argb);

// Primitives drawn from `elementCount` vertices (or indices); 0 when too few.
int primitiveCount(Primitive primitive, int elementCount);

// Byte offsets of the components of a vertex layout; -1 for an absent one.
struct VertexLayout {
    int stride = 0;
    int position = -1;  // 3 floats (kPosition) or 4 floats (kPositionT)
    int normal = -1;
    int diffuse = -1;
    int texCoord = -1;
    bool preTransformed = false;
};

// The layout of `flags`; stride 0 when the flags describe no drawable vertex
// (no position, both position kinds, or unknown bits).
VertexLayout vertexLayout(uint32_t flags);

// Largest index among `count` indices (0 for none).
uint16_t largestIndex(const uint16_t* indices, size_t count);

// What a device remembers of a static buffer to check draw calls against it.
struct BufferExtent {
    bool isIndex = false;
    size_t byteCount = 0;                 // vertex buffers
    std::vector<uint16_t> prefixLargest;  // index buffers: [i] is the largest of the first i + 1 indices

    static BufferExtent ofVertices(size_t byteCount);
    static BufferExtent ofIndices(const uint16_t* indices, size_t count);
    size_t indexCount() const { return prefixLargest.size(); }
};

// True when `vertexCount` vertices of `stride` bytes lie inside the buffer.
bool verticesFit(const BufferExtent& vertices, int stride, int vertexCount);
// True when additionally the first `indexCount` indices exist and address
// only those vertices.
bool indexedDrawFits(const BufferExtent& vertices, const BufferExtent& indices, int stride, int vertexCount,
                     int indexCount);

struct DeviceState {
    std::array<uint32_t, kRenderStateCount> renderStates{};
    D3DXMATRIX world;
    D3DXMATRIX view;
    D3DXMATRIX projection;
    Material material;
    DirectionalLight light;
    bool lightEnabled = false;
    float lineWidth = 1.0f;
    TextureFilter magnification = TextureFilter::Point;
    TextureFilter minification = TextureFilter::Point;
    TextureAddress address = TextureAddress::Wrap;
    TextureHandle texture;

    DeviceState() { restoreDefaults(); }

    // Every field back to the value of a new device.
    void restoreDefaults();

    // Unknown states (integers cast to RenderState) read as 0 and are not stored.
    uint32_t get(RenderState state) const { return isKnown(state) ? renderStates[index(state)] : 0; }
    void set(RenderState state, uint32_t value) {
        if (isKnown(state)) renderStates[index(state)] = value;
    }
    float getFloat(RenderState state) const { return stateAsFloat(get(state)); }

    D3DXMATRIX& transform(TransformKind kind);
    const D3DXMATRIX& transform(TransformKind kind) const;

    // True for a render state the device knows (guards casts from integers).
    static bool isKnown(RenderState state) {
        return static_cast<int>(state) >= 0 && static_cast<int>(state) < kRenderStateCount;
    }

private:
    static size_t index(RenderState state) { return static_cast<size_t>(state); }
};

}  // namespace gfx
