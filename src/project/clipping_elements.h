// The clipping elements of a project "entry": where the image is placed in
// 3D and how it takes part in sculpting and texturing.
//
// Written in this order, after the entry's border elements:
//   enabled, forsculpting, addingvoxels, fortexturing, textureonlyinside,
//   texturetakesmask, participateinsharpening, texturestrength,
//   texturebothsides                                   text "%d"
//   translation x= y= z=, rotation x= y= z=            "%f"
//   angles angle= angleheight= angleimage=             "%f"
//   scaling x= y= z=                                   "%f"
//   fov set= ("%d") x= y= ("%f")
//   depth                                              text "%f"
// Attributes are read by position, elements by name (any order; unknown
// names are ignored; a repeated element counts with its last copy).
//
// Reading is careful: a flag that is not a number keeps its default; a
// placement with a value that is not a number, not finite or absurd (a depth
// or pixel size that is not positive, a field of view that is not positive,
// a position or angle beyond any sensible range) is refused as a whole, and
// the clipping then keeps every default (so it takes no part until the user
// places it again). Every refusal is reported as one line.
#pragma once

#include "core/string.h"
#include "image/image_entry.h"
#include "project/clipping_data.h"
#include "sculpt/clipping.h"

#include <memory>
#include <vector>

class XmlNode;

// What the project file keeps of one clipping.
struct ClippingRecord {
    ClippingPlacement placement;
    ClippingFlags flags;
    // The picture-plane position set aside while saving (element "depth").
    float depth = 0.5f;
};

// The record of a clipping as it is now.
ClippingRecord recordOf(const Clipping& clipping);

// Appends the fifteen clipping elements of `record` to `entry`, in the order
// above. `record.depth` is written as "depth".
void writeClippingElements(const ClippingRecord& record, XmlNode& entry);

// Reads the clipping elements among the children of `entry` from position 2
// on into a record that starts from the defaults. Each refusal adds one line
// (naming `imageName`) to `problems`. A refused placement leaves the whole
// record at its defaults.
ClippingRecord readClippingElements(const XmlNode& entry, const String& imageName, std::vector<String>& problems);

// True when the placement can be projected and lies within sane bounds:
// depth, pixel sizes and field-of-view ratios finite and positive, position
// and angles finite and within +-1e6, picture plane finite.
bool isPlacementSound(const ClippingPlacement& placement);

// Puts the record into the clipping: placement (the current picture-plane
// position is kept), flags and stored depth.
void applyRecord(const ClippingRecord& record, Clipping& clipping);

// The clippings of an image list, one per occupied slot, kept in step with
// the list: adding an image creates its clipping, removing one destroys it,
// swapping two swaps theirs, and a change of an image marks its clipping out
// of date (Clipping::updateIfOutOfDate catches up). Also the project file's ClippingData: saving
// writes each clipping's elements, loading reads them into the clipping of
// the new image and marks the image as used for sculpting / texturing.
// The list must outlive the table.
class ClippingTable : public ClippingData, private ImageListListener {
public:
    // Makes a clipping for every image already in the list and follows the
    // list from then on.
    explicit ClippingTable(ImageList& images);
    ~ClippingTable() override;
    ClippingTable(const ClippingTable&) = delete;
    ClippingTable& operator=(const ClippingTable&) = delete;

    // The clipping of slot `index`; null for an empty slot or outside.
    Clipping* clipping(int index) const;
    // Number of slots the table knows (the list's slot count).
    int slotCount() const { return static_cast<int>(clippings_.size()); }

    // Appends `entry` to the list with `clipping`, made beforehand for that
    // very entry (possibly on another thread), as its clipping instead of
    // making a new one. Returns the entry's slot (-1 for a null entry). A
    // clipping made for another entry is discarded and a new one made.
    int appendWithClipping(std::unique_ptr<ImageEntry> entry, std::unique_ptr<Clipping> clipping);

    // Every problem met while reading clipping elements since the last
    // clearProblems(), one line each (also written to the log).
    const std::vector<String>& problems() const { return problems_; }
    void clearProblems() { problems_.clear(); }

    // ClippingData.
    void beginSave() override;
    void endSave() override;
    void writeClipping(const ImageList& images, int index, XmlNode& entry) override;
    void readClipping(ImageList& images, int index, const XmlNode& entry) override;
    void copyClipping(int from, int to) override;
    void endLoad() override;

private:
    void entryAdded(int index, ImageEntry& entry) override;
    void entryRemoved(int index, ImageEntry& entry) override;
    void entriesSwapped(int first, int second) override;

    ImageList& images_;
    std::vector<std::unique_ptr<Clipping>> clippings_;
    // The clipping appendWithClipping hands to the next entryAdded.
    std::unique_ptr<Clipping> prepared_;
    std::vector<String> problems_;
};
