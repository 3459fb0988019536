// The textures of image entries and the wiring that keeps them, the border
// and the clipping in step with the masks: mask tools and undo reach the
// device's texels, the border and the clipping callback; textures survive a
// device reset with their latest content.
#include "image/entry_mask_wiring.h"
#include "image/entry_textures.h"
#include "image/masking_session.h"
#include "platform/null_device.h"
#include "render/renderer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

namespace {

constexpr Rgb kMaskColour{220, 40, 40};
constexpr Rgb kPictureColour{10, 120, 200};

// A 300 by 200 picture on the canvas: margins right 212, bottom 312.
std::unique_ptr<ImageEntry> makeEntry() {
    return std::make_unique<ImageEntry>(Image(), makeWorkingCopy(Image(300, 200, kPictureColour)), Image());
}

// Texel (x, y) of `texture` as the device holds it; four bytes, red first.
std::vector<unsigned char> deviceTexel(const gfx::GraphicsDevice& device, const Texture& texture, int x, int y) {
    const auto& null = static_cast<const gfx::NullDevice&>(device);
    std::vector<unsigned char> rgba;
    int width = 0;
    int height = 0;
    if (!null.textureTexels(texture.handle(), rgba, width, height) || x >= width || y >= height) return {};
    const auto at = rgba.begin() + (static_cast<std::ptrdiff_t>(y) * width + x) * 4;
    return std::vector<unsigned char>(at, at + 4);
}

int deviceAlpha(const gfx::GraphicsDevice& device, const Texture& texture, int x, int y) {
    std::vector<unsigned char> texel = deviceTexel(device, texture, x, y);
    return texel.empty() ? -1 : texel[3];
}

class EntryTexturesTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 3; ++i) images.append(makeEntry());
        images.select(0);
        for (int i = 0; i < images.slotCount(); ++i) {
            ImageEntry* entry = images.entry(i);
            undo.makeStack(entry->mask);
            targets.push_back(MaskTarget{&entry->workingCopy, &entry->mask});
            entry->clippingChanged = [this, i] { ++clippingCalls[static_cast<size_t>(i)]; };
        }
        session.settings.brushSize = 10;
        session.settings.transparency = 192.0f;
        wiring.enableTextures(*device, kMaskColour);
    }

    MaskImages maskImages() const { return MaskImages{targets, images.selectedIndex()}; }
    ImageEntry& entry(int index) { return *images.entry(index); }
    DeviceEntryTextures& textures(int index) { return static_cast<DeviceEntryTextures&>(*entry(index).textures); }
    int maskAlpha(int index, int x, int y) { return deviceAlpha(*device, textures(index).mask(), x, y); }
    void paintAt(int x, int y) {
        ASSERT_TRUE(session.brushPress(maskImages(), x, y));
        session.release();
    }

    std::unique_ptr<gfx::GraphicsDevice> device = gfx::createNullDevice(64, 64);
    ImageList images;
    MaskChangeNotifier notifier;
    MaskUndoList undo{notifier};
    MaskingSession session{undo, notifier};
    EntryMaskWiring wiring{images, notifier};
    std::vector<MaskTarget> targets;
    std::vector<int> clippingCalls = std::vector<int>(3, 0);
};

TEST_F(EntryTexturesTest, TexturesShowThePictureAndTheMaskAsAlpha) {
    entry(0).mask.setPixel(20, 30, Rgb{77, 77, 77});
    makeEntryTextures(entry(0), *device, kMaskColour);
    const DeviceEntryTextures& made = textures(0);

    EXPECT_EQ(deviceTexel(*device, made.picture(), 20, 30), (std::vector<unsigned char>{10, 120, 200, 255}));
    EXPECT_EQ(deviceTexel(*device, made.maskedPicture(), 20, 30), (std::vector<unsigned char>{10, 120, 200, 77}));
    EXPECT_EQ(deviceTexel(*device, made.maskedPicture(), 21, 30), (std::vector<unsigned char>{10, 120, 200, 0}));
    EXPECT_EQ(deviceTexel(*device, made.mask(), 20, 30), (std::vector<unsigned char>{220, 40, 40, 77}));
    // The canvas margin shows in the picture, never as mask.
    EXPECT_EQ(deviceTexel(*device, made.picture(), 400, 400), (std::vector<unsigned char>{102, 102, 118, 255}));
    EXPECT_EQ(maskAlpha(0, 400, 400), 0);

    wiring.setMaskColour(Rgb{0, 0, 255});
    EXPECT_EQ(deviceTexel(*device, made.mask(), 20, 30), (std::vector<unsigned char>{0, 0, 255, 77}));
}

TEST_F(EntryTexturesTest, EntriesGetTexturesOnlyWithADevice) {
    ImageList headless;
    MaskChangeNotifier quiet;
    EntryMaskWiring plain(headless, quiet);
    headless.append(makeEntry());
    EXPECT_EQ(headless.entry(0)->textures, nullptr);
    headless.entry(0)->mask.setPixel(5, 5, Rgb{9, 9, 9});
    quiet.notify(headless.entry(0)->mask);  // headless: border still marked
    EXPECT_TRUE(headless.entry(0)->border->isChangedFor2D());

    plain.enableTextures(*device, kMaskColour);  // entries present now
    ASSERT_NE(headless.entry(0)->textures, nullptr);
    headless.append(makeEntry());  // and entries added later
    EXPECT_NE(headless.entry(1)->textures, nullptr);
    EXPECT_EQ(deviceAlpha(*device, static_cast<DeviceEntryTextures&>(*headless.entry(0)->textures).mask(), 5, 5), 9);
}

TEST_F(EntryTexturesTest, BrushStrokeAndUndoReachTheMaskTexels) {
    EXPECT_FALSE(entry(0).border->isChangedFor2D());
    paintAt(100, 100);
    EXPECT_EQ(maskAlpha(0, 100, 100), 192);
    EXPECT_EQ(deviceAlpha(*device, textures(0).maskedPicture(), 100, 100), 192);
    EXPECT_EQ(maskAlpha(0, 250, 150), 0);
    EXPECT_TRUE(entry(0).border->isChangedFor2D());
    EXPECT_TRUE(entry(0).changed);
    EXPECT_EQ(clippingCalls, (std::vector<int>{1, 0, 0}));

    // Dragging extends the stroke on the device as it goes.
    ASSERT_TRUE(session.brushPress(maskImages(), 150, 100));
    session.brushDrag(maskImages(), 200, 100);
    EXPECT_EQ(maskAlpha(0, 190, 100), 192);
    session.release();

    entry(0).border->update();
    EXPECT_FALSE(entry(0).border->isChangedFor2D());
    ASSERT_EQ(undo.undo(&entry(0).mask, false), HistoryOutcome::Done);
    EXPECT_EQ(maskAlpha(0, 190, 100), 0);
    EXPECT_EQ(maskAlpha(0, 100, 100), 192);
    EXPECT_TRUE(entry(0).border->isChangedFor2D());
    ASSERT_EQ(undo.undo(&entry(0).mask, false), HistoryOutcome::Done);
    EXPECT_EQ(maskAlpha(0, 100, 100), 0);
    ASSERT_EQ(undo.redo(&entry(0).mask, false), HistoryOutcome::Done);
    EXPECT_EQ(maskAlpha(0, 100, 100), 192);
    // Untouched images never heard of it.
    EXPECT_EQ(clippingCalls[1], 0);
    EXPECT_FALSE(entry(1).border->isChangedFor2D());
}

TEST_F(EntryTexturesTest, ParallelMaskingTellsEveryClippingOnce) {
    ASSERT_TRUE(session.setParallelMasking(maskImages(), true));
    paintAt(100, 100);
    EXPECT_EQ(clippingCalls, (std::vector<int>{1, 1, 1}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(maskAlpha(i, 100, 100), 192) << "image " << i;
        EXPECT_TRUE(entry(i).border->isChangedFor2D()) << "image " << i;
    }
    ASSERT_TRUE(session.invertMask(maskImages()));
    EXPECT_EQ(clippingCalls, (std::vector<int>{2, 2, 2}));
    EXPECT_EQ(maskAlpha(2, 100, 100), 0);
    EXPECT_EQ(maskAlpha(2, 250, 150), 192);
}

TEST_F(EntryTexturesTest, CleaningTheMaskForTheBorderRefreshesTheTexture) {
    entry(1).mask.setPixel(50, 50, Rgb{192, 192, 192});  // isolated: the border removes it
    notifier.notify(entry(1).mask);
    EXPECT_EQ(maskAlpha(1, 50, 50), 192);
    entry(1).border->update();
    EXPECT_EQ(maskAlpha(1, 50, 50), 0);
    EXPECT_EQ(deviceAlpha(*device, textures(1).maskedPicture(), 50, 50), 0);
}

TEST_F(EntryTexturesTest, MasksOfRemovedOrForeignImagesAreIgnored) {
    Image stray(512, 512);
    notifier.notify(stray);
    EXPECT_EQ(clippingCalls, (std::vector<int>{0, 0, 0}));

    undo.freeStack(entry(2).mask);
    images.remove(2);
    targets.pop_back();
    ASSERT_TRUE(session.setParallelMasking(maskImages(), true));
    paintAt(100, 100);
    EXPECT_EQ(clippingCalls, (std::vector<int>{1, 1, 0}));
}

TEST_F(EntryTexturesTest, ImageOperationsRefreshColourAndAlpha) {
    entry(0).workingCopy = makeWorkingCopy(Image(300, 200, Rgb{1, 2, 3}));
    entry(0).mask.setPixel(7, 7, Rgb{99, 99, 99});
    entry(0).refreshTextures();
    EXPECT_EQ(deviceTexel(*device, textures(0).picture(), 7, 7), (std::vector<unsigned char>{1, 2, 3, 255}));
    EXPECT_EQ(deviceTexel(*device, textures(0).maskedPicture(), 7, 7), (std::vector<unsigned char>{1, 2, 3, 99}));
    EXPECT_EQ(maskAlpha(0, 7, 7), 99);

    // A working copy of another size makes the textures again.
    entry(0).workingCopy = Image(64, 32, Rgb{5, 5, 5});
    entry(0).mask = Image(64, 32);
    entry(0).mask.setPixel(3, 3, Rgb{40, 40, 40});
    entry(0).refreshTextures();
    EXPECT_EQ(textures(0).picture().width(), 64);
    EXPECT_EQ(textures(0).mask().height(), 32);
    EXPECT_EQ(deviceTexel(*device, textures(0).maskedPicture(), 3, 3), (std::vector<unsigned char>{5, 5, 5, 40}));
    EXPECT_EQ(deviceTexel(*device, textures(0).mask(), 3, 3), (std::vector<unsigned char>{220, 40, 40, 40}));
}

TEST_F(EntryTexturesTest, TexturesComeBackAfterADeviceResetWithTheirLatestContent) {
    DxRenderer renderer;
    ASSERT_TRUE(renderer.init(*device, 64, 64));
    renderer.setResetSleep([](std::chrono::milliseconds) {});
    paintAt(100, 100);
    const gfx::TextureHandle before = textures(0).mask().handle();

    // A stroke while the device copies are gone only reaches the kept texels.
    renderer.setDeviceHooks([this] { paintAt(250, 100); }, nullptr);
    device->simulateLoss(1);
    ASSERT_TRUE(renderer.reset(3));

    EXPECT_NE(textures(0).mask().handle().id, before.id);
    EXPECT_EQ(maskAlpha(0, 100, 100), 192);
    EXPECT_EQ(maskAlpha(0, 250, 100), 192);
    EXPECT_EQ(deviceAlpha(*device, textures(0).maskedPicture(), 250, 100), 192);
    EXPECT_EQ(deviceTexel(*device, textures(1).picture(), 0, 0), (std::vector<unsigned char>{10, 120, 200, 255}));

    paintAt(100, 150);  // and updates go on after the reset
    EXPECT_EQ(maskAlpha(0, 100, 150), 192);
    renderer.release();
}

}  // namespace
