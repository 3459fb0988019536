// Batched 2D drawing of textured quads in back-buffer pixels (the sprite
// object). Quads are collected while a batch is open and drawn with one call
// per run of quads that share a texture: a change of texture, an explicit
// flush and the end of the batch draw what has been collected.
#pragma once

#include "core/math3d.h"
#include "platform/graphics_device.h"

#include <cstdint>
#include <vector>

// A rectangle in pixels: left and top inclusive, right and bottom exclusive.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

// 0xAARRGGBB from channels 0..255 (values outside are clamped).
uint32_t argbColour(int red, int green, int blue, int alpha = 255);

// Texture coordinates of a quad: (u0, v0) at the top left, (u1, v1) at the
// bottom right.
struct QuadTexCoords {
    float u0 = 0.0f;
    float v0 = 0.0f;
    float u1 = 1.0f;
    float v1 = 1.0f;
};

// One vertex as the device receives it: pre-transformed position, colour
// and texture coordinates (layout kPositionT | kDiffuse | kTex1).
struct SpriteVertex {
    float x, y, z, rhw;
    uint32_t colour;
    float u, v;
};

class SpriteBatch {
public:
    static constexpr uint32_t kVertexFlags = gfx::kPositionT | gfx::kDiffuse | gfx::kTex1;

    explicit SpriteBatch(gfx::GraphicsDevice& device);
    // Draws nothing that is still pending.
    ~SpriteBatch() = default;
    SpriteBatch(const SpriteBatch&) = delete;
    SpriteBatch& operator=(const SpriteBatch&) = delete;

    // Opens a batch (a batch already open stays open; nothing is lost).
    void begin();
    // Draws what is pending and closes the batch.
    void end();
    bool isBegun() const { return begun_; }

    // Adds a quad with the corners top-left, top-right, bottom-left,
    // bottom-right (already in back-buffer pixels) modulated by `colour`.
    // A quad with another texture than the pending ones flushes them first;
    // outside a batch the quad is drawn at once. A null texture draws the
    // colour alone.
    void addQuad(gfx::TextureHandle texture, const D3DXVECTOR2 (&corners)[4], const QuadTexCoords& coords,
                 uint32_t colour);
    // Draws the pending quads (one draw call) and empties the batch.
    void flush();
    // Forgets the pending quads without drawing them (device loss).
    void discard();

    int pendingQuads() const { return static_cast<int>(vertices_.size() / 4); }

private:
    void appendIndices();

    gfx::GraphicsDevice& device_;
    bool begun_ = false;
    gfx::TextureHandle texture_;
    std::vector<SpriteVertex> vertices_;
    std::vector<uint16_t> indices_;
};
