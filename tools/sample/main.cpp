// plastora_sample: renders the sample object from several sides and writes
// the sample project that places each picture where it was taken.
//
//   plastora_sample <folder>
#include "sample_project.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: plastora_sample <folder>\n");
        return 2;
    }
    std::string error;
    if (!sample::writeSampleProject(argv[1], error)) {
        std::fprintf(stderr, "plastora_sample: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
