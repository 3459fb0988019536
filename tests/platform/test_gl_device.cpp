// Pixel checks of the OpenGL device in a hidden window; skipped without a display / GL 3.3 core.
#include "platform/gl_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <tuple>

// libdbus (SDL video start-up) keeps one buffer it never frees: not ours to report.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

namespace {

using namespace gfx;

constexpr int kSize = 64;

struct ScreenVertex { float x, y, z, rhw; uint32_t colour; };
struct TexturedScreenVertex { float x, y, z, rhw; uint32_t colour; float u, v; };
struct LitVertex { D3DXVECTOR3 position, normal; uint32_t colour; };
struct WorldVertex { D3DXVECTOR3 position; uint32_t colour; };
struct Rgb { int r, g, b; };
constexpr uint32_t kScreenFlags = kPositionT | kDiffuse, kTexturedScreenFlags = kPositionT | kDiffuse | kTex1,
                   kLitFlags = kPosition | kNormal | kDiffuse, kWorldFlags = kPosition | kDiffuse;

std::array<ScreenVertex, 3> screenTriangle(float x0, float y0, float x1, float y1, float x2, float y2, float z,
                                           uint32_t colour) {
    return {{{x0, y0, z, 1, colour}, {x1, y1, z, 1, colour}, {x2, y2, z, 1, colour}}};
}

// Two triangles covering the rectangle, wound clockwise as seen.
std::array<ScreenVertex, 6> screenQuad(float left, float top, float right, float bottom, float z, uint32_t colour) {
    return {{{left, top, z, 1, colour}, {right, top, z, 1, colour}, {left, bottom, z, 1, colour},
             {left, bottom, z, 1, colour}, {right, top, z, 1, colour}, {right, bottom, z, 1, colour}}};
}

// One window for the run, never closed (closing unloads the driver, whose allocations would look leaked).
HiddenGlWindow* sharedWindow() {
    static HiddenGlWindow* window = HiddenGlWindow::create(kSize, kSize).release();
    return window;
}

class GlDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        HiddenGlWindow* window = sharedWindow();
        if (window == nullptr) GTEST_SKIP() << "no display with OpenGL 3.3 core";
        ASSERT_TRUE(window->makeCurrent());
        device = createGlDevice(window->window(), kSize, kSize);
        ASSERT_TRUE(device);
        device->beginScene();
        device->clear(kClearTarget | kClearDepth | kClearStencil, 0xFF000000, 1.0f, 0);
    }

    void TearDown() override { device.reset(); }

    template <typename Vertex, size_t N>
    void drawList(const std::array<Vertex, N>& vertices, uint32_t flags) {
        drawUser(Primitive::TriangleList, flags, vertices.data(), static_cast<int>(N));
    }
    void drawUser(Primitive primitive, uint32_t flags, const void* vertices, int count,
                  const uint16_t* indices = nullptr, int indexCount = 0) {
        device->drawUser(primitive, flags, vertices, count, indices, indexCount);
        frame.clear();
    }

    Rgb pixel(int x, int y) {
        if (frame.empty()) {
            int width = 0, height = 0;
            EXPECT_TRUE(device->readBackBuffer(frame, width, height));
            EXPECT_EQ(width, kSize);
            EXPECT_EQ(height, kSize);
        }
        const size_t at = (static_cast<size_t>(y) * kSize + x) * 4;
        return {frame[at], frame[at + 1], frame[at + 2]};
    }
    void newFrame(uint32_t clearColour = 0xFF000000) {
        frame.clear();
        device->clear(kClearTarget | kClearDepth, clearColour, 1.0f, 0);
    }

    void useCamera() {
        const D3DXVECTOR3 eye(0, 0, -10), at(0, 0, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&projection, D3DXToRadian(30.0), 1.0f, 1.0f, 100.0f);
        device->setTransform(TransformKind::View, view);
        device->setTransform(TransformKind::Projection, projection);
    }

    std::unique_ptr<GraphicsDevice> device;
    std::vector<unsigned char> frame;
    D3DXMATRIX view;
    D3DXMATRIX projection;
};

::testing::AssertionResult near(Rgb a, Rgb e, int tol = 2) {
    if (std::abs(a.r - e.r) <= tol && std::abs(a.g - e.g) <= tol && std::abs(a.b - e.b) <= tol)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got (" << a.r << ", " << a.g << ", " << a.b << "), expected (" << e.r
                                         << ", " << e.g << ", " << e.b << ")";
}

constexpr Rgb kBlack{0, 0, 0}, kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};

TEST_F(GlDeviceTest, ClearAndPreTransformedTriangleLandOnTheirPixels) {
    newFrame(0xFF336699);
    EXPECT_TRUE(near(pixel(0, 0), {0x33, 0x66, 0x99}, 0) && near(pixel(63, 63), {0x33, 0x66, 0x99}, 0));

    newFrame();
    // The right angle at the top left; rows are read top first.
    drawList(screenTriangle(8, 8, 56, 8, 8, 56, 0.5f, 0xFFFF0000), kScreenFlags);
    for (auto [x, y, rgb] : {std::tuple{9, 9, kRed}, {40, 12, kRed}, {12, 40, kRed}, {40, 40, kBlack}, {7, 7, kBlack},
                             {12, 60, kBlack}})
        EXPECT_TRUE(near(pixel(x, y), rgb)) << x << ", " << y;
}

TEST_F(GlDeviceTest, CullModesFollowTheWindingAsSeen) {
    const auto clockwise = screenTriangle(8, 8, 56, 8, 8, 56, 0.5f, 0xFF00FF00);
    const auto counterClockwise = screenTriangle(8, 8, 8, 56, 56, 8, 0.5f, 0xFF00FF00);
    struct Case { uint32_t mode; bool setMode, clockwiseShows, counterShows; };
    // The default culls counter-clockwise triangles.
    for (const Case& c : {Case{0, false, true, false}, Case{kCullClockwise, true, false, true},
                          Case{kCullNone, true, true, true}}) {
        if (c.setMode) device->setRenderState(RenderState::CullMode, c.mode);
        newFrame();
        drawList(clockwise, kScreenFlags);
        EXPECT_TRUE(near(pixel(16, 16), c.clockwiseShows ? kGreen : kBlack)) << "mode " << c.mode;
        newFrame();
        drawList(counterClockwise, kScreenFlags);
        EXPECT_TRUE(near(pixel(16, 16), c.counterShows ? kGreen : kBlack)) << "mode " << c.mode;
    }
}

TEST_F(GlDeviceTest, PointFilteredTextureReproducesItsTexels) {
    const std::array<unsigned char, 16> texels = {255, 0, 0, 255, 0, 255, 0, 255,  // red, green
                                                  0, 0, 255, 255, 255, 255, 255, 255};  // blue, white
    const TextureHandle texture = device->createTexture(2, 2, texels.data());
    ASSERT_TRUE(texture);
    device->setTexture(texture);
    device->setTextureFilter(TextureFilter::Point, TextureFilter::Point);
    const std::array<TexturedScreenVertex, 4> strip = {{{0, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0}, {64, 0, 0.5f, 1, 0xFFFFFFFF, 1, 0},
                                                        {0, 64, 0.5f, 1, 0xFFFFFFFF, 0, 1}, {64, 64, 0.5f, 1, 0xFFFFFFFF, 1, 1}}};
    drawUser(Primitive::TriangleStrip, kTexturedScreenFlags, strip.data(), 4);
    for (auto [x, y, rgb] : {std::tuple{0, 0, kRed}, {31, 31, kRed}, {32, 0, kGreen}, {0, 32, kBlue}, {63, 63, kWhite}})
        EXPECT_TRUE(near(pixel(x, y), rgb)) << x << ", " << y;

    // Vertex colour modulates; an update replaces texels in place.
    const std::array<unsigned char, 4> grey = {128, 128, 128, 255};
    ASSERT_TRUE(device->updateTexture(texture, 1, 1, 1, 1, grey.data()));
    auto tinted = strip;
    for (auto& vertex : tinted) vertex.colour = 0xFF0000FF;
    newFrame();
    drawUser(Primitive::TriangleStrip, kTexturedScreenFlags, tinted.data(), 4);
    EXPECT_TRUE(near(pixel(48, 48), {0, 0, 128}));
    EXPECT_TRUE(near(pixel(16, 16), kBlack));
}

TEST_F(GlDeviceTest, BlendingAndAlphaTestUseTheAlpha) {
    newFrame(0xFF0000FF);
    device->setRenderState(RenderState::AlphaBlendEnable, 1);
    device->setRenderState(RenderState::SrcBlend, kBlendSrcAlpha);
    device->setRenderState(RenderState::DestBlend, kBlendInvSrcAlpha);
    drawList(screenQuad(0, 0, 32, 64, 0.5f, 0x80FF0000), kScreenFlags);
    EXPECT_TRUE(near(pixel(16, 32), {128, 0, 127}, 2));
    EXPECT_TRUE(near(pixel(48, 32), kBlue));

    device->setRenderState(RenderState::AlphaBlendEnable, 0);
    device->setRenderState(RenderState::AlphaTestEnable, 1);
    device->setRenderState(RenderState::AlphaRef, 0x81);
    newFrame(0xFF0000FF);
    drawList(screenQuad(0, 0, 32, 64, 0.5f, 0x80FF0000), kScreenFlags);
    EXPECT_TRUE(near(pixel(16, 32), kBlue));
    device->setRenderState(RenderState::AlphaRef, 0x80);
    drawList(screenQuad(0, 0, 32, 64, 0.5f, 0x80FF0000), kScreenFlags);
    EXPECT_TRUE(near(pixel(16, 32), kRed));
}

TEST_F(GlDeviceTest, DepthTestHidesWhatIsFarther) {
    drawList(screenQuad(0, 0, 64, 64, 0.2f, 0xFF00FF00), kScreenFlags);
    drawList(screenQuad(16, 16, 48, 48, 0.8f, 0xFFFF0000), kScreenFlags);
    EXPECT_TRUE(near(pixel(32, 32), kGreen));

    device->setRenderState(RenderState::ZFunc, kCmpGreater);
    drawList(screenQuad(16, 16, 48, 48, 0.8f, 0xFFFF0000), kScreenFlags);
    EXPECT_TRUE(near(pixel(32, 32), kRed)) << "greater passes against the nearer depth";

    device->setRenderState(RenderState::ZFunc, kCmpLessEqual);
    device->setRenderState(RenderState::ZWriteEnable, 0);
    newFrame();
    drawList(screenQuad(0, 0, 64, 64, 0.2f, 0xFF00FF00), kScreenFlags);
    drawList(screenQuad(16, 16, 48, 48, 0.8f, 0xFFFF0000), kScreenFlags);
    EXPECT_TRUE(near(pixel(32, 32), kRed)) << "nothing was written to the depth buffer";
}

TEST_F(GlDeviceTest, LightingBrightensTheSideFacingTheLight) {
    useCamera();
    device->setRenderState(RenderState::CullMode, kCullNone);
    device->setRenderState(RenderState::Ambient, 0xFF404040);
    Material material;
    material.ambient = {1, 1, 1, 1};
    device->setMaterial(material);
    DirectionalLight light;
    light.direction = {0, 0, 1};  // travels away from the viewer
    device->setLight(light);
    device->enableLight(true);

    const D3DXVECTOR3 towardsViewer(0, 0, -1), awayFromViewer(0, 0, 1);
    const uint32_t w = 0xFFFFFFFF;
    const std::array<LitVertex, 6> triangles = {{{{-2.5f, -1, 0}, towardsViewer, w}, {{-0.5f, -1, 0}, towardsViewer, w},
                                                 {{-1.5f, 1, 0}, towardsViewer, w}, {{0.5f, -1, 0}, awayFromViewer, w},
                                                 {{2.5f, -1, 0}, awayFromViewer, w}, {{1.5f, 1, 0}, awayFromViewer, w}}};
    drawList(triangles, kLitFlags);
    EXPECT_TRUE(near(pixel(14, 36), kWhite));
    EXPECT_TRUE(near(pixel(50, 36), {64, 64, 64}));

    device->setRenderState(RenderState::Lighting, 0);
    newFrame();
    drawList(triangles, kLitFlags);
    EXPECT_TRUE(near(pixel(50, 36), kWhite)) << "unlit vertices keep their colour";
}

TEST_F(GlDeviceTest, SpecularHighlightOnlyWhenSwitchedOn) {
    useCamera();
    Material material;
    material.specular = {0.5f, 0, 0, 1};
    material.power = 4.0f;
    device->setMaterial(material);
    DirectionalLight light;
    light.direction = {0, 0, 1};
    light.specular = {1, 1, 1, 1};
    device->setLight(light);
    device->enableLight(true);
    const D3DXVECTOR3 towardsViewer(0, 0, -1);
    const uint32_t grey = 0xFF808080;
    const std::array<LitVertex, 3> triangle = {
        {{{-2, -1, 0}, towardsViewer, grey}, {{0, 2, 0}, towardsViewer, grey}, {{2, -1, 0}, towardsViewer, grey}}};
    drawList(triangle, kLitFlags);
    EXPECT_TRUE(near(pixel(32, 36), {128, 128, 128}));
    device->setRenderState(RenderState::SpecularEnable, 1);
    newFrame();
    drawList(triangle, kLitFlags);
    const Rgb lit = pixel(32, 36);
    EXPECT_GT(lit.r, 220) << "half of the light's specular colour at N.H near 1";
    EXPECT_TRUE(near({0, lit.g, lit.b}, {0, 128, 128}));
}

TEST_F(GlDeviceTest, TransformedTriangleLandsWhereProjectionPredicts) {
    useCamera();
    device->setRenderState(RenderState::Lighting, 0);
    device->setRenderState(RenderState::CullMode, kCullNone);
    D3DXMATRIX rotation, translation, world;
    D3DXMatrixRotationY(&rotation, 0.5f);
    D3DXMatrixTranslation(&translation, 0.6f, 0.4f, 1.0f);
    world = rotation * translation;
    device->setTransform(TransformKind::World, world);
    const std::array<WorldVertex, 3> triangle = {
        {{{-0.5f, -0.3f, 0.2f}, 0xFFFFFFFF}, {{0.7f, 0.1f, -0.4f}, 0xFFFFFFFF}, {{0.0f, 0.9f, 0.0f}, 0xFFFFFFFF}}};
    drawList(triangle, kWorldFlags);

    const D3DVIEWPORT9 viewport{0, 0, kSize, kSize, 0.0f, 1.0f};
    float minX = 1e9f, minY = 1e9f, maxX = -1e9f, maxY = -1e9f;
    for (const WorldVertex& vertex : triangle) {
        D3DXVECTOR3 screen;
        D3DXVec3Project(&screen, &vertex.position, &viewport, &projection, &view, &world);
        minX = std::min(minX, screen.x), maxX = std::max(maxX, screen.x);
        minY = std::min(minY, screen.y), maxY = std::max(maxY, screen.y);
    }
    int coveredMinX = kSize, coveredMinY = kSize, coveredMaxX = -1, coveredMaxY = -1;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            if (pixel(x, y).r >= 128)
                coveredMinX = std::min(coveredMinX, x), coveredMaxX = std::max(coveredMaxX, x),
                coveredMinY = std::min(coveredMinY, y), coveredMaxY = std::max(coveredMaxY, y);
    ASSERT_GE(coveredMaxX, 0) << "nothing drawn";
    EXPECT_NEAR(coveredMinX, minX, 1.0f);
    EXPECT_NEAR(coveredMaxX + 1, maxX, 1.0f);
    EXPECT_NEAR(coveredMinY, minY, 1.0f);
    EXPECT_NEAR(coveredMaxY + 1, maxY, 1.0f);
}

TEST_F(GlDeviceTest, FogTurnsFarGeometryIntoTheFogColour) {
    useCamera();
    device->setRenderState(RenderState::Lighting, 0);
    device->setRenderState(RenderState::CullMode, kCullNone);
    device->setRenderState(RenderState::FogEnable, 1);
    device->setRenderState(RenderState::FogColor, 0xFF00FF00);
    device->setRenderState(RenderState::FogStart, floatState(12.0f));
    device->setRenderState(RenderState::FogEnd, floatState(30.0f));
    device->setRenderState(RenderState::FogVertexMode, kFogLinear);
    auto quadAt = [](float z) {
        const uint32_t red = 0xFFFF0000;
        return std::array<WorldVertex, 6>{
            {{{-1, -1, z}, red}, {{-1, 1, z}, red}, {{1, -1, z}, red}, {{1, -1, z}, red}, {{-1, 1, z}, red}, {{1, 1, z}, red}}};
    };
    // Eye distances 10 (before the fog), 21 (half way), 40 (all fog).
    for (auto [z, rgb] : {std::pair{0.0f, kRed}, {11.0f, Rgb{128, 128, 0}}, {30.0f, kGreen}}) {
        newFrame();
        drawList(quadAt(z), kWorldFlags);
        EXPECT_TRUE(near(pixel(32, 32), rgb, 3)) << "z " << z;
    }

    device->setRenderState(RenderState::FogVertexMode, kFogNone);
    device->setRenderState(RenderState::FogTableMode, kFogExp);
    device->setRenderState(RenderState::FogDensity, floatState(0.1f));
    newFrame();
    drawList(quadAt(0.0f), kWorldFlags);  // factor e^-1
    EXPECT_TRUE(near(pixel(32, 32), {94, 161, 0}, 3));

    // Screen-space (GUI) drawing is left alone by vertex fog.
    device->setRenderState(RenderState::FogTableMode, kFogNone);
    device->setRenderState(RenderState::FogVertexMode, kFogLinear);
    newFrame();
    drawList(screenQuad(0, 0, 64, 64, 0.9f, 0xFFFF0000), kScreenFlags);
    EXPECT_TRUE(near(pixel(32, 32), kRed));
}

TEST_F(GlDeviceTest, StaticBuffersDrawAndBadIndicesDrawNothing) {
    const auto quad = screenQuad(8, 8, 56, 56, 0.5f, 0xFFFFFFFF);
    const std::array<ScreenVertex, 4> corners = {quad[0], quad[1], quad[2], quad[5]};
    const uint16_t indices[6] = {0, 1, 2, 2, 1, 3};
    const BufferHandle vertexBuffer = device->createVertexBuffer(corners.data(), sizeof(corners));
    const BufferHandle indexBuffer = device->createIndexBuffer(indices, 6);
    ASSERT_TRUE(vertexBuffer && indexBuffer);
    device->drawIndexed(Primitive::TriangleList, kScreenFlags, vertexBuffer, 4, indexBuffer, 6);
    EXPECT_TRUE(near(pixel(50, 50), kWhite));

    newFrame();
    device->drawIndexed(Primitive::TriangleList, kScreenFlags, vertexBuffer, 3, indexBuffer, 6);
    const uint16_t outside[3] = {0, 1, 9};
    drawUser(Primitive::TriangleList, kScreenFlags, corners.data(), 4, outside, 3);
    EXPECT_TRUE(near(pixel(12, 12), kBlack));

    device->draw(Primitive::TriangleStrip, kScreenFlags, vertexBuffer, 4);
    frame.clear();
    EXPECT_TRUE(near(pixel(12, 12), kWhite));
}

TEST_F(GlDeviceTest, WideLinesAndWireframeCoverTheRightPixels) {
    const std::array<ScreenVertex, 2> line = {{{8, 32.5f, 0.5f, 1, 0xFFFFFFFF}, {56, 32.5f, 0.5f, 1, 0xFFFFFFFF}}};
    drawUser(Primitive::LineList, kScreenFlags, line.data(), 2);
    EXPECT_TRUE(near(pixel(32, 32), kWhite) && near(pixel(32, 30), kBlack));

    device->setLineWidth(5.0f);
    newFrame();
    drawUser(Primitive::LineList, kScreenFlags, line.data(), 2);
    for (int y = 30; y <= 33; ++y) EXPECT_TRUE(near(pixel(32, y), kWhite)) << "row " << y;
    EXPECT_TRUE(near(pixel(32, 27), kBlack) && near(pixel(32, 36), kBlack));

    device->setLineWidth(1.0f);
    device->setRenderState(RenderState::FillMode, kFillWireframe);
    newFrame();
    drawList(screenQuad(8, 8, 56, 56, 0.5f, 0xFFFFFFFF), kScreenFlags);
    EXPECT_TRUE(near(pixel(20, 30), kBlack)) << "the inside stays empty";
    int litOnLeftEdge = 0;
    for (int x = 6; x <= 10; ++x) litOnLeftEdge += pixel(x, 30).r > 128 ? 1 : 0;
    EXPECT_GE(litOnLeftEdge, 1);
}

TEST_F(GlDeviceTest, ResetAfterLossGivesAWorkingDeviceWithFreshHandles) {
    const TextureHandle texture = device->createTexture(1, 1, nullptr);
    ASSERT_TRUE(texture);
    device->setRenderState(RenderState::CullMode, kCullNone);

    device->simulateLoss(1);
    EXPECT_TRUE(device->isLost());
    EXPECT_FALSE(device->present());
    EXPECT_FALSE(device->reset(kSize, kSize));
    ASSERT_TRUE(device->reset(kSize, kSize));
    EXPECT_FALSE(device->isLost());

    const std::array<unsigned char, 4> white = {255, 255, 255, 255}, blue = {0, 0, 255, 255};
    EXPECT_FALSE(device->updateTexture(texture, 0, 0, 1, 1, white.data()));
    EXPECT_EQ(device->renderState(RenderState::CullMode), kCullCounterClockwise);
    const TextureHandle fresh = device->createTexture(1, 1, blue.data());
    ASSERT_TRUE(fresh && fresh != texture);
    device->setTexture(fresh);
    newFrame();
    drawList(screenQuad(0, 0, 64, 64, 0.5f, 0xFFFFFFFF), kScreenFlags);
    EXPECT_TRUE(near(pixel(32, 32), kBlue));
    EXPECT_TRUE(device->present());
    frame.clear();
    EXPECT_TRUE(near(pixel(32, 32), kBlue)) << "after present";
}

TEST_F(GlDeviceTest, StreamedDrawsStayRightWhileTheirBufferFillsAndGrows) {
    // Sixteen draws of ~200 KB each pass the stream's first megabyte several
    // times; each paints its own 16 x 16 cell, padded with zero-area triangles.
    constexpr int kPadding = 10000;
    const uint32_t colours[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    for (int cell = 0; cell < 16; ++cell) {
        const float left = static_cast<float>(cell % 4 * 16), top = static_cast<float>(cell / 4 * 16);
        const auto quad = screenQuad(left, top, left + 16, top + 16, 0.5f, colours[cell % 4]);
        std::vector<ScreenVertex> vertices(kPadding, ScreenVertex{1, 1, 0.5f, 1, 0xFF000000});
        if (cell % 2 == 0) {
            const int count = kPadding - kPadding % 3;
            std::copy(quad.begin(), quad.end(), vertices.begin() + (count - 6));
            drawUser(Primitive::TriangleList, kScreenFlags, vertices.data(), count);
        } else {
            std::copy(quad.begin(), quad.end(), vertices.begin());
            const uint16_t indices[6] = {0, 1, 2, 3, 4, 5};
            drawUser(Primitive::TriangleList, kScreenFlags, vertices.data(), kPadding, indices, 6);
        }
    }
    const Rgb expected[4] = {kRed, kGreen, kBlue, kWhite};
    for (int cell = 0; cell < 16; ++cell) {
        EXPECT_TRUE(near(pixel(cell % 4 * 16 + 8, cell / 4 * 16 + 8), expected[cell % 4])) << "cell " << cell;
    }

    // One draw larger than the whole stream.
    newFrame();
    std::vector<ScreenVertex> huge(3 * 40000, ScreenVertex{1, 1, 0.5f, 1, 0xFF000000});
    const auto quad = screenQuad(0, 0, 64, 64, 0.5f, 0xFF00FF00);
    std::copy(quad.begin(), quad.end(), huge.end() - 6);
    drawUser(Primitive::TriangleList, kScreenFlags, huge.data(), static_cast<int>(huge.size()));
    EXPECT_TRUE(near(pixel(40, 40), kGreen));
}

TEST_F(GlDeviceTest, KeptFramesStayReadableAfterPresentAndDrawingMovesBack) {
    device->keepFramesForReadBack(true);
    newFrame(0xFF0000FF);
    drawList(screenQuad(0, 0, 32, 64, 0.5f, 0xFFFF0000), kScreenFlags);
    EXPECT_TRUE(device->present());
    frame.clear();
    EXPECT_TRUE(near(pixel(16, 32), kRed));
    EXPECT_TRUE(near(pixel(48, 32), kBlue));

    device->keepFramesForReadBack(false);
    newFrame(0xFF00FF00);
    drawList(screenQuad(32, 0, 64, 64, 0.5f, 0xFFFFFFFF), kScreenFlags);
    EXPECT_TRUE(near(pixel(16, 32), kGreen));
    EXPECT_TRUE(near(pixel(48, 32), kWhite));
}

TEST_F(GlDeviceTest, AReducedSceneLandsStretchedOverTheBackBufferAndDrawingReturnsToFullSize) {
    newFrame(0xFF0000FF);
    drawList(screenQuad(0, 0, 64, 8, 0.5f, 0xFFFFFFFF), kScreenFlags);
    ASSERT_TRUE(device->beginReducedScene(2));
    EXPECT_FALSE(device->beginReducedScene(2));  // one at a time
    // Back-buffer coordinates: the left half, below the top band.
    drawList(screenQuad(0, 16, 32, 64, 0.5f, 0xFFFF0000), kScreenFlags);
    device->endReducedScene();
    // The reduced scene starts from the frame's clear colour and covers
    // the whole back buffer: the white band drawn before it is gone.
    EXPECT_TRUE(near(pixel(40, 2), kBlue));
    EXPECT_TRUE(near(pixel(12, 40), kRed));
    EXPECT_TRUE(near(pixel(52, 40), kBlue));
    // A black frame whose reduced scene holds one quad.
    auto reducedFrame = [&](int divisor, const std::array<ScreenVertex, 6>& quad) {
        newFrame(0xFF000000);
        if (!device->beginReducedScene(divisor)) return false;
        drawList(quad, kScreenFlags);
        device->endReducedScene();
        return true;
    };
    // Its pixels are twice the size, blocks of their own colour: a line of
    // one reduced pixel covers two rows wholly and bleeds into none.
    ASSERT_TRUE(reducedFrame(2, screenQuad(0, 30, 64, 32, 0.5f, 0xFF00FF00)));
    EXPECT_TRUE(near(pixel(20, 30), kGreen));
    EXPECT_TRUE(near(pixel(20, 31), kGreen));
    EXPECT_TRUE(near(pixel(20, 29), kBlack));
    EXPECT_TRUE(near(pixel(20, 32), kBlack));
    // After it, drawing is at full size again, a pixel as sharp as before.
    drawList(screenQuad(10, 50, 11, 51, 0.5f, 0xFFFFFFFF), kScreenFlags);
    EXPECT_TRUE(near(pixel(10, 50), kWhite));
    EXPECT_TRUE(near(pixel(11, 50), kBlack));
    EXPECT_TRUE(near(pixel(10, 51), kBlack));
    // A divisor that does not divide the back buffer (64 / 6) still covers
    // all of it.
    ASSERT_TRUE(reducedFrame(6, screenQuad(0, 0, 64, 64, 0.5f, 0xFFFF0000)));
    EXPECT_TRUE(near(pixel(0, 0), kRed));
    EXPECT_TRUE(near(pixel(63, 63), kRed));
    EXPECT_FALSE(device->beginReducedScene(0));
    EXPECT_FALSE(device->beginReducedScene(9));
}

TEST_F(GlDeviceTest, TheLastSceneIsShownAgainUntilTheBackBufferChanges) {
    newFrame(0xFF000000);
    EXPECT_FALSE(device->repeatLastScene());  // none drawn yet
    ASSERT_TRUE(device->beginReducedScene(1));
    EXPECT_FALSE(device->repeatLastScene());  // not while one is open
    drawList(screenQuad(0, 0, 32, 64, 0.5f, 0xFFFF0000), kScreenFlags);
    device->endReducedScene();
    // A later frame cleared to green shows the red half again, pixel for pixel.
    newFrame(0xFF00FF00);
    ASSERT_TRUE(device->repeatLastScene());
    EXPECT_TRUE(near(pixel(31, 40), kRed));
    EXPECT_TRUE(near(pixel(32, 40), kBlack));
    // Drawing after it lands on top as usual.
    drawList(screenQuad(32, 0, 64, 64, 0.5f, 0xFFFFFFFF), kScreenFlags);
    EXPECT_TRUE(near(pixel(48, 40), kWhite));
    // A reset (new size or device) forgets the picture.
    ASSERT_TRUE(device->reset(64, 64));
    EXPECT_FALSE(device->repeatLastScene());
}

}  // namespace
