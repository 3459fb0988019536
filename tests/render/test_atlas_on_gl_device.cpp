// The sprite atlas seen through OpenGL's own filtering: stretched art keeps
// its colours up to its edges, whatever lies next to it on the page, and
// text drawn between art shares its draw call. Skipped without a display.
#include "platform/gl_device.h"
#include "render/renderer.h"
#include "render/texture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

// libdbus (SDL video start-up) keeps one buffer it never frees: not ours to report.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

namespace {

constexpr int kSize = 64;

std::unique_ptr<Texture> solid(gfx::GraphicsDevice& device, int side, unsigned char r, unsigned char g,
                               unsigned char b) {
    std::vector<unsigned char> rgba;
    for (int i = 0; i < side * side; ++i) rgba.insert(rgba.end(), {r, g, b, 255});
    return std::make_unique<Texture>(device, side, side, rgba.data());
}

TEST(AtlasOnGlDevice, StretchedNeighboursKeepTheirOwnColoursToTheirEdges) {
    // One window for the run, never closed (closing unloads the driver, whose allocations would look leaked).
    static gfx::HiddenGlWindow* window = gfx::HiddenGlWindow::create(kSize, kSize).release();
    if (window == nullptr) GTEST_SKIP() << "no display with OpenGL 3.3 core";
    ASSERT_TRUE(window->makeCurrent());
    std::unique_ptr<gfx::GraphicsDevice> device = gfx::createGlDevice(window->window(), kSize, kSize);
    ASSERT_TRUE(device);
    testing::internal::CaptureStdout();
    DxRenderer renderer;
    ASSERT_TRUE(renderer.init(*device, kSize, kSize));
    testing::internal::GetCapturedStdout();

    // Two 2 x 2 pictures placed side by side on the page, each stretched
    // sixteen times with linear filtering.
    auto red = solid(*device, 2, 255, 0, 0);
    auto blue = solid(*device, 2, 0, 0, 255);
    renderer.setClearColour(0, 0, 0);
    renderer.beginScene();
    renderer.beginSprite();
    renderer.setSpriteTransform(16.0f, 16.0f, 0.0f, 0.0f, 0.0f);
    renderer.drawSprite(red.get(), {0, 0});
    renderer.setSpriteTransform(16.0f, 16.0f, 0.0f, 32.0f, 0.0f);
    renderer.drawSprite(blue.get(), {0, 0});
    renderer.resetSpriteTransform();
    renderer.endSprite();
    renderer.endScene();

    std::vector<unsigned char> frame;
    int width = 0, height = 0;
    ASSERT_TRUE(device->readBackBuffer(frame, width, height));
    ASSERT_EQ(width, kSize);
    auto channel = [&](int x, int y, int c) { return frame[(static_cast<size_t>(y) * kSize + x) * 4 + c]; };
    for (int y = 0; y < 32; ++y) {
        for (int x : {0, 1, 15, 30, 31}) {
            EXPECT_LE(channel(x, y, 2), 2) << "blue in the red square at " << x << ", " << y;
            EXPECT_GE(channel(x, y, 0), 253) << x << ", " << y;
        }
        for (int x : {32, 33, 47, 62, 63}) {
            EXPECT_LE(channel(x, y, 0), 2) << "red in the blue square at " << x << ", " << y;
            EXPECT_GE(channel(x, y, 2), 253) << x << ", " << y;
        }
    }
    renderer.release();
}

}  // namespace
