#include "gui/gui_mask_list.h"

#include "gui/gui_art.h"
#include "image/image_entry.h"
#include "render/renderer.h"
#include "render/texture.h"

#include <algorithm>

namespace {

constexpr uint32_t kNameColour = 0xFFFFFFFF;
constexpr uint32_t kNamePressedColour = 0xFF000000;

// The picture and the mask of `image` sampled onto a side × side grid: each
// texel averages its cell of the working copy; the overlay's alpha is the
// share of set mask pixels in the cell times `alpha`.
void sampleThumbnail(const ImageEntry& image, int side, Rgb maskColour, unsigned char alpha,
                     std::vector<unsigned char>& picture, std::vector<unsigned char>& overlay) {
    const Image& source = image.workingCopy;
    const Image& mask = image.mask;
    picture.assign(static_cast<size_t>(side) * side * 4, 0);
    overlay.assign(static_cast<size_t>(side) * side * 4, 0);
    const int width = std::max(source.width(), 1);
    const int height = std::max(source.height(), 1);
    for (int ty = 0; ty < side; ++ty) {
        const int y0 = ty * height / side;
        const int y1 = std::max(y0 + 1, (ty + 1) * height / side);
        for (int tx = 0; tx < side; ++tx) {
            const int x0 = tx * width / side;
            const int x1 = std::max(x0 + 1, (tx + 1) * width / side);
            int red = 0, green = 0, blue = 0, set = 0, cells = 0;
            for (int y = y0; y < y1; ++y) {
                for (int x = x0; x < x1; ++x) {
                    const Rgb colour = source.pixel(x, y);
                    red += colour.red;
                    green += colour.green;
                    blue += colour.blue;
                    if (mask.isSet(x, y)) ++set;
                    ++cells;
                }
            }
            unsigned char* p = &picture[(static_cast<size_t>(ty) * side + tx) * 4];
            p[0] = static_cast<unsigned char>(red / cells);
            p[1] = static_cast<unsigned char>(green / cells);
            p[2] = static_cast<unsigned char>(blue / cells);
            p[3] = 255;
            unsigned char* o = &overlay[(static_cast<size_t>(ty) * side + tx) * 4];
            o[0] = maskColour.red;
            o[1] = maskColour.green;
            o[2] = maskColour.blue;
            o[3] = static_cast<unsigned char>(alpha * set / cells);
        }
    }
}

}  // namespace

// ---------------------------------------------------------- GuiMaskListEntry --

GuiMaskListEntry::GuiMaskListEntry(GuiMaskList& list, ImageEntry& image)
    : GuiComponent(String("One image entry")), list_(list), image_(image) {
    sculpting_ = image.usedForSculpting;
    texturing_ = image.usedForTexturing;
    rebuildThumbnail();
}

GuiMaskListEntry::~GuiMaskListEntry() = default;

void GuiMaskListEntry::rebuildThumbnail() {
    std::vector<unsigned char> picture;
    sampleThumbnail(image_, kThumbnailSide, list_.maskColour(), list_.maskAlpha(), picture, overlayTexels_);
    gfx::GraphicsDevice* device = guiRenderer().device();
    if (device == nullptr) {
        picture_.reset();
        overlay_.reset();
        return;
    }
    picture_ = std::make_unique<Texture>(*device, kThumbnailSide, kThumbnailSide, picture.data());
    overlay_ = std::make_unique<Texture>(*device, kThumbnailSide, kThumbnailSide, overlayTexels_.data());
}

void GuiMaskListEntry::setMarkers(bool sculpting, bool texturing) {
    sculpting_ = sculpting;
    texturing_ = texturing;
}

bool GuiMaskListEntry::containsPoint(float x, float y) const {
    return x >= static_cast<float>(left()) && x < static_cast<float>(right()) && y >= static_cast<float>(top()) &&
           y < static_cast<float>(bottom());
}

bool GuiMaskListEntry::hitTest(float x, float y) { return isVisible() && containsPoint(x, y); }

bool GuiMaskListEntry::hover(float x, float y) {
    if (!isVisible() || !containsPoint(x, y)) {
        setOver(false);
        setPressed(false);
        return false;
    }
    setCurrentHelpText(String(list_.helpPrefix()).append(image_.name()));
    setOver(true);
    reportPointerState(isPressed() ? kPointerPressed : kPointerOver);
    list_.notifyOver(image_);
    return true;
}

bool GuiMaskListEntry::mousePressed(InputIdentifier, float x, float y) {
    if (!isVisible() || !isEnabled() || !containsPoint(x, y)) return false;
    setOver(true);
    setPressed(true);
    reportPointerState(kPointerPressed);
    list_.notifyPressed(image_);
    return true;
}

bool GuiMaskListEntry::mouseReleased(InputIdentifier, float x, float y) {
    if (!isVisible() || !isEnabled()) return false;
    if (!containsPoint(x, y)) {
        setOver(false);
        setPressed(false);
        return false;
    }
    const bool click = isOver() && isPressed();
    setPressed(false);
    if (click) list_.notifyReleased(image_);
    return click;
}

void GuiMaskListEntry::drawThumbnail(DxRenderer& renderer) {
    const float l = static_cast<float>(left());
    const float t = static_cast<float>(top());
    const float r = static_cast<float>(right());
    const float b = static_cast<float>(bottom());
    drawStretched(renderer, picture_.get(), l, t, r, b);
    drawStretched(renderer, overlay_.get(), l, t, r, b);
    const ArtState state = artStateOf(true, isOver(), isPressed() || list_.isSelected(image_));
    // The frame is drawn at nine tenths of the row, centred on it.
    const float insetX = (r - l) * (1.0f - kArtScale) / 2.0f;
    const float insetY = (b - t) * (1.0f - kArtScale) / 2.0f;
    drawStretched(renderer, list_.frame(state), l + insetX, t + insetY, r - insetX, b - insetY);
}

void GuiMaskListEntry::drawName(DxRenderer& renderer) {
    if (!list_.font().select(renderer)) return;
    const PixelRect rect{left() + 10, top() + 8, right() - 8, bottom()};
    renderer.drawText(rect, image_.name(), isPressed() ? kNamePressedColour : kNameColour, TextAlign::Left);
}

void GuiMaskListEntry::drawMarkers(DxRenderer& renderer) {
    const float size = 24.0f * kArtScale;
    const float t = static_cast<float>(bottom()) - size - 10.0f;
    float x = static_cast<float>(left()) + kMarkerOffset;
    if (sculpting_) drawStretched(renderer, list_.sculptureMarker(), x, t, x + size, t + size);
    x += kMarkerOffset;
    if (texturing_) drawStretched(renderer, list_.textureMarker(), x, t, x + size, t + size);
}

void GuiMaskListEntry::render() {
    if (!isVisible()) return;
    DxRenderer& renderer = guiRenderer();
    drawThumbnail(renderer);
    drawName(renderer);
    drawMarkers(renderer);
    GuiComponent::render();
}

// --------------------------------------------------------------- GuiMaskList --

GuiMaskList::GuiMaskList(const String& helpPrefix)
    : GuiComponent(String("Image list")),
      helpPrefix_(helpPrefix),
      frameActive_(loadGuiTexture(String("data/gui/general/btn/active.dds"))),
      frameOver_(loadGuiTexture(String("data/gui/general/btn/over.dds"))),
      framePressed_(loadGuiTexture(String("data/gui/general/btn/pressed.dds"))),
      sculptureMarker_(loadGuiTexture(String("data/gui/transformation/imagelistsculpture/active.dds"))),
      textureMarker_(loadGuiTexture(String("data/gui/transformation/imagelistexturize/active.dds"))),
      font_("Arial", 14) {}

GuiMaskList::~GuiMaskList() = default;

void GuiMaskList::addListener(GuiMaskListListener* listener) {
    if (listener != nullptr) listeners_.push_back(listener);
}

template <typename Call>
void GuiMaskList::notify(Call call) {
    const size_t count = listeners_.size();
    for (size_t i = 0; i < count && i < listeners_.size(); ++i) call(listeners_[i]);
}

void GuiMaskList::notifyOver(ImageEntry& image) {
    notify([&image](GuiMaskListListener* l) { l->over(image); });
}

void GuiMaskList::notifyPressed(ImageEntry& image) {
    notify([&image](GuiMaskListListener* l) { l->pressed(image); });
}

void GuiMaskList::notifyReleased(ImageEntry& image) {
    notify([&image](GuiMaskListListener* l) { l->released(image); });
}

void GuiMaskList::setMaskColour(Rgb colour, unsigned char alpha) {
    maskColour_ = colour;
    maskAlpha_ = alpha;
    for (auto& entry : entries_) entry->rebuildThumbnail();
}

GuiMaskListEntry* GuiMaskList::addEntry(ImageEntry& image) {
    if (GuiMaskListEntry* existing = entryOf(image)) return existing;
    entries_.push_back(std::make_unique<GuiMaskListEntry>(*this, image));
    layout();
    return entries_.back().get();
}

bool GuiMaskList::removeEntry(const ImageEntry& image) {
    auto found = std::find_if(entries_.begin(), entries_.end(),
                              [&image](const auto& entry) { return &entry->image() == &image; });
    if (found == entries_.end()) return false;
    if (selected_ == &image) selected_ = nullptr;
    entries_.erase(found);
    layout();
    return true;
}

void GuiMaskList::clear() {
    entries_.clear();
    selected_ = nullptr;
    firstRow_ = 0;
}

bool GuiMaskList::setMarkers(const ImageEntry& image, bool sculpting, bool texturing) {
    GuiMaskListEntry* entry = entryOf(image);
    if (entry == nullptr) return false;
    entry->setMarkers(sculpting, texturing);
    return true;
}

bool GuiMaskList::maskChanged(const ImageEntry& image) {
    GuiMaskListEntry* entry = entryOf(image);
    if (entry == nullptr) return false;
    entry->rebuildThumbnail();
    return true;
}

GuiMaskListEntry* GuiMaskList::entry(int index) const {
    if (index < 0 || index >= entryCount()) return nullptr;
    return entries_[static_cast<size_t>(index)].get();
}

GuiMaskListEntry* GuiMaskList::entryOf(const ImageEntry& image) const {
    for (const auto& entry : entries_) {
        if (&entry->image() == &image) return entry.get();
    }
    return nullptr;
}

int GuiMaskList::rowSide() const {
    // Rows shrink so that every image shows, down to a least size; below
    // that the list scrolls.
    const int count = std::max(1, entryCount());
    const int fitting = (height() + kRowGap) / count - kRowGap;
    return std::max(1, std::min(width(), std::max(kLeastRowSide, fitting)));
}

void GuiMaskList::layout() {
    const int side = rowSide();
    firstRow_ = std::clamp(firstRow_, 0, std::max(0, entryCount() - visibleRows()));
    int y = top() - firstRow_ * (side + kRowGap);
    for (auto& entry : entries_) {
        entry->setRect(left(), y, left() + side, y + side);
        // Rows that do not fit are not shown.
        entry->setVisible(y >= top() && y + side <= bottom());
        y += side + kRowGap;
    }
}

int GuiMaskList::visibleRows() const {
    const int side = rowSide();
    return std::max(1, (height() + kRowGap) / (side + kRowGap));
}

void GuiMaskList::scroll(int rows) {
    firstRow_ += rows;
    layout();
}

void GuiMaskList::setSelected(const ImageEntry* image) {
    if (selected_ == image) return;
    selected_ = image;
    for (int index = 0; index < entryCount(); ++index) {
        if (&entries_[static_cast<size_t>(index)]->image() != image) continue;
        if (index < firstRow_) firstRow_ = index;
        if (index >= firstRow_ + visibleRows()) firstRow_ = index - visibleRows() + 1;
        layout();
    }
}

bool GuiMaskList::mouseWheel(int delta) {
    if (!isVisible() || entryCount() <= visibleRows()) return false;
    for (auto& entry : entries_) {
        if (!entry->isOver()) continue;
        scroll(delta > 0 ? -1 : 1);
        return true;
    }
    return false;
}

Texture* GuiMaskList::frame(ArtState state) const {
    if (state == ArtState::Pressed) return framePressed_;
    if (state == ArtState::Over) return frameOver_;
    return frameActive_;
}

void GuiMaskList::setBounds(int left, int top, int bottom, int right) {
    GuiComponent::setBounds(left, top, bottom, right);
    layout();
}

bool GuiMaskList::hover(float x, float y) {
    if (!isVisible()) return false;
    bool under = false;
    for (auto& entry : entries_) {
        if (entry->hover(x, y)) {
            under = true;
            setCurrentHelpText(entry->helpText());
        }
    }
    return under;
}

bool GuiMaskList::mousePressed(InputIdentifier button, float x, float y) {
    if (!isVisible() || !isEnabled()) return false;
    bool handled = false;
    for (auto& entry : entries_) handled = entry->mousePressed(button, x, y) || handled;
    return handled;
}

bool GuiMaskList::mouseReleased(InputIdentifier button, float x, float y) {
    if (!isVisible() || !isEnabled()) return false;
    bool handled = false;
    // A listener may remove rows; walk a copy of the row pointers.
    std::vector<GuiMaskListEntry*> rows;
    for (auto& entry : entries_) rows.push_back(entry.get());
    auto stillListed = [this](const GuiMaskListEntry* row) {
        return std::any_of(entries_.begin(), entries_.end(), [row](const auto& entry) { return entry.get() == row; });
    };
    for (GuiMaskListEntry* row : rows) {
        if (!stillListed(row)) continue;
        handled = row->mouseReleased(button, x, y) || handled;
    }
    return handled;
}

bool GuiMaskList::hitTest(float x, float y) {
    if (!isVisible()) return false;
    for (auto& entry : entries_) {
        if (entry->hitTest(x, y)) return true;
    }
    return false;
}

void GuiMaskList::render() {
    if (!isVisible()) return;
    for (auto& entry : entries_) entry->render();
    GuiComponent::render();
}

void GuiMaskList::resetState() {
    for (auto& entry : entries_) entry->resetState();
}
