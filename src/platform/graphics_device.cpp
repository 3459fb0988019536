#include "platform/graphics_device.h"

#include "platform/device_state.h"

#include <algorithm>
#include <bit>

namespace gfx {

namespace {

constexpr uint32_t kKnownVertexFlags = kPosition | kPositionT | kNormal | kDiffuse | kTex1;

D3DXMATRIX identity() {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}

}  // namespace

VertexLayout vertexLayout(uint32_t flags) {
    VertexLayout layout;
    const bool hasPosition = (flags & kPosition) != 0;
    const bool hasPositionT = (flags & kPositionT) != 0;
    if (hasPosition == hasPositionT || (flags & ~kKnownVertexFlags) != 0) return layout;
    int offset = 0;
    layout.position = offset;
    layout.preTransformed = hasPositionT;
    offset += hasPositionT ? 16 : 12;
    if (flags & kNormal) {
        layout.normal = offset;
        offset += 12;
    }
    if (flags & kDiffuse) {
        layout.diffuse = offset;
        offset += 4;
    }
    if (flags & kTex1) {
        layout.texCoord = offset;
        offset += 8;
    }
    layout.stride = offset;
    return layout;
}

int vertexStride(uint32_t flags) { return vertexLayout(flags).stride; }

uint32_t floatState(float value) { return std::bit_cast<uint32_t>(value); }

float stateAsFloat(uint32_t bits) { return std::bit_cast<float>(bits); }

ColourValue colourFromArgb(uint32_t argb) {
    auto channel = [argb](int shift) { return static_cast<float>((argb >> shift) & 0xFFu) / 255.0f; };
    return {channel(16), channel(8), channel(0), channel(24)};
}

int primitiveCount(Primitive primitive, int elementCount) {
    if (elementCount <= 0) return 0;
    switch (primitive) {
    case Primitive::PointList: return elementCount;
    case Primitive::LineList: return elementCount / 2;
    case Primitive::LineStrip: return std::max(0, elementCount - 1);
    case Primitive::TriangleList: return elementCount / 3;
    case Primitive::TriangleStrip: return std::max(0, elementCount - 2);
    }
    return 0;
}

uint16_t largestIndex(const uint16_t* indices, size_t count) {
    if (indices == nullptr || count == 0) return 0;
    return *std::max_element(indices, indices + count);
}

BufferExtent BufferExtent::ofVertices(size_t byteCount) {
    BufferExtent extent;
    extent.byteCount = byteCount;
    return extent;
}

BufferExtent BufferExtent::ofIndices(const uint16_t* indices, size_t count) {
    BufferExtent extent;
    extent.isIndex = true;
    extent.prefixLargest.resize(count);
    uint16_t largest = 0;
    for (size_t i = 0; i < count; ++i) extent.prefixLargest[i] = largest = std::max(largest, indices[i]);
    return extent;
}

bool verticesFit(const BufferExtent& vertices, int stride, int vertexCount) {
    return !vertices.isIndex && stride > 0 && vertexCount > 0 &&
           static_cast<size_t>(vertexCount) * static_cast<size_t>(stride) <= vertices.byteCount;
}

bool indexedDrawFits(const BufferExtent& vertices, const BufferExtent& indices, int stride, int vertexCount,
                     int indexCount) {
    return verticesFit(vertices, stride, vertexCount) && indices.isIndex && indexCount > 0 &&
           static_cast<size_t>(indexCount) <= indices.indexCount() &&
           indices.prefixLargest[static_cast<size_t>(indexCount) - 1] < vertexCount;
}

uint32_t defaultRenderState(RenderState state) {
    switch (state) {
    case RenderState::ZEnable: return 1;
    case RenderState::ZWriteEnable: return 1;
    case RenderState::ZFunc: return kCmpLessEqual;
    case RenderState::AlphaBlendEnable: return 0;
    case RenderState::AlphaTestEnable: return 0;
    case RenderState::AlphaRef: return 0;
    case RenderState::SrcBlend: return kBlendOne;
    case RenderState::DestBlend: return kBlendZero;
    case RenderState::CullMode: return kCullCounterClockwise;
    case RenderState::FillMode: return kFillSolid;
    case RenderState::Lighting: return 1;
    case RenderState::Ambient: return 0;
    case RenderState::DitherEnable: return 0;
    case RenderState::FogEnable: return 0;
    case RenderState::FogColor: return 0;
    case RenderState::FogStart: return floatState(0.0f);
    case RenderState::FogEnd: return floatState(1.0f);
    case RenderState::FogDensity: return floatState(1.0f);
    case RenderState::FogVertexMode: return kFogNone;
    case RenderState::FogTableMode: return kFogNone;
    case RenderState::RangeFogEnable: return 0;
    case RenderState::SpecularEnable: return 0;
    }
    return 0;
}

void DeviceState::restoreDefaults() {
    for (int i = 0; i < kRenderStateCount; ++i) {
        const auto state = static_cast<RenderState>(i);
        set(state, defaultRenderState(state));
    }
    world = identity();
    view = identity();
    projection = identity();
    material = Material{};
    light = DirectionalLight{};
    lightEnabled = false;
    lineWidth = 1.0f;
    magnification = TextureFilter::Point;
    minification = TextureFilter::Point;
    address = TextureAddress::Wrap;
    texture = TextureHandle{};
}

D3DXMATRIX& DeviceState::transform(TransformKind kind) {
    switch (kind) {
    case TransformKind::View: return view;
    case TransformKind::Projection: return projection;
    case TransformKind::World: break;
    }
    return world;
}

const D3DXMATRIX& DeviceState::transform(TransformKind kind) const {
    return const_cast<DeviceState*>(this)->transform(kind);
}

}  // namespace gfx
