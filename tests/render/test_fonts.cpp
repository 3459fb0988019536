// Fonts: finding faces through the font configuration, measuring, laying
// out lines with their alignment, and fonts that cannot be loaded.
#include "render/font.h"
#include "render/font_cache.h"
#include "render/font_lookup.h"
#include "render/renderer.h"

#include "core/logger.h"
#include "platform/null_device.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

using testsupport::TempDir;

namespace {

// The file the font configuration gives for "Arial".
FontFile arialFile() {
    FontFile file;
    String error;
    EXPECT_TRUE(findFontFile("Arial", false, file, error)) << error.text();
    return file;
}

// Every glyph quad of `text` laid out in `rect`.
std::vector<GlyphQuad> layOut(Font& font, const String& text, const PixelRect& rect, TextAlign align) {
    std::vector<GlyphQuad> quads;
    font.layout(text, rect, align, [&quads](const GlyphQuad& quad) { quads.push_back(quad); });
    return quads;
}

float leftmost(const std::vector<GlyphQuad>& quads) {
    float left = 1e9f;
    for (const GlyphQuad& q : quads) left = std::min(left, q.left);
    return left;
}

class Fonts : public ::testing::Test {
protected:
    std::unique_ptr<gfx::GraphicsDevice> device = gfx::createNullDevice(640, 480);
    gfx::NullDevice& null = static_cast<gfx::NullDevice&>(*device);
    SpriteAtlas atlas{*device};
};

TEST_F(Fonts, FontConfigurationFindsAFileForArialInBothStyles) {
    const FontFile upright = arialFile();
    EXPECT_TRUE(std::filesystem::exists(upright.path.text()));
    EXPECT_GT(upright.family.length(), 0);

    FontFile italic;
    String error;
    ASSERT_TRUE(findFontFile("Arial", true, italic, error));
    EXPECT_TRUE(std::filesystem::exists(italic.path.text()));

    String reason;
    Font font(atlas, upright, 16, false, reason);
    ASSERT_TRUE(font.isUsable()) << reason.text();
    EXPECT_GE(font.lineHeight(), 16);
    EXPECT_GT(font.ascent(), 0);
}

TEST_F(Fonts, WidthGrowsWithTheTextAndLinesAddHeight) {
    String error;
    Font font(atlas, arialFile(), 16, false, error);
    const TextExtent one = font.measure("W");
    const TextExtent four = font.measure("WWWW");
    EXPECT_GT(one.width, 0);
    EXPECT_GE(four.width, 4 * one.width - 2);
    EXPECT_EQ(four.height, font.lineHeight());

    const TextExtent lines = font.measure("Load Images\nLay mask over the objects\nOK");
    EXPECT_EQ(lines.height, 3 * font.lineHeight());
    EXPECT_EQ(lines.width, font.measure("Lay mask over the objects").width);
    EXPECT_EQ(font.measure("").width, 0);
    EXPECT_EQ(font.measure("").height, 0);

    // Bigger fonts are wider; UTF-8 and stray bytes are both measured.
    Font large(atlas, arialFile(), 67, false, error);
    EXPECT_GT(large.measure("WWWW").width, 3 * four.width);
    EXPECT_GT(font.measure("\xC3\xA4").width, 0);      // a-umlaut in UTF-8
    EXPECT_GT(font.measure("\xE4\xFF").width, 0);      // not UTF-8: Latin-1 bytes
}

TEST_F(Fonts, AlignmentPlacesEachLineInTheRectangle) {
    String error;
    Font font(atlas, arialFile(), 16, false, error);
    const PixelRect rect{100, 50, 500, 80};
    const String text = "Sculpture";
    const int width = font.measure(text).width;

    const float left = leftmost(layOut(font, text, rect, TextAlign::Left));
    const float centre = leftmost(layOut(font, text, rect, TextAlign::Centre));
    const float right = leftmost(layOut(font, text, rect, TextAlign::Right));
    EXPECT_NEAR(left, 100.0f, 3.0f);  // the first glyph's own side bearing
    EXPECT_FLOAT_EQ(centre - left, static_cast<float>((400 - width) / 2));
    EXPECT_FLOAT_EQ(right - left, static_cast<float>(400 - width));

    // A second line starts one line height lower, centred on its own width.
    const auto quads = layOut(font, "AB\nA", rect, TextAlign::Centre);
    ASSERT_EQ(quads.size(), 3u);
    EXPECT_FLOAT_EQ(quads[2].top - quads[0].top, static_cast<float>(font.lineHeight()));
    EXPECT_GT(quads[2].left, quads[0].left);
    // Nothing is clipped: text wider than its box still draws every glyph.
    EXPECT_EQ(layOut(font, "Texturise", {0, 0, 5, 5}, TextAlign::Right).size(), 9u);
}

TEST_F(Fonts, GlyphsAreRasterisedOnceIntoTheAtlas) {
    String error;
    Font font(atlas, arialFile(), 20, false, error);
    const int texturesBefore = null.stats().texturesCreated;
    font.preload("abcabc");
    EXPECT_EQ(font.cachedGlyphs(), 3);
    EXPECT_EQ(null.stats().texturesCreated, texturesBefore + 1);
    const auto quads = layOut(font, "cab", {0, 0, 100, 30}, TextAlign::Left);
    EXPECT_EQ(font.cachedGlyphs(), 3);
    ASSERT_EQ(quads.size(), 3u);
    EXPECT_TRUE(null.isValid(quads[0].texture));
    EXPECT_LT(quads[0].coords.u0, quads[0].coords.u1);

    // Glyph texels are white with coverage in the alpha.
    std::vector<unsigned char> texels;
    int w = 0, h = 0;
    ASSERT_TRUE(null.textureTexels(quads[0].texture, texels, w, h));
    bool covered = false;
    for (size_t i = 0; i < texels.size(); i += 4)
        if (texels[i + 3] != 0) covered = covered || texels[i] == 255;
    EXPECT_TRUE(covered);

    // A recycled atlas has lost the glyphs: they are rasterised again, onto a live page.
    atlas.recycle();
    EXPECT_FALSE(null.isValid(quads[0].texture));
    const auto again = layOut(font, "ab", {0, 0, 100, 30}, TextAlign::Left);
    EXPECT_EQ(font.cachedGlyphs(), 2);
    ASSERT_EQ(again.size(), 2u);
    EXPECT_TRUE(null.isValid(again[0].texture));
}

TEST_F(Fonts, MissingFontIsLoggedAndDrawsNothing) {
    TempDir dir;
    Logger& log = Logger::instance();
    log.enable();
    ASSERT_TRUE(log.openIn(String(dir.path().c_str())));

    DxRenderer renderer;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(renderer.init(*device, 640, 480));
    testing::internal::GetCapturedStdout();
    renderer.fonts().setResolver([](const String&, bool, FontFile& file, String&) {
        file.path = "/no/such/font.ttf";
        return true;
    });
    const int broken = renderer.createFont("Nowhere Sans", 12, false, false);
    renderer.fonts().setResolver([](const String&, bool, FontFile&, String& error) {
        error = "no fonts installed";
        return false;
    });
    const int unknown = renderer.createFont("Nothing", 12, false, false);

    ASSERT_TRUE(renderer.setFont(broken));
    null.resetStats();
    renderer.drawText({0, 0, 100, 20}, "Hello");
    EXPECT_EQ(null.stats().drawCalls, 0);
    EXPECT_EQ(renderer.measureText("Hello").width, 0);
    EXPECT_EQ(renderer.lineHeight(), 0);
    ASSERT_TRUE(renderer.setFont(unknown));
    renderer.drawText({0, 0, 100, 20}, "Hello");
    EXPECT_EQ(null.stats().drawCalls, 0);

    const std::string text = testsupport::readText(dir.file("log.log"));
    EXPECT_NE(text.find("Could not load font Nowhere Sans 12"), std::string::npos);
    EXPECT_NE(text.find("Could not find font Nothing 12"), std::string::npos);
    EXPECT_NE(text.find("no fonts installed"), std::string::npos);
    log.disable();
}

}  // namespace
