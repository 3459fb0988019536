// GraphicsDevice: the drawing interface everything above the platform layer
// renders through. It offers the small subset of a fixed-function 3D device
// the program relies on: textures, vertex and index buffers, transforms,
// render states with their classic numeric values, one directional light and
// a material, texture stage 0, fog, clearing and presenting.
//
// Two implementations exist: OpenGL 3.3 core (a real window) and a null
// device that draws nothing (headless runs and tests). Both keep handles
// valid until destroyed or until reset() invalidates all of them.
#pragma once

#include "core/math3d.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace gfx {

// --- vertex layouts ------------------------------------------------------------

// Components of a vertex, combined as flags; in memory they follow each other
// in the order listed, tightly packed.
enum VertexFlags : uint32_t {
    kPosition = 1u << 0,   // 3 floats: x, y, z in model space
    kPositionT = 1u << 1,  // 4 floats: x, y in back-buffer pixels, z 0..1, rhw (ignored); no transforms
    kNormal = 1u << 2,     // 3 floats
    kDiffuse = 1u << 3,    // uint32 colour 0xAARRGGBB
    kTex1 = 1u << 4,       // 2 floats: u, v
};

// Bytes per vertex of a layout (0 for a layout with neither or both position
// kinds, or with flags not listed above).
int vertexStride(uint32_t flags);

enum class Primitive { PointList, LineList, LineStrip, TriangleList, TriangleStrip };

// --- render states (numeric values as in the classic fixed-function device) ----

enum class RenderState {
    ZEnable,           // 0/1
    ZWriteEnable,      // 0/1
    ZFunc,             // kCmp*
    AlphaBlendEnable,  // 0/1
    AlphaTestEnable,   // 0/1
    AlphaRef,          // 0..255 (alpha test passes when alpha >= ref, compare greater-equal)
    SrcBlend,          // kBlend*
    DestBlend,         // kBlend*
    CullMode,          // kCull*
    FillMode,          // kFill*
    Lighting,          // 0/1
    Ambient,           // 0xAARRGGBB
    DitherEnable,      // 0/1 (accepted, no visible effect)
    FogEnable,         // 0/1
    FogColor,          // 0xAARRGGBB
    FogStart,          // float bits (use floatState())
    FogEnd,            // float bits
    FogDensity,        // float bits
    FogVertexMode,     // kFog*
    FogTableMode,      // kFog*
    RangeFogEnable,    // 0/1
    SpecularEnable,    // 0/1: the light's specular highlight on lit vertices (material specular, power)
};

inline constexpr uint32_t kCmpNever = 1, kCmpLess = 2, kCmpEqual = 3, kCmpLessEqual = 4, kCmpGreater = 5,
                          kCmpNotEqual = 6, kCmpGreaterEqual = 7, kCmpAlways = 8;
inline constexpr uint32_t kBlendZero = 1, kBlendOne = 2, kBlendSrcColor = 3, kBlendInvSrcColor = 4,
                          kBlendSrcAlpha = 5, kBlendInvSrcAlpha = 6, kBlendDestAlpha = 7, kBlendInvDestAlpha = 8,
                          kBlendDestColor = 9, kBlendInvDestColor = 10, kBlendSrcAlphaSat = 11,
                          kBlendBothSrcAlpha = 12, kBlendBothInvSrcAlpha = 13, kBlendFactor = 14,
                          kBlendInvBlendFactor = 15;
inline constexpr uint32_t kCullNone = 1, kCullClockwise = 2, kCullCounterClockwise = 3;
inline constexpr uint32_t kFillPoint = 1, kFillWireframe = 2, kFillSolid = 3;
inline constexpr uint32_t kFogNone = 0, kFogExp = 1, kFogExp2 = 2, kFogLinear = 3;

// Bits of a float, for the float-valued render states.
uint32_t floatState(float value);

enum class TransformKind { World, View, Projection };

enum class TextureFilter { Point, Linear };

// How texture coordinates outside 0..1 are treated on stage 0: Wrap repeats
// the texture (the default, for meshes), Clamp repeats the edge texels (for
// sprites and GUI art, so that filtering never pulls in the opposite edge).
enum class TextureAddress { Wrap, Clamp };

struct ColourValue {
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 1.0f;
};

struct Material {
    ColourValue diffuse{1, 1, 1, 1};
    ColourValue ambient{0, 0, 0, 1};
    ColourValue specular{0, 0, 0, 1};
    ColourValue emissive{0, 0, 0, 1};
    float power = 0.0f;
};

// One directional light (the only kind the program uses).
struct DirectionalLight {
    ColourValue diffuse{1, 1, 1, 1};
    ColourValue specular{0, 0, 0, 1};
    ColourValue ambient{0, 0, 0, 1};
    D3DXVECTOR3 direction{0, 0, 1};
};

// --- handles -----------------------------------------------------------------------

struct TextureHandle {
    uint32_t id = 0;
    explicit operator bool() const { return id != 0; }
    bool operator==(const TextureHandle&) const = default;
};

struct BufferHandle {
    uint32_t id = 0;
    explicit operator bool() const { return id != 0; }
    bool operator==(const BufferHandle&) const = default;
};

// What the device can do, for the start-up report.
struct DeviceCaps {
    int maxTextureBlendStages = 0;
    int maxStencilIndices = 0;
    int maxActiveLights = 0;
    int maxTextureWidth = 0;
    int maxTextureHeight = 0;
    int maxTextureRepeat = 0;
    int maxSimultaneousTextures = 0;
    int maxPrimitiveCount = 0;
    int maxVertexIndex = 0;
    bool nonPowerOfTwoTextures = false;
    bool magPoint = false, magLinear = false, magAnisotropic = false;
    bool minPoint = false, minLinear = false, minAnisotropic = false;
    bool mipPoint = false, mipLinear = false;
};

enum ClearFlags : uint32_t { kClearTarget = 1, kClearDepth = 2, kClearStencil = 4 };

class GraphicsDevice {
public:
    virtual ~GraphicsDevice() = default;

    // The coarsest reduced scene a device draws (see beginReducedScene()).
    static constexpr int kMaxReducedDivisor = 8;

    virtual DeviceCaps caps() const = 0;
    virtual int backBufferWidth() const = 0;
    virtual int backBufferHeight() const = 0;

    // --- device loss: true while the device must be reset before drawing.
    virtual bool isLost() const = 0;
    // Recreates the device with the given back-buffer size. Every texture and
    // buffer handle is invalid afterwards (the owners re-create them). False
    // while the device cannot be reset yet.
    virtual bool reset(int width, int height) = 0;
    // Test hook: makes the device report loss (for `resetFailures` more
    // calls reset() fails before it succeeds).
    virtual void simulateLoss(int resetFailures) = 0;

    // --- textures: 8-bit RGBA texels, rows top first.
    virtual TextureHandle createTexture(int width, int height, const unsigned char* rgba) = 0;
    // Replaces a rectangle of texels; false for an unknown handle or a
    // rectangle outside the texture.
    virtual bool updateTexture(TextureHandle texture, int x, int y, int width, int height,
                               const unsigned char* rgba) = 0;
    virtual void destroyTexture(TextureHandle texture) = 0;
    virtual void setTexture(TextureHandle texture) = 0;  // stage 0; a null handle unbinds
    virtual void setTextureFilter(TextureFilter magnification, TextureFilter minification) = 0;
    // Addressing mode of stage 0 for both directions; Wrap until set and
    // again after reset(). Devices that only wrap may ignore it.
    virtual void setTextureAddress(TextureAddress mode) { (void)mode; }

    // --- static buffers for meshes.
    virtual BufferHandle createVertexBuffer(const void* bytes, size_t byteCount) = 0;
    virtual BufferHandle createIndexBuffer(const uint16_t* indices, size_t count) = 0;
    virtual void destroyBuffer(BufferHandle buffer) = 0;
    // Indexed drawing from static buffers; `vertexFlags` describes the layout.
    virtual void drawIndexed(Primitive primitive, uint32_t vertexFlags, BufferHandle vertices, int vertexCount,
                             BufferHandle indices, int indexCount) = 0;
    // Non-indexed drawing from a static buffer.
    virtual void draw(Primitive primitive, uint32_t vertexFlags, BufferHandle vertices, int vertexCount) = 0;

    // --- immediate drawing from memory (sprites, lines, overlays).
    // `indices` may be null (then vertices are used in order).
    virtual void drawUser(Primitive primitive, uint32_t vertexFlags, const void* vertices, int vertexCount,
                          const uint16_t* indices, int indexCount) = 0;

    // --- state.
    virtual void setTransform(TransformKind kind, const D3DXMATRIX& matrix) = 0;
    virtual D3DXMATRIX transform(TransformKind kind) const = 0;
    virtual void setRenderState(RenderState state, uint32_t value) = 0;
    virtual uint32_t renderState(RenderState state) const = 0;
    virtual void setMaterial(const Material& material) = 0;
    virtual void setLight(const DirectionalLight& light) = 0;
    virtual void enableLight(bool enabled) = 0;
    // Line width in pixels for line primitives.
    virtual void setLineWidth(float width) = 0;

    // --- frame.
    virtual void beginScene() = 0;
    virtual void endScene() = 0;
    // `argb` 0xAARRGGBB; depth 0..1.
    virtual void clear(uint32_t flags, uint32_t argb, float depth, int stencil) = 0;
    virtual bool present() = 0;
    // The back buffer as RGBA rows top first (what the last frame drew).
    // Reliable after present() only while frames are kept (see below).
    virtual bool readBackBuffer(std::vector<unsigned char>& rgba, int& width, int& height) = 0;
    // Whether every frame stays readable after it is presented (screenshots
    // of a script). A device that draws straight into the window may need an
    // extra copy per frame for that, so it is off unless asked for; the
    // change takes effect from the next clear of the colour target.
    virtual void keepFramesForReadBack(bool keep) { (void)keep; }

    // Draws what follows, until endReducedScene(), into a picture of the back
    // buffer's size divided by `divisor` (1 to kMaxReducedDivisor; 1 keeps the full size, for a
    // scene to repeat with repeatLastScene()), cleared to the colour of
    // the frame's last clear with depth 1; endReducedScene() stretches it
    // over the whole back buffer, each of its pixels a block of divisor x
    // divisor pixels there. Coordinates, pretransformed ones included,
    // stay those of the back buffer. False, with nothing changed, when the
    // device cannot (or a reduced scene is open already): draw as usual then.
    virtual bool beginReducedScene(int divisor) {
        (void)divisor;
        return false;
    }
    // Ends the reduced scene begun last; nothing without one.
    virtual void endReducedScene() {}
    // Stretches the picture of the last reduced scene over the back buffer
    // once more, as its endReducedScene() did, for a frame whose scene has
    // not changed. False, with nothing drawn, when there is no such picture
    // for the back buffer's present size (none was drawn, the device was
    // reset or resized, or a reduced scene is open).
    virtual bool repeatLastScene() { return false; }
};

// A device that draws nothing: every handle is accepted and counted, clears
// fill the back-buffer copy that readBackBuffer returns, state is kept so
// callers can be tested.
std::unique_ptr<GraphicsDevice> createNullDevice(int width, int height);

}  // namespace gfx
