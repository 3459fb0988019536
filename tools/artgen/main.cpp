// plastora_artgen: writes the program's pictures and 3D models into an
// application folder, or draws all of them on one page for review.
//
//   plastora_artgen <application folder>
//   plastora_artgen --sheet <page.png>
#include "contact_sheet.h"
#include "manifest.h"

#include <cstdio>
#include <string>

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: plastora_artgen <application folder>\n"
                 "       plastora_artgen --sheet <page.png>\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    bool sheet = argc == 3 && std::string(argv[1]) == "--sheet";
    if (argc != 2 && !sheet) return usage();

    std::vector<artgen::ArtEntry> entries = artgen::artManifest();
    std::string error;
    bool written = sheet ? artgen::writeContactSheet(entries, argv[2], error)
                         : artgen::writeAll(argv[1], entries, error);
    if (!written) {
        std::fprintf(stderr, "plastora_artgen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
