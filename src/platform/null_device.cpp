#include "platform/null_device.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace gfx {

namespace {

constexpr int kMaxTextureSize = 8192;

void fillOpaque(std::vector<unsigned char>& rgba, uint32_t argb) {
    const unsigned char pixel[4] = {static_cast<unsigned char>(argb >> 16), static_cast<unsigned char>(argb >> 8),
                                    static_cast<unsigned char>(argb), 255};
    for (size_t i = 0; i + 4 <= rgba.size(); i += 4) std::memcpy(&rgba[i], pixel, 4);
}

size_t pixelBytes(int width, int height) {
    return static_cast<size_t>(std::max(0, width)) * static_cast<size_t>(std::max(0, height)) * 4;
}

}  // namespace

NullDevice::NullDevice(int width, int height)
    : width_(std::max(0, width)), height_(std::max(0, height)), backBuffer_(pixelBytes(width, height)) {
    fillOpaque(backBuffer_, 0);
}

DeviceCaps NullDevice::caps() const {
    DeviceCaps caps;
    caps.maxTextureBlendStages = 1;
    caps.maxStencilIndices = 8;
    caps.maxActiveLights = 1;
    caps.maxTextureWidth = kMaxTextureSize;
    caps.maxTextureHeight = kMaxTextureSize;
    caps.maxTextureRepeat = kMaxTextureSize;
    caps.maxSimultaneousTextures = 1;
    caps.maxPrimitiveCount = 0xFFFFFF;
    caps.maxVertexIndex = 0xFFFF;
    caps.nonPowerOfTwoTextures = true;
    caps.magPoint = caps.magLinear = true;
    caps.minPoint = caps.minLinear = true;
    caps.mipPoint = caps.mipLinear = true;
    return caps;
}

bool NullDevice::reset(int width, int height) {
    if (width <= 0 || height <= 0) return false;
    if (resetFailures_ > 0) {
        --resetFailures_;
        return false;
    }
    textures_.clear();
    buffers_.clear();
    state_.restoreDefaults();
    width_ = width;
    height_ = height;
    backBuffer_.assign(pixelBytes(width, height), 0);
    fillOpaque(backBuffer_, 0);
    lost_ = false;
    inScene_ = false;
    ++stats_.resets;
    return true;
}

void NullDevice::simulateLoss(int resetFailures) {
    lost_ = true;
    resetFailures_ = std::max(0, resetFailures);
}

TextureHandle NullDevice::createTexture(int width, int height, const unsigned char* rgba) {
    if (width <= 0 || height <= 0 || width > kMaxTextureSize || height > kMaxTextureSize) {
        reject();
        return {};
    }
    Texture texture{width, height, std::vector<unsigned char>(pixelBytes(width, height), 0)};
    if (rgba != nullptr) std::memcpy(texture.rgba.data(), rgba, texture.rgba.size());
    const uint32_t id = nextHandle();
    textures_.emplace(id, std::move(texture));
    ++stats_.texturesCreated;
    return TextureHandle{id};
}

bool NullDevice::updateTexture(TextureHandle handle, int x, int y, int width, int height,
                               const unsigned char* rgba) {
    auto found = textures_.find(handle.id);
    if (found == textures_.end() || rgba == nullptr || x < 0 || y < 0 || width <= 0 || height <= 0 ||
        width > found->second.width - x || height > found->second.height - y) {
        reject();
        return false;
    }
    Texture& texture = found->second;
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    for (int row = 0; row < height; ++row) {
        const size_t target = (static_cast<size_t>(y + row) * texture.width + x) * 4;
        std::memcpy(&texture.rgba[target], rgba + row * rowBytes, rowBytes);
    }
    return true;
}

void NullDevice::destroyTexture(TextureHandle texture) {
    if (textures_.erase(texture.id) == 0) {
        if (texture) reject();
        return;
    }
    if (state_.texture == texture) state_.texture = {};
}

void NullDevice::setTexture(TextureHandle texture) {
    if (texture && !isValid(texture)) {
        reject();
        state_.texture = {};
        return;
    }
    state_.texture = texture;
}

void NullDevice::setTextureFilter(TextureFilter magnification, TextureFilter minification) {
    state_.magnification = magnification;
    state_.minification = minification;
}

BufferHandle NullDevice::createVertexBuffer(const void* bytes, size_t byteCount) {
    if (bytes == nullptr || byteCount == 0) {
        reject();
        return {};
    }
    const uint32_t id = nextHandle();
    buffers_.emplace(id, BufferExtent::ofVertices(byteCount));
    ++stats_.buffersCreated;
    return BufferHandle{id};
}

BufferHandle NullDevice::createIndexBuffer(const uint16_t* indices, size_t count) {
    if (indices == nullptr || count == 0) {
        reject();
        return {};
    }
    const uint32_t id = nextHandle();
    buffers_.emplace(id, BufferExtent::ofIndices(indices, count));
    ++stats_.buffersCreated;
    return BufferHandle{id};
}

void NullDevice::destroyBuffer(BufferHandle buffer) {
    if (buffers_.erase(buffer.id) == 0 && buffer) reject();
}

const BufferExtent* NullDevice::findBuffer(BufferHandle handle) const {
    auto found = buffers_.find(handle.id);
    return found == buffers_.end() ? nullptr : &found->second;
}

void NullDevice::countDraw(Primitive primitive, int elements) {
    ++stats_.drawCalls;
    stats_.primitives += primitiveCount(primitive, elements);
    stats_.verticesDrawn += elements;
    if (!inScene_) ++stats_.drawsOutsideScene;
}

void NullDevice::drawIndexed(Primitive primitive, uint32_t vertexFlags, BufferHandle vertices, int vertexCount,
                             BufferHandle indices, int indexCount) {
    const BufferExtent* vertexBuffer = findBuffer(vertices);
    const BufferExtent* indexBuffer = findBuffer(indices);
    const bool valid = !lost_ && vertexBuffer != nullptr && indexBuffer != nullptr &&
                       indexedDrawFits(*vertexBuffer, *indexBuffer, vertexStride(vertexFlags), vertexCount,
                                       indexCount) &&
                       primitiveCount(primitive, indexCount) > 0;
    if (!valid) return reject();
    countDraw(primitive, indexCount);
}

void NullDevice::draw(Primitive primitive, uint32_t vertexFlags, BufferHandle vertices, int vertexCount) {
    const BufferExtent* vertexBuffer = findBuffer(vertices);
    const bool valid = !lost_ && vertexBuffer != nullptr &&
                       verticesFit(*vertexBuffer, vertexStride(vertexFlags), vertexCount) &&
                       primitiveCount(primitive, vertexCount) > 0;
    if (!valid) return reject();
    countDraw(primitive, vertexCount);
}

void NullDevice::drawUser(Primitive primitive, uint32_t vertexFlags, const void* vertices, int vertexCount,
                          const uint16_t* indices, int indexCount) {
    const int elements = indices != nullptr ? indexCount : vertexCount;
    const bool indicesValid =
        indices == nullptr || (indexCount > 0 && largestIndex(indices, static_cast<size_t>(indexCount)) < vertexCount);
    const bool valid = !lost_ && vertexStride(vertexFlags) > 0 && vertices != nullptr && vertexCount > 0 &&
                       indicesValid && primitiveCount(primitive, elements) > 0;
    if (!valid) return reject();
    countDraw(primitive, elements);
}

void NullDevice::setTransform(TransformKind kind, const D3DXMATRIX& matrix) { state_.transform(kind) = matrix; }

D3DXMATRIX NullDevice::transform(TransformKind kind) const { return state_.transform(kind); }

void NullDevice::setLineWidth(float width) {
    if (std::isfinite(width) && width > 0.0f) state_.lineWidth = width;
}

void NullDevice::beginScene() {
    inScene_ = true;
    ++stats_.scenesBegun;
}

void NullDevice::clear(uint32_t flags, uint32_t argb, float depth, int stencil) {
    if (lost_) return reject();
    ++stats_.clears;
    if (flags & kClearTarget) fillOpaque(backBuffer_, argb);
    if (flags & kClearDepth) clearDepth_ = std::clamp(depth, 0.0f, 1.0f);
    if (flags & kClearStencil) clearStencil_ = stencil;
}

bool NullDevice::present() {
    if (lost_) return false;
    ++stats_.presents;
    return true;
}

bool NullDevice::readBackBuffer(std::vector<unsigned char>& rgba, int& width, int& height) {
    if (lost_) return false;
    rgba = backBuffer_;
    width = width_;
    height = height_;
    return true;
}

bool NullDevice::textureTexels(TextureHandle handle, std::vector<unsigned char>& rgba, int& width,
                               int& height) const {
    auto found = textures_.find(handle.id);
    if (found == textures_.end()) return false;
    rgba = found->second.rgba;
    width = found->second.width;
    height = found->second.height;
    return true;
}

std::unique_ptr<GraphicsDevice> createNullDevice(int width, int height) {
    return std::make_unique<NullDevice>(width, height);
}

}  // namespace gfx
