#include "render/sprite_batch.h"

#include "render/overlay_states.h"

#include <algorithm>

namespace {

static_assert(sizeof(SpriteVertex) == 28, "sprite vertices are passed to the device byte for byte");

// Indices are 16 bits, so one draw call holds at most this many quads.
constexpr size_t kMaxQuadsPerDraw = 65536 / 4;

}  // namespace

uint32_t argbColour(int red, int green, int blue, int alpha) {
    auto byte = [](int value) { return static_cast<uint32_t>(std::clamp(value, 0, 255)); };
    return (byte(alpha) << 24) | (byte(red) << 16) | (byte(green) << 8) | byte(blue);
}

SpriteBatch::SpriteBatch(gfx::GraphicsDevice& device) : device_(device) {}

void SpriteBatch::begin() { begun_ = true; }

void SpriteBatch::end() {
    flush();
    begun_ = false;
}

void SpriteBatch::discard() {
    vertices_.clear();
    indices_.clear();
    texture_ = {};
}

void SpriteBatch::appendIndices() {
    const auto first = static_cast<uint16_t>(vertices_.size() - 4);
    const uint16_t quad[6] = {first, static_cast<uint16_t>(first + 1), static_cast<uint16_t>(first + 2),
                              static_cast<uint16_t>(first + 2), static_cast<uint16_t>(first + 1),
                              static_cast<uint16_t>(first + 3)};
    indices_.insert(indices_.end(), std::begin(quad), std::end(quad));
}

void SpriteBatch::addQuad(gfx::TextureHandle texture, const D3DXVECTOR2 (&corners)[4], const QuadTexCoords& coords,
                          uint32_t colour) {
    if (!vertices_.empty() && (texture != texture_ || vertices_.size() / 4 >= kMaxQuadsPerDraw)) flush();
    texture_ = texture;
    const float u[4] = {coords.u0, coords.u1, coords.u0, coords.u1};
    const float v[4] = {coords.v0, coords.v0, coords.v1, coords.v1};
    for (int i = 0; i < 4; ++i) vertices_.push_back({corners[i].x, corners[i].y, 0.0f, 1.0f, colour, u[i], v[i]});
    appendIndices();
    if (!begun_) flush();
}

void SpriteBatch::flush() {
    if (vertices_.empty()) return;
    {
        OverlayStateGuard states(device_);
        device_.setTexture(texture_);
        device_.drawUser(gfx::Primitive::TriangleList, kVertexFlags, vertices_.data(),
                         static_cast<int>(vertices_.size()), indices_.data(), static_cast<int>(indices_.size()));
        device_.setTexture({});
    }
    discard();
}
