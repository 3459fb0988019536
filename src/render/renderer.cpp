#include "render/renderer.h"

#include "core/logger.h"
#include "render/line_drawer.h"
#include "render/texture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>

namespace {

constexpr std::chrono::milliseconds kResetPause{100};
constexpr double kTwoPi = 2.0 * std::numbers::pi;

DxRenderer*& instancePointer() {
    static DxRenderer* renderer = nullptr;
    return renderer;
}

D3DXMATRIX identityMatrix() {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}

// 0xAARRGGBB from byte channels and an alpha of 0..1 (×255).
uint32_t lineColour(int red, int green, int blue, float alpha) {
    const float scaled = std::isfinite(alpha) ? std::clamp(alpha, 0.0f, 1.0f) * 255.0f : 0.0f;
    return argbColour(red, green, blue, static_cast<int>(scaled));
}

void printLine(const char* text) {
    std::printf("%s\n", text);
    std::fflush(stdout);
}

void printFilterLine(const char* stage, const char* filter, bool supported) {
    std::printf("%s %s %s\n", stage, filter, supported ? "supported" : "not supported");
}

}  // namespace

DxRenderer::DxRenderer()
    : projection_(identityMatrix()),
      spriteTransform_(identityMatrix()),
      sleep_([](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); }) {}

DxRenderer::~DxRenderer() { release(); }

DxRenderer& DxRenderer::instance() {
    DxRenderer*& renderer = instancePointer();
    if (renderer == nullptr) renderer = new DxRenderer;
    return *renderer;
}

void DxRenderer::destroyInstance() {
    DxRenderer*& renderer = instancePointer();
    delete renderer;
    renderer = nullptr;
}

// ------------------------------------------------------------ set-up --

void DxRenderer::reportCapabilities() const {
    printLine("=======Check supported texture filter types=======");
    // The device offers point and linear filtering (and anisotropic where the
    // hardware has it); pyramidal and Gaussian filters do not exist there.
    printFilterLine("Mag", "D3DTEXF_POINT", caps_.magPoint);
    printFilterLine("Mag", "D3DTEXF_LINEAR", caps_.magLinear);
    printFilterLine("Mag", "D3DTEXF_ANISOTROPIC", caps_.magAnisotropic);
    printFilterLine("Mag", "D3DTEXF_PYRAMIDALQUAD", false);
    printFilterLine("Mag", "D3DTEXF_GAUSS", false);
    printFilterLine("Min", "D3DTEXF_POINT", caps_.minPoint);
    printFilterLine("Min", "D3DTEXF_LINEAR", caps_.minLinear);
    printFilterLine("Min", "D3DTEXF_ANISOTROPIC", caps_.minAnisotropic);
    printFilterLine("Min", "D3DTEXF_PYRAMIDALQUAD", false);
    printFilterLine("Min", "D3DTEXF_GAUSS", false);
    printLine(caps_.mipPoint ? "Mip point supported" : "Mip point not supported");
    printLine(caps_.mipLinear ? "Mip linear supported" : "Mip linear not supported");

    char line[512];
    std::snprintf(line, sizeof line,
                  "caps: MaxTextures=%d MaxStencilIndices=%d MaxLights=%d MaxTextureWidth=%d MaxTextureHeight=%d "
                  "MaxTextureRepeat=%d MaxSimultaneousTextures=%d MaxPrimitiveCount=%d MaxVertexIndex=%d",
                  caps_.maxTextureBlendStages, caps_.maxStencilIndices, caps_.maxActiveLights, caps_.maxTextureWidth,
                  caps_.maxTextureHeight, caps_.maxTextureRepeat, caps_.maxSimultaneousTextures,
                  caps_.maxPrimitiveCount, caps_.maxVertexIndex);
    Logger::instance().info(line);
}

void DxRenderer::buildProjection() {
    const float aspect = static_cast<float>(width_) / static_cast<float>(height_);
    D3DXMatrixPerspectiveFovLH(&projection_, kFieldOfView, aspect, kNearPlane, kFarPlane);
    device_->setTransform(gfx::TransformKind::Projection, projection_);
}

void DxRenderer::applyInitialStates() {
    device_->setTransform(gfx::TransformKind::World, identityMatrix());
    buildProjection();
    device_->setRenderState(gfx::RenderState::ZEnable, 1);
    device_->setRenderState(gfx::RenderState::Lighting, 0);
    device_->setTextureFilter(gfx::TextureFilter::Linear, gfx::TextureFilter::Linear);
}

void DxRenderer::createDeviceObjects() {
    sprite_ = std::make_unique<SpriteBatch>(*device_);
    line_ = std::make_unique<LineDrawer>(*device_);
    line_->setWidth(lineWidth_);
}

bool DxRenderer::init(gfx::GraphicsDevice& device, int width, int height) {
    release();
    Logger& log = Logger::instance();
    log.info("Initialize DxRenderer");
    log.indent();
    if (width <= 0 || height <= 0) {
        log.error("Init Dx", "The back buffer needs a positive width and height");
        log.error("Init Dx", "Could not create the device!");
        log.unindent();
        return false;
    }
    device_ = &device;
    width_ = width;
    height_ = height;
    caps_ = device.caps();
    reportCapabilities();
    applyInitialStates();

    atlas_ = std::make_unique<SpriteAtlas>(device);
    currentFont_ = fonts_.create(*atlas_, "Arial", 12, false, false);
    sprite_ = std::make_unique<SpriteBatch>(device);
    log.unindent();
    log.info("Direct3d initialized.");
    resetSpriteTransform();
    line_ = std::make_unique<LineDrawer>(device);
    line_->setWidth(lineWidth_);
    return true;
}

void DxRenderer::release() {
    if (device_ == nullptr) return;
    Logger::instance().info("Released DxRenderer");
    sprite_.reset();
    fonts_.clear();
    atlas_.reset();
    atlasCopies_.clear();
    line_.reset();
    preloadTexts_.clear();
    currentFont_ = -1;
    sceneBegun_ = false;
    spriteBegun_ = false;
    deviceObjectsReleased_ = false;
    device_ = nullptr;
}

// ------------------------------------------------------------ scenes --

void DxRenderer::beginScene() {
    if (device_ == nullptr) return;
    if (spriteBegun_) endSprite();
    if (sceneBegun_) endScene();
    if (atlas_ && atlas_->wantsRecycling() && framesSinceAtlasRecycle_ >= kFramesBetweenAtlasRecycles) {
        recycleAtlas();
    }
    ++framesSinceAtlasRecycle_;
    sceneBegun_ = true;
    device_->beginScene();
    clear();
}

void DxRenderer::endScene() {
    if (device_ == nullptr) return;
    if (spriteBegun_) endSprite();
    if (sceneBegun_) {
        device_->endScene();
        sceneBegun_ = false;
    }
}

void DxRenderer::clear() {
    if (device_ == nullptr) return;
    device_->clear(gfx::kClearTarget | gfx::kClearDepth | gfx::kClearStencil, clearColour(), 1.0f, 0);
}

bool DxRenderer::present() { return device_ != nullptr && device_->present(); }

void DxRenderer::clearDepth() {
    if (device_ == nullptr) return;
    if (sprite_) sprite_->flush();
    device_->clear(gfx::kClearDepth, 0, 1.0f, 0);
}

void DxRenderer::setClearColour(unsigned char red, unsigned char green, unsigned char blue) {
    clearRed_ = red;
    clearGreen_ = green;
    clearBlue_ = blue;
}

uint32_t DxRenderer::clearColour() const { return argbColour(clearRed_, clearGreen_, clearBlue_, 255); }

// ----------------------------------------------------------- sprites --

void DxRenderer::beginSprite() {
    if (device_ == nullptr || !sprite_) return;
    if (!spriteBegun_) device_->setTextureFilter(gfx::TextureFilter::Linear, gfx::TextureFilter::Linear);
    sprite_->begin();
    spriteBegun_ = true;
}

void DxRenderer::endSprite() {
    if (sprite_) sprite_->end();
    spriteBegun_ = false;
}

void DxRenderer::setPointSampling() {
    if (device_ == nullptr) return;
    if (sprite_) sprite_->flush();
    device_->setTextureFilter(gfx::TextureFilter::Point, gfx::TextureFilter::Point);
}

void DxRenderer::setLinearSampling() {
    if (device_ == nullptr) return;
    if (sprite_) sprite_->flush();
    device_->setTextureFilter(gfx::TextureFilter::Linear, gfx::TextureFilter::Linear);
}

void DxRenderer::setSpriteTransform(float scaleX, float scaleY, float rotation, float x, float y) {
    D3DXMATRIX scaling, turning, moving;
    D3DXMatrixScaling(&scaling, scaleX, scaleY, 1.0f);
    D3DXMatrixRotationZ(&turning, rotation);
    D3DXMatrixTranslation(&moving, x, y, 0.0f);
    spriteTransform_ = scaling * turning * moving;
}

void DxRenderer::setSpriteTransform(const D3DXMATRIX& transform) { spriteTransform_ = transform; }

void DxRenderer::resetSpriteTransform() { spriteTransform_ = identityMatrix(); }

const AtlasRegion* DxRenderer::atlasRegion(const Texture& texture) {
    if (!atlas_ || !sprite_ || texture.width() > SpriteAtlas::kLargestPicture ||
        texture.height() > SpriteAtlas::kLargestPicture) {
        return nullptr;
    }
    if (atlasCopiesGeneration_ != atlas_->generation()) {
        atlasCopies_.clear();
        atlasCopiesGeneration_ = atlas_->generation();
    }
    auto found = atlasCopies_.find(texture.serial());
    if (found != atlasCopies_.end()) {
        AtlasCopy& copy = found->second;
        if (copy.revision == texture.revision()) return &copy.region;
        if (copy.region.width == texture.width() && copy.region.height == texture.height()) {
            // Quads still pending may show the old texels: draw them first.
            sprite_->flush();
            if (atlas_->replacePicture(copy.region, texture.texels().data())) {
                copy.revision = texture.revision();
                return &copy.region;
            }
        }
        atlasCopies_.erase(found);
    }
    AtlasCopy copy{texture.revision(), {}};
    if (!atlas_->addPicture(texture.width(), texture.height(), texture.texels().data(), copy.region)) return nullptr;
    return &atlasCopies_.emplace(texture.serial(), copy).first->second.region;
}

void DxRenderer::recycleAtlas() {
    if (sprite_) sprite_->flush();
    atlas_->recycle();
    framesSinceAtlasRecycle_ = 0;
    for (const auto& [index, text] : preloadTexts_)
        if (Font* font = fonts_.font(index)) font->preload(text);
}

void DxRenderer::drawSprite(const Texture* texture, const D3DXVECTOR2& position, uint32_t colour,
                            const PixelRect* source) {
    if (texture == nullptr || texture->isEmpty()) return;
    // A part reaching past the picture samples its clamped edge: only its own texture does that.
    const bool partInside = source == nullptr || (source->left >= 0 && source->top >= 0 &&
                                                  source->right <= texture->width() &&
                                                  source->bottom <= texture->height());
    if (const AtlasRegion* region = partInside ? atlasRegion(*texture) : nullptr) {
        const QuadTexCoords frame{region->u0, region->v0, region->u1, region->v1};
        drawSpriteArea(region->texture, frame, texture->width(), texture->height(), position, colour, source);
        return;
    }
    drawSprite(texture->handle(), texture->width(), texture->height(), position, colour, source);
}

void DxRenderer::drawSprite(gfx::TextureHandle texture, int textureWidth, int textureHeight,
                            const D3DXVECTOR2& position, uint32_t colour, const PixelRect* source) {
    drawSpriteArea(texture, QuadTexCoords{}, textureWidth, textureHeight, position, colour, source);
}

void DxRenderer::drawSpriteArea(gfx::TextureHandle texture, const QuadTexCoords& frame, int textureWidth,
                                int textureHeight, const D3DXVECTOR2& position, uint32_t colour,
                                const PixelRect* source) {
    if (!sprite_ || !texture || textureWidth <= 0 || textureHeight <= 0) return;
    const PixelRect whole{0, 0, textureWidth, textureHeight};
    const PixelRect& part = source != nullptr ? *source : whole;
    if (part.width() <= 0 || part.height() <= 0) return;
    // Texel edges of the part as fractions of the picture, then of the frame.
    const float w = static_cast<float>(textureWidth);
    const float h = static_cast<float>(textureHeight);
    const float frameWidth = frame.u1 - frame.u0;
    const float frameHeight = frame.v1 - frame.v0;
    const QuadTexCoords coords{frame.u0 + part.left / w * frameWidth, frame.v0 + part.top / h * frameHeight,
                               frame.u0 + part.right / w * frameWidth, frame.v0 + part.bottom / h * frameHeight};

    // (corner + position) · sprite transform, in the plane z = 0.
    const D3DXMATRIX& m = spriteTransform_;
    auto place = [&](float x, float y) {
        const float px = x + position.x;
        const float py = y + position.y;
        return D3DXVECTOR2(px * m._11 + py * m._21 + m._41, px * m._12 + py * m._22 + m._42);
    };
    const float right = static_cast<float>(part.width());
    const float bottom = static_cast<float>(part.height());
    const D3DXVECTOR2 corners[4] = {place(0, 0), place(right, 0), place(0, bottom), place(right, bottom)};
    sprite_->addQuad(texture, corners, coords, colour);
}

// ------------------------------------------------------------- lines --

void DxRenderer::setLineWidth(float width) {
    if (!std::isfinite(width) || width <= 0.0f) return;
    lineWidth_ = width;
    if (line_) line_->setWidth(width);
}

float DxRenderer::lineWidth() const { return lineWidth_; }

void DxRenderer::drawLineStrip(const D3DXVECTOR2* points, int count, int red, int green, int blue, float alpha) {
    if (!line_) return;
    if (sprite_) sprite_->flush();  // keep the drawing order of art and lines
    line_->drawStrip(points, count, lineColour(red, green, blue, alpha));
}

void DxRenderer::drawLine(float x0, float y0, float x1, float y1, int red, int green, int blue, float alpha) {
    const D3DXVECTOR2 points[2] = {{x0, y0}, {x1, y1}};
    drawLineStrip(points, 2, red, green, blue, alpha);
}

void DxRenderer::drawRectangle(float left, float top, float right, float bottom, int red, int green, int blue,
                               float alpha) {
    const float half = lineWidth_ * 0.5f;
    drawLine(left - half, top, right + half, top, red, green, blue, alpha);
    drawLine(left - half, bottom, right + half, bottom, red, green, blue, alpha);
    drawLine(left, top - half, left, bottom + half, red, green, blue, alpha);
    drawLine(right, top - half, right, bottom + half, red, green, blue, alpha);
}

void DxRenderer::drawCircle(float centreX, float centreY, float radius, int red, int green, int blue, float alpha,
                            float angleStep) {
    if (!std::isfinite(radius) || radius <= 0.0f) return;
    double step = angleStep;
    if (!(step > 0.0) || !std::isfinite(step)) step = 3.0 / radius;  // about three pixels per segment
    step = std::clamp(step, kTwoPi / 4096.0, kTwoPi / 12.0);
    std::vector<D3DXVECTOR2> points;
    for (double angle = 0.0; angle < kTwoPi; angle += step)
        points.emplace_back(centreX + radius * static_cast<float>(std::cos(angle)),
                            centreY + radius * static_cast<float>(std::sin(angle)));
    points.push_back(points.front());
    drawLineStrip(points.data(), static_cast<int>(points.size()), red, green, blue, alpha);
}

// ------------------------------------------------------------- fonts --

int DxRenderer::createFont(const String& face, int pointSize, bool italic, bool reuse) {
    if (device_ == nullptr || !atlas_) return -1;
    return fonts_.create(*atlas_, face, pointSize, italic, reuse);
}

void DxRenderer::releaseFont(int index) {
    fonts_.release(index);
    std::erase_if(preloadTexts_, [index](const auto& entry) { return entry.first == index; });
}

bool DxRenderer::setFont(int index) {
    if (!fonts_.isValid(index)) return false;
    currentFont_ = index;
    return true;
}

void DxRenderer::drawTextWith(Font& font, const PixelRect& rect, const String& text, uint32_t colour,
                              TextAlign align) {
    const bool ownBatch = !sprite_->isBegun();
    if (ownBatch) sprite_->begin();
    font.layout(text, rect, align, [this, colour](const GlyphQuad& glyph) {
        const D3DXVECTOR2 corners[4] = {{glyph.left, glyph.top},
                                        {glyph.right, glyph.top},
                                        {glyph.left, glyph.bottom},
                                        {glyph.right, glyph.bottom}};
        sprite_->addQuad(glyph.texture, corners, glyph.coords, colour);
    });
    if (ownBatch) sprite_->end();
}

void DxRenderer::drawText(const PixelRect& rect, const String& text, uint32_t colour, TextAlign align) {
    Font* font = fonts_.font(currentFont_);
    if (font == nullptr || !sprite_) return;
    drawTextWith(*font, rect, text, colour, align);
}

void DxRenderer::drawText(const PixelRect& rect, const String& text, TextAlign align) {
    drawText(rect, text, kDefaultTextColour, align);
}

TextExtent DxRenderer::measureText(const String& text) { return measureText(currentFont_, text); }

TextExtent DxRenderer::measureText(int index, const String& text) {
    Font* font = fonts_.font(index);
    return font != nullptr ? font->measure(text) : TextExtent{};
}

int DxRenderer::lineHeight() const {
    const Font* font = fonts_.font(currentFont_);
    return font != nullptr && font->isUsable() ? font->lineHeight() : 0;
}

void DxRenderer::preloadText(int index, const String& text) {
    Font* font = fonts_.font(index);
    if (font == nullptr) return;
    preloadTexts_.emplace_back(index, text);
    font->preload(text);
}

// -------------------------------------------------------- projection --

D3DVIEWPORT9 DxRenderer::viewport() const {
    D3DVIEWPORT9 viewport;
    viewport.X = 0;
    viewport.Y = 0;
    viewport.Width = static_cast<uint32_t>(std::max(0, width_));
    viewport.Height = static_cast<uint32_t>(std::max(0, height_));
    viewport.MinZ = 0.0f;
    viewport.MaxZ = 1.0f;
    return viewport;
}

D3DXVECTOR3 DxRenderer::project(const D3DXVECTOR3& world) const {
    const D3DVIEWPORT9 port = viewport();
    const D3DXMATRIX view = device_ != nullptr ? device_->transform(gfx::TransformKind::View) : identityMatrix();
    const D3DXMATRIX identity = identityMatrix();
    D3DXVECTOR3 screen;
    D3DXVec3Project(&screen, &world, &port, &projection_, &view, &identity);
    return screen;
}

bool DxRenderer::unproject(const D3DXVECTOR3& screen, D3DXVECTOR3& world) const {
    const D3DVIEWPORT9 port = viewport();
    const D3DXMATRIX view = device_ != nullptr ? device_->transform(gfx::TransformKind::View) : identityMatrix();
    const D3DXMATRIX identity = identityMatrix();
    return D3DXVec3Unproject(&world, &screen, &port, &projection_, &view, &identity) != nullptr;
}

// ------------------------------------------------------- device loss --

void DxRenderer::setDeviceHooks(std::function<void()> onDeviceLost, std::function<void()> onDeviceReset) {
    onDeviceLost_ = std::move(onDeviceLost);
    onDeviceReset_ = std::move(onDeviceReset);
}

void DxRenderer::setResetSleep(std::function<void(std::chrono::milliseconds)> sleep) {
    if (sleep) sleep_ = std::move(sleep);
    else sleep_ = [](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); };
}

void DxRenderer::releaseDeviceObjects() {
    if (sprite_) sprite_->discard();
    sprite_.reset();
    line_.reset();
    fonts_.releaseAll();
    atlas_->recycle();
    TextureList::instance().releaseAll(*device_);
    sceneBegun_ = false;
    spriteBegun_ = false;
}

bool DxRenderer::resetDevice(int maxAttempts) {
    for (int attempt = 1;; ++attempt) {
        const bool succeeded = device_->reset(width_, height_);
        printLine(succeeded ? "Device reset successful" : "Device Reset unsuccessful");
        sleep_(kResetPause);
        if (succeeded) return true;
        if (maxAttempts > 0 && attempt >= maxAttempts) return false;
    }
}

bool DxRenderer::reset(int maxAttempts) {
    if (device_ == nullptr) return false;
    // A reset given up earlier has already released everything.
    if (!deviceObjectsReleased_) {
        releaseDeviceObjects();
        if (onDeviceLost_) onDeviceLost_();
        deviceObjectsReleased_ = true;
    }
    if (!resetDevice(maxAttempts)) return false;
    deviceObjectsReleased_ = false;

    // Pages made while the device was lost died with the reset.
    atlas_->recycle();
    fonts_.recreateAll(*atlas_);
    for (const auto& [index, text] : preloadTexts_)
        if (Font* font = fonts_.font(index)) font->preload(text);
    createDeviceObjects();
    const int lostTextures = TextureList::instance().recreateAll(*device_);
    if (lostTextures > 0) Logger::instance().error("DxRenderer::reset", "Some textures could not be re-created");
    applyInitialStates();
    if (onDeviceReset_) onDeviceReset_();
    return true;
}
