// Entry point of Plastora: dispatches the command line.
#include <cstdio>
#include <cstring>

namespace {

void printUsage(FILE* out) {
    std::fprintf(out,
                 "usage: plastora [--version] [--help]\n"
                 "  --version   print the version and exit\n"
                 "  --help      print this text and exit\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Plastora %s\n", PLASTORA_VERSION);
        return 0;
    }
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        printUsage(stdout);
        return 0;
    }
    if (argc >= 2) {
        std::fprintf(stderr, "plastora: unknown argument '%s'\n", argv[1]);
        printUsage(stderr);
        return 2;
    }
    std::fprintf(stderr, "plastora: the interactive window is not part of this build yet\n");
    printUsage(stderr);
    return 1;
}
