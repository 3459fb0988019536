// The OpenGL 3.3 core implementation of GraphicsDevice for an SDL window, and
// a hidden window with a context for tools and tests that need a real device
// without showing anything. The device draws into an off-screen back buffer
// (colour without alpha, 24-bit depth, 8-bit stencil) that present() copies
// to the window, so readBackBuffer() sees the last frame before and after
// present().
//
// What the device draws, in the terms of the classic fixed-function device:
//  - kPosition vertices go through World * View * Projection (row vectors);
//    depth 0..1 after the division by w, near..far, clipped like the classic
//    device; kPositionT vertices are back-buffer pixels (pixel i covers
//    [i, i + 1), y down) with depth z 0..1, neither transformed nor lit.
//  - Colour: the vertex colour, or the material diffuse colour when the
//    layout has none. With Lighting on, colour = emissive + ambient terms +
//    light diffuse * colour * max(0, N.L) (alpha from the colour); a layout
//    without normals gets no diffuse term. Normals are renormalised. With
//    SpecularEnable, lit vertices facing the light add light specular *
//    material specular * max(0, N.H)^power (H halfway between the light and
//    the eye; power 0 gives 1).
//  - Texture stage 0 multiplies colour and alpha; alpha test keeps pixels
//    with alpha >= AlphaRef; blending, depth, cull (as seen by the viewer)
//    and fill modes follow the render states.
//  - Fog: table mode when set, else vertex mode (vertex mode leaves
//    pre-transformed vertices unfogged); the distance is the view-space
//    depth, or the distance to the eye with RangeFogEnable.
//  - Lines wider than one pixel are drawn as quads.
//
// Every call needs the device's OpenGL context to be current, destruction
// included (destroy the device before the context).
#pragma once

#include "platform/graphics_device.h"

#include <memory>

struct SDL_Window;

namespace gfx {

// Asks SDL for an OpenGL 3.3 core context with 24-bit depth, 8-bit stencil
// and double buffering. Call after SDL_Init(SDL_INIT_VIDEO) and before the
// window is created.
void configureGlAttributes();

// A device on the OpenGL context current on this thread, drawing a back
// buffer of width x height pixels. present() swaps `window` (may be null:
// present() then only finishes the drawing). Null, with the reason in the
// log, when no context is current, the context is older than 3.3 or the
// shaders cannot be built.
std::unique_ptr<GraphicsDevice> createGlDevice(SDL_Window* window, int width, int height);

// A hidden SDL window with its own current OpenGL 3.3 core context.
class HiddenGlWindow {
public:
    // Null when SDL video cannot start (no display) or no 3.3 core context
    // can be made.
    static std::unique_ptr<HiddenGlWindow> create(int width, int height);
    ~HiddenGlWindow();
    HiddenGlWindow(const HiddenGlWindow&) = delete;
    HiddenGlWindow& operator=(const HiddenGlWindow&) = delete;

    SDL_Window* window() const { return window_; }
    // Makes the context current on the calling thread again.
    bool makeCurrent() const;

private:
    HiddenGlWindow() = default;

    SDL_Window* window_ = nullptr;
    void* context_ = nullptr;
};

}  // namespace gfx

// The window code calls these from the platform namespace.
namespace platform {
using gfx::configureGlAttributes;
using gfx::createGlDevice;
}  // namespace platform
