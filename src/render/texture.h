// Texture: the device copy of a picture, mask or piece of GUI art, with
// 8-bit red, green, blue and alpha per texel. Every texture keeps its texels
// in memory as well: updates change both copies, reading back reads the kept
// one, and after a device reset the device copy is made again from it.
//
// Every live texture is registered in the process-wide texture list, which
// the renderer walks around a device reset.
//
// Pictures and masks reach this layer as plain RGB buffers (three bytes per
// pixel, rows top first); a mask's opacity is its first (red) byte.
#pragma once

#include "core/string.h"
#include "platform/graphics_device.h"

#include <cstdint>
#include <vector>

// Read-only view of an RGB picture: width × height pixels of three bytes
// (red, green, blue), rows top first. Reading outside gives black.
struct RgbView {
    const unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;

    bool isValid() const { return pixels != nullptr && width > 0 && height > 0; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    // Byte `channel` (0 red, 1 green, 2 blue) of pixel (x, y); 0 outside.
    unsigned char byte(int x, int y, int channel) const {
        return contains(x, y) ? pixels[(static_cast<size_t>(y) * width + x) * 3 + channel] : 0;
    }
};

// A region of texels given as floats in the order bottom, left, right, top
// (the order pictures keep their area in): texels with left <= x < right and
// top <= y < bottom.
struct TexelArea {
    float bottom = 0.0f;
    float left = 0.0f;
    float right = 0.0f;
    float top = 0.0f;
};

struct TexelColour {
    unsigned char red = 0;
    unsigned char green = 0;
    unsigned char blue = 0;
};

class Texture {
public:
    // Decodes the picture file `path` at its own size. On failure logs
    // "Could not load texture <path>", prints the reason, and the texture
    // stays empty.
    Texture(gfx::GraphicsDevice& device, const String& path);
    // The colour of `picture`, opaque. An invalid picture is logged and
    // gives an empty texture.
    Texture(gfx::GraphicsDevice& device, const RgbView& picture);
    // The colour of `picture` with the alpha of `mask`'s first byte (texels
    // outside the mask get alpha 0). Either one invalid is logged and gives
    // an empty texture.
    Texture(gfx::GraphicsDevice& device, const RgbView& picture, const RgbView& mask);
    // One colour everywhere, with the alpha of `mask`'s first byte; the size
    // is the mask's.
    Texture(gfx::GraphicsDevice& device, const RgbView& mask, TexelColour colour);
    // Texels given as RGBA (width × height × 4 bytes, rows top first).
    Texture(gfx::GraphicsDevice& device, int width, int height, const unsigned char* rgba);
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // --- binding. The device has one texture stage: binding to another
    // stage does nothing. An empty texture binds as no texture.
    void bind(int stage) const;
    void bind() const;

    // --- updates. Each changes the texels the source covers (the overlap of
    // source and texture, and of the area where one is given) and leaves the
    // rest as it was. An empty texture or an invalid source changes nothing
    // and gives false; false also when the device refused the new texels
    // (the kept copy is updated all the same and returns after a reset).
    // Colour inside `area`, alpha untouched.
    bool updateColour(const RgbView& picture, const TexelArea& area);
    // Colour of `picture` and alpha of `mask`'s first byte, whole texture.
    bool updateColourAndAlpha(const RgbView& picture, const RgbView& mask);
    // Colour of `picture`, whole texture, alpha untouched.
    bool updateColour(const RgbView& picture);
    // One colour for the texels with x < width and y < height, alpha untouched.
    bool fillColour(TexelColour colour, int width, int height);
    // Alpha from `mask`'s first byte inside `area`.
    bool updateAlpha(const RgbView& mask, const TexelArea& area);
    // Alpha from `mask`'s first byte, whole texture.
    bool updateAlpha(const RgbView& mask);

    // --- reading back (from the kept texels).
    // The colour as RGB bytes; false for an empty texture.
    bool readColour(std::vector<unsigned char>& rgb, int& width, int& height) const;
    // The alpha, repeated in all three bytes of every pixel; false when empty.
    bool readAlpha(std::vector<unsigned char>& rgb, int& width, int& height) const;
    // True when any texel's alpha is not 0.
    bool hasAlpha() const;
    const std::vector<unsigned char>& texels() const { return rgba_; }

    bool isEmpty() const { return rgba_.empty(); }
    int width() const { return width_; }
    int height() const { return height_; }
    // Size the picture file reports (for textures from a file; else 0).
    int fileWidth() const { return fileWidth_; }
    int fileHeight() const { return fileHeight_; }
    const String& fileName() const { return fileName_; }
    gfx::TextureHandle handle() const { return handle_; }
    // A number no other texture of this process has, and one that grows
    // whenever the kept texels change: together they tell a copy elsewhere
    // (the sprite atlas) whether it is still this texture's picture.
    uint64_t serial() const { return serial_; }
    uint64_t revision() const { return revision_; }
    gfx::GraphicsDevice& device() const { return device_; }

    // --- device life cycle (called by the texture list).
    // Gives the device copy back; the kept texels stay.
    void releaseDeviceCopy();
    // Makes the device copy again from the kept texels.
    bool recreateDeviceCopy();

private:
    // Adopts width × height RGBA texels and makes the device copy.
    void adopt(int width, int height, std::vector<unsigned char> rgba);
    // Sends rows [top, bottom) of columns [left, right) of the kept texels to
    // the device; false when the device refused them.
    bool upload(int left, int top, int right, int bottom);
    // Texel columns and rows of `area` that exist in the texture and the source.
    bool clampArea(const TexelArea& area, int sourceWidth, int sourceHeight, int& left, int& top, int& right,
                   int& bottom) const;
    unsigned char* texel(int x, int y) { return &rgba_[(static_cast<size_t>(y) * width_ + x) * 4]; }

    static uint64_t nextSerial();

    gfx::GraphicsDevice& device_;
    gfx::TextureHandle handle_;
    uint64_t serial_ = nextSerial();
    uint64_t revision_ = 0;
    int width_ = 0;
    int height_ = 0;
    int fileWidth_ = 0;
    int fileHeight_ = 0;
    String fileName_;
    std::vector<unsigned char> rgba_;
    std::vector<unsigned char> staging_;
};

// The process-wide list of live textures.
class TextureList {
public:
    static TextureList& instance();

    void add(Texture* texture);
    void remove(Texture* texture);
    // Number of live textures.
    int count() const { return static_cast<int>(textures_.size()); }
    // Live textures made on `device`.
    int countOn(const gfx::GraphicsDevice& device) const;
    // Releases the device copies of every texture made on `device`.
    void releaseAll(gfx::GraphicsDevice& device);
    // Re-creates the device copies of every texture made on `device`;
    // returns how many could not be re-created.
    int recreateAll(gfx::GraphicsDevice& device);

private:
    TextureList() = default;
    std::vector<Texture*> textures_;
};
