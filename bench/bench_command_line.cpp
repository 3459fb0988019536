// The command line's two targets:
//  - "plastora import --turntable" of twenty 4000 x 3000 JPEG photographs,
//    against libjpeg-turbo decoding the same files alone (both on every
//    core, measured in the same iteration; the counter "ratio" is import
//    time over decoding time, target <= 1.5). The photographs are made when
//    the benchmark starts, in a temporary folder, and removed at its end.
//  - writing a one-million-triangle textured .glb (target <= 0.5 s).
#include "app/command_import.h"
#include "image/image.h"
#include "sculpt/mesh_export.h"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPhotos = 20;
constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// A scratch folder removed at exit.
struct Scratch {
    Scratch() {
        char name[] = "/tmp/plastora_bench_XXXXXX";
        path = ::mkdtemp(name) != nullptr ? name : "";
    }
    // PLASTORA_BENCH_KEEP=1 keeps the folder (its path is printed) for a
    // closer look at the files.
    ~Scratch() {
        std::error_code error;
        if (std::getenv("PLASTORA_BENCH_KEEP") != nullptr) {
            std::fprintf(stderr, "kept %s\n", path.c_str());
        } else if (!path.empty()) {
            std::filesystem::remove_all(path, error);
        }
    }
    std::string path;
};

Scratch& scratch() {
    static Scratch folder;
    return folder;
}

// A photograph-like picture: soft light over the frame, an object in the
// middle, and sensor noise (so that the file has a photograph's entropy).
std::vector<unsigned char> photograph(int seed) {
    std::vector<unsigned char> rgb(static_cast<std::size_t>(kWidth) * kHeight * 3);
    std::mt19937 random(static_cast<unsigned>(seed));
    std::normal_distribution<float> noise(0.0f, 6.0f);
    const float turn = 0.3f * static_cast<float>(seed);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const float dx = (static_cast<float>(x) - kWidth * 0.5f) / kHeight;
            const float dy = (static_cast<float>(y) - kHeight * 0.55f) / kHeight;
            const bool object = dx * dx * 1.6f + dy * dy < 0.09f;
            const float shade = 0.5f + 0.4f * std::sin(6.0f * dx + turn) * std::cos(4.0f * dy);
            float colour[3] = {object ? 190.0f * shade + 40.0f : 200.0f - 50.0f * dy,
                               object ? 60.0f * shade + 20.0f : 198.0f - 50.0f * dy,
                               object ? 40.0f + 30.0f * shade : 205.0f - 40.0f * dy};
            unsigned char* p = &rgb[(static_cast<std::size_t>(y) * kWidth + x) * 3];
            for (int c = 0; c < 3; ++c) p[c] = static_cast<unsigned char>(std::clamp(colour[c] + noise(random), 0.0f, 255.0f));
        }
    }
    tjhandle encoder = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(encoder, rgb.data(), kWidth, kWidth * 3, kHeight, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90, 0);
    std::vector<unsigned char> bytes(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(encoder);
    return bytes;
}

const std::vector<std::string>& photographs() {
    static const std::vector<std::string> paths = [] {
        std::vector<std::string> made(kPhotos);
        std::atomic<int> next{0};
        const auto work = [&] {
            for (int k = next++; k < kPhotos; k = next++) {
                char name[64];
                std::snprintf(name, sizeof name, "/photo%02d.jpg", k + 1);
                made[static_cast<std::size_t>(k)] = scratch().path + name;
                const std::vector<unsigned char> bytes = photograph(k);
                std::ofstream(made[static_cast<std::size_t>(k)], std::ios::binary)
                    .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
            }
        };
        std::vector<std::thread> workers;
        for (unsigned i = 0; i < std::max(1u, std::thread::hardware_concurrency()); ++i) workers.emplace_back(work);
        for (auto& worker : workers) worker.join();
        return made;
    }();
    return paths;
}

std::vector<unsigned char> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

// The reference: every photograph read and decoded at full size by
// libjpeg-turbo, one thread per core.
double decodeAllSeconds() {
    const Clock::time_point start = Clock::now();
    std::atomic<int> next{0};
    const auto work = [&] {
        tjhandle decoder = tjInitDecompress();
        std::vector<unsigned char> pixels(static_cast<std::size_t>(kWidth) * kHeight * 3);
        for (int k = next++; k < kPhotos; k = next++) {
            const std::vector<unsigned char> bytes = fileBytes(photographs()[static_cast<std::size_t>(k)]);
            int width = 0, height = 0, subsampling = 0, colourspace = 0;
            tjDecompressHeader3(decoder, bytes.data(), bytes.size(), &width, &height, &subsampling, &colourspace);
            pixels.resize(static_cast<std::size_t>(width) * height * 3);
            tjDecompress2(decoder, bytes.data(), bytes.size(), pixels.data(), width, width * 3, height, TJPF_RGB, 0);
            benchmark::DoNotOptimize(pixels.data());
        }
        tjDestroy(decoder);
    };
    std::vector<std::thread> workers;
    for (unsigned i = 0; i < std::max(1u, std::thread::hardware_concurrency()); ++i) workers.emplace_back(work);
    for (auto& worker : workers) worker.join();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double importSeconds() {
    std::vector<std::string> arguments = {"import"};
    for (const std::string& path : photographs()) arguments.push_back(path);
    const std::string project = scratch().path + "/turntable/photos.qz";
    std::filesystem::create_directories(scratch().path + "/turntable");
    for (const char* option : {"-o", project.c_str(), "--turntable", "--elevation", "20", "--quiet"}) {
        arguments.push_back(option);
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    // The command's summary line would mix with the benchmark's table.
    std::fflush(stdout);
    const int saved = ::dup(1);
    const int sink = ::open("/dev/null", O_WRONLY);
    ::dup2(sink, 1);
    const Clock::time_point start = Clock::now();
    const int code = runImportCommand(static_cast<int>(argv.size()), argv.data());
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::fflush(stdout);
    ::dup2(saved, 1);
    ::close(saved);
    ::close(sink);
    return code == 0 ? seconds : -1.0;
}

void BM_ImportTurntableAgainstDecoding(benchmark::State& state) {
    photographs();
    double decode = 0.0, import = 0.0, ratio = 0.0;
    for (auto _ : state) {
        const double reference = decodeAllSeconds();
        const double measured = importSeconds();
        if (measured < 0.0) {
            state.SkipWithError("the import failed");
            return;
        }
        state.SetIterationTime(measured);
        decode += reference;
        import += measured;
        ratio += measured / reference;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["decode_ms"] = 1000.0 * decode / n;
    state.counters["import_ms"] = 1000.0 * import / n;
    state.counters["ratio"] = ratio / n;
}
BENCHMARK(BM_ImportTurntableAgainstDecoding)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// --- a one-million-triangle textured mesh ----------------------------------------------

// A sphere of `rings` by `segments` quads (two triangles each) whose
// texture is split into four tiles around it, so that vertices on the
// tiles' edges carry two texture coordinates.
ExportMesh texturedSphere(int rings, int segments) {
    ExportMesh mesh;
    mesh.hasTextureCoordinates = true;
    const float pi = 4.0f * std::atan(1.0f);
    for (int r = 0; r <= rings; ++r) {
        const float theta = pi * static_cast<float>(r) / rings;
        for (int s = 0; s < segments; ++s) {
            const float phi = 2.0f * pi * static_cast<float>(s) / segments;
            const D3DXVECTOR3 n(std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi));
            mesh.positions.push_back(n * 500.0f);
            mesh.normals.push_back(n);
        }
    }
    const auto vertex = [segments](int r, int s) { return static_cast<std::uint32_t>(r * segments + s % segments); };
    const int perTile = segments / 4;
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            const int tile = s / perTile;
            const auto uv = [&](int rr, int ss, float& u, float& v) {
                u = (static_cast<float>(tile % 2) + static_cast<float>(ss - tile * perTile) / perTile) * 0.5f;
                v = (static_cast<float>(tile / 2) + static_cast<float>(rr) / rings) * 0.5f;
            };
            const int corners[2][3][2] = {{{r, s}, {r + 1, s}, {r + 1, s + 1}}, {{r, s}, {r + 1, s + 1}, {r, s + 1}}};
            for (const auto& triangle : corners) {
                ExportMesh::Triangle t;
                for (int k = 0; k < 3; ++k) {
                    t.corner[k] = vertex(triangle[k][0], triangle[k][1]);
                    uv(triangle[k][0], triangle[k][1], t.u[k], t.v[k]);
                }
                mesh.triangles.push_back(t);
            }
        }
    }
    return mesh;
}

void BM_WriteTexturedGlbMillionTriangles(benchmark::State& state) {
    static const ExportMesh mesh = texturedSphere(500, 1000);
    static const Image atlas = [] {
        Image image(1024, 1024);
        std::mt19937 random(7);
        for (int y = 0; y < 1024; ++y) {
            for (int x = 0; x < 1024; ++x) {
                const auto noise = static_cast<unsigned char>(random() % 24);
                image.setPixel(x, y, Rgb{static_cast<unsigned char>(x / 5 + noise), static_cast<unsigned char>(y / 5),
                                         static_cast<unsigned char>(120 + noise)});
            }
        }
        return image;
    }();
    MeshTexture texture;
    texture.image = &atlas;
    const String path((scratch().path + "/million.glb").c_str());
    for (auto _ : state) {
        const MeshExportResult result = exportMesh(mesh, path, MeshFormat::Glb, texture);
        if (!result.written) {
            state.SkipWithError(result.error.text());
            return;
        }
    }
    state.counters["triangles"] = static_cast<double>(mesh.triangles.size());
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(path.text())) / 1e6;
}
BENCHMARK(BM_WriteTexturedGlbMillionTriangles)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
