// Image: the plain pixel buffer behind every picture, working copy and mask.
//
// Three bytes per pixel (red, green, blue), rows top first; pixel (x, y)
// starts at byte (width * y + x) * 3. Every pixel access is guarded: reading
// outside the image (or from an invalid image) gives black and false, writing
// outside does nothing and gives false.
//
// An image may be embedded in a larger canvas: `marginRight` columns at the
// right and `marginBottom` rows at the bottom are canvas, not picture. The
// effective picture is the rectangle (0, 0) .. (width - marginRight,
// height - marginBottom), exclusive; mirroring, rotating and the mask frame
// are measured on it.
//
// A mask is an Image of the working copy's size and margins; a mask pixel is
// set when any of its three bytes is non-zero.
//
// Images are values: they move, and are copied only through clone() or
// assign() so that the reference points follow the documented rules.
#pragma once

#include "core/colour.h"

#include "core/string.h"
#include "core/uninitialised_allocator.h"

#include <memory>
#include <vector>

// A rectangle stored in the order bottom, left, right, top (pixels, floats).
struct ImageRect {
    float bottom = 0.0f;
    float left = 0.0f;
    float right = 0.0f;
    float top = 0.0f;
};

// A pixel position with fractional coordinates.
struct ImagePoint {
    float x = 0.0f;
    float y = 0.0f;
};

class Image {
public:
    // Largest width or height accepted anywhere (constructors and files).
    static constexpr int kMaxSide = 16384;
    // Side of the square canvas that working copies and masks live on.
    static constexpr int kCanvasSide = 512;
    // Longest display name kept; longer names are cut to this many bytes.
    static constexpr int kMaxNameLength = 999;

    // An invalid, empty image: size 0, every read black, every write ignored.
    Image();
    // A width by height image, every pixel black, `valid` true, name
    // "not set", margins 0, `area` the full image, the three points at the
    // centre. A side below 1 or above kMaxSide gives an invalid image (logged).
    Image(int width, int height);
    // As above, every pixel set to `colour`.
    Image(int width, int height, Rgb colour);
    // As above, the buffer copied from width * height * 3 bytes (red, green,
    // blue, rows top first). A null `bytes` leaves the pixels black.
    Image(int width, int height, const unsigned char* bytes);
    // Loads a picture file; the name is the file name. Names whose last three
    // characters are "bmp" (lower case) go through the own BMP reader, every
    // other name through the picture decoder.
    //  - A BMP that cannot be read (missing, malformed, truncated, too large)
    //    gives an invalid image; a depth other than 8 or 24 bits gives a
    //    128 by 128 pure red image. Both are logged.
    //  - Another file that cannot be decoded gives a 256 by 256 pure red
    //    image (logged).
    // In every failure case loadError() tells why. When `alpha` is given it
    // receives the file's alpha channel as a grey image (all three bytes =
    // alpha) at the file's size, or an invalid image when the file had none.
    explicit Image(const String& fileName, Image* alpha = nullptr);

    // Copies a 32-bit surface (blue, green, red, alpha per pixel) with rows of
    // `rowPitch` bytes into a new image; used for screenshots. Null bytes or
    // a pitch below width * 4 give an invalid image.
    static Image fromBgraSurface(int width, int height, const unsigned char* bgra, int rowPitch);

    Image(Image&& other) noexcept = default;
    Image& operator=(Image&& other) noexcept = default;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    ~Image() = default;

    // --- state --------------------------------------------------------------

    bool isValid() const { return valid_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // Width and height; false (and 0, 0) when the image is not valid.
    bool getSize(int& width, int& height) const;
    // Why loading from a file failed; empty when the image was read fine or
    // was not loaded from a file.
    const String& loadError() const { return loadError_; }

    const String& name() const { return name_; }
    int nameLength() const { return name_.length(); }
    // Copies the text (cut to kMaxNameLength bytes) into the name.
    void setName(const String& text);

    // The raw buffer (width * height * 3 bytes, rows top first); null when
    // the image is not valid. Writing through it bypasses no invariant as
    // long as the size is respected.
    const unsigned char* bytes() const { return valid_ ? pixels_.data() : nullptr; }
    unsigned char* bytes() { return valid_ ? pixels_.data() : nullptr; }

    // --- guarded pixel access -------------------------------------------------

    // Reads pixel (x, y) into `colour`. Outside the image or on an invalid
    // image `colour` becomes black and false is returned.
    bool getPixel(int x, int y, Rgb& colour) const;
    // The colour of pixel (x, y); black outside.
    Rgb pixel(int x, int y) const;
    // Writes pixel (x, y); does nothing and returns false outside the image.
    bool setPixel(int x, int y, Rgb colour);
    // Mask view: true when pixel (x, y) lies inside and any byte is non-zero.
    bool isSet(int x, int y) const;
    // True when all three bytes of `colour` are 0.
    static bool isBlack(Rgb colour) { return colour.red == 0 && colour.green == 0 && colour.blue == 0; }

    // --- copies and geometry (each returns a new image) ------------------------

    // Same size, pixels, name, margins and `area`; `rotationCentre` and
    // `snapPoint` copied; `fovCentre` set to the source's `rotationCentre`.
    Image clone() const;
    // Takes the source's size, name, margins and pixels; `area` right =
    // width - marginRight, bottom = height - marginBottom, left = top = 0;
    // `rotationCentre` into both rotation and field-of-view centre, snap point
    // copied. Assigning an invalid source makes this image invalid.
    void assign(const Image& source);
    // A w by h image of the source pixels x0 .. x0+w-1, y0 .. y0+h-1; pixels
    // outside the source are black. The name is kept; margins are 0.
    Image crop(int x0, int y0, int w, int h) const;
    // Pixel (x, y) of the effective picture moves to (x, H - 1 - y) with
    // H = height - marginBottom; margin pixels keep their values. Everything
    // else as clone().
    Image mirrorVertical() const;
    // Pixel (x, y) of the effective picture moves to (W - 1 - x, y) with
    // W = width - marginRight; margin pixels keep their values.
    Image mirrorHorizontal() const;
    // Clockwise quarter turn: a height by width image whose pixel (x, y) is
    // the old pixel (y, H - 1 - x), H = old `area` bottom. The margins swap
    // (new marginRight = old marginBottom and the other way round), `area`
    // right and bottom swap; rotation and field-of-view centre are copied,
    // the snap point goes to the centre of the new full size. Columns that
    // map outside the old image are black.
    Image rotateRight() const;
    // Counter-clockwise quarter turn: new pixel (x, y) = old pixel
    // (W - 1 - y, x), W = old `area` right; margins, area and points as
    // rotateRight().
    Image rotateLeft() const;
    // When the larger side is at most kCanvasSide: clone(). Otherwise a box
    // resampled image whose larger side is kCanvasSide and whose other side
    // is other / larger * kCanvasSide truncated (at least 1).
    Image scaleToFit() const;
    // A kCanvasSide square: this image at the top left, the rest
    // `marginColour`; marginRight / marginBottom = canvas side minus the
    // picture's width / height (a larger picture is cut); `area` the picture;
    // the three points at the centre of the picture. The name is kept.
    Image embedInCanvas(Rgb marginColour) const;
    // Box filter to w by h: destination column x covers source columns
    // x0 = round(x * sw / w) up to (excluding) round(x0 + sw / w), kept
    // inside the source and at least one column wide; rows likewise. Each
    // channel is the rounded mean. Margins 0, points at the centre, name kept.
    // A size below 1 or above kMaxSide gives an invalid image.
    Image resampleBox(int w, int h) const;

    // True when width, height and every pixel byte are equal.
    bool equals(const Image& other) const;
    // Sets every pixel of the full buffer.
    void fill(Rgb colour);
    // Blackens the one-pixel frame of the effective picture and all margins:
    // x = 0, y = 0, x >= width - marginRight - 1, y >= height - marginBottom - 1.
    void clearFrame();

    // --- files -----------------------------------------------------------------

    // Writes the image in the format its extension names (case-insensitive):
    // "bmp" as an uncompressed 24-bit BMP (bottom-up rows, padded to four
    // bytes, file size field 0); "dib", "jpg", "png", "ppm", "tga", "dds"
    // through the picture encoder (opaque). The file is written under a
    // temporary name and renamed into place. False (and a log line) when the
    // image is not valid, the extension is unknown or the write failed.
    bool saveToFile(const String& fileName) const;
    // As saveToFile, with the first byte of `alpha` (same size) as the alpha
    // channel; every format, BMP included, goes through the picture encoder.
    // False when the sizes differ.
    bool saveToFileWithAlpha(const String& fileName, const Image& alpha) const;
    // The exact byte stream saveToFile writes for ".bmp" names; empty when the
    // image is not valid.
    std::vector<unsigned char> encodeBmp() const;

    // --- public fields -----------------------------------------------------------

    int marginRight = 0;
    int marginBottom = 0;
    // The part of the image that tools may touch.
    ImageRect area;
    ImagePoint rotationCentre;
    ImagePoint fovCentre;
    ImagePoint snapPoint;

private:
    // Allocates a black buffer (or, with `black` false, one whose bytes are
    // left for the caller to fill), sets the name, area and points as after
    // construction. Invalid (and logged) for sizes outside 1 .. kMaxSide.
    void allocate(int width, int height, bool black = true);
    // `area` to the full image minus margins; points to the centre of it.
    void resetGeometry();
    void loadFile(const String& fileName, Image* alpha);
    void loadBmp(const String& fileName);
    void loadDecoded(const String& fileName, Image* alpha);
    void becomePlaceholder(int side, const String& reason);
    Image copyWithGeometryOf(int width, int height) const;
    bool writeEncoded(const String& fileName, const Image* alpha) const;

    bool valid_ = false;
    int width_ = 0;
    int height_ = 0;
    std::vector<unsigned char, UninitialisedAllocator<unsigned char>> pixels_;
    String name_;
    String loadError_;
};
