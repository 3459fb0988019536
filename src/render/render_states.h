// Render-state objects: small parameter records that scene nodes keep and
// apply to the device before they draw. Each class sets exactly the device
// states its table row names; codes are the program's own and are mapped to
// the device's classic numeric values here.
#pragma once

#include "platform/graphics_device.h"

#include <cstdint>

// A set of device states that a drawable applies before it draws.
class Renderstate {
public:
    virtual ~Renderstate() = default;
    // Sets the states this object stands for on `device`.
    virtual void apply(gfx::GraphicsDevice& device) const = 0;
};

// Alpha blending and alpha test on or off.
class RSAlpha : public Renderstate {
public:
    RSAlpha(bool blending = false, bool alphaTest = false) : blending(blending), alphaTest(alphaTest) {}
    // AlphaBlendEnable = blending, AlphaTestEnable = alphaTest.
    void apply(gfx::GraphicsDevice& device) const override;

    bool blending;
    bool alphaTest;
};

// The ambient light colour (alpha always 255).
class RSAmbientLight : public Renderstate {
public:
    RSAmbientLight(int red = 0, int green = 0, int blue = 0) : red(red), green(green), blue(blue) {}
    // Ambient = 0xFF rr gg bb (each channel clamped to 0..255).
    void apply(gfx::GraphicsDevice& device) const override;

    int red;
    int green;
    int blue;
};

// Source and destination blend factors as the program's own codes.
class RSBlend : public Renderstate {
public:
    RSBlend(int source, int destination) : source(source), destination(destination) {}
    // Code c becomes device blend value c + 1 for c in {3, 5, 6, 7, 8, 9, 11,
    // 12, 13, 14}; any other code leaves that state as it is.
    void apply(gfx::GraphicsDevice& device) const override;

    // The device blend value of `code`, or 0 when the code sets nothing.
    static uint32_t deviceBlend(int code);

    int source;
    int destination;
};

// Depth test, depth write and the depth comparison.
class RSBuffer : public Renderstate {
public:
    RSBuffer(bool depthTest = true, bool depthWrite = true, int comparison = 0)
        : depthTest(depthTest), depthWrite(depthWrite), comparison(comparison) {}
    // ZEnable, ZWriteEnable, and ZFunc from the comparison code (a code
    // outside 0..7 leaves ZFunc as it is).
    void apply(gfx::GraphicsDevice& device) const override;

    // 0 less-equal, 1 never, 2 less, 3 equal, 4 greater, 5 not-equal,
    // 6 greater-equal, 7 always; 0 (no value) for any other code.
    static uint32_t deviceComparison(int code);

    bool depthTest;
    bool depthWrite;
    int comparison;
};

// Face culling: 0 none, 1 clockwise, 2 counter-clockwise.
class RSCull : public Renderstate {
public:
    explicit RSCull(int mode = 0) : mode(mode) {}
    // CullMode from the code; another code leaves it as it is.
    void apply(gfx::GraphicsDevice& device) const override;

    static uint32_t deviceCull(int code);

    int mode;
};

// Dithering on or off.
class RSDithering : public Renderstate {
public:
    explicit RSDithering(bool enabled = false) : enabled(enabled) {}
    void apply(gfx::GraphicsDevice& device) const override;

    bool enabled;
};

// Fill mode: 0 point, 1 wireframe, 2 solid.
class RSFillmode : public Renderstate {
public:
    explicit RSFillmode(int mode = 2) : mode(mode) {}
    // FillMode from the code; another code leaves it as it is.
    void apply(gfx::GraphicsDevice& device) const override;

    static uint32_t deviceFill(int code);

    int mode;
};

// Fog. With the fog enabled, apply() also sets start, end, density, colour,
// range fog and the fog type; the type goes to the per-vertex fog mode when
// `modeSelector` is 1 and to the table fog mode otherwise.
class RSFog : public Renderstate {
public:
    RSFog() = default;
    void apply(gfx::GraphicsDevice& device) const override;

    bool enabled = false;
    int red = 170;
    int green = 207;
    int blue = 253;
    int modeSelector = 1;  // 1: per-vertex fog, otherwise table fog
    float start = 200000.0f;
    float end = 250000.0f;
    int type = 0;  // 0 none, 1 exponential, 2 exponential squared, 3 linear
    float density = 1.0f;
    bool rangeFog = false;
};

// Lighting on or off.
class RSLightEnabled : public Renderstate {
public:
    explicit RSLightEnabled(bool enabled = false) : enabled(enabled) {}
    void apply(gfx::GraphicsDevice& device) const override;

    bool enabled;
};

// Shading: holds nothing and sets nothing (the device always shades smoothly).
class RSShade : public Renderstate {
public:
    void apply(gfx::GraphicsDevice& device) const override;
};
