// plastora_sample: renders the sample object from several sides and writes
// the sample project that places each picture where it was taken; or writes
// turntable photographs of it.
//
//   plastora_sample <folder>
//   plastora_sample --turntable COUNT ELEVATION <folder>
#include "sample_project.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    std::string error;
    if (argc == 5 && std::strcmp(argv[1], "--turntable") == 0) {
        const int count = std::atoi(argv[2]);
        const float elevation = static_cast<float>(std::atof(argv[3]));
        if (count < 1 || count > 360 || elevation < -90.0f || elevation > 90.0f) {
            std::fprintf(stderr, "plastora_sample: COUNT is 1 to 360, ELEVATION -90 to 90\n");
            return 2;
        }
        if (!sample::writeTurntablePictures(argv[4], count, elevation, error)) {
            std::fprintf(stderr, "plastora_sample: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: plastora_sample <folder>\n"
                             "       plastora_sample --turntable COUNT ELEVATION <folder>\n");
        return 2;
    }
    if (!sample::writeSampleProject(argv[1], error)) {
        std::fprintf(stderr, "plastora_sample: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
