// Textures: creation from pictures, masks and files, the update operations
// on both the kept and the device texels, reading back, the process-wide
// list, and the texture manager.
#include "render/texture.h"
#include "render/texture_manager.h"

#include "core/logger.h"
#include "platform/null_device.h"
#include "render/image_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <vector>

using testsupport::TempDir;

namespace {

// A picture whose pixel (x, y) is (x, y, x + y), kept alive with its view.
struct Picture {
    std::vector<unsigned char> bytes;
    RgbView view;

    Picture(int width, int height, int offset = 0) : bytes(static_cast<size_t>(width) * height * 3) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                unsigned char* p = &bytes[(static_cast<size_t>(y) * width + x) * 3];
                p[0] = static_cast<unsigned char>(x + offset);
                p[1] = static_cast<unsigned char>(y + offset);
                p[2] = static_cast<unsigned char>(x + y + offset);
            }
        view = {bytes.data(), width, height};
    }
};

class Textures : public ::testing::Test {
protected:
    // Texel (x, y) of the device copy as four bytes.
    std::vector<unsigned char> deviceTexel(const Texture& texture, int x, int y) const {
        std::vector<unsigned char> texels;
        int w = 0, h = 0;
        EXPECT_TRUE(null.textureTexels(texture.handle(), texels, w, h));
        const auto at = texels.begin() + (static_cast<ptrdiff_t>(y) * w + x) * 4;
        return {at, at + 4};
    }
    std::vector<unsigned char> keptTexel(const Texture& texture, int x, int y) const {
        const auto at = texture.texels().begin() + (static_cast<ptrdiff_t>(y) * texture.width() + x) * 4;
        return {at, at + 4};
    }
    using Bytes = std::vector<unsigned char>;

    std::unique_ptr<gfx::GraphicsDevice> device = gfx::createNullDevice(64, 64);
    gfx::NullDevice& null = static_cast<gfx::NullDevice&>(*device);
};

TEST_F(Textures, MadeFromPicturesAndMasks) {
    Picture picture(6, 4);
    Texture opaque(*device, picture.view);
    EXPECT_EQ(opaque.width(), 6);
    EXPECT_EQ(opaque.height(), 4);
    EXPECT_EQ(deviceTexel(opaque, 5, 3), (Bytes{5, 3, 8, 255}));

    Picture mask(3, 4, 100);  // smaller than the picture: the rest is transparent
    Texture masked(*device, picture.view, mask.view);
    EXPECT_EQ(deviceTexel(masked, 2, 1), (Bytes{2, 1, 3, 102}));
    EXPECT_EQ(deviceTexel(masked, 4, 1), (Bytes{4, 1, 5, 0}));

    Texture coloured(*device, mask.view, TexelColour{200, 10, 20});
    EXPECT_EQ(coloured.width(), 3);
    EXPECT_EQ(deviceTexel(coloured, 1, 2), (Bytes{200, 10, 20, 101}));
    EXPECT_TRUE(coloured.hasAlpha());

    Texture missing(*device, RgbView{});
    EXPECT_TRUE(missing.isEmpty());
    EXPECT_FALSE(missing.handle());
    EXPECT_FALSE(missing.updateColour(picture.view));
    missing.bind();
    EXPECT_FALSE(null.state().texture);
    opaque.bind();
    EXPECT_EQ(null.state().texture, opaque.handle());
    missing.bind();
    EXPECT_FALSE(null.state().texture);
}

TEST_F(Textures, UpdatesChangeOnlyWhatTheyCover) {
    Picture start(8, 8, 50);
    Texture texture(*device, start.view, start.view);
    Picture next(8, 8, 0);

    // Colour inside an area (bottom, left, right, top), alpha untouched.
    ASSERT_TRUE(texture.updateColour(next.view, TexelArea{4, 2, 5, 1}));
    EXPECT_EQ(deviceTexel(texture, 2, 1), (Bytes{2, 1, 3, 52}));
    EXPECT_EQ(deviceTexel(texture, 4, 3), (Bytes{4, 3, 7, 54}));
    EXPECT_EQ(deviceTexel(texture, 5, 3), (Bytes{55, 53, 58, 55}));
    EXPECT_EQ(deviceTexel(texture, 2, 4), (Bytes{52, 54, 56, 52}));

    // Alpha inside an area, clamped to the texture.
    ASSERT_TRUE(texture.updateAlpha(next.view, TexelArea{100, 6, 100, 6}));
    EXPECT_EQ(deviceTexel(texture, 7, 7), (Bytes{57, 57, 64, 7}));
    EXPECT_EQ(deviceTexel(texture, 5, 7), (Bytes{55, 57, 62, 55}));
    EXPECT_FALSE(texture.updateAlpha(next.view, TexelArea{2, 9, 12, 0}));  // outside

    // One colour for the top-left block, alpha untouched.
    ASSERT_TRUE(texture.fillColour(TexelColour{1, 2, 3}, 2, 3));
    EXPECT_EQ(deviceTexel(texture, 1, 2), (Bytes{1, 2, 3, 51}));
    EXPECT_EQ(deviceTexel(texture, 2, 2), (Bytes{2, 2, 4, 52}));  // set by the first update

    // Whole-texture operations.
    ASSERT_TRUE(texture.updateColour(next.view));
    EXPECT_EQ(deviceTexel(texture, 6, 6), (Bytes{6, 6, 12, 6}));
    ASSERT_TRUE(texture.updateAlpha(next.view));
    EXPECT_EQ(deviceTexel(texture, 6, 5), (Bytes{6, 5, 11, 6}));
    ASSERT_TRUE(texture.updateColourAndAlpha(start.view, start.view));
    EXPECT_EQ(deviceTexel(texture, 3, 4), (Bytes{53, 54, 57, 53}));

    // The kept copy always matches the device copy.
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(deviceTexel(texture, x, y), keptTexel(texture, x, y));
}

TEST_F(Textures, ReadBackColourAlphaAndAlphaTest) {
    Picture picture(4, 3);
    Picture zero(4, 3, 0);
    Texture texture(*device, picture.view, zero.view);
    std::vector<unsigned char> rgb;
    int w = 0, h = 0;
    ASSERT_TRUE(texture.readColour(rgb, w, h));
    EXPECT_EQ(rgb, picture.bytes);
    ASSERT_TRUE(texture.readAlpha(rgb, w, h));
    EXPECT_EQ((Bytes(rgb.begin() + 3 * 5, rgb.begin() + 3 * 6)), (Bytes{1, 1, 1}));  // pixel (1, 1): x = 1
    EXPECT_TRUE(texture.hasAlpha());

    const std::vector<unsigned char> black(4 * 3 * 3, 0);
    texture.updateAlpha(RgbView{black.data(), 4, 3});
    EXPECT_FALSE(texture.hasAlpha());
}

TEST_F(Textures, FilesAreDecodedAndFailuresLogged) {
    TempDir dir;
    RgbaImage image;
    image.width = 5;
    image.height = 3;
    image.hasAlpha = true;
    image.pixels.assign(5 * 3 * 4, 0);
    for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = static_cast<unsigned char>(i * 3);
    String error;
    const String path(dir.file("art.png").c_str());
    ASSERT_TRUE(encodeImageFile(path, image, error)) << error.text();

    Texture loaded(*device, path);
    EXPECT_EQ(loaded.width(), 5);
    EXPECT_EQ(loaded.fileWidth(), 5);
    EXPECT_EQ(loaded.fileHeight(), 3);
    EXPECT_EQ(loaded.texels(), image.pixels);
    EXPECT_TRUE(loaded.fileName().equals(path));

    Logger& log = Logger::instance();
    log.enable();
    ASSERT_TRUE(log.openIn(String(dir.path().c_str())));
    testsupport::writeText(dir.file("broken.dds"), "DDS but not really");
    testing::internal::CaptureStdout();
    Texture broken(*device, String(dir.file("broken.dds").c_str()));
    const std::string console = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(broken.isEmpty());
    EXPECT_NE(console.find("ERROR in DxTexture!!! Could not load "), std::string::npos);
    const std::string text = testsupport::readText(dir.file("log.log"));
    EXPECT_NE(text.find("# in DxTexture::DxTexture Could not load texture " + dir.file("broken.dds")),
              std::string::npos);
    log.disable();
}

TEST_F(Textures, ListCountsLiveTexturesAndRecreatesThemAfterAReset) {
    TextureList& list = TextureList::instance();
    const int before = list.countOn(*device);
    Picture picture(4, 4);
    auto first = std::make_unique<Texture>(*device, picture.view);
    Texture second(*device, picture.view, picture.view);
    EXPECT_EQ(list.countOn(*device), before + 2);
    first.reset();
    EXPECT_EQ(list.countOn(*device), before + 1);

    device->simulateLoss(0);
    list.releaseAll(*device);
    EXPECT_FALSE(second.handle());
    ASSERT_TRUE(device->reset(64, 64));
    EXPECT_EQ(list.recreateAll(*device), 0);
    ASSERT_TRUE(null.isValid(second.handle()));
    EXPECT_EQ(deviceTexel(second, 3, 2), (Bytes{3, 2, 5, 3}));
}

TEST_F(Textures, ManagerLoadsEachPathOnceAndDeletesAtShutDown) {
    TempDir dir;
    Logger& log = Logger::instance();
    log.enable();
    ASSERT_TRUE(log.openIn(String(dir.path().c_str())));
    const int live = TextureList::instance().count();
    {
        TextureManager manager(*device);
        testing::internal::CaptureStdout();
        Texture* art = manager.load(String(dir.file("missing.dds").c_str()));
        EXPECT_EQ(manager.load(String(dir.file("missing.dds").c_str())), art);
        testing::internal::GetCapturedStdout();
        EXPECT_TRUE(art->isEmpty());
        Picture picture(2, 2);
        Texture* made = manager.create(picture.view);
        EXPECT_EQ(manager.count(), 2);
        EXPECT_TRUE(manager.destroy(made));
        EXPECT_FALSE(manager.destroy(made));
        manager.create(picture.view);
        EXPECT_EQ(TextureList::instance().count(), live + 2);
    }
    EXPECT_EQ(TextureList::instance().count(), live);
    const std::string text = testsupport::readText(dir.file("log.log"));
    const size_t begin = text.find("- Delete texturemanager");
    ASSERT_NE(begin, std::string::npos);
    EXPECT_NE(text.find("- Texturemanager deleted", begin), std::string::npos);
    ASSERT_NE(text.find("Could not load texture"), std::string::npos);
    EXPECT_EQ(text.find("Could not load texture"), text.rfind("Could not load texture"));  // reported once
    log.disable();
}

}  // namespace
