// Picture files: recognising the format by content, dispatching to the
// codecs, and writing through a temporary file.
#include "render/image_file.h"

#include "core/file_io.h"
#include "render/image_codecs.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include <sys/stat.h>

namespace {

enum class FileKind { Bmp, Dds, Pfm, Pnm, Jpeg, Stb, Refused, Unknown };

struct Recognised {
    FileKind kind = FileKind::Unknown;
    const char* format = "TGA"; // name for messages; TGA has no signature
    const char* refusal = nullptr;
};

bool startsWith(const unsigned char* bytes, size_t count, const char* prefix, size_t length) {
    return count >= length && std::memcmp(bytes, prefix, length) == 0;
}

bool isPnmSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

Recognised recognise(const unsigned char* bytes, size_t count) {
    using namespace imagecodec;
    if (looksLikeDds(bytes, count)) return {FileKind::Dds, "DDS"};
    if (looksLikePfm(bytes, count)) return {FileKind::Pfm, "PFM"};
    if (looksLikeBmp(bytes, count)) return {FileKind::Bmp, "BMP"};
    if (startsWith(bytes, count, "\x89PNG\r\n\x1a\n", 8)) return {FileKind::Stb, "PNG"};
    if (startsWith(bytes, count, "\xFF\xD8", 2)) return {FileKind::Jpeg, "JPEG"};
    if (startsWith(bytes, count, "#?RADIANCE", 10) || startsWith(bytes, count, "#?RGBE", 6))
        return {FileKind::Stb, "HDR"};
    // The library would take any "P5" or "P6" start for its own (faulty)
    // reader; whatever reaches it unrecognised is meant to be tried as TGA.
    if (looksLikePnm(bytes, count)) return {FileKind::Pnm, "PPM"};
    if (count >= 3 && bytes[0] == 'P' && (bytes[1] == '1' || bytes[1] == '4') && isPnmSpace(bytes[2]))
        return {FileKind::Refused, "PBM", "PBM bitmaps (P1, P4) are not supported"};
    // Formats the library could decode but the program does not offer. Each
    // test is at least as wide as the library's own.
    if (startsWith(bytes, count, "GIF8", 4)) return {FileKind::Refused, "GIF", "GIF pictures are not supported"};
    if (startsWith(bytes, count, "8BPS", 4)) return {FileKind::Refused, "PSD", "PSD pictures are not supported"};
    if (startsWith(bytes, count, "\x53\x80\xF6\x34", 4))
        return {FileKind::Refused, "PIC", "PIC pictures are not supported"};
    return {};
}

bool decodeRecognised(const unsigned char* bytes, size_t count, RgbaImage& image, std::string& error) {
    Recognised found = recognise(bytes, count);
    switch (found.kind) {
    case FileKind::Bmp: return imagecodec::decodeBmp(bytes, count, image, error);
    case FileKind::Dds: return imagecodec::decodeDds(bytes, count, image, error);
    case FileKind::Pfm: return imagecodec::decodePfm(bytes, count, image, error);
    case FileKind::Pnm: return imagecodec::decodePnm(bytes, count, image, error);
    case FileKind::Jpeg: return imagecodec::decodeJpeg(bytes, count, image, error);
    case FileKind::Stb: return imagecodec::decodeWithStb(bytes, count, found.format, false, image, error);
    case FileKind::Unknown: return imagecodec::decodeWithStb(bytes, count, found.format, true, image, error);
    case FileKind::Refused: break;
    }
    error = found.refusal;
    return false;
}

bool sizeOfRecognised(const unsigned char* bytes, size_t count, int& width, int& height, std::string& error) {
    Recognised found = recognise(bytes, count);
    switch (found.kind) {
    case FileKind::Bmp: return imagecodec::readBmpSize(bytes, count, width, height, error);
    case FileKind::Dds: return imagecodec::readDdsSize(bytes, count, width, height, error);
    case FileKind::Pfm: return imagecodec::readPfmSize(bytes, count, width, height, error);
    case FileKind::Pnm: return imagecodec::readPnmSize(bytes, count, width, height, error);
    case FileKind::Jpeg: return imagecodec::readJpegSize(bytes, count, width, height, error);
    case FileKind::Stb: return imagecodec::readStbSize(bytes, count, found.format, false, width, height, error);
    case FileKind::Unknown: return imagecodec::readStbSize(bytes, count, found.format, true, width, height, error);
    case FileKind::Refused: break;
    }
    error = found.refusal;
    return false;
}

// Up to `limit` bytes from the start of a regular file; `whole` tells whether
// that was the complete file.
bool readFileStart(const String& path, size_t limit, std::vector<unsigned char>& bytes, bool& whole) {
    struct stat info;
    if (::stat(path.text(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    std::FILE* file = std::fopen(path.text(), "rb");
    if (!file) return false;
    size_t size = static_cast<size_t>(info.st_size);
    bytes.resize(size < limit ? size : limit);
    size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    if (got != bytes.size()) return false;
    whole = size <= limit;
    return true;
}

enum class WriteFormat { None, Bmp, Dds, Jpeg, Png, Ppm, Tga };

WriteFormat formatForName(const String& path) {
    std::string name = path.str();
    size_t slash = name.rfind('/');
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return WriteFormat::None;
    std::string ext = name.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (ext == "bmp" || ext == "dib") return WriteFormat::Bmp;
    if (ext == "dds") return WriteFormat::Dds;
    if (ext == "jpg" || ext == "jpeg") return WriteFormat::Jpeg;
    if (ext == "png") return WriteFormat::Png;
    if (ext == "ppm") return WriteFormat::Ppm;
    if (ext == "tga") return WriteFormat::Tga;
    return WriteFormat::None;
}

bool checkImageForWriting(const RgbaImage& image, std::string& error) {
    if (image.width <= 0 || image.height <= 0) {
        error = "The picture is empty";
        return false;
    }
    std::string limitReason;
    if (!imagecodec::checkDimensions(image.width, image.height, "Picture", limitReason)) {
        error = "The picture is too large to write";
        return false;
    }
    size_t expected = static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 4;
    if (image.pixels.size() != expected) {
        error = "Picture pixel buffer does not match its size";
        return false;
    }
    return true;
}

bool encodeToMemory(WriteFormat format, const RgbaImage& image, std::vector<unsigned char>& out) {
    constexpr int kJpegQuality = 90;
    switch (format) {
    case WriteFormat::Bmp: imagecodec::encodeBmp(image, out); return true;
    case WriteFormat::Dds: imagecodec::encodeDds(image, out); return true;
    case WriteFormat::Ppm: imagecodec::encodePpm(image, out); return true;
    case WriteFormat::Jpeg: return imagecodec::encodeJpeg(image, kJpegQuality, out);
    case WriteFormat::Png: return imagecodec::encodePng(image, out);
    case WriteFormat::Tga: return imagecodec::encodeTga(image, out);
    case WriteFormat::None: break;
    }
    return false;
}

} // namespace

bool decodeImageMemory(const unsigned char* bytes, size_t count, RgbaImage& image, String& error) {
    image = RgbaImage{};
    std::string reason;
    bool ok = false;
    if (!bytes || count == 0) {
        reason = "The file is empty";
    } else {
        try {
            ok = decodeRecognised(bytes, count, image, reason);
        } catch (const std::bad_alloc&) {
            reason = "Not enough memory to decode the picture";
            ok = false;
        }
    }
    if (!ok) {
        image = RgbaImage{};
        error = String(reason.c_str());
    }
    return ok;
}

bool decodeImageFile(const String& path, RgbaImage& image, String& error) {
    // No picture within the size limits needs more than the stb library can
    // take in one piece (2 GiB); larger files are not read into memory.
    struct stat info;
    if (::stat(path.text(), &info) == 0 && info.st_size > INT_MAX) {
        image = RgbaImage{};
        error = String("The file is too large for a picture");
        return false;
    }
    std::vector<unsigned char> bytes;
    if (!readFile(path, bytes)) {
        image = RgbaImage{};
        error = String("Cannot read the file");
        return false;
    }
    return decodeImageMemory(bytes.data(), bytes.size(), image, error);
}

namespace {

// The picture's bytes, or false with the reason.
bool readPictureFile(const String& path, std::vector<unsigned char>& bytes, String& error) {
    struct stat info;
    if (::stat(path.text(), &info) == 0 && info.st_size > INT_MAX) {
        error = String("The file is too large for a picture");
        return false;
    }
    if (!readFile(path, bytes) || bytes.empty()) {
        error = String(bytes.empty() ? "The file is empty or cannot be read" : "Cannot read the file");
        return false;
    }
    return true;
}

}  // namespace

bool decodeImageFileRgb(const String& path, const std::function<unsigned char*(int, int)>& rgbBuffer,
                        std::vector<unsigned char>& alpha, String& error) {
    alpha.clear();
    std::vector<unsigned char> bytes;
    if (!readPictureFile(path, bytes, error)) return false;
    try {
        if (recognise(bytes.data(), bytes.size()).kind == FileKind::Jpeg) {
            std::string reason;
            if (imagecodec::decodeJpegRgb(bytes.data(), bytes.size(), rgbBuffer, reason)) return true;
            if (!reason.empty()) {
                error = String(reason.c_str());
                return false;
            }
        }
        RgbaImage image;
        if (!decodeImageMemory(bytes.data(), bytes.size(), image, error)) return false;
        unsigned char* out = rgbBuffer(image.width, image.height);
        if (out == nullptr) {
            error = String("The picture's size cannot be taken");
            return false;
        }
        const size_t pixels = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
        for (size_t i = 0; i < pixels; ++i) {
            out[i * 3] = image.pixels[i * 4];
            out[i * 3 + 1] = image.pixels[i * 4 + 1];
            out[i * 3 + 2] = image.pixels[i * 4 + 2];
        }
        if (image.hasAlpha) {
            alpha.resize(pixels);
            for (size_t i = 0; i < pixels; ++i) alpha[i] = image.pixels[i * 4 + 3];
        }
        return true;
    } catch (const std::bad_alloc&) {
        error = String("Not enough memory to decode the picture");
        return false;
    }
}

bool readImageSize(const String& path, int& width, int& height, String& error) {
    // Headers sit at the start; a JPEG may keep large metadata before its
    // size, so the whole file is read if the first part does not tell.
    constexpr size_t kHeaderPart = 1 << 20;
    std::vector<unsigned char> bytes;
    bool whole = false;
    if (!readFileStart(path, kHeaderPart, bytes, whole)) {
        error = String("Cannot read the file");
        return false;
    }
    if (bytes.empty()) {
        error = String("The file is empty");
        return false;
    }
    std::string reason;
    bool ok = false;
    try {
        ok = sizeOfRecognised(bytes.data(), bytes.size(), width, height, reason);
        if (!ok && !whole) {
            if (!readFile(path, bytes)) {
                error = String("Cannot read the file");
                return false;
            }
            ok = sizeOfRecognised(bytes.data(), bytes.size(), width, height, reason);
        }
    } catch (const std::bad_alloc&) {
        reason = "Not enough memory to read the file";
        ok = false;
    }
    if (!ok) error = String(reason.c_str());
    return ok;
}

bool readImageSizeMemory(const unsigned char* bytes, size_t count, int& width, int& height, String& error) {
    if (!bytes || count == 0) {
        error = String("The file is empty");
        return false;
    }
    std::string reason;
    if (sizeOfRecognised(bytes, count, width, height, reason)) return true;
    error = String(reason.c_str());
    return false;
}

bool encodeImageFile(const String& path, const RgbaImage& image, String& error) {
    WriteFormat format = formatForName(path);
    if (format == WriteFormat::None) {
        error = String("Unknown picture type: use .bmp, .dds, .dib, .jpg, .png, .ppm or .tga");
        return false;
    }
    std::string reason;
    if (!checkImageForWriting(image, reason)) {
        error = String(reason.c_str());
        return false;
    }
    std::vector<unsigned char> bytes;
    bool encoded = false;
    try {
        encoded = encodeToMemory(format, image, bytes);
    } catch (const std::bad_alloc&) {
        encoded = false;
    }
    if (!encoded || bytes.size() > static_cast<size_t>(INT_MAX)) {
        error = String("Cannot encode the picture");
        return false;
    }
    if (!replaceFile(path, bytes.data(), static_cast<int>(bytes.size()))) {
        error = String("Cannot write the file");
        return false;
    }
    return true;
}

bool isWritableImageName(const String& path) { return formatForName(path) != WriteFormat::None; }
