#include "render/renderer.h"

#include "platform/null_device.h"
#include "render/texture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A null device that also records the frame calls and what every draw sent.
class RecordingDevice final : public gfx::GraphicsDevice {
public:
    struct Draw {
        gfx::TextureHandle texture;
        uint32_t flags = 0;
        std::vector<float> firstVertex;  // position of the first vertex
        std::vector<float> firstUv;      // its texture coordinates (sprite vertices)
        uint32_t firstColour = 0;
        int vertexCount = 0;
        uint32_t alphaBlend = 0;
    };

    RecordingDevice(int width, int height) : inner(width, height) {}

    gfx::NullDevice inner;
    std::vector<std::string> calls;
    std::vector<Draw> draws;

    gfx::DeviceCaps caps() const override { return inner.caps(); }
    int backBufferWidth() const override { return inner.backBufferWidth(); }
    int backBufferHeight() const override { return inner.backBufferHeight(); }
    bool isLost() const override { return inner.isLost(); }
    bool reset(int w, int h) override { return inner.reset(w, h); }
    void simulateLoss(int failures) override { inner.simulateLoss(failures); }
    gfx::TextureHandle createTexture(int w, int h, const unsigned char* p) override { return inner.createTexture(w, h, p); }
    bool updateTexture(gfx::TextureHandle t, int x, int y, int w, int h, const unsigned char* rgba) override {
        return inner.updateTexture(t, x, y, w, h, rgba);
    }
    void destroyTexture(gfx::TextureHandle t) override { inner.destroyTexture(t); }
    void setTexture(gfx::TextureHandle t) override { inner.setTexture(t); }
    void setTextureFilter(gfx::TextureFilter mag, gfx::TextureFilter min) override { inner.setTextureFilter(mag, min); }
    void setTextureAddress(gfx::TextureAddress mode) override { inner.setTextureAddress(mode); }
    gfx::BufferHandle createVertexBuffer(const void* b, size_t n) override { return inner.createVertexBuffer(b, n); }
    gfx::BufferHandle createIndexBuffer(const uint16_t* i, size_t n) override { return inner.createIndexBuffer(i, n); }
    void destroyBuffer(gfx::BufferHandle b) override { inner.destroyBuffer(b); }
    void drawIndexed(gfx::Primitive p, uint32_t f, gfx::BufferHandle v, int vc, gfx::BufferHandle i, int ic) override {
        inner.drawIndexed(p, f, v, vc, i, ic);
    }
    void draw(gfx::Primitive p, uint32_t f, gfx::BufferHandle v, int vc) override { inner.draw(p, f, v, vc); }
    void drawUser(gfx::Primitive p, uint32_t flags, const void* vertices, int vertexCount, const uint16_t* indices,
                  int indexCount) override {
        calls.push_back("draw");
        Draw d;
        d.texture = inner.state().texture;
        d.flags = flags;
        d.vertexCount = vertexCount;
        d.alphaBlend = inner.renderState(gfx::RenderState::AlphaBlendEnable);
        if (vertices != nullptr && vertexCount > 0) {
            const auto* floats = static_cast<const float*>(vertices);
            d.firstVertex.assign(floats, floats + 2);
            std::memcpy(&d.firstColour, static_cast<const unsigned char*>(vertices) + 16, 4);
            if (flags == SpriteBatch::kVertexFlags) d.firstUv.assign(floats + 5, floats + 7);
        }
        draws.push_back(d);
        inner.drawUser(p, flags, vertices, vertexCount, indices, indexCount);
    }
    void setTransform(gfx::TransformKind k, const D3DXMATRIX& m) override { inner.setTransform(k, m); }
    D3DXMATRIX transform(gfx::TransformKind k) const override { return inner.transform(k); }
    void setRenderState(gfx::RenderState s, uint32_t v) override { inner.setRenderState(s, v); }
    uint32_t renderState(gfx::RenderState s) const override { return inner.renderState(s); }
    void setMaterial(const gfx::Material& m) override { inner.setMaterial(m); }
    void setLight(const gfx::DirectionalLight& l) override { inner.setLight(l); }
    void enableLight(bool e) override { inner.enableLight(e); }
    void setLineWidth(float w) override { inner.setLineWidth(w); }
    void beginScene() override { calls.push_back("beginScene"); inner.beginScene(); }
    void endScene() override { calls.push_back("endScene"); inner.endScene(); }
    void clear(uint32_t flags, uint32_t argb, float depth, int stencil) override {
        calls.push_back("clear" + std::to_string(flags));
        inner.clear(flags, argb, depth, stencil);
    }
    bool present() override { return inner.present(); }
    bool readBackBuffer(std::vector<unsigned char>& p, int& w, int& h) override { return inner.readBackBuffer(p, w, h); }
};

// A w × h texture of one opaque colour.
std::unique_ptr<Texture> solidTexture(gfx::GraphicsDevice& device, int w, int h, unsigned char value = 200) {
    std::vector<unsigned char> rgba(static_cast<size_t>(w) * h * 4, value);
    return std::make_unique<Texture>(device, w, h, rgba.data());
}

// Larger than the sprite atlas takes: drawn from its own texture.
constexpr int kBeyondAtlas = SpriteAtlas::kLargestPicture + 1;

class Renderer : public ::testing::Test {
protected:
    void SetUp() override {
        testing::internal::CaptureStdout();
        ASSERT_TRUE(renderer.init(device, 800, 600));
        initOutput = testing::internal::GetCapturedStdout();
        renderer.setResetSleep([this](std::chrono::milliseconds pause) { sleeps.push_back(pause.count()); });
        device.calls.clear();
        device.draws.clear();
    }

    RecordingDevice device{800, 600};
    DxRenderer renderer;
    std::string initOutput;
    std::vector<long long> sleeps;
};

TEST_F(Renderer, InitReportsFiltersAndSetsProjectionAndStates) {
    EXPECT_NE(initOutput.find("Min D3DTEXF_GAUSS not supported\n"), std::string::npos);
    D3DXMATRIX expected;
    D3DXMatrixPerspectiveFovLH(&expected, 0.5235988f, 800.0f / 600.0f, 1.0f, 250000.0f);
    EXPECT_EQ(device.transform(gfx::TransformKind::Projection), expected);
    EXPECT_EQ(device.renderState(gfx::RenderState::Lighting), 0u);
    EXPECT_EQ(device.renderState(gfx::RenderState::ZEnable), 1u);
    EXPECT_EQ(renderer.currentFont(), 0);
    EXPECT_EQ(FontCache::fontHeight(12), -16);
    EXPECT_EQ(FontCache::fontHeight(50), -67);

    DxRenderer refused;
    EXPECT_FALSE(refused.init(device, 0, 600));
    EXPECT_FALSE(refused.isInitialised());
}

TEST_F(Renderer, BeginSceneTwiceEndsTheFirstAndFlushesTheSprites) {
    auto texture = solidTexture(device, 8, 8);
    renderer.setClearColour(10, 20, 30);
    renderer.beginScene();
    renderer.beginSprite();
    renderer.drawSprite(texture.get(), {0, 0});
    renderer.beginScene();
    EXPECT_TRUE(renderer.isSceneBegun());
    EXPECT_FALSE(renderer.isSpriteBegun());
    const std::vector<std::string> expected = {"beginScene", "clear7", "draw", "endScene", "beginScene", "clear7"};
    EXPECT_EQ(device.calls, expected);
    std::vector<unsigned char> pixels;
    int w = 0, h = 0;
    ASSERT_TRUE(device.readBackBuffer(pixels, w, h));
    EXPECT_EQ(pixels[0], 10);
    EXPECT_EQ(pixels[2], 30);

    renderer.endScene();
    renderer.endScene();
    renderer.clearDepth();
    EXPECT_EQ(std::count(device.calls.begin(), device.calls.end(), "endScene"), 2);
    EXPECT_EQ(device.calls.back(), "clear2");
}

TEST_F(Renderer, SpritesAreDrawnOneBatchPerTextureRun) {
    // Small textures share the atlas page; a large one has its own texture.
    auto a = solidTexture(device, 16, 16);
    auto b = solidTexture(device, 32, 8);
    auto large = solidTexture(device, kBeyondAtlas, 8);
    renderer.beginSprite();
    renderer.drawSprite(a.get(), {0, 0});
    renderer.drawSprite(a.get(), {20, 0});
    renderer.drawSprite(b.get(), {40, 0});
    renderer.drawSprite(b.get(), {80, 0});
    EXPECT_EQ(device.draws.size(), 0u);
    renderer.drawSprite(large.get(), {0, 20});
    EXPECT_EQ(device.draws.size(), 1u);  // the change of texture drew the run on the atlas
    renderer.drawSprite(a.get(), {0, 40});
    renderer.endSprite();
    ASSERT_EQ(device.draws.size(), 3u);
    const gfx::TextureHandle page = device.draws[0].texture;
    EXPECT_TRUE(device.inner.isValid(page));
    EXPECT_NE(page, a->handle());
    EXPECT_EQ(device.draws[0].vertexCount, 16);
    EXPECT_EQ(device.draws[1].texture, large->handle());
    EXPECT_EQ(device.draws[2].texture, page);
    EXPECT_EQ(device.draws[2].vertexCount, 4);
    EXPECT_EQ(device.draws[0].alphaBlend, 1u);
    // The overlay states are put back after the batch.
    EXPECT_EQ(device.renderState(gfx::RenderState::AlphaBlendEnable), 0u);
    EXPECT_EQ(device.inner.stats().drawsOutsideScene, 3);  // no scene in this test; counted, not refused
    EXPECT_EQ(device.inner.stats().rejectedCalls, 0);

    // Outside a batch a sprite is drawn at once; empty textures draw nothing.
    Texture empty(device, String("/no/such/file.dds"));
    renderer.drawSprite(&empty, {0, 0});
    renderer.drawSprite(nullptr, {0, 0});
    renderer.drawSprite(a.get(), {0, 0});
    EXPECT_EQ(device.draws.size(), 4u);
}

TEST_F(Renderer, SpriteTransformScalesThenRotatesThenTranslates) {
    auto texture = solidTexture(device, 4, 2);
    renderer.setSpriteTransform(2.0f, 3.0f, D3DX_PI / 2.0f, 10.0f, 20.0f);
    renderer.drawSprite(texture.get(), {1, 0}, argbColour(1, 2, 3, 4));
    ASSERT_EQ(device.draws.size(), 1u);
    // (1, 0) scaled to (2, 0), turned to (0, 2), moved to (10, 22).
    EXPECT_NEAR(device.draws[0].firstVertex[0], 10.0f, 1e-4f);
    EXPECT_NEAR(device.draws[0].firstVertex[1], 22.0f, 1e-4f);
    EXPECT_EQ(device.draws[0].firstColour, 0x04010203u);

    renderer.resetSpriteTransform();
    const PixelRect source{2, 1, 4, 2};
    renderer.drawSprite(texture.get(), {5, 6}, 0xFFFFFFFF, &source);
    EXPECT_FLOAT_EQ(device.draws[1].firstVertex[0], 5.0f);
    EXPECT_FLOAT_EQ(device.draws[1].firstVertex[1], 6.0f);
}

TEST_F(Renderer, LinesCarryTheirAlphaAndRectanglesCloseTheirCorners) {
    renderer.setLineWidth(4.0f);
    renderer.drawRectangle(10, 20, 110, 70, 255, 0, 0, 0.5f);
    ASSERT_EQ(device.draws.size(), 4u);
    // The top side starts half the width left of the corner.
    EXPECT_FLOAT_EQ(device.draws[0].firstVertex[0], 8.0f);
    EXPECT_EQ(device.draws[0].firstColour, 0x7FFF0000u);
    EXPECT_EQ(device.draws[0].flags, static_cast<uint32_t>(gfx::kPositionT | gfx::kDiffuse));

    device.draws.clear();
    renderer.drawCircle(100, 100, 50, 0, 255, 0, 1.0f);
    ASSERT_EQ(device.draws.size(), 1u);
    EXPECT_EQ(device.draws[0].firstColour, 0xFF00FF00u);
    renderer.drawLine(5, 5, 5, 5, 0, 0, 0, 1.0f);  // nothing to draw
    renderer.drawCircle(100, 100, 0, 0, 0, 0, 1.0f);
    EXPECT_EQ(device.draws.size(), 1u);
}

TEST_F(Renderer, FontTableReusesAndFillsFreeSlots) {
    const int first = renderer.createFont("Arial", 12, false, true);
    EXPECT_EQ(first, 0);  // the start-up font
    EXPECT_EQ(renderer.createFont("Arial", 12, false, true), first);
    const int fresh = renderer.createFont("Arial", 12, false, false);
    EXPECT_NE(fresh, first);
    const int italic = renderer.createFont("Arial", 12, true, true);
    EXPECT_NE(italic, first);
    EXPECT_NE(italic, fresh);
    const int large = renderer.createFont("Arial", 18, false, true);

    renderer.releaseFont(fresh);
    EXPECT_FALSE(renderer.fonts().isValid(fresh));
    EXPECT_TRUE(renderer.fonts().description(fresh).face.equals("notset"));
    EXPECT_EQ(renderer.createFont("Arial", 45, false, false), fresh);
    EXPECT_EQ(renderer.fonts().size(), 4);
    EXPECT_TRUE(renderer.fonts().isValid(large));
}

TEST_F(Renderer, SetFontKeepsTheCurrentFontForInvalidIndices) {
    const int other = renderer.createFont("Arial", 30, false, false);
    EXPECT_TRUE(renderer.setFont(other));
    EXPECT_FALSE(renderer.setFont(-1));
    EXPECT_FALSE(renderer.setFont(99));
    EXPECT_EQ(renderer.currentFont(), other);
    renderer.releaseFont(0);
    EXPECT_FALSE(renderer.setFont(0));
    EXPECT_EQ(renderer.currentFont(), other);
    const int small = renderer.createFont("Arial", 12, false, true);
    EXPECT_GT(renderer.measureText("Hello").width, renderer.measureText(small, "Hello").width);
}

TEST_F(Renderer, TextJoinsTheSpriteBatchOrIsDrawnAtOnce) {
    auto art = solidTexture(device, kBeyondAtlas, 8);
    renderer.beginSprite();
    renderer.drawSprite(art.get(), {0, 0});
    renderer.drawText({0, 0, 200, 20}, "Load Images", argbColour(0, 0, 0));
    renderer.drawText({0, 20, 200, 40}, "Sculpture");
    renderer.drawSprite(art.get(), {0, 50});
    renderer.endSprite();
    ASSERT_EQ(device.draws.size(), 3u);  // art, both texts in one run, art
    EXPECT_EQ(device.draws[1].firstColour, 0xFF000000u);
    EXPECT_NE(device.draws[1].texture, art->handle());

    // Small art shares the glyphs' page: art and text interleaved are one draw.
    device.draws.clear();
    auto icon = solidTexture(device, 8, 8);
    renderer.beginSprite();
    renderer.drawSprite(icon.get(), {0, 0});
    renderer.drawText({0, 0, 200, 20}, "Load Images");
    renderer.drawSprite(icon.get(), {0, 50});
    renderer.endSprite();
    ASSERT_EQ(device.draws.size(), 1u);
    EXPECT_GT(device.draws[0].vertexCount, 4 * 2);

    device.draws.clear();
    renderer.drawText({0, 0, 200, 20}, "Plastora v1.02", TextAlign::Centre);
    EXPECT_EQ(device.draws.size(), 1u);
    EXPECT_EQ(device.draws[0].firstColour, 0xFFFFFFFFu);
    EXPECT_FALSE(renderer.isSpriteBegun());
}

TEST_F(Renderer, ProjectAndUnprojectAreInverse) {
    D3DXMATRIX view;
    const D3DXVECTOR3 eye(0, 5, -20), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    device.setTransform(gfx::TransformKind::View, view);

    const D3DXVECTOR3 world(3, -2, 7);
    const D3DXVECTOR3 screen = renderer.project(world);
    D3DXVECTOR3 back;
    ASSERT_TRUE(renderer.unproject(screen, back));
    EXPECT_NEAR(back.x, world.x, 1e-2f);
    EXPECT_NEAR(back.y, world.y, 1e-2f);
    EXPECT_NEAR(back.z, world.z, 1e-2f);

    // The point looked at lands in the middle of the back buffer.
    const D3DXVECTOR3 centre = renderer.project(at);
    EXPECT_NEAR(centre.x, 400.0f, 1e-3f);
    EXPECT_NEAR(centre.y, 300.0f, 1e-3f);
}

TEST_F(Renderer, ResetRetriesUntilTheDeviceIsBackAndRestoresEverything) {
    auto texture = solidTexture(device, 64, 32);
    const int italic = renderer.createFont("Arial", 18, true, false);
    renderer.preloadText(italic, "The application is loading...");
    const gfx::TextureHandle before = texture->handle();
    const D3DXMATRIX projection = renderer.projection();
    std::vector<std::string> hooks;
    renderer.setDeviceHooks([&] { hooks.push_back(device.inner.isLost() ? "lost" : "not lost"); },
                            [&] { hooks.push_back(device.inner.isLost() ? "reset while lost" : "reset"); });

    device.simulateLoss(3);
    testing::internal::CaptureStdout();
    ASSERT_TRUE(renderer.reset());
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(output,
              "Device Reset unsuccessful\nDevice Reset unsuccessful\nDevice Reset unsuccessful\n"
              "Device reset successful\n");
    EXPECT_EQ(sleeps, (std::vector<long long>{100, 100, 100, 100}));
    EXPECT_EQ(hooks, (std::vector<std::string>{"lost", "reset"}));

    // Textures have new, valid device copies of the same size and texels.
    EXPECT_FALSE(device.inner.isValid(before));
    ASSERT_TRUE(device.inner.isValid(texture->handle()));
    std::vector<unsigned char> texels;
    int w = 0, h = 0;
    ASSERT_TRUE(device.inner.textureTexels(texture->handle(), texels, w, h));
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 32);
    EXPECT_EQ(texels, texture->texels());

    // Fonts, sprite and line object draw again; the projection is unchanged.
    EXPECT_TRUE(renderer.fonts().isValid(0));
    EXPECT_TRUE(renderer.fonts().isValid(italic));
    EXPECT_EQ(renderer.projection(), projection);
    EXPECT_EQ(device.transform(gfx::TransformKind::Projection), projection);
    EXPECT_EQ(device.renderState(gfx::RenderState::Lighting), 0u);
    device.draws.clear();
    renderer.beginScene();
    renderer.beginSprite();
    renderer.drawSprite(texture.get(), {0, 0});
    renderer.setFont(italic);
    renderer.drawText({0, 0, 800, 40}, "The application is loading...", TextAlign::Centre);
    renderer.endSprite();
    renderer.drawLine(0, 0, 10, 10, 255, 255, 255, 1.0f);
    renderer.endScene();
    EXPECT_EQ(device.draws.size(), 2u);  // sprite and text share the atlas page, then the line
    EXPECT_EQ(device.inner.stats().rejectedCalls, 0);
}

TEST_F(Renderer, ResetWithAnAttemptLimitCanBeResumed) {
    std::vector<std::string> hooks;
    renderer.setDeviceHooks([&] { hooks.push_back("lost"); }, [&] { hooks.push_back("reset"); });
    device.simulateLoss(5);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(renderer.reset(2));
    EXPECT_FALSE(renderer.reset(2));
    EXPECT_TRUE(renderer.reset(2));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(sleeps.size(), 6u);
    EXPECT_EQ(hooks, (std::vector<std::string>{"lost", "reset"}));  // the lost hook runs once per loss
}

TEST_F(Renderer, AtlasCopiesFollowTheTexelsAndTheirPartsMapIntoTheCopy) {
    std::vector<unsigned char> rgba(4 * 2 * 4);
    for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<unsigned char>(i * 7);
    Texture texture(device, 4, 2, rgba.data());
    renderer.drawSprite(&texture, {0, 0});
    ASSERT_EQ(device.draws.size(), 1u);
    const gfx::TextureHandle page = device.draws[0].texture;
    ASSERT_NE(page, texture.handle());
    ASSERT_EQ(device.draws[0].firstUv.size(), 2u);

    // The copy holds the texels where the quad's coordinates point, its
    // border repeats the edge texels.
    std::vector<unsigned char> texels;
    int pageWidth = 0, pageHeight = 0;
    ASSERT_TRUE(device.inner.textureTexels(page, texels, pageWidth, pageHeight));
    const int x0 = static_cast<int>(std::lround(device.draws[0].firstUv[0] * pageWidth));
    const int y0 = static_cast<int>(std::lround(device.draws[0].firstUv[1] * pageHeight));
    auto pageTexel = [&](int x, int y) {
        const size_t at = (static_cast<size_t>(y) * pageWidth + x) * 4;
        return std::vector<unsigned char>(texels.begin() + at, texels.begin() + at + 4);
    };
    auto ownTexel = [&](int x, int y) {
        const size_t at = (static_cast<size_t>(y) * 4 + x) * 4;
        return std::vector<unsigned char>(texture.texels().begin() + at, texture.texels().begin() + at + 4);
    };
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(pageTexel(x0 + x, y0 + y), ownTexel(x, y)) << x << ", " << y;
    EXPECT_EQ(pageTexel(x0 - 1, y0 - 1), ownTexel(0, 0));
    EXPECT_EQ(pageTexel(x0 + 4, y0 + 2), ownTexel(3, 1));

    // A part maps into the copy: texel column 2 of 4 starts half way.
    const PixelRect part{2, 1, 4, 2};
    renderer.drawSprite(&texture, {0, 0}, 0xFFFFFFFF, &part);
    ASSERT_EQ(device.draws.size(), 2u);
    EXPECT_FLOAT_EQ(device.draws[1].firstUv[0] * pageWidth, static_cast<float>(x0 + 2));
    EXPECT_FLOAT_EQ(device.draws[1].firstUv[1] * pageHeight, static_cast<float>(y0 + 1));
    // A part reaching past the picture is drawn from the texture itself (clamped edges).
    const PixelRect beyond{2, 0, 6, 2};
    renderer.drawSprite(&texture, {0, 0}, 0xFFFFFFFF, &beyond);
    EXPECT_EQ(device.draws[2].texture, texture.handle());

    // Changed texels reach the copy before the next draw; pending quads are drawn first.
    renderer.beginSprite();
    renderer.drawSprite(&texture, {0, 0});
    ASSERT_TRUE(texture.fillColour(TexelColour{1, 2, 3}, 4, 2));
    renderer.drawSprite(&texture, {0, 0});
    EXPECT_EQ(device.draws.size(), 4u);
    renderer.endSprite();
    ASSERT_EQ(device.draws.size(), 5u);
    EXPECT_EQ(device.draws[4].texture, page);
    ASSERT_TRUE(device.inner.textureTexels(page, texels, pageWidth, pageHeight));
    EXPECT_EQ(pageTexel(x0 + 3, y0 + 1)[0], 1);
    EXPECT_EQ(pageTexel(x0 + 3, y0 + 1)[2], 3);
}

TEST_F(Renderer, FullAtlasIsRecycledBetweenFramesAndDrawsOnAfterwards) {
    // With its border a 256 x 256 picture takes a ninth of a page: forty
    // of them are more than the pages for pictures hold.
    std::vector<std::unique_ptr<Texture>> art;
    for (int i = 0; i < 40; ++i) art.push_back(solidTexture(device, 256, 256, static_cast<unsigned char>(i)));
    renderer.beginScene();
    renderer.beginSprite();
    for (const auto& texture : art) renderer.drawSprite(texture.get(), {0, 0});
    renderer.endSprite();
    renderer.endScene();
    const size_t drawsOfFirstFrame = device.draws.size();
    EXPECT_EQ(device.draws.back().texture, art.back()->handle()) << "past the limit art is drawn from its own texture";
    EXPECT_LT(drawsOfFirstFrame, art.size());

    // The next frame starts on fresh pages; every picture draws, text too.
    device.draws.clear();
    renderer.beginScene();
    renderer.beginSprite();
    renderer.drawSprite(art.front().get(), {0, 0});
    renderer.drawText({0, 0, 200, 20}, "Sculpture");
    renderer.endSprite();
    renderer.endScene();
    ASSERT_EQ(device.draws.size(), 1u);
    EXPECT_TRUE(device.inner.isValid(device.draws[0].texture));
    EXPECT_NE(device.draws[0].texture, art.front()->handle());
    EXPECT_EQ(device.inner.stats().rejectedCalls, 0);

    // A screen whose art alone overfills the atlas is not copied again every
    // frame: the overflow is drawn from its own textures for a while.
    auto drawAllArt = [&] {
        device.draws.clear();
        renderer.beginScene();
        renderer.beginSprite();
        for (const auto& texture : art) renderer.drawSprite(texture.get(), {0, 0});
        renderer.endSprite();
        renderer.endScene();
    };
    drawAllArt();
    const int pagesMade = device.inner.stats().texturesCreated;
    for (int frame = 0; frame < 10; ++frame) drawAllArt();
    EXPECT_EQ(device.inner.stats().texturesCreated, pagesMade);
    EXPECT_EQ(device.draws.back().texture, art.back()->handle());
}

}  // namespace
