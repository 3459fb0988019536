// GuiMaskList: the list of loaded images, one row (GuiMaskListEntry) per
// image with a thumbnail of the picture, its mask laid over it, a frame that
// shows over and pressed, the image's name and two markers: the image takes
// part in sculpting, the image takes part in texturing. Clicking a row tells
// the listeners, which select that image.
#pragma once

#include "core/colour.h"
#include "gui/gui_art.h"
#include "gui/gui_component.h"

#include <memory>
#include <vector>

struct ImageEntry;
class GuiMaskList;

// Told about the rows of a GuiMaskList; every operation has an empty body.
// Each receives the row's image entry (picture, mask and textures).
class GuiMaskListListener {
public:
    virtual ~GuiMaskListListener() = default;
    // A row was clicked (pressed and released on it).
    virtual void released(ImageEntry&) {}
    // The pointer is over a row (every hover).
    virtual void over(ImageEntry&) {}
    // A row was pressed.
    virtual void pressed(ImageEntry&) {}
};

// One row: draws the thumbnail of an image entry (not owned).
class GuiMaskListEntry : public GuiComponent {
public:
    // Side of the thumbnail textures in texels.
    static constexpr int kThumbnailSide = 128;
    // Where the markers sit: 22 pixels from the left edge and 22 apart.
    static constexpr float kMarkerOffset = 22.0f;
    static constexpr float kArtScale = 0.9f;

    // A row named "One image entry" for `image` in `list`; builds the
    // thumbnail at once.
    GuiMaskListEntry(GuiMaskList& list, ImageEntry& image);
    ~GuiMaskListEntry() override;

    ImageEntry& image() const { return image_; }
    // Makes the thumbnail and its mask overlay again from the image's
    // working copy and mask.
    void rebuildThumbnail();
    bool hasThumbnail() const { return picture_ != nullptr; }
    // Texels of the overlay (RGBA rows), for checks.
    const std::vector<unsigned char>& overlayTexels() const { return overlayTexels_; }

    void setMarkers(bool sculpting, bool texturing);
    bool sculptingMarker() const { return sculpting_; }
    bool texturingMarker() const { return texturing_; }

    // Inside is [left, right) × [top, bottom): the left and top edges belong
    // to the row, the right and bottom ones to the next.
    bool containsPoint(float x, float y) const;

    bool hover(float x, float y) override;
    bool mousePressed(InputIdentifier button, float x, float y) override;
    bool mouseReleased(InputIdentifier button, float x, float y) override;
    bool hitTest(float x, float y) override;
    void render() override;

private:
    void drawThumbnail(DxRenderer& renderer);
    void drawName(DxRenderer& renderer);
    void drawMarkers(DxRenderer& renderer);

    GuiMaskList& list_;
    ImageEntry& image_;
    std::unique_ptr<Texture> picture_;
    std::unique_ptr<Texture> overlay_;
    std::vector<unsigned char> overlayTexels_;
    bool sculpting_ = false;
    bool texturing_ = false;
};

class GuiMaskList : public GuiComponent {
public:
    // Gap between rows in pixels.
    static constexpr int kRowGap = 4;
    // Rows are never made smaller than this to fit more of them.
    static constexpr int kLeastRowSide = 64;

    // A list named "Image list" without rows; help texts of the rows begin
    // with `helpPrefix`.
    explicit GuiMaskList(const String& helpPrefix = String());
    ~GuiMaskList() override;

    void addListener(GuiMaskListListener* listener);
    void setHelpPrefix(const String& prefix) { helpPrefix_ = prefix; }
    const String& helpPrefix() const { return helpPrefix_; }
    // Colour and opacity (0..255) of the mask over the thumbnails; rebuilds
    // every thumbnail.
    void setMaskColour(Rgb colour, unsigned char alpha);
    Rgb maskColour() const { return maskColour_; }
    unsigned char maskAlpha() const { return maskAlpha_; }

    // Appends a row for `image` (not owned; it must outlive the row or be
    // removed first) and lays the rows out. Returns the row; an image
    // already in the list keeps its row.
    GuiMaskListEntry* addEntry(ImageEntry& image);
    // Removes the row of `image`; false when it has none.
    bool removeEntry(const ImageEntry& image);
    void clear();
    // Shows the markers of `image`'s row; false when it has none.
    bool setMarkers(const ImageEntry& image, bool sculpting, bool texturing);
    // The mask of `image` changed: its thumbnail is made again.
    bool maskChanged(const ImageEntry& image);
    int entryCount() const { return static_cast<int>(entries_.size()); }
    GuiMaskListEntry* entry(int index) const;
    GuiMaskListEntry* entryOf(const ImageEntry& image) const;

    // Rows are squares one under the other from the list's top (rowSide()),
    // starting with the first row scrolled to; rows that do not fit are hidden.
    void layout();
    // The row of `image` is drawn as chosen (null: none); the list scrolls so
    // that it shows.
    void setSelected(const ImageEntry* image);
    bool isSelected(const ImageEntry& image) const { return selected_ == &image; }
    // Scrolls by `rows` (positive: further down the list), kept within the list.
    void scroll(int rows);
    int firstRow() const { return firstRow_; }
    // Number of rows that fit into the list's height.
    int visibleRows() const;
    // Side of the square rows: the list's width, or less so that every row
    // fits (at least kLeastRowSide).
    int rowSide() const;

    // Art and font the rows share.
    Texture* frame(ArtState state) const;
    Texture* sculptureMarker() const { return sculptureMarker_; }
    Texture* textureMarker() const { return textureMarker_; }
    GuiFont& font() { return font_; }

    // The rows call these to tell the listeners.
    void notifyOver(ImageEntry& image);
    void notifyPressed(ImageEntry& image);
    void notifyReleased(ImageEntry& image);

    void setBounds(int left, int top, int bottom, int right) override;
    // Every visible row is asked; the help text becomes that of the row
    // under the pointer.
    bool hover(float x, float y) override;
    bool mousePressed(InputIdentifier button, float x, float y) override;
    bool mouseReleased(InputIdentifier button, float x, float y) override;
    bool hitTest(float x, float y) override;
    // Over a row the wheel scrolls the list.
    bool mouseWheel(int delta) override;
    void render() override;
    void resetState() override;

private:
    template <typename Call>
    void notify(Call call);

    String helpPrefix_;
    Rgb maskColour_{255, 64, 64};
    unsigned char maskAlpha_ = 110;
    std::vector<std::unique_ptr<GuiMaskListEntry>> entries_;
    const ImageEntry* selected_ = nullptr;
    int firstRow_ = 0;
    Texture* frameActive_ = nullptr;
    Texture* frameOver_ = nullptr;
    Texture* framePressed_ = nullptr;
    Texture* sculptureMarker_ = nullptr;
    Texture* textureMarker_ = nullptr;
    GuiFont font_;
    std::vector<GuiMaskListListener*> listeners_;
};
