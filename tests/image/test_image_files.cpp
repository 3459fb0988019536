// Reading and writing picture files through Image.
#include "image/image.h"

#include "render/image_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using testsupport::readBytes;
using testsupport::TempDir;
using testsupport::writeBytes;

void put16(Bytes& out, uint32_t v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}

void put32(Bytes& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// File header plus a 40-byte info header; `paletteEntries` four-byte palette
// entries follow before the pixels.
Bytes bmpHeader(int32_t width, int32_t height, int bits, int paletteEntries = 0, uint32_t compression = 0) {
    Bytes b = {'B', 'M'};
    put32(b, 0);
    put32(b, 0);
    put32(b, 54 + 4 * paletteEntries);
    put32(b, 40);
    put32(b, static_cast<uint32_t>(width));
    put32(b, static_cast<uint32_t>(height));
    put16(b, 1);
    put16(b, static_cast<uint32_t>(bits));
    put32(b, compression);
    for (int i = 0; i < 5; ++i) put32(b, 0);
    return b;
}

Image patterned(int w, int h) {
    Image image(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.setPixel(x, y, Rgb{static_cast<unsigned char>(x * 40), static_cast<unsigned char>(y * 50),
                                     static_cast<unsigned char>(200 - x * 10 - y)});
        }
    }
    return image;
}

String path(const TempDir& dir, const char* name) { return String(dir.file(name).c_str()); }

TEST(BmpWriter, StreamMatchesTheHandBuiltLayoutByteForByte) {
    Image image(3, 2);
    image.setPixel(0, 0, Rgb{1, 2, 3});
    image.setPixel(2, 0, Rgb{4, 5, 6});
    image.setPixel(1, 1, Rgb{7, 8, 9});

    Bytes expected = bmpHeader(3, 2, 24);
    // Bottom row first, blue green red, 3 padding bytes (width mod 4).
    Bytes bottom = {0, 0, 0, 9, 8, 7, 0, 0, 0, 0, 0, 0};
    Bytes top = {3, 2, 1, 0, 0, 0, 6, 5, 4, 0, 0, 0};
    expected.insert(expected.end(), bottom.begin(), bottom.end());
    expected.insert(expected.end(), top.begin(), top.end());
    EXPECT_EQ(image.encodeBmp(), expected);

    TempDir dir;
    const std::string old(60, 'x');  // longer than the picture's stream
    ASSERT_TRUE(writeBytes(dir.file("out.bmp"), old.data(), old.size()));
    ASSERT_TRUE(image.saveToFile(path(dir, "out.bmp")));
    EXPECT_EQ(readBytes(dir.file("out.bmp")), expected);
    EXPECT_TRUE(Image(path(dir, "out.bmp")).equals(image));
}

TEST(BmpWriter, EveryWidthRoundTripsThroughTheOwnReader) {
    TempDir dir;
    for (int width = 1; width <= 5; ++width) {
        Image image = patterned(width, 3);
        ASSERT_TRUE(image.saveToFile(path(dir, "w.bmp")));
        Image back(path(dir, "w.bmp"));
        EXPECT_TRUE(back.equals(image)) << width;
        EXPECT_EQ(back.loadError().length(), 0);
        EXPECT_TRUE(back.name().equals(path(dir, "w.bmp")));
    }
}

TEST(BmpReader, ReadsHandBuilt24And8BitFiles) {
    TempDir dir;
    Bytes rgb = bmpHeader(2, 2, 24);
    Bytes rows = {10, 20, 30, 40, 50, 60, 0, 0,   // bottom row, 2 padding bytes
                  70, 80, 90, 11, 12, 13, 0, 0};  // top row
    rgb.insert(rgb.end(), rows.begin(), rows.end());
    ASSERT_TRUE(writeBytes(dir.file("rgb.bmp"), rgb.data(), rgb.size()));
    Image colour(path(dir, "rgb.bmp"));
    ASSERT_TRUE(colour.isValid());
    EXPECT_EQ(colour.pixel(0, 1), (Rgb{30, 20, 10}));
    EXPECT_EQ(colour.pixel(1, 1), (Rgb{60, 50, 40}));
    EXPECT_EQ(colour.pixel(0, 0), (Rgb{90, 80, 70}));
    EXPECT_EQ(colour.pixel(1, 0), (Rgb{13, 12, 11}));

    // 8 bits: the index is the grey value; the palette is not consulted.
    Bytes grey = bmpHeader(3, 2, 8, 256);
    for (int i = 0; i < 256; ++i) put32(grey, 0x00FF0000);
    Bytes greyRows = {1, 2, 3, 0, 4, 5, 6, 0};
    grey.insert(grey.end(), greyRows.begin(), greyRows.end());
    ASSERT_TRUE(writeBytes(dir.file("grey.bmp"), grey.data(), grey.size()));
    Image mask(path(dir, "grey.bmp"));
    ASSERT_TRUE(mask.isValid());
    EXPECT_EQ(mask.pixel(0, 1), (Rgb{1, 1, 1}));
    EXPECT_EQ(mask.pixel(2, 0), (Rgb{6, 6, 6}));

    // A top-down file (negative height) keeps its row order.
    Bytes topDown = bmpHeader(2, -2, 24);
    topDown.insert(topDown.end(), rows.begin(), rows.end());
    ASSERT_TRUE(writeBytes(dir.file("down.bmp"), topDown.data(), topDown.size()));
    EXPECT_EQ(Image(path(dir, "down.bmp")).pixel(0, 0), (Rgb{30, 20, 10}));
}

TEST(BmpReader, OtherDepthsGiveTheRedPlaceholder) {
    TempDir dir;
    Bytes deep = bmpHeader(2, 2, 16);
    deep.resize(deep.size() + 8, 0x7F);
    ASSERT_TRUE(writeBytes(dir.file("deep.bmp"), deep.data(), deep.size()));
    Image image(path(dir, "deep.bmp"));
    ASSERT_TRUE(image.isValid());
    ASSERT_EQ(image.width(), 128);
    ASSERT_EQ(image.height(), 128);
    for (int y = 0; y < 128; y += 17) {
        for (int x = 0; x < 128; x += 13) ASSERT_EQ(image.pixel(x, y), (Rgb{255, 0, 0}));
    }
    EXPECT_GT(image.loadError().length(), 0);
}

TEST(BmpReader, HostileFilesGiveAnInvalidImageWithAReason) {
    TempDir dir;
    struct Case {
        const char* what;
        Bytes bytes;
    };
    Bytes truncated = bmpHeader(4, 4, 24);
    truncated.resize(truncated.size() + 47);  // one byte short of 4 rows of 12
    Bytes giant = bmpHeader(16384, 16384, 24);  // needs 805 MB that are not there
    Bytes tooWide = bmpHeader(20000, 1, 24);
    tooWide.resize(tooWide.size() + 60000);
    Bytes zero = bmpHeader(0, 5, 24);
    Bytes negativeWidth = bmpHeader(-3, 2, 24);
    negativeWidth.resize(negativeWidth.size() + 64);
    Bytes minHeight = bmpHeader(1, INT32_MIN, 8);
    Bytes badOffset = bmpHeader(1, 1, 24);
    badOffset[10] = 0xF0;
    badOffset[13] = 0x7F;
    badOffset.resize(badOffset.size() + 4);
    Bytes rle = bmpHeader(2, 2, 8, 0, 1);
    rle.resize(rle.size() + 16);
    Bytes headerOnly = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0};
    Bytes notBmp = {'P', '6', '\n'};
    std::vector<Case> cases = {{"truncated", truncated}, {"giant", giant},           {"too wide", tooWide},
                               {"zero", zero},           {"negative", negativeWidth}, {"min height", minHeight},
                               {"offset", badOffset},    {"rle", rle},               {"header only", headerOnly},
                               {"not bmp", notBmp},      {"empty", {}}};
    for (const Case& c : cases) {
        ASSERT_TRUE(writeBytes(dir.file("bad.bmp"), c.bytes.data(), c.bytes.size()));
        Image image(path(dir, "bad.bmp"));
        EXPECT_FALSE(image.isValid()) << c.what;
        EXPECT_EQ(image.width(), 0) << c.what;
        EXPECT_GT(image.loadError().length(), 0) << c.what;
    }
    Image missing(path(dir, "missing.bmp"));
    EXPECT_FALSE(missing.isValid());
    EXPECT_TRUE(missing.name().equals(path(dir, "missing.bmp")));
}

TEST(PictureLoader, NamesNotEndingInLowerCaseBmpUseTheDecoder) {
    TempDir dir;
    // An 8-bit file whose palette maps every index to red: the own reader
    // shows the index as grey, the decoder applies the palette.
    Bytes file = bmpHeader(1, 1, 8, 256);
    for (int i = 0; i < 256; ++i) put32(file, 0x00FF0000);
    Bytes pixel = {9, 0, 0, 0};
    file.insert(file.end(), pixel.begin(), pixel.end());
    ASSERT_TRUE(writeBytes(dir.file("a.bmp"), file.data(), file.size()));
    ASSERT_TRUE(writeBytes(dir.file("a.BMP"), file.data(), file.size()));
    EXPECT_EQ(Image(path(dir, "a.bmp")).pixel(0, 0), (Rgb{9, 9, 9}));
    EXPECT_EQ(Image(path(dir, "a.BMP")).pixel(0, 0), (Rgb{255, 0, 0}));
}

TEST(PictureLoader, UndecodableFilesGiveTheLargeRedPlaceholder) {
    TempDir dir;
    ASSERT_TRUE(testsupport::writeText(dir.file("broken.png"), "this is no picture"));
    Image alpha(4, 4);
    Image image(path(dir, "broken.png"), &alpha);
    ASSERT_TRUE(image.isValid());
    EXPECT_EQ(image.width(), 256);
    EXPECT_EQ(image.pixel(255, 255), (Rgb{255, 0, 0}));
    EXPECT_GT(image.loadError().length(), 0);
    EXPECT_FALSE(alpha.isValid());
}

TEST(PictureLoader, AlphaChannelComesBackAsGreyImage) {
    TempDir dir;
    RgbaImage rgba;
    rgba.width = 3;
    rgba.height = 2;
    rgba.hasAlpha = true;
    rgba.pixels = {1, 2, 3, 0,   4, 5, 6, 100, 7, 8, 9, 255,
                   0, 0, 0, 255, 9, 9, 9, 7,   5, 5, 5, 0};
    String error;
    ASSERT_TRUE(encodeImageFile(path(dir, "alpha.png"), rgba, error)) << error.text();
    Image alpha;
    Image colour(path(dir, "alpha.png"), &alpha);
    ASSERT_TRUE(alpha.isValid());
    EXPECT_EQ(colour.pixel(1, 0), (Rgb{4, 5, 6}));
    EXPECT_EQ(alpha.pixel(1, 0), (Rgb{100, 100, 100}));
    EXPECT_EQ(alpha.pixel(1, 1), (Rgb{7, 7, 7}));
    EXPECT_EQ(alpha.pixel(0, 0), (Rgb{0, 0, 0}));

    // An opaque file has no alpha image.
    Image opaque = patterned(3, 2);
    ASSERT_TRUE(opaque.saveToFile(path(dir, "opaque.ppm")));
    Image noAlpha(1, 1);
    Image back(path(dir, "opaque.ppm"), &noAlpha);
    EXPECT_TRUE(back.equals(opaque));
    EXPECT_FALSE(noAlpha.isValid());
}

// The first bytes that identify each written format.
struct FormatCase {
    const char* name;
    std::string magic;
    bool lossless;
};

TEST(PictureWriter, EachExtensionWritesItsOwnFormat) {
    TempDir dir;
    Image image = patterned(5, 4);
    const FormatCase cases[] = {
        {"pic.png", "\x89PNG", true}, {"pic.jpg", "\xFF\xD8", false}, {"pic.ppm", "P6", true},
        {"pic.dds", "DDS ", true},    {"pic.dib", "BM", true},        {"pic.tga", "", true},
        {"PIC.PNG", "\x89PNG", true}, {"pic.BMP", "BM", true},
    };
    for (const FormatCase& c : cases) {
        ASSERT_TRUE(image.saveToFile(path(dir, c.name))) << c.name;
        Bytes bytes = readBytes(dir.file(c.name));
        ASSERT_GE(bytes.size(), c.magic.size()) << c.name;
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + static_cast<long>(c.magic.size())), c.magic) << c.name;
        RgbaImage decoded;
        String error;
        ASSERT_TRUE(decodeImageFile(path(dir, c.name), decoded, error)) << c.name << ": " << error.text();
        ASSERT_EQ(decoded.width, 5);
        ASSERT_EQ(decoded.height, 4);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 5; ++x) {
                const unsigned char* p = &decoded.pixels[(y * 5 + x) * 4];
                Rgb want = image.pixel(x, y);
                int tolerance = c.lossless ? 0 : 40;
                EXPECT_NEAR(p[0], want.red, tolerance) << c.name << " " << x << "," << y;
                EXPECT_NEAR(p[1], want.green, tolerance) << c.name;
                EXPECT_NEAR(p[2], want.blue, tolerance) << c.name;
            }
        }
    }
    // A BMP name always gets the project's own 24-bit stream.
    EXPECT_EQ(readBytes(dir.file("pic.BMP")), image.encodeBmp());
}

TEST(PictureWriter, FailuresAreReportedAndLeaveNoFile) {
    TempDir dir;
    Image image = patterned(2, 2);
    EXPECT_FALSE(image.saveToFile(path(dir, "pic.xyz")));
    EXPECT_FALSE(testsupport::fileExists(dir.file("pic.xyz")));
    EXPECT_FALSE(image.saveToFile(path(dir, "noextension")));
    EXPECT_FALSE(Image().saveToFile(path(dir, "empty.bmp")));
    EXPECT_FALSE(testsupport::fileExists(dir.file("empty.bmp")));
    EXPECT_FALSE(image.saveToFile(path(dir, "missing/folder/pic.bmp")));
    EXPECT_FALSE(image.saveToFile(path(dir, "missing/folder/pic.png")));
    EXPECT_FALSE(image.saveToFileWithAlpha(path(dir, "pic.png"), Image(3, 2)));
}

TEST(PictureWriter, MaskBecomesTheAlphaChannel) {
    TempDir dir;
    Image image = patterned(4, 3);
    Image mask(4, 3);
    mask.setPixel(1, 1, Rgb{200, 200, 200});
    ASSERT_TRUE(image.saveToFileWithAlpha(path(dir, "masked.png"), mask));
    Image alpha;
    Image back(path(dir, "masked.png"), &alpha);
    EXPECT_TRUE(back.equals(image));
    ASSERT_TRUE(alpha.isValid());
    EXPECT_EQ(alpha.pixel(1, 1), (Rgb{200, 200, 200}));
    EXPECT_EQ(alpha.pixel(2, 1), (Rgb{0, 0, 0}));
}

}  // namespace
