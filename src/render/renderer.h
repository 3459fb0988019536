// DxRenderer: the program's drawing front end on one graphics device. It
// keeps the back-buffer size, the projection and the clear colour, begins
// and ends scenes, batches 2D art and text into sprite batches, draws
// screen-space lines, caches fonts, projects points between world and
// screen, and recovers from a lost device.
//
// One renderer serves the whole program (instance()); further renderers may
// be made for tests and tools. The renderer does not own its device.
//
// Per frame: beginScene (clears), 3D drawing, clearDepth where overlays must
// not be hidden, beginSprite ... GUI art and text ... endSprite, endScene,
// present.
#pragma once

#include "core/math3d.h"
#include "core/string.h"
#include "platform/graphics_device.h"
#include "render/font.h"
#include "render/font_cache.h"
#include "render/sprite_atlas.h"
#include "render/sprite_batch.h"

#include <chrono>
#include <functional>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

class Camera;
class LineDrawer;
class Texture;

class DxRenderer {
public:
    // Vertical field of view (30 degrees), depth range of the projection.
    static constexpr float kFieldOfView = 0.5235988f;
    static constexpr float kNearPlane = 1.0f;
    static constexpr float kFarPlane = 250000.0f;
    static constexpr uint32_t kDefaultTextColour = 0xFFFFFFFF;

    DxRenderer();
    virtual ~DxRenderer();
    DxRenderer(const DxRenderer&) = delete;
    DxRenderer& operator=(const DxRenderer&) = delete;

    // The program's renderer, created on first use.
    static DxRenderer& instance();
    // Releases and deletes the program's renderer (shut-down); the next
    // instance() call makes a new one.
    static void destroyInstance();

    // Takes `device` (not owned; it must outlive the renderer or release())
    // with a back buffer of width × height pixels. Logs the device's
    // capabilities, prints the texture-filter report, sets the world
    // transform, projection, depth test on and lighting off, creates the
    // "Arial" 12 point font, the sprite and the line object. False (logged)
    // for a non-positive size; a renderer already initialised is released
    // first.
    bool init(gfx::GraphicsDevice& device, int width, int height);
    // Logs "Released DxRenderer" and frees sprite, fonts and line object.
    // Does nothing when not initialised.
    void release();
    bool isInitialised() const { return device_ != nullptr; }
    gfx::GraphicsDevice* device() const { return device_; }
    const gfx::DeviceCaps& caps() const { return caps_; }
    // Back-buffer size of the present parameters (kept for resets).
    int width() const { return width_; }
    int height() const { return height_; }

    // The camera of the 3D view (not owned; may be null).
    void setCamera(Camera* camera) { camera_ = camera; }
    Camera* camera() const { return camera_; }

    // --- scenes. Each is safe to call in any state.
    // Ends an open sprite batch and an open scene, then begins a scene and clears.
    virtual void beginScene();
    // Ends an open sprite batch, then an open scene.
    virtual void endScene();
    // Clears target, depth (1.0) and stencil (0) to the clear colour, opaque.
    virtual void clear();
    // Shows the back buffer; false when the device could not present.
    virtual bool present();
    // Clears the depth buffer alone to 1.0.
    void clearDepth();
    void setClearColour(unsigned char red, unsigned char green, unsigned char blue);
    uint32_t clearColour() const;
    bool isSceneBegun() const { return sceneBegun_; }

    // --- sprites (2D art in back-buffer pixels, alpha blended).
    // Opens the sprite batch (linear filtering) and keeps the sprite flag.
    void beginSprite();
    // Draws what the batch holds and closes it.
    void endSprite();
    bool isSpriteBegun() const { return spriteBegun_; }
    // Point filtering for what is drawn from now on (image pixels shown
    // unfiltered), until the next beginSprite or setLinearSampling.
    void setPointSampling();
    void setLinearSampling();
    // The sprite transform: scaling (x, y, 1), then rotation about Z by
    // `rotation` radians, then translation (x, y, 0).
    void setSpriteTransform(float scaleX, float scaleY, float rotation, float x, float y);
    void setSpriteTransform(const D3DXMATRIX& transform);
    void resetSpriteTransform();
    const D3DXMATRIX& spriteTransform() const { return spriteTransform_; }
    // Draws `texture` (or the part `source` of it, in texels) with its top
    // left corner at `position`, then the sprite transform, modulated by
    // `colour` (0xAARRGGBB). A null or empty texture draws nothing. Small
    // textures are drawn from a copy in the sprite atlas (made again when
    // their texels change), so that art and text share draw calls.
    void drawSprite(const Texture* texture, const D3DXVECTOR2& position, uint32_t colour = 0xFFFFFFFF,
                    const PixelRect* source = nullptr);
    // Texels given by device handle and size (for art held elsewhere).
    void drawSprite(gfx::TextureHandle texture, int textureWidth, int textureHeight, const D3DXVECTOR2& position,
                    uint32_t colour = 0xFFFFFFFF, const PixelRect* source = nullptr);

    // --- lines in back-buffer pixels; colour channels 0..255, alpha 0..1.
    void setLineWidth(float width);
    float lineWidth() const;
    void drawLineStrip(const D3DXVECTOR2* points, int count, int red, int green, int blue, float alpha);
    void drawLine(float x0, float y0, float x1, float y1, int red, int green, int blue, float alpha);
    // The outline of a rectangle; each side is extended by half the line
    // width so that the corners close.
    void drawRectangle(float left, float top, float right, float bottom, int red, int green, int blue, float alpha);
    // A circle as a closed strip; `angleStep` in radians (0: chosen from the
    // radius so that the outline looks round).
    void drawCircle(float centreX, float centreY, float radius, int red, int green, int blue, float alpha,
                    float angleStep = 0.0f);

    // --- fonts and text.
    // A font index for `face` at `pointSize` points (see FontCache::create).
    int createFont(const String& face, int pointSize, bool italic, bool reuse);
    // Frees a font; its slot is the first to be reused.
    void releaseFont(int index);
    // Makes `index` the current font; an invalid index leaves the current
    // font as it is and gives false.
    bool setFont(int index);
    int currentFont() const { return currentFont_; }
    // Draws `text` in the current font inside `rect` (no clipping): lines
    // from the top, left-aligned, centred or right-aligned. Inside a sprite
    // batch the glyphs join it; otherwise they are drawn at once.
    void drawText(const PixelRect& rect, const String& text, uint32_t colour, TextAlign align = TextAlign::Left);
    void drawText(const PixelRect& rect, const String& text, TextAlign align = TextAlign::Left);
    // Size of `text` in the current font (or in font `index`); empty for an
    // invalid font.
    TextExtent measureText(const String& text);
    TextExtent measureText(int index, const String& text);
    // Line height of the current font in pixels (0 without a usable font).
    int lineHeight() const;
    // Registers `text` as drawn by font `index` and rasterises its glyphs
    // now and after every device reset.
    void preloadText(int index, const String& text);
    FontCache& fonts() { return fonts_; }
    const FontCache& fonts() const { return fonts_; }

    // --- projection between world and screen (back-buffer viewport, the
    // projection, the device's current view transform, identity world).
    D3DXVECTOR3 project(const D3DXVECTOR3& world) const;
    // False when the transforms cannot be inverted.
    bool unproject(const D3DXVECTOR3& screen, D3DXVECTOR3& world) const;
    const D3DXMATRIX& projection() const { return projection_; }
    D3DVIEWPORT9 viewport() const;

    // --- device loss.
    // Releases sprite, line object and fonts (their descriptions stay) and
    // the device copies of the textures, calls the device-lost hook, then
    // resets the device until it succeeds, printing "Device reset
    // successful" or "Device Reset unsuccessful" and sleeping 100 ms after
    // every attempt. Then re-creates fonts, preloaded texts, sprite, line
    // object and every texture, restores projection and initial states and
    // calls the device-reset hook. With `maxAttempts` > 0 it gives up after
    // that many failed attempts and returns false (call again to go on);
    // 0 tries until the device is back.
    bool reset(int maxAttempts = 0);
    // The application's hooks around a reset (either may be empty).
    void setDeviceHooks(std::function<void()> onDeviceLost, std::function<void()> onDeviceReset);
    // How the reset loop waits between attempts (a real sleep by default).
    void setResetSleep(std::function<void(std::chrono::milliseconds)> sleep);

private:
    void reportCapabilities() const;
    void applyInitialStates();
    void buildProjection();
    void createDeviceObjects();
    void releaseDeviceObjects();
    bool resetDevice(int maxAttempts);
    void drawTextWith(Font& font, const PixelRect& rect, const String& text, uint32_t colour, TextAlign align);
    // The part `source` (or all) of the texels `frame` covers on `texture`,
    // a picture of textureWidth × textureHeight texels.
    void drawSpriteArea(gfx::TextureHandle texture, const QuadTexCoords& frame, int textureWidth, int textureHeight,
                        const D3DXVECTOR2& position, uint32_t colour, const PixelRect* source);
    // Where `texture`'s texels lie in the atlas, copied there now if need
    // be; null when it is drawn from its own texture.
    const AtlasRegion* atlasRegion(const Texture& texture);
    // Gives the atlas a fresh start between frames once it is full.
    void recycleAtlas();

    gfx::GraphicsDevice* device_ = nullptr;
    gfx::DeviceCaps caps_;
    int width_ = 0;
    int height_ = 0;
    D3DXMATRIX projection_;
    unsigned char clearRed_ = 255;
    unsigned char clearGreen_ = 255;
    unsigned char clearBlue_ = 255;
    bool sceneBegun_ = false;
    bool spriteBegun_ = false;
    bool deviceObjectsReleased_ = false;
    std::unique_ptr<SpriteBatch> sprite_;
    std::unique_ptr<LineDrawer> line_;
    float lineWidth_ = 1.0f;
    D3DXMATRIX spriteTransform_;
    // Declared before the fonts, which keep their glyphs in it.
    std::unique_ptr<SpriteAtlas> atlas_;
    // Textures copied into the atlas, by serial: the revision copied and where.
    struct AtlasCopy {
        uint64_t revision = 0;
        AtlasRegion region;
    };
    std::unordered_map<uint64_t, AtlasCopy> atlasCopies_;
    uint64_t atlasCopiesGeneration_ = 0;
    // Frames begun since the atlas was last recycled: a screen whose art
    // alone overfills the atlas would otherwise copy it all again every frame.
    static constexpr int kFramesBetweenAtlasRecycles = 120;
    int framesSinceAtlasRecycle_ = kFramesBetweenAtlasRecycles;
    FontCache fonts_;
    int currentFont_ = -1;
    std::vector<std::pair<int, String>> preloadTexts_;
    Camera* camera_ = nullptr;
    std::function<void()> onDeviceLost_;
    std::function<void()> onDeviceReset_;
    std::function<void(std::chrono::milliseconds)> sleep_;
};
