#include "render/font_lookup.h"

#include <fontconfig/fontconfig.h>

namespace {

// Releases a fontconfig pattern when it goes out of scope.
struct PatternHolder {
    FcPattern* pattern;
    ~PatternHolder() {
        if (pattern != nullptr) FcPatternDestroy(pattern);
    }
};

String patternString(FcPattern* pattern, const char* object) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, 0, &value) != FcResultMatch || value == nullptr) return String();
    return String(reinterpret_cast<const char*>(value));
}

}  // namespace

bool findFontFile(const String& face, bool italic, FontFile& file, String& error) {
    if (FcInit() != FcTrue) {
        error = "The font configuration could not be loaded";
        return false;
    }
    PatternHolder request{FcPatternCreate()};
    if (request.pattern == nullptr) {
        error = "Out of memory while looking up a font";
        return false;
    }
    FcPatternAddString(request.pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.text()));
    FcPatternAddInteger(request.pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(request.pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, request.pattern, FcMatchPattern);
    FcDefaultSubstitute(request.pattern);

    FcResult result = FcResultNoMatch;
    PatternHolder match{FcFontMatch(nullptr, request.pattern, &result)};
    if (match.pattern == nullptr) {
        error = String("No installed font can stand in for ").append(face);
        return false;
    }
    String path = patternString(match.pattern, FC_FILE);
    if (path.length() == 0) {
        error = String("The font found for ").append(face).append(String(" has no file"));
        return false;
    }
    int index = 0;
    if (FcPatternGetInteger(match.pattern, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
    int slant = FC_SLANT_ROMAN;
    if (FcPatternGetInteger(match.pattern, FC_SLANT, 0, &slant) != FcResultMatch) slant = FC_SLANT_ROMAN;

    file.path = path;
    file.faceIndex = index;
    file.family = patternString(match.pattern, FC_FAMILY);
    file.italic = slant != FC_SLANT_ROMAN;
    return true;
}
