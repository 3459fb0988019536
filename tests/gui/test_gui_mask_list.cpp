// GuiMaskList: thumbnails with their mask overlay made from the image and
// remade when the mask changes, rows under the pointer (left and top edges
// inside), help texts, listener calls and markers.
#include "gui/gui_mask_list.h"
#include "gui_fixture.h"
#include "image/image_entry.h"

#include <string>
#include <vector>

namespace {

constexpr InputIdentifier kLeft = InputIdentifier::MouseButton0;

struct RowLog : GuiMaskListListener {
    std::vector<std::string> calls;
    void released(ImageEntry& image) override { calls.push_back("released " + image.name().str()); }
    void over(ImageEntry& image) override { calls.push_back("over " + image.name().str()); }
};

// A grey picture whose mask is set in its left half.
std::unique_ptr<ImageEntry> halfMasked(const char* name) {
    const int side = Image::kCanvasSide;
    Image picture(side, side, Rgb{90, 90, 90});
    Image mask(side, side);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side / 2; ++x) mask.setPixel(x, y, Rgb{255, 255, 255});
    auto entry = std::make_unique<ImageEntry>(Image(), std::move(picture), std::move(mask));
    entry->setName(String(name));
    return entry;
}

// Alpha of overlay texel (x, y).
int overlayAlpha(const GuiMaskListEntry& row, int x, int y) {
    return row.overlayTexels()[(static_cast<size_t>(y) * GuiMaskListEntry::kThumbnailSide + x) * 4 + 3];
}

class MaskListTest : public GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        list = std::make_unique<GuiMaskList>(String("Image: "));
        list->setRect(10, 20, 110, 400);
        list->addListener(&log);
        first = halfMasked("cup.png");
        second = halfMasked("jug.png");
        list->addEntry(*first);
        list->addEntry(*second);
    }

    RowLog log;
    std::unique_ptr<GuiMaskList> list;
    std::unique_ptr<ImageEntry> first;
    std::unique_ptr<ImageEntry> second;
};

TEST_F(MaskListTest, TheOverlayFollowsTheMaskAndIsRemadeWhenToldItChanged) {
    GuiMaskListEntry* row = list->entryOf(*first);
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->hasThumbnail());
    const int side = GuiMaskListEntry::kThumbnailSide;
    EXPECT_EQ(overlayAlpha(*row, 5, 40), list->maskAlpha());
    EXPECT_EQ(overlayAlpha(*row, side - 5, 40), 0);

    first->mask.fill(Rgb{0, 0, 0});
    EXPECT_EQ(overlayAlpha(*row, 5, 40), list->maskAlpha());  // not told yet
    EXPECT_TRUE(list->maskChanged(*first));
    EXPECT_EQ(overlayAlpha(*row, 5, 40), 0);
    // A cell half covered by the mask is half as opaque.
    first->mask.setPixel(0, 0, Rgb{1, 1, 1});
    first->mask.setPixel(1, 0, Rgb{1, 1, 1});
    list->maskChanged(*first);
    EXPECT_EQ(overlayAlpha(*row, 0, 0), list->maskAlpha() * 2 / 16);
}

TEST_F(MaskListTest, RowsAreStackedAndOwnTheirLeftAndTopEdges) {
    GuiMaskListEntry* top = list->entry(0);
    GuiMaskListEntry* below = list->entry(1);
    ASSERT_EQ(top->top(), 20);
    ASSERT_EQ(top->bottom(), 120);
    EXPECT_EQ(below->top(), 120 + GuiMaskList::kRowGap);
    EXPECT_TRUE(top->containsPoint(10, 20));
    EXPECT_FALSE(top->containsPoint(110, 50));
    EXPECT_FALSE(top->containsPoint(50, 120));
}

TEST_F(MaskListTest, HoverAndClickTellTheListenersWithTheRowsImage) {
    EXPECT_TRUE(list->hover(50, 30));
    EXPECT_EQ(list->helpText().str(), "Image: cup.png");
    EXPECT_EQ(pointer.last(), kPointerOver);
    EXPECT_TRUE(list->mousePressed(kLeft, 50, 30));
    EXPECT_EQ(pointer.last(), kPointerPressed);
    EXPECT_TRUE(list->mouseReleased(kLeft, 50, 30));
    // Pressed on the second row, released outside: no click.
    list->hover(50, 200);
    list->mousePressed(kLeft, 50, 200);
    EXPECT_FALSE(list->mouseReleased(kLeft, 300, 200));
    EXPECT_FALSE(list->entry(1)->isPressed());
    EXPECT_EQ(log.calls, (std::vector<std::string>{"over cup.png", "released cup.png", "over jug.png"}));
    // Leaving clears over.
    EXPECT_FALSE(list->hover(500, 500));
    EXPECT_FALSE(list->entry(0)->isOver());
}

TEST_F(MaskListTest, MarkersAndRemovalGoByImage) {
    EXPECT_TRUE(list->setMarkers(*second, true, false));
    EXPECT_TRUE(list->entryOf(*second)->sculptingMarker());
    EXPECT_FALSE(list->entryOf(*second)->texturingMarker());
    EXPECT_EQ(list->addEntry(*first), list->entry(0));  // no second row
    EXPECT_EQ(list->entryCount(), 2);
    EXPECT_TRUE(list->removeEntry(*first));
    EXPECT_FALSE(list->removeEntry(*first));
    EXPECT_FALSE(list->setMarkers(*first, true, true));
    EXPECT_EQ(list->entry(0)->top(), 20);  // the rest moves up
}

}  // namespace
