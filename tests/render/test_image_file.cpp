#include "render/image_file.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using testsupport::TempDir;

namespace {

using Bytes = std::vector<unsigned char>;

void put16(Bytes& out, uint32_t v) { out.insert(out.end(), {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)}); }
void put32(Bytes& out, uint32_t v) { put16(out, v & 0xFFFF), put16(out, v >> 16); }
void append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

// A picture with distinct values in every channel; alpha varies when asked.
RgbaImage pattern(int width, int height, bool alpha) {
    RgbaImage image;
    image.width = width;
    image.height = height;
    image.hasAlpha = alpha;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.pixels.insert(image.pixels.end(),
                                {static_cast<unsigned char>(x * 37 + y * 11), static_cast<unsigned char>(x * 5 + y * 71 + 3),
                                 static_cast<unsigned char>(255 - x * 13 - y * 7),
                                 static_cast<unsigned char>(alpha ? (x + y * width) * 29 : 255)});
    return image;
}

std::array<int, 4> pixel(const RgbaImage& image, int x, int y) {
    const unsigned char* p = &image.pixels[(static_cast<size_t>(y) * image.width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

Bytes firstPixels(const RgbaImage& image, int n) { return Bytes(image.pixels.begin(), image.pixels.begin() + 4 * n); }

bool decode(const Bytes& bytes, RgbaImage& image, std::string* message = nullptr) {
    String error;
    bool ok = decodeImageMemory(bytes.data(), bytes.size(), image, error);
    if (message) *message = error.str();
    return ok;
}

// A BMP file: file header, `infoSize`-byte info header (fields past 40 bytes
// are zero except the masks), then `table` (colour table or masks) and pixels.
struct Bmp {
    int32_t width = 2;
    int32_t height = 2;
    uint16_t bits = 24;
    uint32_t compression = 0;
    uint32_t infoSize = 40;
    std::array<uint32_t, 4> headerMasks{};
    std::vector<uint32_t> table;
    Bytes pixels;
    bool fileHeader = true;

    Bytes build() const {
        Bytes info;
        put32(info, infoSize);
        put32(info, static_cast<uint32_t>(width));
        put32(info, static_cast<uint32_t>(height));
        put16(info, 1);
        put16(info, bits);
        put32(info, compression);
        put32(info, static_cast<uint32_t>(pixels.size()));
        info.resize(info.size() + 16, 0);
        for (uint32_t mask : headerMasks) put32(info, mask);
        info.resize(infoSize, 0);
        for (uint32_t entry : table) put32(info, entry);
        Bytes out;
        if (fileHeader) {
            out = {'B', 'M'};
            put32(out, static_cast<uint32_t>(14 + info.size() + pixels.size()));
            put32(out, 0);
            put32(out, static_cast<uint32_t>(14 + info.size()));
        }
        append(out, info);
        append(out, pixels);
        return out;
    }
};

// A DDS file with one level of `data`.
Bytes ddsFile(uint32_t width, uint32_t height, uint32_t pixelFlags, const char* fourCc, uint32_t bits,
              std::array<uint32_t, 4> masks, const Bytes& data, uint32_t caps2 = 0, uint32_t mipCount = 1) {
    Bytes out = {'D', 'D', 'S', ' '};
    for (uint32_t v : {124u, 0x100Fu, height, width, 0u, 0u, mipCount}) put32(out, v);
    out.resize(out.size() + 44, 0);
    put32(out, 32);
    put32(out, pixelFlags);
    if (fourCc)
        out.insert(out.end(), fourCc, fourCc + 4);
    else
        put32(out, 0);
    for (uint32_t v : {bits, masks[0], masks[1], masks[2], masks[3], 0x1000u, caps2}) put32(out, v);
    out.resize(out.size() + 12, 0);
    append(out, data);
    return out;
}

constexpr uint32_t kDdsRgb = 0x40, kDdsAlpha = 0x1, kDdsFourCc = 0x4;

Bytes encodeToBytes(const TempDir& dir, const std::string& name, const RgbaImage& image) {
    String error;
    std::string path = dir.file(name);
    EXPECT_TRUE(encodeImageFile(String(path.c_str()), image, error)) << name << ": " << error.text();
    return testsupport::readBytes(path);
}

} // namespace

TEST(ImageFileRoundTrip, LosslessFormatsGiveBackEveryByte) {
    TempDir dir;
    for (bool alpha : {false, true}) {
        RgbaImage original = pattern(5, 3, alpha); // odd width: row padding in BMP
        for (const char* ext : {"bmp", "dib", "png", "tga", "dds", "ppm"}) {
            SCOPED_TRACE(std::string(ext) + (alpha ? " with alpha" : " without alpha"));
            std::string name = std::string("pic.") + ext;
            Bytes file = encodeToBytes(dir, name, original);
            RgbaImage back;
            std::string message;
            ASSERT_TRUE(decode(file, back, &message)) << message;
            ASSERT_EQ(back.width, 5);
            ASSERT_EQ(back.height, 3);
            bool keepsAlpha = std::string(ext) != "ppm";
            EXPECT_EQ(back.hasAlpha, alpha && keepsAlpha);
            RgbaImage expected = keepsAlpha ? original : pattern(5, 3, false);
            EXPECT_EQ(back.pixels, expected.pixels);
        }
    }
}

TEST(ImageFileRoundTrip, JpegStaysCloseAndHasNoAlpha) {
    TempDir dir;
    RgbaImage smooth;
    smooth.width = 32;
    smooth.height = 24;
    smooth.hasAlpha = true; // dropped by JPEG
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x)
            smooth.pixels.insert(smooth.pixels.end(), {static_cast<unsigned char>(x * 8), static_cast<unsigned char>(y * 10),
                                                       static_cast<unsigned char>(128 + x * 2 - y), 40});
    for (const char* name : {"p.jpg", "P.JPEG"}) {
        RgbaImage back;
        ASSERT_TRUE(decode(encodeToBytes(dir, name, smooth), back));
        ASSERT_TRUE(back.width == 32 && back.height == 24 && !back.hasAlpha);
        long long total = 0;
        int worst = 0;
        for (size_t i = 0; i < back.pixels.size(); ++i) {
            int diff = i % 4 == 3 ? 255 - back.pixels[i] : std::abs(back.pixels[i] - smooth.pixels[i]);
            total += diff;
            worst = std::max(worst, diff);
        }
        EXPECT_LT(static_cast<double>(total) / (32 * 24 * 3), 3.0);
        EXPECT_LT(worst, 24);
    }
}

TEST(ImageFileRoundTrip, PngTransparencyChunkCountsAsAlpha) {
    TempDir dir;
    Bytes png = encodeToBytes(dir, "rgb.png", pattern(2, 2, false));
    // Make the colour of pixel (0, 0), (0, 3, 255), transparent: a tRNS chunk
    // right after the 33 bytes of signature and header (its CRC is not read).
    Bytes chunk = {0, 0, 0, 6, 't', 'R', 'N', 'S', 0, 0, 0, 3, 0, 255, 0, 0, 0, 0};
    ASSERT_GT(png.size(), 33u);
    png.insert(png.begin() + 33, chunk.begin(), chunk.end());
    RgbaImage image;
    ASSERT_TRUE(decode(png, image));
    EXPECT_TRUE(image.hasAlpha);
    EXPECT_EQ(pixel(image, 0, 0), (std::array<int, 4>{0, 3, 255, 0}));
    EXPECT_EQ(pixel(image, 1, 0)[3], 255);
}

TEST(ImageFileWrite, RefusesUnknownNamesAndBadPictures) {
    TempDir dir;
    RgbaImage image = pattern(2, 2, false);
    String error;
    for (const char* name : {"pic.gif", "pic", "pic.png.txt", "folder.png/pic"}) {
        EXPECT_FALSE(isWritableImageName(String(name))) << name;
        EXPECT_FALSE(encodeImageFile(String(dir.file(name).c_str()), image, error)) << name;
        EXPECT_GT(error.length(), 0);
    }
    for (const char* name : {"a.BMP", "a.Dib", "a.dds", "a.jpg", "a.jpeg", "a.png", "a.ppm", "a.TGA"})
        EXPECT_TRUE(isWritableImageName(String(name))) << name;

    RgbaImage mismatched = image;
    mismatched.pixels.pop_back();
    for (const RgbaImage& bad : {mismatched, RgbaImage{}})
        EXPECT_FALSE(encodeImageFile(String(dir.file("bad.png").c_str()), bad, error));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(ImageFileWrite, MissingFolderFailsWithoutLeftoversAndOverwriteReplaces) {
    TempDir dir;
    String error;
    String missing((dir.path() + "/absent/pic.bmp").c_str());
    EXPECT_FALSE(encodeImageFile(missing, pattern(3, 3, false), error));
    EXPECT_GT(error.length(), 0);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

    String target(dir.file("pic.png").c_str());
    ASSERT_TRUE(encodeImageFile(target, pattern(3, 3, false), error));
    ASSERT_TRUE(encodeImageFile(target, pattern(4, 2, true), error));
    RgbaImage back;
    ASSERT_TRUE(decodeImageFile(target, back, error));
    EXPECT_EQ(back.width, 4);
    EXPECT_EQ(back.pixels, pattern(4, 2, true).pixels);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}

TEST(ImageFileSize, ReadsHeadersOfEveryFormat) {
    TempDir dir;
    String error;
    for (const char* name : {"s.bmp", "s.dds", "s.jpg", "s.png", "s.ppm", "s.tga"}) {
        encodeToBytes(dir, name, pattern(9, 5, true));
        int width = 0, height = 0;
        EXPECT_TRUE(readImageSize(String(dir.file(name).c_str()), width, height, error)) << name << error.text();
        EXPECT_TRUE(width == 9 && height == 5) << name;
    }
    int width = 0, height = 0;
    EXPECT_FALSE(readImageSize(String(dir.file("none.png").c_str()), width, height, error));
    EXPECT_FALSE(readImageSize(String(dir.path().c_str()), width, height, error));
    RgbaImage image;
    EXPECT_FALSE(decodeImageFile(String(dir.file("none.png").c_str()), image, error));
    EXPECT_GT(error.length(), 0);
}

TEST(ImageFileBmp, TwentyFourBitRowsBottomUpAndTopDown) {
    Bmp bmp; // bottom row first: blue, green; then top row: red, white. Rows padded to 8 bytes.
    bmp.pixels = {255, 0, 0, 0, 255, 0, 0, 0, /**/ 0, 0, 255, 255, 255, 255, 0, 0};
    RgbaImage image;
    ASSERT_TRUE(decode(bmp.build(), image));
    EXPECT_FALSE(image.hasAlpha);
    EXPECT_EQ(image.pixels, (Bytes{255, 0, 0, 255, 255, 255, 255, 255, 0, 0, 255, 255, 0, 255, 0, 255}));

    bmp.height = -2; // the same rows read top-down
    RgbaImage flipped;
    ASSERT_TRUE(decode(bmp.build(), flipped));
    EXPECT_EQ(pixel(flipped, 0, 0), pixel(image, 0, 1));
    EXPECT_EQ(pixel(flipped, 1, 1), pixel(image, 1, 0));

    bmp.fileHeader = false; // a bare DIB
    RgbaImage bare;
    ASSERT_TRUE(decode(bmp.build(), bare));
    EXPECT_EQ(bare.pixels, flipped.pixels);
}

TEST(ImageFileBmp, PalettedDepthsAndRunLengths) {
    std::vector<uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF}; // BGRA words: black, red, green, blue
    struct Case {
        uint16_t bits;
        uint32_t compression;
        Bytes pixels; // one 3-pixel row: indices 1, 2, 3
    };
    std::vector<Case> cases = {
        {1, 0, {0b01000000, 0, 0, 0}},     // indices 0, 1, 0 with a 2-colour table
        {2, 0, {0b01101100, 0, 0, 0}},
        {4, 0, {0x12, 0x30, 0, 0}},
        {8, 0, {1, 2, 3, 0}},
        {8, 1, {2, 1, 1, 3, 0, 1}},        // RLE8: two of 1, one of 3, end
        {8, 1, {0, 3, 1, 2, 3, 0, 0, 1}},  // RLE8 literal run of three, padded
        {4, 2, {3, 0x12, 0, 0, 0, 1}},     // RLE4: 1, 2, 1 ... then end of bitmap
    };
    std::vector<std::array<int, 3>> expected = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    for (const Case& c : cases) {
        SCOPED_TRACE("bits " + std::to_string(c.bits) + " compression " + std::to_string(c.compression));
        Bmp bmp;
        bmp.width = 3;
        bmp.height = 1;
        bmp.bits = c.bits;
        bmp.compression = c.compression;
        bmp.table = palette;
        bmp.pixels = c.pixels;
        RgbaImage image;
        std::string message;
        ASSERT_TRUE(decode(bmp.build(), image, &message)) << message;
        std::vector<std::array<int, 3>> want = expected;
        if (c.bits == 1) want = {{0, 0, 0}, {255, 0, 0}, {0, 0, 0}};
        if (c.compression == 1 && c.pixels[0] == 2) want = {{255, 0, 0}, {255, 0, 0}, {0, 0, 255}};
        if (c.compression == 2) want = {{255, 0, 0}, {0, 255, 0}, {255, 0, 0}};
        for (int x = 0; x < 3; ++x) {
            auto p = pixel(image, x, 0);
            EXPECT_EQ((std::array<int, 3>{p[0], p[1], p[2]}), want[static_cast<size_t>(x)]) << "x " << x;
            EXPECT_EQ(p[3], 255);
        }
    }

    // An index beyond a short colour table reads as black.
    Bmp shortTable;
    shortTable.width = 1;
    shortTable.height = 1;
    shortTable.bits = 8;
    shortTable.table = {0xFFFFFF};
    shortTable.pixels = {200, 0, 0, 0};
    Bytes file = shortTable.build();
    file[46] = 1; // colours used
    RgbaImage image;
    ASSERT_TRUE(decode(file, image));
    EXPECT_EQ(pixel(image, 0, 0), (std::array<int, 4>{0, 0, 0, 255}));
}

TEST(ImageFileBmp, DirectColourMasksAndAlpha) {
    Bmp rgb555; // 16 bit 5:5:5 by default: white, red
    rgb555.width = 2;
    rgb555.height = 1;
    rgb555.bits = 16;
    rgb555.pixels = {0xFF, 0x7F, 0x00, 0x7C};
    RgbaImage image;
    ASSERT_TRUE(decode(rgb555.build(), image));
    EXPECT_EQ(image.pixels, (Bytes{255, 255, 255, 255, 255, 0, 0, 255}));

    // 16 bit 5:6:5 through bit fields after a 40-byte header.
    Bmp rgb565 = rgb555;
    rgb565.compression = 3;
    rgb565.table = {0xF800, 0x07E0, 0x001F};
    rgb565.pixels = {0xE0, 0x07, 0x1F, 0x00}; // green, blue
    ASSERT_TRUE(decode(rgb565.build(), image));
    EXPECT_EQ(image.pixels, (Bytes{0, 255, 0, 255, 0, 0, 255, 255}));

    // 32 bit without bit fields: a zero fourth byte is padding, not alpha.
    Bmp plain32 = rgb555;
    plain32.bits = 32;
    plain32.pixels = {1, 2, 3, 0, 4, 5, 6, 0};
    ASSERT_TRUE(decode(plain32.build(), image));
    EXPECT_FALSE(image.hasAlpha);
    EXPECT_EQ(pixel(image, 1, 0), (std::array<int, 4>{6, 5, 4, 255}));
    plain32.pixels[3] = 128;
    ASSERT_TRUE(decode(plain32.build(), image));
    EXPECT_TRUE(image.hasAlpha);
    EXPECT_EQ(pixel(image, 0, 0), (std::array<int, 4>{3, 2, 1, 128}));
    EXPECT_EQ(pixel(image, 1, 0)[3], 0);

    // V4 header with an alpha mask: alpha is taken as it stands, even zero.
    Bmp v4 = plain32;
    v4.infoSize = 108;
    v4.compression = 3;
    v4.headerMasks = {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF}; // unusual order on purpose
    v4.pixels = {10, 20, 30, 40, 0, 0, 0, 0};
    ASSERT_TRUE(decode(v4.build(), image));
    EXPECT_TRUE(image.hasAlpha);
    EXPECT_EQ(image.pixels, (Bytes{20, 30, 40, 10, 0, 0, 0, 0}));
}

TEST(ImageFileBmp, RefusesHostileHeaders) {
    auto refused = [](const Bytes& file, const char* what) {
        RgbaImage image;
        std::string message;
        EXPECT_FALSE(decode(file, image, &message)) << what;
        EXPECT_FALSE(message.empty()) << what;
        EXPECT_EQ(message.find('\n'), std::string::npos) << what;
        EXPECT_TRUE(image.pixels.empty()) << what;
    };
    Bmp base;
    base.pixels = Bytes(16, 0x80);
    struct Bad {
        const char* what;
        int32_t width, height;
        uint16_t bits;
        uint32_t compression, infoSize;
        std::vector<uint32_t> table;
    };
    const int32_t big = kMaxImageSide;
    for (const Bad& c : std::vector<Bad>{{"zero width", 0, 2, 24, 0, 40, {}},
                                         {"negative width", -2, 2, 24, 0, 40, {}},
                                         {"height INT_MIN", 2, INT32_MIN, 24, 0, 40, {}},
                                         {"too wide", big + 1, 2, 24, 0, 40, {}},
                                         {"too many pixels", big, big, 24, 0, 40, {}},
                                         {"odd depth", 2, 2, 7, 0, 40, {}},
                                         {"embedded jpeg", 2, 2, 24, 4, 40, {}},
                                         {"rle at 24 bits", 2, 2, 24, 1, 40, {}},
                                         {"mask beyond 16 bits", 2, 2, 16, 3, 40, {0x1F0000, 0x07E0, 0x001F}},
                                         {"header size", 2, 2, 24, 0, 41, {}},
                                         {"no colour table", 2, 2, 8, 0, 40, {}}}) {
        Bmp b = base;
        b.width = c.width, b.height = c.height, b.bits = c.bits, b.compression = c.compression;
        b.infoSize = c.infoSize, b.table = c.table;
        refused(b.build(), c.what);
    }
    Bytes offsetPastEnd = base.build();
    offsetPastEnd[10] = 0xF0;
    offsetPastEnd[11] = 0xFF;
    refused(offsetPastEnd, "offset past end");

    // Every truncation of valid files is refused, never read past the end.
    Bmp rle;
    rle.width = 4;
    rle.height = 2;
    rle.bits = 8;
    rle.compression = 1;
    rle.table = {0, 0xFFFFFF};
    rle.pixels = {4, 1, 0, 0, 0, 4, 1, 0, 0, 1};
    for (const Bytes& file : {base.build(), rle.build()}) {
        RgbaImage whole;
        ASSERT_TRUE(decode(file, whole));
        for (size_t length = 0; length + 2 < file.size(); ++length)
            refused(Bytes(file.begin(), file.begin() + static_cast<long>(length)), "truncated");
    }
}

TEST(ImageFileDds, DecodesDxtBlocksToKnownTexels) {
    // Red and blue end points, c0 > c1: four opaque colours. Texels 0..3 use
    // indices 0..3, every other texel index 0.
    Bytes fourColour = {0x00, 0xF8, 0x1F, 0x00, 0b11100100, 0, 0, 0};
    RgbaImage image;
    ASSERT_TRUE(decode(ddsFile(4, 4, kDdsFourCc, "DXT1", 0, {}, fourColour), image));
    EXPECT_FALSE(image.hasAlpha);
    EXPECT_EQ(firstPixels(image, 4), (Bytes{255, 0, 0, 255, 0, 0, 255, 255, 170, 0, 85, 255, 85, 0, 170, 255}));
    EXPECT_EQ(pixel(image, 3, 3), (std::array<int, 4>{255, 0, 0, 255}));

    // c0 <= c1: three colours and transparent black; a 2x3 picture uses the
    // top-left texels of its only block.
    Bytes threeColour = {0x1F, 0x00, 0x00, 0xF8, 0b11100100, 0, 0, 0};
    ASSERT_TRUE(decode(ddsFile(2, 3, kDdsFourCc, "DXT1", 0, {}, threeColour), image));
    ASSERT_EQ(image.width, 2);
    EXPECT_EQ(pixel(image, 1, 0), (std::array<int, 4>{255, 0, 0, 255}));
    ASSERT_TRUE(decode(ddsFile(4, 4, kDdsFourCc, "DXT1", 0, {}, threeColour), image));
    EXPECT_TRUE(image.hasAlpha);
    EXPECT_EQ(firstPixels(image, 4), (Bytes{0, 0, 255, 255, 255, 0, 0, 255, 127, 0, 127, 255, 0, 0, 0, 0}));

    // DXT3: explicit alpha nibbles 0x0, 0xF, 0x8, ...; colour always four-colour.
    Bytes dxt3 = {0xF0, 0x08, 0, 0, 0, 0, 0, 0};
    append(dxt3, threeColour);
    ASSERT_TRUE(decode(ddsFile(4, 4, kDdsFourCc, "DXT3", 0, {}, dxt3), image));
    EXPECT_TRUE(image.hasAlpha);
    EXPECT_EQ(firstPixels(image, 4), (Bytes{0, 0, 255, 0, 255, 0, 0, 255, 85, 0, 170, 136, 170, 0, 85, 0}));

    // DXT5: end points 255 and 0 (eight-value mode); texel indices 0, 1, 2, 7.
    Bytes dxt5 = {255, 0, 0b10001000, 0b00001110, 0, 0, 0, 0};
    append(dxt5, fourColour);
    ASSERT_TRUE(decode(ddsFile(4, 4, kDdsFourCc, "DXT5", 0, {}, dxt5), image));
    auto alphas = [&](int n) {
        std::vector<int> out;
        for (int x = 0; x < n; ++x) out.push_back(pixel(image, x, 0)[3]);
        return out;
    };
    EXPECT_EQ(alphas(4), (std::vector<int>{255, 0, 218, 36})); // (6 * 255) / 7, 255 / 7
    // Six-value mode: index 6 is 0 and 7 is 255.
    dxt5[0] = 0;
    dxt5[1] = 100;
    dxt5[2] = 0b10111110; // texel 0: 6, texel 1: 7, texel 2: 2
    dxt5[3] = 0;
    ASSERT_TRUE(decode(ddsFile(4, 4, kDdsFourCc, "DXT5", 0, {}, dxt5), image));
    EXPECT_EQ(alphas(3), (std::vector<int>{0, 255, 20}));
}

TEST(ImageFileDds, UncompressedMasksAndAlphaFlag) {
    Bytes bgr = {1, 2, 3, 4, 5, 6};
    RgbaImage image;
    ASSERT_TRUE(decode(ddsFile(2, 1, kDdsRgb, nullptr, 24, {0xFF0000, 0xFF00, 0xFF, 0}, bgr), image));
    EXPECT_FALSE(image.hasAlpha);
    EXPECT_EQ(pixel(image, 1, 0), (std::array<int, 4>{6, 5, 4, 255}));

    // 32-bit: the alpha mask counts only with the alpha flag.
    Bytes bgra = {1, 2, 3, 9};
    std::array<uint32_t, 4> masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    ASSERT_TRUE(decode(ddsFile(1, 1, kDdsRgb, nullptr, 32, masks, bgra), image));
    EXPECT_EQ(pixel(image, 0, 0), (std::array<int, 4>{3, 2, 1, 255}));
    EXPECT_FALSE(image.hasAlpha);
    ASSERT_TRUE(decode(ddsFile(1, 1, kDdsRgb | kDdsAlpha, nullptr, 32, masks, bgra), image));
    EXPECT_EQ(pixel(image, 0, 0), (std::array<int, 4>{3, 2, 1, 9}));
    EXPECT_TRUE(image.hasAlpha);

    // Only level 0 is read, whatever the mipmap count claims.
    ASSERT_TRUE(decode(ddsFile(1, 1, kDdsRgb, nullptr, 32, masks, bgra, 0, 0xFFFFFFFF), image));
}

TEST(ImageFileDds, RefusesOddFormatsAndTruncation) {
    std::array<uint32_t, 4> masks = {0xFF0000, 0xFF00, 0xFF, 0};
    Bytes block(8, 0);
    struct Case {
        Bytes file;
        const char* what;
    };
    std::vector<Case> cases = {
        {ddsFile(4, 4, kDdsFourCc, "DX10", 0, {}, Bytes(64, 0)), "DX10"},
        {ddsFile(4, 4, kDdsFourCc, "ATI2", 0, {}, Bytes(64, 0)), "ATI2"},
        {ddsFile(4, 4, kDdsFourCc, "DXT2", 0, {}, Bytes(64, 0)), "DXT2"},
        {ddsFile(4, 4, kDdsFourCc, "q\0\0\0", 0, {}, Bytes(64, 0)), "numeric format"},
        {ddsFile(4, 4, kDdsFourCc, "DXT1", 0, {}, block, 0x200), "cube map"},
        {ddsFile(4, 4, kDdsFourCc, "DXT1", 0, {}, block, 0x200000), "volume"},
        {ddsFile(0, 4, kDdsFourCc, "DXT1", 0, {}, block), "zero width"},
        {ddsFile(0x80000000u, 4, kDdsFourCc, "DXT1", 0, {}, block), "huge width"},
        {ddsFile(16384, 16384, kDdsFourCc, "DXT1", 0, {}, block), "too many pixels"},
        {ddsFile(8, 8, kDdsFourCc, "DXT1", 0, {}, block), "missing blocks"},
        {ddsFile(2, 2, kDdsRgb, nullptr, 12, masks, Bytes(16, 0)), "12 bits"},
        {ddsFile(2, 2, kDdsRgb, nullptr, 16, masks, Bytes(16, 0)), "mask beyond 16 bits"},
        {ddsFile(2, 2, kDdsRgb, nullptr, 32, {}, Bytes(16, 0)), "empty masks"},
        {ddsFile(2, 2, 0, nullptr, 32, masks, Bytes(16, 0)), "no format flags"},
        {ddsFile(2, 2, kDdsRgb, nullptr, 32, masks, Bytes(15, 0)), "short pixels"},
    };
    for (const Case& c : cases) {
        RgbaImage image;
        std::string message;
        EXPECT_FALSE(decode(c.file, image, &message)) << c.what;
        EXPECT_FALSE(message.empty()) << c.what;
    }
    Bytes good = ddsFile(4, 4, kDdsFourCc, "DXT5", 0, {}, Bytes(16, 0));
    for (size_t length = 4; length < good.size(); ++length) {
        RgbaImage image;
        EXPECT_FALSE(decode(Bytes(good.begin(), good.begin() + static_cast<long>(length)), image)) << length;
    }
}

TEST(ImageFilePfm, BothByteOrdersBottomUpAndClamped) {
    auto floats = [](std::initializer_list<float> values, bool littleEndian) {
        Bytes out;
        for (float v : values) {
            uint32_t bits = std::bit_cast<uint32_t>(v);
            for (int i = 0; i < 4; ++i) {
                int shift = littleEndian ? 8 * i : 24 - 8 * i;
                out.push_back(static_cast<unsigned char>(bits >> shift));
            }
        }
        return out;
    };
    for (bool little : {true, false}) {
        std::string header = little ? "PF\n1 2\n-1.0\n" : "PF\r\n1 2\r\n1.0\r\n";
        Bytes file(header.begin(), header.end());
        append(file, floats({0.0f, 0.5f, 1.0f, 2.0f, -1.0f, NAN}, little)); // bottom row, then top row
        RgbaImage image;
        std::string message;
        ASSERT_TRUE(decode(file, image, &message)) << message;
        EXPECT_FALSE(image.hasAlpha);
        EXPECT_EQ(pixel(image, 0, 0), (std::array<int, 4>{255, 0, 0, 255}));
        EXPECT_EQ(pixel(image, 0, 1), (std::array<int, 4>{0, 128, 255, 255}));
        file.pop_back();
        EXPECT_FALSE(decode(file, image));
    }
    std::string grey = "Pf 2 1 -1\n";
    Bytes file(grey.begin(), grey.end());
    append(file, floats({0.25f, 1.0f}, true));
    RgbaImage image;
    ASSERT_TRUE(decode(file, image));
    EXPECT_EQ(pixel(image, 0, 0), (std::array<int, 4>{64, 64, 64, 255}));
    for (const char* bad : {"PF\n0 1\n-1\n", "PF\n1 -1\n-1\n", "PF\n99999 1\n-1\n", "PF\n1 1\n0\n",
                            "PF\n1 1\nx\n", "PF\n1 1\n-1"}) {
        std::string text = std::string(bad) + std::string(12, '\0');
        EXPECT_FALSE(decode(Bytes(text.begin(), text.end()), image)) << bad;
    }
}

TEST(ImageFilePnm, SixteenBitSamplesAndTruncation) {
    // 16-bit samples are scaled to 8 bits; grey spreads over all channels.
    std::string grey = std::string("P5\n# comment\n2 1\n65535\n") + std::string("\xFF\xFF\x80\x00", 4);
    RgbaImage image;
    std::string message;
    ASSERT_TRUE(decode(Bytes(grey.begin(), grey.end()), image, &message)) << message;
    EXPECT_FALSE(image.hasAlpha);
    EXPECT_EQ(pixel(image, 0, 0), (std::array<int, 4>{255, 255, 255, 255}));
    EXPECT_EQ(pixel(image, 1, 0), (std::array<int, 4>{128, 128, 128, 255}));
    // Any maximum value scales to 0..255, in binary and plain files alike.
    std::string colour = std::string("P6 1 1 1023\n") + std::string("\x03\xFF\x00\x00\x02\x00", 6);
    ASSERT_TRUE(decode(Bytes(colour.begin(), colour.end()), image, &message)) << message;
    EXPECT_EQ(pixel(image, 0, 0), (std::array<int, 4>{255, 0, 128, 255}));
    std::string plain = "P3\n1 1\n15\n15 0 # red\n 5\n";
    ASSERT_TRUE(decode(Bytes(plain.begin(), plain.end()), image, &message)) << message;
    EXPECT_EQ(pixel(image, 0, 0), (std::array<int, 4>{255, 0, 85, 255}));
    // A short file is refused instead of being filled with stray memory.
    for (std::string file : {grey, colour, std::string("P6\n4 4\n255\n") + std::string(47, 'x')}) {
        file.pop_back();
        EXPECT_FALSE(decode(Bytes(file.begin(), file.end()), image, &message));
        EXPECT_NE(message.find("truncated"), std::string::npos) << message;
    }
}

TEST(ImageFileDetect, RefusesHostileOrUnknownContent) {
    TempDir dir;
    RgbaImage image;
    std::string message;
    for (std::string refused : {std::string(), std::string("This is plainly not a picture.\n"), std::string("GIF89a\x01\x00\x01\x00\x00\x00\x00", 13), std::string("P1\n1 1\n0\n"),
                                std::string("P6\n1 1\n0\n\0\0\0"), std::string("P611\t5\t511=)51")})
        EXPECT_FALSE(decode(Bytes(refused.begin(), refused.end()), image, &message) || message.empty()) << refused;

    // A PNG whose header claims 12000 x 12000 (within the side limit, beyond
    // the pixel limit) is refused before anything is allocated for it.
    Bytes png = encodeToBytes(dir, "big.png", pattern(2, 2, false));
    ASSERT_GT(png.size(), 24u);
    png[16] = png[20] = 0;
    png[17] = png[21] = 0;
    png[18] = png[22] = 0x2E;
    png[19] = png[23] = 0xE0;
    EXPECT_FALSE(decode(png, image, &message));
    EXPECT_NE(message.find("too large"), std::string::npos) << message;

    // Truncated compressed files give false, never garbage success or a crash.
    for (const char* name : {"t.png", "t.jpg", "t.tga"}) {
        Bytes file = encodeToBytes(dir, name, pattern(16, 16, true));
        for (size_t length : {size_t(1), size_t(8), size_t(30), file.size() / 2}) {
            Bytes cut(file.begin(), file.begin() + static_cast<long>(length));
            RgbaImage partial;
            if (decode(cut, partial)) {
                EXPECT_EQ(partial.pixels.size(), static_cast<size_t>(partial.width) * partial.height * 4);
            }
        }
    }
}
