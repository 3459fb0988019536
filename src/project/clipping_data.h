// What the project file stores of the clippings (the images placed in 3D).
//
// The project code owns the file layout of every "entry" element up to its
// border file; the elements that follow belong to the image's clipping and
// are written and read through this interface, which the transformation mode
// implements. Without one, projects are saved without clipping elements and
// those of a loaded project are ignored.
#pragma once

class ImageList;
class XmlNode;

class ClippingData {
public:
    virtual ~ClippingData() = default;

    // Before the files are written: every clipping sets its image-plane
    // position aside into its stored depth and is prepared in the middle
    // position.
    virtual void beginSave() {}
    // After saving (also after a cancelled or failed save): every clipping
    // takes its image-plane position back from the stored depth.
    virtual void endSave() {}

    // Appends the clipping elements of image `index` to its "entry" element,
    // after the border elements; nothing when the image has no clipping.
    virtual void writeClipping(const ImageList& images, int index, XmlNode& entry) {
        (void)images;
        (void)index;
        (void)entry;
    }

    // Reads the clipping elements of a loaded "entry" (its children from
    // position 2 on, found by name, unknown names ignored) into the clipping
    // of image `index`, which was just added, and marks the image in the list
    // as used for sculpting or texturing as its flags say. Must cope with any
    // content: missing elements keep their defaults.
    virtual void readClipping(ImageList& images, int index, const XmlNode& entry) {
        (void)images;
        (void)index;
        (void)entry;
    }

    // After a project was loaded (also when nothing could be read): every
    // clipping takes its image-plane position from its stored depth.
    virtual void endLoad() {}

    // Image `to` was cloned from image `from`: its clipping takes the
    // source's placement and participation flags.
    virtual void copyClipping(int from, int to) {
        (void)from;
        (void)to;
    }
};
