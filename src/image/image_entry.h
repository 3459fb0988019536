// Image entries and the image list: the data behind every loaded photo.
//
// An entry holds the picture as loaded (the bigger image), the file's alpha
// channel (the alpha source), the 512 by 512 working copy that every 2D tool
// works on, its mask, the cut-out rectangle, the border traced from the mask
// and the GPU textures. The list is an ordered array of slots, each empty or
// holding one entry; an entry's slot index numbers its files in projects and
// exports, so removing an entry leaves a gap instead of renumbering the rest.
#pragma once

#include "image/image.h"

#include <functional>
#include <memory>
#include <vector>

class Border;

// Colour of the canvas around a picture smaller than the working copy.
inline constexpr Rgb kCanvasMarginColour{102, 102, 118};

// The GPU side of an entry (two picture textures and the mask texture). The
// renderer implements it; without a renderer an entry simply has none.
class EntryTextures {
public:
    virtual ~EntryTextures() = default;
    // The working copy changed: refresh the colour of the picture textures.
    virtual void pictureChanged(const Image& workingCopy) = 0;
    // The mask changed: refresh the alpha of the mask texture from the
    // mask's first byte.
    virtual void maskChanged(const Image& mask) = 0;
    // Only the pixels of columns left .. right - 1 and rows top .. bottom - 1
    // changed. Here: maskChanged.
    virtual void maskAreaChanged(const Image& mask, int left, int top, int right, int bottom) {
        (void)left, (void)top, (void)right, (void)bottom;
        maskChanged(mask);
    }
};

struct ImageEntry {
    // Makes an entry from its images. `workingCopy` is normally a canvas
    // square from makeWorkingCopy(); an invalid one is replaced by a black
    // canvas square (logged) so every tool has a picture to work on. An
    // invalid `mask` gives a new all-unset mask with the working copy's size,
    // margins, area and rotation centre; a mask of another size is fitted to
    // the working copy (pixels kept where both overlap, logged). The mask
    // always takes the working copy's margins and area. The cut-out
    // rectangle starts as the whole effective picture, and the border is
    // traced from the mask. `biggerImage` may be invalid (no bigger image).
    // The entry is never moved, so the border's hold on `mask` stays good.
    ImageEntry(Image biggerImage, Image workingCopy, Image mask);
    ~ImageEntry();
    ImageEntry(const ImageEntry&) = delete;
    ImageEntry& operator=(const ImageEntry&) = delete;

    // The display name (the working copy's name).
    const String& name() const { return workingCopy.name(); }
    // Sets the name of the working copy, mask, bigger image and alpha source.
    void setName(const String& name);
    bool hasBiggerImage() const { return biggerImage.isValid(); }
    bool hasAlphaSource() const { return alphaSource.isValid(); }

    // Records that the mask (and with it the border and textures) must be
    // rebuilt; the owner clears `changed` once it has done so.
    void markChanged() { changed = true; }
    // Hands the current working copy and mask to the textures; nothing
    // happens without textures.
    void refreshTextures();
    // Tells the image's clipping that its picture, mask or border changed;
    // nothing happens while no clipping is connected.
    void notifyClipping() const {
        if (clippingChanged) clippingChanged();
    }

    Image biggerImage;   // as loaded, at the file's size; invalid when absent
    Image alphaSource;   // the file's alpha at the file's size; invalid when absent
    Image workingCopy;   // kCanvasSide square
    Image mask;          // same size and margins as the working copy
    ImageRect cutOut;    // in working-copy pixels
    // The part of the bigger image the working copy shows, in bigger-image
    // pixels: the whole of it until a cut-out narrows it.
    ImageRect biggerShown;
    std::unique_ptr<Border> border;         // made from `mask`; may be replaced
    std::unique_ptr<EntryTextures> textures;  // null without a renderer
    // Connected by whoever holds the image's clipping (the transformation
    // mode) and emptied before the clipping goes. Called after every mask
    // change, so it should be quick (mark the clipping for an update).
    std::function<void()> clippingChanged;
    bool usedForSculpting = false;
    bool usedForTexturing = false;
    bool changed = false;
};

// The working copy of a picture: scaled to fit the canvas side and embedded
// at the top left of the canvas in kCanvasMarginColour.
Image makeWorkingCopy(const Image& picture);

// Sets every set pixel of `mask` to (value, value, value). A value of 0
// clears the mask.
void setMaskValue(Image& mask, unsigned char value);

// Reads one picture file into a new entry (not yet named), as
// loadPictureIntoEntry does, but without a placeholder: a file that cannot be
// decoded (missing, damaged, no picture, too large) gives null and the reason
// in `error`. Safe to call from several threads at once.
std::unique_ptr<ImageEntry> pictureEntryFromFile(const String& path, unsigned char maskValue, String& error);

// Loads one picture file into a new entry named with `imageNumber` ("%d"):
//  1. the file is read at its own size (the bigger image; with its alpha
//     channel, when it has one, as the alpha source);
//  2. the working copy is makeWorkingCopy() of it; the bigger image takes
//     the working copy's margins, its `area` becomes its own size minus those
//     margins and its three points the centre of that area;
//  3. with an alpha channel the mask is makeWorkingCopy() of the alpha,
//     every set pixel set to `maskValue` and its frame and margins cleared;
//     without one the mask is all unset.
// A file that cannot be read still gives an entry (on the loader's
// placeholder picture); `error` (when given) then receives the reason and is
// emptied otherwise. Never returns null.
std::unique_ptr<ImageEntry> loadPictureIntoEntry(const String& path, int imageNumber, unsigned char maskValue,
                                                 String* error = nullptr);

// Steps 2 and 3 of loadPictureIntoEntry for a picture already decoded:
// `bigger` at any size (an invalid one becomes the red placeholder) and
// `alpha` its alpha channel as a grey image of the same size, or invalid
// when it has none.
std::unique_ptr<ImageEntry> entryFromPicture(Image bigger, Image alpha, int imageNumber, unsigned char maskValue);

// Told about changes of an ImageList, in the order listeners were added.
class ImageListListener {
public:
    virtual ~ImageListListener() = default;
    virtual void entryAdded(int /*index*/, ImageEntry& /*entry*/) {}
    // Called just before the entry is destroyed.
    virtual void entryRemoved(int /*index*/, ImageEntry& /*entry*/) {}
    // The entries of two slots changed places.
    virtual void entriesSwapped(int /*first*/, int /*second*/) {}
    // `index` is -1 when the selection was cleared.
    virtual void selectionChanged(int /*index*/) {}
};

class ImageList {
public:
    ImageList() = default;
    ImageList(const ImageList&) = delete;
    ImageList& operator=(const ImageList&) = delete;

    // Number of slots, empty ones included.
    int slotCount() const { return static_cast<int>(slots_.size()); }
    // Number of slots holding an entry.
    int imageCount() const;
    // The entry in slot `index`; null for an empty slot or an index outside
    // the list.
    ImageEntry* entry(int index);
    const ImageEntry* entry(int index) const;

    // Appends the entry in a new slot and returns its index (-1 for null).
    int append(std::unique_ptr<ImageEntry> entry);
    // Loads a picture (loadPictureIntoEntry) named with the next image number
    // and appends it; returns its index. `error` as there.
    int loadPicture(const String& path, unsigned char maskValue, String* error = nullptr);
    // Destroys the entry of slot `index`, leaving the slot empty (later
    // entries keep their numbers); clears the selection when it was selected.
    // False when the slot holds no entry.
    bool remove(int index);
    // Destroys every entry and all slots (a new project). The image counter
    // goes on counting.
    void clear();

    // Selects the entry of slot `index`; false (and no change) when the slot
    // is empty. select(-1) clears the selection.
    bool select(int index);
    int selectedIndex() const { return selected_; }
    ImageEntry* selected() { return entry(selected_); }

    // Swaps the entry of slot `index` with the nearest entry before / after
    // it; the selection follows the moved entry. False when there is none.
    bool moveUp(int index);
    bool moveDown(int index);
    bool canMoveUp(int index) const { return neighbour(index, -1) >= 0; }
    bool canMoveDown(int index) const { return neighbour(index, +1) >= 0; }

    // Shows whether the entry takes part in sculpting and texturing. False
    // for an empty slot.
    bool setMarkers(int index, bool sculpting, bool texturing);
    // Rewrites all set pixels of every mask to (value, value, value) and
    // marks the entries changed.
    void setMaskValueOfAll(unsigned char value);

    // The image counter: every new image (loaded or cloned) takes the next
    // number, 1, 2, 3 ... for the whole run.
    int nextImageNumber() { return ++imageCounter_; }
    int imageCounter() const { return imageCounter_; }

    // Listeners are not owned and must outlive the list or be removed.
    void addListener(ImageListListener* listener);
    void removeListener(ImageListListener* listener);

private:
    // Index of the nearest occupied slot from `index` in `step` direction, -1.
    int neighbour(int index, int step) const;
    void swapSlots(int first, int second);

    std::vector<std::unique_ptr<ImageEntry>> slots_;
    int selected_ = -1;
    int imageCounter_ = 0;
    std::vector<ImageListListener*> listeners_;
};
