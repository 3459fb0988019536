// The operations on whole image entries: mirroring and quarter turns,
// cloning, and cutting the object out of a larger picture. Each keeps the
// entry's working copy, mask, border, textures and clipping consistent.
// The reference points (rotation centre, field-of-view centre, snap point)
// keep their coordinates through every operation; through Image::assign the
// field-of-view centre takes the rotation centre's value.
#pragma once

#include "image/image_entry.h"

#include <memory>

enum class EntryTurn { MirrorVertical, MirrorHorizontal, RotateLeft, RotateRight };

// `image` mirrored or turned (Image::mirrorVertical, mirrorHorizontal,
// rotateLeft, rotateRight).
Image turnedImage(const Image& image, EntryTurn turn);

// Mirrors or turns the working copy and the mask (the bigger image and the
// alpha source stay as they are), refreshes the textures, rebuilds the border
// and its index at once and tells the clipping.
void turnEntry(ImageEntry& entry, EntryTurn turn);

// A new entry with copies of the source's working copy, mask, bigger image
// and alpha source, named with `imageNumber`: its border takes the source's
// maximum distance and vertex modes, and it takes the source's cut-out
// rectangle and shown part of the bigger image.
std::unique_ptr<ImageEntry> cloneEntry(const ImageEntry& source, int imageNumber);

// Why a cut-out is not possible for `entry` (null: nothing selected).
enum class CutOutRefusal { None, NoImageSelected, NoBiggerImage, PictureTooSmall };
CutOutRefusal cutOutRefusal(const ImageEntry* entry);

// A rectangle of whole pixels.
struct PixelCrop {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The part of the bigger image under the working-copy rectangle from
// `corner` to `otherCorner` (in either order): both corners are scaled by the
// factors from the working copy's picture to the part of the bigger image it
// shows, clamped to that part, ordered and widened to at least one pixel,
// then truncated.
PixelCrop cutOutCrop(const ImageEntry& entry, ImagePoint corner, ImagePoint otherCorner);

// Cuts the object out: the crop of the bigger image (cutOutCrop) is scaled to
// fit the canvas and becomes the working copy (the name stays); the mask
// becomes the same crop of the alpha source, cleaned and set to `maskValue`,
// or empty without one. The cut-out rectangle is stored, the border rebuilt
// and the clipping told. False (nothing changed) when cutOutRefusal is not
// None.
bool cutOutEntry(ImageEntry& entry, ImagePoint corner, ImagePoint otherCorner, unsigned char maskValue);
